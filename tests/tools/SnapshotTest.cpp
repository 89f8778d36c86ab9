// quellfarn-tool's mark, changes and marks: a snapshot of the remembered unit, what changed since
// in the compare's words, the snapshots listed, and their exit statuses.

#include "ToolRun.h"
#include "model/Mpt.h"
#include "model/Preset.h"
#include "store/UnitMemory.h"

#include <QDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::StartsWith;

namespace {
TBytes Titled(const std::string& title) {
    TPreset preset;
    preset.Title = title;
    return preset.Encode();
}

void WriteTable(const fs::path& path, int program, int preset) {
    Tmpt table;
    table.MptEntries[static_cast<std::size_t>(program - 1)] = preset - 1;
    const TBytes bytes = table.Encode();
    std::ofstream(path, std::ios::binary) << std::string(bytes.begin(), bytes.end());
}
} // namespace

class SnapshotToolTest : public ToolFolderTest {};

TEST_F(SnapshotToolTest, ChangesTellsWhatChangedSinceTheMarkedSnapshot) {
    QDir(ProgramDataFolder()).removeRecursively();
    TUnitMemory memory(TUnitMemory::FolderFor("Gig Port", 0));
    ASSERT_EQ(memory.Saw(0, 1, Titled("One"), TSeenHow::Read), "");
    ASSERT_EQ(memory.Saw(1, 17, Titled("Two"), TSeenHow::Read), "");
    WriteTable(folder / "then.mpt", 3, 17);
    WriteTable(folder / "now.mpt", 3, 99);
    const std::string unit = " --out 'Gig Port'";

    ToolResult run = RunTool("mark gig --table " + Quoted(folder / "then.mpt") + unit);
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_THAT(run.Output, StartsWith("Marked \"gig\" for Gig Port - device 0: 2 slots and the "
                                       "program table, 20"));
    run = RunTool("changes --since gig --table " + Quoted(folder / "then.mpt") + unit);
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_THAT(run.Output, StartsWith("Nothing changed since \"gig\", 20"));

    ASSERT_EQ(memory.Saw(0, 1, Titled("Three"), TSeenHow::Stored), "");
    ASSERT_EQ(memory.Saw(2, 5, Titled("New"), TSeenHow::Read), "");
    run = RunTool("changes --since gig --table " + Quoted(folder / "now.mpt") + unit);
    EXPECT_EQ(run.Status, 1) << run.Errors;
    EXPECT_EQ(run.Output,
              "A 001: One \u2192 Three\n  Title: One \u2192 Three\n"
              "C 005: New, not remembered then\nProgram 3: preset 17 \u2192 preset 99\n");
    run = RunTool("changes --since gig" + unit);
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Errors, "The snapshot has a program table: give --table to tell it too\n");

    ASSERT_EQ(RunTool("mark 'after gig'" + unit).Status, 0);
    run = RunTool("marks" + unit);
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_THAT(run.Output, HasSubstr("  gig (2 slots, program table)\n"));
    EXPECT_THAT(run.Output, HasSubstr("  after gig (3 slots)\n"));
    EXPECT_LT(run.Output.find("  gig ("), run.Output.find("  after gig ("));

    const fs::path snapshots =
        fs::path(TUnitMemory::FolderFor("Gig Port", 0).toStdString()) / "snapshots";
    const struct {
        std::string Arguments;
        int Status;
        std::string Errors;
    } mistakes[] = {
        {"mark gig" + unit, 1,
         "Nothing was marked: a snapshot named \"gig\" is there already: choose another name"},
        {"mark ../gig" + unit, 2, "\"../gig\" cannot name a snapshot"},
        {"mark" + unit, 2, "mark needs one NAME"},
        {"changes" + unit, 2, "changes needs --since NAME"},
        {"changes --since gone" + unit, 2,
         "no snapshot named \"gone\" of Gig Port - device 0 (marks lists them)"},
        {"changes --since gig --out 'No Such Port'", 2, "No unit of that name is remembered"},
        {"changes --since gig --table x.mpt" + unit, 2, "x.mpt"},
    };
    for (const auto& c : mistakes) {
        SCOPED_TRACE(c.Arguments);
        run = RunTool(c.Arguments);
        EXPECT_EQ(run.Status, c.Status);
        EXPECT_THAT(run.Errors, HasSubstr(c.Errors));
    }

    // A damaged snapshot cannot be told against: named, moved aside, and left out of the list.
    std::ofstream(snapshots / "gig.snapshot", std::ios::trunc) << "Quellfarn unit snapshot 1\n";
    run = RunTool("changes --since gig" + unit);
    EXPECT_EQ(run.Status, 2);
    EXPECT_THAT(run.Errors, HasSubstr("gig.snapshot is not a snapshot this program can read; it "
                                      "was moved to "));
    EXPECT_TRUE(fs::exists(snapshots / "gig.snapshot.damaged"));
    run = RunTool("marks" + unit);
    EXPECT_EQ(run.Status, 0);
    EXPECT_THAT(run.Output, testing::Not(HasSubstr("  gig (")));
}
