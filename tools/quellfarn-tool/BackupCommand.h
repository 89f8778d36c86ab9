#pragma once
// backup DIR [options]: every preset of the chosen banks from the unit into files.

#include "UnitCommand.h"

class TBackupCommand : public TUnitCommand {
public:
    TBackupCommand(int argc, char* argv[]);
    int Execute(const QStringList& arguments) override;
};
