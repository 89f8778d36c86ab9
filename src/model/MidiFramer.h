#pragma once
// Turns a MIDI byte stream, arriving in pieces of any size, back into messages: channel and
// system messages packed into one word, each SysEx into the buffers its owner lends, and
// real-time bytes wherever they fall, even inside a SysEx.

#include <cstdint>

// Number of bytes of the message that starts with this status byte (0 for a data byte or
// SysEx, whose length is its own).
constexpr int MidiMessageLength(std::uint8_t status) {
    if (status < 0x80)
        return 0;
    if (status < 0xC0 || (status >= 0xE0 && status < 0xF0))
        return 3;
    if (status < 0xE0)
        return 2;
    switch (status) {
    case 0xF0:
        return 0;
    case 0xF1:
    case 0xF3:
        return 2;
    case 0xF2:
        return 3;
    default:
        return 1;
    }
}

class TMidiFramer {
public:
    // Memory for SysEx bytes, lent by the receiver until it comes back through BufferDone.
    struct TBuffer {
        std::uint8_t* Data = nullptr;
        std::uint32_t Length = 0;
    };

    class TReceiver {
    public:
        virtual ~TReceiver() = default;
        // status | first data byte << 8 | second data byte << 16, with the time of its
        // first byte.
        virtual void ShortMessage(std::uint32_t packed, std::uint32_t time) = 0;
        // The next free buffer for a SysEx; one without Data when none is free.
        virtual TBuffer NextBuffer() = 0;
        // The buffer handed out last comes back holding `recorded` bytes: full (the message
        // goes on in the next one), at the message's end, on a reset, or cut short by a new
        // status byte. The time is that of the message's F0.
        virtual void BufferDone(std::uint32_t recorded, bool cut, std::uint32_t time) = 0;
        // A SysEx was dropped, from where no buffer was free to its end.
        virtual void MessageLost() = 0;
    };

    explicit TMidiFramer(TReceiver& receiver) : receiver(receiver) {}

    void ByteIn(std::uint8_t byte, std::uint32_t now);
    // Input stops: the buffer in use comes back as it stands and running status is forgotten.
    void Reset();
    bool HoldsBuffer() const { return buffer.Data != nullptr; }

private:
    void PutSysex(std::uint8_t byte);
    void EndSysex(bool cut);
    void ReturnBuffer(bool cut);

    TReceiver& receiver;
    TBuffer buffer;
    std::uint32_t recorded = 0;
    bool inSysex = false;
    bool sysexLost = false;
    std::uint8_t runningStatus = 0;
    std::uint8_t data[2] = {0, 0};
    int collected = 0;
    std::uint32_t messageTime = 0;
};
