// quellfarn-tool's library and search: a backup killed half way leaves the unit's memory whole
// with every preset it had read; library lists that memory, search the files, with their exit
// statuses and the search's mistakes.

#include "ToolRun.h"
#include "sim/SimulatedProcessor.h"
#include "store/UnitMemory.h"
#include "support/ChildProcess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ToolLibrary, AKilledBackupLeavesTheMemoryWholeWhichLibraryAndSearchList) {
    QDir(ProgramDataFolder()).removeRecursively();
    QTemporaryDir folder;
    {
        ChildProcess backup({QUELLFARN_TOOL, "backup", folder.path().toStdString(), "--banks", "A",
                             "--delay", "5", "--untitled", "Untitled"});
        ASSERT_TRUE(backup.WaitForLine("Preset #12 received"));
        backup.Kill();
    }
    TUnitMemory memory(TUnitMemory::FolderFor(kSimulatedDeviceName, 0));
    memory.Load();
    EXPECT_TRUE(memory.Problems().isEmpty()) << memory.Problems().join("; ").toStdString();
    const std::map<std::string, TBytes> saved =
        FilesIn(std::filesystem::path(folder.path().toStdString()) / "Bank A");
    ASSERT_GE(memory.Slots().size(), 12u);
    ASSERT_LE(memory.Slots().size(), saved.size() + 1) << "at most the preset being written";
    std::string firstTitle;
    for (const auto& [name, dump] : saved) {
        const int slot = std::stoi(name.substr(name.size() - 3));
        const TSlotMemory* remembered = memory.Slot(0, slot);
        ASSERT_NE(remembered, nullptr) << name;
        EXPECT_EQ(remembered->Now()->Dump, dump) << name;
        if (slot == 1)
            firstTitle = PresetTitleOf(dump);
    }
    ASSERT_FALSE(firstTitle.empty());

    const ToolResult listed = RunTool("library --bank A");
    EXPECT_EQ(listed.Status, 0) << listed.Errors;
    EXPECT_EQ(listed.Output.rfind("A 001  " + firstTitle, 0), 0u) << listed.Output;
    EXPECT_NE(listed.Output.find("\nA 200  (never read)\n"), std::string::npos);
    const QJsonArray json = QJsonDocument::fromJson(QByteArray::fromStdString(
                                                        RunTool("library --bank A --json").Output))
                                .array();
    ASSERT_EQ(json.size(), 200);
    EXPECT_EQ(json[0].toObject()["title"].toString().toStdString(), firstTitle);
    EXPECT_EQ(json[0].toObject()["bank"].toString(), "A");
    EXPECT_FALSE(json[199].toObject()["read"].toBool(true));

    const std::string dir = Quoted(folder.path().toStdString());
    const struct {
        std::string Arguments;
        int Status;
        std::string Printed; // found in what it prints (standard output, else standard error)
    } cases[] = {
        {"library --bank B", 0, "B 001  (never read)"},
        {"library --search '\"" + firstTitle + "\"'", 0, "A 001  " + firstTitle},
        {"library --search zzzz", 1, ""},
        {"library --search 'driev>5'", 2, "cannot search for that: no parameter called 'driev'"},
        {"library --bank E", 2, "--bank takes one letter from A to D"},
        {"library --out 'No Such Port'", 1, "No unit of that name is remembered"},
        {"search '\"" + firstTitle + "\"' " + dir, 0, "/Bank A/" + firstTitle + ".tmq001: "},
        {"search zzzz " + dir, 1, ""},
        {"search 'drive>' " + dir, 2, "cannot search for that"},
        {"search fretless", 2, "search needs EXPR and at least one DIR"},
        {"search fretless /no/such/folder", 1, "Invalid folder: /no/such/folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments);
        const ToolResult result = RunTool(c.Arguments);
        EXPECT_EQ(result.Status, c.Status) << result.Errors;
        EXPECT_NE((c.Status == 0 ? result.Output : result.Errors).find(c.Printed),
                  std::string::npos)
            << result.Output << result.Errors;
    }
}
