#pragma once
// place FILE --bank B --slot N: a preset file into a slot, what the slot held kept first.

#include "WriteCommand.h"
#include "model/Protocol.h"
#include "store/Place.h"

class TPlaceCommand : public TWriteCommand {
public:
    TPlaceCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;

private:
    TBytes dump;
    TPlace place;
};
