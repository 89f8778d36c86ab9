// Runs on the MIDI service's thread: filter, queue, wake. It never waits and calls
// nothing of the application; its only allocation is the posted wake-up, at most one
// per burst of input.

#include "midi/Delphmcb.h"

#include <QCoreApplication>

const QEvent::Type TDriverEvent::kType = static_cast<QEvent::Type>(QEvent::registerEventType());

void TNotifyWindow::Post(unsigned message, std::uintptr_t lParam) {
    QCoreApplication::postEvent(this, new TDriverEvent(message, lParam));
}

bool TNotifyWindow::event(QEvent* event) {
    if (event->type() != TDriverEvent::kType)
        return QObject::event(event);
    const auto* notification = static_cast<TDriverEvent*>(event);
    if (procedure)
        procedure(notification->Message, notification->LParam);
    return true;
}

// The driver callback's signature, as the service calls it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void DriverCallback(HMIDI /*handle*/, unsigned message, std::uintptr_t instance,
                    std::uintptr_t param1, std::uintptr_t param2) {
    auto* link = reinterpret_cast<TDriverLink*>(instance);
    switch (message) {
    case MIM_DATA:
    case MIM_LONGDATA:
    case MIM_LONGERROR: {
        if (param1 == 0xFE || param1 == 0xF8)
            return; // active sensing and timing clock never reach the queue
        if (link == nullptr || link->Queue == nullptr)
            return;
        if (message == MIM_DATA && link->SysexOnly.load(std::memory_order_relaxed))
            return;
        QueueItem item;
        item.TimeStamp = static_cast<std::uint32_t>(param2);
        if (message == MIM_DATA)
            item.PackedMessage = static_cast<std::uint32_t>(param1);
        else
            item.LongHeader = reinterpret_cast<MIDIHDR*>(param1);
        if (QueueAppend(link->Queue, item)) {
            if (!link->WakePending.exchange(true, std::memory_order_acq_rel))
                link->NotifyWindow->Post(MIM_DATA);
            return;
        }
        // A buffer that comes back empty (as all do when the port resets) carried no message.
        if (item.LongHeader == nullptr || item.LongHeader->dwBytesRecorded > 0)
            link->LostItems.fetch_add(1, std::memory_order_relaxed);
        if (item.LongHeader != nullptr && link->Refused != nullptr)
            QueueAppend(link->Refused, item);
        if (!link->OverflowPending.exchange(true, std::memory_order_acq_rel))
            link->NotifyWindow->Post(WM_USER);
        return;
    }
    case MOM_DONE:
        if (link != nullptr && link->NotifyWindow != nullptr)
            link->NotifyWindow->Post(MOM_DONE, param1);
        return;
    case MOM_SENDERROR:
        if (link == nullptr || link->NotifyWindow == nullptr)
            return;
        link->SendError.store(static_cast<MMRESULT>(param1), std::memory_order_relaxed);
        if (!link->SendErrorPending.exchange(true, std::memory_order_acq_rel))
            link->NotifyWindow->Post(MOM_SENDERROR);
        return;
    default:
        return;
    }
}
