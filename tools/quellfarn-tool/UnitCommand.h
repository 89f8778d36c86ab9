#pragma once
// The base of every command that talks to the unit: the options they share read once, then the
// application object, the MIDI systems and the unit's host set up once for the command's run.

#include "Command.h"
#include "UnitHost.h"

#include <optional>

class TUnitCommand : public TCommand {
public:
    // The words read (the shared options, then the command's own), the run set up, and the
    // command run with the unit's host.
    int Execute(const QStringList& arguments) final;

protected:
    TUnitCommand(const TCommandInfo& info, std::vector<const TOption*> options, int argc,
                 char* argv[]);

    // The command's own words, the shared options already in unitOptions. Everything that needs
    // no unit is checked here, before anything is set up (a usage error, a file that cannot be
    // read). A status ends the command here: it needs no unit this time.
    virtual std::optional<int> Read(const QCommandLineParser& parser) = 0;
    // The command's run; its exit status.
    virtual int Run(TUnitHost& host) = 0;
    // How the host tells what it does: one progress line on a terminal, else the log's lines.
    virtual TReportStyle Style() const;

    // The options backup and restore share (a backup folder, the unit's ports, the banks and
    // slots to walk, the pacing and the model of unit), then those of the one command.
    static std::vector<const TOption*> FolderOptions(const std::vector<const TOption*>& own);
    // The folder of backup and restore as the user gave it; a UsageError for no folder, more
    // than one, or slots that end before they start.
    void ReadFolder(const QCommandLineParser& parser);

    TUnitOptions unitOptions;

private:
    // The options every unit command may take, each where the command takes it.
    void ReadShared(const QCommandLineParser& parser);

    int argc;
    char** argv;
};
