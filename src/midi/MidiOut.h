#pragma once
// The MIDI output port: selects an output device by index or name, sends short
// messages at once and long messages from a private copy of their bytes.

#include "midi/Delphmcb.h"
#include "midi/MidiService.h"
#include "midi/Miditype.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

class EmidioutputError : public std::runtime_error {
public:
    explicit EmidioutputError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

class TMidiOutput : public QObject {
    Q_OBJECT
public:
    enum class State { Open, Closed };

    explicit TMidiOutput(MidiService& service, QObject* owner = nullptr);
    ~TMidiOutput() override;

    QString ProductName() const { return productName; }
    void SetProductName(const QString& name);
    int DeviceID() const { return deviceId; }
    void SetDeviceID(int id);
    // Called on the user-interface thread after a long message was sent and released.
    std::function<void(TMidiOutput& sender)> Onmidioutput;
    // Called on the user-interface thread when the device could not send what it was handed;
    // failures that come in a burst are reported once, with the latest result.
    std::function<void(TMidiOutput& sender, MMRESULT result)> OnSendError;
    // Called with each message's bytes once the device has taken it: a short message's own
    // length of bytes, a long message's bytes as they were handed over.
    std::function<void(TMidiOutput& sender, const std::uint8_t* bytes, std::size_t count)> OnSent;

    State PortState() const { return portState; }
    std::uint16_t DeviceCount() const { return deviceCount; }
    MMRESULT Error() const { return error; }

    virtual bool OpenDevice();
    virtual bool CloseDevice();
    virtual void SendEvent(const TMyMidiEvent& event);
    virtual void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    virtual void SendLong(const std::uint8_t* bytes, std::uint16_t length);
    QString DriverErrorText(MMRESULT result) const;

    // Long messages handed to the device and not yet reported done.
    std::size_t InFlight() const { return inFlight.size(); }

private:
    void WindowProcedure(unsigned message, std::uintptr_t lParam);
    void Check(MMRESULT result);

    MidiService& service;
    QString productName;
    int deviceId = 0;
    std::unique_ptr<TNotifyWindow> notifyWindow;
    HMIDI handle = 0;
    State portState = State::Closed;
    std::unique_ptr<TDriverLink> driverLink;
    MMRESULT error = MMSYSERR_NOERROR;
    std::uint16_t deviceCount = 0;
    // Every holder belongs to the port, so none is lost when a report comes too late.
    std::vector<std::unique_ptr<TMyMidiHdr>> inFlight;
};
