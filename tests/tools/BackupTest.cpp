// quellfarn-tool backup and devices against the simulated unit inside the tool: what the command
// line adds to the device link's walk (its options, the folders and files as the user finds them,
// the listing file, the exit status, what it prints and Ctrl+C). What the walk saves and says is
// proven in tests/link.

#include "ToolRun.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedProcessor.h"
#include "support/ChildProcess.h"
#include "support/PdfText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;
using testing::HasSubstr;
using testing::Not;

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

using BackupTest = ToolFolderTest;
} // namespace

// The options reach the walk: banks, range, untitled name, a single-bank unit, the listing, and
// the longest request delay (with the link's clock sped up).
TEST_F(BackupTest, TheOptionsGiveTheFoldersAndFilesTheyName) {
    const fs::path pdf = folder / "list.pdf";
    struct Case {
        std::string Arguments, Environment;
        std::map<std::string, std::map<std::string, TBytes>> Folders; // "": the folder itself
    };
    const TDeviceMode plenova = TDeviceMode::Plenova();
    const Case cases[] = {
        {"--delay 5 --banks AC --first 5 --last 10 --untitled 'No Name'",
         "",
         {{"Bank A", Expected(0, 5, 10, plenova, "No Name")},
          {"Bank C", Expected(2, 1, 10, plenova, "No Name")}}},
        {"--delay 5 --pre-plenova --first 3 --last 9",
         "",
         {{"", Expected(0, 3, 9, TDeviceMode::PrePlenovaModel())}}},
        {"--delay 5 --banks B --first 10 --last 15 --print-list " + Quoted(pdf),
         "",
         {{"Bank B", Expected(1, 10, 15, plenova)}}},
        {"--delay 10000 --banks AB --last 2",
         "QUELLFARN_CLOCK_SPEED=20",
         {{"Bank A", Expected(0, 1, 2, plenova)}, {"Bank B", Expected(1, 1, 2, plenova)}}},
    };
    for (const Case& backup : cases) {
        const fs::path target = folder / "backup"; // made by the tool
        fs::remove_all(target);
        const ToolResult run =
            RunTool("backup " + Quoted(target) + " " + backup.Arguments, backup.Environment);
        ASSERT_EQ(run.Status, 0) << backup.Arguments << run.Errors << run.Output;
        EXPECT_THAT(run.Errors, Not(HasSubstr("quellfarn-tool:"))) << backup.Arguments;
        EXPECT_THAT(run.Output, HasSubstr("Procedure is complete\n")) << backup.Arguments;
        std::set<std::string> folders;
        for (const auto& entry : fs::directory_iterator(target))
            if (entry.is_directory())
                folders.insert(entry.path().filename().string());
        std::set<std::string> expected;
        for (const auto& [name, files] : backup.Folders) {
            EXPECT_EQ(FilesIn(target / name), files) << backup.Arguments << " " << name;
            if (!name.empty())
                expected.insert(name);
        }
        EXPECT_EQ(folders, expected) << backup.Arguments;
    }
    EXPECT_EQ(Expected(0, 3, 9, TDeviceMode::PrePlenovaModel()).size(), 6u) << "8 is untitled";
    EXPECT_TRUE(PdfText(QString::fromStdString(pdf.string())).contains("AC/DC Drive"))
        << "the title as it is, its file AC-DC Drive.tmq014";
}

// A folder that cannot be made, or a port the tool does not know (with the names it does know),
// ends the backup with status 1 and one line on standard error.
TEST_F(BackupTest, WhatCannotBeWrittenOrOpenedEndsItWithStatusOneAndOneMessage) {
    const std::pair<std::string, std::string> cases[] = {
        {Quoted(folder / "a" / "b"), "cannot create the folder " + (folder / "a" / "b").string()},
        {Quoted(folder) + " --in 'Nowhere In'",
         "no MIDI input \"Nowhere In\"; the MIDI inputs are \"" +
             std::string(kSimulatedDeviceName) + "\""},
        {Quoted(folder) + " --out 'Nowhere Out'", "no MIDI output \"Nowhere Out\""},
    };
    for (const auto& [arguments, message] : cases) {
        const ToolResult run = RunTool("backup " + arguments + " --delay 5 --last 2");
        EXPECT_EQ(run.Status, 1) << arguments;
        EXPECT_THAT(OnlyLine(run.Errors), HasSubstr(message)) << arguments;
    }
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
