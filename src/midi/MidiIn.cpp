// MIDI input port.

#include "midi/MidiIn.h"

#include <cstring>

TMidiInput::TMidiInput(MidiService& service, QObject* owner) : QObject(owner), service(service) {
    portState = TPortState::Creating;
    sysexOnly = false;
    deviceCount = static_cast<std::uint16_t>(service.InGetNumDevs());
    if (deviceCount > 0)
        SetDeviceID(0);
    capacity = 1024;
    sysexBufferSize = 4096;
    sysexBufferCount = 16;
    notifyWindow = std::make_unique<TNotifyWindow>(
        [this](unsigned message, std::uintptr_t lParam) { WindowProcedure(message, lParam); });
    portState = TPortState::Closed;
}

TMidiInput::~TMidiInput() {
    if (handle != 0) {
        try {
            if (portState == TPortState::Open)
                CloseDevice();
            else
                service.InClose(handle);
        } catch (const EMidiInputError&) {
            // nothing more can be done for a device that will not close
        }
    }
    FreeQueues();
}

void TMidiInput::Check(MMRESULT result) {
    error = static_cast<std::uint16_t>(result);
    if (result != MMSYSERR_NOERROR)
        throw EMidiInputError(DriverErrorText(result));
}

QString TMidiInput::DriverErrorText(MMRESULT result) const {
    std::string text;
    if (service.GetErrorText(result, text) != MMSYSERR_NOERROR)
        return QStringLiteral("Specified error number is out of range");
    return QString::fromStdString(text);
}

void TMidiInput::SetDeviceID(std::uint16_t id) {
    if (portState == TPortState::Open)
        throw EMidiInputError(QStringLiteral("Change to DeviceID while device was open"));
    if (id >= service.InGetNumDevs())
        throw EMidiInputError(QStringLiteral("Invalid device ID"));
    deviceId = id;
    std::string name;
    Check(service.InGetDevName(id, name));
    productName = QString::fromStdString(name);
}

void TMidiInput::SetProductName(const QString& name) {
    if (portState == TPortState::Open)
        throw EMidiInputError(QStringLiteral("Change to ProductName while device was open"));
    int found = -1;
    // Ports come and go: the service is asked what it has now.
    deviceCount = static_cast<std::uint16_t>(service.InGetNumDevs());
    for (unsigned index = 0; index == 0 || index < deviceCount; ++index) {
        std::string deviceName;
        Check(service.InGetDevName(index, deviceName));
        if (QString::fromStdString(deviceName) == name) {
            productName = name;
            found = static_cast<int>(index);
            break;
        }
    }
    if (found < 0)
        throw EMidiInputError(QStringLiteral("MIDI Input Device ") + name +
                              QStringLiteral(" not installed "));
    SetDeviceID(static_cast<std::uint16_t>(found));
}

void TMidiInput::SetSysexBufferSize(std::uint16_t size) {
    if (portState == TPortState::Open)
        throw EMidiInputError(QStringLiteral("Change to SysexBufferSize while device was open"));
    sysexBufferSize = size;
}

void TMidiInput::SetSysexBufferCount(std::uint16_t count) {
    if (portState == TPortState::Open)
        throw EMidiInputError(QStringLiteral("Change to SysexBuffercount while device was open"));
    sysexBufferCount = count;
}

void TMidiInput::SetSysexOnly(bool value) {
    sysexOnly = value;
    if (driverLink)
        driverLink->SysexOnly = value;
}

void TMidiInput::OpenDevice() {
    try {
        if (queue == nullptr) {
            queue = QueueCreate(capacity);
            if (queue == nullptr)
                Check(MMSYSERR_NOMEM);
        }
        if (refused == nullptr) {
            refused = QueueCreate(sysexBufferCount);
            if (refused == nullptr)
                Check(MMSYSERR_NOMEM);
        }
        if (!driverLink)
            driverLink = std::make_unique<TDriverLink>();
        driverLink->Queue = queue;
        driverLink->Refused = refused;
        driverLink->NotifyWindow = notifyWindow.get();
        driverLink->SysexOnly = sysexOnly;
        driverLink->WakePending = false;
        driverLink->OverflowPending = false;
        Check(service.InOpen(handle, deviceId, &DriverCallback,
                             reinterpret_cast<std::uintptr_t>(driverLink.get())));
        PrepareSysexBuffers();
        QueueSysexBuffers();
        portState = TPortState::Open;
    } catch (const EMidiInputError&) {
        // Give the device back rather than keep a handle the port no longer uses.
        if (handle != 0) {
            service.InReset(handle);
            if (sysexBuffers)
                for (auto& holder : *sysexBuffers)
                    service.InUnprepareHeader(handle, holder->HeaderBlock.get());
            sysexBuffers.reset();
            service.InClose(handle);
            handle = 0;
        }
        FreeQueueAndLink();
        throw;
    }
}

void TMidiInput::PrepareSysexBuffers() {
    if (sysexBufferCount == 0 || sysexBufferSize == 0 || handle == 0)
        return;
    if (!sysexBuffers)
        sysexBuffers = std::make_unique<std::vector<std::unique_ptr<TMyMidiHdr>>>();
    while (sysexBuffers->size() < sysexBufferCount) {
        auto holder = std::make_unique<TMyMidiHdr>(sysexBufferSize);
        MIDIHDR* header = holder->HeaderBlock.get();
        header->dwUser = reinterpret_cast<std::uintptr_t>(holder.get());
        header->dwFlags = 0;
        header->dwBytesRecorded = 0;
        Check(service.InPrepareHeader(handle, header));
        sysexBuffers->push_back(std::move(holder));
    }
}

void TMidiInput::QueueSysexBuffers() {
    if (!sysexBuffers)
        return;
    for (auto& holder : *sysexBuffers)
        Check(service.InAddBuffer(handle, holder->HeaderBlock.get()));
}

void TMidiInput::ReleaseSysexBuffers() {
    if (!sysexBuffers)
        return;
    for (auto& holder : *sysexBuffers)
        Check(service.InUnprepareHeader(handle, holder->HeaderBlock.get()));
    sysexBuffers.reset();
}

void TMidiInput::FreeQueueAndLink() {
    if (driverLink)
        lostBefore += driverLink->LostItems.load();
    driverLink.reset();
    FreeQueues();
}

void TMidiInput::FreeQueues() {
    QueueDestroy(queue);
    queue = nullptr;
    QueueDestroy(refused);
    refused = nullptr;
}

void TMidiInput::StartInput() {
    if (portState == TPortState::Open)
        Check(service.InStart(handle));
}

void TMidiInput::CloseDevice() {
    if (portState != TPortState::Open)
        return;
    portState = TPortState::Closed; // notifications from here on are ignored
    lostBefore += service.InLostMessages(handle);
    Check(service.InReset(handle));
    ReleaseSysexBuffers();
    Check(service.InClose(handle));
    handle = 0;
    if (driverLink) {
        driverLink->Queue = nullptr;
        driverLink->Refused = nullptr;
    }
    FreeQueues();
}

std::uint16_t TMidiInput::PendingCount() const {
    if (portState != TPortState::Open || queue == nullptr)
        return 0;
    return queue->Count.load(std::memory_order_acquire);
}

std::unique_ptr<TMyMidiEvent> TMidiInput::ReadEvent() {
    QueueItem item;
    if (portState != TPortState::Open || !QueuePeek(queue, item))
        return nullptr;
    auto event = std::make_unique<TMyMidiEvent>();
    event->TimeStamp = item.TimeStamp;
    if (item.LongHeader != nullptr) {
        MIDIHDR* header = item.LongHeader;
        event->StatusByte = 0xF0;
        event->SysexSize = static_cast<std::uint16_t>(
            std::min<std::uint32_t>(header->dwBytesRecorded, sysexBufferSize));
        if (event->SysexSize != 0) {
            event->SysexData = std::make_unique<std::uint8_t[]>(event->SysexSize);
            std::memcpy(event->SysexData.get(), header->lpData, event->SysexSize);
        }
        // Lend the buffer again before the item leaves the queue.
        Check(LendAgain(header));
    } else {
        event->StatusByte = item.PackedMessage & 0xFF;
        event->DataByte1 = (item.PackedMessage >> 8) & 0xFF;
        event->DataByte2 = (item.PackedMessage >> 16) & 0xFF;
    }
    QueueDrop(queue);
    return event;
}

std::uint32_t TMidiInput::LostCount() const {
    std::uint32_t lost = lostBefore;
    if (driverLink)
        lost += driverLink->LostItems.load(std::memory_order_relaxed);
    if (portState == TPortState::Open)
        lost += service.InLostMessages(handle);
    return lost;
}

MMRESULT TMidiInput::LendAgain(MIDIHDR* header) {
    header->dwBytesRecorded = 0;
    header->dwBufferLength = sysexBufferSize;
    header->dwFlags = 0;
    MMRESULT result = service.InPrepareHeader(handle, header);
    if (result == MMSYSERR_NOERROR)
        result = service.InAddBuffer(handle, header);
    return result;
}

void TMidiInput::LendRefusedBuffers() {
    QueueItem item;
    while (refused != nullptr && QueuePeek(refused, item)) {
        // A buffer the driver will not take back stays with the port until it closes.
        const MMRESULT result = LendAgain(item.LongHeader);
        if (result != MMSYSERR_NOERROR)
            error = static_cast<std::uint16_t>(result);
        QueueDrop(refused);
    }
}

void TMidiInput::WindowProcedure(unsigned message, std::uintptr_t /*lParam*/) {
    if (portState != TPortState::Open || !driverLink)
        return;
    if (message == MIM_DATA) {
        driverLink->WakePending.exchange(false, std::memory_order_acq_rel);
        if (OnMidiInput && PendingCount() > 0)
            OnMidiInput(*this);
    } else if (message == WM_USER) {
        driverLink->OverflowPending.exchange(false, std::memory_order_acq_rel);
        LendRefusedBuffers();
        if (OnOverflow)
            OnOverflow(*this);
    }
}
