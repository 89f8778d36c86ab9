#pragma once
// names --csv|--midnam OUT: the programs of a table named after the presets they call up, as the
// unit's memory has their titles, for foot controllers (CSV) and DAWs (MIDNAM).

#include "Command.h"

class TNamesCommand : public TCommand {
public:
    TNamesCommand();
    int Execute(const QStringList& arguments) override;
};
