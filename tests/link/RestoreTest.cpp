// The restore walk on the device link alone, against the in-process simulated unit: a backup
// folder goes back byte for byte, damaged files and two files for one slot are skipped, an abort
// finishes the preset being written, a silent unit is not waited out, and the words it is asked
// and told in.

#include "support/FileBytes.h"
#include "support/LinkRig.h"
#include "support/TestPresets.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
// The unit's factory preset of that place (slot 1-based) under another title.
TBytes Factory(int bank, int slot, const std::string& title) {
    return Retitled(TPlenovaDevice::FactoryPreset(bank, slot - 1, TDeviceMode::Plenova()), title);
}

QString Name(const std::string& title, int slot) {
    return QString::fromStdString(BackupFileName(title, slot));
}

const std::array<bool, 4> kAll{true, true, true, true};
} // namespace

// Banks A and C go back byte for byte after the question; a damaged file is named and skipped,
// bank B (not chosen) keeps what it had, and the bank chosen before comes back. The unit takes
// its time over each dump: it has the request delay before the store.
TEST(Restore, ABackupGoesBackByteForByteAndADamagedFileIsSkipped) {
    LinkRig rig;
    rig.processor->SetTakeTime(std::chrono::milliseconds(20));
    rig.Link->SetRequestDelay(40);
    rig.Link->PingDevice();
    QTemporaryDir folder;
    for (int slot = 1; slot <= 3; ++slot) {
        WriteBytes(folder.filePath("Bank A/" + Name("Back A" + std::to_string(slot), slot)),
                   Factory(0, slot, "Back A" + std::to_string(slot)));
        WriteBytes(folder.filePath("Bank C/" + Name("Back C" + std::to_string(slot), slot)),
                   Factory(2, slot, "Back C" + std::to_string(slot)));
    }
    WriteBytes(folder.filePath("Bank C/Broken.tmq004"), TBytes(100, 0x11));
    WriteBytes(folder.filePath("Bank B/" + Name("Not Chosen", 1)), Factory(1, 1, "Not Chosen"));
    const TBytes bankB = rig.Slot(1, 1);

    std::vector<TRestoreItem> plan =
        rig.Link->Job<TRestoreWalk>().Plan(folder.path(), {true, false, true, false}, 1, 5);
    ASSERT_EQ(plan.size(), 7u) << "every file of the chosen banks, the damaged one too";
    EXPECT_EQ(TRestoreWalk::Question(plan),
              "This will replace 6 presets in banks A, C. Do you want to proceed?");
    const TRestoreCounts counts = rig.Link->Job<TRestoreWalk>().Run(plan);
    EXPECT_EQ(TRestoreWalk::CountsText(counts), "6 written, 6 verified, 1 skipped, 0 failed");
    EXPECT_TRUE(rig.Lines.contains("Skipped " + folder.filePath("Bank C/Broken.tmq004") +
                                   ": not a 258-byte preset dump"));
    EXPECT_TRUE(rig.Lines.contains("Slot 2 of bank C: Back C2 written and verified"));
    EXPECT_EQ(rig.Lines.last(), "Restore complete: 6 written, 6 verified, 1 skipped, 0 failed");
    for (int slot = 1; slot <= 3; ++slot) {
        EXPECT_EQ(rig.Slot(0, slot), Factory(0, slot, "Back A" + std::to_string(slot)));
        EXPECT_EQ(rig.Slot(2, slot), Factory(2, slot, "Back C" + std::to_string(slot)));
    }
    EXPECT_EQ(rig.Slot(1, 1), bankB) << "bank B was not chosen";
    EXPECT_TRUE(rig.RunUntil(
        [&] { return rig.Unit([](TPlenovaDevice& u) { return u.CurrentBank == 0; }); }));
    const auto known = rig.Link->KnownTitles().find({2, 1});
    ASSERT_NE(known, rig.Link->KnownTitles().end());
    EXPECT_EQ(known->second, "Back C1") << "what the slot holds now";
}

// An abort finishes the preset being written; two files for one slot are neither sent; a unit
// that stops answering is given up on after three read-backs.
TEST(Restore, AbortsTwoFilesForASlotAndASilentUnit) {
    {
        LinkRig rig;
        QTemporaryDir folder;
        for (int slot = 1; slot <= 30; ++slot)
            WriteBytes(folder.filePath(
                           QStringLiteral("Bank D/Copy.tmq%1").arg(slot, 3, 10, QLatin1Char('0'))),
                       TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova()));
        rig.OnUnclaimed = nullptr;
        std::vector<TRestoreItem> plan =
            rig.Link->Job<TRestoreWalk>().Plan(folder.path(), kAll, 1, 200);
        int verified = 0;
        auto* stopper = new QTimer(rig.Link.get());
        QObject::connect(stopper, &QTimer::timeout, [&] {
            verified = static_cast<int>(rig.Lines.filter(" written and verified").size());
            if (verified >= 3) {
                stopper->stop();
                rig.Link->Job<TRestoreWalk>().Abort();
            }
        });
        stopper->start(5);
        const TRestoreCounts counts = rig.Link->Job<TRestoreWalk>().Run(plan);
        EXPECT_GE(counts.Verified, 3);
        EXPECT_LT(counts.Verified, 30);
        EXPECT_EQ(counts.Written, counts.Verified) << "the preset being written was finished";
        EXPECT_EQ(rig.Lines.last(),
                  QStringLiteral("Restore aborted: ") + TRestoreWalk::CountsText(counts));
        EXPECT_FALSE(rig.Link->Job<TRestoreWalk>().Running());
        EXPECT_FALSE(rig.Link->Busy());
    }
    LinkRig rig;
    TLinkTimings timings = rig.Link->Timings();
    timings.TimeoutMilliseconds = 150;
    rig.Link->SetTimings(timings);
    QTemporaryDir folder;
    WriteBytes(folder.filePath("Bank C/Old name.tmq001"), Factory(2, 1, "Old name"));
    WriteBytes(folder.filePath("Bank C/New name.tmq001"), Factory(2, 1, "New name"));
    for (int slot = 2; slot <= 9; ++slot)
        WriteBytes(folder.filePath(
                       QStringLiteral("Bank C/Other.tmq%1").arg(slot, 3, 10, QLatin1Char('0'))),
                   Factory(2, slot, "Other"));
    const TBytes before = rig.Slot(2, 1);
    rig.processor->SetMute(true);
    std::vector<TRestoreItem> plan =
        rig.Link->Job<TRestoreWalk>().Plan(folder.path(), kAll, 1, 200);
    EXPECT_EQ(TRestoreWalk::Question(plan),
              "This will replace 8 presets in bank C. Do you want to proceed?");
    const TRestoreCounts counts = rig.Link->Job<TRestoreWalk>().Run(plan);
    EXPECT_TRUE(
        rig.Lines.contains("Skipped " + folder.filePath("Bank C/New name.tmq001") +
                           ": 2 files are for this slot (New name.tmq001, Old name.tmq001)"));
    EXPECT_TRUE(rig.Lines.contains("The unit stopped answering: the writes end here"));
    EXPECT_EQ(TRestoreWalk::CountsText(counts), "0 written, 0 verified, 2 skipped, 3 failed");
    EXPECT_EQ(rig.Slot(2, 1), before);
}

// The words: how many presets and banks, one preset being "1 preset".
TEST(Restore, TheQuestionNamesThePresetsAndBanks) {
    const auto item = [](int bank, const char* problem = "") {
        TRestoreItem made;
        made.Bank = bank;
        made.Problem = problem;
        return made;
    };
    EXPECT_EQ(TRestoreWalk::Question({item(1)}),
              "This will replace 1 preset in bank B. Do you want to proceed?");
    EXPECT_EQ(TRestoreWalk::ReplaceText({item(3), item(0), item(3), item(2, "damaged")}),
              "replace 3 presets in banks A, D");
    EXPECT_EQ(TRestoreWalk::ReplaceText({item(-1), item(-1)}), "replace 2 presets");
    EXPECT_EQ(TRestoreWalk::CountsText({4, 3, 2, 1}), "4 written, 3 verified, 2 skipped, 1 failed");
}
