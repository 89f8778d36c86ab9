#pragma once
// The simulated unit behind a MIDI connection, with the timing of a real one: messages
// cross the cable a byte at a time (320 µs a byte on DIN MIDI), and each answer leaves
// after a latency. It can be muted, made to drop every Nth answer or to send it late, and made
// slow to take a preset dump, to try out time-outs and pacing. Whatever transmits its answers
// (a virtual device, a JACK port) is given to it.

#include "midi/VirtualMidiService.h"
#include "sim/PlenovaDevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <queue>
#include <thread>

// A byte on a DIN MIDI cable: 10 bits at 31 250 baud.
inline constexpr std::chrono::microseconds kDinByteTime{320};

struct TSimulatorOptions {
    bool PrePlenova = false;
    std::uint8_t DeviceByte = 0;
    std::chrono::microseconds Latency{3000};
    std::chrono::microseconds ByteTime{0}; // time a byte takes on the wire; 0: no wire at all
    bool Mute = false;
    int DropEvery = 0; // 0: never
    // Every Nth answer leaves this much later, and what follows waits behind it (the unit was
    // busy). 0: never.
    int LateEvery = 0;
    std::chrono::milliseconds LateBy{0};
    // A preset dump becomes the edit buffer only this long after it arrived; what comes
    // meanwhile (a store) finds the edit buffer as it was.
    std::chrono::milliseconds TakeTime{0};
    // Every Nth message choosing a preset or a bank (select preset, set bank, program change)
    // never arrives (a cable or a busy MIDI system lost it): the unit stays where it was.
    // 0: never.
    int LoseSelectEvery = 0;
    // Every Nth answer goes out twice (a MIDI merger or a loop doubled it). 0: never.
    int DuplicateEvery = 0;
};

// Splits a byte stream into complete messages (real-time bytes are dropped: the unit
// ignores them); a SysEx may arrive in pieces.
class TMessageAssembler {
public:
    std::vector<TBytes> Feed(const std::uint8_t* bytes, std::size_t count);

private:
    TBytes pending;
    std::uint8_t runningStatus = 0;
};

class TSimulatedProcessor : public VirtualMidiDevice {
public:
    using Log = std::function<void(const std::string& line)>;

    explicit TSimulatedProcessor(const TSimulatorOptions& options = {});
    ~TSimulatedProcessor() override;

    // VirtualMidiDevice
    void Connect(Transmitter transmit) override;
    void Receive(const std::uint8_t* bytes, std::size_t count) override;

    void SetMute(bool mute) { muted = mute; }
    void SetDropEvery(int n) { dropEvery = n; }
    void SetLate(int every, std::chrono::milliseconds by) {
        lateBy = by;
        lateEvery = every;
    }
    void SetTakeTime(std::chrono::milliseconds time) { takeTime = time; }
    void SetLoseSelectEvery(int n) { loseSelectEvery = n; }
    void SetDuplicateEvery(int n) { duplicateEvery = n; }
    void SetLatency(std::chrono::microseconds latency) { this->latency = latency; }
    void SetByteTime(std::chrono::microseconds time) { byteTime = time; }
    // One line for each message received and each answer sent.
    void SetLog(Log log);
    // The unit's own knob turned to a slot (0-based) of a bank: it loads the preset and sends its
    // program change (TPlenovaDevice::TurnTo), a muted unit too. False for a place it lacks.
    bool TurnTo(int bank, int slot);

    // Told the unit's memory (TPlenovaDevice::SavedMemory) each time it changed - a store, a
    // program table, another bank - before the unit takes its next message, as a unit writes its
    // memory before it goes on. Called on the unit's thread, or on the caller's for TurnTo and
    // FactoryReset, one call at a time and never with an older memory after a newer one.
    // Setting another (or none) waits for a call under way.
    using MemoryKeeper = std::function<void(const TBytes& memory)>;
    void SetMemoryKeeper(MemoryKeeper keeper);
    // The factory presets, an empty program table and bank A again; the keeper is told.
    void FactoryReset();

    // Runs the action on the unit's state while nothing else touches it.
    template <class Action> auto WithDevice(Action action) {
        const std::lock_guard lock(deviceMutex);
        return action(device);
    }

    // Describes a message in a few words, for the log.
    static std::string Describe(TByteView message, const TDeviceMode& variant);

private:
    using Clock = std::chrono::steady_clock;
    struct Event {
        Clock::time_point Due;
        std::uint64_t Order;
        bool Incoming; // a message arriving, or an answer finishing on the wire
        TBytes Bytes;
        bool Taken = false; // an incoming dump that has had its time to be taken
        bool operator>(const Event& other) const {
            return Due != other.Due ? Due > other.Due : Order > other.Order;
        }
    };
    // A changed memory, numbered so that a later one is never overtaken by an earlier.
    struct TChangedMemory {
        std::uint64_t Number = 0;
        TBytes Bytes;
    };
    // With deviceMutex held: the memory to keep, when it changed and something keeps it.
    std::optional<TChangedMemory> ChangedMemory();
    void Keep(const std::optional<TChangedMemory>& changed);
    void Schedule(Clock::time_point due, bool incoming, TBytes bytes);
    void Run();
    Clock::duration WireTime(std::size_t bytes) const;

    std::mutex deviceMutex;
    TPlenovaDevice device;
    std::uint64_t memoryChanges = 0; // of deviceMutex

    std::mutex keepMutex; // held while the keeper runs, and to change it
    MemoryKeeper keeper;
    std::atomic<bool> keeping{false};
    std::uint64_t keptChange = 0;

    std::atomic<bool> muted;
    std::atomic<int> dropEvery;
    std::atomic<int> lateEvery;
    std::atomic<int> loseSelectEvery;
    std::atomic<int> duplicateEvery;
    std::uint64_t selects = 0; // of the worker's
    std::atomic<std::chrono::milliseconds> lateBy;
    std::atomic<std::chrono::milliseconds> takeTime;
    std::atomic<std::chrono::microseconds> latency;
    std::atomic<std::chrono::microseconds> byteTime;

    std::mutex mutex; // everything below
    std::condition_variable wake;
    std::priority_queue<Event, std::vector<Event>, std::greater<Event>> events;
    std::uint64_t order = 0;
    Clock::time_point inputWireFree;
    Clock::time_point outputWireFree;
    std::uint64_t answers = 0;
    TMessageAssembler assembler;
    std::mutex transmitMutex; // held while an answer goes out, and to change the transmitter
    Transmitter transmit;
    Log log;
    bool stopping = false;
    std::thread worker;
};

// The simulated unit as the device pair "Quellfarn Plenova (simulated)" of the service.
inline constexpr const char* kSimulatedDeviceName = "Quellfarn Plenova (simulated)";
std::shared_ptr<TSimulatedProcessor>
AttachSimulatedProcessor(VirtualMidiService& service, const TSimulatorOptions& options = {});
