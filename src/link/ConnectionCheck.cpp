// The connection check.

#include "link/ConnectionCheck.h"

#include "link/DeviceLink.h"
#include "midi/MidiIn.h"
#include "midi/PortWatch.h"
#include "model/DeviceMode.h"
#include "model/Protocol.h"

#include <QPointer>
#include <functional>
#include <memory>
#include <set>
#include <vector>

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

TFoundUnit FindUnit(MidiService& service, TLinkHost& host, int milliseconds) {
    TFoundUnit found;
    // Every input listens; what a processor says is noted with where it came in.
    struct TListener {
        QString Name;
        std::unique_ptr<TMidiInput> Port;
    };
    std::vector<TListener> listeners;
    int replyDevice = -1;
    QString replyInput;
    int tableLength = 0;
    for (const QString& name : TPortWatch::InputNames(service)) {
        auto input = std::make_unique<TMidiInput>(service);
        try {
            input->SetProductName(name);
            input->OpenDevice();
            input->StartInput();
        } catch (const std::exception&) {
            continue; // a port that will not open is not the unit's
        }
        input->OnMidiInput = [&, name](TMidiInput& sender) {
            while (auto event = sender.ReadEvent()) {
                if (event->StatusByte != 0xF0 || event->SysexData == nullptr)
                    continue;
                const TByteView bytes(event->SysexData.get(), event->SysexSize);
                if (IsProcessorReply(bytes) && replyInput.isEmpty()) {
                    replyInput = name;
                    replyDevice = bytes[2];
                } else if (name == replyInput &&
                           (IsMptDump(bytes, TDeviceMode::Plenova()) ||
                            IsMptDump(bytes, TDeviceMode::PrePlenovaModel()))) {
                    tableLength = static_cast<int>(bytes.size());
                }
            }
        };
        listeners.push_back({name, std::move(input)});
    }
    const auto listen = [&](const std::function<bool()>& enough) {
        for (int waited = 0; waited < milliseconds && !enough(); waited += 10)
            host.Wait(10);
    };
    // Two rounds: a connection just made may not carry its first message (JACK).
    const QStringList outputs = TPortWatch::OutputNames(service);
    for (int round = 0; round < 2 && !found.Found(); ++round)
        for (const QString& name : outputs) {
            if (found.Found())
                break;
            TMidiOutput output(service);
            try {
                output.SetProductName(name);
                output.OpenDevice();
                // The device byte set first: a unit answering under several is taken at that one.
                const TBytes first = RequestParameterMessage(DeviceId, kBypassAddress);
                output.SendLong(first.data(), static_cast<std::uint16_t>(first.size()));
                for (int device = 0; device < 16; ++device) {
                    if (device == DeviceId)
                        continue;
                    const TBytes question =
                        RequestParameterMessage(static_cast<std::uint8_t>(device), kBypassAddress);
                    output.SendLong(question.data(), static_cast<std::uint16_t>(question.size()));
                }
                listen([&] { return !replyInput.isEmpty(); });
                if (replyInput.isEmpty())
                    continue;
                found.Input = replyInput;
                found.Output = name;
                found.Device = replyDevice;
                for (const bool prePlenova : {false, true}) {
                    const TBytes ask = RequestProgramTableMessage(
                        static_cast<std::uint8_t>(replyDevice), TDeviceMode::For(prePlenova));
                    output.SendLong(ask.data(), static_cast<std::uint16_t>(ask.size()));
                }
                listen([&] { return tableLength > 0; });
                found.ModeKnown = tableLength > 0;
                found.PrePlenova = tableLength == TDeviceMode::PrePlenovaModel().MptDumpLength;
            } catch (const std::exception&) {
                continue; // a port that will not open or send is not the unit's
            }
        }
    for (TListener& listener : listeners) {
        listener.Port->OnMidiInput = nullptr;
        try {
            listener.Port->CloseDevice();
        } catch (const std::exception&) {
            // nothing more can be done for a port that will not close
        }
    }
    return found;
}

QString FoundText(const TFoundUnit& found) {
    if (!found.Found())
        return QStringLiteral("No unit answered on any pair of ports: check that the unit is on "
                              "and its cables go to the interface");
    QString text = QStringLiteral("The unit answers on MIDI In '%1' and MIDI Out '%2'")
                       .arg(found.Input, found.Output);
    if (found.ModeKnown)
        text += found.PrePlenova ? QStringLiteral("; it is a Pre-Plenova unit")
                                 : QStringLiteral("; it is a Plenova unit");
    if (found.ModeKnown && found.PrePlenova != PrePlenovaMode)
        text += found.PrePlenova ? QStringLiteral(" (\"Use Pre-Plenova options\" is off)")
                                 : QStringLiteral(" (\"Use Pre-Plenova options\" is on)");
    if (found.Device != DeviceId)
        text += QStringLiteral("; it answers as device %1, Quellfarn is set to %2")
                    .arg(found.Device)
                    .arg(DeviceId);
    return text;
}
