// Writes into the unit by quellfarn-tool against quellfarn-sim as a process of its own on JACK,
// held to what the unit saves: a unit slow to take a dump, one that loses choices and stores
// something else, its knob turned while a preset is on its way, the tool killed between the
// store and the read-back, and two tools writing to one unit at once.

#include "SimOverJack.h"
#include "ToolRun.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "support/ChildProcess.h"
#include "support/TestPresets.h"

#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

namespace {
const std::string kWriteSim = "QF Write Sim";

// Each test keeps the unit's memory and journal in a data folder of its own.
class WritesToTheUnit : public ToolFolderTest {
protected:
    void SetUp() override {
        ToolFolderTest::SetUp();
        const char* was = std::getenv("XDG_DATA_HOME");
        before = was != nullptr ? std::optional<std::string>(was) : std::nullopt;
        setenv("XDG_DATA_HOME", (folder / "data").c_str(), 1);
    }
    void TearDown() override {
        if (before)
            setenv("XDG_DATA_HOME", before->c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        ToolFolderTest::TearDown();
    }
    fs::path PresetFile(const std::string& title) {
        const fs::path path = folder / (title + ".tmq");
        const TBytes dump =
            Retitled(TPlenovaDevice::FactoryPreset(3, 0, TDeviceMode::Plenova()), title);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(dump.data()),
                   static_cast<std::streamsize>(dump.size()));
        return path;
    }
    // What the unit saved for a slot (1-based), as its files name it.
    static TBytes Saved(const fs::path& truth, int bank, int slot) {
        for (const auto& [name, bytes] : FilesIn(truth / BankFolderName(bank)))
            if (BackupPresetNumber(name).value_or(0) == slot)
                return bytes;
        return {};
    }
    // The last step undone: the unit then saves its factory content, every slot byte for byte.
    static void UndoLeavesTheFactoryUnit(ChildProcess& sim, const fs::path& truth) {
        const ToolResult run = RunTool("undo" + SimPorts(kWriteSim) + " --delay 50 --yes");
        EXPECT_EQ(run.Status, 0) << run.Output << run.Errors;
        EXPECT_EQ(sim.Stop(), 0);
        for (int bank = 0; bank < 4; ++bank)
            for (int slot = 1; slot <= 200; ++slot)
                ASSERT_EQ(Saved(truth, bank, slot), Factory(bank, slot)) << bank << " " << slot;
    }
    static TBytes Factory(int bank, int slot) {
        return TPlenovaDevice::FactoryPreset(bank, slot - 1, TDeviceMode::Plenova());
    }

    std::optional<std::string> before;
};
} // namespace

// "Verified" is said exactly when the unit's memory holds what was sent.
TEST_F(WritesToTheUnit, VerifiedIsSaidOnlyOfWhatTheUnitSaves) {
    const struct {
        const char* Name;
        std::vector<std::string> Unit;
        const char* Delay;
        int Status;
    } cases[] = {
        // The dump becomes the edit buffer 700 ms after it arrived: a store sent sooner stores
        // what the slot held, and reading the slot back at once answers from the edit buffer.
        {"slow to take a dump", {"--take-ms", "700"}, " --delay 500", 0},
        // Every third choice is lost and every store changes a byte of the title.
        {"losing choices, storing wrong",
         {"--corrupt-store", "--lose-selects", "3"},
         " --delay 300",
         1},
    };
    const fs::path bravo = PresetFile("Bravo");
    const TBytes sent = Retitled(Factory(3, 1), "Bravo");
    for (const auto& unit : cases) {
        SCOPED_TRACE(unit.Name);
        const fs::path truth = folder / "truth" / unit.Name;
        std::vector<std::string> options = unit.Unit;
        options.insert(options.end(), {"--save", truth.string()});
        ChildProcess sim(SimCommand(kWriteSim, options));
        ASSERT_TRUE(sim.WaitForLine("ready"));
        const ToolResult run = RunTool("place " + Quoted(bravo) + " --bank A --slot 40" +
                                       SimPorts(kWriteSim) + unit.Delay + " --timeout 3000 --yes");
        EXPECT_EQ(run.Status, unit.Status) << run.Output << run.Errors;
        EXPECT_EQ(sim.Stop(), 0);
        const bool held = SameDumpAnyDevice(Saved(truth, 0, 40), sent);
        const bool said = run.Output.find("A 040: Bravo written and verified") != std::string::npos;
        EXPECT_EQ(said, held) << run.Output;
        EXPECT_EQ(held, unit.Status == 0);
    }
}

// The unit's knob turned to bank B as soon as the preset has arrived: nothing lands in bank B
// unnamed, and what is said of bank A is true. (The store message names no bank: a turn between
// the last question and the store cannot be prevented, only found and named.)
TEST_F(WritesToTheUnit, AKnobTurnedMidWriteOverwritesNoOtherSlotUnnamed) {
    const fs::path charlie = PresetFile("Charlie");
    const fs::path truth = folder / "truth";
    ChildProcess sim(SimCommand(kWriteSim, {"--verbose", "--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    std::thread knob([&] {
        if (sim.WaitForLine("preset dump \"Charlie\""))
            sim.Say("select B 9");
    });
    const ToolResult run = RunTool("place " + Quoted(charlie) + " --bank A --slot 10" +
                                   SimPorts(kWriteSim) + " --delay 1000 --yes");
    knob.join();
    EXPECT_EQ(sim.Stop(), 0);
    for (int slot = 1; slot <= 200; ++slot) {
        if (slot != 10) {
            ASSERT_EQ(Saved(truth, 1, slot), Factory(1, slot)) << "B " << slot;
        }
    }
    if (Saved(truth, 1, 10) != Factory(1, 10)) {
        EXPECT_THAT(run.Errors + run.Output, HasSubstr("B 010 may have been overwritten"));
        EXPECT_EQ(run.Status, 1);
    }
    const bool held = SameDumpAnyDevice(Saved(truth, 0, 10), Retitled(Factory(3, 1), "Charlie"));
    EXPECT_EQ(run.Status == 0, held) << run.Output << run.Errors;
    EXPECT_EQ(run.Output.find("A 010: Charlie written and verified") != std::string::npos, held);
}

// The tool killed once the store message has gone: the journal already holds the slot, not yet
// verified, and undo puts back what it held.
TEST_F(WritesToTheUnit, AWriteKilledAfterTheStoreIsInTheJournalAndUndone) {
    const fs::path delta = PresetFile("Delta");
    const fs::path truth = folder / "truth";
    ChildProcess sim(SimCommand(kWriteSim, {"--verbose", "--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    {
        ChildProcess tool({QUELLFARN_TOOL, "place", delta.string(), "--bank", "C", "--slot", "7",
                           "--in", kWriteSim + ":MIDI out", "--out", kWriteSim + ":MIDI in",
                           "--delay", "800", "--yes"});
        ASSERT_TRUE(sim.WaitForLine("store preset in slot 7"));
        tool.Kill();
    }
    const ToolResult journal = RunTool("journal" + SimPorts(kWriteSim));
    EXPECT_EQ(journal.Status, 0) << journal.Errors;
    EXPECT_THAT(journal.Output, HasSubstr("place of Delta into C 007: C 007 (not verified)\n"));
    // JACK takes a moment to drop a client killed with its ports open.
    for (int tries = 0;
         tries < 40 && RunTool("devices").Output.find(kWriteSim + ":MIDI in") == std::string::npos;
         ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    const ToolResult undo = RunTool("undo" + SimPorts(kWriteSim) + " --delay 50 --yes");
    EXPECT_EQ(undo.Status, 0) << undo.Output << undo.Errors;
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_EQ(Saved(truth, 2, 7), Factory(2, 7));
}

// Two tools write to one unit at once: the second waits for the first, and the journal keeps
// both steps under ids of their own.
TEST_F(WritesToTheUnit, TwoToolsAtOnceKeepBothSteps) {
    const fs::path echo = PresetFile("Echo");
    const fs::path foxtrot = PresetFile("Foxtrot");
    const fs::path truth = folder / "truth";
    ChildProcess sim(SimCommand(kWriteSim, {"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    ToolResult first;
    std::thread other([&] {
        first = RunTool("place " + Quoted(echo) + " --bank A --slot 1" + SimPorts(kWriteSim) +
                        " --delay 200 --yes");
    });
    const ToolResult second = RunTool("place " + Quoted(foxtrot) + " --bank A --slot 2" +
                                      SimPorts(kWriteSim) + " --delay 200 --yes");
    other.join();
    EXPECT_EQ(first.Status, 0) << first.Output << first.Errors;
    EXPECT_EQ(second.Status, 0) << second.Output << second.Errors;
    const ToolResult journal = RunTool("journal" + SimPorts(kWriteSim));
    EXPECT_THAT(journal.Output, HasSubstr("  1  "));
    EXPECT_THAT(journal.Output, HasSubstr("  2  "));
    EXPECT_THAT(journal.Output, HasSubstr("place of Echo into A 001"));
    EXPECT_THAT(journal.Output, HasSubstr("place of Foxtrot into A 002"));
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_TRUE(SameDumpAnyDevice(Saved(truth, 0, 1), Retitled(Factory(3, 1), "Echo")));
    EXPECT_TRUE(SameDumpAnyDevice(Saved(truth, 0, 2), Retitled(Factory(3, 1), "Foxtrot")));
}

// A set list placed from D 181 and undone over JACK: each song's preset is verified in its slot,
// and after the undo the unit holds, byte for byte, what it held at the start.
TEST_F(WritesToTheUnit, ASetListPlacedAndUndoneLeavesTheUnitAsItBegan) {
    PresetFile("Jam");
    std::ofstream(folder / "gig.txt")
        << "Intro = B017\nJam = Jam.tmq ; in E\nBallad = B002\nOutro = B017 ; again\n";
    const fs::path truth = folder / "truth";
    ChildProcess sim(SimCommand(kWriteSim, {"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    // The songs' slots are known to the tool once it has read them.
    ToolResult run = RunTool("backup " + Quoted(folder / "read") + SimPorts(kWriteSim) +
                             " --banks B --first 1 --last 17 --delay 20");
    ASSERT_EQ(run.Status, 0) << run.Errors << run.Output;

    run = RunTool("setlist place " + Quoted(folder / "gig.txt") + " --from D181" +
                  SimPorts(kWriteSim) + " --delay 50 --yes");
    EXPECT_EQ(run.Status, 0) << run.Output << run.Errors;
    const std::string intro = PresetTitleOf(Factory(1, 17));
    for (const std::string& line : {"D 181: " + intro, std::string("D 182: Jam"),
                                    "D 183: " + PresetTitleOf(Factory(1, 2)), "D 184: " + intro})
        EXPECT_THAT(run.Output, HasSubstr(line + " written and verified\n"));

    UndoLeavesTheFactoryUnit(sim, truth);
}

// One parameter set across ten slots over JACK: read back, each slot differs from what it held
// in that parameter alone; undone, the unit holds, byte for byte, what it held at the start.
TEST_F(WritesToTheUnit, AParameterSetAcrossTenSlotsAndUndoneLeavesTheUnitAsItBegan) {
    const fs::path truth = folder / "truth";
    ChildProcess sim(SimCommand(kWriteSim, {"--save", truth.string()}));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    const std::string backup =
        SimPorts(kWriteSim) + " --banks A --first 1 --last 10 --untitled Untitled --delay 20";
    ToolResult run = RunTool("backup " + Quoted(folder / "before") + backup);
    ASSERT_EQ(run.Status, 0) << run.Errors << run.Output;

    run = RunTool("set \"mix dry=12%\" --slots A001-A010" + SimPorts(kWriteSim) +
                  " --delay 50 --yes");
    EXPECT_EQ(run.Status, 0) << run.Output << run.Errors;
    EXPECT_THAT(run.Output, HasSubstr("in 10 slots: 10 written, 10 verified, 0 failed\n"));

    run = RunTool("backup " + Quoted(folder / "after") + backup);
    ASSERT_EQ(run.Status, 0) << run.Errors << run.Output;
    const auto before = FilesIn(folder / "before" / BankFolderName(0));
    const auto after = FilesIn(folder / "after" / BankFolderName(0));
    ASSERT_EQ(before.size(), 10U);
    ASSERT_EQ(after.size(), 10U);
    for (const auto& [name, bytes] : before) {
        SCOPED_TRACE(name);
        const ToolResult diff =
            RunTool("preset diff " + Quoted(folder / "before" / BankFolderName(0) / name) + " " +
                    Quoted(folder / "after" / BankFolderName(0) / name));
        EXPECT_EQ(diff.Status, 1) << diff.Errors;
        EXPECT_THAT(diff.Output, testing::MatchesRegex("Mix \u00b7 Dry: [0-9]+% \u2192 12%\n"));
    }

    UndoLeavesTheFactoryUnit(sim, truth);
}
