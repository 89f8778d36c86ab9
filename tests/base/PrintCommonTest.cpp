// Print jobs read back from the PDF they produce: page headers, titles, columns and page breaks,
// the PDF the user names when no printer is installed, and the preview.

#include "base/PrintCommon.h"

#include "support/PdfText.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLocale>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;
using testing::Not;

namespace {
const QString kTitle = QStringLiteral("Quellfarn Test Sheet");
const QString kHeader = QStringLiteral(" sheet.mpt");

QFont SheetFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(10);
    return font;
}

QString Today() {
    return QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
}

QString Label(int row) {
    return QStringLiteral("Row %1").arg(row, 3, 10, QLatin1Char('0'));
}

QString Value(int row) {
    return QStringLiteral("Value %1").arg(row * 7);
}

void PrintHead() {
    PrintPageHeader(kHeader);
    PrintTitle(kTitle);
}

// Prints the way the reports do, breaking pages at PageBottom, until the second page holds
// rowsOnSecondPage rows; returns how many rows went onto the first page.
int PrintSheet(int rowsOnSecondPage) {
    if (!PrintBegin(SheetFont()))
        return -1;
    PrintHead();
    int firstPageRows = 0;
    for (int row = 0; PageNumber() == 1 || row - firstPageRows < rowsOnSecondPage; ++row) {
        if (CurrentY >= PageBottom) {
            PrintNewPage();
            PrintHead();
        }
        PrintLine(Label(row), LeftMargin);
        PrintLine(Value(row), LeftMargin + 15 * CharWidth);
        CurrentY += LineHeight;
        if (PageNumber() == 1)
            firstPageRows = row + 1;
    }
    PrintEnd();
    return firstPageRows;
}

class PrintCommonTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        IgnoreInstalledPrinters(true);
    }
    void TearDown() override { IgnoreInstalledPrinters(false); }
    QString File(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};
} // namespace

TEST_F(PrintCommonTest, PagesCarryHeaderAndCentredTitleAndTheBodyStaysInColumns) {
    const QString pdf = File(QStringLiteral("sheet.pdf"));
    PrintToPdf(pdf);
    const int firstPageRows = PrintSheet(5);
    ASSERT_GT(firstPageRows, 10);
    EXPECT_TRUE(LastJobDelivered());
    const QStringList pages = Pages(PdfText(pdf));
    ASSERT_EQ(pages.size(), 2) << PdfText(pdf).toStdString();

    int row = 0;
    qsizetype labelColumn = -1, valueColumn = -1;
    for (int page = 0; page < 2; ++page) {
        const QStringList lines = NonEmptyLines(pages[page]);
        ASSERT_GE(lines.size(), 4);
        // The date line and the page line start at the left margin, the title is centred.
        EXPECT_EQ(lines[0].trimmed(), Today() + kHeader);
        EXPECT_EQ(lines[1].trimmed(), QStringLiteral("Page: %1").arg(page + 1));
        EXPECT_EQ(lines[2].trimmed(), kTitle);
        const qsizetype left = lines[0].indexOf(Today());
        EXPECT_EQ(lines[1].indexOf(QStringLiteral("Page")), left);
        // Every row once, in order, its two texts each in their own column on every page.
        for (qsizetype line = 3; line < lines.size(); ++line, ++row) {
            SCOPED_TRACE(lines[line].toStdString());
            if (labelColumn < 0) {
                labelColumn = lines[line].indexOf(Label(row));
                valueColumn = lines[line].indexOf(Value(row));
                EXPECT_EQ(labelColumn, left);
                EXPECT_NEAR(valueColumn - labelColumn, 15, 1);
            }
            EXPECT_EQ(lines[line].indexOf(Label(row)), labelColumn);
            EXPECT_EQ(lines[line].indexOf(Value(row)), valueColumn);
        }
        if (page == 0) {
            EXPECT_EQ(row, firstPageRows);
        }
    }
    EXPECT_EQ(row, firstPageRows + 5);

    // The layout squeezes wide gaps, so where the title stands is read from the word boxes.
    const std::vector<PdfWord> words = PdfWords(pdf);
    for (int page = 1; page <= 2; ++page) {
        double left = -1, right = -1, width = 0;
        for (const PdfWord& word : words) {
            if (word.Page != page)
                continue;
            width = word.PageWidth;
            if (word.Text == "Quellfarn" && left < 0)
                left = word.Left;
            if (word.Text == "Sheet" && right < 0)
                right = word.Right;
        }
        ASSERT_GT(left, 0) << page;
        ASSERT_GT(right, left) << page;
        // Centred to within a character (about 6 points at 10 points).
        EXPECT_NEAR((left + right) / 2, width / 2, 6.0) << page;
    }
}

TEST_F(PrintCommonTest, FontSizedInScreenPixelsPrintsAtItsScreenSize) {
    PrintToPdf(File(QStringLiteral("size.pdf")));
    QFont points = SheetFont();
    points.setPointSize(12);
    ASSERT_TRUE(PrintBegin(points));
    const int pointWidth = CharWidth;
    PrintEnd();
    QFont pixels = SheetFont();
    pixels.setPixelSize(16); // 12 points on a 96 dpi screen
    ASSERT_TRUE(PrintBegin(pixels));
    EXPECT_NEAR(CharWidth, pointWidth, pointWidth / 20.0 + 1);
    PrintEnd();
}

TEST_F(PrintCommonTest, OutsideAJobNothingIsPrintedOrAdvanced) {
    const QString pdf = File(QStringLiteral("idle.pdf"));
    PrintToPdf(pdf);
    CurrentY = 123;
    PrintPageHeader(kHeader);
    PrintTitle(kTitle);
    PrintLine(QStringLiteral("stray"), LeftMargin);
    PrintNewPage();
    PrintEnd();
    EXPECT_EQ(CurrentY, 123);
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST_F(PrintCommonTest, PdfThatCannotBeWrittenFailsToBeginAndAnEarlierPdfIsReplacedWhole) {
    PrintToPdf(File(QStringLiteral("missing/folder/sheet.pdf")));
    EXPECT_FALSE(PrintBegin(SheetFont()));
    PrintLine(QStringLiteral("stray"), LeftMargin);
    PrintEnd();
    EXPECT_FALSE(LastJobDelivered());
    EXPECT_FALSE(QDir(File(QStringLiteral("missing"))).exists());

    const QString pdf = File(QStringLiteral("twice.pdf"));
    PrintToPdf(pdf);
    ASSERT_TRUE(PrintBegin(SheetFont()));
    PrintLine(QStringLiteral("first job"), LeftMargin);
    // While the job runs, the file named holds nothing half-written.
    EXPECT_FALSE(QFile::exists(pdf));
    PrintEnd();
    ASSERT_TRUE(PrintBegin(SheetFont()));
    PrintLine(QStringLiteral("second job"), LeftMargin);
    PrintEnd();
    const QString text = PdfText(pdf);
    EXPECT_THAT(text.toStdString(), HasSubstr("second job"));
    EXPECT_THAT(text.toStdString(), Not(HasSubstr("first job")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"twice.pdf"});
}

TEST_F(PrintCommonTest, WithoutAPrinterTheUserNamesThePdf) {
    ScriptedDialogs dialogs;
    dialogs.Names = {File(QStringLiteral("report.pdf")), File(QStringLiteral("bare")), QString()};

    ASSERT_TRUE(ChoosePrintTarget(nullptr));
    PrintSheet(1);
    EXPECT_THAT(PdfText(File(QStringLiteral("report.pdf"))).toStdString(),
                HasSubstr(kTitle.toStdString()));

    // A name without an extension becomes a PDF file.
    ASSERT_TRUE(ChoosePrintTarget(nullptr));
    PrintSheet(1);
    EXPECT_THAT(PdfText(File(QStringLiteral("bare.pdf"))).toStdString(),
                HasSubstr(Label(0).toStdString()));

    // Cancelled: the window prints nothing.
    QFile::remove(File(QStringLiteral("bare.pdf")));
    EXPECT_FALSE(ChoosePrintTarget(nullptr));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{"report.pdf"});
    EXPECT_TRUE(dialogs.Names.empty());
}

TEST_F(PrintCommonTest, PreviewShowsTheJobsPagesWithoutWritingThePdf) {
    const QString pdf = File(QStringLiteral("preview.pdf"));
    PrintToPdf(pdf);
    int renders = 0, previewPages = -1;
    QTimer::singleShot(0, [&previewPages] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        if (auto* preview = dialog->findChild<QPrintPreviewWidget*>())
            previewPages = preview->pageCount();
        dialog->reject();
    });
    PrintPreview(nullptr, [&renders] {
        ++renders;
        PrintSheet(3);
    });
    EXPECT_GE(renders, 1);
    EXPECT_EQ(previewPages, 2);
    EXPECT_FALSE(QFile::exists(pdf));

    // The same routines print to the file again afterwards.
    PrintSheet(3);
    EXPECT_EQ(Pages(PdfText(pdf)).size(), 2);
}
