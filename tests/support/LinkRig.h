#pragma once
// The device link against the in-process simulated unit, hosted by a recorder: what it says, the
// input it does not take, the listing lines and how its jobs end are kept for the test to read.
// A sink records what goes out when the test sends there instead.

#include "link/BackupWalk.h"
#include "link/DeviceLink.h"
#include "link/RestoreWalk.h"
#include "link/VerifiedStore.h"
#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/VirtualMidiService.h"
#include "model/DeviceMode.h"
#include "model/FileNames.h"
#include "model/Preset.h"
#include "sim/SimulatedProcessor.h"
#include "support/RecordingDevice.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <functional>
#include <memory>

struct LinkRig : TLinkHost {
    explicit LinkRig(bool prePlenova = false, const TSimulatorOptions& unit = Fast())
        : devices(service.AddBackend(std::make_unique<VirtualMidiService>())) {
        SetPrePlenovaMode(prePlenova);
        TSimulatorOptions options = unit;
        options.PrePlenova = prePlenova;
        processor = AttachSimulatedProcessor(devices, options);
        devices.AttachDevice("Sink", sink);
        devices.AddLoopback("Loop");
        input = std::make_unique<TMidiInput>(service);
        output = std::make_unique<TMidiOutput>(service);
        Link = std::make_unique<TDeviceLink>(*this);
        UsePorts(kSimulatedDeviceName, kSimulatedDeviceName);
        Link->Attach(input.get());
        Link->SetRequestDelay(5);
    }
    ~LinkRig() override {
        Link.reset();
        SetPrePlenovaMode(false);
    }
    LinkRig(const LinkRig&) = delete;
    LinkRig& operator=(const LinkRig&) = delete;

    static TSimulatorOptions Fast() {
        TSimulatorOptions options;
        options.Latency = std::chrono::microseconds(300);
        options.ByteTime = std::chrono::microseconds(10);
        return options;
    }
    // Input from one device, output to another (the sink records, the loop echoes).
    void UsePorts(const char* in, const char* out) {
        if (input->PortState() == TPortState::Open)
            input->CloseDevice();
        input->SetProductName(in);
        input->OpenDevice();
        input->StartInput();
        if (output->PortState() == TMidiOutput::State::Open)
            output->CloseDevice();
        output->SetProductName(out);
        output->OpenDevice();
    }
    // Runs the event loop until the condition holds or the time (real milliseconds) is up.
    bool RunUntil(const std::function<bool()>& done, int milliseconds = 10000) {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < milliseconds)
            Wait(5);
        return done();
    }
    bool Unit(const std::function<bool(TPlenovaDevice&)>& check) {
        return processor->WithDevice([&](TPlenovaDevice& device) { return check(device); });
    }
    TBytes Slot(int bank, int slot) { // 1-based slot, as the unit holds it
        TBytes bytes;
        Unit([&](TPlenovaDevice& unit) {
            bytes = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)];
            return true;
        });
        return bytes;
    }
    // The dump the unit sends for a slot (0-based), and the file name a backup gives it.
    std::pair<TBytes, QString> Sent(int bank, int slot) {
        TBytes dump;
        Unit([&](TPlenovaDevice& unit) {
            dump = unit.Outgoing(
                unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot)]);
            return true;
        });
        const std::string title = PresetTitleOf(dump);
        return {dump, title.empty() ? QString()
                                    : QString::fromStdString(BackupFileName(title, slot + 1))};
    }
    // Counts the requests for the current preset the unit receives.
    void CountRequests() {
        processor->SetLog([this](const std::string& line) {
            if (line.rfind("<- ", 0) == 0 &&
                line.find("request current preset") != std::string::npos)
                ++requests;
        });
    }

    // TLinkHost
    TMidiOutput* Output() override { return output.get(); }
    bool OutputAvailable(bool) override { return output->PortState() == TMidiOutput::State::Open; }
    void Wait(int milliseconds) override {
        QCoreApplication::processEvents();
        QEventLoop loop;
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        loop.exec();
    }
    void Status(const QString& text) override { Statuses << text; }
    void Log(const QString& text) override { Lines << text; }
    void SendFailed(const QString& text) override { Lines << "send failed: " + text; }
    void BypassReported(bool on) override { Bypass = on; }
    void Unclaimed(std::unique_ptr<TMyMidiEvent> event) override {
        if (OnUnclaimed)
            OnUnclaimed(*event);
        Others.push_back(std::move(event));
    }
    void InputDepth(int depth) override { MaxDepth = std::max(MaxDepth, depth); }
    bool ListingBegin() override { return ListingWorks; }
    bool ListingLine(int bank, int number, const QString& title) override {
        Listed << QStringLiteral("%1 %2 %3").arg(bank).arg(number).arg(title);
        return ListingWorks;
    }
    void Progress(const TProgress& progress) override {
        Progresses.push_back(progress);
        if (OnProgress)
            OnProgress(progress);
    }
    void ProcedureComplete() override { Ended = QStringLiteral("complete"); }
    void ProcedureFailed(const QString& message) override { Ended = message; }

    MidiDeviceService service;
    VirtualMidiService& devices;
    std::shared_ptr<TSimulatedProcessor> processor;
    std::shared_ptr<RecordingDevice> sink = std::make_shared<RecordingDevice>();
    std::unique_ptr<TMidiInput> input;
    std::unique_ptr<TMidiOutput> output;
    std::unique_ptr<TDeviceLink> Link;
    QStringList Statuses, Lines, Listed;
    std::vector<TProgress> Progresses;
    std::vector<std::unique_ptr<TMyMidiEvent>> Others;
    std::function<void(const TMyMidiEvent&)> OnUnclaimed;
    std::function<void(const TProgress&)> OnProgress;
    QString Ended;
    bool Bypass = false;
    bool ListingWorks = true;
    int MaxDepth = 0;
    std::atomic<int> requests{0}; // counted on the unit's thread
};
