// The library's writes from quellfarn-tool against the simulated unit at DIN MIDI speed: a plan
// of a whole bank, each slot kept, written and read back, against the least time its waits and
// the cable allow.
//
//   build/bench/bench/plan_bench           200 count at 100 ms (~1 min 40 s)
//   build/bench/bench/plan_bench --quick   20 count at 100 ms (~10 s)
//
// The floor, as the restore's with the keep added: per slot the two waits the plan must make
// before an answer can be asked for (the slot read to keep it, the slot read back) plus the wire
// time of everything it sends and receives — select (8 bytes), where the unit is (two questions
// of 7 and their replies of 9), request (6) and the dump (258) to keep it, the dump sent (258),
// store (8), and the read-back as the keep — at 320 µs a byte; and twice the delay for the bank
// selection.
//
// Where the time goes beyond it: the unit is also given one delay between the dump and the store
// (how long it needs to take a dump is not known), and the kept dump is written to a file.

#include "Backup.h"
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
constexpr double kReadWireBytes = 8 + 7 + 7 + 9 + 9 + 6 + 258;
constexpr double kSlotWireMilliseconds =
    (kReadWireBytes + 258 + 8 + kReadWireBytes) * kByteMilliseconds;

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
    TBackupOptions options;
    options.RequestDelay = delay;
    TBackup host(midi, options, TReportStyle::Quiet);
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
