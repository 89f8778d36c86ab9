#pragma once
// A store into one of the unit's slots as a window asks for it, and what it came to: plain
// types the editor, the device link and the library share.

#include "model/Protocol.h"

#include <functional>
#include <string>

struct TStoreRequest {
    TBytes Dump;
    int Slot = 1;           // 1-based
    int Bank = -1;          // 0..3: that bank is selected first; -1: the bank the unit is in
    bool Keep = false;      // the slot's preset is fetched and kept as a file first
    bool Verify = false;    // the slot is read back and compared, the device byte aside
    bool SendFirst = false; // the dump goes to the unit before the store
    int UndoesStep = 0;     // an undo of this step of the unit's journal; 0: a store of its own
    // Runs right before the store message leaves, with what the slot held (empty when it was not
    // kept) and what is stored: the journal takes the slot there. False: nothing is stored.
    std::function<bool(const TBytes& before, const TBytes& stored)> BeforeStore;
};

struct TStoreResult {
    bool Stored = false;   // the store message went out
    bool Verified = false; // and the slot, read back, holds what was sent
    TBytes Replaced;       // what the slot held before (kept)
    std::string KeptFile;  // where that was kept
    bool NoAnswer = false; // the unit did not answer a fetch (to keep or to read back)
    int Bank = -1;         // the bank stored into, as far as known
    std::string Message;   // what went wrong, for the user; empty when nothing did
    int JournalStep = 0;   // the step of the unit's journal it is; -1: the step it undoes is gone
    TBytes Sent;           // what was stored: the dump asked for, or what the unit held
    // The unit was moved to another bank around the store (its knob, a foot controller, another
    // program): the slot of that bank the store may have gone into, "B 010", and what it held
    // as far as known. The job that stored stops.
    std::string Overwritten;
};
