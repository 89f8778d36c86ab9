// The restore of quellfarn-tool against the simulated unit at DIN MIDI speed, against the least
// time its pacing and the cable allow.
//
//   build/bench/bench/restore_bench           a bank at 100 ms, 20 presets at 1000 ms (~1 min 45 s)
//   build/bench/bench/restore_bench --quick   a few presets of each (~17 s)
//
// The floor: per preset the request delay (between choosing the slot to read back and asking for
// it) plus select (8 bytes), dump (258), the bank asked for before the store (a question of 7
// bytes, its reply of 9), store (8), select (8), where the unit is (two questions, two replies),
// request (6) and the dump read back (258) at 320 µs a byte; and twice the delay for the bank
// selection. The ping before the restore is not part of it.
//
// Where the time goes, as the link paces a preset: the dump is sent and the link waits one delay
// before the store; then it selects the slot, waits one delay and asks; the answer comes once the
// request and 258 bytes have crossed the cable. The dump's, the bank question's, store's and
// select's wire time runs inside the first wait, so a preset takes two delays plus the request and
// the answer on the wire (plus the unit's latency): the second line of each case shows that model
// beside the floor.

#include "Backup.h"
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
constexpr double kPresetWireMilliseconds =
    (8 + 258 + 7 + 9 + 8 + 8 + 7 + 7 + 9 + 9 + 6 + 258) * kByteMilliseconds;
constexpr double kLatencyMilliseconds = 3.0; // the simulated unit's answer latency

struct Case {
    const char* Name;
    int Presets;
    int Delay; // milliseconds
};

double Floor(const Case& run) {
    return run.Presets * (run.Delay + kPresetWireMilliseconds) + 2.0 * run.Delay;
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
    TBackupOptions options;
    options.Directory = folder.path();
    options.Banks = {false, true, false, false};
    options.RequestDelay = run.Delay;
    TBackup restore(midi, options, TReportStyle::Quiet);
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
        std::printf("%-20s %.1f ms a preset; two delays a preset would take %.2f s (%.1f ms a "
                    "preset), one %.1f ms\n",
                    "", perPreset, Paced(run) / 1000.0,
                    (Paced(run) - 2.0 * run.Delay) / run.Presets,
                    run.Delay + kPresetWireMilliseconds);
    }
    return allVerified ? 0 : 1;
}
