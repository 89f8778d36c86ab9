// The preset editor's costs on the user-interface thread: opening editors on received presets
// (a first window, further windows, a hidden one reused), a drag of a slider over a thousand
// positions, and the memory ten editors open on received presets take.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench/editor_bench

#include "app/Main.h"
#include "base/qvUtility.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "model/DeviceMode.h"
#include "sim/PlenovaDevice.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kEditors = 10;
constexpr int kReuses = 20;

double Milliseconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

// The user-interface thread's own time: on a machine busy with other work the wall clock also
// counts the time the thread waited for a core.
double ThreadMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

struct TTimes {
    std::vector<double> Wall;
    std::vector<double> Thread;
};

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// A preset as the unit sends it, into the buffer as a double-click on the monitor puts it there;
// then the editor opens on it and is shown.
void OpenOnReceived(TfrmMain& window, int slot, TTimes& times) {
    const TBytes dump = TPlenovaDevice::FactoryPreset(0, slot, Mode);
    std::copy(dump.begin(), dump.end(), window.MessageBytes.begin());
    window.MessageByteCount = static_cast<int>(dump.size());
    QElapsedTimer clock;
    clock.start();
    const double started = ThreadMilliseconds();
    window.OpenPresetEditor();
    QApplication::processEvents();
    times.Wall.push_back(Milliseconds(clock));
    times.Thread.push_back(ThreadMilliseconds() - started);
}
} // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir settingsFolder;
    setenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit().constData(), 1);
    QApplication application(argc, argv);
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    devices.AddLoopback("Loop");
    TqvRegUtil settings;
    settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
    TfrmMain window(service);
    window.InitializeExplorer(&settings, QStringLiteral("Quellfarn"));
    QApplication::processEvents();
    const long before = ResidentKilobytes();

    // Ten editors open side by side, each on a preset of its own.
    TTimes first;
    OpenOnReceived(window, 0, first);
    TTimes further;
    for (int slot = 1; slot < kEditors; ++slot)
        OpenOnReceived(window, slot, further);
    const long after = ResidentKilobytes();
    // Each shown window keeps what it shows on screen, 32 bits a pixel, whatever it holds.
    double pixels = 0;
    for (TfrmPresetEditor* open : window.PresetEditors())
        pixels += open->width() * open->height() * open->devicePixelRatioF() *
                  open->devicePixelRatioF() * 4;

    // A closed editor is reused for the next preset.
    TTimes reused;
    for (int round = 0; round < kReuses; ++round) {
        window.PresetEditors().front()->hide();
        OpenOnReceived(window, kEditors + round, reused);
    }

    // A drag: the slider is held down and moved over a thousand positions.
    TfrmPresetEditor& editor = *window.PresetEditors().front();
    int sends = 0;
    editor.Document().OnSendPreset = [&sends](std::istream&) {
        ++sends;
        return QString();
    };
    editor.chkAutoSend->setChecked(true);
    TqvTrackBar* bar = editor.Parameters().Find("trbLVLmaster")->TrackBar;
    constexpr int kMoves = 1000;
    bar->setSliderDown(true);
    double longest = 0;
    int overOne = 0;
    int longestAt = -1;
    QElapsedTimer clock;
    clock.start();
    for (int move = 0; move < kMoves; ++move) {
        QElapsedTimer one;
        one.start();
        bar->setSliderPosition(move % (bar->maximum() + 1));
        QApplication::processEvents();
        const double took = Milliseconds(one);
        overOne += took > 1.0 ? 1 : 0;
        if (took > longest) {
            longest = took;
            longestAt = move;
        }
    }
    const double drag = Milliseconds(clock);
    bar->setSliderDown(false);
    QElapsedTimer wait;
    wait.start();
    while (editor.Document().ChangePending() && wait.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);

    std::printf("open an editor on a received preset (wall clock / the thread's own time): first "
                "window %.1f / %.1f ms, further windows %.1f / %.1f ms (median of %d), reused "
                "hidden window %.1f / %.1f ms (median of %d)\n",
                first.Wall[0], first.Thread[0], Median(further.Wall), Median(further.Thread),
                kEditors - 1, Median(reused.Wall), Median(reused.Thread), kReuses);
    std::printf("drag of %d slider positions: %.3f ms a position on average, %.3f ms at most "
                "(position %d), %d over 1 ms; %d send(s)\n",
                kMoves, drag / kMoves, longest, longestAt, overOne, sends);
    std::printf("resident memory: %.1f MB with the main window, %.1f MB with %d editors open on "
                "received presets (%.1f MB an editor, of which %.1f MB is its window's picture)\n",
                before / 1024.0, after / 1024.0, kEditors, (after - before) / 1024.0 / kEditors,
                pixels / kEditors / 1024.0 / 1024.0);
    for (TfrmPresetEditor* open : window.PresetEditors())
        open->hide();
    return 0;
}
