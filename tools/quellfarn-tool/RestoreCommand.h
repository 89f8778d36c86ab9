#pragma once
// restore DIR [options]: a backup folder written back into the unit, each slot read back.

#include "UnitCommand.h"

class TRestoreCommand : public TUnitCommand {
public:
    TRestoreCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;
};
