// The changes since a mark on paper: printed from the dialog's Print button into a PDF and read
// back — the mark and its date at the head, every change in its order, a long one wrapped under
// its slot without a word lost.

#include "base/PrintCommon.h"
#include "library/ChangesDialog.h"
#include "support/PdfText.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"

#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

TEST(ChangesPrint, TheMarkItsDateAndEveryChangeArePrinted) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    IgnoreInstalledPrinters(true);
    ScriptedDialogs dialogs;
    const QString pdf = folder.filePath("changes.pdf");
    dialogs.Names.push_back(pdf);
    const QDateTime taken(QDate(2026, 3, 14), QTime(22, 5));
    QString longChange = "  Chorus: depth";
    for (int i = 1; i <= 40; ++i)
        longChange += QStringLiteral(" step%1").arg(i);
    const TChangesReport report{.Mark = "Friday gig",
                                .Taken = taken,
                                .Heading = "Plenova since \"Friday gig\", " +
                                           QLocale().toString(taken, QLocale::ShortFormat),
                                .Lines = {"A 017: Slap \u2192 Slap Funk", "  Drive: 3 \u2192 5",
                                          longChange, "B 002: Fretless, not remembered then",
                                          "Program 3: preset 17 \u2192 preset 99"}};
    TfrmChanges dialog(report);
    dialog.show();
    QTest::mouseClick(dialog.btnPrint, Qt::LeftButton);
    IgnoreInstalledPrinters(false);
    EXPECT_TRUE(LastJobDelivered());
    EXPECT_TRUE(dialogs.Names.empty()) << "the PDF's name was asked";

    const QStringList pages = Pages(PdfText(pdf));
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = NonEmptyLines(pages[0]);
    ASSERT_GE(lines.size(), 10) << pages[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith("Changes since \"Friday gig\" (marked " +
                                  QLocale().toString(taken, QLocale::ShortFormat) + ")"));
    EXPECT_EQ(lines[2].trimmed(), "Changes since \"Friday gig\"");
    QStringList body;
    for (qsizetype at = 3; at < lines.size(); ++at)
        body << lines[at].trimmed();
    // The long line runs on over several, further in than the slot's compare lines, no word lost.
    EXPECT_EQ(body.mid(0, 3),
              QStringList({report.Heading, report.Lines[0], report.Lines[1].trimmed()}));
    const qsizetype after = body.indexOf(report.Lines[3]);
    EXPECT_GT(after, 4) << "the long line takes several";
    EXPECT_EQ(body.mid(3, after - 3).join(' '), longChange.trimmed());
    EXPECT_EQ(body.mid(after), report.Lines.mid(3));
    const auto indent = [](const QString& line) { return line.size() - line.trimmed().size(); };
    EXPECT_GT(indent(lines[5]), indent(lines[4]));
    EXPECT_GT(indent(lines[7]), indent(lines[6]));
}
