#pragma once
// The received MIDI event and the holder of a SysEx buffer lent to the service.

#include "midi/Midicons.h"

#include <cstdint>
#include <memory>

// One received MIDI message with its time stamp; SysEx carries its own bytes.
class TMyMidiEvent {
public:
    std::uint8_t StatusByte = 0;
    std::uint8_t DataByte1 = 0;
    std::uint8_t DataByte2 = 0;
    std::uint32_t TimeStamp = 0; // milliseconds since input was started
    std::uint16_t SysexSize = 0;
    std::unique_ptr<std::uint8_t[]> SysexData; // null for short messages and empty buffers
};

// Owns one platform header and the data block it points at.
class TMyMidiHdr {
public:
    explicit TMyMidiHdr(std::uint16_t size);

    std::unique_ptr<MIDIHDR> HeaderBlock;
    std::unique_ptr<std::uint8_t[]> DataBlock;
};
