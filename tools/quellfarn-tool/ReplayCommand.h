#pragma once
// undo and redo: the journal's newest step put back, or the step undone last done again.

#include "WriteCommand.h"

class TReplayCommand : public TWriteCommand {
public:
    TReplayCommand(bool undo, int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;

private:
    bool undo;
};
