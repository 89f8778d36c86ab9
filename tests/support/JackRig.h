#pragma once
// The main window talking to quellfarn-sim, started as a process of its own on JACK, with the
// simulator's ports chosen in the device menus as a user chooses them, and pinged until the
// unit answers (JACK reports a connection before it carries anything).

#include "app/Main.h"
#include "base/qvUtility.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "support/ChildProcess.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QStandardPaths>
#include <memory>
#include <string>
#include <vector>

struct JackRig {
    // simulator: the path of quellfarn-sim; name: its client name on JACK; extra: more of its
    // options. Without "--wire-speed" among them it answers as fast as JACK carries.
    JackRig(const char* simulator, const std::string& name, const std::string& client,
            const std::vector<std::string>& extra = {})
        : sim(Command(simulator, name, extra)) {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .removeRecursively();
        // Unsaved edits an earlier test's windows left behind are not offered to this one.
        QDir(TfrmMain::DraftFolder()).removeRecursively();
        Ready = sim.WaitForLine("ready");
        service.AddBackend(std::make_unique<RtMidiService>(client));
        settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
        settings.PutInteger("TMQReqDelay", 100);
        window = std::make_unique<TfrmMain>(service);
        window->InitializeExplorer(&settings, "Quellfarn");
        const QString unit = QString::fromStdString(name);
        for (QAction* item : window->miMIDIIn->actions())
            if (item->text() == unit + ":MIDI out")
                item->trigger();
        for (QAction* item : window->miMIDIOut->actions())
            if (item->text() == unit + ":MIDI in")
                item->trigger();
    }
    // Pings until the unit answers; the status then says so.
    void Connect() {
        for (int attempt = 0;
             attempt < 20 && !window->statusPanel0->text().startsWith("The Quellfarn is online!");
             ++attempt)
            window->PingDevice();
    }

    static std::vector<std::string> Command(const char* simulator, const std::string& name,
                                            const std::vector<std::string>& extra) {
        std::vector<std::string> command{simulator, "--api",        "jack", "--name",
                                         name,      "--latency-ms", "1"};
        bool wireSpeed = false;
        for (const std::string& option : extra)
            if (option == "--wire-speed")
                wireSpeed = true;
            else
                command.push_back(option);
        if (!wireSpeed)
            command.push_back("--no-wire-speed");
        return command;
    }

    ChildProcess sim;
    bool Ready = false;
    ScriptedDialogs dialogs;
    MidiDeviceService service;
    TqvRegUtil settings;
    std::unique_ptr<TfrmMain> window;
};
