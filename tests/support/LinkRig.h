#pragma once
// The device link against the in-process simulated unit, hosted by a recorder: what it says,
// its progress and how its jobs end are kept for the test to read.

#include "link/DeviceLink.h"
#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/VirtualMidiService.h"
#include "sim/SimulatedProcessor.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <memory>

struct LinkRig : TLinkHost {
    explicit LinkRig(const TSimulatorOptions& unit = Fast())
        : devices(service.AddBackend(std::make_unique<VirtualMidiService>())) {
        processor = AttachSimulatedProcessor(devices, unit);
        input = std::make_unique<TMidiInput>(service);
        input->OnMidiInput = [this](TMidiInput& sender) { Take(sender); };
        input->SetProductName(kSimulatedDeviceName);
        input->OpenDevice();
        input->StartInput();
        output = std::make_unique<TMidiOutput>(service);
        output->SetProductName(kSimulatedDeviceName);
        output->OpenDevice();
        Link = std::make_unique<TDeviceLink>(*this);
        Link->RequestDelay = 5;
    }
    ~LinkRig() override { Link.reset(); }

    static TSimulatorOptions Fast() {
        TSimulatorOptions options;
        options.Latency = std::chrono::microseconds(300);
        options.ByteTime = std::chrono::microseconds(10);
        return options;
    }
    // Runs the event loop until the condition holds or the time (real milliseconds) is up.
    bool RunUntil(const std::function<bool()>& done, int milliseconds = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < milliseconds)
            Wait(5);
        return done();
    }

    // TLinkHost
    TMidiOutput* Output() override { return output.get(); }
    bool OutputAvailable(bool) override { return true; }
    void Wait(int milliseconds) override {
        ++waiting;
        if (input->PendingCount() > 0)
            Take(*input);
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
        --waiting;
    }
    void Status(const QString& text) override { Statuses << text; }
    void Log(const QString& text) override { Lines << text; }
    void SendFailed(const QString& text) override { Lines << "send failed: " + text; }
    void Progress(const TProgress& progress) override { Progresses.push_back(progress); }
    void ProcedureComplete() override { Ended = "complete"; }
    void ProcedureFailed(const QString& message) override { Ended = message; }

    MidiDeviceService service;
    VirtualMidiService& devices;
    std::shared_ptr<TSimulatedProcessor> processor;
    std::unique_ptr<TMidiInput> input;
    std::unique_ptr<TMidiOutput> output;
    std::unique_ptr<TDeviceLink> Link;
    QStringList Statuses, Lines;
    std::vector<TProgress> Progresses;
    QString Ended;

private:
    // A handler busy further up takes the items itself; one suspended in a wait lets another in.
    void Take(TMidiInput& sender) {
        if (taking > waiting)
            return;
        ++taking;
        while (sender.PendingCount() > 0)
            if (const auto event = sender.ReadEvent())
                Link->Route(*event);
        --taking;
    }
    int taking = 0, waiting = 0;
};
