// One change applied to a whole bank from quellfarn-tool's host against the simulated unit at DIN
// MIDI speed: the plan built from what the unit's memory holds (every slot's change worked out),
// then carried out, against the same floor as the plan of a bank copy (plan_bench): per slot the
// two waits before an answer can be asked for and the wire time of what a verified write sends
// and receives.
//
//   build/bench/bench/apply_bench           200 slots at 100 ms (~1 min 40 s)
//   build/bench/bench/apply_bench --quick   20 slots at 100 ms (~10 s)

#include "UnitHost.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "model/PresetEdit.h"
#include "model/Protocol.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedProcessor.h"
#include "store/PlanBuilders.h"
#include "store/UnitMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

namespace {
constexpr double kByteMilliseconds = 0.320;
constexpr double kPlaceWireBytes = 7 + 7 + 9 + 9;
constexpr double kReadWireBytes = 8 + kPlaceWireBytes + 6 + 258;
constexpr double kHeldWireBytes = kPlaceWireBytes + 6 + 258;
constexpr double kAwayWireBytes = 8 + kPlaceWireBytes;
constexpr double kSlotWireMilliseconds =
    (kReadWireBytes + 258 + kHeldWireBytes + 8 + kAwayWireBytes + kReadWireBytes) *
    kByteMilliseconds;

double ApplyFloor(int count, int delay) {
    return count * (2.0 * delay + kSlotWireMilliseconds) + 2.0 * delay;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 1 && !quick) {
        std::fprintf(stderr, "usage: apply_bench [--quick]\n");
        return 2;
    }
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
    const int count = quick ? 20 : 200;
    const int delay = 100;
    // The unit's memory knows bank B as the simulated unit holds it, as after a read.
    std::vector<TPlace> places;
    {
        TUnitMemory memory(TUnitMemory::FolderFor(kSimulatedDeviceName, 0));
        for (int slot = 1; slot <= count; ++slot) {
            places.push_back({1, slot});
            memory.Saw(1, slot, TPlenovaDevice::FactoryPreset(1, slot - 1, TDeviceMode::Plenova()),
                       TSeenHow::Read);
        }
    }
    MidiDeviceService midi;
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    simulator.Latency = std::chrono::milliseconds(3);
    const auto processor = AttachSimulatedProcessor(virtualDevices, simulator);
    TUnitOptions options;
    options.Walk.RequestDelay = delay;
    TUnitHost host(midi, options, TReportStyle::Quiet);
    if (!host.ReadSlots({})) // connected and asked once, as before any plan
        return 1;
    const TPresetEdit edit = *ReadPresetEdit("mix dry=12%").Edit;

    QElapsedTimer clock;
    clock.start();
    const TPlanOrRefusal planned = EditPlan(&host.Memory(), places, edit, false);
    const double building = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    if (!planned.Refusal.isEmpty()) {
        std::fprintf(stderr, "apply_bench: %s\n", planned.Refusal.toLocal8Bit().constData());
        return 1;
    }
    const int status = host.Write(planned.Plan);
    const double measured = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    const auto written = static_cast<int>(planned.Plan.Writes.size());
    const double floor = ApplyFloor(written, delay);
    std::printf("change applied to %d of %d slots at %d ms: plan built in %.2f ms, %.2f s in all; "
                "floor %.2f s; ratio %.3f%s\n",
                written, count, delay, building, measured / 1000.0, floor / 1000.0,
                measured / floor, status == 0 ? "" : " (not every slot verified)");
    return status;
}
