// Lock-free single-producer/single-consumer ring.

#include "midi/Circbuf.h"

#include <new>

EventQueue* QueueCreate(std::uint16_t capacity) {
    auto* queue = new (std::nothrow) EventQueue;
    if (queue == nullptr)
        return nullptr;
    queue->Start = new (std::nothrow) QueueItem[capacity == 0 ? 1 : capacity];
    if (queue->Start == nullptr) {
        delete queue;
        return nullptr;
    }
    queue->End = queue->Start + capacity;
    queue->NextPut = queue->Start;
    queue->NextGet = queue->Start;
    queue->Capacity = capacity;
    return queue;
}

void QueueDestroy(EventQueue* queue) {
    if (queue == nullptr)
        return;
    delete[] queue->Start;
    delete queue;
}

bool QueuePeek(EventQueue* queue, QueueItem& item) {
    if (queue->Count.load(std::memory_order_acquire) == 0)
        return false;
    item = *queue->NextGet;
    return true;
}

bool QueueDrop(EventQueue* queue) {
    if (queue->Count.load(std::memory_order_acquire) == 0)
        return false;
    if (++queue->NextGet == queue->End)
        queue->NextGet = queue->Start;
    queue->Count.fetch_sub(1, std::memory_order_release);
    return true;
}

bool QueueAppend(EventQueue* queue, const QueueItem& item) {
    if (queue->Count.load(std::memory_order_acquire) >= queue->Capacity)
        return false;
    *queue->NextPut = item;
    if (++queue->NextPut == queue->End)
        queue->NextPut = queue->Start;
    queue->Count.fetch_add(1, std::memory_order_release);
    return true;
}
