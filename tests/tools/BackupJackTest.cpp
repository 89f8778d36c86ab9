// quellfarn-tool backup and restore against quellfarn-sim running as a process of its own on
// JACK, at DIN MIDI speed: the files against what the unit itself saves, and a unit that never
// answers or stores something else than it was sent.

#include "ToolRun.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "support/ChildProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

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

namespace {
// Bank A's first factory presets under new titles, as a backup names them, into DIR/Bank B.
std::map<std::string, TBytes> RetitledIntoBankB(const fs::path& root, int count) {
    fs::create_directories(root / "Bank B");
    std::map<std::string, TBytes> files;
    for (int slot = 1; slot <= count; ++slot) {
        TBytes dump = TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova());
        const std::string title = "Put Back " + std::to_string(slot);
        for (int i = 0; i < kTitleLength; ++i)
            dump[static_cast<std::size_t>(kTitleOffset + 2 * i)] = static_cast<std::uint8_t>(
                i < static_cast<int>(title.size()) ? title[static_cast<std::size_t>(i)] : ' ');
        const std::string name = BackupFileName(title, slot);
        std::ofstream(root / "Bank B" / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(dump.data()),
                   static_cast<std::streamsize>(dump.size()));
        files[name] = dump;
    }
    return files;
}

// The unit's factory bank as it saves it.
std::map<std::string, TBytes> FactoryBank(int bank) {
    std::map<std::string, TBytes> files;
    for (int slot = 1; slot <= 200; ++slot) {
        const TBytes dump = TPlenovaDevice::FactoryPreset(bank, slot - 1, TDeviceMode::Plenova());
        const std::string title = PresetTitleOf(dump);
        files[BackupFileName(title.empty() ? "Untitled" : title, slot)] = dump;
    }
    return files;
}
} // namespace

TEST(RestoreOverJack, TheUnitHoldsExactlyTheFilesAndADamagedOneIsNeverSent) {
    const Folders folders;
    const fs::path backup = folders.Root / "backup";
    const fs::path truth = folders.Root / "truth";
    const auto files = RetitledIntoBankB(backup, 4);
    ChildProcess sim(SimCommand({"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const std::string restore =
        "restore " + Quoted(backup) + Ports() + " --yes --banks B --delay 20";
    ToolResult run = RunTool(restore);
    EXPECT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Slot 4 of bank B: Put Back 4 written and verified\n"));
    EXPECT_THAT(run.Output,
                HasSubstr("Restore complete: 4 written, 4 verified, 0 skipped, 0 failed"));

    // Slot 2 gets a damaged file beside its good one: the good one is written again, the
    // damaged one is named and left out.
    {
        std::ofstream broken(backup / "Bank B" / "Broken.tmq002", std::ios::binary);
        broken << std::string(100, '\xF0');
    }
    run = RunTool(restore);
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Skipped " + (backup / "Bank B" / "Broken.tmq002").string() +
                                      ": not a 258-byte preset dump\n"));
    EXPECT_THAT(run.Output,
                HasSubstr("Restore complete: 4 written, 4 verified, 1 skipped, 0 failed"));
    EXPECT_THAT(run.Errors, HasSubstr("not everything was restored"));

    EXPECT_EQ(sim.Stop(), 0);
    auto unit = FilesIn(truth / "Bank B");
    for (const auto& [name, bytes] : files) {
        ASSERT_EQ(unit.count(name), 1u) << name;
        EXPECT_EQ(unit.at(name), bytes) << name;
        unit.erase(name);
    }
    // The other slots of the bank, and the banks not chosen, are as they were.
    auto factory = FactoryBank(1);
    for (auto it = factory.begin(); it != factory.end();)
        it = BackupPresetNumber(it->first).value_or(0) <= 4 ? factory.erase(it) : std::next(it);
    EXPECT_EQ(unit, factory);
    EXPECT_EQ(FilesIn(truth / "Bank A"), FactoryBank(0));
}

TEST(RestoreOverJack, ADryRunAndAnUnansweredQuestionSendNothing) {
    const Folders folders;
    const fs::path truth = folders.Root / "truth";
    RetitledIntoBankB(folders.Root / "backup", 3);
    ChildProcess sim(SimCommand({"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    ToolResult run = RunTool("restore " + Quoted(folders.Root / "backup") + Ports() + " --dry-run");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    EXPECT_THAT(run.Output, HasSubstr("Bank B  slot   3  Put Back 3        Put Back 3.tmq003\n"));
    run = RunTool("restore " + Quoted(folders.Root / "backup") + Ports());
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Errors, HasSubstr("give --yes"));

    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(FilesIn(truth / "Bank B"), FactoryBank(1));
}

TEST(RestoreOverJack, AUnitThatStoresSomethingElseIsReportedAsFailing) {
    const Folders folders;
    RetitledIntoBankB(folders.Root, 3);
    ChildProcess sim(SimCommand({"--corrupt-store"}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult run =
        RunTool("restore " + Quoted(folders.Root) + Ports() + " --yes --delay 20 --timeout 2000");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_THAT(run.Output,
                HasSubstr("Slot 1 of bank B: Slot 1 does not hold what was sent: byte " +
                          std::to_string(kTitleOffset)));
    EXPECT_THAT(run.Output,
                HasSubstr("Restore complete: 3 written, 0 verified, 0 skipped, 3 failed"));
    EXPECT_THAT(run.Errors, HasSubstr("quellfarn-tool: not everything was restored: 0 of 3 presets "
                                      "verified, 3 failed, 0 files skipped\n"));
}

TEST(RestoreOverJack, AUnitThatDoesNotAnswerIsSentNoPreset) {
    const Folders folders;
    const fs::path truth = folders.Root / "truth";
    RetitledIntoBankB(folders.Root / "backup", 2);
    ChildProcess sim(SimCommand({"--mute", "--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult run =
        RunTool("restore " + Quoted(folders.Root / "backup") + Ports() + " --yes --delay 20");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_EQ(run.Errors, "quellfarn-tool: the unit does not answer; nothing was restored\n");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(FilesIn(truth / "Bank B"), FactoryBank(1));
}

namespace {
// A backup folder whose bank A holds the same preset in slots 1..count: unused slots holding
// one init preset, or a preset copied into the next slot.
void SamePresetInBankA(const fs::path& root, int count) {
    fs::create_directories(root / "Bank A");
    const TBytes dump = TPlenovaDevice::FactoryPreset(0, 0, TDeviceMode::Plenova());
    for (int slot = 1; slot <= count; ++slot)
        std::ofstream(root / "Bank A" / BackupFileName(PresetTitleOf(dump), slot), std::ios::binary)
            .write(reinterpret_cast<const char*>(dump.data()),
                   static_cast<std::streamsize>(dump.size()));
}
} // namespace

// Answers lost or late, neighbours byte for byte alike: each preset is still filed under its
// own number, every one arrives, and nothing is taken twice.
TEST(BackupOverJack, LostAndLateAnswersAmongIdenticalNeighboursFileEachPresetOnce) {
    struct Case {
        std::vector<std::string> Unit;
        const char* What;
    };
    const Case cases[] = {
        {{"--drop-every", "3"}, "every third answer lost"},
        {{"--late-every", "4", "--late-ms", "700"}, "every fourth answer after the time-out"},
    };
    for (const Case& unitCase : cases) {
        const Folders folders;
        SamePresetInBankA(folders.Root / "unit", 6);
        const fs::path truth = folders.Root / "truth";
        std::vector<std::string> unit = unitCase.Unit;
        unit.insert(unit.end(), {"--load", (folders.Root / "unit").string(), "--save", truth.string()});
        ChildProcess sim(SimCommand(unit));
        ASSERT_TRUE(sim.WaitForLine("ready")) << unitCase.What;

        const ToolResult run = RunTool("backup " + Quoted(folders.Root / "backup") + Ports() +
                                       " --banks A --last 8 --delay 20 --timeout 500 --retries 4 --untitled Untitled");
        EXPECT_EQ(run.Status, 0) << unitCase.What << run.Errors << run.Output;
        EXPECT_THAT(run.Output, HasSubstr("Last request timed out; restarting")) << unitCase.What;
        EXPECT_THAT(run.Output, HasSubstr("8 saved, 0 untitled skipped,")) << unitCase.What;
        EXPECT_EQ(sim.Stop(), 0);
        const auto files = FilesIn(folders.Root / "backup" / "Bank A");
        const auto held = FilesIn(truth / "Bank A");
        for (const auto& [name, bytes] : files)
            EXPECT_TRUE(held.count(name) == 1 && held.at(name) == bytes)
                << unitCase.What << ": " << name;
        EXPECT_EQ(files.size(), 8u) << unitCase.What;
    }
}

// Every request delay the dialog and the tool accept works, the long ones with the link's clock
// sped up: a backup across a bank change and a restore file every preset under its own number.
// A delay above half the time-out once put the last preset of one bank into the next.
TEST(BackupOverJack, EveryRequestDelayFilesEachPresetUnderItsOwnNumber) {
    const std::pair<int, int> delays[] = {{1, 1}, {1000, 2}, {5001, 10}, {10000, 20}};
    for (const auto& [delay, speed] : delays) {
        const Folders folders;
        const fs::path truth = folders.Root / "truth";
        const auto written = RetitledIntoBankB(folders.Root / "put back", 2);
        ChildProcess sim(SimCommand({"--save", truth.string()}));
        ASSERT_TRUE(sim.WaitForLine("ready")) << delay;
        const std::string clock = "QUELLFARN_CLOCK_SPEED=" + std::to_string(speed);
        const std::string paced = " --delay " + std::to_string(delay);

        ToolResult run = RunTool("backup " + Quoted(folders.Root / "backup") + Ports() +
                                     " --banks AB --last 2" + paced,
                                 clock);
        EXPECT_EQ(run.Status, 0) << delay << run.Errors << run.Output;
        EXPECT_THAT(run.Output, Not(HasSubstr("timed out"))) << delay;
        run = RunTool("restore " + Quoted(folders.Root / "put back") + Ports() + " --yes" + paced,
                      clock);
        EXPECT_EQ(run.Status, 0) << delay << run.Errors << run.Output;
        EXPECT_EQ(sim.Stop(), 0);

        const auto factory = [](int bank) {
            std::map<std::string, TBytes> first;
            for (const auto& [name, bytes] : FactoryBank(bank))
                if (BackupPresetNumber(name).value_or(0) <= 2)
                    first[name] = bytes;
            return first;
        };
        EXPECT_EQ(FilesIn(folders.Root / "backup" / "Bank A"), factory(0)) << delay;
        EXPECT_EQ(FilesIn(folders.Root / "backup" / "Bank B"), factory(1)) << delay;
        auto unitBankB = FilesIn(truth / "Bank B");
        for (const auto& [name, bytes] : written)
            EXPECT_TRUE(unitBankB.count(name) == 1 && unitBankB.at(name) == bytes)
                << delay << ": " << name;
    }
}

// A unit that needs time to take a dump gets it before the store, in a restore as in the
// editor: the slot holds the file, not what the edit buffer held before.
TEST(RestoreOverJack, TheUnitHasTheRequestDelayToTakeEachPresetBeforeItIsStored) {
    const Folders folders;
    const auto files = RetitledIntoBankB(folders.Root / "backup", 3);
    const fs::path truth = folders.Root / "truth";
    ChildProcess sim(SimCommand({"--take-ms", "150", "--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult run = RunTool("restore " + Quoted(folders.Root / "backup") + Ports() +
                                   " --yes --banks B --delay 300");
    EXPECT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Restore complete: 3 written, 3 verified, 0 skipped, 0 failed"));
    EXPECT_EQ(sim.Stop(), 0);
    const auto unit = FilesIn(truth / "Bank B");
    for (const auto& [name, bytes] : files)
        EXPECT_TRUE(unit.count(name) == 1 && unit.at(name) == bytes) << name;
}
