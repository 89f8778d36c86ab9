// quellfarn-tool's setlist show, setlist table and names: what they print and write, the lines
// and songs they name, and their exit statuses.

#include "ToolRun.h"
#include "model/EffectCatalogue.h"
#include "model/Mpt.h"
#include "model/Preset.h"
#include "sim/SimulatedProcessor.h"
#include "store/UnitMemory.h"
#include "store/WritePlan.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <tuple>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {
void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

class SetListToolTest : public ToolFolderTest {};

TEST_F(SetListToolTest, ShowListsTheSongsAndNamesTheLinesThatAreNone) {
    Write(folder / "gig.txt", "# Friday\r\nIntro = B017 ; key of E ; 120\r\nVerse=b18\r\n"
                              "Jam = jams/long.tmq\r\n");
    ToolResult run = RunTool("setlist show " + Quoted(folder / "gig.txt"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "Program  Bank  Slot  Song\n"
                          "      -  B     017   Intro ; key of E ; 120\n"
                          "      -  B     018   Verse\n"
                          "      -  -     file  Jam (" +
                              (folder / "jams/long.tmq").string() +
                              ")\n"
                              "No program table: Song 3 \"Jam\" is a preset file "
                              "(jams/long.tmq), not a slot of the unit\n");

    Write(folder / "bad.txt", "Intro = B017\nTypo = E017\nOutro = B018\nHigh = B201\n");
    run = RunTool("setlist show " + Quoted(folder / "bad.txt"));
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Output, "Program  Bank  Slot  Song\n"
                          "      1  B     017   Intro\n"
                          "      2  B     018   Outro\n");
    const std::string bad = (folder / "bad.txt").string();
    EXPECT_EQ(run.Errors, bad + ": line 2: no bank E: banks are A to D\n" + bad +
                              ": line 4: B201 is not a slot: 001 to 200\n");

    Write(folder / "old.txt", "Intro = 128\n");
    run = RunTool("setlist show --pre-plenova " + Quoted(folder / "old.txt"));
    EXPECT_EQ(run.Output, "Program  Bank  Slot  Song\n"
                          "      1  -     128   Intro\n");
    EXPECT_EQ(RunTool("setlist show " + Quoted(folder / "none.txt")).Status, 1);
}

TEST_F(SetListToolTest, TableIsWrittenOnlyWhenTheSongsMakeOne) {
    Tmpt base;
    base.MptEntries[2] = 99;
    base.MptHeader[2] = 4;
    const TBytes baseBytes = base.Encode();
    Write(folder / "base.mpt", std::string(baseBytes.begin(), baseBytes.end()));
    Write(folder / "gig.txt", "Intro = C017\n# cue\nOutro = C005 ; fade\n");
    const fs::path out = folder / "gig.mpt";
    ToolResult run = RunTool("setlist table " + Quoted(folder / "gig.txt") + " " + Quoted(out) +
                             " --base " + Quoted(folder / "base.mpt"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "Program changes 1 to 2 call up the songs in bank C; written to " +
                              out.string() + "\n");
    Tmpt table;
    const std::string written = Read(out);
    table.Decode(TBytes(written.begin(), written.end()));
    EXPECT_EQ(std::vector<int>(table.MptEntries.begin(), table.MptEntries.begin() + 4),
              (std::vector<int>{16, 4, 99, 3}));
    EXPECT_EQ(table.MptHeader[2], 4);

    // Refused: the table already there stays as it is.
    const struct {
        std::string SetList;
        std::string Errors;
    } refused[] = {
        {"Intro = C017\nOutro = A005\n", "The songs' presets are not in one bank: A: 2 \"Outro\"; "
                                         "C: 1 \"Intro\"\nNothing written\n"},
        {"Intro = C017\nTypo = C\n", "gig.txt: line 2: \"C\" is neither a slot (as in B017) nor a "
                                     "preset file (.tmq)\nNothing written: the set list has lines "
                                     "that are no song\n"},
        {"# nothing yet\n", "The set list has no songs\nNothing written\n"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.SetList);
        Write(folder / "gig.txt", c.SetList);
        run = RunTool("setlist table gig.txt gig.mpt", "cd " + Quoted(folder) + " &&");
        EXPECT_EQ(run.Status, 1);
        EXPECT_EQ(run.Errors, c.Errors);
        EXPECT_EQ(Read(out), written);
    }
    Write(folder / "short.mpt", "\xF0\x1A");
    run = RunTool("setlist table gig.txt x.mpt --base short.mpt", "cd " + Quoted(folder) + " &&");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Errors, "Not a valid MPT file: short.mpt (406 bytes of a program table "
                          "expected)\n");
    EXPECT_EQ(RunTool("setlist table gig.txt").Status, 2);
    EXPECT_FALSE(fs::exists(folder / "x.mpt"));
}

TEST_F(SetListToolTest, NamesTellEachProgramThePresetTitleAsTheUnitWasLastRead) {
    TUnitMemory memory(TUnitMemory::FolderFor("Names Port", 0));
    ASSERT_EQ(memory.Saw(1, 17, PresetBytes("Slap & \"Pop\""), TSeenHow::Read), "");
    ASSERT_EQ(memory.Saw(1, 2, PresetBytes("Dub, slow"), TSeenHow::Read), "");
    ASSERT_EQ(memory.Saw(0, 1, PresetBytes("Bank A one"), TSeenHow::Read), "");
    Tmpt table;
    table.MptEntries[0] = 16;
    const TBytes bytes = table.Encode();
    Write(folder / "unit.mpt", std::string(bytes.begin(), bytes.end()));
    const std::string names =
        "names --out 'Names Port' --bank B --table " + Quoted(folder / "unit.mpt");

    ToolResult run = RunTool(names + " --csv " + Quoted(folder / "names.csv"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "200 programs named in " + (folder / "names.csv").string() + "\n");
    EXPECT_THAT(Read(folder / "names.csv"), testing::StartsWith("Program,Preset,Name\r\n"
                                                                "1,17,\"Slap & \"\"Pop\"\"\"\r\n"
                                                                "2,2,\"Dub, slow\"\r\n"
                                                                "3,3,Preset 003\r\n"));

    run = RunTool(names + " --midnam " + Quoted(folder / "names.midnam"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    QFile file(QString::fromStdString((folder / "names.midnam").string()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList patches;
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Patch")
            patches << xml.attributes().value("Name").toString();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    ASSERT_EQ(patches.size(), 200);
    EXPECT_EQ(patches.mid(0, 3), QStringList({"Slap & \"Pop\"", "Dub, slow", "Preset 003"}));

    // A set list's table: its songs' programs named as the songs, the rest as the table has them.
    Write(folder / "gig.txt", "Opener = B002\nClosing, loud = B017 ; in E\n");
    const std::string setList = "names --out 'Names Port' --table " + Quoted(folder / "unit.mpt") +
                                " --setlist " + Quoted(folder / "gig.txt");
    run = RunTool(setList + " --csv " + Quoted(folder / "gig.csv"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_THAT(Read(folder / "gig.csv"), testing::StartsWith("Program,Preset,Name\r\n"
                                                              "1,2,Opener\r\n"
                                                              "2,17,\"Closing, loud\"\r\n"
                                                              "3,3,Preset 003\r\n"));
    Write(folder / "spread.txt", "Opener = B002\nOther bank = A001\n");

    const struct {
        std::string Arguments;
        int Status;
        std::string Errors;
    } mistakes[] = {
        {names + " --csv --midnam x", 2, "quellfarn-tool: names needs one of --csv and --midnam"},
        {setList + " --bank B --csv x", 2, "no --bank with --setlist"},
        {"names --out 'Names Port' --setlist spread.txt --csv x", 1, "Nothing written"},
        {names + " x", 2, "quellfarn-tool: names needs one of --csv and --midnam"},
        {names + " --csv", 2, "quellfarn-tool: names needs one OUT file"},
        {"names --out 'No Such Port' --csv x", 1, "No unit of that name is remembered"},
        {"names --out 'Names Port' --table x.tmq --csv x", 1, "Cannot open x.tmq: no such file"},
    };
    for (const auto& c : mistakes) {
        SCOPED_TRACE(c.Arguments);
        run = RunTool(c.Arguments, "cd " + Quoted(folder) + " &&");
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_THAT(run.Errors, HasSubstr(c.Errors));
    }
    EXPECT_FALSE(fs::exists(folder / "x"));
}

// setlist place against the unit inside the tool: the plan across the end of a bank with the
// songs already in place left out, what it refuses before anything is sent, and a real place
// that reads the songs' slots first.
TEST_F(SetListToolTest, PlacePutsTheSongsInConsecutiveSlotsLeavingThoseInPlace) {
    QDir(ProgramDataFolder()).removeRecursively();
    {
        TUnitMemory memory(TUnitMemory::FolderFor(kSimulatedDeviceName, 0));
        ASSERT_EQ(memory.Saw(1, 17, PresetBytes("Slap"), TSeenHow::Read), "");
        ASSERT_EQ(memory.Saw(0, 200, PresetBytes("Old"), TSeenHow::Read), "");
        ASSERT_EQ(memory.Saw(1, 2, PresetBytes("Slap"), TSeenHow::Read), "");
    }
    const TBytes jam = PresetBytes("Jam");
    Write(folder / "jam.tmq", std::string(jam.begin(), jam.end()));
    Write(folder / "gig.tmq", "not a preset");
    Write(folder / "gig.txt", "Intro = B017\nJam = jam.tmq\nBallad = B001 ; its own slot\n"
                              "Outro = B017 ; B002 holds it\nEncore = jam.tmq\n");
    const std::string place = "setlist place " + Quoted(folder / "gig.txt") + " --delay 5";

    ToolResult run = RunTool(place + " --from a199 --dry-run");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "A 199: (not read yet) \u2192 Slap\nA 200: Old \u2192 Jam\n"
                          "B 003: (not read yet) \u2192 Jam\nDry run: would write 3 slots, each "
                          "kept first; nothing was sent to the unit\n");

    const struct {
        std::string SetList;
        std::string From;
        int Status;
        std::string Errors;
    } refused[] = {
        {"", "D199", 2, "3 of the 5 songs do not fit from D 199: the unit's last slot is D 200"},
        {"", "E001", 2, "\"E001\" is not a slot"},
        {"Lost = C005\nFound = B017\nGone = D001\n", "A001", 1,
         "\"Lost\" (C 005), \"Gone\" (D 001) were never read: fetch them first [F5]; nothing was "
         "sent to the unit"},
        {"Intro = B017\nTypo = B\n", "A001", 1,
         "Nothing was sent: the set list has lines that are no song"},
        {"Intro = missing.tmq\n", "A001", 1, "missing.tmq"},
        {"Intro = gig.tmq\n", "A001", 1,
         "\"Intro\" plays " + (folder / "gig.tmq").string() + ", which is not a preset file"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.SetList + c.From);
        const fs::path list = c.SetList.empty() ? folder / "gig.txt" : folder / "other.txt";
        if (!c.SetList.empty())
            Write(list, c.SetList);
        run = RunTool("setlist place " + Quoted(list) + " --from " + c.From + " --yes");
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_THAT(run.Errors, HasSubstr(c.Errors));
    }
    EXPECT_EQ(RunTool("setlist place " + Quoted(folder / "gig.txt")).Status, 2);
    EXPECT_THAT(RunTool("journal").Output, HasSubstr("is empty"));

    // The unit inside the tool holds other presets than remembered: B017 is read again and its
    // preset is what goes in; B002 no longer holds it and is written too.
    run = RunTool(place + " --from A199 --yes");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    TUnitMemory memory(TUnitMemory::FolderFor(kSimulatedDeviceName, 0));
    memory.Load();
    const TBytes intro = memory.Slot(1, 17)->Now()->Dump;
    EXPECT_NE(PresetTitleOf(intro), "Slap");
    for (const auto& [bank, slot, dump] : {std::tuple{0, 199, intro}, std::tuple{0, 200, jam},
                                           std::tuple{1, 2, intro}, std::tuple{1, 3, jam}}) {
        SCOPED_TRACE(slot);
        EXPECT_TRUE(SameDumpAnyDevice(memory.Slot(bank, slot)->Now()->Dump, dump));
        EXPECT_THAT(run.Output, HasSubstr(SlotPlace(bank, slot, false).toStdString() + ": " +
                                          PresetTitleOf(dump) + " written and verified\n"));
    }
    EXPECT_THAT(run.Output, testing::Not(HasSubstr("B 001")));
    EXPECT_THAT(RunTool("journal").Output,
                HasSubstr("place of set list gig into A 199..B 003: A 199, A 200, B 002, B 003\n"));
}
