#pragma once
// check: whether the unit can be reached, step by step, with one verdict.

#include "UnitCommand.h"

class TCheckCommand : public TUnitCommand {
public:
    TCheckCommand(int argc, char* argv[]);

protected:
    std::optional<int> Read(const QCommandLineParser& parser) override;
    int Run(TUnitHost& host) override;
    TReportStyle Style() const override { return TReportStyle::Quiet; }
};
