// SysEx messages of the processor.

#include "model/Protocol.h"

#include <algorithm>

namespace {
std::uint8_t Seven(int value) {
    return static_cast<std::uint8_t>(value & 0x7F);
}

TBytes Message(std::uint8_t device, std::initializer_list<std::uint8_t> body) {
    TBytes bytes;
    bytes.reserve(5 + body.size());
    for (std::uint8_t byte : {kSysexStart, kManufacturerByte, Seven(device), kModelByte})
        bytes.push_back(byte);
    for (std::uint8_t byte : body)
        bytes.push_back(byte);
    bytes.push_back(kSysexEnd);
    return bytes;
}

// Device byte, then command: the message's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::optional<TBytes> PresetIndexMessage(std::uint8_t device, std::uint8_t command, int index) {
    if (index < 0 || index > kMaxPresetIndex || device > 0x7F)
        return std::nullopt;
    const TPresetIndexBytes bytes = SplitPresetIndex(index);
    return Message(device, {command, bytes.Low, bytes.High});
}
} // namespace

TBytes RequestCurrentPresetMessage(std::uint8_t device) {
    return Message(device, {kRequestCurrentPresetCode});
}

std::optional<TBytes> SelectPresetMessage(std::uint8_t device, int presetIndex) {
    return PresetIndexMessage(device, kSelectPresetCode, presetIndex);
}

// Device byte, then address: the message's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TBytes RequestParameterMessage(std::uint8_t device, std::uint8_t address) {
    return Message(device, {kRequestParameterCode, Seven(address)});
}

TBytes SetBankMessage(std::uint8_t device, int bank) {
    return Message(device, {kParameterCode, kBankAddress, Seven(bank)});
}

TBytes SetBypassMessage(std::uint8_t device, bool on) {
    return Message(device, {kParameterCode, kBypassAddress, static_cast<std::uint8_t>(on ? 1 : 0)});
}

TBytes RequestAllPresetsMessage(std::uint8_t device, const TDeviceMode& mode) {
    return Message(device, {mode.BulkRequestCode});
}

TBytes RequestProgramTableMessage(std::uint8_t device, const TDeviceMode& mode) {
    return Message(device, {mode.MptRequestCode});
}

std::optional<TBytes> StorePresetMessage(std::uint8_t device, int presetNumber) {
    return PresetIndexMessage(device, kStorePresetCode, presetNumber - 1);
}

// The bytes in the message's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TBytes ParameterReplyMessage(std::uint8_t device, std::uint8_t address, std::uint8_t value,
                             std::uint8_t high) {
    return Message(device, {kParameterCode, Seven(address), Seven(value), Seven(high)});
}

bool HasProcessorHeader(TByteView bytes, std::uint8_t command) {
    return bytes.size() >= 5 && bytes[0] == kSysexStart && bytes[1] == kManufacturerByte &&
           bytes[2] <= 0x7F && bytes[3] == kModelByte && bytes[4] == command;
}

std::optional<TParameterReply> ParseParameterReply(TByteView bytes) {
    if (bytes.size() < 8 || !HasProcessorHeader(bytes, kParameterCode))
        return std::nullopt;
    return TParameterReply{bytes[5], bytes[6], bytes[7]};
}

bool IsPresetDump(TByteView bytes) {
    return bytes.size() == PresetDumpLength && HasProcessorHeader(bytes, kPresetDumpCode) &&
           bytes.back() == kSysexEnd;
}

// The two are alike: either order gives the same answer.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool SameDumpAnyDevice(TByteView a, TByteView b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (i != 2 && a[i] != b[i])
            return false;
    return true;
}

bool IsMptDump(TByteView bytes, const TDeviceMode& mode) {
    return bytes.size() == static_cast<std::size_t>(mode.MptDumpLength) &&
           HasProcessorHeader(bytes, mode.MptReplyCode) && bytes.back() == kSysexEnd;
}

bool IsWellFormedSysex(TByteView bytes) {
    return bytes.size() >= 2 && bytes.front() == kSysexStart && bytes.back() == kSysexEnd &&
           std::all_of(bytes.begin() + 1, bytes.end() - 1,
                       [](std::uint8_t byte) { return byte <= 0x7F; });
}

std::string PresetTitleOf(TByteView dump) {
    std::string title;
    for (int i = 0; i < kTitleLength; ++i) {
        const std::size_t at = static_cast<std::size_t>(kTitleOffset + 2 * i);
        if (at < dump.size())
            title.push_back(static_cast<char>(dump[at]));
    }
    const auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    std::size_t first = 0;
    while (first < title.size() && blank(title[first]))
        ++first;
    std::size_t last = title.size();
    while (last > first && blank(title[last - 1]))
        --last;
    return title.substr(first, last - first);
}

std::string DescribeReply(TByteView bytes, const TDeviceMode& mode) {
    if (IsPresetDump(bytes)) {
        const std::string title = PresetTitleOf(bytes);
        return "Preset dump: " + (title.empty() ? std::string("(untitled)") : title);
    }
    if (IsMptDump(bytes, mode))
        return "Program table: " + std::to_string(mode.MptEntryCount) + " entries";
    const auto reply = ParseParameterReply(bytes);
    if (!reply)
        return {};
    const std::string value = std::to_string(reply->Value);
    switch (reply->Address) {
    case kBypassAddress:
        return std::string("Parameter reply: bypass ") + (reply->Value == 1 ? "on" : "off");
    case kBankAddress:
        // The link takes a bank it does not know as no bank at all.
        if (reply->Value < 4)
            return std::string("Parameter reply: bank ") + BankLetters[reply->Value];
        return "Parameter reply: bank unknown (" + value + ")";
    case kPresetNumberAddress:
        return "Parameter reply: current preset " +
               std::to_string(reply->Value + 1 + (reply->High == 1 ? 128 : 0));
    default:
        return "Parameter reply: address " + std::to_string(reply->Address) + ", value " + value;
    }
}

TRequest ClassifyRequest(TByteView bytes, const TDeviceMode& mode) {
    TRequest request;
    if (bytes.size() < 6 || bytes[0] != kSysexStart || bytes[1] != kManufacturerByte ||
        bytes[3] != kModelByte)
        return request;
    // Inside a SysEx message every byte after the start is 7-bit; anything else is garbled.
    const std::size_t fields = std::min<std::size_t>(bytes.size() - 1, 8);
    for (std::size_t i = 2; i < fields; ++i)
        if (bytes[i] > 0x7F)
            return request;
    const std::uint8_t command = bytes[4];
    const std::size_t size = bytes.size();
    if (command == kRequestCurrentPresetCode) {
        request.Kind = TRequestKind::RequestCurrentPreset;
    } else if (command == kSelectPresetCode && size >= 8) {
        request.Kind = TRequestKind::SelectPreset;
        request.Index = bytes[5] + 128 * bytes[6];
    } else if (command == kRequestParameterCode && size >= 7) {
        request.Kind = TRequestKind::RequestParameter;
        request.Address = bytes[5];
    } else if (command == kParameterCode && size >= 8) {
        request.Kind = TRequestKind::SetParameter;
        request.Address = bytes[5];
        request.Value = bytes[6];
    } else if (command == mode.BulkRequestCode) {
        request.Kind = TRequestKind::RequestAllPresets;
    } else if (command == mode.MptRequestCode) {
        request.Kind = TRequestKind::RequestProgramTable;
    } else if (command == kStorePresetCode && size >= 8) {
        request.Kind = TRequestKind::StorePreset;
        request.Index = bytes[5] + 128 * bytes[6];
    } else if (IsPresetDump(bytes)) {
        request.Kind = TRequestKind::PresetDump;
    } else if (IsMptDump(bytes, mode)) {
        request.Kind = TRequestKind::ProgramTable;
    }
    return request;
}
