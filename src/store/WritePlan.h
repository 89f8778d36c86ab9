#pragma once
// A plan of writes into the unit: what each slot will hold, told to the user before anything is
// sent, and what became of it; the words a plan is told in. The walk that carries plans out is
// the link's.

#include "model/StoreRequest.h"
#include "store/Place.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

struct TPlannedWrite {
    int Bank = 0;     // 0..3; 0 also for the single bank of a Pre-Plenova unit
    int Slot = 1;     // 1-based
    TBytes Dump;      // what goes in (the unit's device byte is put in)
    QString NowTitle; // what the slot holds as far as remembered; empty: not known
    bool NowKnown = false;
};

struct TWritePlan {
    QString Label; // "swap of A 012 and A 013": the step's name in the journal and in Undo
    std::vector<TPlannedWrite> Writes;
};

struct TPlanCounts {
    int Written = 0;
    int Verified = 0;
    int Failed = 0;
    bool Aborted = false;
    QStringList FailedSlots; // "B 017: Slot 17 does not hold what was sent: ..."
    int EntryId = 0;         // the journal's step; 0: nothing was written
    QString Refused;         // why nothing was begun (another job, another program's lock)
    std::vector<TStoreResult> Results; // each slot written or tried, in order
};

// "A 017", or "017" on a unit of one bank.
QString SlotPlace(int bank, int slot, bool singleBank);
// The place next to a slot (step 1) or before it (-1): on from the bank's last slot into the
// next bank's first. Nothing past the unit's first or last slot; a bank of -1 (the one the unit
// is in) stays within that bank.
std::optional<std::pair<int, int>> StepPlace(int bank, int slot, int step, bool singleBank);
// "B 017: Slap Funk → Fretless Lead"; "(not read yet)" for a slot never read.
QString PlanLine(const TPlannedWrite& write, bool singleBank);
// "6 written, 6 verified, 0 failed"
QString PlanCountsText(const TPlanCounts& counts);
// A preset dump with this title in its 16 characters (printable ASCII; longer is cut): what
// "Rename..." stores. Everything else stays as it was.
TBytes RetitledDump(TByteView dump, const QString& title);
