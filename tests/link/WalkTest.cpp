// The walk through the unit's presets on the device link alone, against the in-process simulated
// unit: which presets go into which files, what is listed, what it says, and how it copes with a
// unit that drops answers, one that never answers and long request delays.

#include "store/UnitMemory.h"
#include "support/FileBytes.h"
#include "support/LinkRig.h"
#include "support/TestPresets.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
void SetTitle(LinkRig& rig, int bank, int slot, const std::string& title) {
    rig.Unit([&](TPlenovaDevice& unit) {
        TBytes& dump = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot)];
        dump = Retitled(dump, title);
        return true;
    });
}

TProcedureOptions Options(const QString& banks, const QString& folder, int last, int first = 1) {
    TProcedureOptions options;
    for (int bank = 0; bank < 4; ++bank)
        options.Banks[static_cast<std::size_t>(bank)] = banks.contains(QLatin1Char("ABCD"[bank]));
    options.Save = !folder.isEmpty();
    options.OutputDirectory = folder;
    options.First = first;
    options.Last = last;
    options.RequestDelay = 5;
    return options;
}

// Starts the walk and runs it to its end.
bool Walk(LinkRig& rig, const TProcedureOptions& options, int milliseconds = 20000) {
    rig.Ended.clear();
    if (!rig.Link->Job<TBackupWalk>().Start(options))
        return false;
    return rig.RunUntil([&] { return !rig.Ended.isEmpty(); }, milliseconds);
}
} // namespace

// Banks A and C, presets 5 to 10: bank A gets 5 to 10, bank C 1 to 10, each file byte for byte
// what the unit sent; the bank chosen before comes back.
TEST(Walk, ChosenBanksAndRangeGoIntoBankFoldersAndTheStartBankComesBack) {
    LinkRig rig;
    rig.Unit([](TPlenovaDevice& unit) { return unit.CurrentBank = 1, true; });
    rig.Link->PingDevice();
    ASSERT_EQ(rig.Link->CurrentBank(), 1);
    QTemporaryDir out;
    ASSERT_TRUE(Walk(rig, Options("AC", out.path(), 10, 5)));
    EXPECT_EQ(rig.Ended, "complete");
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"Bank A", "Bank C"}));
    int untitled = 0;
    for (const auto& [bank, first] : {std::pair{0, 4}, std::pair{2, 0}}) {
        QStringList expected;
        for (int slot = first; slot < 10; ++slot) {
            const auto [dump, name] = rig.Sent(bank, slot);
            if (name.isEmpty()) {
                ++untitled;
                continue;
            }
            expected << name;
            EXPECT_EQ(FileBytes(out.filePath(QString("Bank %1/").arg(QChar('A' + bank)) + name)),
                      dump)
                << name.toStdString();
        }
        expected.sort();
        EXPECT_EQ(FileNames(out.filePath(QString("Bank %1").arg(QChar('A' + bank)))), expected);
    }
    EXPECT_TRUE(rig.RunUntil([&] {
        return rig.Unit([](TPlenovaDevice& u) { return u.CurrentBank == 1; });
    })) << "the bank selected before the start is selected again";
    EXPECT_EQ(rig.Link->CurrentBank(), 1);
    const QString root = out.path() + "/";
    for (const QString& line :
         {QStringLiteral("Originally selected Bank is: B"),
          QStringLiteral("Begin processing of Bank A"), QStringLiteral("Begin processing Bank C"),
          QStringLiteral("Created subdirectory for bank C"),
          QStringLiteral("Output directory: ") + root,
          QStringLiteral("Preset #5 received: ") + rig.Sent(0, 4).second,
          QStringLiteral("%1 saved, %2 untitled skipped, 0 time-outs")
              .arg(16 - untitled)
              .arg(untitled)})
        EXPECT_TRUE(rig.Lines.contains(line)) << line.toStdString();
    bool bankC = false;
    for (const TLinkProgress& progress : rig.Progresses)
        bankC = bankC || progress.Text().startsWith("Bank C: preset");
    EXPECT_TRUE(bankC) << "the progress tells where the walk is";
    EXPECT_FALSE(rig.Link->Busy());
}

// Titles are made safe for file names but listed as they are; untitled presets are skipped unless
// named, and two presets of one title are told apart by their numbers.
TEST(Walk, TitlesAreSanitisedForFilesListedAsTheyAreAndUntitledOnesNamedOrSkipped) {
    LinkRig rig;
    SetTitle(rig, 0, 0, "Slap/Pop");
    SetTitle(rig, 0, 1, "Mid:Boost");
    SetTitle(rig, 0, 2, "Twin");
    SetTitle(rig, 0, 3, "Twin");
    SetTitle(rig, 0, 4, "");
    QTemporaryDir out;
    TProcedureOptions options = Options("A", out.path(), 5);
    options.Print = true;
    options.UntitledName = "Untitled";
    ASSERT_TRUE(Walk(rig, options));
    EXPECT_EQ(FileNames(out.filePath("Bank A")),
              QStringList({"Mid Boost.tmq002", "Slap-Pop.tmq001", "Twin.tmq003", "Twin.tmq004",
                           "Untitled.tmq005"}));
    EXPECT_EQ(rig.Listed, QStringList({"0 1 Slap/Pop", "0 2 Mid:Boost", "0 3 Twin", "0 4 Twin",
                                       "0 5 Untitled"}));
    int at = -1; // what a saving, printing walk says as it begins, in order
    for (const char* line :
         {"Created subdirectory for bank A", "Begin processing of Bank A", "Backup in progress",
          "Preset title print in progress", "Press Ctrl-c to abort"}) {
        const int found = static_cast<int>(rig.Lines.indexOf(line, at + 1));
        EXPECT_GT(found, at) << line;
        at = found;
    }

    SetTitle(rig, 3, 1, "");
    QTemporaryDir skipping;
    ASSERT_TRUE(Walk(rig, Options("D", skipping.path(), 3)));
    EXPECT_EQ(FileNames(skipping.filePath("Bank D")).size(), 2);
    EXPECT_TRUE(rig.Lines.contains("Preset #2 is untitled (not saved)"));
    EXPECT_TRUE(rig.Lines.contains("2 saved, 1 untitled skipped, 0 time-outs"));
}

// A single-bank unit: the files go straight into the folder, the listing has no bank.
TEST(Walk, APrePlenovaUnitHasOneBank) {
    LinkRig rig(true);
    QTemporaryDir out;
    TProcedureOptions options = Options("ABCD", out.path(), 128, 125);
    options.Print = true;
    ASSERT_TRUE(Walk(rig, options));
    QStringList expected;
    for (int slot = 124; slot < 128; ++slot) {
        expected << rig.Sent(0, slot).second;
        EXPECT_EQ(FileBytes(out.filePath(rig.Sent(0, slot).second)), rig.Sent(0, slot).first);
    }
    expected.sort();
    EXPECT_EQ(FileNames(out.path()), expected) << "straight into the folder";
    EXPECT_TRUE(rig.Lines.contains("Begin processing of Pre-Plenova presets"));
    EXPECT_TRUE(rig.Listed.first().startsWith("-1 125 ")) << "no bank";
}

// Presets asked for by program change (the MPT's way) instead of by their number.
TEST(Walk, PresetsAreChosenByNumberOrByProgramChange) {
    LinkRig rig;
    rig.UsePorts(kSimulatedDeviceName, "Sink");
    const auto bytes = [](std::initializer_list<TBytes> parts) {
        TBytes all;
        for (const TBytes& part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    };
    // Between choosing and asking: where is the unit (bank, preset number)?
    const TBytes where = {0xF0, 0x1A, 0, 0x13, 0x43, 0x09, 0xF7,
                          0xF0, 0x1A, 0, 0x13, 0x43, 0x40, 0xF7};
    const TBytes select200 = bytes({{0xF0, 0x1A, 0, 0x13, 0x03, 0x09, 0x01, 0xF7}, // bank B
                                    {0xF0, 0x1A, 0, 0x13, 0x09, 71, 1, 0xF7},      // preset 200
                                    where,
                                    {0xF0, 0x1A, 0, 0x13, 0x45, 0xF7}});
    const TBytes change200 = bytes({{0xF0, 0x1A, 0, 0x13, 0x03, 0x09, 0x01, 0xF7},
                                    {0xB0, 0x00, 0x00, 0xB0, 0x20, 0x01, 0xC0, 71},
                                    where,
                                    {0xF0, 0x1A, 0, 0x13, 0x45, 0xF7}});
    for (const bool byNumber : {true, false}) {
        rig.sink->Clear();
        TProcedureOptions options = Options("B", QString(), 200, 200);
        options.Print = true;
        options.LoopByPresetNumber = byNumber;
        ASSERT_TRUE(rig.Link->Job<TBackupWalk>().Start(options));
        EXPECT_TRUE(rig.RunUntil([&] { return rig.sink->Received().size() >= select200.size(); }));
        EXPECT_EQ(rig.sink->Received(), byNumber ? select200 : change200);
        rig.sink->Clear();
        rig.Link->Job<TBackupWalk>().Abort();
        EXPECT_TRUE(rig.RunUntil([&] { return rig.sink->Received().size() == 6; }));
        EXPECT_EQ(rig.sink->Received(), (TBytes{0xB0, 0x00, 0x00, 0xB0, 0x20, 0x00}))
            << "stopping resets the bank select";
    }
    EXPECT_TRUE(rig.Statuses.contains("Requested preset #200"));
}

// A walk stops once, with the reason, when it cannot write, has no bank to walk, or no listing
// to print into; nothing is asked for again afterwards.
TEST(Walk, WhatStopsAWalkStopsItOnceAndSaysWhy) {
    LinkRig rig;
    rig.CountRequests();
    QTemporaryDir out;
    QFile blocker(out.filePath("Bank A"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the bank's folder goes
    blocker.close();
    EXPECT_FALSE(Walk(rig, Options("A", out.path(), 20)));
    EXPECT_EQ(rig.Ended, "Procedure aborted: cannot create the folder " + out.filePath("Bank A/"));
    EXPECT_FALSE(rig.Link->Busy());
    EXPECT_FALSE(Walk(rig, Options("A", out.filePath("a/b"), 20))); // one level is made, not two
    EXPECT_EQ(rig.Ended, "Procedure aborted: cannot create the folder " + out.filePath("a/b/"));
    EXPECT_FALSE(QFileInfo::exists(out.filePath("a")));

    // A file that cannot be written: a folder stands where the first preset's file goes.
    QTemporaryDir full;
    ASSERT_TRUE(QDir().mkpath(full.filePath("Bank A/") + rig.Sent(0, 0).second));
    EXPECT_TRUE(Walk(rig, Options("A", full.path(), 20)));
    EXPECT_TRUE(rig.Ended.startsWith("Procedure aborted: cannot write " + full.filePath("Bank A/") +
                                     rig.Sent(0, 0).second))
        << rig.Ended.toStdString();
    const int asked = rig.requests;
    rig.Wait(300); // ticks that would ask again
    EXPECT_EQ(rig.requests, asked);
    EXPECT_EQ(rig.Lines.filter("Procedure aborted").size(), 3) << "once each";

    rig.Ended.clear();
    EXPECT_FALSE(rig.Link->Job<TBackupWalk>().Start(Options("", out.path(), 20)));
    EXPECT_EQ(rig.Statuses.last(), "Invalid bank selection");

    rig.ListingWorks = false;
    TProcedureOptions listing = Options("A", QString(), 20);
    listing.Print = true;
    EXPECT_FALSE(rig.Link->Job<TBackupWalk>().Start(listing));
    EXPECT_EQ(rig.Ended, "Procedure aborted: the preset listing cannot be printed");
    rig.Wait(100);
    EXPECT_EQ(rig.requests, asked) << "nothing more was asked for";
    EXPECT_FALSE(rig.Link->Job<TBackupWalk>().Active());
}

// A resumed backup asks only for the presets it does not have yet.
TEST(Walk, PresetsAlreadySavedAreNotAskedForAgain) {
    LinkRig rig;
    QTemporaryDir out;
    for (const char* name : {"Kept.tmq001", "Kept.tmq002", "Kept.tmq004", "Kept.tmq005"})
        WriteBytes(out.filePath(QStringLiteral("Bank A/") + name), {'k', 'e', 'p', 't'});
    TProcedureOptions options = Options("A", out.path(), 6);
    options.SkipExisting = true;
    ASSERT_TRUE(Walk(rig, options));
    QStringList expected{"Kept.tmq001", "Kept.tmq002",         "Kept.tmq004",
                         "Kept.tmq005", rig.Sent(0, 2).second, rig.Sent(0, 5).second};
    expected.sort();
    EXPECT_EQ(FileNames(out.filePath("Bank A")), expected);
    EXPECT_EQ(FileBytes(out.filePath("Bank A/Kept.tmq001")), (TBytes{'k', 'e', 'p', 't'}));
    EXPECT_FALSE(rig.Statuses.contains("Requested preset #1"));
    EXPECT_TRUE(rig.Lines.contains("2 saved, 0 untitled skipped, 0 time-outs, 4 already saved"));
}

// Time-outs and their limit; a unit that drops answers or sends some late, or never hears every
// third choice of a preset, also among presets byte for byte alike; request delays above half the
// time-out (a bank change waits two of them), for a walk and a restore: every preset under its own
// number, none taken twice.
TEST(Walk, TimeOutsRetriesAndLongDelaysFileEveryPresetUnderItsOwnNumber) {
    for (const int tries : {1, 2, 3}) {
        LinkRig rig;
        rig.processor->SetMute(true);
        rig.CountRequests();
        rig.Link->SetClockSpeed(50);
        TLinkTimings timings = rig.Link->Timings();
        timings.MaxTries = tries;
        timings.CheckInterval = 100;
        rig.Link->SetTimings(timings);
        QTemporaryDir out;
        ASSERT_TRUE(Walk(rig, Options("A", out.path(), 3)));
        EXPECT_EQ(rig.Ended, QStringLiteral("The unit stopped answering: preset #1 of bank A did "
                                            "not arrive after %1 requests")
                                 .arg(tries));
        EXPECT_EQ(rig.requests, tries);
    }
    // Every preset of every bank walked lands in its own file, byte for byte; a unit that loses
    // choices is seen to have done so. By program change, programs go through a table
    // that turns them round (program 1 is slot 12), and the unit's memory learns each slot.
    struct Unit {
        const char* What;
        int DropEvery = 0, LateEvery = 0, LoseSelectEvery = 0, DuplicateEvery = 0;
        int Last = 12;
        const char* Banks = "A";
        bool ByNumber = true;
        bool Alike = false;         // slots 1 to 6 hold one preset
        const char* Said = nullptr; // a log line that shows a choice was lost
    };
    for (const Unit& unit : {Unit{.What = "every 7th answer lost", .DropEvery = 7, .Last = 20},
                             Unit{.What = "every 3rd answer lost among alike",
                             .DropEvery = 3,
                             .Last = 8,
                             .Alike = true},
                             Unit{.What = "every 4th answer late among alike",
                             .LateEvery = 4,
                             .Last = 8,
                             .Alike = true},
                             Unit{.What = "every 3rd answer twice among alike",
                             .DuplicateEvery = 3,
                             .Last = 8,
                             .Alike = true},
                             Unit{.What = "every 3rd choice lost",
                             .LoseSelectEvery = 3,
                             .Said = "the unit answered from another slot; asking again"},
                             Unit{.What = "every 2nd choice lost, answers too",
                             .DropEvery = 5,
                             .LoseSelectEvery = 2,
                             .Said = "the unit answered from another"},
                             Unit{.What = "a bank's choice lost",
                             .LoseSelectEvery = 5,
                             .Last = 3,
                             .Banks = "ABC",
                             .Said = "the unit answered from another bank; choosing bank B again"},
                             Unit{.What = "every 3rd program change lost",
                             .LoseSelectEvery = 3,
                             .Banks = "B",
                             .ByNumber = false,
                             .Said = "the unit is still in slot"}}) {
        LinkRig rig;
        rig.Link->SetClockSpeed(40); // ten seconds pass in a quarter of one
        rig.processor->SetDropEvery(unit.DropEvery);
        rig.processor->SetLoseSelectEvery(unit.LoseSelectEvery);
        rig.processor->SetDuplicateEvery(unit.DuplicateEvery);
        rig.processor->SetLate(unit.LateEvery, std::chrono::milliseconds(400)); // after time-out
        rig.Unit([&](TPlenovaDevice& held) {
            for (std::size_t slot = 1; slot < 6 && unit.Alike; ++slot)
                held.Banks[0][slot] = held.Banks[0][0];
            for (int program = 0; program < unit.Last; ++program)
                held.Table.MptEntries[static_cast<std::size_t>(program)] = unit.Last - 1 - program;
            return true;
        });
        QTemporaryDir out, remembered;
        TUnitMemory memory(remembered.path());
        rig.Link->SetMemory(&memory);
        TProcedureOptions options = Options(unit.Banks, out.path(), unit.Last);
        options.LoopByPresetNumber = unit.ByNumber;
        ASSERT_TRUE(Walk(rig, options, 30000)) << unit.What;
        EXPECT_EQ(rig.Ended, "complete") << unit.What;
        EXPECT_EQ(rig.Lines.contains("Last request timed out; restarting"),
                  unit.DropEvery + unit.LateEvery > 0)
            << unit.What;
        EXPECT_EQ(rig.Lines.filter(QRegularExpression(unit.Said ? unit.Said : "another|still in"))
                      .isEmpty(),
                  unit.Said == nullptr)
            << unit.What;
        qsizetype files = 0;
        for (const char* letter = unit.Banks; *letter != 0; ++letter) {
            const int bank = *letter - 'A';
            const QString folder = out.filePath(QStringLiteral("Bank ") + *letter);
            QStringList expected;
            for (int number = 1; number <= unit.Last; ++number) {
                const int slot = unit.ByNumber ? number : unit.Last + 1 - number;
                const TBytes dump = rig.Sent(bank, slot - 1).first;
                const TSlotMemory* known = memory.Slot(bank, slot);
                ASSERT_TRUE(known != nullptr && known->Now() != nullptr) << unit.What << slot;
                EXPECT_EQ(known->Now()->Dump, dump) << unit.What << slot;
                if (PresetTitleOf(dump).empty())
                    continue; // untitled: not saved
                const QString name = QString::fromStdString(
                    BackupFileName(PresetTitleOf(dump), number)); // named by the program
                expected << name;
                EXPECT_EQ(FileBytes(folder + "/" + name), dump) << unit.What << number;
            }
            expected.sort();
            EXPECT_EQ(FileNames(folder), expected) << unit.What;
            files += expected.size();
        }
        EXPECT_EQ(rig.Link->Job<TBackupWalk>().Counts().Saved, files) << unit.What;
    }
    for (const int delay : {1, 1000, 5001, 10000}) {
        LinkRig rig;
        rig.Link->SetClockSpeed(delay / 20.0 + 1);
        QTemporaryDir out;
        TProcedureOptions options = Options("AB", out.path(), 2);
        options.RequestDelay = delay;
        ASSERT_TRUE(Walk(rig, options, 30000)) << delay;
        EXPECT_EQ(rig.Link->RequestDelay(), delay) << "the walk's delay is the link's";
        for (int bank : {0, 1}) {
            QStringList expected;
            for (int slot : {0, 1}) {
                expected << rig.Sent(bank, slot).second;
                EXPECT_EQ(FileBytes(out.filePath(QString("Bank %1/").arg(QChar('A' + bank)) +
                                                 rig.Sent(bank, slot).second)),
                          rig.Sent(bank, slot).first)
                    << delay;
            }
            expected.sort();
            EXPECT_EQ(FileNames(out.filePath(QString("Bank %1").arg(QChar('A' + bank)))), expected)
                << delay;
        }
        EXPECT_TRUE(rig.Lines.contains("4 saved, 0 untitled skipped, 0 time-outs")) << delay;

        // Bank A's two presets go back into bank B at the same pace.
        std::vector<TRestoreItem> plan(2);
        for (std::size_t slot : {0u, 1u}) {
            plan[slot].Bank = 1;
            plan[slot].Slot = static_cast<int>(slot) + 1;
            plan[slot].Dump = rig.Slot(0, plan[slot].Slot);
        }
        EXPECT_EQ(TRestoreWalk::CountsText(rig.Link->Job<TRestoreWalk>().Run(plan)),
                  "2 written, 2 verified, 0 skipped, 0 failed")
            << delay;
        for (int slot : {1, 2})
            EXPECT_EQ(rig.Slot(1, slot), rig.Slot(0, slot)) << delay;
    }
}

// The output's port goes while preset 3 is about to be chosen. Back after 50 s of the link's
// clock, the walk goes on where it was: nothing went out meanwhile, no time-out was counted, every
// file is there. Away for good, it stops after two minutes with the reason, and so does a store.
TEST(Walk, AMissingPortPausesTheJobAndOneThatStaysAwayEndsIt) {
    for (const bool back : {true, false}) {
        LinkRig rig;
        rig.Link->SetClockSpeed(50); // the two minutes pass in 2.4 s
        QElapsedTimer gone;
        const auto pull = [&] {
            rig.devices.SetUnplugged(kSimulatedDeviceName, true);
            rig.Link->SetPortMissing("MIDI Out 'Plenova'");
            gone.start();
            if (back)
                QTimer::singleShot(1000, [&] {
                    rig.devices.SetUnplugged(kSimulatedDeviceName, false);
                    rig.Link->SetPortMissing({});
                });
        };
        rig.OnProgress = [&](const TLinkProgress& progress) {
            if (progress.Number == 3 && !gone.isValid())
                pull();
        };
        QTemporaryDir out;
        ASSERT_TRUE(Walk(rig, Options("A", out.path(), 5), 20000)) << back;
        EXPECT_GE(gone.elapsed(), back ? 1000 : 2400) << back;
        EXPECT_TRUE(rig.Lines.filter("send failed").isEmpty()) << back;
        if (back) {
            EXPECT_EQ(rig.Ended, "complete");
            EXPECT_TRUE(rig.Lines.contains("5 saved, 0 untitled skipped, 0 time-outs"));
            for (int slot = 0; slot < 5; ++slot)
                EXPECT_EQ(FileBytes(out.filePath("Bank A/" + rig.Sent(0, slot).second)),
                          rig.Sent(0, slot).first)
                    << slot;
            continue;
        }
        const QString reason = "MIDI Out 'Plenova' did not come back within 2 minutes";
        EXPECT_EQ(rig.Ended, "Procedure aborted: " + reason);
        EXPECT_EQ(FileNames(out.filePath("Bank A")).size(), 2);

        // A store begun while the port is away waits for it, then gives up with the reason.
        const TBytes before = rig.Slot(0, 7);
        gone.invalidate();
        pull();
        TStoreRequest request;
        request.Dump = rig.Slot(0, 1);
        request.Slot = 7;
        request.Verify = true;
        request.SendFirst = true;
        EXPECT_EQ(rig.Link->Job<TVerifiedStore>().Store(request).Message,
                  (reason + ": nothing was stored in slot 7").toStdString());
        EXPECT_GE(gone.elapsed(), 2400);
        rig.devices.SetUnplugged(kSimulatedDeviceName, false);
        EXPECT_EQ(rig.Slot(0, 7), before);
    }
}

// Ctrl+C ends a listing with what it printed, and says so; lines another print kept from the
// page are not counted as listed, and the walk goes on to its end.
TEST(Walk, AListingCountsOnlyWhatItPrinted) {
    LinkRig rig;
    TProcedureOptions options = Options("B", QString(), 200);
    options.Print = true;
    ASSERT_TRUE(rig.Link->Job<TBackupWalk>().Start(options));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Link->Job<TBackupWalk>().Counts().Listed >= 4; }));
    rig.Link->Job<TBackupWalk>().Abort();
    EXPECT_FALSE(rig.Link->Job<TBackupWalk>().Active());
    EXPECT_FALSE(rig.Link->Job<TBackupWalk>().Printing());
    EXPECT_TRUE(rig.Lines.contains("Procedure aborted"));
    EXPECT_EQ(rig.Listed.size(), rig.Link->Job<TBackupWalk>().Counts().Listed);
    EXPECT_LT(rig.Listed.size(), 200);

    rig.Listed.clear();
    options.Last = 10;
    rig.Ended.clear();
    ASSERT_TRUE(rig.Link->Job<TBackupWalk>().Start(options));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Listed.size() >= 3; }));
    rig.ListingWorks = false; // the next line does not reach the page
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.Ended.isEmpty(); }));
    EXPECT_EQ(rig.Ended, "complete");
    const int listed = rig.Link->Job<TBackupWalk>().Counts().Listed;
    EXPECT_GE(listed, 3);
    EXPECT_LT(listed, 10);
    EXPECT_EQ(rig.Lines.last(),
              QStringLiteral("%1 listed, 0 saved, 1 untitled skipped, 0 time-outs").arg(listed));
}
