// devices: the ports of every MIDI system that works here, and the simulated unit's.

#include "DevicesCommand.h"

#include "Backup.h"
#include "ToolErrors.h"

TDevicesCommand::TDevicesCommand()
    : TCommand({.Name = QStringLiteral("devices"),
                .Synopsis = QStringLiteral("devices"),
                .Description = QStringLiteral("the MIDI ports this machine offers")},
               {}) {}

int TDevicesCommand::Execute(const QStringList& arguments) {
    if (!arguments.isEmpty())
        throw UsageError{"devices takes no arguments"};
    return DevicesCommand();
}
