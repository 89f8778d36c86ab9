// devices: the ports of every MIDI system that works here, and the simulated unit's.

#include "DevicesCommand.h"

#include "ToolErrors.h"
#include "ToolRun.h"
#include "midi/MidiDeviceService.h"
#include "sim/SimulatedProcessor.h"

#include <iostream>

TDevicesCommand::TDevicesCommand()
    : TCommand({.Name = QStringLiteral("devices"),
                .Synopsis = QStringLiteral("devices"),
                .Description = QStringLiteral("the MIDI ports this machine offers")},
               {}) {}

int TDevicesCommand::Execute(const QStringList& arguments) {
    if (!arguments.isEmpty())
        throw UsageError{"devices takes no arguments"};
    MidiDeviceService midi;
    std::shared_ptr<TSimulatedProcessor> processor;
    ToolRun::AddBackends(midi, false, processor);
    std::cout << "MIDI inputs:\n";
    for (unsigned index = 0; index < midi.InGetNumDevs(); ++index) {
        std::string name;
        if (midi.InGetDevName(index, name) == MMSYSERR_NOERROR)
            std::cout << "  " << name << "\n";
    }
    std::cout << "MIDI outputs:\n";
    for (unsigned index = 0; index < midi.OutGetNumDevs(); ++index) {
        std::string name;
        if (midi.OutGetDevName(static_cast<int>(index), name) == MMSYSERR_NOERROR)
            std::cout << "  " << name << "\n";
    }
    const std::vector<std::string> unavailable = midi.UnavailableSystems();
    for (std::size_t i = 0; i < unavailable.size(); ++i)
        std::cout << (i == 0 ? "Not reachable here: " : ", ") << unavailable[i]
                  << (i + 1 == unavailable.size() ? "\n" : "");
    std::cout << std::flush;
    return 0;
}
