// The preset editor's costs on the user-interface thread: opening an editor on a received dump
// (a first window, and a hidden one reused), a drag of a slider over a thousand positions, and
// the memory ten open editors take.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench/editor_bench

#include "app/Main.h"
#include "base/qvUtility.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetEditor.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "model/Preset.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {
double Milliseconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

long ResidentKilobytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
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

    // A received dump in the buffer, as a double-click on the monitor puts it there.
    TPreset preset;
    preset.AnalogOn.fill(true);
    const TBytes dump = preset.Encode();
    std::copy(dump.begin(), dump.end(), window.MessageBytes.begin());
    window.MessageByteCount = static_cast<int>(dump.size());

    QElapsedTimer clock;
    clock.start();
    window.OpenPresetEditor();
    QApplication::processEvents();
    const double first = Milliseconds(clock);
    TfrmPresetEditor& editor = *window.PresetEditors().front();
    editor.hide();
    clock.restart();
    window.OpenPresetEditor();
    QApplication::processEvents();
    const double reused = Milliseconds(clock);

    // A drag: the slider is held down and moved over a thousand positions.
    int sends = 0;
    editor.OnSendPreset = [&sends](std::istream&) {
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
    clock.restart();
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
    while (editor.timSys->isActive() && wait.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);

    for (int more = 0; more < 9; ++more)
        window.NewPresetEditor();
    QApplication::processEvents();
    const long after = ResidentKilobytes();

    std::printf("open an editor on a received dump: first window %.1f ms, reused hidden window "
                "%.1f ms\n",
                first, reused);
    std::printf("drag of %d slider positions: %.3f ms a position on average, %.3f ms at most "
                "(position %d), %d over 1 ms; %d send(s)\n",
                kMoves, drag / kMoves, longest, longestAt, overOne, sends);
    std::printf("resident memory: %.1f MB with the main window, %.1f MB with 10 editors open "
                "(%.1f MB an editor)\n",
                before / 1024.0, after / 1024.0, (after - before) / 1024.0 / 10);
    for (TfrmPresetEditor* open : window.PresetEditors())
        open->hide();
    return 0;
}
