// The changes since a mark, shown, copied and printed.

#include "library/ChangesDialog.h"

#include "base/PrintCommon.h"

#include <QApplication>
#include <QClipboard>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// A line of the report in lines of at most that many characters: its indent kept, the lines it
// runs on to indented further, so a compare's line stays under its slot.
QStringList ChangeLineWrapped(const QString& line, int characters) {
    qsizetype indent = 0;
    while (indent < line.size() && line[indent] == QLatin1Char(' '))
        ++indent;
    const QString more(indent + 4, QLatin1Char(' '));
    QStringList lines;
    QString current(indent, QLatin1Char(' '));
    qsizetype lead = indent; // the current line's own indent
    for (QString word : line.mid(indent).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (current.size() > lead && current.size() + 1 + word.size() > characters) {
            lines << current;
            current = more;
            lead = more.size();
        }
        if (current.size() > lead)
            current += QLatin1Char(' ');
        // A word longer than a line is cut up rather than run off the page.
        while (current.size() + word.size() > characters) {
            const qsizetype room = std::max<qsizetype>(1, characters - current.size());
            lines << current + word.left(room);
            word = word.mid(room);
            current = more;
            lead = more.size();
        }
        current += word;
    }
    lines << current;
    return lines;
}

void PrintChangesReport(const TChangesReport& report) {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(10);
    if (!PrintBegin(font))
        return;
    const QString title = QStringLiteral("Changes since \"%1\"").arg(report.Mark);
    const QString header =
        QString(10, QLatin1Char(' ')) + title +
        QStringLiteral(" (marked %1)").arg(QLocale().toString(report.Taken, QLocale::ShortFormat));
    const auto top = [&] {
        PrintPageHeader(header);
        PrintTitle(title);
    };
    const int characters = std::max(20, (PageWidth() - LeftMargin) / std::max(1, CharWidth) - 1);
    QStringList lines = ChangeLineWrapped(report.Heading, characters);
    lines << QString();
    for (const QString& line : report.Lines)
        lines << ChangeLineWrapped(line, characters);
    top();
    for (const QString& line : lines) {
        if (CurrentY + LineHeight > PageBottom) {
            PrintNewPage();
            top();
        }
        PrintLine(line, LeftMargin);
        CurrentY += LineHeight;
    }
    PrintEnd();
}
} // namespace

TfrmChanges::TfrmChanges(const TChangesReport& report, QWidget* parent)
    : QDialog(parent), report(report) {
    setObjectName(QStringLiteral("frmChanges"));
    setWindowTitle(QStringLiteral("Changes since \"%1\"").arg(report.Mark));
    lblWhat = new QLabel(report.Heading, this);
    lblWhat->setObjectName(QStringLiteral("lblWhat"));
    lblWhat->setWordWrap(true);
    memChanges = new QPlainTextEdit(this);
    memChanges->setObjectName(QStringLiteral("memChanges"));
    memChanges->setAccessibleName(QStringLiteral("Changes"));
    memChanges->setReadOnly(true);
    memChanges->setLineWrapMode(QPlainTextEdit::NoWrap);
    memChanges->setPlainText(report.Lines.join(QLatin1Char('\n')));
    btnCopy = new QPushButton(QStringLiteral("&Copy"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnCopy->setToolTip(QStringLiteral("The heading and every change as text"));
    btnPrint = new QPushButton(QStringLiteral("&Print..."), this);
    btnPrint->setObjectName(QStringLiteral("btnPrint"));
    btnPrint->setToolTip(QStringLiteral("The heading and every change on paper or in a PDF"));
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnCopy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(lblWhat->text() + QStringLiteral("\n\n") +
                                           memChanges->toPlainText() + QLatin1Char('\n'));
    });
    connect(btnPrint, &QPushButton::clicked, this, [this] { Print(); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnPrint);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWhat);
    layout->addWidget(memChanges, 1);
    layout->addLayout(buttons);
    resize(640, 480);
}

bool TfrmChanges::Print() {
    if (!ChoosePrintTarget(this))
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintChangesReport(report);
    QApplication::restoreOverrideCursor();
    return LastJobDelivered();
}
