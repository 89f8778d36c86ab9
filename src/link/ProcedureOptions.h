#pragma once
// The choices of a walk through the presets and what it counted: plain types the windows
// share with the device link.

#include "model/Protocol.h"
#include "model/StoreRequest.h"

#include <QString>
#include <array>

// What the options dialog (or the command line) chose for a walk.
struct TProcedureOptions {
    std::array<bool, 4> Banks{true, true, true, true};
    bool LoopByPresetNumber = true;
    bool Save = false;
    bool Print = false;
    QString OutputDirectory;
    int First = 1;
    int Last = 200;
    QString UntitledName; // empty: untitled presets are skipped
    bool SkipExisting = false;
    int RequestDelay = 1000; // milliseconds between selecting a preset and asking for it
};

// The counts the last line of a walk reports.
struct TProcedureCounts {
    int Saved = 0;
    int Listed = 0;
    int Untitled = 0;
    int TimeOuts = 0;
    int AlreadySaved = 0;
};
