// A unit's memory with a temporary folder alone: each content a slot held kept once with when
// and how it was seen, read back by the next start, and a damaged or unwritable file changing
// nothing that was known.

#include "support/LinkRig.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
TBytes Preset(const std::string& title, std::uint8_t device = 0) {
    TPreset preset;
    preset.Title = title;
    TBytes dump = preset.Encode();
    dump[2] = device;
    return dump;
}
} // namespace

TEST(UnitMemory, EachContentIsKeptOnceWithWhenAndHowAndReadBack) {
    QTemporaryDir folder;
    const QDateTime monday(QDate(2026, 12, 7), QTime(9, 0));
    const QDateTime tuesday = monday.addDays(1);
    {
        TUnitMemory memory(folder.path());
        EXPECT_TRUE(memory.Saw(1, 17, Preset("Slap Funk"), TSeenHow::Read, monday).isEmpty());
        EXPECT_TRUE(memory.Saw(1, 17, Preset("Slap Funk", 5), TSeenHow::Read, tuesday).isEmpty())
            << "another device byte is the same preset";
        EXPECT_TRUE(memory.Saw(1, 17, Preset("Fretless"), TSeenHow::Stored, tuesday).isEmpty());
        EXPECT_TRUE(memory.Saw(0, 3, Preset("Dub"), TSeenHow::Restored, monday).isEmpty());
    }
    TUnitMemory memory(folder.path());
    memory.Load();
    EXPECT_TRUE(memory.Problems().isEmpty());
    ASSERT_EQ(memory.Slots().size(), 2u);
    const TSlotMemory* slot = memory.Slot(1, 17);
    ASSERT_NE(slot, nullptr);
    ASSERT_EQ(slot->Versions.size(), 2u);
    EXPECT_EQ(slot->Versions[0].Dump, Preset("Slap Funk")) << "as first seen";
    EXPECT_EQ(slot->Versions[0].FirstSeen, monday);
    EXPECT_EQ(slot->Versions[0].LastSeen, tuesday);
    EXPECT_EQ(slot->Versions[1].FirstHow, TSeenHow::Stored);
    ASSERT_NE(slot->Now(), nullptr);
    EXPECT_EQ(slot->Now()->Dump, Preset("Fretless"));
    EXPECT_STREQ(SeenHowText(TSeenHow::Kept), "kept before a store");

    // Seen again, an old content is what the slot holds now, still once in its history.
    EXPECT_TRUE(
        memory.Saw(1, 17, Preset("Slap Funk"), TSeenHow::Restored, tuesday.addDays(1)).isEmpty());
    EXPECT_EQ(memory.Slot(1, 17)->Versions.size(), 2u);
    EXPECT_EQ(memory.Slot(1, 17)->Current, 0);
    EXPECT_EQ(memory.Slot(1, 17)->Versions[0].LastHow, TSeenHow::Restored);
}

TEST(UnitMemory, ADamagedFileIsNamedAndAFailedWriteChangesNothing) {
    QTemporaryDir folder;
    TUnitMemory memory(folder.path());
    ASSERT_TRUE(memory.Saw(0, 1, Preset("Kept"), TSeenHow::Read).isEmpty());
    QFile damaged(folder.filePath("B002.slot"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("Quellfarn slot memory 1\nbank 1\nslot 2\ncurrent 0\nversion garbage\n");
    damaged.close();
    TUnitMemory reread(folder.path());
    reread.Load();
    EXPECT_EQ(reread.Slots().size(), 1u);
    EXPECT_EQ(reread.Problems(), QStringList{"B002.slot: not a slot memory this program can read; "
                                             "moved to B002.slot.damaged"});

    // A folder stands where slot 1's file goes: the write fails, the memory stays as it was.
    ASSERT_TRUE(QFile::remove(folder.filePath("A001.slot")));
    ASSERT_TRUE(QDir(folder.path()).mkdir("A001.slot"));
    EXPECT_FALSE(memory.Saw(0, 1, Preset("New"), TSeenHow::Stored).isEmpty());
    EXPECT_EQ(memory.Slot(0, 1)->Versions.size(), 1u);
    EXPECT_EQ(memory.Slot(0, 1)->Now()->Dump, Preset("Kept"));
    EXPECT_FALSE(memory.Saw(0, 2, TBytes{0xF0, 0xF7}, TSeenHow::Read).isEmpty()) << "no preset";
}

// The link remembers what it reads, what a store replaces and writes, and what a restore puts
// back, each as seen.
TEST(UnitMemory, TheLinksJobsFeedIt) {
    LinkRig rig;
    QTemporaryDir folder;
    TUnitMemory memory(folder.filePath("unit"));
    rig.Link->SetMemory(&memory);
    TProcedureOptions read;
    read.Banks = {true, false, false, false};
    read.Last = 2;
    read.RequestDelay = 5;
    ASSERT_TRUE(rig.Link->Job<TBackupWalk>().Start(read));
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.Ended.isEmpty(); }));
    ASSERT_NE(memory.Slot(0, 2), nullptr) << "a walk that saves nothing still reads";
    EXPECT_EQ(memory.Slot(0, 2)->Now()->Dump, rig.Sent(0, 1).first);
    EXPECT_EQ(memory.Slot(0, 2)->Now()->FirstHow, TSeenHow::Read);

    TStoreRequest store;
    store.Dump = Preset("Stored");
    store.Slot = 1;
    store.Keep = store.Verify = store.SendFirst = true;
    ASSERT_TRUE(rig.Link->Job<TVerifiedStore>().Store(store).Verified);
    const TSlotMemory* slot = memory.Slot(0, 1);
    ASSERT_EQ(slot->Versions.size(), 2u);
    EXPECT_EQ(slot->Versions[0].LastHow, TSeenHow::Kept);
    EXPECT_EQ(slot->Now()->FirstHow, TSeenHow::Stored);

    std::vector<TRestoreItem> plan(1);
    plan[0].Bank = 0;
    plan[0].Slot = 2;
    plan[0].Dump = Preset("Put Back");
    ASSERT_EQ(rig.Link->Job<TRestoreWalk>().Run(plan).Verified, 1);
    EXPECT_EQ(memory.Slot(0, 2)->Now()->FirstHow, TSeenHow::Restored);
    TUnitMemory reread(folder.filePath("unit"));
    reread.Load();
    EXPECT_EQ(reread.Slots().size(), 2u) << "all of it on disk";
}

// F10 files the unit's current preset under the bank and number the unit names just before it;
// when either answer is missing it files nothing, and without a memory it only asks for the dump.
TEST(UnitMemory, TheCurrentPresetGoesIntoTheSlotTheUnitNames) {
    struct Case {
        const char* Name;
        bool PrePlenova;
        int DropEvery;  // the unit's answers: bank, number, dump (no bank on a single-bank unit)
        bool PingFirst; // while the unit is at bank A: two answers, bypass and bank
        bool Memory;
        int Bank, Slot; // the unit's current place (slot 0-based)
        int FiledSlot;  // 1-based; 0: nothing filed
        int Requests;   // requests for the current preset
    };
    const Case cases[] = {
        {"bank C, slot 37", false, 0, false, true, 2, 36, 37, 1},
        {"slot 129: the high bit", false, 0, false, true, 1, 128, 129, 1},
        {"single bank, slot 100", true, 0, false, true, 0, 99, 100, 1},
        {"the number's reply lost", false, 2, false, true, 3, 4, 0, 1},
        {"the bank's reply lost: not the bank a ping saw", false, 3, true, true, 3, 4, 0, 1},
        {"no memory: the dump alone", false, 0, false, false, 2, 36, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TSimulatorOptions unit = LinkRig::Fast();
        unit.DropEvery = c.DropEvery;
        LinkRig rig(c.PrePlenova, unit);
        if (c.PingFirst) {
            rig.Link->PingDevice();
            ASSERT_TRUE(rig.RunUntil([&] { return rig.Link->CurrentBank() == 0; }));
        }
        rig.Unit([&](TPlenovaDevice& device) {
            device.CurrentBank = c.Bank;
            device.CurrentSlot = c.Slot;
            device.EditBuffer =
                device.Banks[static_cast<std::size_t>(c.Bank)][static_cast<std::size_t>(c.Slot)];
            return true;
        });
        rig.CountRequests();
        QTemporaryDir folder;
        TUnitMemory memory(folder.filePath("unit"));
        if (c.Memory)
            rig.Link->SetMemory(&memory);
        rig.Link->RequestCurrentPreset();
        ASSERT_TRUE(rig.RunUntil([&] { return !rig.Others.empty(); }))
            << "the dump reaches the monitor";
        rig.Wait(20);
        EXPECT_EQ(rig.requests, c.Requests);
        EXPECT_EQ(rig.Others.size(), 1u) << "the replies are the link's";
        if (c.FiledSlot == 0) {
            EXPECT_TRUE(memory.Slots().empty());
            continue;
        }
        ASSERT_EQ(memory.Slots().size(), 1u);
        const TSlotMemory* filed = memory.Slot(c.Bank, c.FiledSlot);
        ASSERT_NE(filed, nullptr);
        EXPECT_EQ(filed->Now()->Dump, rig.Sent(c.Bank, c.Slot).first);
    }
}
