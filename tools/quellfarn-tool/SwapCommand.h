#pragma once
// swap A012 A013: two slots' presets exchanged, each read first.

#include "WriteCommand.h"
#include "store/Place.h"

#include <array>

class TSwapCommand : public TWriteCommand {
public:
    TSwapCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;

private:
    std::array<TPlace, 2> places;
};
