// quellfarn-tool restore against the simulated unit inside the tool: the plan it shows, what it
// refuses, the question it asks, and how it ends. What reaches the unit is checked over JACK.

#include "ToolRun.h"
#include "support/ChildProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace {
class RestoreTest : public ToolFolderTest {
protected:
    // A backup of these slots, made by the tool itself.
    void Backup(const std::string& arguments) {
        const ToolResult run = RunTool("backup " + Quoted(folder) + " --delay 5 " + arguments);
        ASSERT_EQ(run.Status, 0) << run.Errors << run.Output;
    }

    void Write(const fs::path& path, std::size_t size) {
        std::ofstream file(path, std::ios::binary);
        file << std::string(size, '\x10');
    }
};

// The tool run with a terminal on its input and output (script(1)), the answer typed in.
ToolResult RunOnTerminal(const std::string& arguments, const std::string& answer) {
    const std::string command = "printf '" + answer + "\\n' | script -qec \"" +
                                std::string(QUELLFARN_TOOL) + " " + arguments +
                                "; echo status=\\$?\" /dev/null";
    ToolResult result;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.Output.append(buffer.data(), n);
    pclose(pipe);
    const std::size_t at = result.Output.rfind("status=");
    if (at != std::string::npos)
        result.Status = std::atoi(result.Output.c_str() + at + 7);
    return result;
}
} // namespace

TEST_F(RestoreTest, TheDryRunShowsWhereEachFileGoesAndWhatIsSkippedWithoutAnyPort) {
    Backup("--banks AC --first 1 --last 3 --untitled Untitled");
    // Nothing is opened: a port that does not exist is never looked for.
    const std::string dryRun =
        "restore " + Quoted(folder) + " --dry-run --in Nowhere --out Nowhere";
    ToolResult run = RunTool(dryRun);
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Errors, "");
    for (const auto& bank : {"Bank A", "Bank C"})
        for (const auto& [name, bytes] : FilesIn(folder / bank)) {
            const std::string title = PresetTitleOf(bytes);
            const std::string slot = name.substr(name.size() - 1);
            EXPECT_THAT(run.Output,
                        HasSubstr(std::string(bank) + "  slot   " + slot + "  " + title))
                << name;
            EXPECT_THAT(run.Output, HasSubstr(name + "\n"));
        }
    EXPECT_THAT(run.Output, HasSubstr("Dry run: would replace 6 presets in banks A, C; nothing "
                                      "was sent to the unit\n"));

    // A damaged file, and a second good one for a slot (a backup made again after a rename):
    // none of them is sent, and the real run would end with 1, so the dry run does.
    Write(folder / "Bank A" / "Broken.tmq002", 100);
    for (const auto& [name, bytes] : FilesIn(folder / "Bank C"))
        if (name.ends_with(".tmq003"))
            fs::copy_file(folder / "Bank C" / name, folder / "Bank C" / "Renamed since.tmq003");
    run = RunTool(dryRun + " --first 2");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Output, HasSubstr("Bank A  slot   2  skipped: Broken.tmq002: not a 258-byte "
                                      "preset dump\n"));
    EXPECT_THAT(run.Output, HasSubstr("skipped: Renamed since.tmq003: 2 files are for this slot"));
    EXPECT_THAT(run.Output, Not(HasSubstr("slot   1")));
    EXPECT_THAT(run.Output, HasSubstr("Dry run: would replace 3 presets in banks A, C; 3 files "
                                      "skipped; nothing was sent to the unit\n"));
    // One slot is a range too.
    run = RunTool(dryRun + " --first 3 --last 3");
    EXPECT_EQ(run.Status, 1) << run.Errors;
    EXPECT_THAT(run.Output, HasSubstr("Bank A  slot   3  "));
    EXPECT_THAT(run.Output, Not(HasSubstr("slot   2")));

    run = RunTool("restore " + Quoted(folder) + " --dry-run --banks B");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, HasSubstr("nothing to restore: no preset files for slots 1..200 of "
                                      "bank B in " +
                                      folder.string() + "\n"));
}

TEST_F(RestoreTest, ItGoesAheadOnlyWhenToldSoAndEndsWithOneUnlessEveryFileWasVerified) {
    Backup("--banks B --first 4 --last 5");
    // Standard input is not a terminal here, and there is no --yes.
    ToolResult run = RunTool("restore " + Quoted(folder) + " --delay 5");
    EXPECT_EQ(run.Status, 1);
    EXPECT_EQ(run.Output, "");
    EXPECT_EQ(run.Errors, "quellfarn-tool: this would replace 2 presets in bank B; nothing was "
                          "sent: give --yes to go ahead without being asked\n");

    run = RunTool("restore " + Quoted(folder) + " --delay 5 --yes");
    EXPECT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_EQ(run.Errors, "");
    EXPECT_THAT(run.Output, HasSubstr("Slot 5 of bank B: "));
    EXPECT_THAT(run.Output, HasSubstr("Restore complete: 2 written, 2 verified, 0 skipped, 0 "
                                      "failed\n"));

    // Everything that could be written was, but a file was left out: not a success.
    Write(folder / "Bank B" / "Broken.tmq001", 300);
    run = RunTool("restore " + Quoted(folder) + " --delay 5 --yes");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Output, HasSubstr("Skipped " + (folder / "Bank B" / "Broken.tmq001").string() +
                                      ": not a 258-byte preset dump\n"));
    EXPECT_THAT(run.Output, HasSubstr("2 written, 2 verified, 1 skipped, 0 failed\n"));
    EXPECT_EQ(run.Errors, "quellfarn-tool: not everything was restored: 2 of 2 presets verified, "
                          "0 failed, 1 file skipped\n");

    // Only damaged files: nothing to ask about, nothing sent.
    fs::remove_all(folder / "Bank B");
    fs::create_directories(folder / "Bank B");
    Write(folder / "Bank B" / "Broken.tmq001", 300);
    run = RunTool("restore " + Quoted(folder) + " --yes");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors,
                HasSubstr("quellfarn-tool: nothing to restore: every file is skipped\n"));
}

TEST_F(RestoreTest, OnATerminalItAsksAndOnlyYesWrites) {
    if (std::system("script -qec true /dev/null >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "no script(1) to give the tool a terminal";
    Backup("--pre-plenova --first 1 --last 2");
    Write(folder / "Short.tmq009", 10);
    const std::string restore = "restore '" + folder.string() + "' --pre-plenova --delay 5";
    ToolResult run = RunOnTerminal(restore, "n");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Skipped " + (folder / "Short.tmq009").string()));
    EXPECT_THAT(run.Output,
                HasSubstr("This will replace 2 presets. Do you want to proceed? [y/N] "));
    EXPECT_THAT(run.Output, HasSubstr("restore cancelled; nothing was sent"));
    EXPECT_THAT(run.Output, Not(HasSubstr("written")));

    run = RunOnTerminal(restore + " --first 1 --last 2", "Y");
    EXPECT_EQ(run.Status, 0) << run.Output;
    // The progress line, and of the log only the summary.
    EXPECT_THAT(run.Output, HasSubstr("\rslot 2, preset 2 of 2 - about"));
    EXPECT_THAT(run.Output, HasSubstr("Restore complete: 2 written, 2 verified, 0 skipped, 0 "
                                      "failed"));
    EXPECT_THAT(run.Output, Not(HasSubstr("written and verified")));
}

TEST_F(RestoreTest, InterruptedItFinishesThePresetItIsWritingAndStops) {
    Backup("--banks A --first 1 --last 40");
    ChildProcess tool(
        {QUELLFARN_TOOL, "restore", folder.string(), "--yes", "--banks", "A", "--delay", "20"});
    ASSERT_TRUE(tool.WaitForLine("Slot 2 of bank A"));
    EXPECT_EQ(tool.Stop(), 1);
    EXPECT_TRUE(tool.WaitForLine("quellfarn-tool: aborted"));
    int written = -1, verified = -2, skipped = -1, failed = -1;
    for (const std::string& line : tool.Lines)
        std::sscanf(line.c_str(), "Restore aborted: %d written, %d verified, %d skipped, %d failed",
                    &written, &verified, &skipped, &failed);
    // Every preset it started was written and read back whole, and it stopped well before the end.
    EXPECT_EQ(written, verified);
    EXPECT_GE(written, 2);
    EXPECT_LT(written, 40);
    EXPECT_EQ(skipped + failed, 0);
}

TEST_F(RestoreTest, AFolderThatIsNotThereGivesStatusOne) {
    const ToolResult run = RunTool("restore " + Quoted(folder / "none") + " --yes");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, HasSubstr("Invalid folder: "));
}

// The writes ask as the restore does: a dry run says the plan and sends nothing, no terminal
// and no --yes refuses, --yes writes one journal step that undo then finds.
TEST_F(RestoreTest, PlaceAndUndoShowTheirPlanAndAskFirst) {
    const std::string data = "XDG_DATA_HOME=" + Quoted(folder / "data");
    const std::string preset = Quoted(folder / "new.tmq");
    ASSERT_EQ(RunTool("preset new -o " + preset).Status, 0);
    const std::string place = "place " + preset + " --bank B --slot 17 --delay 5";

    const ToolResult dry = RunTool(place + " --dry-run", data);
    EXPECT_EQ(dry.Status, 0) << dry.Errors;
    EXPECT_EQ(dry.Output, "B 017: (not read yet) \u2192 My new preset\nDry run: would write 1 "
                          "slot, each kept first; nothing was sent to the unit\n");
    const ToolResult refused = RunTool(place, data);
    EXPECT_EQ(refused.Status, 1);
    EXPECT_THAT(refused.Errors, HasSubstr("this would write place of My new preset into B 017; "
                                          "nothing was sent: give --yes"));
    EXPECT_THAT(RunTool("journal", data).Output, HasSubstr("is empty"));

    const ToolResult placed = RunTool(place + " --yes", data);
    EXPECT_EQ(placed.Status, 0) << placed.Errors;
    EXPECT_THAT(placed.Output, HasSubstr("B 017: My new preset written and verified\n"));
    const ToolResult undoDry = RunTool("undo --dry-run", data);
    EXPECT_EQ(undoDry.Status, 0);
    EXPECT_THAT(undoDry.Output, HasSubstr("Dry run: would undo place of My new preset into B 017"));
    EXPECT_EQ(RunTool("undo", data).Status, 1) << "no terminal, no --yes";
    // The built-in unit starts afresh with each run: the slot no longer holds what the step
    // left, and --yes alone does not answer that.
    const ToolResult changed = RunTool("undo --yes --delay 5", data);
    EXPECT_EQ(changed.Status, 1);
    EXPECT_THAT(changed.Errors, HasSubstr("B 017: now holds"));
    EXPECT_THAT(changed.Errors, HasSubstr("nothing was written: give --even-if-changed"));
    const ToolResult undone = RunTool("undo --yes --even-if-changed --delay 5", data);
    EXPECT_EQ(undone.Status, 0) << undone.Errors;
    EXPECT_EQ(RunTool("undo --yes --even-if-changed --delay 5", data).Status, 1)
        << "nothing left to undo";

    // A journal that cannot be read is not "empty": it is named, moved aside, and the command
    // fails.
    const fs::path journal =
        folder / "data/Quellfarn/units/Quellfarn Plenova (simulated) - device 0/journal.json";
    ASSERT_TRUE(fs::exists(journal));
    std::ofstream(journal, std::ios::trunc) << "{\"entries\": [{\"id\": 1";
    const ToolResult damaged = RunTool("journal", data);
    EXPECT_EQ(damaged.Status, 1);
    EXPECT_THAT(damaged.Errors, HasSubstr("journal.json is damaged"));
    EXPECT_THAT(damaged.Errors, HasSubstr("it was moved to "));
    EXPECT_TRUE(fs::exists(journal.string() + ".damaged"));
    EXPECT_FALSE(fs::exists(journal));
}
