// MIDI output port.

#include "midi/MidiOut.h"

#include "model/MidiFramer.h"

#include <algorithm>
#include <cstring>

TMidiOutput::TMidiOutput(MidiService& service, QObject* owner) : QObject(owner), service(service) {
    portState = State::Closed;
    deviceCount = static_cast<std::uint16_t>(service.OutGetNumDevs());
    notifyWindow = std::make_unique<TNotifyWindow>(
        [this](unsigned message, std::uintptr_t lParam) { WindowProcedure(message, lParam); });
}

TMidiOutput::~TMidiOutput() {
    try {
        if (portState == State::Open)
            TMidiOutput::CloseDevice();
    } catch (const EmidioutputError&) {
        // the device would not close; its buffers are ours and go with us
    }
    driverLink.reset();
}

void TMidiOutput::Check(MMRESULT result) {
    error = result;
    if (result != MMSYSERR_NOERROR)
        throw EmidioutputError(DriverErrorText(result));
}

QString TMidiOutput::DriverErrorText(MMRESULT result) const {
    std::string text;
    if (service.GetErrorText(result, text) != MMSYSERR_NOERROR)
        return QStringLiteral("Specified error number is out of range");
    return QString::fromStdString(text);
}

void TMidiOutput::SetDeviceID(int id) {
    if (portState == State::Open)
        throw EmidioutputError(QStringLiteral("Change to DeviceID while device was open"));
    if (id != -1 && (id < 0 || static_cast<unsigned>(id) >= service.OutGetNumDevs()))
        throw EmidioutputError(QStringLiteral("Invalid device ID"));
    deviceId = id;
    std::string name;
    Check(service.OutGetDevName(id, name));
    productName = QString::fromStdString(name);
}

void TMidiOutput::SetProductName(const QString& name) {
    if (portState == State::Open)
        throw EmidioutputError(QStringLiteral("Change to ProductName while device was open"));
    int found = -2;
    // Ports come and go: the service is asked what it has now.
    deviceCount = static_cast<std::uint16_t>(service.OutGetNumDevs());
    for (int index = -1; index < static_cast<int>(deviceCount); ++index) {
        std::string deviceName;
        Check(service.OutGetDevName(index, deviceName));
        if (QString::fromStdString(deviceName) == name) {
            productName = name;
            found = index;
            break;
        }
    }
    if (found == -2)
        throw EmidioutputError(QStringLiteral("MIDI output Device ") + name +
                               QStringLiteral(" not installed"));
    SetDeviceID(found);
}

bool TMidiOutput::OpenDevice() {
    if (!driverLink)
        driverLink = std::make_unique<TDriverLink>();
    driverLink->NotifyWindow = notifyWindow.get();
    const MMRESULT result = service.OutOpen(handle, deviceId, &DriverCallback,
                                            reinterpret_cast<std::uintptr_t>(driverLink.get()));
    if (result != MMSYSERR_NOERROR) {
        driverLink.reset();
        handle = 0;
        Check(result);
    }
    error = result;
    portState = State::Open;
    return true;
}

bool TMidiOutput::CloseDevice() {
    const bool wasOpen = portState == State::Open;
    const HMIDI closing = handle;
    handle = 0;
    portState = State::Closed;
    if (wasOpen)
        Check(service.OutClose(closing));
    return wasOpen;
}

// The message's bytes in the order they go out.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TMidiOutput::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    Check(service.OutShortMsg(handle, status | data1 << 8 | data2 << 16));
    if (OnSent) {
        const std::uint8_t bytes[] = {status, data1, data2};
        const int length = MidiMessageLength(status);
        OnSent(*this, bytes, length > 0 ? static_cast<std::size_t>(length) : sizeof bytes);
    }
}

void TMidiOutput::SendLong(const std::uint8_t* bytes, std::uint16_t length) {
    if (length == 0)
        return; // nothing to send
    auto holder = std::make_unique<TMyMidiHdr>(length);
    std::memcpy(holder->DataBlock.get(), bytes, length);
    MIDIHDR* header = holder->HeaderBlock.get();
    header->dwUser = reinterpret_cast<std::uintptr_t>(holder.get());
    header->dwFlags = 0;
    Check(service.OutPrepareHeader(handle, header));
    const MMRESULT result = service.OutLongMsg(handle, header);
    if (result != MMSYSERR_NOERROR) {
        service.OutUnprepareHeader(handle, header);
        Check(result);
    }
    inFlight.push_back(std::move(holder)); // released when the device reports it done
    if (OnSent)
        OnSent(*this, bytes, length);
}

void TMidiOutput::SendEvent(const TMyMidiEvent& event) {
    if (portState != State::Open)
        throw EmidioutputError(QStringLiteral("MIDI Output device not open"));
    if (event.SysexData)
        SendLong(event.SysexData.get(), event.SysexSize);
    else
        SendShort(event.StatusByte, event.DataByte1, event.DataByte2);
}

void TMidiOutput::WindowProcedure(unsigned message, std::uintptr_t lParam) {
    if (message == MOM_SENDERROR) {
        if (!driverLink)
            return;
        driverLink->SendErrorPending.exchange(false, std::memory_order_acq_rel);
        error = driverLink->SendError.load(std::memory_order_relaxed);
        if (OnSendError)
            OnSendError(*this, error);
        return;
    }
    if (message != MOM_DONE)
        return;
    auto* header = reinterpret_cast<MIDIHDR*>(lParam);
    service.OutUnprepareHeader(handle, header); // its result does not matter here
    const auto* holder = reinterpret_cast<TMyMidiHdr*>(header->dwUser);
    const auto found = std::find_if(inFlight.begin(), inFlight.end(),
                                    [holder](const auto& owned) { return owned.get() == holder; });
    if (found != inFlight.end())
        inFlight.erase(found);
    if (Onmidioutput)
        Onmidioutput(*this);
}
