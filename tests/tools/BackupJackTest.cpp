// quellfarn-tool backup and restore against quellfarn-sim running as a process of its own on
// JACK: one backup and one restore end to end, the files against what the unit itself saves;
// and what the tool ends with when the unit never answers or stores something else than it was
// sent; a swap and its undo by two runs of the tool. Lost and late answers, request delays and a
// unit slow to take a dump are the device link's, proven in tests/link.

#include "SimOverJack.h"
#include "ToolRun.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "support/ChildProcess.h"
#include "support/TestPresets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {
const std::string kName = "QF Backup Sim";

std::vector<std::string> SimCommand(const std::vector<std::string>& extra) {
    return ::SimCommand(kName, extra);
}

std::string Ports() {
    return SimPorts(kName);
}

using BackupOverJack = ToolFolderTest;
using RestoreOverJack = ToolFolderTest;
using WritesOverJack = ToolFolderTest;
} // namespace

TEST_F(BackupOverJack, EveryFileIsByteForByteWhatTheUnitHolds) {
    const fs::path backup = folder / "backup";
    const fs::path truth = folder / "truth";
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
    for (const char* bank : {"Bank A", "Bank B"}) {
        const auto files = FilesIn(backup / bank);
        EXPECT_EQ(files.size(), 12u) << bank;
        const auto unit = FilesIn(truth / bank);
        for (const auto& [name, bytes] : files) {
            ASSERT_EQ(unit.count(name), 1u) << bank << "/" << name;
            EXPECT_EQ(bytes, unit.at(name)) << bank << "/" << name;
        }
    }
}

// The unit's cable pulled a second into a backup and plugged in again four seconds later: the
// tool says it waits, opens the ports again by name, and the backup ends with every file byte
// for byte what the unit holds.
TEST_F(BackupOverJack, ACablePulledMidWayIsWaitedForAndTheBackupCompletes) {
    const fs::path backup = folder / "backup";
    const fs::path truth = folder / "truth";
    ChildProcess sim(SimCommand({"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    std::thread cable([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        sim.Say("unplug");
        std::this_thread::sleep_for(std::chrono::seconds(4));
        sim.Say("replug");
    });
    const ToolResult run =
        RunTool("backup " + Quoted(backup) + Ports() +
                " --banks A --delay 50 --last 40 --timeout 2000 --untitled Untitled");
    cable.join();
    EXPECT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_THAT(run.Errors, HasSubstr("MIDI Out '" + kName +
                                      ":MIDI in' is gone - waiting for it to come back\n"));
    EXPECT_THAT(run.Errors, HasSubstr("MIDI Out '" + kName + ":MIDI in' is back and open again\n"));
    EXPECT_EQ(sim.Stop(), 0);
    const auto files = FilesIn(backup / "Bank A");
    EXPECT_EQ(files.size(), 40u);
    const auto unit = FilesIn(truth / "Bank A");
    for (const auto& [name, bytes] : files) {
        ASSERT_EQ(unit.count(name), 1u) << name;
        EXPECT_EQ(bytes, unit.at(name)) << name;
    }
}

namespace {
// Bank A's first factory presets under new titles, as a backup names them, into DIR/Bank B.
std::map<std::string, TBytes> RetitledIntoBankB(const fs::path& root, int count) {
    fs::create_directories(root / "Bank B");
    std::map<std::string, TBytes> files;
    for (int slot = 1; slot <= count; ++slot) {
        const std::string title = "Put Back " + std::to_string(slot);
        const TBytes dump =
            Retitled(TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova()), title);
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

TEST_F(RestoreOverJack, TheUnitHoldsExactlyTheFilesAndNothingElseChanges) {
    const fs::path backup = folder / "backup";
    const fs::path truth = folder / "truth";
    const auto files = RetitledIntoBankB(backup, 4);
    ChildProcess sim(SimCommand({"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult run =
        RunTool("restore " + Quoted(backup) + Ports() + " --yes --banks B --delay 20");
    EXPECT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_THAT(run.Output, HasSubstr("Slot 4 of bank B: Put Back 4 written and verified\n"));
    EXPECT_THAT(run.Output,
                HasSubstr("Restore complete: 4 written, 4 verified, 0 skipped, 0 failed"));

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

// A unit that never answers ends a backup after the requests given, and is sent no preset.
TEST_F(BackupOverJack, AUnitThatNeverAnswersEndsABackupAndGetsNoPreset) {
    const fs::path truth = folder / "truth";
    RetitledIntoBankB(folder / "backup", 2);
    ChildProcess sim(SimCommand({"--mute", "--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    ToolResult run = RunTool("backup " + Quoted(folder / "new") + Ports() +
                             " --retries 1 --timeout 500 --delay 20 --last 3");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_THAT(run.Errors, HasSubstr("quellfarn-tool: The unit stopped answering: preset #1 of "
                                      "bank A did not arrive after 1 requests\n"));
    EXPECT_TRUE(FilesIn(folder / "new" / "Bank A").empty());

    run = RunTool("restore " + Quoted(folder / "backup") + Ports() + " --yes --delay 20");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_EQ(run.Errors, "quellfarn-tool: the unit does not answer; nothing was restored\n");
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(FilesIn(truth / "Bank B"), FactoryBank(1));
}

// The check from the command line: every step and exit 0 when the unit answers; the verdict and
// exit 1 when no unit is on the ports.
TEST_F(BackupOverJack, CheckSaysWhetherTheUnitAnswers) {
    {
        ChildProcess sim(SimCommand({}));
        ASSERT_TRUE(sim.WaitForLine("ready"));
        const ToolResult run = RunTool("check" + Ports());
        EXPECT_EQ(run.Status, 0) << run.Output << run.Errors;
        EXPECT_THAT(run.Output, HasSubstr("ok      MIDI Out open\n"));
        EXPECT_THAT(run.Output, HasSubstr("ok      With this device byte\n"
                                          "The unit answers: the connection works\n"));
    }
    const ToolResult run = RunTool("check" + Ports() + " --timeout 300");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(run.Output, HasSubstr("failed  MIDI Out open\n"
                                      "MIDI Out is not open: choose the port that goes to the "
                                      "unit's MIDI In\n"));
}

TEST_F(RestoreOverJack, AUnitThatStoresSomethingElseIsReportedAsFailing) {
    RetitledIntoBankB(folder, 3);
    ChildProcess sim(SimCommand({"--corrupt-store"}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult run =
        RunTool("restore " + Quoted(folder) + Ports() + " --yes --delay 20 --timeout 2000");
    EXPECT_EQ(run.Status, 1) << run.Output;
    EXPECT_THAT(run.Output,
                HasSubstr("Restore complete: 3 written, 0 verified, 0 skipped, 3 failed"));
    EXPECT_THAT(run.Errors, HasSubstr("quellfarn-tool: not everything was restored: 0 of 3 presets "
                                      "verified, 3 failed, 0 files skipped\n"));
}

// A swap over the wire, then an undo by a second run of the tool (the journal read from its
// file): each write verified, and the unit ends as it began, byte for byte.
TEST_F(WritesOverJack, ASwapUndoneLeavesTheUnitAsItBegan) {
    const fs::path truth = folder / "truth";
    ChildProcess sim(SimCommand({"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));

    const ToolResult swap = RunTool("swap A003 B005" + Ports() + " --yes --delay 20");
    EXPECT_EQ(swap.Status, 0) << swap.Errors << swap.Output;
    EXPECT_THAT(swap.Output, HasSubstr("Swap of A 003 and B 005: 2 written, 2 verified, 0 failed"));
    const ToolResult journal = RunTool("journal" + Ports());
    EXPECT_THAT(journal.Output, HasSubstr("swap of A 003 and B 005: A 003, B 005\n"));
    const ToolResult undo = RunTool("undo" + Ports() + " --yes --delay 20");
    EXPECT_EQ(undo.Status, 0) << undo.Errors << undo.Output;
    EXPECT_THAT(undo.Output,
                HasSubstr("Undo swap of A 003 and B 005: 2 written, 2 verified, 0 failed"));
    EXPECT_EQ(RunTool("undo" + Ports() + " --yes --delay 20").Status, 1) << "nothing left";

    EXPECT_EQ(sim.Stop(), 0);
    for (int bank = 0; bank < 4; ++bank)
        EXPECT_EQ(FilesIn(truth / BankFolderName(bank)), FactoryBank(bank)) << bank;
}
