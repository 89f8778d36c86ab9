#pragma once
// The processor's SysEx protocol as pure functions over bytes: the messages the program
// sends, and the recognition of what comes back (and, for the simulator, of requests).

#include "model/DeviceMode.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

using TBytes = std::vector<std::uint8_t>;
using TByteView = std::span<const std::uint8_t>;

inline constexpr std::uint8_t kSysexStart = 0xF0;
inline constexpr std::uint8_t kSysexEnd = 0xF7;
inline constexpr std::uint8_t kManufacturerByte = 0x1A;
inline constexpr std::uint8_t kModelByte = 0x13;

inline constexpr int PresetDumpLength = 258;
inline constexpr std::uint8_t kPresetDumpCode = 0x05;
inline constexpr std::uint8_t kRequestCurrentPresetCode = 0x45;
inline constexpr std::uint8_t kSelectPresetCode = 0x09;
inline constexpr std::uint8_t kRequestParameterCode = 0x43;
inline constexpr std::uint8_t kParameterCode = 0x03; // set a parameter, or its reply
inline constexpr std::uint8_t kStorePresetCode = 0x0A;

// Parameter addresses.
inline constexpr std::uint8_t kBypassAddress = 0;
inline constexpr std::uint8_t kBankAddress = 9;
inline constexpr std::uint8_t kPresetNumberAddress = 64;

inline constexpr const char BankLetters[] = "ABCD";
inline constexpr int kTitleOffset = 127;
inline constexpr int kTitleLength = 16;

// Requests and commands, each a complete SysEx message with the given device byte (0..127;
// only its low seven bits are sent, so the message stays well formed).
TBytes RequestCurrentPresetMessage(std::uint8_t device);
// Nothing when the index lies outside 0..255 or the device byte above 127: masking either
// would select, or overwrite, another preset or another unit's.
[[nodiscard]] std::optional<TBytes> SelectPresetMessage(std::uint8_t device,
                                                        int presetIndex); // 0-based
TBytes RequestParameterMessage(std::uint8_t device, std::uint8_t address);
TBytes SetBankMessage(std::uint8_t device, int bank);
TBytes SetBypassMessage(std::uint8_t device, bool on);
TBytes RequestAllPresetsMessage(std::uint8_t device, const TDeviceMode& mode = Mode);
TBytes RequestProgramTableMessage(std::uint8_t device, const TDeviceMode& mode = Mode);
[[nodiscard]] std::optional<TBytes> StorePresetMessage(std::uint8_t device,
                                                       int presetNumber); // 1-based, 1..256
TBytes ParameterReplyMessage(std::uint8_t device, std::uint8_t address, std::uint8_t value,
                             std::uint8_t high);

// The preset index as the two 7-bit bytes the processor expects: index mod 128, index div 128.
struct TPresetIndexBytes {
    std::uint8_t Low;
    std::uint8_t High;
};
constexpr TPresetIndexBytes SplitPresetIndex(int index) {
    return {static_cast<std::uint8_t>(index % 128), static_cast<std::uint8_t>(index / 128)};
}

// F0 1A dd 13 03 aa vv hh ...: at least 8 bytes; the device byte is not checked.
struct TParameterReply {
    std::uint8_t Address;
    std::uint8_t Value;
    std::uint8_t High;
};
std::optional<TParameterReply> ParseParameterReply(TByteView bytes);

inline constexpr int kMaxPresetIndex = 255; // what the two 7-bit index bytes are allowed to carry

// F0 1A dd 13 command; any device byte of a data byte's range.
bool HasProcessorHeader(TByteView bytes, std::uint8_t command);
// Recognised by length, header and the closing F7: a damaged file is not sent back as it is.
bool IsPresetDump(TByteView bytes);
bool IsMptDump(TByteView bytes, const TDeviceMode& mode = Mode);
// The same bytes but for the device byte of the header, which each unit puts in its own.
bool SameDumpAnyDevice(TByteView a, TByteView b);
// F0, data bytes only, F7: a message that can be sent as one SysEx as it stands.
bool IsWellFormedSysex(TByteView bytes);
// The dump's 16 title characters without leading and trailing blanks and control characters.
std::string PresetTitleOf(TByteView dump);

// What a message the processor sends means, as the user reads it: "Preset dump: Slap Bass",
// "Program table: 200 entries", "Parameter reply: bank C"... Empty for any other message.
std::string DescribeReply(TByteView bytes, const TDeviceMode& mode = Mode);

// What a message to the processor asks of it; the simulated processor acts on this.
enum class TRequestKind {
    Unknown,
    RequestCurrentPreset,
    SelectPreset,     // Index
    RequestParameter, // Address
    SetParameter,     // Address, Value
    RequestAllPresets,
    RequestProgramTable,
    StorePreset, // Index (0-based slot)
    PresetDump,
    ProgramTable,
};
struct TRequest {
    TRequestKind Kind = TRequestKind::Unknown;
    int Index = 0;
    std::uint8_t Address = 0;
    std::uint8_t Value = 0;
};
TRequest ClassifyRequest(TByteView bytes, const TDeviceMode& mode = Mode);
