#pragma once
// place, swap, undo, redo and journal: writes into the unit's slots, each a step of its journal.

#include "Command.h"

class TWriteCommand : public TCommand {
public:
    enum class TKind { Place, Swap, Undo, Redo, Journal };
    TWriteCommand(TKind kind, int argc, char* argv[]);
    int Execute(const QStringList& arguments) override;

private:
    TKind kind;
    int argc;
    char** argv;
};
