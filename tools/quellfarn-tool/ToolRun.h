#pragma once
// What every command that talks to the unit does around its run: the MIDI systems it offers,
// Ctrl+C caught while it runs, and a yes read from the terminal.

#include <memory>
#include <string>

class MidiDeviceService;
class TSimulatedProcessor;

namespace ToolRun {
// Real devices first, then the simulated unit at DIN MIDI speed, as the program offers them.
void AddBackends(MidiDeviceService& midi, bool prePlenova,
                 std::shared_ptr<TSimulatedProcessor>& processor);
// Ctrl+C and SIGTERM end the run cleanly while on; the default again when off.
void CatchInterrupts(bool on);
// "y" or "yes", any case, blanks around.
bool IsYes(std::string answer);
} // namespace ToolRun
