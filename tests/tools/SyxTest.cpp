// quellfarn-tool's syx split and syx join: a folder joined into one .syx file and split again
// gives back the same files; a split never overwrites a file and leaves nothing behind when it
// fails; mistakes are usage errors.

#include "ToolRun.h"
#include "model/EffectCatalogue.h"
#include "model/Mpt.h"
#include "model/Preset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
void Write(const fs::path& path, const TBytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}
} // namespace

TEST(ToolSyx, AJoinedFolderSplitsBackIntoTheSameFilesAndASplitNeverOverwrites) {
    const fs::path top =
        fs::temp_directory_path() / ("quellfarn-syx-" + std::to_string(::getpid()));
    fs::remove_all(top);
    fs::create_directories(top / "library");
    const std::map<std::string, TBytes> library = {
        {"001 Slap Funk.tmq", PresetBytes("Slap Funk", 0)},
        {"002 Fretless.tmq", PresetBytes("Fretless", 5)},
        {"003 Program table.mpt", Tmpt().Encode()},
        {"004 Untitled.tmq", PresetBytes("", 0)},
    };
    for (const auto& [name, bytes] : library)
        Write(top / "library" / name, bytes);
    Write(top / "library" / "005 Broken.tmq", TBytes(250, 0x00));

    ToolResult run = RunTool("syx join " + Quoted(top / "library") + " " + Quoted(top / "all.syx"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "Skipped " + (top / "library" / "005 Broken.tmq").string() +
                              ": 250 bytes, not a preset dump (258) or a program table (406)\n"
                              "Joined 3 presets and 1 program table into " +
                              (top / "all.syx").string() + "\n");

    // A note between the messages is named and does not fail the split.
    std::ifstream joined(top / "all.syx", std::ios::binary);
    TBytes mixed(std::istreambuf_iterator<char>(joined), {});
    mixed.insert(mixed.end(), {0x90, 0x3C, 0x64});
    Write(top / "mixed.syx", mixed);
    run = RunTool("syx split " + Quoted(top / "mixed.syx") + " " + Quoted(top / "split"));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "3 bytes at offset 1180 (90 3C 64): not a SysEx message\n"
                          "3 presets, 1 program table, 1 skipped\n");
    EXPECT_EQ(FilesIn(top / "split"), library) << "names, order, device bytes and all";

    // A name already taken stops the split before any file is written.
    fs::create_directories(top / "taken");
    Write(top / "taken" / "003 Program table.mpt", {0x01});
    run = RunTool("syx split " + Quoted(top / "all.syx") + " " + Quoted(top / "taken"));
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, testing::HasSubstr("003 Program table.mpt already exists"));
    EXPECT_EQ(FilesIn(top / "taken"),
              (std::map<std::string, TBytes>{{"003 Program table.mpt", {1}}}));

    // Files may not grow past 300 bytes: the two presets are written, the table is not, and the
    // split takes back what it wrote. (A write that fails must not pass for one that worked.)
    run = RunTool("syx split " + Quoted(top / "all.syx") + " " + Quoted(top / "full"),
                  "trap '' XFSZ; prlimit --fsize=300:300");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, testing::HasSubstr("003 Program table.mpt: "));
    EXPECT_FALSE(fs::exists(top / "full"));

    const std::string file = Quoted(top / "all.syx");
    for (const std::string& arguments :
         {std::string("syx"), "syx split " + file, "syx join " + Quoted(top / "library"),
          "syx split " + file + " a b", "syx join --loud " + file + " x"}) {
        run = RunTool(arguments);
        EXPECT_EQ(run.Status, 2) << arguments;
        EXPECT_THAT(run.Errors, testing::HasSubstr("\nusage:")) << arguments;
    }
    fs::remove_all(top);
}
