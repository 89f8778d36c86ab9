// The verified store on the device link alone, against the in-process simulated unit: what it
// keeps, what it reads back, and what it says when the unit stores something else, does not
// answer, loses an answer or another job has the unit.

#include "store/UnitMemory.h"
#include "support/FileBytes.h"
#include "support/LinkRig.h"
#include "support/TestPresets.h"

#include <QDir>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <mutex>

namespace {
TStoreRequest Request(const TBytes& dump, int slot, bool keep, bool verify) {
    TStoreRequest request;
    request.Dump = dump;
    request.Slot = slot;
    request.Keep = keep;
    request.Verify = verify;
    request.SendFirst = true;
    return request;
}
} // namespace

// Kept, stored, verified; put back into the bank it came from whatever bank the unit is in now,
// nothing kept ever overwritten.
TEST(Store, KeepsWhatItReplacesVerifiesAndPutsItBack) {
    LinkRig rig;
    rig.Link->PingDevice();
    QTemporaryDir kept;
    rig.Link->Job<TVerifiedStore>().ReplacedFolder = kept.path();
    const TBytes before = rig.Slot(0, 17);
    const TBytes sent = TitledDump("Stored Here");
    const TStoreResult stored =
        rig.Link->Job<TVerifiedStore>().Store(Request(sent, 17, true, true));
    EXPECT_TRUE(stored.Stored && stored.Verified) << stored.Message;
    EXPECT_EQ(rig.Slot(0, 17), sent);
    EXPECT_EQ(stored.Replaced, before);
    EXPECT_EQ(stored.Bank, 0);
    const QStringList files = QDir(kept.path()).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].startsWith("Bank A ")) << files[0].toStdString();
    EXPECT_TRUE(files[0].endsWith(".tmq017")) << files[0].toStdString();
    EXPECT_EQ(kept.filePath(files[0]), QString::fromStdString(stored.KeptFile));
    EXPECT_EQ(FileBytes(kept.filePath(files[0])).size(), 258u);

    rig.Link->SelectBank(2);
    ASSERT_TRUE(rig.RunUntil(
        [&] { return rig.Unit([](TPlenovaDevice& u) { return u.CurrentBank == 2; }); }));
    const TBytes bankC = rig.Slot(2, 17);
    TStoreRequest undo = Request(stored.Replaced, 17, true, true);
    undo.Bank = stored.Bank;
    const TStoreResult back = rig.Link->Job<TVerifiedStore>().Store(undo);
    EXPECT_TRUE(back.Verified) << back.Message;
    EXPECT_EQ(rig.Slot(0, 17), before);
    EXPECT_EQ(rig.Slot(2, 17), bankC);
    EXPECT_EQ(QDir(kept.path()).entryList(QDir::Files).size(), 2) << "nothing kept is overwritten";

    const TStoreResult plain =
        rig.Link->Job<TVerifiedStore>().Store(Request(sent, 18, false, false));
    EXPECT_TRUE(plain.Stored);
    EXPECT_FALSE(plain.Verified);
    EXPECT_TRUE(plain.Replaced.empty());
    EXPECT_TRUE(plain.Message.empty());
    EXPECT_TRUE(rig.RunUntil([&] { return rig.Slot(0, 18) == sent; }));
}

// What a kept and verified store says to the unit, in order, and nothing more.
TEST(Store, SendsTheUnitExactlyTheKeepTheStoreAndTheReadBack) {
    LinkRig rig;
    rig.Link->PingDevice(); // the unit's bank is known: a store without a kept copy asks it
    QTemporaryDir kept;
    rig.Link->Job<TVerifiedStore>().ReplacedFolder = kept.path();
    QStringList heard; // written on the unit's thread
    std::mutex guard;
    rig.processor->SetLog([&](const std::string& line) {
        const std::lock_guard lock(guard);
        if (line.rfind("<- ", 0) == 0)
            heard << QString::fromStdString(line.substr(line.rfind(" - ") + 3));
    });
    const TStoreResult result =
        rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("Exact"), 17, true, true));
    ASSERT_TRUE(result.Verified) << result.Message;
    {
        const std::lock_guard lock(guard);
        // Where the unit is was never asked: it is sent off the slot before the slot is read.
        // The store waits for the edit buffer to hold the dump; the read-back comes from the
        // unit's memory, the unit sent away and back.
        EXPECT_EQ(
            heard,
            QStringList({"select preset 18", "request parameter 9", "request parameter 64",
                         "select preset 17", "request parameter 9", "request parameter 64",
                         "request current preset", "preset dump \"Exact\"", "request parameter 9",
                         "request parameter 64", "request current preset",
                         "store preset in slot 17", "select preset 18", "request parameter 9",
                         "request parameter 64", "select preset 17", "request parameter 9",
                         "request parameter 64", "request current preset"}))
            << heard.join(", ").toStdString();
        heard.clear();
    }
    // Neither kept nor verified: the edit buffer is asked until it holds the dump, and the bank
    // right after the store.
    ASSERT_TRUE(rig.Link->Job<TVerifiedStore>()
                    .Store(Request(TitledDump("Plain"), 18, false, false))
                    .Stored);
    rig.RunUntil(
        [&] {
            const std::lock_guard lock(guard);
            return heard.size() >= 7;
        },
        300); // time for a message too many to arrive
    const std::lock_guard lock(guard);
    EXPECT_EQ(heard, QStringList({"preset dump \"Plain\"", "request parameter 9",
                                  "request parameter 64", "request current preset",
                                  "store preset in slot 18", "request parameter 9"}))
        << heard.join(", ").toStdString();
}

// Stored without sending: what the unit's edit buffer holds goes into the slot (read before the
// kept copy's fetch replaces it), never the window's preset.
TEST(Store, WithoutSendingTheUnitsOwnPresetIsStored) {
    LinkRig rig;
    rig.Link->PingDevice();
    QTemporaryDir kept;
    rig.Link->Job<TVerifiedStore>().ReplacedFolder = kept.path();
    const TBytes panel = TitledDump("Edited On Panel");
    rig.Unit([&](TPlenovaDevice& unit) { return unit.EditBuffer = panel, true; });
    TStoreRequest request = Request(TitledDump("In The Window"), 21, true, true);
    request.SendFirst = false;
    const TStoreResult result = rig.Link->Job<TVerifiedStore>().Store(request);
    ASSERT_TRUE(result.Verified) << result.Message;
    EXPECT_TRUE(SameDumpAnyDevice(rig.Slot(0, 21), panel));
    EXPECT_TRUE(SameDumpAnyDevice(result.Sent, panel));
    EXPECT_FALSE(result.Replaced.empty());
}

// The unit's knob turned to another bank at the very moment the store arrives: the store goes into
// that bank's slot, and the store says so, naming the slot and what it held, instead of only
// failing the slot asked for — whether the store is read back or not, and bank A too.
TEST(Store, AStoreThatMayHaveGoneIntoAnotherBankNamesTheSlot) {
    struct Case {
        bool Verify;
        int Bank, TurnedTo; // the store's bank, and the one the knob turns to
        const char* Moved;  // the place the store may have gone to
    };
    for (const Case& c : {Case{true, 0, 1, "B 012"}, Case{false, 1, 0, "A 012"}}) {
        LinkRig rig;
        rig.Link->PingDevice();
        QTemporaryDir kept;
        rig.Link->Job<TVerifiedStore>().ReplacedFolder = kept.path();
        QTemporaryDir memoryFolder;
        TUnitMemory memory(memoryFolder.path());
        rig.Link->SetMemory(&memory);
        const TBytes held = rig.Slot(c.TurnedTo, 12);
        ASSERT_TRUE(memory.Saw(c.TurnedTo, 12, held, TSeenHow::Read).isEmpty());
        rig.processor->SetLog([&](const std::string& line) {
            if (line.rfind("<- ", 0) == 0 && line.find("store preset") != std::string::npos)
                rig.processor->TurnTo(c.TurnedTo, 4); // slot 5, before the unit handles the store
        });
        TStoreRequest request = Request(TitledDump("Moved"), 12, true, c.Verify);
        request.Bank = c.Bank;
        const TStoreResult result = rig.Link->Job<TVerifiedStore>().Store(request);
        rig.processor->SetLog({});
        EXPECT_TRUE(result.Stored) << c.Moved;
        EXPECT_FALSE(result.Verified) << c.Moved;
        const std::string title = PresetTitleOf(held);
        EXPECT_EQ(result.Overwritten,
                  c.Moved + std::string(" (it held ") + title + " when last seen)");
        EXPECT_EQ(result.Message, std::string("The unit was moved to bank ") + c.Moved[0] +
                                      " during the store: " + c.Moved +
                                      " may have been overwritten (it held " + title +
                                      " when last seen); slot 12 was not verified");
        EXPECT_EQ(rig.Slot(c.TurnedTo, 12), rig.Slot(c.TurnedTo, 5))
            << "the knob's preset, stored over " << c.Moved;
        rig.Link->SetMemory(nullptr);
    }
}

// A store of what the unit holds, into the bank the link last knew, while the unit sits in
// another bank and every choice of a bank is lost: the bank is chosen again twice, no more, and
// nothing is stored.
TEST(Store, AUnitThatStaysInAnotherBankIsAskedTwiceMoreAndGetsNothing) {
    LinkRig rig;
    rig.Link->PingDevice();
    ASSERT_EQ(rig.Link->CurrentBank(), 0);
    rig.processor->TurnTo(1, 5);
    rig.processor->SetLoseSelectEvery(1);
    const TBytes inA = rig.Slot(0, 17);
    const TBytes inB = rig.Slot(1, 17);
    TStoreRequest request = Request(TitledDump("Edit Buffer"), 17, false, true);
    request.SendFirst = false;
    const TStoreResult result = rig.Link->Job<TVerifiedStore>().Store(request);
    EXPECT_FALSE(result.Stored);
    EXPECT_EQ(result.Message, "The unit would not change to bank A: nothing was stored in slot 17");
    EXPECT_EQ(std::count(rig.Lines.begin(), rig.Lines.end(),
                         "The unit is in bank B: choosing bank A again"),
              2);
    rig.Wait(50);
    EXPECT_EQ(rig.Slot(0, 17), inA);
    EXPECT_EQ(rig.Slot(1, 17), inB);
}

// What goes wrong is said, and nothing is called verified that was not.
TEST(Store, AWrongOrSilentUnitIsToldAndALostAnswerIsAskedForAgain) {
    {
        LinkRig rig;
        rig.Unit([](TPlenovaDevice& unit) { return unit.CorruptStores = true; });
        const TStoreResult result =
            rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("X"), 17, false, true));
        EXPECT_TRUE(result.Stored);
        EXPECT_FALSE(result.Verified);
        EXPECT_EQ(result.Message.rfind("Slot 17 does not hold what was sent: byte 127 is", 0), 0u)
            << result.Message;
    }
    {
        LinkRig rig;
        TLinkTimings timings = rig.Link->Timings();
        timings.TimeoutMilliseconds = 200;
        rig.Link->SetTimings(timings);
        const TBytes before = rig.Slot(0, 17);
        rig.processor->SetMute(true);
        TStoreResult result =
            rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("X"), 17, true, true));
        EXPECT_FALSE(result.Stored);
        EXPECT_TRUE(result.NoAnswer);
        EXPECT_EQ(result.Message,
                  "The unit did not say which bank it is in: nothing was stored in slot 17");
        rig.processor->SetMute(false);
        rig.Link->PingDevice();
        ASSERT_TRUE(rig.RunUntil([&] { return rig.Link->CurrentBank() == 0; }));
        rig.processor->SetMute(true);
        result = rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("X"), 17, true, true));
        EXPECT_FALSE(result.Stored);
        EXPECT_EQ(result.Message, "The unit did not answer: the preset in slot 17 could not be "
                                  "kept, so nothing was stored");
        // Not seen to hold the dump, a silent unit is not told to store it.
        result = rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("X"), 17, false, true));
        EXPECT_FALSE(result.Stored);
        EXPECT_TRUE(result.NoAnswer);
        EXPECT_EQ(result.Message,
                  "The unit did not answer before the store: nothing was stored in slot 17");
        rig.Wait(100);
        EXPECT_EQ(rig.Slot(0, 17), before) << "nothing stored by a silent unit";
    }
    {
        // The read-back's answer is lost: the unit still answers, so it is asked again.
        LinkRig rig;
        TLinkTimings timings = rig.Link->Timings();
        timings.TimeoutMilliseconds = 300;
        rig.Link->SetTimings(timings);
        const TBytes sent = TitledDump("Asked Twice");
        // Answers are dropped from the store on until the link asks its settling question: the
        // first read-back is lost.
        rig.processor->SetLog([&](const std::string& line) {
            if (line.find("store preset") != std::string::npos)
                rig.processor->SetDropEvery(1);
            if (line.find("request parameter 0") != std::string::npos)
                rig.processor->SetDropEvery(0);
        });
        const TStoreResult result =
            rig.Link->Job<TVerifiedStore>().Store(Request(sent, 9, false, true));
        EXPECT_TRUE(result.Verified) << result.Message;
    }
    {
        // The message choosing the slot never arrives: what the unit then sends is another
        // preset, kept for this slot by no store.
        LinkRig rig;
        QTemporaryDir kept;
        rig.Link->Job<TVerifiedStore>().ReplacedFolder = kept.path();
        const TBytes before = rig.Slot(0, 17);
        rig.processor->SetLoseSelectEvery(1);
        TStoreResult result =
            rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("X"), 17, true, true));
        EXPECT_FALSE(result.Stored);
        EXPECT_TRUE(QDir(kept.path()).isEmpty());
        // Only the first choice is lost: asked again, the slot's own preset is kept.
        rig.processor->SetLog([&](const std::string& line) {
            if (line.find("request current preset") != std::string::npos)
                rig.processor->SetLoseSelectEvery(0);
        });
        result = rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("X"), 17, true, true));
        EXPECT_TRUE(result.Verified) << result.Message;
        EXPECT_EQ(result.Replaced, before);
        EXPECT_EQ(rig.Slot(0, 17), TitledDump("X"));
    }
}

// The message choosing the bank never arrives: the store would go into that slot of another bank.
// The keep's fetch sees the unit in the wrong bank; without a keep the unit is asked its bank
// before anything is sent. Either way the bank is chosen again, and a unit that will not change
// gets nothing.
TEST(Store, ALostBankChoiceIsMadeAgainAndNeverStoresIntoAnotherBank) {
    struct Case {
        const char* What;
        bool Keep, AlwaysLost;
        std::string Message;
    };
    for (const Case& c :
         {Case{"lost once, no keep", false, false, ""}, Case{"lost once, kept", true, false, ""},
          Case{"always lost, no keep", false, true,
               "The unit would not change to bank B: nothing was stored in slot 17"},
          Case{"always lost, kept", true, true,
               "The unit would not move to slot 17: the preset there could not be kept, so "
               "nothing was stored"}}) {
        LinkRig rig;
        QTemporaryDir kept;
        rig.Link->Job<TVerifiedStore>().ReplacedFolder = kept.path();
        const TBytes inA = rig.Slot(0, 17);
        const TBytes inB = rig.Slot(1, 17);
        rig.processor->SetLoseSelectEvery(1);
        if (!c.AlwaysLost) // lost until the unit is first asked where it is
            rig.processor->SetLog([&](const std::string& line) {
                if (line.find("request parameter 9") != std::string::npos)
                    rig.processor->SetLoseSelectEvery(0);
            });
        TStoreRequest request = Request(TitledDump("Into B"), 17, c.Keep, true);
        request.Bank = 1;
        const TStoreResult result = rig.Link->Job<TVerifiedStore>().Store(request);
        EXPECT_EQ(result.Message, c.Message) << c.What;
        EXPECT_EQ(result.Verified, !c.AlwaysLost) << c.What;
        EXPECT_FALSE(result.NoAnswer) << c.What << ": the unit did answer";
        rig.Wait(50);
        EXPECT_EQ(rig.Slot(0, 17), inA) << c.What << ": bank A is not touched";
        EXPECT_EQ(rig.Slot(1, 17), c.AlwaysLost ? inB : TitledDump("Into B")) << c.What;
        EXPECT_EQ(result.Replaced, c.Keep && !c.AlwaysLost ? inB : TBytes()) << c.What;
    }
}

// Slots of other banks are read with each bank chosen, remembered under their own places, and the
// bank the unit was in (A) is chosen again at the end.
TEST(Store, ReadingSlotsOfOtherBanksEndsInTheBankItBeganIn) {
    LinkRig rig;
    rig.Link->PingDevice();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Link->CurrentBank() == 0; }));
    QTemporaryDir remembered;
    TUnitMemory memory(remembered.path());
    rig.Link->SetMemory(&memory);
    EXPECT_EQ(rig.Link->Job<TVerifiedStore>().ReadSlots({{1, 5}, {2, 7}}), 2);
    for (const auto& [bank, slot] : {std::pair{1, 5}, std::pair{2, 7}}) {
        const TSlotMemory* known = memory.Slot(bank, slot);
        ASSERT_TRUE(known != nullptr && known->Now() != nullptr) << bank << slot;
        EXPECT_EQ(known->Now()->Dump, rig.Sent(bank, slot - 1).first) << bank << slot;
    }
    EXPECT_EQ(rig.Link->CurrentBank(), 0);
    EXPECT_TRUE(rig.RunUntil(
        [&] { return rig.Unit([](TPlenovaDevice& unit) { return unit.CurrentBank == 0; }); }));
}

// While another job has the unit, a store is refused with the reason.
TEST(Store, AnotherJobKeepsTheUnit) {
    LinkRig rig;
    TProcedureOptions options;
    options.Print = true;
    options.Banks = {true, false, false, false};
    options.RequestDelay = 5;
    ASSERT_TRUE(rig.Link->Job<TBackupWalk>().Start(options));
    EXPECT_EQ(rig.Link->Running(), &rig.Link->Job<TBackupWalk>());
    const TStoreResult result =
        rig.Link->Job<TVerifiedStore>().Store(Request(TitledDump("X"), 3, false, false));
    EXPECT_FALSE(result.Stored);
    EXPECT_EQ(result.Message, "A listing is running: wait for it to end or press Ctrl+C");
    rig.Link->SelectBank(3);
    EXPECT_EQ(rig.Statuses.last(), "A listing is running: wait for it to end or press Ctrl+C");
    EXPECT_FALSE(rig.Link->Job<TBackupWalk>().Start(options)) << "nor a second walk";
    rig.Link->Job<TBackupWalk>().Abort();
    EXPECT_FALSE(rig.Link->Busy());
}
