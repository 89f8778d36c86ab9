#pragma once
// The plans of the writes a user can ask for — place (a drop, a send, a file), swap, rename, copy
// of a bank, putting an old version back — built in one place for the library window and for
// quellfarn-tool, each from what the unit's memory holds. A plan that writes what a slot holds
// (swap, rename, copy) must be built after those slots were read again: the caller reads them
// first, so an old version is never written back.

#include "model/PresetEdit.h"
#include "store/UnitMemory.h"
#include "store/WritePlan.h"

#include <QString>
#include <optional>
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
// A song of a set list as its plan takes it: its title, and its slot or its file's preset.
struct TSetListSong {
    QString Title;
    std::optional<TPlace> Slot; // none: the song is played from a file, whose preset is Dump
    TBytes Dump;
};
// The consecutive slots from `from`, on from a bank's last slot into the next bank's first, for
// as many songs as there are, as far as the unit's last slot.
std::vector<TPlace> SetListPlaces(TPlace from, std::size_t songs, bool singleBank);
// The songs' presets into consecutive slots from `from` (see SetListPlaces), so the unit's up
// and down switches step through the set; `name` names the set list in the plan's label. A
// song's slot gives what the memory holds for it; a song whose target slot already holds its
// preset, as remembered, is left out. Refused when a song's slot was never read (each such song
// named) or when the songs run past the unit's last slot.
TPlanOrRefusal SetListPlan(const TUnitMemory* memory, TPlace from,
                           const std::vector<TSetListSong>& songs, const QString& name,
                           bool singleBank);
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
// The change made to each slot as the memory holds it; slots it leaves as they are (no such
// effect in the chain, already so) are not in the plan. Refused when a slot was never read.
TPlanOrRefusal EditPlan(const TUnitMemory* memory, const std::vector<TPlace>& places,
                        const TPresetEdit& edit, bool singleBank);
