// The difference of two presets checked both ways and against the bytes.

#include "PresetDiffProperties.h"

#include "model/PresetDiff.h"

#include <algorithm>

namespace {
constexpr std::size_t kData = PresetDumpLength - 6; // between F0 1A dd 13 05 and F7

TBytes Framed(const std::uint8_t* data, std::size_t size, std::uint8_t device) {
    TBytes dump = {kSysexStart, kManufacturerByte, device, kModelByte, kPresetDumpCode};
    for (std::size_t i = 0; i < kData; ++i)
        dump.push_back(i < size ? static_cast<std::uint8_t>(data[i] & 0x7F) : 0);
    dump.push_back(kSysexEnd);
    return dump;
}

std::string Lines(const std::vector<TPresetChange>& changes) {
    std::string text;
    for (const TPresetChange& change : changes)
        text += "\n  " + change.Text();
    return text;
}
} // namespace

std::string CheckPresetDiffProperties(const std::uint8_t* data, std::size_t size) {
    const TBytes a = Framed(data, size, 0);
    TBytes b = a;
    std::size_t at = kData;
    for (; at + 1 < size; at += 2)
        b[5 + data[at] % kData] = static_cast<std::uint8_t>(data[at + 1] & 0x7F);
    if (at < size)
        b[2] = static_cast<std::uint8_t>(data[at] & 0x7F);

    for (const TBytes* dump : {&a, static_cast<const TBytes*>(&b)})
        if (const auto self = DiffPresets(*dump, *dump); !self.empty())
            return "a preset differs from itself:" + Lines(self);
    const std::vector<TPresetChange> forth = DiffPresets(a, b);
    const std::vector<TPresetChange> back = DiffPresets(b, a);
    TBytes sameDevice = b;
    sameDevice[2] = a[2];
    if (forth.empty() != (sameDevice == a))
        return forth.empty() ? "presets with other bytes differ in nothing"
                             : "presets with the same bytes differ:" + Lines(forth);
    std::vector<TPresetChange> reversed;
    for (const TPresetChange& change : forth)
        reversed.push_back(change.Reversed());
    if (reversed != back)
        return "the other way round is not the same changes reversed:" + Lines(forth) +
               "\nthe other way:" + Lines(back);
    return {};
}
