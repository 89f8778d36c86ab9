#pragma once
// The MIDI service over a list of backends (real devices first, virtual ones after):
// re-frames input into messages and lent SysEx buffers, time-stamps it, and sends
// output on a thread of its own so that a slow device never holds up the windows.

#include "midi/MidiBackend.h"
#include "midi/MidiService.h"

#include <map>
#include <memory>
#include <vector>

class MidiDeviceService : public MidiService {
public:
    MidiDeviceService();
    ~MidiDeviceService() override;

    // Backends list their devices in the order they were added.
    template <class Backend> Backend& AddBackend(std::unique_ptr<Backend> backend) {
        Backend& result = *backend;
        backends.push_back(std::move(backend));
        return result;
    }

    std::vector<std::string> UnavailableSystems() override;

    // SysEx bytes an input keeps beside the port's lent buffers while they are all in use (the
    // window is busy): 4 MiB, about 16 000 preset dumps. Beyond it input is lost, and counted.
    std::size_t InputSpillLimit = std::size_t{4} << 20;

    unsigned InGetNumDevs() override;
    MMRESULT InGetDevName(unsigned deviceId, std::string& name) override;
    MMRESULT InOpen(HMIDI& handle, unsigned deviceId, MidiDriverCallback callback,
                    std::uintptr_t instance) override;
    MMRESULT InPrepareHeader(HMIDI handle, MIDIHDR* header) override;
    MMRESULT InUnprepareHeader(HMIDI handle, MIDIHDR* header) override;
    MMRESULT InAddBuffer(HMIDI handle, MIDIHDR* header) override;
    MMRESULT InStart(HMIDI handle) override;
    MMRESULT InReset(HMIDI handle) override;
    MMRESULT InClose(HMIDI handle) override;
    std::uint32_t InLostMessages(HMIDI handle) override;

    std::vector<std::string> InNames() override { return Names(true); }
    std::vector<std::string> OutNames() override { return Names(false); }

    unsigned OutGetNumDevs() override;
    MMRESULT OutGetDevName(int deviceId, std::string& name) override;
    MMRESULT OutOpen(HMIDI& handle, int deviceId, MidiDriverCallback callback,
                     std::uintptr_t instance) override;
    MMRESULT OutShortMsg(HMIDI handle, std::uint32_t packedMessage) override;
    MMRESULT OutPrepareHeader(HMIDI handle, MIDIHDR* header) override;
    MMRESULT OutLongMsg(HMIDI handle, MIDIHDR* header) override;
    MMRESULT OutUnprepareHeader(HMIDI handle, MIDIHDR* header) override;
    MMRESULT OutClose(HMIDI handle) override;

    class InputDevice;
    class OutputDevice;

private:
    struct Located {
        MidiBackend* Backend = nullptr;
        std::size_t Index = 0;
    };
    Located Locate(unsigned deviceId, bool input);
    unsigned CountDevices(bool input);
    std::vector<std::string> Names(bool input);
    MMRESULT DeviceName(unsigned deviceId, bool input, std::string& name);
    InputDevice* FindInput(HMIDI handle);
    OutputDevice* FindOutput(HMIDI handle);

    std::vector<std::unique_ptr<MidiBackend>> backends;
    std::map<HMIDI, std::unique_ptr<InputDevice>> inputs;
    std::map<HMIDI, std::unique_ptr<OutputDevice>> outputs;
    HMIDI nextHandle = 1;
};

// Splits bytes into the messages a backend sends one at a time, without changing a byte:
// each SysEx whole, each channel or system message whole, real-time bytes alone, and data
// bytes under running status as a run of their own.
std::vector<std::pair<std::size_t, std::size_t>> SplitMidiMessages(const std::uint8_t* bytes,
                                                                   std::size_t count);
