// A backup folder's layout with a temporary folder alone: presets written as a backup names
// them, the numbers a bank already holds, the plan a restore reads from it, and the kept copies.

#include "store/BackupFolder.h"

#include "model/DeviceMode.h"
#include "model/Preset.h"
#include "support/TestPresets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

TEST(BackupFolder, WritesReadsAndPlansTheLayoutBothWays) {
    QTemporaryDir root;
    const TBackupFolder folder(root.path(), false);
    EXPECT_EQ(folder.BankFolder(2), root.path() + "/Bank C/");
    bool created = false;
    EXPECT_TRUE(folder.MakeBankFolder(2, created).isEmpty());
    EXPECT_TRUE(created);
    EXPECT_TRUE(folder.MakeBankFolder(2, created).isEmpty());
    EXPECT_FALSE(created) << "already there";
    QString error;
    EXPECT_EQ(folder.SavePreset(2, 7, "Slap/Pop", TitledDump("Slap/Pop"), error),
              "Slap-Pop.tmq007");
    EXPECT_EQ(folder.SavePreset(2, 9, "Dub", TitledDump("Dub"), error), "Dub.tmq009");
    EXPECT_EQ(folder.SavedNumbers(2), (std::set<int>{7, 9}));
    EXPECT_TRUE(folder.SavePreset(3, 1, "No Folder", TitledDump("No Folder"), error).isEmpty());
    EXPECT_TRUE(error.startsWith("cannot write " + root.path() + "/Bank D/No Folder.tmq001"));

    QFile(root.filePath("Bank C/Dub again.tmq009")).open(QIODevice::WriteOnly); // empty: damaged
    QFile short_(root.filePath("Bank C/Short.tmq010"));
    ASSERT_TRUE(short_.open(QIODevice::WriteOnly));
    short_.write(QByteArray(257, '\x01'));
    short_.close();
    std::vector<TRestoreItem> plan = folder.PlanRestore({false, false, true, false}, 1, 200);
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan[0].Slot, 7);
    EXPECT_EQ(plan[0].FileTitle, "Slap/Pop");
    EXPECT_TRUE(plan[0].Problem.isEmpty());
    EXPECT_EQ(plan[1].Problem, "not a 258-byte preset dump") << "the empty one sorts first";
    EXPECT_TRUE(plan[2].Problem.isEmpty()) << "one good file for slot 9 is sent";
    EXPECT_EQ(plan[3].Problem, "not a 258-byte preset dump");
    EXPECT_TRUE(folder.PlanRestore({false, false, true, false}, 8, 9).size() == 2u);

    // What stands under a preset's name but cannot be read is skipped by name, never left out.
    ASSERT_TRUE(QFile::link(root.filePath("gone"), root.filePath("Bank C/Broken.tmq020")));
    ASSERT_TRUE(QDir(root.filePath("Bank C")).mkdir("Folder.tmq021"));
    ASSERT_EQ(mkfifo(root.filePath("Bank C/Pipe.tmq022").toLocal8Bit().constData(), 0600), 0);
    plan = folder.PlanRestore({false, false, true, false}, 20, 22);
    ASSERT_EQ(plan.size(), 3u);
    for (const TRestoreItem& item : plan) {
        EXPECT_TRUE(item.Problem.startsWith("cannot be read: " + item.Path))
            << item.Problem.toStdString();
        EXPECT_TRUE(item.Dump.empty());
    }

    QFile second(root.filePath("Bank C/Dub copy.tmq009"));
    ASSERT_TRUE(second.open(QIODevice::WriteOnly));
    const TBytes dub = TitledDump("Dub copy");
    second.write(reinterpret_cast<const char*>(dub.data()), qint64(dub.size()));
    second.close();
    plan = folder.PlanRestore({false, false, true, false}, 9, 9);
    for (const TRestoreItem& item : plan) {
        if (item.Path.contains("Dub")) {
            EXPECT_FALSE(item.Problem.isEmpty()) << "two good files for one slot: neither is sent";
        }
    }

    const TBackupFolder single(root.path(), true);
    EXPECT_EQ(single.BankFolder(2), root.path() + "/") << "a single bank: straight into it";
}

TEST(BackupFolder, KeptPresetsAreNamedByBankMomentAndSlotAndNeverOverwritten) {
    QTemporaryDir root;
    QString error;
    const QString first = KeepReplacedPreset(root.path(), TitledDump("Slap Funk"), 0, 17, error);
    const QString second = KeepReplacedPreset(root.path(), TitledDump("Slap Funk"), 0, 17, error);
    const QString untitled = KeepReplacedPreset(root.path(), TitledDump(""), -1, 3, error);
    const QString last = KeepReplacedPreset(root.path(), TitledDump("Last"), 3, 200, error);
    EXPECT_TRUE(QFileInfo(first).fileName().startsWith("Bank A 20")) << first.toStdString();
    EXPECT_TRUE(QFileInfo(last).fileName().startsWith("Bank D 20")) << last.toStdString();
    EXPECT_TRUE(first.endsWith(" Slap Funk.tmq017")) << first.toStdString();
    EXPECT_NE(first, second);
    EXPECT_TRUE(QFileInfo(untitled).fileName().startsWith("20")) << "no bank on a single-bank unit";
    EXPECT_TRUE(untitled.endsWith(" Untitled.tmq003"));
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files).size(), 4);
}
