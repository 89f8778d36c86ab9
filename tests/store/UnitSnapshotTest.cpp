// Snapshots of the unit's memory: written and read back whole, never written over, damaged ones
// moved aside; and what a comparison with the memory now tells, line by line.

#include "store/UnitSnapshot.h"

#include "model/Mpt.h"
#include "store/WholeFile.h"
#include "support/FileBytes.h"
#include "support/TestPresets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <utility>

namespace {
TBytes TableCalling(int program, int preset) {
    Tmpt table;
    table.MptEntries[static_cast<std::size_t>(program - 1)] = preset - 1;
    return table.Encode();
}
} // namespace

TEST(UnitSnapshot, IsWrittenWholeReadBackAndNeverWrittenOver) {
    QTemporaryDir unit;
    TUnitMemory memory(unit.path());
    ASSERT_EQ(memory.Saw(0, 1, TitledDump("One"), TSeenHow::Read), "");
    ASSERT_EQ(memory.Saw(3, 200, TitledDump("Last"), TSeenHow::Stored), "");
    const QDateTime when = QDateTime::fromString("2026-11-28T23:40:00.000", Qt::ISODateWithMs);
    TUnitSnapshot snapshot = SnapshotOf(memory, TableCalling(3, 17), when);
    snapshot.Name = "Friday gig";
    ASSERT_EQ(SaveSnapshot(unit.path(), snapshot), "");

    const TSnapshotLoad load = LoadSnapshot(unit.path(), "Friday gig");
    ASSERT_TRUE(load.Ok()) << load.Error.toStdString();
    EXPECT_EQ(load.Snapshot.Taken, when);
    EXPECT_EQ(load.Snapshot.Slots, snapshot.Slots);
    EXPECT_EQ(load.Snapshot.Slots.size(), 2u);
    EXPECT_EQ(load.Snapshot.Table, TableCalling(3, 17));
    EXPECT_EQ(SnapshotNames(unit.path()), QStringList{"Friday gig"});

    // The snapshot of the last gig is what the next one is told against.
    snapshot.Slots.clear();
    EXPECT_EQ(SaveSnapshot(unit.path(), snapshot),
              "a snapshot named \"Friday gig\" is there already: choose another name");
    EXPECT_EQ(LoadSnapshot(unit.path(), "Friday gig").Snapshot.Slots.size(), 2u);

    // A name is a file name: nothing that leads out of the folder or hides the file.
    for (const QString& name :
         QStringList{"", "../escape", "a/b", ".hidden", "trailing ", QString(65, 'x')}) {
        snapshot.Name = name;
        EXPECT_NE(SaveSnapshot(unit.path(), snapshot), "") << name.toStdString();
        EXPECT_TRUE(LoadSnapshot(unit.path(), name).Missing);
    }
    EXPECT_EQ(QDir(unit.path()).entryList(QDir::Files), (QStringList{"A001.slot", "D200.slot"}));
    EXPECT_TRUE(LoadSnapshot(unit.path(), "Saturday").Missing);
}

TEST(UnitSnapshot, ADamagedSnapshotIsNamedAndMovedAside) {
    QTemporaryDir unit;
    const QString folder = SnapshotFolder(unit.path());
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray header = "Quellfarn unit snapshot 1\ntaken 2026-11-28T23:40:00.000\n";
    const TBytes dump = TitledDump("One");
    const QByteArray hex =
        QByteArray(reinterpret_cast<const char*>(dump.data()), static_cast<qsizetype>(dump.size()))
            .toHex();
    const QByteArray damaged[] = {
        "",
        "Quellfarn slot memory 1\n",
        "Quellfarn unit snapshot 1\nslot 0 1 " + hex + "\n", // no date
        header + "slot 0 1 " + hex.left(200) + "\n",         // cut short
        header + "slot 4 1 " + hex + "\n",                   // no bank E
        header + "slot 0 1 " + hex + "\nslot 0 1 " + hex + "\n",
        header + "table f01a00\n",
        QByteArray(kLargestSnapshotFile + 1, 's'),
    };
    for (const QByteArray& text : damaged) {
        SCOPED_TRACE(text.left(60).toStdString());
        WriteText(folder + "/gig.snapshot", text);
        const TSnapshotLoad load = LoadSnapshot(unit.path(), "gig");
        EXPECT_FALSE(load.Ok());
        EXPECT_FALSE(load.Missing);
        EXPECT_TRUE(load.Error.endsWith("; it was moved to " + folder + "/gig.snapshot.damaged"))
            << load.Error.toStdString();
        EXPECT_FALSE(QFile::exists(folder + "/gig.snapshot"));
        QFile::remove(folder + "/gig.snapshot.damaged");
    }
    // A folder in its place is named and left where it is.
    ASSERT_TRUE(QDir().mkpath(folder + "/gig.snapshot"));
    EXPECT_FALSE(LoadSnapshot(unit.path(), "gig").Ok());
    EXPECT_TRUE(QFileInfo(folder + "/gig.snapshot").isDir());
}

TEST(UnitSnapshot, TheComparisonNamesEachSlotThatChangedAndTheTablesPrograms) {
    const TBytes one = TitledDump("One");
    TBytes oneOnDevice5 = one;
    oneOnDevice5[2] = 5;
    const TBytes two = TitledDump("Two");
    const TBytes three = TitledDump("Three");
    const auto snapshot = [](std::map<TPlace, TBytes> held, std::optional<TBytes> table) {
        return TUnitSnapshot{"", QDateTime(), std::move(held), std::move(table)};
    };
    const struct {
        const char* What;
        TUnitSnapshot Then, Now;
        bool SingleBank;
        QStringList Lines;
    } cases[] = {
        {"nothing changed; the device byte is no change",
         snapshot({{{0, 1}, one}}, TableCalling(1, 5)),
         snapshot({{{0, 1}, oneOnDevice5}}, TableCalling(1, 5)),
         false,
         {}},
        {"a slot with another preset, with the compare's lines",
         snapshot({{{1, 17}, one}, {{1, 18}, two}}, std::nullopt),
         snapshot({{{1, 17}, two}, {{1, 18}, two}}, std::nullopt),
         false,
         {"B 017: One \u2192 Two", "  Title: One \u2192 Two"}},
        {"slots read since and slots no longer remembered, in the unit's order",
         snapshot({{{3, 200}, three}, {{0, 2}, two}}, std::nullopt),
         snapshot({{{0, 2}, two}, {{0, 1}, one}}, std::nullopt),
         false,
         {"A 001: One, not remembered then", "D 200: Three, no longer remembered"}},
        {"the table's programs when both have one",
         snapshot({}, TableCalling(3, 17)),
         snapshot({}, TableCalling(3, 99)),
         false,
         {"Program 3: preset 17 \u2192 preset 99"}},
        {"no table told when only one side has one",
         snapshot({}, TableCalling(3, 17)),
         snapshot({}, std::nullopt),
         false,
         {}},
        {"the single bank's slots without a letter",
         snapshot({{{0, 7}, one}}, std::nullopt),
         snapshot({{{0, 7}, three}}, std::nullopt),
         true,
         {"007: One \u2192 Three", "  Title: One \u2192 Three"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        const TSnapshotChanges changes = CompareSnapshots(c.Then, c.Now);
        EXPECT_EQ(changes.Empty(), c.Lines.isEmpty());
        EXPECT_EQ(ChangeLines(changes, c.SingleBank), c.Lines);
    }
}
