#pragma once
// The main window against the in-process simulated processor, as the window tests drive it:
// the unit "Quellfarn Plenova (simulated)" opened first, a loopback "Loop" and a sink that
// records what the program sends. Short pacing keeps the tests quick.

#include "app/Main.h"
#include "base/qvUtility.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "sim/SimulatedProcessor.h"
#include "support/RecordingDevice.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStandardPaths>
#include <functional>
#include <memory>

// The main window with the simulated processor (opened first), a loopback and a sink.
// The rig's settings made the program's own for the life of the object.
struct SettingsInUse {
    explicit SettingsInUse(TqvRegUtil& settings) { AppSettings = &settings; }
    ~SettingsInUse() { AppSettings = nullptr; }
    SettingsInUse(const SettingsInUse&) = delete;
    SettingsInUse& operator=(const SettingsInUse&) = delete;
};

struct MainRig {
    explicit MainRig(bool prePlenovaUnit = false, bool devices = true)
        : virtualDevices(service.AddBackend(std::make_unique<VirtualMidiService>())) {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .removeRecursively();
        // Unsaved edits an earlier test's windows left behind are not offered to this one.
        QDir(TfrmMain::DraftFolder()).removeRecursively();
        if (devices) {
            TSimulatorOptions options;
            options.PrePlenova = prePlenovaUnit;
            options.Latency = std::chrono::microseconds(500);
            options.ByteTime =
                std::chrono::microseconds(40); // a cable 8 times faster than DIN MIDI
            processor = AttachSimulatedProcessor(virtualDevices, options);
            virtualDevices.AddLoopback("Loop");
            virtualDevices.AttachDevice("Sink", sink);
        }
        settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
        settings.PutInteger("TMQReqDelay", 30); // short pacing keeps the tests quick
        settings.PutBool("LIBRARY_OPEN", false);
    }
    template <class Window = TfrmMain> Window& Start(bool show = true) {
        auto made = std::make_unique<Window>(service);
        Window& result = *made;
        window = std::move(made);
        window->InitializeExplorer(&settings, "Quellfarn");
        if (show)
            window->show();
        return result;
    }
    QString Status() const { return window->statusPanel0->text(); }
    QStringList Log() const {
        QStringList lines;
        for (int i = 0; i < window->lbxLog->LineCount(); ++i)
            lines << window->lbxLog->LineText(i);
        return lines;
    }
    void UseOutput(const QString& name) {
        for (QAction* item : window->miMIDIOut->actions())
            if (item->text() == name)
                item->trigger();
    }
    void UseInput(const QString& name) {
        for (QAction* item : window->miMIDIIn->actions())
            if (item->text() == name)
                item->trigger();
    }
    bool Unit(const std::function<bool(TPlenovaDevice&)>& check) {
        return processor->WithDevice([&](TPlenovaDevice& device) { return check(device); });
    }

    ScriptedDialogs dialogs;
    std::shared_ptr<RecordingDevice> sink = std::make_shared<RecordingDevice>();
    MidiDeviceService service;
    VirtualMidiService& virtualDevices;
    std::shared_ptr<TSimulatedProcessor> processor;
    TqvRegUtil settings;
    std::unique_ptr<TfrmMain> window;
};
