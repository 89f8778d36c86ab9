#pragma once
// preset diff A B [--json]: how two presets differ, in the editor's words; either side a file or
// a slot of the unit ("unit:B017").

#include "UnitCommand.h"
#include "model/Protocol.h"
#include "store/Place.h"

#include <array>
#include <optional>

class TPresetDiffCommand : public TUnitCommand {
public:
    TPresetDiffCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;
    TReportStyle Style() const override { return TReportStyle::Quiet; }

private:
    // The difference printed; 0 when there is none.
    int Show() const;

    QStringList sides;
    bool json = false;
    std::array<std::optional<TPlace>, 2> places;
    std::array<TBytes, 2> dumps;
};
