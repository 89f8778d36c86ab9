#pragma once
// The plans of the writes a user can ask for — place (a drop, a send, a file), swap, rename, copy
// of a bank, putting an old version back — built in one place for the library window and for
// quellfarn-tool, each from what the unit's memory holds. A plan that writes what a slot holds
// (swap, rename, copy) must be built after those slots were read again: the caller reads them
// first, so an old version is never written back.

#include "store/UnitMemory.h"
#include "store/WritePlan.h"

#include <QString>
#include <vector>

// A plan, or why there is none ("B 017 was never read: fetch it first").
struct TPlanOrRefusal {
    TWritePlan Plan;
    QString Refusal;
};

// The presets into consecutive slots from (bank, slot); `what` names the write ("drop",
// "sending", "place").
TPlanOrRefusal PlacePlan(const TUnitMemory* memory, TPlace from, const std::vector<TBytes>& dumps,
                         const QString& what, bool singleBank);
// The two slots' presets exchanged.
TPlanOrRefusal SwapPlan(const TUnitMemory* memory, TPlace first, TPlace second, bool singleBank);
// The slot's preset stored again under a new title.
TPlanOrRefusal RenamePlan(const TUnitMemory* memory, TPlace place, const QString& title,
                          bool singleBank);
// Every slot of one bank onto the same slot of another; slots that already hold the same
// preset are left out.
TPlanOrRefusal CopyBankPlan(const TUnitMemory* memory, int from, int to);
// An earlier version of a slot written into it again.
TPlanOrRefusal PutBackPlan(const TUnitMemory* memory, TPlace place, const TBytes& dump,
                           bool singleBank);
