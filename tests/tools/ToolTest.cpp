// quellfarn-tool as its users run it: files in, text and exit status out.

#include "ToolRun.h"
#include "model/EffectCatalogue.h"
#include "model/Mpt.h"
#include "model/Preset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {
class ToolTest : public ToolFolderTest {
protected:
    std::string Write(const std::string& name, const TBytes& bytes) {
        const fs::path path = folder / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return Quoted(path);
    }
};

} // namespace

TEST_F(ToolTest, NewPresetIsWhatTheEditorCreates) {
    const ToolResult run =
        RunTool("preset new -o '" + (folder / "new.tmq").string() + "' --device-id 7");
    EXPECT_EQ(run.Status, 0) << run.Output;
    DeviceId = 7;
    TPreset expected;
    DetermineDigitalGroup(expected, {});
    DeviceId = 0;
    EXPECT_EQ(FilesIn(folder)["new.tmq"], expected.Encode());
    EXPECT_FALSE(fs::exists(folder / "new.tmq.part"));
}

TEST_F(ToolTest, ShowListsTheChainWithValueTextsAssignmentsAndSwitches) {
    TPreset preset;
    preset.Title = "Fat Fretless";
    preset.SetAnalogOn(1, true); // compressor
    DetermineDigitalGroup(preset, {"Reverb 1", "Low Pass"});
    preset.PerfInUse[0] = true;
    preset.PerfMIDI[0]->Parameter = 11; // compressor output
    preset.PerfMIDI[0]->HighValue = 50;
    preset.K27States[7] = true;
    const std::string file = Write("fat.tmq", preset.Encode());

    const ToolResult run = RunTool("preset show " + file);
    EXPECT_EQ(run.Status, 0);
    EXPECT_THAT(run.Output, HasSubstr("Title:          Fat Fretless"));
    EXPECT_THAT(run.Output,
                HasSubstr("Digital group:  12 (Low Pass, Regen DDL L, Reverb 1, Flanger, Panner)"));
    EXPECT_THAT(run.Output, HasSubstr("Analog chain:   Compressor\n"));
    EXPECT_THAT(run.Output, HasSubstr("Digital chain:  Low Pass, Reverb 1\n"));
    EXPECT_THAT(run.Output, HasSubstr("  drive              78%\n"));
    EXPECT_THAT(run.Output, HasSubstr("  output             94%\n"));
    EXPECT_THAT(run.Output, HasSubstr("  frequency          THRU\n"));
    EXPECT_THAT(run.Output, HasSubstr("  type               Hall-1\n"));
    EXPECT_THAT(
        run.Output,
        HasSubstr(
            "Controller #1: controller 4 (Foot controller) -> Compressor output, low 0, high 50"));
    EXPECT_THAT(run.Output, HasSubstr("  Compressor           on\n"));
    EXPECT_THAT(run.Output, testing::Not(HasSubstr("Flanger\n  type")));

    const ToolResult json = RunTool("preset show --json " + file);
    EXPECT_EQ(json.Status, 0);
    EXPECT_THAT(json.Output, HasSubstr("\"title\": \"Fat Fretless\""));
    EXPECT_THAT(json.Output, HasSubstr("{\"name\": \"drive\", \"value\": 24, \"text\": \"78%\"}"));
    EXPECT_THAT(json.Output, HasSubstr("\"Compressor\": true"));
}

TEST_F(ToolTest, AnInvalidDigitalGroupIsReportedAndTheRestShown) {
    TBytes bytes = PresetBytes("Broken");
    bytes[13] = 60; // group 60 does not exist
    const ToolResult run = RunTool("preset show " + Write("broken.tmq", bytes));
    EXPECT_EQ(run.Status, 0);
    EXPECT_THAT(run.Output,
                HasSubstr("Digital effect configuration is invalid and will be ignored."));
    EXPECT_THAT(run.Output, HasSubstr("Title:          Broken"));
}

TEST_F(ToolTest, BadFilesGiveTheirMessageAndStatusOne) {
    const auto changed = [](TBytes bytes, std::size_t at, std::uint8_t byte) {
        if (at < bytes.size())
            bytes[at] = byte;
        else
            bytes.pop_back(); // a byte short
        return bytes;
    };
    const std::tuple<const char*, const char*, TBytes, const char*> cases[] = {
        {"preset show", "short.tmq", changed(PresetBytes("x"), 999, 0),
         "Not a valid preset file\n"},
        {"mpt show", "damaged.mpt", changed(Tmpt().Encode(), 405, 0x00), "Not a valid MPT file"},
        {"mpt show", "preset.mpt", PresetBytes("x"), "Not a valid MPT file"},
    };
    for (const auto& [command, name, bytes, message] : cases) {
        const ToolResult run = RunTool(std::string(command) + " " + Write(name, bytes));
        EXPECT_EQ(run.Status, 1) << name;
        EXPECT_THAT(run.Errors, testing::StartsWith(message)) << name;
        EXPECT_EQ(std::count(run.Errors.begin(), run.Errors.end(), '\n'), 1) << "no more: " << name;
        EXPECT_EQ(run.Output, "") << name;
    }
    EXPECT_EQ(RunTool("preset show '" + (folder / "missing.tmq").string() + "'").Status, 1);
    EXPECT_EQ(RunTool("list '" + (folder / "nowhere").string() + "'").Status, 1);
}

#if defined(__SANITIZE_ADDRESS__)
const std::string kMemoryLimit;
#else
const std::string kMemoryLimit = "ulimit -v 2000000; ";
#endif

// A link to a device, a pipe with no writer and a file of gigabytes are each refused by name
// without being read: before, the first grew without end, the second never returned.
TEST_F(ToolTest, FilesThatAreNoPlainFilesOrTooLargeAreRefusedUnread) {
    const std::string other = Write("other.tmq", PresetBytes("Other"));
    const struct {
        const char* Command; // the file goes where FILE stands
        const char* Extension;
        const char* Largest;
    } commands[] = {
        {"preset show FILE", ".tmq", "16512"},
        {"mpt show FILE", ".mpt", "25984"},
        {"preset diff FILE OTHER", ".tmq", "16512"},
        {"syx split FILE DIR", ".syx", "16777216"},
    };
    const struct {
        const char* Kind;
        void (*Make)(const fs::path& path);
        const char* Said; // after the file's path
        bool Sized;       // followed by the largest size and ")"
    } kinds[] = {
        {"a link to /dev/zero", [](const fs::path& path) { fs::create_symlink("/dev/zero", path); },
         " is not a plain file", false},
        {"a pipe", [](const fs::path& path) { ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0); },
         " is not a plain file", false},
        {"three gigabytes",
         [](const fs::path& path) {
             std::ofstream{path};
             fs::resize_file(path, 3ULL << 30);
         },
         " is too large (3221225472 bytes; at most ", true},
    };
    // A name of Latin-1 bytes is no text under UTF-8 and is read by its bytes: the same limits.
    for (const std::string stem : {"x", "caf\xE9"})
        for (const auto& kind : kinds)
            for (const auto& command : commands) {
                const fs::path file = folder / (stem + command.Extension);
                fs::remove(file);
                kind.Make(file);
                std::string arguments = command.Command;
                arguments.replace(arguments.find("FILE"), 4, Quoted(file));
                if (const std::size_t at = arguments.find("OTHER"); at != std::string::npos)
                    arguments.replace(at, 5, other);
                if (const std::size_t at = arguments.find("DIR"); at != std::string::npos)
                    arguments.replace(at, 3, Quoted(folder / "split"));
                // What reads on without end meets the limits and is stopped, and fails the test.
                // The address sanitizer reserves terabytes of shadow memory: no memory limit
                // there, its own report of a runaway allocation stops such a read instead.
                const ToolResult run = RunTool(arguments, kMemoryLimit + "timeout 20");
                const std::string said = file.string() + kind.Said +
                                         (kind.Sized ? command.Largest + std::string(")") : "");
                const std::string where = stem + ": " + kind.Kind + ", " + command.Command;
                EXPECT_EQ(run.Status, 1) << where;
                EXPECT_EQ(run.Errors, said + "\n") << where;
                EXPECT_FALSE(fs::exists(folder / "split")) << where;
            }
}

TEST_F(ToolTest, ProgramTablesInBothModes) {
    const std::string plenova = (folder / "table.mpt").string();
    EXPECT_EQ(RunTool("mpt new -o '" + plenova + "' --device-id 15").Status, 0);
    EXPECT_EQ(fs::file_size(plenova), 406u);
    ToolResult run = RunTool("mpt show '" + plenova + "'");
    EXPECT_EQ(run.Status, 0) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Device byte: 15"));
    EXPECT_THAT(run.Output, HasSubstr("191-200: 191 192 193 194 195 196 197 198 199 200"));
    EXPECT_EQ(RunTool("mpt show --pre-plenova '" + plenova + "'").Status, 1)
        << "406 bytes are not a 128-entry table";

    const std::string old = (folder / "old.mpt").string();
    EXPECT_EQ(RunTool("mpt new --pre-plenova -o '" + old + "'").Status, 0);
    EXPECT_EQ(fs::file_size(old), 262u);
    run = RunTool("mpt show --pre-plenova '" + old + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_THAT(run.Output, HasSubstr("121-128: 121 122 123 124 125 126 127 128\n"));
}

TEST_F(ToolTest, ListShowsTheBackupFoldersPresetsByBankAndNumber) {
    Write("Bank A/Slap-Pop.tmq002", PresetBytes("Slap/Pop"));
    Write("Bank A/Dub.tmq001", PresetBytes("Dub"));
    Write("Bank A/Dub.tmq017", PresetBytes("Dub"));
    Write("Bank C/Q  .tmq200", PresetBytes("Q: ?"));
    Write("Bank C/notes.txt", {'h', 'i'});
    Write("Bank C/Damaged.tmq005", {0xF0, 0x1A});
    const ToolResult run = RunTool("list '" + folder.string() + "'");
    EXPECT_EQ(run.Status, 0);
    EXPECT_EQ(run.Output, "A    1  Dub\n"
                          "A    2  Slap/Pop\n"
                          "A   17  Dub\n"
                          "C    5  (Not a valid preset file: Damaged.tmq005)\n"
                          "C  200  Q: ?\n");
}

// preset diff: nothing and status 0 for the same preset under another device byte, the lines and
// status 1 for two that differ, as JSON too; a slot of the unit read for one side.
TEST_F(ToolTest, DiffSaysWhatDiffersAndExitsByIt) {
    TBytes other = PresetBytes("Fretless Lead 1");
    const std::string a = Write("a.tmq", PresetBytes("Slap Funk"));
    other[2] = 5;
    const std::string b = Write("b.tmq", other);
    other = PresetBytes("Slap Funk");
    other[2] = 5;
    const std::string same = Write("same.tmq", other);

    const ToolResult nothing = RunTool("preset diff " + a + " " + same);
    EXPECT_EQ(nothing.Status, 0) << nothing.Errors;
    EXPECT_EQ(nothing.Output, "");
    const ToolResult lines = RunTool("preset diff " + a + " " + b);
    EXPECT_EQ(lines.Status, 1);
    EXPECT_EQ(lines.Output, "Title: Slap Funk \u2192 Fretless Lead 1\n");
    const ToolResult json = RunTool("preset diff " + a + " " + b + " --json");
    EXPECT_EQ(json.Status, 1);
    EXPECT_THAT(json.Output, HasSubstr("\"text\": \"Title: Slap Funk \u2192 Fretless Lead 1\""));
    const ToolResult unit =
        RunTool("preset diff " + a + " unit:B017 --delay 5", "XDG_DATA_HOME=" + Quoted(folder));
    EXPECT_EQ(unit.Status, 1) << unit.Errors;
    EXPECT_THAT(unit.Output, HasSubstr("Title: Slap Funk \u2192 "));
}
