// The printed preset listing read back from its PDF: headings, columns, page breaks, and a job
// ended early.

#include "base/PresetListing.h"

#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "support/PdfText.h"
#include "support/QtPrinters.h"

#include <QDate>
#include <QFont>
#include <QLocale>
#include <QTemporaryDir>
#include <cmath>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {
QFont ListingFont() {
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setPointSize(10);
    return font;
}

// The cells of a listing line between its "|" separators, trimmed.
QStringList Cells(const QString& line) {
    QStringList cells = line.split(QLatin1Char('|'));
    for (QString& cell : cells)
        cell = cell.trimmed();
    return cells;
}

// The words of each printed line, left to right, page after page.
std::vector<std::vector<PdfWord>> WordLines(const QString& pdf) {
    std::vector<std::vector<PdfWord>> lines;
    for (const PdfWord& word : PdfWords(pdf)) {
        if (lines.empty() || lines.back().front().Page != word.Page ||
            std::abs(lines.back().front().Top - word.Top) > 1.0)
            lines.emplace_back();
        lines.back().push_back(word);
    }
    return lines;
}

// Checks that every line holding a "|" has its separators, and the words between them, at the
// same places as the heading line, in points; the columns are the given character counts
// apart. Gives how many such lines there were.
int CheckColumns(const QString& pdf, const QList<int>& columnChars) {
    std::vector<double> heading;
    double charWidth = 0;
    int rows = 0;
    for (const std::vector<PdfWord>& line : WordLines(pdf)) {
        std::vector<double> starts{line.front().Left};
        std::vector<double> bars;
        for (size_t word = 1; word < line.size(); ++word) {
            if (line[word].Text == "|")
                bars.push_back(line[word].Left);
            else if (line[word - 1].Text == "|")
                starts.push_back(line[word].Left);
        }
        if (bars.empty())
            continue;
        ++rows;
        if (heading.empty()) {
            // A monospaced face: a heading word's width over its letters.
            const PdfWord& first = line.front();
            charWidth = (first.Right - first.Left) / double(first.Text.size());
            heading = starts;
            heading.insert(heading.end(), bars.begin(), bars.end());
            EXPECT_EQ(starts.size(), size_t(columnChars.size()));
            for (qsizetype column = 1;
                 column < columnChars.size() && column < qsizetype(starts.size()); ++column)
                EXPECT_NEAR(starts[column] - starts[0], columnChars[column] * charWidth, 1.0);
            continue;
        }
        std::vector<double> places = starts;
        places.insert(places.end(), bars.begin(), bars.end());
        EXPECT_EQ(places.size(), heading.size()) << line.front().Text.toStdString();
        for (size_t place = 0; place < places.size() && place < heading.size(); ++place)
            EXPECT_NEAR(places[place], heading[place], 0.5) << line.front().Text.toStdString();
    }
    return rows;
}

class PresetListingTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        SetAppTitle(QStringLiteral("Quellfarn"));
        IgnoreInstalledPrinters(true);
        PrintToPdf(pdf);
    }
    void TearDown() override { IgnoreInstalledPrinters(false); }

    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("listing.pdf"));
    const QString title = QStringLiteral("Quellfarn Preset Listing");
};
} // namespace

TEST_F(PresetListingTest, BanksNumbersAndTitlesStandInColumnsUnderHeadingsPrintedOnce) {
    const std::vector<std::tuple<int, int, QString>> presets = {
        {0, 5, "Slap Funk"}, {0, 10, "AC/DC: Back"}, {2, 1, "Dub"}, {2, 200, "Fretless Chorus"}};
    {
        TPresetListing listing;
        ASSERT_TRUE(listing.Begin(ListingFont(), true));
        EXPECT_TRUE(listing.Active());
        // The rows print in the style before the bold, underlined headings.
        EXPECT_FALSE(FontBold());
        EXPECT_FALSE(FontUnderline());
        for (const auto& [bank, number, name] : presets)
            listing.Line(bank, number, name);
        listing.End();
        EXPECT_FALSE(listing.Active());
    }
    ASSERT_TRUE(LastJobDelivered());
    const QStringList pages = Pages(PdfText(pdf));
    ASSERT_EQ(pages.size(), 1);
    const QStringList lines = NonEmptyLines(pages[0]);
    ASSERT_EQ(lines.size(), 4 + presets.size()) << pages[0].toStdString();
    EXPECT_EQ(lines[0].trimmed(),
              QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat))
        << "the date and nothing after it";
    EXPECT_EQ(lines[1].trimmed(), "Page: 1");
    EXPECT_EQ(lines[2].trimmed(), title);
    EXPECT_EQ(Cells(lines[3]), (QStringList{"Bank", "Preset#", "Title"}));
    for (size_t row = 0; row < presets.size(); ++row) {
        const QString& line = lines[4 + qsizetype(row)];
        SCOPED_TRACE(line.toStdString());
        const auto& [bank, number, name] = presets[row];
        // Not padded, and the title as it was received, "/" and ":" included.
        EXPECT_EQ(Cells(line),
                  (QStringList{QString(QChar('A' + bank)), QString::number(number), name}));
    }
    EXPECT_EQ(CheckColumns(pdf, {0, 15, 30}), 1 + int(presets.size()));
}

TEST_F(PresetListingTest, SingleBankListingHasNoBankColumn) {
    TPresetListing listing;
    ASSERT_TRUE(listing.Begin(ListingFont(), false));
    listing.Line(3, 7, "Octaver");
    listing.Line(0, 128, "Last One");
    listing.End();
    const QStringList lines = NonEmptyLines(PdfText(pdf));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(Cells(lines[3]), (QStringList{"Preset#", "Title"}));
    EXPECT_EQ(Cells(lines[4]), (QStringList{"7", "Octaver"}));
    EXPECT_EQ(Cells(lines[5]), (QStringList{"128", "Last One"}));
    EXPECT_EQ(CheckColumns(pdf, {0, 15}), 3);
}

TEST_F(PresetListingTest, LongListingBreaksPagesWithHeaderAndTitleButHeadingsOnlyOnTheFirst) {
    TPresetListing listing;
    ASSERT_TRUE(listing.Begin(ListingFont(), true));
    int lines = 0;
    while (PageNumber() == 1 || lines % 200 != 0) {
        listing.Line(lines / 200, lines % 200 + 1, QStringLiteral("Preset %1").arg(lines));
        ++lines;
    }
    listing.End();
    const QStringList pages = Pages(PdfText(pdf));
    ASSERT_GE(pages.size(), 2);
    int printed = 0;
    for (qsizetype page = 0; page < pages.size(); ++page) {
        SCOPED_TRACE(page + 1);
        const QStringList text = NonEmptyLines(pages[page]);
        ASSERT_GE(text.size(), 4);
        EXPECT_EQ(text[1].trimmed(), QStringLiteral("Page: %1").arg(page + 1));
        EXPECT_EQ(text[2].trimmed(), title);
        const qsizetype first = page == 0 ? 4 : 3;
        EXPECT_EQ(text.filter("Preset#").size(), page == 0 ? 1 : 0);
        for (qsizetype line = first; line < text.size(); ++line, ++printed) {
            const QStringList cells = Cells(text[line]);
            ASSERT_EQ(cells.size(), 3) << text[line].toStdString();
            EXPECT_EQ(cells[1], QString::number(printed % 200 + 1));
            EXPECT_EQ(cells[2], QStringLiteral("Preset %1").arg(printed));
        }
    }
    EXPECT_EQ(printed, lines) << "every line once, none lost at a page break";
    EXPECT_EQ(CheckColumns(pdf, {0, 15, 30}), 1 + lines);
}

TEST_F(PresetListingTest, JobEndedEarlyIsACompleteDocumentWithTheLinesSoFar) {
    TPresetListing listing;
    ASSERT_TRUE(listing.Begin(ListingFont(), true));
    for (int number = 1; number <= 3; ++number)
        listing.Line(1, number, QStringLiteral("Take %1").arg(number));
    listing.End();
    listing.Line(1, 4, "after the end");
    listing.End();
    EXPECT_TRUE(LastJobDelivered());
    const QStringList lines = NonEmptyLines(PdfText(pdf));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_EQ(Cells(lines[6]), (QStringList{"B", "3", "Take 3"}));
    EXPECT_THAT(PdfText(pdf).toStdString(), testing::Not(testing::HasSubstr("after")));

    // A job that cannot start leaves the listing inactive and writes nothing.
    PrintToPdf(folder.filePath(QStringLiteral("missing/listing.pdf")));
    TPresetListing failed;
    EXPECT_FALSE(failed.Begin(ListingFont(), true));
    EXPECT_FALSE(failed.Active());
    failed.Line(0, 1, "nowhere");
    failed.End();
}

TEST_F(PresetListingTest, AnotherPrintDuringTheWalkGetsNoneOfTheListingsLines) {
    TPresetListing listing;
    ASSERT_TRUE(listing.Begin(ListingFont(), true));
    listing.Line(0, 1, QStringLiteral("Before"));
    // The user prints something else from an editor while the walk goes on.
    const QString other = folder.filePath(QStringLiteral("other.pdf"));
    PrintToPdf(other);
    ASSERT_TRUE(PrintBegin(ListingFont()));
    EXPECT_FALSE(listing.Line(0, 2, QStringLiteral("Intruder"))) << "not printed, not counted";
    EXPECT_FALSE(listing.Active());
    PrintLine(QStringLiteral("Editor page"), LeftMargin);
    CurrentY += LineHeight;
    listing.End(); // must not end the other job
    PrintLine(QStringLiteral("Still the editor"), LeftMargin);
    PrintEnd();
    const QString text = PdfText(other);
    EXPECT_TRUE(text.contains("Still the editor"));
    EXPECT_FALSE(text.contains("Intruder"));
    EXPECT_TRUE(PdfText(pdf).contains("Before")) << "the listing's job was ended, not lost";
}
