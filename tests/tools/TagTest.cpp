// quellfarn-tool's tag and duplicates: tags, ratings and notes of files and slots changed and
// found again by the search, the presets kept twice in folders and the unit, and their exit
// statuses.

#include "ToolRun.h"
#include "model/EffectCatalogue.h"
#include "store/UnitMemory.h"

#include <QDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {
void WritePreset(const fs::path& path, const TBytes& dump) {
    std::ofstream(path, std::ios::binary) << std::string(dump.begin(), dump.end());
}

// A compressor preset, its drive (32 positions, a step of one) moved by `by`.
TBytes Compressed(const std::string& title, int by = 0) {
    TPreset preset;
    preset.AnalogOn[1] = true;
    DetermineDigitalGroup(preset, {});
    preset.Title = title;
    preset.ParameterValues[6] = 10 + by;
    return preset.Encode();
}
} // namespace

class TagToolTest : public ToolFolderTest {
protected:
    void SetUp() override {
        ToolFolderTest::SetUp();
        QDir(ProgramDataFolder()).removeRecursively();
    }
};

TEST_F(TagToolTest, TagsFollowTheContentOfFilesAndSlotsAndTheSearchFindsThem) {
    WritePreset(folder / "a.tmq", PresetBytes("Hymn"));
    WritePreset(folder / "b.tmq", PresetBytes("Hymn (copy)", 5));
    ToolResult tagged = RunTool("tag " + Quoted(folder / "a.tmq") +
                                " +live +church --rating 2 --note 'for the church gig'");
    EXPECT_EQ(tagged.Status, 0) << tagged.Errors;
    EXPECT_THAT(tagged.Output,
                HasSubstr("tags: live, church  rating: 2  note: for the church gig"));
    // The same preset under another title and device byte: the same notes; "-church" is a tag
    // taken away, not options.
    tagged = RunTool("tag " + Quoted(folder / "b.tmq") + " -church");
    EXPECT_EQ(tagged.Status, 0) << tagged.Errors;
    EXPECT_THAT(tagged.Output, HasSubstr("tags: live  rating: 2"));
    ToolResult found = RunTool("search 'tag:live rating>=2 note:church' " + Quoted(folder));
    EXPECT_EQ(found.Status, 0) << found.Errors;
    EXPECT_THAT(found.Output, HasSubstr("a.tmq"));
    EXPECT_THAT(found.Output, HasSubstr("b.tmq"));
    EXPECT_EQ(RunTool("search tag:church " + Quoted(folder)).Status, 1);

    // A slot of the unit as last read; one never read is refused.
    TUnitMemory memory(TUnitMemory::FolderFor("Gig Port", 0));
    ASSERT_EQ(memory.Saw(1, 17, PresetBytes("Slap"), TSeenHow::Read), "");
    tagged = RunTool("tag B017 +live");
    EXPECT_EQ(tagged.Status, 0) << tagged.Errors;
    EXPECT_THAT(tagged.Output, HasSubstr("B 017 \"Slap\"  tags: live"));
    found = RunTool("library --search tag:live");
    EXPECT_EQ(found.Status, 0) << found.Errors;
    EXPECT_THAT(found.Output, HasSubstr("B 017"));
    const ToolResult never = RunTool("tag unit:B018 +live");
    EXPECT_EQ(never.Status, 1);
    EXPECT_THAT(never.Errors, HasSubstr("B 018 has never been read"));
}

TEST_F(TagToolTest, TagSaysWhatItCannotTake) {
    WritePreset(folder / "a.tmq", PresetBytes("Plain"));
    std::ofstream(folder / "text.tmq") << "not a preset";
    EXPECT_EQ(RunTool("tag").Status, 2);
    EXPECT_EQ(RunTool("tag " + Quoted(folder / "a.tmq") + " " + Quoted(folder / "a.tmq")).Status,
              2);
    const ToolResult stars = RunTool("tag " + Quoted(folder / "a.tmq") + " --rating 4");
    EXPECT_EQ(stars.Status, 2);
    EXPECT_THAT(stars.Errors, HasSubstr("--rating takes a number from 0 to 3"));
    const ToolResult text = RunTool("tag " + Quoted(folder / "text.tmq") + " +live");
    EXPECT_EQ(text.Status, 1);
    EXPECT_THAT(text.Errors, HasSubstr("is not a preset file"));
    EXPECT_EQ(RunTool("tag " + Quoted(folder / "missing.tmq") + " +live").Status, 1);
    // Nothing to change and nothing noted yet.
    EXPECT_EQ(RunTool("tag " + Quoted(folder / "a.tmq")).Status, 1);
}

TEST_F(TagToolTest, DuplicatesListsCopiesAndNearCopiesAcrossFoldersAndTheUnit) {
    fs::create_directories(folder / "one");
    fs::create_directories(folder / "two");
    WritePreset(folder / "one" / "a.tmq", Compressed("Punch"));
    WritePreset(folder / "two" / "b.tmq", Compressed("Punch again"));
    WritePreset(folder / "two" / "c.tmq", Compressed("Punch nudged", 1));
    WritePreset(folder / "two" / "d.tmq", Compressed("Punch pushed", 3));
    TUnitMemory memory(TUnitMemory::FolderFor("Gig Port", 0));
    ASSERT_EQ(memory.Saw(2, 5, Compressed("On the unit"), TSeenHow::Read), "");

    const ToolResult result =
        RunTool("duplicates unit " + Quoted(folder / "one") + " " + Quoted(folder / "two"));
    EXPECT_EQ(result.Status, 0) << result.Errors;
    EXPECT_THAT(result.Output, HasSubstr("The same but for the title: 1 group\n  3 presets:\n"
                                         "    unit C 005 \"On the unit\"\n"));
    EXPECT_THAT(result.Output, HasSubstr("b.tmq \"Punch again\"\nWithin"));
    EXPECT_THAT(result.Output,
                HasSubstr("Within a small step of one parameter: 1 group\n  4 presets "
                          "(Compressor \u00b7 drive):\n"));
    EXPECT_THAT(result.Output, HasSubstr("c.tmq \"Punch nudged\""));
    EXPECT_THAT(result.Output, testing::Not(HasSubstr("d.tmq")));

    EXPECT_EQ(RunTool("duplicates " + Quoted(folder / "one")).Status, 1);
    EXPECT_EQ(RunTool("duplicates").Status, 2);
    EXPECT_EQ(RunTool("duplicates " + Quoted(folder / "nowhere")).Status, 1);
}
