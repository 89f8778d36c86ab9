// quellfarn-tool backup and devices against the simulated unit inside the tool: the folders and
// files a backup leaves, its listing, its exit status and what it says when it cannot go on.

#include "ToolRun.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedProcessor.h"
#include "support/ChildProcess.h"
#include "support/PdfText.h"
#include "support/ReadOnlyFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using testing::HasSubstr;

namespace {
// The files a backup of these slots must give: the unit's own bytes under the names the
// window gives them. An empty untitled name leaves untitled slots out.
std::map<std::string, TBytes> Expected(int bank, int first, int last, const TDeviceMode& variant,
                                       const std::string& untitled = "") {
    const TPlenovaDevice unit(variant.PrePlenova);
    std::map<std::string, TBytes> files;
    for (int number = first; number <= last; ++number) {
        const TBytes dump = unit.Outgoing(TPlenovaDevice::FactoryPreset(bank, number - 1, variant));
        std::string title = PresetTitleOf(dump);
        if (title.empty())
            title = untitled;
        if (!title.empty())
            files[BackupFileName(title, number)] = dump;
    }
    return files;
}

// Exactly one line on standard error, and what it says.
std::string OnlyLine(const std::string& errors) {
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    return errors;
}

class BackupTest : public testing::Test {
protected:
    void SetUp() override {
        folder =
            fs::temp_directory_path() / ("quellfarn-backup-test-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    fs::path folder;
};
} // namespace

TEST_F(BackupTest, ChosenBanksGetTheirRangeAndEveryFileHoldsTheUnitsBytes) {
    const fs::path target = folder / "backup"; // made by the tool
    const ToolResult run =
        RunTool("backup " + Quoted(target) +
                " --delay 5 --banks AC --first 5 --last 10 --untitled 'No Name'");
    ASSERT_EQ(run.Status, 0) << run.Errors << run.Output;
    EXPECT_EQ(run.Errors, "");
    // The first bank starts at --first, every further one at preset 1.
    EXPECT_EQ(FilesIn(target / "Bank A"), Expected(0, 5, 10, TDeviceMode::Plenova(), "No Name"));
    EXPECT_EQ(FilesIn(target / "Bank C"), Expected(2, 1, 10, TDeviceMode::Plenova(), "No Name"));
    EXPECT_FALSE(fs::exists(target / "Bank B") || fs::exists(target / "Bank D"));
    EXPECT_THAT(run.Output, HasSubstr("16 saved, 0 untitled skipped, 0 time-outs\n"));
    EXPECT_THAT(run.Output, HasSubstr("Procedure is complete\n"));
}

TEST_F(BackupTest, APrePlenovaUnitsPresetsGoStraightIntoTheFolderWithoutTheUntitled) {
    const ToolResult run =
        RunTool("backup " + Quoted(folder) + " --pre-plenova --delay 5 --first 3 --last 9");
    ASSERT_EQ(run.Status, 0) << run.Errors << run.Output;
    const auto expected = Expected(0, 3, 9, TDeviceMode::PrePlenovaModel());
    EXPECT_EQ(expected.size(), 6u) << "preset 8 has no title";
    EXPECT_EQ(FilesIn(folder), expected);
    EXPECT_FALSE(fs::exists(folder / "Bank A"));
    EXPECT_THAT(run.Output, HasSubstr("Preset #8 is untitled (not saved)\n"));
}

TEST_F(BackupTest, TheListingNamesEveryTitleAsItIsWhileFileNamesAreMadeSafe) {
    const fs::path pdf = folder / "list.pdf";
    const ToolResult run = RunTool("backup " + Quoted(folder / "b") + " --delay 5 --banks B " +
                                   "--first 10 --last 15 --print-list " + Quoted(pdf));
    ASSERT_EQ(run.Status, 0) << run.Errors << run.Output;
    const QString text = PdfText(QString::fromStdString(pdf.string()));
    const auto files = Expected(1, 10, 15, TDeviceMode::Plenova());
    EXPECT_EQ(FilesIn(folder / "b" / "Bank B"), files);
    EXPECT_EQ(files.count("AC-DC Drive.tmq014"), 1u);
    for (const auto& [name, dump] : files)
        EXPECT_TRUE(text.contains(QString::fromStdString(PresetTitleOf(dump))))
            << name << "\n"
            << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("AC/DC Drive")));
}

TEST_F(BackupTest, UsageErrorsGiveStatusTwoAndTouchNothing) {
    const std::string target = Quoted(folder / "new");
    for (const std::string& arguments : std::vector<std::string>{
             "backup", "backup " + target + " --first 0", "backup " + target + " --last 201",
             "backup " + target + " --first 7x", "backup " + target + " --first -3",
             "backup " + target + " --first 11 --last 10", "backup " + target + " --banks AE",
             "backup " + target + " --banks ''", "backup " + target + " --delay 0",
             "backup " + target + " --delay 10001", "backup " + target + " --retries 0",
             "backup " + target + " --timeout", "backup " + target + " --loud",
             "backup " + target + " " + target, "devices now"}) {
        const ToolResult run = RunTool(arguments);
        EXPECT_EQ(run.Status, 2) << arguments << "\n" << run.Errors;
        EXPECT_THAT(run.Errors, testing::StartsWith("quellfarn-tool: ")) << arguments;
        EXPECT_THAT(run.Errors, HasSubstr("\nusage:")) << arguments;
    }
    EXPECT_FALSE(fs::exists(folder / "new"));
    const ToolResult reversed = RunTool("backup " + target + " --first 11 --last 10");
    EXPECT_THAT(reversed.Errors, HasSubstr("--first 11 is after --last 10"));
}

TEST_F(BackupTest, WhatCannotBeWrittenOrOpenedEndsItWithStatusOneAndOneMessage) {
    // A folder nothing can be created in, even by root: neither a bank folder nor a file.
    const fs::path locked = folder / "locked";
    fs::create_directories(locked);
    {
        const ReadOnlyFile readOnly(QString::fromStdString(locked.string()));
        if (!readOnly.Holds())
            GTEST_SKIP() << "no way to make a folder read-only here";
        ToolResult run = RunTool("backup " + Quoted(locked) + " --delay 5 --first 1 --last 3");
        EXPECT_EQ(run.Status, 1);
        EXPECT_THAT(OnlyLine(run.Errors),
                    HasSubstr("cannot create the folder " + (locked / "Bank A").string()));
        run = RunTool("backup " + Quoted(locked) + " --pre-plenova --delay 5 --first 1 --last 3");
        EXPECT_EQ(run.Status, 1);
        EXPECT_THAT(OnlyLine(run.Errors), HasSubstr("cannot write " + locked.string()));
    }
    EXPECT_TRUE(fs::is_empty(locked));

    // One level is made, not two.
    ToolResult run = RunTool("backup " + Quoted(folder / "a" / "b") + " --delay 5 --last 2");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(OnlyLine(run.Errors),
                HasSubstr("cannot create the folder " + (folder / "a" / "b").string()));

    // A port the tool does not know: the names it does know.
    run = RunTool("backup " + Quoted(folder) + " --in 'Nowhere In' --delay 5");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(OnlyLine(run.Errors),
                HasSubstr("no MIDI input \"Nowhere In\"; the MIDI inputs are \"" +
                          std::string(kSimulatedDeviceName) + "\""));
    run = RunTool("backup " + Quoted(folder) + " --out 'Nowhere Out' --delay 5");
    EXPECT_EQ(run.Status, 1);
    EXPECT_THAT(OnlyLine(run.Errors), HasSubstr("no MIDI output \"Nowhere Out\""));
    EXPECT_FALSE(fs::exists(folder / "a") || fs::exists(folder / "Bank A"));
}

TEST_F(BackupTest, InterruptedItStopsCleanlyKeepingWhatArrived) {
    ChildProcess tool({QUELLFARN_TOOL, "backup", folder.string(), "--delay", "20"});
    ASSERT_TRUE(tool.WaitForLine("Preset #3 received"));
    EXPECT_EQ(tool.Stop(), 1);
    EXPECT_TRUE(tool.WaitForLine("quellfarn-tool: aborted"));
    EXPECT_NE(std::find(tool.Lines.begin(), tool.Lines.end(), "Procedure aborted\n"),
              tool.Lines.end());
    const auto files = FilesIn(folder / "Bank A");
    EXPECT_GE(files.size(), 3u);
    EXPECT_LT(files.size(), 200u);
    const auto all = Expected(0, 1, 200, TDeviceMode::Plenova());
    for (const auto& [name, bytes] : files)
        EXPECT_EQ(all.at(name), bytes) << name;
}

TEST(Devices, ListsTheSimulatedUnitBothWays) {
    const ToolResult run = RunTool("devices");
    EXPECT_EQ(run.Status, 0) << run.Errors;
    // Real devices, where there are any, come first in each list.
    const std::string unit = "\n  " + std::string(kSimulatedDeviceName) + "\n";
    const std::size_t outputs = run.Output.find("MIDI outputs:\n");
    ASSERT_NE(outputs, std::string::npos) << run.Output;
    EXPECT_THAT(run.Output.substr(0, outputs), testing::StartsWith("MIDI inputs:\n"));
    EXPECT_THAT(run.Output.substr(0, outputs + 1), HasSubstr(unit));
    EXPECT_THAT(run.Output.substr(outputs - 1), HasSubstr(unit));
}
