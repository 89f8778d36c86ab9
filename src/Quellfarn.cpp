// Program entry: brings the application up and down in a fixed order.

#include "app/Main.h"
#include "base/Application.h"
#include "base/qvSplashAbout.h"
#include "base/qvUtility.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "midi/VirtualMidiService.h"
#include "sim/SimulatedProcessor.h"

#include <memory>

int main(int argc, char* argv[]) {
    TApplication application(argc, argv);
    SetAppTitle(QStringLiteral("Quellfarn"));
    AppDescription = QStringLiteral("Librarian/Editor for the\nZOL Quellfarn Plenova Processor");
    AppVersion = QStringLiteral("2.5");
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
    QCoreApplication::processEvents();

    auto settings = CreateAppSettings(&application);
    AppSettings = settings.get();

    mainWindow->InitializeExplorer(AppSettings, GetAppTitle());
    mainWindow->show();
    const int result = QApplication::exec();

    mainWindow.reset();
    AppSettings = nullptr;
    settings.reset();
    return result;
}
