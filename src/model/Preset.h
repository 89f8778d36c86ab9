#pragma once
// The preset record and its 258-byte dump, which is also the ".tmq" preset file.

#include "model/Protocol.h"

#include <array>
#include <istream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>

// Raised by the preset model with the text the user is shown.
class EPresetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

inline constexpr int kParameterCount = 55;
inline constexpr int kAnalogBlockCount = 12;
inline constexpr int kK27StateCount = 10;
inline constexpr int kDigitalPositions = 5;
inline constexpr int kPerfMidiCount = 8;
inline constexpr int kFirstAnalogSlot = 3;
inline constexpr int kDigitalAreaStart = 37;
inline constexpr int kDigitalAreaSize = 18;

// Where the record's fields stand in its dump (byte offsets; a pair is two bytes of 7 bits).
namespace DumpLayout {
inline constexpr int kDeviceByte = 2;
inline constexpr int kK27Pair = 5;
inline constexpr int kK27HighPair = 7;
inline constexpr int kAnalogPair = 9;
inline constexpr int kAnalogHighPair = 11;
inline constexpr int kGroupPair = 13;
inline constexpr int kDigitalOnPair = 15;
inline constexpr int kParameterPairs = 17;
inline constexpr int kPerfInUsePair = 159;
inline constexpr int kAssignments = 161;
inline constexpr int kAssignmentSize = 12;
} // namespace DumpLayout

// The foot switches in the record's order: what the editor calls each and its box's name.
struct TFootSwitchName {
    const char* Caption;
    const char* Control;
};
inline constexpr std::array<TFootSwitchName, kK27StateCount> kFootSwitchNames = {{
    {"Equalizer", "chkK27equ"},
    {"Reverb", "chkK27rev"},
    {"Delay", "chkK27dly"},
    {"Pitch Transposer", "chkK27ptr"},
    {"Flanger/Chorus", "chkK27fla"},
    {"Special Effects", "chkK27sfx"},
    {"Exciter", "chkK27exc"},
    {"Compressor", "chkK27cmp"},
    {"Distortion", "chkK27dst"},
    {"Expander/Noise gate", "chkK27exp"},
}};

// One performance MIDI assignment.
class TPerfMIDI {
public:
    int Controller = 4; // 0..128; 128 = "OFF"
    int LowValue = 0;
    int HighValue = 127;
    int Parameter = 0; // ParameterNumber: slot + 1, or 0
    int Flags = 0;
    bool RangeSet = false;

    void Reset() { *this = TPerfMIDI(); }
    bool operator==(const TPerfMIDI&) const = default;
};

// bit 0..7 of the byte; a higher bit number is an error.
bool BitIsSet(std::uint8_t byte, int bit);

class TPreset {
public:
    TPreset(); // defaults, with the device byte configured at this moment

    std::array<std::uint8_t, 5> Header{};
    std::array<bool, kK27StateCount> K27States{};
    std::array<bool, kAnalogBlockCount> AnalogOn{};
    int DigitalGroup = -1; // -1 until determined
    std::array<bool, kDigitalPositions> DigitalOn{};
    std::array<int, kParameterCount> ParameterValues{};
    std::string Title = "My new preset";
    std::array<bool, kPerfMidiCount> PerfInUse{};
    std::array<std::unique_ptr<TPerfMIDI>, kPerfMidiCount> PerfMIDI;
    std::uint8_t Trailer = kSysexEnd; // as loaded; a dump is always written with F7
    std::array<std::uint8_t, PresetDumpLength> LoadedDump{};
    bool HasLoadedDump = false;

    // Reads a dump from the start of the stream. A failure changes nothing; a dump whose
    // device byte is not a data byte or whose last byte is not F7 is refused.
    void LoadFromStream(std::istream& stream);
    // Writes the record as 258 bytes at the stream's position: one well-formed SysEx message.
    void SaveToStream(std::ostream& stream) const;
    TBytes Encode() const;
    void Decode(TByteView dump); // exactly what LoadFromStream does, from bytes

    // The record differs from the dump it was loaded from (false when never loaded).
    bool IsModified() const;

    int GetDigitalGroup() const { return DigitalGroup; }
    void SetDigitalGroup(int group) { DigitalGroup = group; }
    bool GetAnalogOn(int block) const;
    void SetAnalogOn(int block, bool on);
    bool GetDigitalOn(int position) const;
    void SetDigitalOn(int position, bool on);
    // Position of the switch box in the order exc, cmp, dst, equ, exp, rev, dly, ptr, fla, sfx.
    void SetK27State(int checkBoxPosition, bool on);

    // The value an assignment names: its parameter's present value, 0 when it names none.
    int CurrentValueOf(const TPerfMIDI& assignment) const;
};
