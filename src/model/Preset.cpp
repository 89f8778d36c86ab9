// Preset record: the dump, byte by byte.

#include "model/Preset.h"

#include "model/ParameterTable.h"
#include "model/SplitByte.h"

#include <algorithm>

namespace {
using namespace DumpLayout;

class Writer {
public:
    explicit Writer(TBytes& bytes) : bytes(bytes) {}
    void Byte(std::uint8_t value) { bytes.push_back(value); }
    void Value(int value) {
        TSplitByte pair;
        pair.SetValue(value);
        bytes.push_back(pair.Lo);
        bytes.push_back(pair.Hi);
    }
    template <class Flags> void FlagGroup(const Flags& flags, int first, int count) {
        int value = 0;
        for (int k = 0; k < count; ++k)
            if (flags[static_cast<std::size_t>(first + k)])
                value |= 1 << k;
        Value(value);
    }

private:
    TBytes& bytes;
};

int ValueAt(TByteView dump, int offset) {
    TSplitByte pair;
    return pair.Join(dump[static_cast<std::size_t>(offset)],
                     dump[static_cast<std::size_t>(offset) + 1]);
}

// The value pair at an offset of the dump.
TByteView PairAt(TByteView dump, int offset) {
    return dump.subspan(static_cast<std::size_t>(offset), 2);
}

// Flag k of a pair: bits 0..6 of the first byte, an eighth in bit 0 of the second.
bool FlagAt(TByteView pair, int k) {
    if (k < 7)
        return BitIsSet(pair[0], k);
    return BitIsSet(pair[1], k - 7);
}

// A title byte above 0x7F would put a byte with its top bit inside the SysEx message.
std::uint8_t TitleByte(char c) {
    const auto byte = static_cast<std::uint8_t>(c);
    return byte > 0x7F ? '?' : byte;
}
} // namespace

bool BitIsSet(std::uint8_t byte, int bit) {
    if (bit < 0 || bit > 7)
        throw EPresetError("ERROR! Bit to check is out of range!");
    return (byte >> bit & 1) != 0;
}

TPreset::TPreset() {
    Header = {kSysexStart, kManufacturerByte, DeviceId, kModelByte, kPresetDumpCode};
    for (int slot = 0; slot < kParameterCount; ++slot)
        ParameterValues[static_cast<std::size_t>(slot)] = DefaultParameterValue(slot);
    for (auto& assignment : PerfMIDI)
        assignment = std::make_unique<TPerfMIDI>();
}

bool TPreset::GetAnalogOn(int block) const {
    return block >= 0 && block < kAnalogBlockCount && AnalogOn[static_cast<std::size_t>(block)];
}

void TPreset::SetAnalogOn(int block, bool on) {
    if (block >= 0 && block < kAnalogBlockCount)
        AnalogOn[static_cast<std::size_t>(block)] = on;
}

bool TPreset::GetDigitalOn(int position) const {
    return position >= 0 && position < kDigitalPositions &&
           DigitalOn[static_cast<std::size_t>(position)];
}

void TPreset::SetDigitalOn(int position, bool on) {
    if (position >= 0 && position < kDigitalPositions)
        DigitalOn[static_cast<std::size_t>(position)] = on;
}

void TPreset::SetK27State(int checkBoxPosition, bool on) {
    static constexpr int kIndexOfBox[kK27StateCount] = {6, 7, 8, 0, 9, 1, 2, 3, 4, 5};
    if (checkBoxPosition >= 0 && checkBoxPosition < kK27StateCount)
        K27States[static_cast<std::size_t>(kIndexOfBox[checkBoxPosition])] = on;
}

int TPreset::CurrentValueOf(const TPerfMIDI& assignment) const {
    if (assignment.Parameter >= 1 && assignment.Parameter <= kParameterCount)
        return ParameterValues[static_cast<std::size_t>(assignment.Parameter - 1)];
    return 0;
}

TBytes TPreset::Encode() const {
    TBytes bytes;
    bytes.reserve(PresetDumpLength);
    Writer out(bytes);
    // The frame is always whole: a header byte edited into a status byte would end the
    // message early, and anything but F7 at the end would leave it open.
    out.Byte(kSysexStart);
    for (std::size_t i = 1; i < Header.size(); ++i)
        out.Byte(static_cast<std::uint8_t>(Header[i] & 0x7F));
    out.FlagGroup(K27States, 0, 8);
    out.FlagGroup(K27States, 8, 2);
    out.FlagGroup(AnalogOn, 0, 8);
    out.FlagGroup(AnalogOn, 8, 4);
    out.Value(DigitalGroup);
    out.FlagGroup(DigitalOn, 0, kDigitalPositions);
    for (int value : ParameterValues)
        out.Value(value);
    for (int i = 0; i < kTitleLength; ++i) {
        out.Byte(static_cast<std::size_t>(i) < Title.size()
                     ? TitleByte(Title[static_cast<std::size_t>(i)])
                     : ' ');
        out.Byte(0);
    }
    out.FlagGroup(PerfInUse, 0, kPerfMidiCount);
    for (const auto& assignment : PerfMIDI) {
        if (!assignment) {
            bytes.insert(bytes.end(), kAssignmentSize, 0);
            continue;
        }
        out.Value(assignment->Controller);
        out.Value(assignment->LowValue);
        out.Value(assignment->HighValue);
        out.Value(assignment->Parameter);
        out.Value(CurrentValueOf(*assignment));
        out.Value(assignment->Flags);
    }
    out.Byte(kSysexEnd);
    return bytes;
}

void TPreset::SaveToStream(std::ostream& stream) const {
    const TBytes bytes = Encode();
    stream.write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
}

void TPreset::LoadFromStream(std::istream& stream) {
    stream.clear();
    stream.seekg(0);
    std::array<std::uint8_t, PresetDumpLength> dump{};
    stream.read(reinterpret_cast<char*>(dump.data()), PresetDumpLength);
    if (stream.gcount() != PresetDumpLength)
        throw EPresetError("Stream read error");
    Decode(dump);
}

void TPreset::Decode(TByteView dump) {
    if (dump.size() < static_cast<std::size_t>(PresetDumpLength))
        throw EPresetError("Stream read error");
    if (!IsPresetDump(dump.first(PresetDumpLength)))
        throw EPresetError("Not a valid preset file");
    std::copy_n(dump.begin(), PresetDumpLength, LoadedDump.begin());
    HasLoadedDump = true;
    std::copy_n(dump.begin(), Header.size(), Header.begin());
    for (int k = 0; k < 8; ++k)
        K27States[static_cast<std::size_t>(k)] = FlagAt(PairAt(dump, kK27Pair), k);
    for (int k = 0; k < 2; ++k)
        K27States[static_cast<std::size_t>(8 + k)] = FlagAt(PairAt(dump, kK27HighPair), k);
    for (int k = 0; k < 8; ++k)
        AnalogOn[static_cast<std::size_t>(k)] = FlagAt(PairAt(dump, kAnalogPair), k);
    for (int k = 0; k < 4; ++k)
        AnalogOn[static_cast<std::size_t>(8 + k)] = FlagAt(PairAt(dump, kAnalogHighPair), k);
    DigitalGroup = ValueAt(dump, kGroupPair);
    for (int k = 0; k < kDigitalPositions; ++k)
        DigitalOn[static_cast<std::size_t>(k)] = FlagAt(PairAt(dump, kDigitalOnPair), k);
    for (int slot = 0; slot < kParameterCount; ++slot)
        ParameterValues[static_cast<std::size_t>(slot)] = ValueAt(dump, kParameterPairs + 2 * slot);
    Title = PresetTitleOf(dump);
    for (int k = 0; k < kPerfMidiCount; ++k)
        PerfInUse[static_cast<std::size_t>(k)] = FlagAt(PairAt(dump, kPerfInUsePair), k);
    for (int i = 0; i < kPerfMidiCount; ++i) {
        auto& assignment = PerfMIDI[static_cast<std::size_t>(i)];
        if (!assignment)
            assignment = std::make_unique<TPerfMIDI>();
        const int at = kAssignments + kAssignmentSize * i;
        assignment->Controller = ValueAt(dump, at);
        assignment->LowValue = ValueAt(dump, at + 2);
        assignment->HighValue = ValueAt(dump, at + 4);
        assignment->Parameter = ValueAt(dump, at + 6);
        assignment->Flags = ValueAt(dump, at + 10);
        assignment->RangeSet = PerfInUse[static_cast<std::size_t>(i)];
    }
    Trailer = dump[PresetDumpLength - 1];
}

bool TPreset::IsModified() const {
    if (!HasLoadedDump)
        return false;
    const TBytes now = Encode();
    return !std::equal(now.begin(), now.end(), LoadedDump.begin(), LoadedDump.end());
}
