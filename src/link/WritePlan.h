#pragma once
// Writes into the unit's changes as the library makes them: a plan of what each slot will hold,
// told to the user before anything is sent, then carried out slot by slot — what the slot holds
// kept first, the preset sent, given time, stored, read back and compared — and recorded in the
// journal as one step that Undo puts back and Redo does again.

#include "link/LinkHost.h"
#include "link/UnitMemory.h"
#include "link/WriteJournal.h"
#include "model/StoreRequest.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TDeviceLink;
class TUnitLock;
class TLinkHost;

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

// How a plan is carried out. Every write into the unit — the library's, a restore, an editor's
// store, an undo — goes through the one walk with one of these.
struct TPlanRun {
    TWriteJournal* Journal =
        nullptr;           // the step goes here, each slot before its store; none: no step
    bool Keep = true;      // each slot's preset read and kept first (without it: no undo)
    bool Verify = true;    // each slot read back from the unit's memory
    bool SendFirst = true; // false: what the unit's edit buffer holds is stored (a one-slot plan)
    TSeenHow How = TSeenHow::Stored;
    TLinkJob Job = TLinkJob::Plan;
    // Told of each slot as it ends; without it the walk logs "A 017: Title written and verified"
    // or what went wrong.
    std::function<void(const TPlannedWrite&, const TStoreResult&)> Told;
    // The words the walk ends with; without it "Label: 6 written, 6 verified, 0 failed".
    std::function<QString(const TPlanCounts&)> Summary;
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

class TPlanWalk {
public:
    TPlanWalk(TDeviceLink& link, TLinkHost& host);

    // Carries the plan out, each slot kept, written and verified; a step in the journal (when
    // given) for what was written, each slot in it before its store message leaves. Abort
    // (Ctrl+C) stops after the slot being written. Refused, with the reason said, while another
    // job runs or another program writes to the unit (its lock).
    TPlanCounts Run(const TWritePlan& plan, TWriteJournal* journal);
    TPlanCounts Run(const TWritePlan& plan, const TPlanRun& how);
    // How long a write waits for another program's lock on the unit before it is refused.
    int LockPatience = 30000;

    // Undo (or redo) of a journal step: each slot it changed is read first; the ones that no
    // longer hold what the step left (changed on the unit meanwhile, or not answering) are
    // handed to ask, and only when it agrees is anything written. The step is marked undone
    // (or done) once every slot holds what it held before (or after) again.
    using TAsk = std::function<bool(const QStringList& changedSlots)>;
    TPlanCounts Undo(TWriteJournal& journal, int entryId, const TAsk& ask);
    TPlanCounts Redo(TWriteJournal& journal, int entryId, const TAsk& ask);

    void Abort();
    bool Running() const { return running; }

private:
    TPlanCounts Replay(TWriteJournal& journal, int entryId, bool undo, const TAsk& ask);
    // Reads each slot; the places of those that do not hold what expected says.
    QStringList Changed(const std::vector<TJournalSlot>& changes, bool undo, bool& silent);
    // The slots written one by one; the journal's step grows slot by slot when given.
    TPlanCounts Write(const TWritePlan& plan, const TPlanRun& how);
    // The unit's lock taken and the journal read again under it; empty, or why not.
    QString Begin(TUnitLock& lock, TWriteJournal* journal);
    void SelectBank(int bank, int& current);
    // The job ends: the start bank chosen again, the summary said.
    void End(int startBank, const QString& summary);

    TDeviceLink& link;
    TLinkHost& host;
    bool running = false;
    bool aborted = false;
};
