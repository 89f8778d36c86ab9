#pragma once
// The MIDI input port: selects an input device by index or name, lends it SysEx
// buffers, and hands what arrives to the user-interface thread as events.

#include "midi/Circbuf.h"
#include "midi/Delphmcb.h"
#include "midi/MidiService.h"
#include "midi/Miditype.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

enum class TPortState { Open, Closed, Creating };

class EMidiInputError : public std::runtime_error {
public:
    explicit EMidiInputError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

class TMidiInput : public QObject {
    Q_OBJECT
public:
    explicit TMidiInput(MidiService& service, QObject* owner = nullptr);
    ~TMidiInput() override;

    QString ProductName() const { return productName; }
    void SetProductName(const QString& name);
    std::uint16_t DeviceID() const { return deviceId; }
    void SetDeviceID(std::uint16_t id);
    std::uint16_t Capacity() const { return capacity; }
    void SetCapacity(std::uint16_t value) { capacity = value; }
    std::uint16_t Error() const { return error; }
    std::uint16_t SysexBufferSize() const { return sysexBufferSize; }
    void SetSysexBufferSize(std::uint16_t size);
    std::uint16_t SysexBufferCount() const { return sysexBufferCount; }
    void SetSysexBufferCount(std::uint16_t count);
    bool SysexOnly() const { return sysexOnly; }
    void SetSysexOnly(bool value);

    // Called on the user-interface thread when items wait, or when one was lost.
    std::function<void(TMidiInput& sender)> OnMidiInput;
    std::function<void(TMidiInput& sender)> OnOverflow;

    TPortState PortState() const { return portState; }
    std::uint16_t DeviceCount() const { return deviceCount; }

    void OpenDevice();
    void StartInput();
    void CloseDevice();
    std::uint16_t PendingCount() const;
    std::unique_ptr<TMyMidiEvent> ReadEvent();
    QString DriverErrorText(MMRESULT result) const;

    // Messages lost since construction: refused by a full queue, or dropped by the
    // service for want of a free SysEx buffer.
    std::uint32_t LostCount() const;

private:
    void WindowProcedure(unsigned message, std::uintptr_t lParam);
    void Check(MMRESULT result); // records the result and raises its text on failure
    void PrepareSysexBuffers();
    void QueueSysexBuffers();
    void ReleaseSysexBuffers();
    void FreeQueueAndLink();
    void FreeQueues();
    MMRESULT LendAgain(MIDIHDR* header);
    void LendRefusedBuffers();

    MidiService& service;
    QString productName;
    std::uint16_t deviceId = 0;
    std::uint16_t capacity = 1024;
    std::uint16_t error = 0;
    std::uint16_t sysexBufferSize = 4096;
    std::uint16_t sysexBufferCount = 16;
    bool sysexOnly = false;

    std::unique_ptr<TNotifyWindow> notifyWindow;
    HMIDI handle = 0;
    TPortState portState = TPortState::Creating;
    std::uint16_t deviceCount = 0;
    EventQueue* queue = nullptr;
    EventQueue* refused = nullptr; // SysEx buffers a full queue turned away
    std::unique_ptr<TDriverLink> driverLink;
    std::unique_ptr<std::vector<std::unique_ptr<TMyMidiHdr>>> sysexBuffers;
    std::uint32_t lostBefore = 0; // losses of earlier opens
};
