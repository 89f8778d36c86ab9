// Virtual devices and their delivery thread.

#include "midi/VirtualMidiService.h"

#include <atomic>

struct VirtualMidiService::Pair {
    std::string Name;
    std::shared_ptr<VirtualMidiDevice> Device; // null for a loopback
    std::mutex SinkMutex;
    MidiByteSink* Sink = nullptr; // the program's open input, if any
    std::atomic<bool> Unplugged{false};
};

namespace {
class VirtualInput : public MidiInputConnection {
public:
    VirtualInput(VirtualMidiService::Pair& pair, MidiByteSink& sink) : pair(pair) {
        const std::lock_guard lock(pair.SinkMutex);
        pair.Sink = &sink;
    }
    ~VirtualInput() override {
        const std::lock_guard lock(pair.SinkMutex);
        pair.Sink = nullptr;
    }

private:
    VirtualMidiService::Pair& pair;
};

class VirtualOutput : public MidiOutputConnection {
public:
    VirtualOutput(VirtualMidiService::Pair& pair,
                  std::function<void(const std::uint8_t*, std::size_t)> send)
        : pair(pair), send(std::move(send)) {}
    MMRESULT Send(const std::uint8_t* bytes, std::size_t count) override {
        if (pair.Unplugged.load())
            return MIDIERR_NODEVICE;
        send(bytes, count);
        return MMSYSERR_NOERROR;
    }

private:
    VirtualMidiService::Pair& pair;
    std::function<void(const std::uint8_t*, std::size_t)> send;
};
} // namespace

VirtualMidiService::VirtualMidiService() : deliverer([this] { Run(); }) {}

VirtualMidiService::~VirtualMidiService() {
    for (auto& pair : pairs)
        if (pair->Device)
            pair->Device->Connect({}); // the device may outlive us; it must not call back
    {
        const std::lock_guard lock(queueMutex);
        stopping = true;
    }
    wake.notify_one();
    deliverer.join();
}

void VirtualMidiService::AddLoopback(const std::string& name) {
    auto pair = std::make_unique<Pair>();
    pair->Name = name;
    const std::lock_guard lock(pairsMutex);
    pairs.push_back(std::move(pair));
}

void VirtualMidiService::AttachDevice(const std::string& name,
                                      std::shared_ptr<VirtualMidiDevice> device) {
    auto pair = std::make_unique<Pair>();
    pair->Name = name;
    Pair* target = pair.get();
    device->Connect([this, target](const std::uint8_t* bytes, std::size_t count) {
        Deliver(target, bytes, count);
    });
    pair->Device = std::move(device);
    const std::lock_guard lock(pairsMutex);
    pairs.push_back(std::move(pair));
}

VirtualMidiService::Pair* VirtualMidiService::Find(const std::string& name) {
    const std::lock_guard lock(pairsMutex);
    for (auto& pair : pairs)
        if (pair->Name == name)
            return pair.get();
    return nullptr;
}

void VirtualMidiService::Inject(const std::string& name, const std::uint8_t* bytes,
                                std::size_t count) {
    if (Pair* target = Find(name))
        Deliver(target, bytes, count);
}

void VirtualMidiService::SetUnplugged(const std::string& name, bool unplugged) {
    if (Pair* target = Find(name))
        target->Unplugged = unplugged;
}

std::vector<std::string> VirtualMidiService::InputNames() {
    const std::lock_guard lock(pairsMutex);
    std::vector<std::string> names;
    for (auto& pair : pairs)
        names.push_back(pair->Name);
    return names;
}

std::vector<std::string> VirtualMidiService::OutputNames() {
    return InputNames();
}

std::unique_ptr<MidiInputConnection>
VirtualMidiService::OpenInput(std::size_t index, MidiByteSink& sink, MMRESULT& error) {
    const std::lock_guard lock(pairsMutex);
    if (index >= pairs.size()) {
        error = MMSYSERR_BADDEVICEID;
        return nullptr;
    }
    {
        const std::lock_guard sinkLock(pairs[index]->SinkMutex);
        if (pairs[index]->Sink != nullptr) {
            error = MMSYSERR_ALLOCATED; // one program input per virtual device
            return nullptr;
        }
    }
    return std::make_unique<VirtualInput>(*pairs[index], sink);
}

std::unique_ptr<MidiOutputConnection> VirtualMidiService::OpenOutput(std::size_t index,
                                                                     MMRESULT& error) {
    const std::lock_guard lock(pairsMutex);
    if (index >= pairs.size()) {
        error = MMSYSERR_BADDEVICEID;
        return nullptr;
    }
    Pair* pair = pairs[index].get();
    if (pair->Device) {
        std::shared_ptr<VirtualMidiDevice> device = pair->Device;
        return std::make_unique<VirtualOutput>(
            *pair, [device](const std::uint8_t* bytes, std::size_t count) {
                device->Receive(bytes, count);
            });
    }
    return std::make_unique<VirtualOutput>(
        *pair, [this, pair](const std::uint8_t* bytes, std::size_t count) {
            Deliver(pair, bytes, count);
        });
}

void VirtualMidiService::Deliver(Pair* pair, const std::uint8_t* bytes, std::size_t count) {
    {
        const std::lock_guard lock(queueMutex);
        deliveries.emplace_back(pair, std::vector<std::uint8_t>(bytes, bytes + count));
    }
    wake.notify_one();
}

void VirtualMidiService::Run() {
    for (;;) {
        std::pair<Pair*, std::vector<std::uint8_t>> delivery;
        {
            std::unique_lock lock(queueMutex);
            wake.wait(lock, [this] { return stopping || !deliveries.empty(); });
            if (stopping)
                return;
            delivery = std::move(deliveries.front());
            deliveries.pop_front();
        }
        Pair* pair = delivery.first;
        const std::lock_guard lock(pair->SinkMutex);
        if (pair->Sink != nullptr)
            pair->Sink->Receive(delivery.second.data(), delivery.second.size());
    }
}
