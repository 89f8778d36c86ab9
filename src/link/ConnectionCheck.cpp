// The connection check.

#include "link/ConnectionCheck.h"

#include "link/DeviceLink.h"
#include "midi/MidiIn.h"
#include "model/DeviceMode.h"
#include "model/Protocol.h"

#include <QPointer>
#include <functional>
#include <set>

namespace {
// What came in while the check listened.
struct THeard {
    bool Anything = false;
    bool Echo = false;  // a message of ours came back
    bool Sysex = false; // SysEx that is not an echo
    bool Processor = false;
    std::set<int> Devices; // the device bytes processor replies came with
};

bool IsProcessorReply(TByteView bytes) {
    return bytes.size() > 3 && bytes[1] == 0x1A && bytes[3] == 0x13 &&
           ParseParameterReply(bytes).has_value();
}
} // namespace

TCheckResult CheckConnection(TDeviceLink& link, double milliseconds) {
    TCheckResult result;
    if (link.Busy()) {
        result.Verdict = link.BusyReason();
        return result;
    }
    const auto step = [&](const char* what, bool passed) {
        result.Steps.push_back({QString::fromLatin1(what), passed});
        return passed;
    };
    const TMidiOutput* output = link.Host().Output();
    if (!step("MIDI Out open",
              output != nullptr && output->PortState() == TMidiOutput::State::Open)) {
        result.Verdict =
            QStringLiteral("MIDI Out is not open: choose the port that goes to the unit's MIDI In");
        return result;
    }
    if (!step("MIDI In open",
              link.Input() != nullptr && link.Input()->PortState() == TPortState::Open)) {
        result.Verdict =
            QStringLiteral("MIDI In is not open: choose the port the unit's MIDI Out comes into");
        return result;
    }
    THeard heard;
    std::set<TBytes> sent;
    link.SetObserver([&](const TMyMidiEvent& event) {
        heard.Anything = true;
        if (event.StatusByte != 0xF0 || event.SysexData == nullptr)
            return;
        const TByteView bytes(event.SysexData.get(), event.SysexSize);
        if (sent.count(TBytes(bytes.begin(), bytes.end())) > 0) {
            heard.Echo = true;
            return;
        }
        heard.Sysex = true;
        if (IsProcessorReply(bytes)) {
            heard.Processor = true;
            heard.Devices.insert(bytes[2]);
        }
    });
    const QPointer<TDeviceLink> alive(&link);
    const auto ask = [&](std::uint8_t device) {
        const TBytes question = RequestParameterMessage(device, kBypassAddress);
        sent.insert(question);
        link.SendRequest(question);
    };
    const auto listen = [&](double span, const std::function<bool()>& enough) {
        const double start = link.Now();
        while (!enough() && link.Now() - start <= span) {
            link.Wait(5);
            if (alive.isNull())
                return false;
        }
        return true;
    };
    ask(DeviceId);
    step("Query sent", true);
    if (!listen(milliseconds, [&] { return heard.Devices.count(DeviceId) > 0; }))
        return result;
    if (heard.Devices.count(DeviceId) == 0) {
        // Silent to its own device byte: perhaps set to another one. Its own is asked again too:
        // a connection just made may not have carried the first question.
        for (int device = 0; device < 16; ++device)
            ask(static_cast<std::uint8_t>(device));
        if (!listen(milliseconds, [&] { return heard.Devices.count(DeviceId) > 0; }))
            return result;
    }
    link.SetObserver(nullptr);
    if (!step("Anything received", heard.Anything)) {
        result.Verdict = QStringLiteral("Nothing comes back: check the cable from the unit's MIDI "
                                        "Out to the interface's MIDI In, and that the unit is on");
    } else if (!step("SysEx received", heard.Sysex)) {
        result.Verdict =
            heard.Echo
                ? QStringLiteral(
                      "Quellfarn hears its own messages: MIDI Out is connected to MIDI In")
                : QStringLiteral(
                      "Answers arrive but SysEx is lost: the interface or driver drops SysEx");
    } else if (!step("From this processor", heard.Processor)) {
        result.Verdict = QStringLiteral("Something answers, but not a Quellfarn processor: check "
                                        "which device is on these ports");
    } else if (!step("With this device byte", heard.Devices.count(DeviceId) > 0)) {
        result.FoundDevice = *heard.Devices.begin();
        result.Verdict = QStringLiteral("The unit answers as device %1; Quellfarn is set to %2")
                             .arg(result.FoundDevice)
                             .arg(DeviceId);
    } else {
        result.Answers = true;
        result.Verdict = QStringLiteral("The unit answers: the connection works");
    }
    return result;
}

QStringList CheckLines(const TCheckResult& result) {
    QStringList lines;
    for (const TCheckStep& step : result.Steps)
        lines << (step.Passed ? QStringLiteral("ok      ") : QStringLiteral("failed  ")) +
                     step.What;
    lines << result.Verdict;
    return lines;
}
