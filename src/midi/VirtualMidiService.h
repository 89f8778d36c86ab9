#pragma once
// In-process MIDI devices: loopback pairs, and pairs behind which a device model sits.
// Bytes reach the program's inputs on a delivery thread of the service's own, as they
// would from a real driver.

#include "midi/MidiBackend.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// A device model attached to a virtual input/output pair.
class VirtualMidiDevice {
public:
    using Transmitter = std::function<void(const std::uint8_t* bytes, std::size_t count)>;
    virtual ~VirtualMidiDevice() = default;
    // Called by the service, before any Receive, with the way to answer the program; and
    // with an empty transmitter when the service goes away.
    virtual void Connect(Transmitter transmit) = 0;
    // One message the program sent, on a thread of the service.
    virtual void Receive(const std::uint8_t* bytes, std::size_t count) = 0;
};

class VirtualMidiService : public MidiBackend {
public:
    VirtualMidiService();
    ~VirtualMidiService() override;

    // An input and an output of this name; what is sent to the output arrives at the input.
    void AddLoopback(const std::string& name);
    // An input and an output of this name, joined to the device model.
    void AttachDevice(const std::string& name, std::shared_ptr<VirtualMidiDevice> device);
    // Delivers bytes to the program's input of that name, as one chunk.
    void Inject(const std::string& name, const std::uint8_t* bytes, std::size_t count);
    // Pulls the cable of the output of that name, or plugs it in again: while unplugged,
    // every send to it fails as a device that has gone away.
    void SetUnplugged(const std::string& name, bool unplugged);

    std::vector<std::string> InputNames() override;
    std::vector<std::string> OutputNames() override;
    std::unique_ptr<MidiInputConnection> OpenInput(std::size_t index, MidiByteSink& sink,
                                                   MMRESULT& error) override;
    std::unique_ptr<MidiOutputConnection> OpenOutput(std::size_t index, MMRESULT& error) override;

    struct Pair;

private:
    void Deliver(Pair* pair, const std::uint8_t* bytes, std::size_t count);
    Pair* Find(const std::string& name);
    void Run();

    std::mutex pairsMutex;
    std::vector<std::unique_ptr<Pair>> pairs;

    std::mutex queueMutex;
    std::condition_variable wake;
    std::deque<std::pair<Pair*, std::vector<std::uint8_t>>> deliveries;
    bool stopping = false;
    std::thread deliverer;
};
