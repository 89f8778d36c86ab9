#pragma once
// set "EFFECT PARAMETER=VALUE" FILE... | --slots A001-A050: one change made to many presets,
// preset files rewritten whole (each one's previous version kept beside it) or slots written
// through a plan (each kept, one step of the journal).

#include "WriteCommand.h"
#include "model/PresetEdit.h"

#include <string>
#include <vector>

class TSetCommand : public TWriteCommand {
public:
    TSetCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;

private:
    int SetFiles(const std::vector<std::string>& paths) const;
    // "A001-A050", "B017", "A001-A010,C005": the slots named, in order, each once.
    static std::vector<TPlace> SlotsWord(const QString& word);

    TPresetEdit edit;
    std::vector<TPlace> places;
};
