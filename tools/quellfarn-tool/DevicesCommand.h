#pragma once
// devices: the MIDI inputs and outputs the tool can open.

#include "Command.h"

class TDevicesCommand : public TCommand {
public:
    TDevicesCommand();
    int Execute(const QStringList& arguments) override;
};
