#pragma once
// journal: the unit's writes, newest first, that undo and redo act on.

#include "UnitCommand.h"

class TJournalCommand : public TUnitCommand {
public:
    TJournalCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;
};
