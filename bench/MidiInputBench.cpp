// How fast the input port delivers to the user-interface thread, and how late.
//
//   build/bench/bench/midi_input_bench
// The JACK cases need a running server (JACK_DEFAULT_SERVER names it); they are
// skipped with a message otherwise.

#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/RtMidiService.h"
#include "midi/VirtualMidiService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <rtmidi/RtMidi.h>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// Pumps the event loop, as the idle user-interface thread does, until the count is reached.
bool Drain(const std::size_t& received, std::size_t target, int timeoutMs = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (received < target) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (clock.elapsed() > timeoutMs)
            return false;
    }
    return true;
}

struct Receiver {
    explicit Receiver(MidiService& service, const QString& name) : port(service) {
        port.OnMidiInput = [this](TMidiInput& sender) {
            while (sender.PendingCount() > 0) {
                auto event = sender.ReadEvent();
                ++received;
            }
        };
        port.SetProductName(name);
        port.OpenDevice();
        port.StartInput();
    }
    TMidiInput port;
    std::size_t received = 0;
};

// A source of input sending one message per chunk, as a device would, at a steady rate
// (messages per second), in batches of one millisecond.
void Paced(const std::function<void(const Bytes&)>& send, const Bytes& message, std::size_t count,
           double rate) {
    const auto start = Clock::now();
    for (std::size_t sent = 0; sent < count;) {
        const auto due = static_cast<std::size_t>(
                             rate * std::chrono::duration<double>(Clock::now() - start).count()) +
                         1;
        while (sent < count && sent < due) {
            send(message);
            ++sent;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Delivers `count` messages per iteration at state.range(0) messages a second; reports
// what arrived per second and how many were lost on the way.
void Throughput(benchmark::State& state, MidiService& service, const QString& inputName,
                const std::function<void(const Bytes&)>& send, const Bytes& message,
                std::size_t count) {
    Receiver receiver(service, inputName);
    std::size_t total = 0;
    for (auto _ : state) {
        std::atomic<bool> done{false};
        std::thread source([&] {
            Paced(send, message, count, static_cast<double>(state.range(0)));
            done = true;
        });
        while (!done) // the user-interface thread does nothing but take input meanwhile
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        source.join();
        total += count;
        // Whatever is still coming arrives now; what was lost never will.
        Drain(receiver.received, total - receiver.port.LostCount(), 5000);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(receiver.received));
    state.counters["lost"] = receiver.port.LostCount();
}

Bytes Dump() {
    Bytes dump(258, 0x11);
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    return dump;
}

void VirtualShortEvents(benchmark::State& state) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    devices.AddLoopback("Loop");
    Throughput(
        state, service, "Loop",
        [&](const Bytes& bytes) { devices.Inject("Loop", bytes.data(), bytes.size()); },
        {0xB0, 0x07, 0x64}, static_cast<std::size_t>(state.range(0)) / 2);
}
// Messages per second offered; each iteration lasts half a second.
BENCHMARK(VirtualShortEvents)
    ->Arg(50000)
    ->Arg(200000)
    ->Arg(500000)
    ->Iterations(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void VirtualDumps(benchmark::State& state) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    devices.AddLoopback("Loop");
    Throughput(
        state, service, "Loop",
        [&](const Bytes& bytes) { devices.Inject("Loop", bytes.data(), bytes.size()); }, Dump(),
        static_cast<std::size_t>(state.range(0)) / 2);
}
BENCHMARK(VirtualDumps)
    ->Arg(2000)
    ->Arg(10000)
    ->Arg(40000)
    ->Iterations(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// From TMidiOutput::SendLong to the input port's OnMidiInput, one dump at a time.
void VirtualDumpLatency(benchmark::State& state) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    devices.AddLoopback("Loop");
    Receiver receiver(service, "Loop");
    TMidiOutput output(service);
    output.SetProductName("Loop");
    output.OpenDevice();
    const Bytes dump = Dump();
    std::size_t expected = 0;
    for (auto _ : state) {
        output.SendLong(dump.data(), static_cast<std::uint16_t>(dump.size()));
        ++expected;
        if (!Drain(receiver.received, expected)) {
            state.SkipWithError("dump lost");
            break;
        }
    }
}
BENCHMARK(VirtualDumpLatency)->UseRealTime()->Unit(benchmark::kMicrosecond);

bool JackServerRunning() {
    RtMidiOut probe(RtMidi::UNIX_JACK, "bench-probe");
    bool failed = false;
    probe.setErrorCallback(
        [](RtMidiError::Type, const std::string&, void* flag) { *static_cast<bool*>(flag) = true; },
        &failed);
    probe.openVirtualPort("probe");
    return !failed;
}

void JackThroughput(benchmark::State& state, const Bytes& message, std::size_t burst) {
    // burst: messages per iteration, offered at state.range(0) a second
    if (!JackServerRunning()) {
        state.SkipWithError("no JACK server (start one: jackd --no-realtime -d dummy)");
        return;
    }
    RtMidiOut peer(RtMidi::UNIX_JACK, "bench-peer");
    peer.openVirtualPort("out");
    MidiDeviceService service;
    service.AddBackend(std::make_unique<RtMidiService>("QuellfarnBench"));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    Throughput(
        state, service, "bench-peer:out",
        [&](const Bytes& bytes) { peer.sendMessage(bytes.data(), bytes.size()); }, message, burst);
}

void JackShortEvents(benchmark::State& state) {
    JackThroughput(state, {0xB0, 0x07, 0x64}, static_cast<std::size_t>(state.range(0)) / 2);
}
BENCHMARK(JackShortEvents)
    ->Arg(50000)
    ->Arg(100000)
    ->Iterations(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void JackDumps(benchmark::State& state) {
    JackThroughput(state, Dump(), static_cast<std::size_t>(state.range(0)) / 2);
}
BENCHMARK(JackDumps)->Arg(1000)->Arg(4000)->Iterations(4)->UseRealTime()->Unit(
    benchmark::kMillisecond);
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
