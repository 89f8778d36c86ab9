// The changes since a mark, shown.

#include "library/ChangesDialog.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

// (heading, lines): what was compared, then the changes a line each.
TfrmChanges::TfrmChanges(const QString& heading, const QStringList& lines, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmChanges"));
    setWindowTitle(QStringLiteral("Changes since"));
    lblWhat = new QLabel(heading, this);
    lblWhat->setObjectName(QStringLiteral("lblWhat"));
    lblWhat->setWordWrap(true);
    memChanges = new QPlainTextEdit(this);
    memChanges->setObjectName(QStringLiteral("memChanges"));
    memChanges->setAccessibleName(QStringLiteral("Changes"));
    memChanges->setReadOnly(true);
    memChanges->setLineWrapMode(QPlainTextEdit::NoWrap);
    memChanges->setPlainText(lines.join(QLatin1Char('\n')));
    btnCopy = new QPushButton(QStringLiteral("&Copy"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnCopy->setToolTip(QStringLiteral("The heading and every change as text"));
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnCopy, &QPushButton::clicked, this, [this] {
        QApplication::clipboard()->setText(lblWhat->text() + QStringLiteral("\n\n") +
                                           memChanges->toPlainText() + QLatin1Char('\n'));
    });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCopy);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWhat);
    layout->addWidget(memChanges, 1);
    layout->addLayout(buttons);
    resize(640, 480);
}
