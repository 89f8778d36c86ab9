#pragma once
// What belongs to the unit on the chosen ports, apart from any window: its memory (and those of
// the ports before, kept while a window still shows them), its journal, what a slot holds as far
// as known, and the writes an editor or the library asks for — an editor's store as a one-slot
// plan, undo and redo of a step — carried out by the device link.

#include "link/PlanWalk.h"
#include "store/UnitMemory.h"
#include "store/WriteJournal.h"

#include <QString>
#include <memory>
#include <vector>

class TDeviceLink;

class TUnitSession {
public:
    explicit TUnitSession(TDeviceLink& link);

    // The memory of the unit behind this output port with this device byte, handed to the link.
    // True when it is another unit than before (the windows showing the memory take it anew).
    bool UseUnit(const QString& outputName, int deviceByte);
    // None: no unit (no output open).
    void NoUnit();
    TUnitMemory* Memory() const { return memory.get(); }
    // The journal beside the memory, read when first asked for; problem says what reading found.
    TWriteJournal* Journal(QString& problem);

    // Undo (true) or redo of a step (0: the newest undoable, or the oldest redoable one); ask
    // is told of slots changed meanwhile. Label says which step it was; empty when none.
    TPlanCounts Replay(bool undo, int entryId, const TPlanWalk::TAsk& ask, QString& label);
    // An editor's store, a one-slot plan and a step of the journal; or its "Undo last store"
    // (request.UndoesStep), that step undone when it is still this store's.
    TStoreResult StoreFromEditor(const TStoreRequest& request, const TPlanWalk::TAsk& ask);
    // "A 017 now holds: Slap Funk, read 2 days ago"; "A 017: not read yet"; empty without a unit.
    // A bank below 0: the one the unit is in.
    QString SlotHoldsText(int bank, int slot) const;

private:
    TDeviceLink& link;
    std::unique_ptr<TUnitMemory> memory;
    std::vector<std::unique_ptr<TUnitMemory>> formerMemories; // shown until replaced
    std::unique_ptr<TWriteJournal> journal;
};
