// The set sheet read back from its PDF and from the text it copies: the columns of each song,
// what a foot controller sends with and without one program table, titles from the unit's memory
// and from files, and a long set on one page or, past that, on several.

#include "library/SetSheet.h"

#include "base/PrintCommon.h"
#include "store/UnitMemory.h"
#include "support/PdfText.h"
#include "support/QtPrinters.h"
#include "support/TestPresets.h"

#include <QDir>
#include <QFont>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
class SetSheetTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        IgnoreInstalledPrinters(true);
        PrintToPdf(pdf);
        QDir().mkpath(folder.filePath(QStringLiteral("unit")));
        memory.Saw(1, 17, TitledDump("Slap Funk"), TSeenHow::Read);
        memory.Saw(1, 18, TitledDump("Dub Octave"), TSeenHow::Read);
    }
    void TearDown() override { IgnoreInstalledPrinters(false); }

    // The sheet's lines on paper, each cut at its separators and trimmed; the pages' headers
    // left out.
    QList<QStringList> Printed(const TSetSheet& sheet) {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(14);
        PrintSetSheet(sheet, font);
        EXPECT_TRUE(LastJobDelivered());
        QList<QStringList> rows;
        for (const QString& page : Pages(PdfText(pdf))) {
            for (const QString& line : NonEmptyLines(page)) {
                QStringList cells = line.split(QLatin1Char('|'));
                for (QString& cell : cells)
                    cell = cell.trimmed();
                rows << cells;
            }
            rows << QStringList{QStringLiteral("(page end)")};
        }
        return rows;
    }

    QTemporaryDir folder;
    const QString pdf = folder.filePath(QStringLiteral("sheet.pdf"));
    const QString path = folder.filePath(QStringLiteral("Friday.txt"));
    TUnitMemory memory{folder.filePath(QStringLiteral("unit"))};
};
} // namespace

// Songs in one bank: program change n calls up song n through the set's table; the slots' titles
// come from the unit's memory (one never read stays blank), the notes stand last.
TEST_F(SetSheetTest, SongsInOneBankGoByTheSetsProgramTable) {
    const TSetList list = TSetList::Read("Intro = B017 ; key of E, 120 bpm\n"
                                         "Slap Funk = B018\n"
                                         "Encore = B017\n"
                                         "New one = B100 ; no capo\n")
                              .List;
    const TSetSheet sheet = MakeSetSheet(list, path, &memory);
    const QList<QStringList> rows = Printed(sheet);
    ASSERT_GE(rows.size(), 10) << rows.size();
    EXPECT_EQ(rows[2], QStringList{"Set sheet: Friday"});
    EXPECT_EQ(rows[3], (QStringList{"#", "Song", "Foot ctrl", "Slot", "Preset", "Note"}));
    EXPECT_EQ(rows[4],
              (QStringList{"1", "Intro", "PC 1", "B017", "Slap Funk", "key of E, 120 bpm"}));
    EXPECT_EQ(rows[5], (QStringList{"2", "Slap Funk", "PC 2", "B018", "Dub Octave", ""}));
    EXPECT_EQ(rows[6], (QStringList{"3", "Encore", "PC 3", "B017", "Slap Funk", ""}));
    EXPECT_EQ(rows[7], (QStringList{"4", "New one", "PC 4", "B100", "", "no capo"}));
    EXPECT_TRUE(rows[8].join(' ').startsWith("Foot controller: with this set's program table"));
    EXPECT_TRUE((rows[8] + rows[9]).join(' ').contains("the unit in bank B."));
    EXPECT_EQ(rows.last(), QStringList{"(page end)"});
    EXPECT_EQ(rows.count(QStringList{"(page end)"}), 1);

    // The same lines as text, in columns two spaces apart.
    const QStringList text = sheet.Text().split('\n');
    ASSERT_GE(text.size(), 8);
    EXPECT_EQ(text[0], "Friday");
    EXPECT_EQ(text[2], "#  Song       Foot ctrl  Slot  Preset      Note");
    EXPECT_EQ(text[3], "1  Intro      PC 1       B017  Slap Funk   key of E, 120 bpm");
    EXPECT_EQ(text[6], "4  New one    PC 4       B100              no capo");
    EXPECT_TRUE(text[8].startsWith("Foot controller:"));
}

// Songs in several banks, or on a file, make no table: the foot controller column gives each
// song's slot (nothing for a file) and the foot note says why; a file's title is read from it,
// one that is gone is marked.
TEST_F(SetSheetTest, WithoutOneTableTheSlotsStandAndFilesAreRead) {
    const TBytes file = Retitled(TitledDump("Fretless"), "Fretless");
    QFile preset(folder.filePath(QStringLiteral("Fretless.tmq042")));
    ASSERT_TRUE(preset.open(QIODevice::WriteOnly));
    preset.write(reinterpret_cast<const char*>(file.data()), qint64(file.size()));
    preset.close();
    const TSetList list = TSetList::Read("Intro = B017\n"
                                         "Dub = A005\n"
                                         "Ballad = Fretless.tmq042\n"
                                         "Lost = gone/Missing.tmq\n")
                              .List;
    const TSetSheet sheet = MakeSetSheet(list, path, &memory);
    const QList<QStringList> rows = Printed(sheet);
    ASSERT_GE(rows.size(), 9);
    EXPECT_EQ(rows[4], (QStringList{"1", "Intro", "B017", "B017", "Slap Funk", ""}));
    EXPECT_EQ(rows[5], (QStringList{"2", "Dub", "A005", "A005", "", ""}));
    EXPECT_EQ(rows[6], (QStringList{"3", "Ballad", "-", "Fretless.tmq042", "Fretless", ""}));
    EXPECT_EQ(rows[7], (QStringList{"4", "Lost", "-", "Missing.tmq", "(cannot be read)", ""}));
    QString foot;
    for (qsizetype i = 8; i < rows.size() - 1; ++i)
        foot += rows[i].join(' ') + ' ';
    EXPECT_TRUE(foot.startsWith("No program table for this set:")) << foot.toStdString();
    EXPECT_TRUE(foot.contains("Ballad")) << foot.toStdString();
    EXPECT_TRUE(foot.contains("not in one bank")) << foot.toStdString();
    EXPECT_TRUE(foot.trimmed().endsWith("gives each song's slot.")) << foot.toStdString();
}

// A long evening still fits one page, its font smaller; a set past that breaks pages, each
// beginning with the headings, and loses no song.
TEST_F(SetSheetTest, ALongSetFitsOnePageAndALongerOneBreaksPages) {
    const auto set = [](int songs) {
        std::string text;
        for (int i = 1; i <= songs; ++i)
            text += "Song " + std::to_string(i) + " = C" +
                    (i < 10    ? "00"
                     : i < 100 ? "0"
                               : "") +
                    std::to_string(i) + "\n";
        return TSetList::Read(text).List;
    };
    const QList<QStringList> evening = Printed(MakeSetSheet(set(30), path, nullptr));
    EXPECT_EQ(evening.count(QStringList{"(page end)"}), 1);
    EXPECT_TRUE(evening.contains(QStringList{"30", "Song 30", "PC 30", "C030", "", ""}));

    const QList<QStringList> marathon = Printed(MakeSetSheet(set(150), path, nullptr));
    const qsizetype pages = marathon.count(QStringList{"(page end)"});
    EXPECT_GT(pages, 1);
    EXPECT_EQ(marathon.count(QStringList{"#", "Song", "Foot ctrl", "Slot", "Preset", "Note"}),
              pages);
    int next = 1;
    for (const QStringList& row : marathon)
        if (row.size() == 6 && row[0] == QString::number(next))
            ++next;
    EXPECT_EQ(next, 151) << "every song in its order";
    EXPECT_TRUE(marathon.contains(QStringList{"130", "Song 130", "LSB 1 PC 2", "C130", "", ""}));
}
