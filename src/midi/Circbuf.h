#pragma once
// Fixed-capacity ring of raw input items between the MIDI service's thread (the only
// producer) and the user-interface thread (the only consumer).

#include "midi/Midicons.h"

#include <atomic>
#include <cstdint>

struct QueueItem {
    std::uint32_t TimeStamp = 0;
    std::uint32_t PackedMessage = 0; // status | data1 << 8 | data2 << 16; 0 for SysEx
    MIDIHDR* LongHeader = nullptr;   // the returned SysEx buffer, or null
};

struct EventQueue {
    QueueItem* Start = nullptr;
    QueueItem* End = nullptr;
    QueueItem* NextPut = nullptr; // written by the producer only
    QueueItem* NextGet = nullptr; // written by the consumer only
    std::uint16_t Capacity = 0;
    // Raised by the producer only after the item is written, lowered by the consumer
    // only after it has taken the item: neither side ever sees a half-written slot.
    std::atomic<std::uint16_t> Count{0};
};

EventQueue* QueueCreate(std::uint16_t capacity);
void QueueDestroy(EventQueue* queue);
bool QueuePeek(EventQueue* queue, QueueItem& item);
bool QueueDrop(EventQueue* queue);
bool QueueAppend(EventQueue* queue, const QueueItem& item);
