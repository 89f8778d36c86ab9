// .syx files from any source: which of their messages are presets and tables, and what is
// skipped, where and why.

#include "model/SyxFile.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
// A preset dump built byte by byte: header, zeros, the title's characters each followed by 00.
TBytes Dump(const std::string& title, std::uint8_t device = 0) {
    TBytes dump{0xF0, 0x1A, device, 0x13, 0x05};
    dump.resize(258, 0x00);
    for (std::size_t i = 0; i < title.size(); ++i)
        dump[127 + 2 * i] = static_cast<std::uint8_t>(title[i]);
    dump[257] = 0xF7;
    return dump;
}

// command, entries: 0x13 and 200 for the Plenova, 0x0C and 128 for the older model.
TBytes Table(std::uint8_t command, std::size_t entries) {
    TBytes table{0xF0, 0x1A, 0x00, 0x13, command};
    table.resize(5 + 2 * entries, 0x00);
    table.push_back(0xF7);
    return table;
}

TBytes Cut(TBytes bytes, std::size_t size, std::vector<std::uint8_t> end = {}) {
    bytes.resize(size);
    bytes.insert(bytes.end(), end.begin(), end.end());
    return bytes;
}

// "preset 0+258", "skipped 258+3: not a SysEx message": kind, offset, length and reason.
std::string Shown(const TSyxItem& item) {
    const char* kinds[] = {"preset", "table", "skipped"};
    return kinds[static_cast<int>(item.Kind)] + (" " + std::to_string(item.Offset)) + "+" +
           std::to_string(item.Bytes.size()) + (item.Why.empty() ? "" : ": " + item.Why);
}
} // namespace

TEST(SyxFile, WholeDumpsAreTakenAndEverythingElseIsSkippedWholeWithItsReason) {
    TBytes highTitle = Dump("Caf");
    highTitle[133] = 0xE9;
    const struct {
        const char* Name;
        TBytes File;
        std::vector<std::string> Items;
        bool PrePlenova = false;
    } cases[] = {
        {"dumps of any device byte, a note and a run of other bytes between them",
         JoinSyx({Dump("Slap Funk"),
                  {0x90, 0x3C, 0x64},
                  Dump("Fretless", 5),
                  Table(0x13, 200),
                  {0x12, 0x34, 0xF7, 0x00, 0x7F},
                  Dump("")}),
         {"preset 0+258", "skipped 258+3: not a SysEx message", "preset 261+258", "table 519+406",
          "skipped 925+5: not a SysEx message", "preset 930+258"}},
        {"empty file", {}, {}},
        {"lone F7", {0xF7}, {"skipped 0+1: not a SysEx message"}},
        {"no F7 at the end",
         Cut(Dump("End"), 257),
         {"skipped 0+257: no F7 before the end of the file"}},
        {"F0 before F7",
         JoinSyx({Cut(Dump("Cut"), 200), Dump("Next")}),
         {"skipped 0+200: no F7 before the next F0", "preset 200+258"}},
        {"title byte above 7F", highTitle, {"skipped 0+258: a data byte above 7F"}},
        {"preset of 250 bytes",
         Cut(Dump("Short"), 249, {0xF7}),
         {"skipped 0+250: a preset dump of 250 bytes, not 258"}},
        {"older model's table",
         Table(0x0C, 128),
         {"skipped 0+262: a program table of the Pre-Plenova model (128 entries)"}},
        {"older model's table, older mode", Table(0x0C, 128), {"table 0+262"}, true},
        {"parameter reply",
         {0xF0, 0x1A, 0x00, 0x13, 0x03, 0x09, 0x02, 0x00, 0xF7},
         {"skipped 0+9: a parameter message, not a dump"}},
        {"another maker",
         {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0xF7},
         {"skipped 0+7: another maker's or model's message"}},
    };
    for (const auto& test : cases) {
        const std::vector<TSyxItem> items = SplitSyx(test.File, TDeviceMode::For(test.PrePlenova));
        std::vector<std::string> shown;
        TBytes again;
        for (const TSyxItem& item : items) {
            shown.push_back(Shown(item));
            again.insert(again.end(), item.Bytes.begin(), item.Bytes.end());
        }
        EXPECT_EQ(shown, test.Items) << test.Name;
        EXPECT_EQ(again, test.File) << test.Name << ": every byte is in exactly one item";
    }
    EXPECT_EQ(SplitSyx(cases[0].File)[2].Bytes, Dump("Fretless", 5)) << "device byte kept";
    EXPECT_EQ(DescribeSkipped(SplitSyx(cases[0].File)[1]),
              "3 bytes at offset 258 (90 3C 64): not a SysEx message");
    EXPECT_EQ(DescribeSkipped(SplitSyx(cases[6].File)[0]),
              "250 bytes at offset 0 (F0 1A 00 13 05 00 00 00 ...): a preset dump of 250 bytes, "
              "not 258");
}

TEST(SyxFile, SplitFilesAreNumberedAndNamedAfterSanitisedTitles) {
    const auto name = [](const TBytes& message, int n) {
        return SyxItemFileName(SplitSyx(message).at(0), n);
    };
    EXPECT_EQ(name(Dump("Slap Funk"), 1), "001 Slap Funk.tmq");
    EXPECT_EQ(name(Dump("AC/DC: Drive?"), 2), "002 AC-DC  Drive.tmq");
    EXPECT_EQ(name(Dump(std::string("Fret\0less", 9)), 3), "003 Fret less.tmq")
        << "a zero inside a title would cut the name short";
    EXPECT_EQ(name(Dump(""), 7), "007 Untitled.tmq");
    EXPECT_EQ(name(Table(0x13, 200), 1000), "1000 Program table.mpt");
}

TEST(SyxFile, SkippedPiecesPastTheFirstHundredAreGatheredSoAnyFileGivesFewItems) {
    constexpr std::size_t kMebibyte = 1024 * 1024;
    TBytes emptyMessages;
    for (std::size_t i = 0; i < kMebibyte / 2; ++i)
        emptyMessages.insert(emptyMessages.end(), {0xF0, 0xF7});
    const std::string gathered =
        " pieces in a row that are not presets or tables, too many to list one by one (the first: ";
    const struct {
        const char* Name;
        TBytes File;
        std::size_t Items;
        std::vector<std::string> Last; // the last items, in order
    } cases[] = {
        {"a mebibyte of F0",
         TBytes(kMebibyte, 0xF0),
         101,
         {"skipped 99+1: no F7 before the next F0",
          "skipped 100+1048476: 1048476" + gathered + "no F7 before the next F0)"}},
        {"a mebibyte of empty messages",
         emptyMessages,
         101,
         {"skipped 198+2: an empty SysEx message",
          "skipped 200+1048376: 524188" + gathered + "an empty SysEx message)"}},
        {"a preset between runs",
         JoinSyx({TBytes(150, 0xF0), Dump("Between"), TBytes(150, 0xF0)}),
         103,
         {"skipped 100+50: 50" + gathered + "no F7 before the next F0)", "preset 150+258",
          "skipped 408+150: 150" + gathered + "no F7 before the next F0)"}},
    };
    for (const auto& test : cases) {
        const std::vector<TSyxItem> items = SplitSyx(test.File);
        ASSERT_EQ(items.size(), test.Items) << test.Name;
        std::vector<std::string> last;
        for (std::size_t i = items.size() - test.Last.size(); i < items.size(); ++i)
            last.push_back(Shown(items[i]));
        EXPECT_EQ(last, test.Last) << test.Name;
        TBytes again;
        for (const TSyxItem& item : items)
            again.insert(again.end(), item.Bytes.begin(), item.Bytes.end());
        EXPECT_EQ(again, test.File) << test.Name << ": every byte is in exactly one item";
    }
}
