// The MIDI systems of the tool, Ctrl+C and the answer to a question.

#include "ToolRun.h"

#include "UnitHost.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "midi/VirtualMidiService.h"
#include "sim/SimulatedProcessor.h"

#include <algorithm>
#include <cctype>
#include <csignal>

namespace {
void Interrupted(int) {
    TUnitHost::RequestInterrupt();
}
} // namespace

void ToolRun::AddBackends(MidiDeviceService& midi, bool prePlenova,
                          std::shared_ptr<TSimulatedProcessor>& processor) {
    midi.AddBackend(std::make_unique<RtMidiService>("Quellfarn Tool"));
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    simulator.PrePlenova = prePlenova;
    processor = AttachSimulatedProcessor(virtualDevices, simulator);
}

ToolRun::TCatchInterrupts::TCatchInterrupts() {
    std::signal(SIGINT, Interrupted);
    std::signal(SIGTERM, Interrupted);
}

ToolRun::TCatchInterrupts::~TCatchInterrupts() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

bool ToolRun::IsYes(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto first = answer.find_first_not_of(" \t\r");
    const auto last = answer.find_last_not_of(" \t\r");
    if (first == std::string::npos)
        return false;
    answer = answer.substr(first, last - first + 1);
    return answer == "y" || answer == "yes";
}
