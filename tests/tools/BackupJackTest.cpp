// quellfarn-tool backup against quellfarn-sim running as a process of its own on JACK, at DIN
// MIDI speed: the files against what the unit itself saves, and a unit that never answers.

#include "ToolRun.h"
#include "support/ChildProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {
const std::string kName = "QF Backup Sim";

std::vector<std::string> SimCommand(std::vector<std::string> extra) {
    std::vector<std::string> command{QUELLFARN_SIM, "--api",        "jack", "--name",
                                     kName,         "--latency-ms", "1"};
    command.insert(command.end(), extra.begin(), extra.end());
    return command;
}

std::string Ports() {
    return " --in '" + kName + ":MIDI out' --out '" + kName + ":MIDI in'";
}

struct Folders {
    Folders()
        : Root(fs::temp_directory_path() /
               ("quellfarn-backup-jack-" + std::to_string(::getpid()))) {
        fs::remove_all(Root);
        fs::create_directories(Root);
    }
    ~Folders() { fs::remove_all(Root); }
    fs::path Root;
};
} // namespace

// Every file of the backup's bank folders holds what the unit saved under that name.
void ExpectSameAsTheUnit(const fs::path& backup, const fs::path& truth, std::size_t perBank) {
    for (const char* bank : {"Bank A", "Bank B"}) {
        const auto files = FilesIn(backup / bank);
        EXPECT_EQ(files.size(), perBank) << bank;
        const auto unit = FilesIn(truth / bank);
        for (const auto& [name, bytes] : files) {
            ASSERT_EQ(unit.count(name), 1u) << bank << "/" << name;
            EXPECT_EQ(bytes, unit.at(name)) << bank << "/" << name;
        }
    }
}

TEST(BackupOverJack, EveryFileIsByteForByteWhatTheUnitHolds) {
    const Folders folders;
    const fs::path backup = folders.Root / "backup";
    const fs::path truth = folders.Root / "truth";
    ChildProcess sim(SimCommand({"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready")) << (sim.Lines.empty() ? "" : sim.Lines.back());

    const ToolResult devices = RunTool("devices");
    EXPECT_THAT(devices.Output, HasSubstr("  " + kName + ":MIDI out\n"));
    EXPECT_THAT(devices.Output, HasSubstr("  " + kName + ":MIDI in\n"));

    const ToolResult run =
        RunTool("backup " + Quoted(backup) + Ports() +
                " --banks AB --delay 20 --first 1 --last 12 --untitled Untitled");
    EXPECT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_EQ(sim.Stop(), 0);
    ASSERT_TRUE(fs::is_directory(truth / "Bank A"));
    ExpectSameAsTheUnit(backup, truth, 12);
}

TEST(BackupOverJack, AnAnswerThatGetsLostIsAskedForAgainAndNothingIsSavedTwice) {
    const Folders folders;
    const fs::path backup = folders.Root / "backup";
    const fs::path truth = folders.Root / "truth";
    ChildProcess sim(SimCommand({"--drop-every", "4", "--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult run =
        RunTool("backup " + Quoted(backup) + Ports() +
                " --banks AB --delay 20 --timeout 300 --last 8 --untitled Untitled");
    EXPECT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Last request timed out; restarting"));
    EXPECT_THAT(run.Output, HasSubstr("16 saved, 0 untitled skipped,"));
    EXPECT_EQ(sim.Stop(), 0);
    ExpectSameAsTheUnit(backup, truth, 8);
}

TEST(BackupOverJack, AUnitThatNeverAnswersEndsItAfterTheGivenRequests) {
    const Folders folders;
    ChildProcess sim(SimCommand({"--mute"}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult run = RunTool("backup " + Quoted(folders.Root) + Ports() +
                                   " --retries 1 --timeout 500 --delay 20 --last 3");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_THAT(run.Errors, HasSubstr("quellfarn-tool: The unit stopped answering: preset #1 of "
                                      "bank A did not arrive after 1 requests\n"));
    EXPECT_TRUE(FilesIn(folders.Root / "Bank A").empty());
}
