#pragma once
// The processor's MIDI program table: which preset each program change selects. The
// table message is also the ".mpt" file.

#include "model/DeviceMode.h"
#include "model/Protocol.h"

#include <array>
#include <istream>
#include <ostream>

inline constexpr int kMptEntryTotal = 200;

class Tmpt {
public:
    Tmpt(); // header from the current mode and device byte, default entries

    std::array<std::uint8_t, 5> MptHeader{};
    // Entry i: the 0-based preset that program change i + 1 selects.
    std::array<int, kMptEntryTotal> MptEntries{};
    std::uint8_t MptTrailer = kSysexEnd; // as loaded; a table is always written with F7

    void ResetEntries();
    // Reads the mode's message length from the start of the stream. A short stream, or one
    // that is not a table message of the mode (IsMptDump), fails and changes nothing.
    void Load(std::istream& stream, const TDeviceMode& mode = Mode);
    // Exactly the mode's message length, one well-formed SysEx message.
    void Save(std::ostream& stream, const TDeviceMode& mode = Mode) const;
    TBytes Encode(const TDeviceMode& mode = Mode) const;
    void Decode(TByteView message, const TDeviceMode& mode = Mode);
};
