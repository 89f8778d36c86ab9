#pragma once
// preset new -o FILE [--device-id N]: a preset file with the unit's defaults.

#include "Command.h"

class TPresetNewCommand : public TCommand {
public:
    TPresetNewCommand();
    int Execute(const QStringList& arguments) override;
};
