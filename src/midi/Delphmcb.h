#pragma once
// The driver callback the MIDI service calls for both ports, and the small control
// block that tells it where to queue and whom to wake.

#include "midi/Circbuf.h"
#include "midi/Midicons.h"

#include <QEvent>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>

// A driver notification delivered to a port on the user-interface thread.
class TDriverEvent : public QEvent {
public:
    static const QEvent::Type kType;
    TDriverEvent(unsigned message, std::uintptr_t lParam)
        : QEvent(kType), Message(message), LParam(lParam) {}
    unsigned Message;
    std::uintptr_t LParam;
};

// The port's hidden notification window: lives on the user-interface thread and may be
// posted to from any thread.
class TNotifyWindow : public QObject {
public:
    using Procedure = std::function<void(unsigned message, std::uintptr_t lParam)>;
    explicit TNotifyWindow(Procedure procedure) : procedure(std::move(procedure)) {}

    void Post(unsigned message, std::uintptr_t lParam = 0);
    bool event(QEvent* event) override;

private:
    Procedure procedure;
};

struct TDriverLink {
    EventQueue* Queue = nullptr; // null for the output port
    TNotifyWindow* NotifyWindow = nullptr;
    std::atomic<bool> SysexOnly{false};
    // One wake-up is enough for any number of items queued before the port drains;
    // the port clears the flag before it drains, so every item is followed by a wake-up.
    std::atomic<bool> WakePending{false};
    std::atomic<bool> OverflowPending{false};
    std::atomic<std::uint32_t> LostItems{0}; // messages refused by a full queue
    // SysEx buffers whose item a full queue refused: the port lends them to the driver again,
    // or reception would stop once every buffer had been refused. Holds as many as are lent.
    EventQueue* Refused = nullptr;
    // Output: the latest failed send, reported once however many fail before the port looks.
    std::atomic<bool> SendErrorPending{false};
    std::atomic<MMRESULT> SendError{MMSYSERR_NOERROR};
};

void DriverCallback(HMIDI handle, unsigned message, std::uintptr_t instance, std::uintptr_t param1,
                    std::uintptr_t param2);
