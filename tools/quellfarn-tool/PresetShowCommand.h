#pragma once
// preset show FILE [--json]: what a preset file holds, as the editor shows it.

#include "Command.h"

class TPresetShowCommand : public TCommand {
public:
    TPresetShowCommand();
    int Execute(const QStringList& arguments) override;
};
