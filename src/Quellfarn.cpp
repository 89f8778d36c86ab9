// Program entry: brings the application up and down in a fixed order.

#include "app/Main.h"
#include "base/Application.h"
#include "base/qvSplashAbout.h"
#include "base/qvUtility.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "midi/VirtualMidiService.h"
#include "sim/SimulatedProcessor.h"

#include <QAbstractSlider>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <Version.h>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {
constexpr const char* kHelp =
    "usage: quellfarn [--version] [--help]\n"
    "\n"
    "Librarian and editor for the Quellfarn Plenova bass processor, over MIDI SysEx.\n"
    "Fetch presets from the unit, edit them with every change heard at once, store them\n"
    "into its slots, keep them as files, back up and restore whole banks, edit the MIDI\n"
    "program table, print listings, and watch any MIDI traffic.\n"
    "\n"
    "Without a unit at hand, choose \"Quellfarn Plenova (simulated)\" in the MIDI In and\n"
    "MIDI Out menus. Settings are kept in ~/.config/Tamrix Vonel/Quellfarn.ini.\n"
    "\n"
    "  --version  print the version and exit\n"
    "  --help     print this text and exit\n";
} // namespace

int main(int argc, char* argv[]) {
    // Answered before any window system is touched, so they work without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("quellfarn %s\n", QUELLFARN_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
    }
    TApplication application(argc, argv);
    SetAppTitle(QStringLiteral("Quellfarn"));
    AppDescription = QStringLiteral("Librarian/Editor for the\nZOL Quellfarn Plenova Processor");
    AppVersion = QStringLiteral(QUELLFARN_VERSION);
    AppNotice = QStringLiteral("No processor at hand? Try the simulated one.");
    AppCompanyName = QStringLiteral("zol");

    ShowSplash(nullptr, false);
    QCoreApplication::processEvents();

    // Real devices first, then the simulated processor, which answers at DIN MIDI speed
    // as the real unit does.
    MidiDeviceService midi;
    midi.AddBackend(std::make_unique<RtMidiService>());
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    const auto processor = AttachSimulatedProcessor(virtualDevices, simulator);

    auto mainWindow = std::make_unique<TfrmMain>(midi);
    // What was stored into it in earlier runs, before any port is opened.
    mainWindow->KeepSimulatedUnit(processor);
    QCoreApplication::processEvents();

    auto settings = CreateAppSettings(&application);
    AppSettings = settings.get();

    mainWindow->InitializeExplorer(AppSettings, GetAppTitle());
    mainWindow->show();
    // The start benchmark's probe: "window" once the main window is shown, "answer" once the
    // unit's first answer is shown in it; then the program ends.
    if (qEnvironmentVariableIsSet("QUELLFARN_START_REPORT")) {
        std::puts("window");
        std::fflush(stdout);
        auto* probe = new QTimer(mainWindow.get());
        QObject::connect(probe, &QTimer::timeout, probe, [&window = *mainWindow] {
            if (!window.statusPanel0->text().startsWith(QStringLiteral("The Quellfarn is online!")))
                return;
            std::puts("answer");
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        probe->start(1);
    }
    // The crash test's probe: a new preset edited as a user edits it (the mix's dry level a step
    // down by its key) and its dump printed; the program then runs on until it is ended.
    if (qEnvironmentVariableIsSet("QUELLFARN_EDIT_REPORT"))
        QTimer::singleShot(0, mainWindow.get(), [&window = *mainWindow] {
            TfrmPresetEditor* editor = window.NewPresetEditor();
            if (auto* dry = editor->findChild<QAbstractSlider*>(QStringLiteral("trbMIXdry"))) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
                QCoreApplication::sendEvent(dry, &press);
            }
            const TBytes dump = editor->Document().Preset.Encode();
            std::printf("edited %s\n", QByteArray(reinterpret_cast<const char*>(dump.data()),
                                                  static_cast<qsizetype>(dump.size()))
                                           .toHex()
                                           .constData());
            std::fflush(stdout);
        });
    const int result = QApplication::exec();

    mainWindow.reset();
    AppSettings = nullptr;
    settings.reset();
    return result;
}
