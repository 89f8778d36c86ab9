// Program table message.

#include "model/Mpt.h"

#include "model/Preset.h"
#include "model/SplitByte.h"

#include <algorithm>

Tmpt::Tmpt() {
    MptHeader = {kSysexStart, kManufacturerByte, DeviceId, kModelByte, MptReplyCode};
    ResetEntries();
}

void Tmpt::ResetEntries() {
    for (int i = 0; i < kMptEntryTotal; ++i)
        MptEntries[static_cast<std::size_t>(i)] = i;
}

TBytes Tmpt::Encode(const TDeviceMode& mode) const {
    // The frame is always whole, whatever the header and trailer fields were set to.
    TBytes bytes{kSysexStart};
    for (std::size_t i = 1; i < MptHeader.size(); ++i)
        bytes.push_back(static_cast<std::uint8_t>(MptHeader[i] & 0x7F));
    for (int i = 0; i < mode.MptEntryCount && i < kMptEntryTotal; ++i) {
        TSplitByte pair;
        pair.SetValue(MptEntries[static_cast<std::size_t>(i)]);
        bytes.push_back(pair.Lo);
        bytes.push_back(pair.Hi);
    }
    bytes.push_back(kSysexEnd);
    return bytes;
}

void Tmpt::Save(std::ostream& stream, const TDeviceMode& mode) const {
    const TBytes bytes = Encode(mode);
    stream.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
}

void Tmpt::Decode(TByteView message, const TDeviceMode& mode) {
    if (message.size() < static_cast<std::size_t>(mode.MptDumpLength))
        throw EPresetError("Stream read error");
    if (!IsMptDump(message.first(static_cast<std::size_t>(mode.MptDumpLength)), mode))
        throw EPresetError("Not a valid MPT file");
    std::copy_n(message.begin(), MptHeader.size(), MptHeader.begin());
    for (int i = 0; i < mode.MptEntryCount && i < kMptEntryTotal; ++i) {
        TSplitByte pair;
        const std::size_t at = 5 + 2 * static_cast<std::size_t>(i);
        MptEntries[static_cast<std::size_t>(i)] = pair.Join(message[at], message[at + 1]);
    }
    MptTrailer = message[static_cast<std::size_t>(mode.MptDumpLength) - 1];
}

void Tmpt::Load(std::istream& stream, const TDeviceMode& mode) {
    stream.clear();
    stream.seekg(0);
    TBytes message(static_cast<std::size_t>(mode.MptDumpLength));
    stream.read(reinterpret_cast<char*>(message.data()), mode.MptDumpLength);
    if (stream.gcount() != mode.MptDumpLength)
        throw EPresetError("Stream read error");
    Decode(message, mode);
}
