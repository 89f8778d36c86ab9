#pragma once
// Real MIDI devices through RtMidi, from every RtMidi API that works on this machine
// (ALSA and JACK on Linux, WinMM on Windows, CoreMIDI on macOS). An API that cannot
// start (no sound hardware, no JACK server) simply contributes no devices.

#include "midi/MidiBackend.h"

#include <memory>
#include <string>
#include <vector>

class RtMidiIn;
class RtMidiOut;

class RtMidiService : public MidiBackend {
public:
    // clientName: how our own connections are called on the MIDI system; their ports
    // are left out of the device lists.
    explicit RtMidiService(std::string clientName = "Quellfarn");
    ~RtMidiService() override;

    std::vector<std::string> InputNames() override;
    std::vector<std::string> OutputNames() override;
    std::unique_ptr<MidiInputConnection> OpenInput(std::size_t index, MidiByteSink& sink,
                                                   MMRESULT& error) override;
    std::unique_ptr<MidiOutputConnection> OpenOutput(std::size_t index, MMRESULT& error) override;
    std::vector<std::string> UnavailableSystems() override { return unavailable; }

    struct Api;

private:
    struct Port {
        Api* Owner = nullptr;
        unsigned Number = 0; // RtMidi's port number at the moment of listing
        std::string Name;
    };
    std::vector<Port> ListInputs();
    std::vector<Port> ListOutputs();

    std::string clientName;
    std::vector<std::unique_ptr<Api>> apis;
    std::vector<std::string> unavailable;
};

// Ends an RtMidi output. Destroying RtMidi's JACK output right after its port closes lets JACK's
// thread read freed memory now and then (a crash on a busy machine): a JACK output is closed here
// and destroyed a while later (at the latest when the program ends); any other is destroyed here.
void RetireRtMidiOutput(std::unique_ptr<RtMidiOut> output);

// A port name without the parts that change from run to run: ALSA's client:port numbers,
// and the "-01" JACK gives a client whose name is taken (every RtMidi connection is a
// client of its own, so a program's input and output ports often differ only by it).
std::string StablePortName(const std::string& rtMidiName);
