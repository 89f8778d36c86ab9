// The restore of quellfarn-tool against the simulated unit at DIN MIDI speed, against the least
// time its pacing and the cable allow.
//
//   build/bench/bench/restore_bench           a bank at 100 ms, 20 presets at 1000 ms (~1 min 45 s)
//   build/bench/bench/restore_bench --quick   a few presets of each (~17 s)
//
// A restore is a plan like any other write: each slot kept first, so that Undo can put it back.
// The floor, as the plan's: per preset the two waits before an answer can be asked for (the slot
// read to keep it, the slot read back) plus the wire time of everything a write the unit's edit
// buffer cannot fool sends and receives — the keep's select (8 bytes), where the unit is (two
// questions of 7, two replies of 9), request (6) and dump (258); the dump sent (258); the edit
// buffer asked until it holds it (the two questions and replies, request, dump); store (8); the
// unit sent to the next slot (select, the two questions and replies); the read-back as the keep
// — at 320 µs a byte; and twice the delay for the bank selection. The ping before the restore
// is not part of it.
//
// Where the time goes beyond it: the unit's answer latency at each question (the second line of
// each case shows two delays a preset with the wire time of the answers alone, for comparison
// with restores before they kept what they replace).

#include "UnitHost.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "model/FileNames.h"
#include "model/Protocol.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedProcessor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

namespace {
constexpr double kByteMilliseconds = 0.320;
constexpr double kPlaceWireBytes = 7 + 7 + 9 + 9; // where the unit is: two questions, two replies
constexpr double kReadWireBytes = 8 + kPlaceWireBytes + 6 + 258;
constexpr double kPresetWireMilliseconds =
    (kReadWireBytes + 258 + kPlaceWireBytes + 6 + 258 + 8 + 8 + kPlaceWireBytes + kReadWireBytes) *
    kByteMilliseconds;
constexpr double kLatencyMilliseconds = 3.0; // the simulated unit's answer latency

struct Case {
    const char* Name;
    int Presets;
    int Delay; // milliseconds
};

double Floor(const Case& run) {
    return run.Presets * (2.0 * run.Delay + kPresetWireMilliseconds) + 2.0 * run.Delay;
}

// Two delays a preset, the request and the answer on the wire, and the bank selection.
double Paced(const Case& run) {
    return run.Presets * (2.0 * run.Delay + (6 + 258) * kByteMilliseconds + kLatencyMilliseconds) +
           2.0 * run.Delay;
}

// Bank A's factory presets as a backup of bank B would hold them: every slot changes.
bool WriteFolder(const QString& root, int presets) {
    if (!QDir(root).mkpath(QStringLiteral("Bank B")))
        return false;
    for (int slot = 1; slot <= presets; ++slot) {
        const TBytes dump = TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova());
        std::string title = PresetTitleOf(dump);
        if (title.empty())
            title = "Untitled";
        QFile file(root + QStringLiteral("/Bank B/") +
                   QString::fromStdString(BackupFileName(title, slot)));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(dump.data()),
                       static_cast<qint64>(dump.size())) != static_cast<qint64>(dump.size()))
            return false;
    }
    return true;
}

struct Measured {
    double Restore = 0; // milliseconds
    int Verified = 0;
    int Status = 1;
};

Measured Measure(MidiService& midi, const Case& run) {
    Measured measured;
    QTemporaryDir folder;
    if (!WriteFolder(folder.path(), run.Presets))
        return measured;
    TUnitOptions options;
    options.Walk.OutputDirectory = folder.path();
    options.Walk.Banks = {false, true, false, false};
    options.Walk.RequestDelay = run.Delay;
    TUnitHost restore(midi, options, TReportStyle::Quiet);
    std::vector<TRestoreItem> plan = restore.PlanRestore();
    measured.Status = restore.Restore(plan);
    measured.Restore = restore.WalkMilliseconds();
    measured.Verified = restore.RestoreCounts().Verified;
    return measured;
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 1 && !quick) {
        std::fprintf(stderr, "usage: restore_bench [--quick]\n");
        return 2;
    }
    MidiDeviceService midi;
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    simulator.Latency = std::chrono::milliseconds(static_cast<int>(kLatencyMilliseconds));
    const auto processor = AttachSimulatedProcessor(virtualDevices, simulator);

    const Case cases[] = {{"one bank at 100 ms", quick ? 20 : 200, 100},
                          {"presets at 1000 ms", quick ? 3 : 20, 1000}};
    bool allVerified = true;
    for (const Case& run : cases) {
        const Measured measured = Measure(midi, run);
        allVerified = allVerified && measured.Status == 0 && measured.Verified == run.Presets;
        const double floor = Floor(run);
        std::printf("%-20s %4d presets: %8.2f s; floor %8.2f s; ratio %.3f%s\n", run.Name,
                    run.Presets, measured.Restore / 1000.0, floor / 1000.0,
                    measured.Restore / floor,
                    measured.Verified == run.Presets ? "" : "  (presets not verified)");
        const double perPreset = (measured.Restore - 2.0 * run.Delay) / run.Presets;
        std::printf("%-20s %.1f ms a preset; the floor is %.1f ms a preset, two delays with the "
                    "answers' wire time %.1f ms\n",
                    "", perPreset, 2.0 * run.Delay + kPresetWireMilliseconds,
                    (Paced(run) - 2.0 * run.Delay) / run.Presets);
    }
    return allVerified ? 0 : 1;
}
