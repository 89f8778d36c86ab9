#pragma once
// backup DIR [options]: every preset of the chosen banks from the unit into files.

#include "UnitCommand.h"

class TBackupCommand : public TUnitCommand {
public:
    TBackupCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;
};
