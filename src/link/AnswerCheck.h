#pragma once
// Whether a dump that came is the answer a job waits for, from the slot it asked for. A dump names
// no slot: the job asks the unit where it is just before asking for the preset, and the unit
// answers in order, so its replies are in before the dump. The walk, the fetch and the reading
// of the edit buffer all take their dumps through this one check.

#include "link/LinkJob.h"

class TAnswerCheck {
public:
    enum class TVerdict {
        NotOurs,  // owed to an earlier request, sent twice, or sent before the unit said where
        Take,     // the answer, from the place asked for
        AskAgain, // the answer, but from elsewhere, or the unit's reply was lost: ask again
    };

    // Another preset is waited for: what the answers for the last one said is forgotten.
    void Begin() {
        strays = 0;
        unplaced = 0;
        stray = false;
        place = TJobLink::TWhere::Here;
    }
    // The dump against the request waited for (ticket) and the place it was asked from (bank
    // below 0 or number below 1: not compared).
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    TVerdict Check(TJobLink& link, TByteView dump, TAnswerLedger::TTicket ticket, int bank,
                   int number);
    // Where the unit said the last answer came from.
    TJobLink::TWhere Place() const { return place; }
    // The last answer came from elsewhere (or unplaced after one that did): the message choosing
    // the place was lost.
    bool Stray() const { return stray; }
    // Answers from elsewhere for this preset so far.
    int Strays() const { return strays; }

private:
    TJobLink::TWhere place = TJobLink::TWhere::Here;
    bool stray = false;
    int strays = 0;
    int unplaced = 0; // answers that came without the unit saying where it was
};
