#pragma once
// A store into one of the unit's slots as a window asks for it, and what it came to: plain
// types the editor, the device link and the library share.

#include "model/Protocol.h"

#include <string>

struct TStoreRequest {
    TBytes Dump;
    int Slot = 1;           // 1-based
    int Bank = -1;          // 0..3: that bank is selected first; -1: the bank the unit is in
    bool Keep = false;      // the slot's preset is fetched and kept as a file first
    bool Verify = false;    // the slot is read back and compared, the device byte aside
    bool SendFirst = false; // the dump goes to the unit before the store
    int UndoesStep = 0;     // an undo of this step of the unit's journal; 0: a store of its own
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
};
