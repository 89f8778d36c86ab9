#pragma once
// What every command that talks to the unit does around its run: the MIDI systems it offers,
// Ctrl+C caught while a job runs, and a yes read from the terminal.

#include <memory>
#include <string>

class MidiDeviceService;
class TSimulatedProcessor;

namespace ToolRun {
// Real devices first, then the simulated unit at DIN MIDI speed, as the program offers them.
void AddBackends(MidiDeviceService& midi, bool prePlenova,
                 std::shared_ptr<TSimulatedProcessor>& processor);
// While one lives, Ctrl+C and SIGTERM end the job cleanly; the default again once it is gone.
class TCatchInterrupts {
public:
    TCatchInterrupts();
    ~TCatchInterrupts();
    TCatchInterrupts(const TCatchInterrupts&) = delete;
    TCatchInterrupts& operator=(const TCatchInterrupts&) = delete;
};
// "y" or "yes", any case, blanks around.
bool IsYes(std::string answer);
} // namespace ToolRun
