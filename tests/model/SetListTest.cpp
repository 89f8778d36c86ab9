// Set lists as a user writes them by hand: which lines are songs, which are named and why, that
// saving gives back what was read, the program table a set list makes or why it makes none, and
// the names of a table's programs as CSV and MIDNAM.

#include "model/SetList.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {
const TDeviceMode kPlenova = TDeviceMode::Plenova();
const TDeviceMode kSingleBank = TDeviceMode::PrePlenovaModel();

// "Intro | B017 | key of E"
std::vector<std::string> Shown(const TSetListRead& read, const TDeviceMode& mode) {
    std::vector<std::string> shown;
    for (const TSong& song : read.List.Songs)
        shown.push_back(song.Title + " | " + song.Preset.Text(mode) + " | " + song.Note);
    for (const TSetListProblem& problem : read.Problems)
        shown.push_back(problem.Text());
    return shown;
}

TSetList Songs(const std::string& text, const TDeviceMode& mode = kPlenova) {
    const TSetListRead read = TSetList::Read(text, mode);
    EXPECT_TRUE(read.Problems.empty()) << read.Problems.front().Text();
    return read.List;
}
} // namespace

TEST(SetList, EachLineIsASongOrKeptAndEveryBadLineIsNamedWithItsNumber) {
    const std::string huge = "Huge = B001 ; " + std::string(1011, 'x'); // 1025 bytes
    const std::string longest = "Long = B002 ; " + std::string(1010, 'x');
    const struct {
        const char* Name;
        std::string Text;
        std::vector<std::string> Read; // the songs, then the problems
        const TDeviceMode& Mode = kPlenova;
    } cases[] = {
        {"slots, files, notes, comments and blank lines",
         "# Friday\n\nIntro = B017 ; key of E\nOutro = sets/Slap Funk.tmq042\n"
         "Jam = /abs/jam.TMQ\n\t# indented comment\nLast = A200",
         {"Intro | B017 | key of E", "Outro | sets/Slap Funk.tmq042 | ", "Jam | /abs/jam.TMQ | ",
          "Last | A200 | "}},
        {"written loosely",
         "Verse=b7\n  Chorus   =   C010   ;   loud  \nQuiet = D001 ;\nTabs\t=\tA005\t;\tsoft",
         {"Verse | B007 | ", "Chorus | C010 | loud", "Quiet | D001 | ", "Tabs | A005 | soft"}},
        {"' = ' and ' ; ' inside titles and notes",
         "E = mc2 = B001 ; key: A ; 90 bpm ; count in\nA=B = C003\nx ;y = B004",
         {"E = mc2 | B001 | key: A ; 90 bpm ; count in", "A=B | C003 | ", "x ;y | B004 | "}},
        {"CRLF and a byte order mark",
         "\xEF\xBB\xBF"
         "Intro = B017 ; key of E\r\n# cue\r\nOutro = A001\r\n",
         {"Intro | B017 | key of E", "Outro | A001 | "}},
        {"lines that are no song",
         "Good = A001\nJust a title\n = B017\nNo preset = \nBad bank = E017\nNo bank = 017\n"
         "Zero = B000\nHigh = B201\nNeither = my preset\nOnly ext = .tmq\nBad = B12x\n",
         {"Good | A001 | ", "line 2: no \"=\" between the title and the preset",
          "line 3: no title before \" = \"", "line 4: no preset after \" = \"",
          "line 5: no bank E: banks are A to D", "line 6: 017: a slot needs its bank, as in B017",
          "line 7: B000 is not a slot: 001 to 200", "line 8: B201 is not a slot: 001 to 200",
          "line 9: \"my preset\" is neither a slot (as in B017) nor a preset file (.tmq)",
          "line 10: \".tmq\" is neither a slot (as in B017) nor a preset file (.tmq)",
          "line 11: \"B12x\" is neither a slot (as in B017) nor a preset file (.tmq)"}},
        {"bytes that are no UTF-8 text, control characters, huge lines",
         "Caf\xE9 = B001\nOverlong \xC0\xAF = B002\nSurrogate \xED\xA0\x80 = B003\n"
         "Bell\x07 = B004\nCR\rinside = B005\n" +
             huge + "\n" + longest + "\nCaf\xC3\xA9 = B006\n",
         {"Long | B002 | " + std::string(1010, 'x'), "Caf\xC3\xA9 | B006 | ",
          "line 1: not UTF-8 text", "line 2: not UTF-8 text", "line 3: not UTF-8 text",
          "line 4: holds a control character", "line 5: holds a control character",
          "line 6: longer than 1024 bytes"}},
        {"the single-bank unit",
         "One = 001\nTop = 128\nHigh = 129\nLettered = A017\n",
         {"One | 001 | ", "Top | 128 | ", "line 3: 129 is not a slot: 001 to 128",
          "line 4: A017: the unit has one bank; write the slot alone, as in 017"},
         kSingleBank},
        {"nothing at all", "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Shown(TSetList::Read(c.Text, c.Mode), c.Mode), c.Read);
    }
}

TEST(SetList, SavingGivesBackWhatWasReadWithCommentsAndUnreadableLinesInTheirPlaces) {
    const std::string file = "# Friday at the Anchor\n"
                             "\n"
                             "Intro = B017 ; key of E ; 120\n"
                             "# the long one\n"
                             "Jam = jams/long.tmq\n"
                             "Typo = E017\n"
                             "Caf\xE9 = B002\n"
                             "Outro = B018\n"
                             "\n"
                             "# encore if asked\n";
    const TSetListRead read = TSetList::Read(file, kPlenova);
    EXPECT_EQ(read.Problems.size(), 2u);
    EXPECT_EQ(read.List.Text(kPlenova), file);
    EXPECT_EQ(read.List.Unwritable(kPlenova), "");

    // Moving a song takes the comments above it along.
    TSetList moved = read.List;
    std::swap(moved.Songs[0], moved.Songs[1]);
    EXPECT_EQ(moved.Text(kPlenova), "# the long one\n"
                                    "Jam = jams/long.tmq\n"
                                    "# Friday at the Anchor\n"
                                    "\n"
                                    "Intro = B017 ; key of E ; 120\n"
                                    "Typo = E017\n"
                                    "Caf\xE9 = B002\n"
                                    "Outro = B018\n"
                                    "\n"
                                    "# encore if asked\n");

    // Loose writing comes back in the written form: LF, no byte order mark.
    EXPECT_EQ(Songs("\xEF\xBB\xBFVerse=b7   ;  \r\nChorus = C10 ; loud\r\n").Text(kPlenova),
              "Verse = B007\nChorus = C010 ; loud\n");
    EXPECT_EQ(Songs("One = 7\n", kSingleBank).Text(kSingleBank), "One = 007\n");
}

TEST(SetList, ASongThatWouldNotReadBackIsNotWritten) {
    // title, preset, note.
    const auto unwritable = [](const std::string& title, const TSongPreset& preset,
                               const std::string& note = "") {
        TSetList list = Songs("Intro = B017\n");
        list.Songs.push_back({.Title = title, .Preset = preset, .Note = note, .LinesBefore = {}});
        return list.Unwritable(kPlenova);
    };
    const TSongPreset slot{.Bank = 1, .Slot = 17, .Path = {}};
    EXPECT_EQ(unwritable("Fine = really", slot, "a ; b"), "");
    EXPECT_EQ(unwritable("#1 hit", slot),
              "Song 2 \"#1 hit\" cannot be written as a line that reads back the same");
    EXPECT_EQ(unwritable("Here ; there", slot),
              "Song 2 \"Here ; there\" cannot be written as a line that reads back: no \"=\" "
              "between the title and the preset");
    EXPECT_EQ(unwritable(" Padded", slot),
              "Song 2 \" Padded\" cannot be written as a line that reads back the same");
    EXPECT_EQ(unwritable("Two", slot, "line\nbreak"),
              "Song 2 \"Two\" cannot be written as a line that reads back: no \"=\" between the "
              "title and the preset");
    EXPECT_EQ(unwritable("", slot),
              "Song 2 \"\" cannot be written as a line that reads back: no title before \" = \"");
    EXPECT_EQ(unwritable("File", {.Bank = 0, .Slot = 0, .Path = "a = b.tmq"}),
              "Song 2 \"File\" cannot be written as a line that reads back the same");
    EXPECT_EQ(unwritable("Slot", {.Bank = 0, .Slot = 201, .Path = {}}),
              "Song 2 \"Slot\" cannot be written as a line that reads back: A201 is not a slot: "
              "001 to 200");

    TSetList kept = Songs("Intro = B017\n");
    kept.LinesAfter = {"Sneaked in = B001"};
    EXPECT_EQ(kept.Unwritable(kPlenova),
              "The lines kept between the songs would not read back as they are");
}

TEST(SetList, FilesStandFromTheSetListsFolder) {
    const TSongPreset relative{.Bank = 0, .Slot = 0, .Path = "../presets/./Slap.tmq"};
    EXPECT_EQ(relative.PathFrom("/home/b/Set lists"), "/home/b/presets/Slap.tmq");
    const TSongPreset absolute{.Bank = 0, .Slot = 0, .Path = "/srv/Slap.tmq"};
    EXPECT_EQ(absolute.PathFrom("/home/b/Set lists"), "/srv/Slap.tmq");
}

TEST(SetList, TheTableCallsUpTheSongsInOrderAndKeepsTheRestOfItsBase) {
    Tmpt base;
    for (std::size_t i = 0; i < base.MptEntries.size(); ++i)
        base.MptEntries[i] = 199 - static_cast<int>(i);
    base.MptHeader[2] = 5; // the unit's device byte stays

    const TSetListTable built =
        BuildSetListTable(Songs("Intro = C017\nVerse = c3\n# x\nIntro again = C017\n"), base);
    EXPECT_TRUE(built.Refusals.empty());
    EXPECT_EQ(built.Bank, 2);
    EXPECT_EQ(std::vector<int>(built.Table.MptEntries.begin(), built.Table.MptEntries.begin() + 5),
              (std::vector<int>{16, 2, 16, 196, 195}));
    EXPECT_EQ(built.Table.MptEntries[199], 0);
    EXPECT_EQ(built.Table.MptHeader[2], 5);

    const TSetListTable single =
        BuildSetListTable(Songs("Top = 128\n", kSingleBank), Tmpt(), kSingleBank);
    EXPECT_TRUE(single.Refusals.empty());
    EXPECT_EQ(single.Table.MptEntries[0], 127);
    EXPECT_EQ(single.Table.MptEntries[1], 1);

    const auto refusals = [](const std::string& text, const TDeviceMode& mode) {
        return BuildSetListTable(Songs(text, mode), Tmpt(), mode).Refusals;
    };
    std::string many;
    for (int i = 0; i < 201; ++i)
        many += "Song = A001\n";
    EXPECT_EQ(refusals("", kPlenova), std::vector<std::string>{"The set list has no songs"});
    EXPECT_EQ(refusals(many, kPlenova),
              std::vector<std::string>{"The set list has 201 songs; a program table has 200 "
                                       "programs"});
    std::string many129;
    for (int i = 0; i < 129; ++i)
        many129 += "Song = 001\n";
    EXPECT_EQ(refusals(many129, kSingleBank),
              std::vector<std::string>{"The set list has 129 songs; a program table has 128 "
                                       "programs"});
    EXPECT_EQ(
        refusals("Intro = A001\nJam = jam.tmq\nVerse = B002\nOutro = A003\nEnd = C004\n", kPlenova),
        (std::vector<std::string>{
            "Song 2 \"Jam\" is a preset file (jam.tmq), not a slot of the unit",
            "The songs' presets are not in one bank: A: 1 \"Intro\", 4 \"Outro\"; "
            "B: 3 \"Verse\"; C: 5 \"End\""}));
}

TEST(SetList, ProgramNamesAreEscapedForCsvAndMidnam) {
    Tmpt table;
    table.MptEntries[0] = 16;
    table.MptEntries[1] = 17;
    table.MptEntries[2] = 2;
    table.MptEntries[3] = 3;
    table.MptEntries[4] = 4;
    const std::map<int, std::string> titles = {
        {17, "Slap & \"Pop\" <1>"},
        {18, "Fretless, warm"},
        {3, "Caf\xE9\tdub's"},
        {4, " Dirty "},
        {5, "   "},
        {129, "High one"},
    };
    const std::vector<TProgramName> names = ProgramNames(table, titles, kPlenova);
    ASSERT_EQ(names.size(), 200u);
    std::vector<std::string> csv;
    const std::string text = ProgramNamesCsv(names);
    for (std::size_t at = 0, end = 0; at < text.size(); at = end + 2) {
        end = text.find("\r\n", at);
        csv.push_back(text.substr(at, end - at));
    }
    ASSERT_EQ(csv.size(), 201u);
    EXPECT_EQ(std::vector<std::string>(csv.begin(), csv.begin() + 7),
              (std::vector<std::string>{"Program,Preset,Name", "1,17,\"Slap & \"\"Pop\"\" <1>\"",
                                        "2,18,\"Fretless, warm\"", "3,3,Caf\xEF\xBF\xBD dub's",
                                        "4,4,Dirty", "5,5,Preset 005", "6,6,Preset 006"}));
    EXPECT_EQ(csv[129], "129,129,High one");
    EXPECT_EQ(csv[200], "200,200,Preset 200");

    const std::string midnam = ProgramNamesMidnam(names);
    EXPECT_TRUE(midnam.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE "
                                   "MIDINameDocument PUBLIC"));
    for (const char* line :
         {"      <PatchBank Name=\"Programs 1-128\">\n"
          "        <MIDICommands>\n"
          "          <ControlChange Control=\"0\" Value=\"0\"/>\n"
          "          <ControlChange Control=\"32\" Value=\"0\"/>\n"
          "        </MIDICommands>\n"
          "        <PatchNameList Name=\"Programs 1-128\">\n"
          "          <Patch Number=\"1\" Name=\"Slap &amp; &quot;Pop&quot; &lt;1&gt;\" "
          "ProgramChange=\"0\"/>\n",
          "<Patch Number=\"3\" Name=\"Caf\xEF\xBF\xBD dub&apos;s\" ProgramChange=\"2\"/>",
          "<Patch Number=\"128\" Name=\"Preset 128\" ProgramChange=\"127\"/>\n"
          "        </PatchNameList>\n"
          "      </PatchBank>\n"
          "      <PatchBank Name=\"Programs 129-200\">\n",
          "<ControlChange Control=\"32\" Value=\"1\"/>",
          "<Patch Number=\"129\" Name=\"High one\" ProgramChange=\"0\"/>",
          "<Patch Number=\"200\" Name=\"Preset 200\" ProgramChange=\"71\"/>",
          "<ChannelNameSetAssign Channel=\"16\" NameSet=\"Program table\"/>"})
        EXPECT_NE(midnam.find(line), std::string::npos) << line;

    const std::string single = ProgramNamesMidnam(ProgramNames(Tmpt(), {}, kSingleBank));
    EXPECT_NE(single.find("<PatchBank Name=\"Programs 1-128\">"), std::string::npos);
    EXPECT_EQ(single.find("Programs 129"), std::string::npos);
}
