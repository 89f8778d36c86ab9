#pragma once
// What backup and restore share: a backup folder, the unit's ports, the banks and slots to walk,
// the pacing and the model of unit.

#include "Backup.h"
#include "Command.h"

class TUnitCommand : public TCommand {
public:
    // Takes the options backup and restore share and those of the one command.
    TUnitCommand(const TCommandInfo& info, const std::vector<const TOption*>& options, int argc,
                 char* argv[]);

protected:
    // The shared options and the folder as the user gave them; a UsageError for no folder, more
    // than one, or a range that ends before it starts.
    TBackupOptions UnitOptions(const QCommandLineParser& parser) const;

    int argc;
    char** argv;
};
