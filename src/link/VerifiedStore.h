#pragma once
// A store into a slot that can be checked and taken back: the slot's preset fetched and kept
// before it is replaced, the new one sent, given time, stored, and read back and compared.
// Fetching one slot's preset is here too: the store's keep and read-back are fetches.

#include "link/AnswerCheck.h"
#include "link/LinkJob.h"
#include "model/StoreRequest.h"
#include "store/Place.h"
#include "store/UnitMemory.h"

#include <QString>
#include <optional>
#include <utility>
#include <vector>

class TVerifiedStore : public TLinkJob {
public:
    explicit TVerifiedStore(TJobLink& link);

    // One preset of the current bank (0-based slot index): selected, asked for, and its dump
    // once it has come; nothing when it does not come within the link's time-out (asked for a
    // second time when the unit answers at all). Only as a part of the store's job or of one
    // that includes it.
    std::optional<TBytes> Fetch(int index);
    bool Fetching() const { return fetching; }
    // The last fetch got nothing because the unit answered from another slot or bank, not
    // because it was silent.
    bool AnsweredElsewhere() const { return answeredElsewhere; }

    // While fetching, the dumps are the fetch's to check.
    std::optional<TRouted> Route(const TMyMidiEvent& event, TByteView bytes) override;
    QString BusyReason() const override;
    // A store runs to its end: the unit would be left between the dump and the store.
    void Abort() override {}

    // Stores the request's dump into its slot. A kept preset is fetched first (and the dump
    // sent again, since the fetch replaced the unit's edit buffer). The unit is given the
    // request delay between the dump and the store: how long it needs to take a dump is not
    // known. A store asked for while another job runs is refused with the reason.
    TStoreResult Store(const TStoreRequest& request);
    // A store that is part of another job: a verified slot is remembered as seen that way.
    TStoreResult Store(const TStoreRequest& request, TSeenHow how);
    // A fetch whose preset is remembered as read from its slot.
    std::optional<TBytes> Read(int index);
    // What the unit's edit buffer holds now (the current preset, edited on its panel or not);
    // nothing when it does not answer in time.
    std::optional<TBytes> ReadEditBuffer();
    // Reads these slots (bank, 1-based slot) again, each bank chosen as needed and the bank
    // the unit was in chosen again at the end; how many came. Refused while a job runs.
    int ReadSlots(const std::vector<TPlace>& wanted);
    // Where kept presets go; empty: the program's data folder, "replaced".
    QString ReplacedFolder;

    // The first byte where two dumps differ, the device byte aside; -1 when none does.
    static int FirstDifference(TByteView sent, TByteView held);

private:
    // A dump while fetching: true when it is the fetch's answer.
    bool Arrived(TByteView dump);
    TStoreResult StoreHere(const TStoreRequest& request, TSeenHow how);
    // Where the unit went, as its replies say.
    enum class TMove { There, OtherBank, Silent };
    // Sends the unit to the slot next to this one and waits until it says it is there: what is
    // read of the slot afterwards comes from its memory, not from an edit buffer that happened
    // to be on it. OtherBank: it says it is in another bank than `bank` (-1: any). Bank first,
    // as everywhere; the slot 1-based.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    TMove MoveAway(int bank, int slot);
    // After a dump was sent: asks the edit buffer until it holds the dump (the unit has taken it),
    // so that the store that follows stores it. The bank is checked with it, and chosen again
    // (and the dump sent again) when the unit reports another.
    enum class THold { Held, OtherBank, NotTaken, Silent };
    THold AwaitTaken(const TBytes& dump, int bank);

    TJobLink& link;
    TLinkHost& host;
    bool fetching = false;
    std::optional<TBytes> fetched;
    TAnswerLedger::TTicket ticket = 0;
    int fetchingSlot = 0;     // 1-based
    bool strayAnswer = false; // the last dump may have come from another slot
    bool strayBank = false;   // it came from another bank: the bank is chosen again
    TAnswerCheck check;       // the fetch's dumps: its request's answer, from its slot?
    bool answeredElsewhere = false;
    bool readingEditBuffer = false; // the fetch is of the edit buffer, wherever the unit is
};
