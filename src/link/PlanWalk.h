#pragma once
// The one walk that writes into the unit: a plan carried out slot by slot — what the slot holds
// kept first, the slot put in the journal, the preset sent and seen in the edit buffer, stored,
// read back from the unit's memory and compared — as one step of the journal that Undo puts back
// and Redo does again. The library's writes, a restore, an editor's store and undo all go here.

#include "link/LinkHost.h"
#include "link/LinkJob.h"
#include "store/UnitLock.h"
#include "store/UnitMemory.h"
#include "store/WriteJournal.h"
#include "store/WritePlan.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class TVerifiedStore;

// How a plan is carried out. Every write into the unit — the library's, a restore, an editor's
// store, an undo — goes through the one walk with one of these.
struct TPlanRun {
    TWriteJournal* Journal =
        nullptr;           // the step goes here, each slot before its store; none: no step
    bool Keep = true;      // each slot's preset read and kept first (without it: no undo)
    bool Verify = true;    // each slot read back from the unit's memory
    bool SendFirst = true; // false: what the unit's edit buffer holds is stored (a one-slot plan)
    TSeenHow How = TSeenHow::Stored;
    // The job the plan is carried out for (a restore): while it runs, the link is busy with that.
    const TLinkJob* For = nullptr;
    // Told of each slot as it ends; without it the walk logs "A 017: Title written and verified"
    // or what went wrong.
    std::function<void(const TPlannedWrite&, const TStoreResult&)> Told;
    // The words the walk ends with; without it "Label: 6 written, 6 verified, 0 failed".
    std::function<QString(const TPlanCounts&)> Summary;
};

class TPlanWalk : public TLinkJob {
public:
    explicit TPlanWalk(TJobLink& link);

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

    // Ctrl+C: the slot being written is finished first.
    void Abort() override;
    bool Running() const { return running; }
    // While the line of a slot that ended is logged, the slot's result (a host may leave out
    // the slots that were verified); null otherwise.
    const TStoreResult* SlotTold() const { return told; }

    // Its stores are parts of it: their dumps are theirs.
    std::optional<TRouted> Route(const TMyMidiEvent& event, TByteView bytes) override;
    QString BusyReason() const override;
    bool Includes(const TLinkJob& part) const override;

private:
    TPlanCounts Replay(TWriteJournal& journal, int entryId, bool undo, const TAsk& ask);
    // Reads each slot; the places of those that do not hold what expected says.
    QStringList Changed(const std::vector<TJournalSlot>& changes, bool undo, bool& silent);
    // The slots written one by one; the journal's step grows slot by slot when given.
    TPlanCounts Write(const TWritePlan& plan, const TPlanRun& how);
    // Another job runs: refused, the reason in the counts and said.
    bool RefusedBusy(TPlanCounts& counts);
    // The job begins (for that job, when given): the unit's lock taken (held until End) and the
    // journal read again under it; empty, or why nothing may be written.
    QString Begin(const TLinkJob* job, TWriteJournal* journal);
    void SelectBank(int bank, int& current);
    // The job ends: the start bank chosen again, the summary said.
    void End(int startBank, const QString& summary);

    TJobLink& link;
    TLinkHost& host;
    TVerifiedStore& store;
    std::unique_ptr<TJobScope> scope; // from Begin to End
    const TLinkJob* runFor = nullptr;
    bool running = false;
    bool aborted = false;
    const TStoreResult* told = nullptr;
    std::unique_ptr<TUnitLock> lock;
};
