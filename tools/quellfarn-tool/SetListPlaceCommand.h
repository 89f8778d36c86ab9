#pragma once
// setlist place FILE --from D181: the songs' presets into consecutive slots, so the unit's own up
// and down switches step through the set.

#include "WriteCommand.h"
#include "store/PlanBuilders.h"

#include <vector>

class TSetListPlaceCommand : public TWriteCommand {
public:
    TSetListPlaceCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;

private:
    QString name; // the set list's file name, for the journal
    TPlace from;
    std::vector<TSetListSong> songs;
};
