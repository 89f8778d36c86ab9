#pragma once
// What a source of MIDI devices offers the device service: names, and connections
// that move bytes. Everything the ports rely on beyond that is the service's.

#include "midi/Midicons.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Receives raw MIDI bytes on a thread of the backend; chunks need not be whole messages.
class MidiByteSink {
public:
    virtual ~MidiByteSink() = default;
    virtual void Receive(const std::uint8_t* bytes, std::size_t count) = 0;
};

// An open input; destroying it guarantees that the sink is called no more.
class MidiInputConnection {
public:
    virtual ~MidiInputConnection() = default;
};

// An open output; Send takes exactly one complete MIDI message (or a run of data bytes
// under running status) and may block until the backend has taken it.
class MidiOutputConnection {
public:
    virtual ~MidiOutputConnection() = default;
    virtual MMRESULT Send(const std::uint8_t* bytes, std::size_t count) = 0;
};

class MidiBackend {
public:
    virtual ~MidiBackend() = default;
    // Names as the user sees and the settings store them; the same across runs.
    virtual std::vector<std::string> InputNames() = 0;
    virtual std::vector<std::string> OutputNames() = 0;
    virtual std::unique_ptr<MidiInputConnection> OpenInput(std::size_t index, MidiByteSink& sink,
                                                           MMRESULT& error) = 0;
    virtual std::unique_ptr<MidiOutputConnection> OpenOutput(std::size_t index,
                                                             MMRESULT& error) = 0;
    // The MIDI systems this backend could not reach on this machine, named for the user.
    virtual std::vector<std::string> UnavailableSystems() { return {}; }
};
