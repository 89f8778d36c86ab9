// The library window against its targets:
//   - it opens on a remembered unit of 800 slots and 5 backup folders (4 000 files);
//   - each keystroke of a search over 10 000 preset files filters the table, words and
//     parameter conditions;
//   - reading the unit into its memory costs what the backup walk does at the same delay.
//
//   build/bench/bench/library_bench            all three; the reads at 100 ms, 4 x 25 presets
//   build/bench/bench/library_bench --quick    the reads of 4 x 5 presets
//
// Times are wall-clock, the window on the offscreen platform, the data written to a temporary
// folder first (not timed).

#include "UnitHost.h"
#include "library/Library.h"
#include "link/DeviceLink.h"
#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/VirtualMidiService.h"
#include "model/DeviceMode.h"
#include "model/FileNames.h"
#include "model/Preset.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedProcessor.h"
#include "store/BackupFolder.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

namespace {
double Milliseconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// A preset of the simulated unit's kind; different for every (bank, slot).
TBytes Preset(int bank, int slot) {
    static const TDeviceMode mode{};
    return TPlenovaDevice::FactoryPreset(bank, slot, mode);
}

struct DataSet {
    QTemporaryDir root;
    QString Memory() const { return root.filePath(QStringLiteral("memory")); }
    QString Backups() const { return root.filePath(QStringLiteral("backups")); }
    QString Presets() const { return root.filePath(QStringLiteral("presets")); }
};

void Write(DataSet& data) {
    TUnitMemory memory(data.Memory());
    for (int bank = 0; bank < 4; ++bank)
        for (int slot = 1; slot <= 200; ++slot)
            memory.Saw(bank, slot, Preset(bank, slot), TSeenHow::Read);
    // Five backups; each later one has a tenth of the slots changed.
    QDir().mkpath(data.Backups());
    for (int backup = 0; backup < 5; ++backup) {
        const QString path = data.Backups() + QStringLiteral("/Backup %1").arg(backup + 1);
        QDir().mkpath(path);
        const TBackupFolder folder(path, false);
        for (int bank = 0; bank < 4; ++bank) {
            bool created = false;
            folder.MakeBankFolder(bank, created);
            for (int slot = 1; slot <= 200; ++slot) {
                const TBytes dump = slot % 10 == backup ? Preset(bank + 10 * (backup + 1), slot)
                                                        : Preset(bank, slot);
                QString error;
                folder.SavePreset(bank, slot, QString::fromStdString(PresetTitleOf(dump)), dump,
                                  error);
            }
        }
    }
    QDir().mkpath(data.Presets());
    for (int file = 0; file < 10000; ++file) {
        const TBytes dump = Preset(100 + file / 200, file % 200 + 1);
        WriteWholeFile(
            data.Presets() + QStringLiteral("/P%1.tmq").arg(file, 5, 10, QLatin1Char('0')), dump);
    }
}

void Settle() {
    for (int round = 0; round < 3; ++round)
        QApplication::processEvents();
}

void MeasureOpen(const DataSet& data) {
    QElapsedTimer clock;
    clock.start();
    TUnitMemory memory(data.Memory());
    memory.Load();
    TfrmLibrary library;
    library.OnPlaces = [&] {
        TLibraryPlaces places;
        places.Memory = &memory;
        places.BackupFolder = data.Backups();
        places.PresetFolder = data.Presets();
        places.KeptFolder = data.root.filePath(QStringLiteral("kept"));
        return places;
    };
    library.resize(1200, 800);
    library.show();
    Settle();
    const double opened = Milliseconds(clock);
    std::printf("open on 800 remembered slots and 5 backups (%zu rows): %7.1f ms  (target 300)\n",
                library.ShownRows().size(), opened);
}

void Type(QLineEdit& box, const QString& text, std::vector<double>& times) {
    for (const QChar character : text) {
        QElapsedTimer clock;
        clock.start();
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&box, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&box, &release);
        Settle();
        times.push_back(Milliseconds(clock));
    }
}

void MeasureSearch(const DataSet& data) {
    TfrmLibrary library;
    library.OnPlaces = [&] {
        TLibraryPlaces places;
        places.PresetFolder = data.Presets();
        return places;
    };
    library.resize(1200, 800);
    library.show();
    Settle();
    library.ShowSource(QStringLiteral("presets"));
    Settle();
    const std::size_t all = library.ShownRows().size();
    struct Search {
        const char* Text;
        double Target;
    };
    const Search searches[] = {{"chorus", 16},
                               {"fretless bass", 16},
                               {"drive>50", 50},
                               {"delay time>=300 ms", 50},
                               {"compressor slope=4:1 reverb", 50}};
    for (const Search& search : searches) {
        library.edtSearch->clear();
        Settle();
        std::vector<double> times;
        Type(*library.edtSearch, QString::fromLatin1(search.Text), times);
        const double mean =
            std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
        const double worst = *std::max_element(times.begin(), times.end());
        std::printf("type \"%s\" over %zu presets: %5.1f ms a key, worst %5.1f (target %.0f); "
                    "%zu found\n",
                    search.Text, all, mean, worst, search.Target, library.ShownRows().size());
    }
}

// Hosts the link the way the main window does for "Read the unit...": the walk with the
// unit's memory and no files written.
struct ReadHost : TLinkHost {
    explicit ReadHost(MidiService& service) : input(service), output(service) {
        input.SetProductName(kSimulatedDeviceName);
        input.OpenDevice();
        input.StartInput();
        output.SetProductName(kSimulatedDeviceName);
        output.OpenDevice();
        Link = std::make_unique<TDeviceLink>(*this);
        Link->Attach(&input);
    }
    ~ReadHost() override { Link.reset(); }
    ReadHost(const ReadHost&) = delete;
    ReadHost& operator=(const ReadHost&) = delete;

    TMidiOutput* Output() override { return &output; }
    bool OutputAvailable(bool) override { return output.PortState() == TMidiOutput::State::Open; }
    void Wait(int milliseconds) override {
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
    void Status(const QString&) override {}
    void Log(const QString&) override {}
    void SendFailed(const QString&) override { ended = true; }
    void ProcedureComplete() override { ended = true; }
    void ProcedureFailed(const QString&) override { ended = true; }

    TMidiInput input;
    TMidiOutput output;
    std::unique_ptr<TDeviceLink> Link;
    bool ended = false;
};

void MeasureRead(MidiService& midi, int presets, int delay) {
    // The backup walk of the tool.
    QTemporaryDir folder;
    TUnitOptions backupOptions;
    backupOptions.Walk.OutputDirectory = folder.path();
    backupOptions.Walk.Last = presets;
    backupOptions.Walk.UntitledName = QStringLiteral("Untitled");
    backupOptions.Walk.RequestDelay = delay;
    double backupMilliseconds = 0;
    {
        TUnitHost backup(midi, backupOptions, TReportStyle::Quiet);
        backup.Run();
        backupMilliseconds = backup.WalkMilliseconds();
    }
    // The same walk into the unit's memory.
    QTemporaryDir memoryFolder;
    TUnitMemory memory(memoryFolder.path());
    double readMilliseconds = 0;
    {
        ReadHost host(midi);
        host.Link->SetMemory(&memory);
        host.Link->PingDevice();
        host.Wait(300);
        TProcedureOptions options;
        options.Last = presets;
        options.RequestDelay = delay;
        QElapsedTimer clock;
        clock.start();
        if (host.Link->Job<TBackupWalk>().Start(options))
            while (!host.ended && host.Link->Job<TBackupWalk>().Active())
                host.Wait(1);
        readMilliseconds = Milliseconds(clock);
    }
    std::printf("read 4 x %d presets at %d ms: %.2f s into the memory (%zu slots), backup walk "
                "%.2f s; ratio %.3f (target 1.05)\n",
                presets, delay, readMilliseconds / 1000.0, memory.Slots().size(),
                backupMilliseconds / 1000.0, readMilliseconds / backupMilliseconds);
}
} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (argc > 1 && !quick) {
        std::fprintf(stderr, "usage: library_bench [--quick]\n");
        return 2;
    }
    {
        DataSet data;
        QElapsedTimer clock;
        clock.start();
        Write(data);
        std::printf("(data written in %.1f s)\n", Milliseconds(clock) / 1000.0);
        MeasureOpen(data);
        MeasureSearch(data);
    }
    MidiDeviceService midi;
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    const auto processor = AttachSimulatedProcessor(virtualDevices, simulator);
    MeasureRead(midi, quick ? 5 : 25, 100);
    return 0;
}
