#pragma once
// A virtual MIDI device that keeps everything the program sends to it.

#include "midi/VirtualMidiService.h"

#include <mutex>
#include <vector>

class RecordingDevice : public VirtualMidiDevice {
public:
    using Bytes = std::vector<std::uint8_t>;

    void Connect(Transmitter) override {}
    void Receive(const std::uint8_t* bytes, std::size_t count) override {
        const std::lock_guard lock(mutex);
        chunks.emplace_back(bytes, bytes + count);
    }
    // Each message as it arrived.
    std::vector<Bytes> Chunks() {
        const std::lock_guard lock(mutex);
        return chunks;
    }
    // Everything, one byte after the other.
    Bytes Received() {
        const std::lock_guard lock(mutex);
        Bytes all;
        for (const Bytes& chunk : chunks)
            all.insert(all.end(), chunk.begin(), chunk.end());
        return all;
    }
    void Clear() {
        const std::lock_guard lock(mutex);
        chunks.clear();
    }

private:
    std::mutex mutex;
    std::vector<Bytes> chunks;
};
