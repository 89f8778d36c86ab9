// The backup of quellfarn-tool against the simulated unit at DIN MIDI speed, against the least
// time its pacing and the cable allow.
//
//   build/bench/bench/backup_bench            four banks at 100 ms, one bank at 1000 ms (~6.5 min)
//   build/bench/bench/backup_bench --quick    a few presets of each (~20 s)
//
// The floor: per preset the request delay plus select (8 bytes), the two questions where the
// unit is (7 bytes each) and their replies (9 each), request (6 bytes) and dump (258 bytes) at
// 320 µs a byte; per bank change twice the delay; and twice the delay at the start.
// The ping before the walk is not part of it and is reported apart.

#include "UnitHost.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "sim/SimulatedProcessor.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

namespace {
constexpr double kPresetWireMilliseconds = (8 + 7 + 7 + 9 + 9 + 6 + 258) * 0.320;

struct Case {
    const char* Name;
    int Banks;
    int Presets; // per bank
    int Delay;   // milliseconds
};

double Floor(const Case& run) {
    return run.Banks * run.Presets * (run.Delay + kPresetWireMilliseconds) +
           (run.Banks - 1) * 2.0 * run.Delay + 2.0 * run.Delay;
}

struct Measured {
    double Walk = 0;  // milliseconds
    double Total = 0; // with the ping
    int Saved = 0;
    int Status = 1;
};

Measured Measure(MidiService& midi, const Case& run) {
    QTemporaryDir folder;
    TUnitOptions options;
    options.Walk.OutputDirectory = folder.path();
    options.Walk.Banks = {};
    for (int bank = 0; bank < run.Banks; ++bank)
        options.Walk.Banks[static_cast<std::size_t>(bank)] = true;
    options.Walk.Last = run.Presets;
    options.Walk.UntitledName = QStringLiteral("Untitled"); // every slot is a file
    options.Walk.RequestDelay = run.Delay;
    TUnitHost backup(midi, options, TReportStyle::Quiet);
    QElapsedTimer clock;
    clock.start();
    Measured measured;
    measured.Status = backup.Run();
    measured.Total = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    measured.Walk = backup.WalkMilliseconds();
    measured.Saved = backup.Counts().Saved;
    return measured;
}

QString Minutes(double milliseconds) {
    const int seconds = static_cast<int>(milliseconds / 1000.0 + 0.5);
    return QStringLiteral("%1 min %2 s")
        .arg(seconds / 60)
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 1 && !quick) {
        std::fprintf(stderr, "usage: backup_bench [--quick]\n");
        return 2;
    }
    MidiDeviceService midi;
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    const auto processor = AttachSimulatedProcessor(virtualDevices, simulator);

    const Case cases[] = {{"four banks at 100 ms", 4, quick ? 10 : 200, 100},
                          {"one bank at 1000 ms", 1, quick ? 5 : 200, 1000}};
    bool allArrived = true;
    for (const Case& run : cases) {
        const Measured measured = Measure(midi, run);
        const int presets = run.Banks * run.Presets;
        allArrived = allArrived && measured.Status == 0 && measured.Saved == presets;
        const double floor = Floor(run);
        std::printf("%-22s %4d presets: %8.2f s (ping %.2f s more); floor %8.2f s; ratio %.3f%s\n",
                    run.Name, presets, measured.Walk / 1000.0,
                    (measured.Total - measured.Walk) / 1000.0, floor / 1000.0,
                    measured.Walk / floor, measured.Saved == presets ? "" : "  (presets missing)");
        // 800 presets at this delay: four banks of what one preset and one bank change cost here.
        const double perPreset = (measured.Walk - run.Banks * 2.0 * run.Delay) / presets;
        const double all = 800 * perPreset + 4 * 2.0 * run.Delay;
        std::printf("%-22s 800 presets take about %s (floor %s)\n", "", qPrintable(Minutes(all)),
                    qPrintable(Minutes(Floor({"", 4, 200, run.Delay}))));
    }
    return allArrived ? 0 : 1;
}
