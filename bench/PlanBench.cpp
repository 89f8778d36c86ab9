// The library's writes from quellfarn-tool against the simulated unit at DIN MIDI speed: a plan
// of a whole bank, each slot kept, written and read back, against the least time its waits and
// the cable allow.
//
//   build/bench/bench/plan_bench           200 count at 100 ms (~1 min 40 s)
//   build/bench/bench/plan_bench --quick   20 count at 100 ms (~10 s)
//
// The floor: per slot the two waits the plan must make before an answer can be asked for (the
// slot read to keep it, the slot read back) plus the wire time of everything a write the unit's
// edit buffer cannot fool sends and receives — the slot read to keep it: select (8 bytes), where
// the unit is (two questions of 7 and their replies of 9), request (6) and the dump (258); the
// dump sent (258); the edit buffer asked until it holds it (the two questions and replies, request
// and dump); store (8); the unit sent to the next slot (select and the two questions and replies);
// and the read-back as the keep — at 320 µs a byte; and twice the delay for the bank selection.
//
// Where the time goes beyond it: the unit's answer latency at each question, and the kept dump
// written to a file.

#include "UnitHost.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "model/Protocol.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedProcessor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

namespace {
constexpr double kByteMilliseconds = 0.320;
constexpr double kPlaceWireBytes = 7 + 7 + 9 + 9; // where the unit is: two questions, two replies
constexpr double kReadWireBytes = 8 + kPlaceWireBytes + 6 + 258;
constexpr double kHeldWireBytes = kPlaceWireBytes + 6 + 258; // the edit buffer asked once
constexpr double kAwayWireBytes = 8 + kPlaceWireBytes;
constexpr double kSlotWireMilliseconds =
    (kReadWireBytes + 258 + kHeldWireBytes + 8 + kAwayWireBytes + kReadWireBytes) *
    kByteMilliseconds;

double Floor(int count, int delay) {
    return count * (2.0 * delay + kSlotWireMilliseconds) + 2.0 * delay;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 1 && !quick) {
        std::fprintf(stderr, "usage: plan_bench [--quick]\n");
        return 2;
    }
    // The journal and the kept presets go into a folder of their own.
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    MidiDeviceService midi;
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    simulator.Latency = std::chrono::milliseconds(3);
    const auto processor = AttachSimulatedProcessor(virtualDevices, simulator);

    const int count = quick ? 20 : 200;
    const int delay = 100;
    TUnitOptions options;
    options.Walk.RequestDelay = delay;
    TUnitHost host(midi, options, TReportStyle::Quiet);
    // Bank A's presets into bank B: every slot changes.
    TWritePlan plan;
    plan.Label = QStringLiteral("copy of bank A onto bank B");
    for (int slot = 1; slot <= count; ++slot)
        plan.Writes.push_back({1,
                               slot,
                               TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova()),
                               {},
                               false});
    if (!host.ReadSlots({})) // connected and asked once, as before any plan
        return 1;
    QElapsedTimer clock;
    clock.start();
    const int status = host.Write(plan);
    const double measured = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const double floor = Floor(count, delay);
    std::printf("plan of %d slots at %d ms: %.2f s; floor %.2f s; ratio %.3f%s\n", count, delay,
                measured / 1000.0, floor / 1000.0, measured / floor,
                status == 0 ? "" : " (not every slot verified)");
    return status;
}
