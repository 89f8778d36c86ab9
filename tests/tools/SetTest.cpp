// quellfarn-tool's set: one change in many preset files (all or none, previous versions kept) and
// in slots of the built-in unit through a plan; what it says of each preset, and its statuses.

#include "ToolRun.h"
#include "sim/SimulatedProcessor.h"
#include "store/UnitMemory.h"

#include <QDate>
#include <QDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {
void WriteBytes(const fs::path& path, const TBytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

TBytes ReadBytes(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TBytes WithCompressor(const std::string& title) {
    TPreset preset;
    preset.Title = title;
    preset.AnalogOn[1] = true;
    DetermineDigitalGroup(preset, {});
    return preset.Encode();
}
} // namespace

class SetToolTest : public ToolFolderTest {};

TEST_F(SetToolTest, FilesAreRewrittenAllOrNoneWithTheirPreviousVersionsKept) {
    const TBytes slap = WithCompressor("Slap"), clean = PresetBytes("Clean");
    WriteBytes(folder / "slap.tmq", slap);
    WriteBytes(folder / "clean.tmq", clean);
    const std::string files = Quoted(folder / "slap.tmq") + " " + Quoted(folder / "clean.tmq");

    ToolResult run = RunTool("set \"Compressor drive=90%\" " + files + " --dry-run");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, (folder / "slap.tmq").string() +
                              ":\n  Compressor \u00b7 Drive: 78% \u2192 90%\n" +
                              (folder / "clean.tmq").string() +
                              ": left as it is: no Compressor in its chain\nDry run: would "
                              "rewrite 1 file, each one's previous version kept; nothing was "
                              "written\n");
    EXPECT_EQ(ReadBytes(folder / "slap.tmq"), slap);

    run = RunTool("set \"Compressor drive+=50%\" " + files);
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_THAT(run.Output, HasSubstr("Drive: 78% \u2192 100%\n  (kept at 100%, the highest)\n"));
    const fs::path kept =
        folder / ("slap.tmq.before-" + QDate::currentDate().toString(Qt::ISODate).toStdString());
    EXPECT_THAT(run.Output, HasSubstr("Rewrote 1 file; the previous versions are kept as:\n  " +
                                      kept.string() + "\n"));
    EXPECT_EQ(ReadBytes(kept), slap);
    EXPECT_EQ(ReadBytes(folder / "clean.tmq"), clean) << "left as it was, no copy of it";
    EXPECT_FALSE(fs::exists(
        folder / ("clean.tmq.before-" + QDate::currentDate().toString(Qt::ISODate).toStdString())));
    const TBytes changed = ReadBytes(folder / "slap.tmq");
    EXPECT_EQ(RunTool("preset diff " + Quoted(kept) + " " + Quoted(folder / "slap.tmq")).Output,
              "Compressor \u00b7 Drive: 78% \u2192 100%\n");

    // A second change keeps the version before it under a name of its own.
    run = RunTool("set \"mix dry=50%\" " + Quoted(folder / "slap.tmq"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(ReadBytes(fs::path(kept.string() + "-2")), changed);

    // One file that cannot be written: none is.
    const TBytes now = ReadBytes(folder / "slap.tmq");
    fs::create_directory(folder / "locked");
    WriteBytes(folder / "locked" / "a.tmq", WithCompressor("A"));
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    run = RunTool("set \"Compressor drive=50%\" " + Quoted(folder / "slap.tmq") + " " +
                  Quoted(folder / "locked" / "a.tmq"));
    fs::permissions(folder / "locked", fs::perms::owner_all);
    if (::geteuid() != 0) { // root writes anywhere
        EXPECT_EQ(run.Status, 1);
        EXPECT_THAT(run.Errors, HasSubstr("no file was changed"));
        EXPECT_EQ(ReadBytes(folder / "slap.tmq"), now);
        EXPECT_FALSE(fs::exists(fs::path(kept.string() + "-3")));
    }

    const struct {
        std::string Arguments;
        int Status;
        std::string Errors;
    } refused[] = {
        {"set \"Compresor drive=5\" " + files, 2, "no effect called \"compresor\""},
        {"set \"Noise Gate threshold=-50 dB\" " + files, 2,
         "Noise Gate has no parameter called \"threshold\"; it has range"},
        {"set \"Compressor slope+=1\" " + files, 2, "it has no units to change by"},
        {"set \"Compressor drive=5\"", 2, "set needs FILEs or --slots A001-A050"},
        {"set \"Compressor drive=5\" " + files + " --slots A001", 2, "not both"},
        {"set \"Compressor drive=5\" --slots A001-E002", 2, "\"E002\" is not a slot"},
        {"set \"Compressor drive=5\" --slots A010-A002", 2, "ends before it starts"},
        {"set \"Compressor drive=5\" " + Quoted(folder / "missing.tmq"), 1, "missing.tmq"},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.Arguments);
        run = RunTool(c.Arguments);
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_THAT(run.Errors, HasSubstr(c.Errors));
    }
}

TEST_F(SetToolTest, SlotsOfTheBuiltInUnitAreReadAgainAndWrittenAsOneStep) {
    QDir(ProgramDataFolder()).removeRecursively();
    ToolResult run = RunTool("set \"mix analog=65%\" --slots A001-A003 --dry-run");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, HasSubstr("3 slots were never read (A 001, A 002, A 003)"));

    run = RunTool("set \"Compressor drive+=10%\" --slots A001-A004,A002 --yes --delay 5");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    // The factory presets: A 004's compressor is at its top already.
    EXPECT_THAT(run.Output, HasSubstr("A 001 Fretless Lead 1:\n  Compressor \u00b7 Drive: 78% "
                                      "\u2192 87%\n"));
    EXPECT_THAT(run.Output, HasSubstr("A 004 Chorus Bottom 4: left as it is: already 100% (kept "
                                      "at 100%, the highest)\n"));
    EXPECT_THAT(run.Output, HasSubstr("in 3 slots: 3 written, 3 verified, 0 failed\n"));
    TUnitMemory memory(TUnitMemory::FolderFor(kSimulatedDeviceName, 0));
    memory.Load();
    for (int slot = 1; slot <= 4; ++slot)
        EXPECT_EQ(memory.Slot(0, slot)->Versions.size(), slot == 4 ? 1U : 2U) << slot;
    EXPECT_THAT(RunTool("journal").Output,
                HasSubstr("Compressor \u00b7 Drive +10% in 3 slots: A 001, A 002, A 003\n"));
}
