// quellfarn-tool's command line as users and their scripts know it: the first mistake in a line
// is the one named, in the tool's words; file names reach their files whatever bytes they are
// made of.

#include "ToolRun.h"
#include "model/Preset.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;

using CommandLineTest = ToolFolderTest;

TEST_F(CommandLineTest, TheFirstMistakeOfALineIsNamedAndNothingRuns) {
    const std::string target = Quoted(folder / "new");
    const std::string file = Quoted(folder / "new.tmq");
    const std::pair<std::string, std::string> mistakes[] = {
        // In the order typed, whatever kinds of mistake follow.
        {"backup " + target + " --first 0 --loud", "--first takes a number from 1 to 200"},
        {"backup " + target + " --loud --first 0", "unknown option --loud"},
        {"restore " + target + " --banks E --timeout", "--banks takes letters from A to D, as in "
                                                       "--banks ACD"},
        // Every value given is checked, not only the one that counts.
        {"backup " + target + " --delay 0 --delay 5", "--delay takes a number from 1 to 10000"},
        // Options are spelt one way: no value after "=", no single dash for a long name, no
        // end of options.
        {"backup " + target + " --delay=5", "unknown option --delay=5"},
        {"preset show -json " + file, "unknown option -json"},
        {"preset new --o " + file, "unknown option --o"},
        {"backup " + target + " -- " + target, "unknown option --"},
        // Help is the whole tool's, not a command's.
        {"preset show --help " + file, "unknown option --help"},
        {"devices --json", "devices takes no arguments"},
        {"mpt", "mpt needs show or new"},
        {"mpt edit " + file, "unknown mpt command edit"},
        {"backup " + target + " --first 11 --last 10", "--first 11 is after --last 10"},
        // The writes name their slots one way.
        {"swap A012 E013", "\"E013\" is not a slot: a bank A to D and 1 to 200, as in A012"},
        {"swap A000 A013", "\"A000\" is not a slot: a bank A to D and 1 to 200, as in A012"},
        {"swap A012 A201", "\"A201\" is not a slot: a bank A to D and 1 to 200, as in A012"},
        {"swap A012 A12", "swap needs two different slots"},
        {"swap A012", "swap needs two slots, as in swap A012 A013"},
        {"place " + file + " --slot 17", "place needs --bank B and --slot N"},
        {"place " + file + " --bank B --slot 201", "--slot takes a number from 1 to 200"},
        {"undo A012", "undo needs no more words"},
        {"journal --yes", "unknown option --yes"},
        {"preset diff " + file, "preset diff needs two presets, A and B"},
        {"preset diff " + file + " unit:E001",
         "\"unit:E001\" is not a slot of the unit: unit:A001 to unit:D200"},
    };
    std::vector<std::pair<std::string, std::string>> lines(std::begin(mistakes),
                                                           std::end(mistakes));
    for (const char* id : {"300", "16", "99999999999", "-1", "7x"})
        lines.emplace_back("preset new -o " + file + " --device-id " + id,
                           "--device-id takes a number from 0 to 15");
    for (const auto& [arguments, message] : lines) {
        const ToolResult run = RunTool(arguments);
        EXPECT_EQ(run.Status, 2) << arguments;
        EXPECT_THAT(run.Errors, testing::StartsWith("quellfarn-tool: " + message + "\nusage: "))
            << arguments;
        EXPECT_EQ(run.Output, "") << arguments;
    }
    EXPECT_TRUE(fs::is_empty(folder)) << "nothing written, no backup made";
}

// Whatever the mistake, the status is 2, the usage follows and nothing is touched; only help
// is a success.
TEST_F(CommandLineTest, EveryMistakeGivesStatusTwoAndTheUsage) {
    const std::string target = Quoted(folder / "new");
    const std::string file = Quoted(folder / "x.tmq");
    const std::string backup = "backup " + target, restore = "restore " + target;
    for (const std::string& arguments : std::vector<std::string>{
             "dance",
             "preset",
             "preset new",
             "preset new -o",
             "preset show a b",
             "preset show --loud a",
             "mpt new -o " + Quoted(folder / "x.mpt") + " --device-id 99999999999",
             "devices now",
             "backup",
             backup + " --last 201",
             backup + " --first 7x",
             backup + " --first -3",
             backup + " --banks AE",
             backup + " --banks ''",
             backup + " --delay 10001",
             backup + " --retries 0",
             backup + " --timeout",
             backup + " " + target,
             backup + " --dry-run",
             backup + " --yes",
             "restore",
             restore + " " + target,
             restore + " --first 0",
             restore + " --first 9 --last 8",
             restore + " --banks X",
             restore + " --delay",
             restore + " --untitled Name",
             restore + " --retries 2",
             restore + " --print-list a.pdf",
             restore + " --force"}) {
        const ToolResult run = RunTool(arguments);
        EXPECT_EQ(run.Status, 2) << arguments << "\n" << run.Errors;
        EXPECT_THAT(run.Errors, testing::StartsWith("quellfarn-tool: ")) << arguments;
        EXPECT_THAT(run.Errors, HasSubstr("\nusage:")) << arguments;
    }
    EXPECT_TRUE(fs::is_empty(folder));
    EXPECT_EQ(RunTool("").Status, 2);
    const ToolResult help = RunTool("--help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_THAT(help.Output, HasSubstr("quellfarn-tool list DIR"));
}

TEST_F(CommandLineTest, FileNamesReachTheirFilesWhateverTheirBytes) {
    // Latin-1 bytes are no UTF-8: a name taken for text would lose them.
    const fs::path bank = folder / "Sets \xE9t\xE9" / "Bank B";
    fs::create_directories(bank);
    const fs::path preset = bank / "Caf\xE9.tmq003";
    ToolResult run = RunTool("preset new -o " + Quoted(preset) + " --device-id 3");
    ASSERT_EQ(run.Status, 0) << run.Errors;
    EXPECT_TRUE(fs::exists(preset));

    run = RunTool("preset show --json " + Quoted(preset));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_THAT(run.Output, HasSubstr("\"device\": 3"));

    run = RunTool("list " + Quoted(bank.parent_path()));
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_EQ(run.Output, "B    3  " + TPreset().Title + "\n");

    // A value may look like an option: it is the value.
    run = RunTool("preset new -o -dash.tmq", "cd " + Quoted(folder) + " &&");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_TRUE(fs::exists(folder / "-dash.tmq"));
}
