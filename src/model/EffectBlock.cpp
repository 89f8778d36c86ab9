// An effect's settings copied out of one preset and pasted into another.

#include "model/EffectBlock.h"

#include "model/DeviceMode.h"
#include "model/ParameterTable.h"
#include "model/Preset.h"
#include "model/SplitByte.h"

#include <charconv>
#include <sstream>

namespace {
const std::string kBlockHeading = "Quellfarn effect block";
// What a value pair carries.
constexpr int kLargestStoredValue = 255;

const std::vector<TParameterInfo>* BlockParameters(TParameterOwner owner, int effect) {
    if (owner == TParameterOwner::Analog && effect >= 0 && effect < kAnalogBlockCount)
        return &AnalogPages()[static_cast<std::size_t>(effect)].Parameters;
    if (owner == TParameterOwner::Digital && effect >= 0 && effect < kDigitalEffectTotal)
        return &DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters;
    return nullptr;
}

std::string BlockName(TParameterOwner owner, int effect) {
    if (owner == TParameterOwner::Analog && effect >= 0 && effect < kAnalogBlockCount)
        return std::string(AnalogBlocks()[static_cast<std::size_t>(effect)].Name);
    if (owner == TParameterOwner::Digital)
        return std::string(DigitalEffectName(effect));
    return {};
}

std::vector<int> SlotsIn(const TPreset& preset, TParameterOwner owner, int effect) {
    const std::vector<TParameterInfo>* parameters = BlockParameters(owner, effect);
    std::vector<int> slots;
    if (parameters == nullptr)
        return slots;
    if (owner == TParameterOwner::Analog) {
        if (!preset.AnalogOn[static_cast<std::size_t>(effect)])
            return slots;
        for (const TParameterInfo& parameter : *parameters)
            slots.push_back(parameter.Offset);
        return slots;
    }
    if (preset.DigitalGroup < 0 || preset.DigitalGroup >= DigitalGroupCount)
        return slots;
    const std::vector<int>& row = GroupRow(preset.DigitalGroup);
    int start = kDigitalAreaStart;
    for (std::size_t position = 0; position < row.size() && position < kDigitalPositions;
         ++position) {
        if (row[position] == effect) {
            if (!preset.DigitalOn[position])
                return slots;
            for (const TParameterInfo& parameter : *parameters)
                if (start + parameter.Offset < kParameterCount)
                    slots.push_back(start + parameter.Offset);
            // An effect whose parameters run past the area is not all there: not in the chain.
            if (slots.size() != parameters->size())
                slots.clear();
            return slots;
        }
        start += DigitalParameterCount(row[position]);
    }
    return slots;
}

std::optional<TPreset> Decoded(TByteView dump) {
    if (!IsPresetDump(dump))
        return std::nullopt;
    TPreset preset;
    try {
        preset.Decode(dump);
    } catch (const EPresetError&) {
        return std::nullopt;
    }
    return preset;
}

std::string_view BlankTrimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}
} // namespace

std::string TEffectBlock::Name() const {
    return BlockName(Owner, Effect);
}

// (slot, value): where, then what, as a message carries a parameter.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void PutParameterValue(TBytes& dump, int slot, int value) {
    TSplitByte pair;
    pair.SetValue(value);
    const auto at = static_cast<std::size_t>(DumpLayout::kParameterPairs + 2 * slot);
    dump[at] = pair.Lo;
    dump[at + 1] = pair.Hi;
}

std::vector<int> BlockSlots(TByteView dump, TParameterOwner owner, int effect) {
    const std::optional<TPreset> preset = Decoded(dump);
    return preset ? SlotsIn(*preset, owner, effect) : std::vector<int>{};
}

std::optional<TEffectBlock> CopyBlock(TByteView dump, TParameterOwner owner, int effect) {
    const std::optional<TPreset> preset = Decoded(dump);
    if (!preset)
        return std::nullopt;
    const std::vector<int> slots = SlotsIn(*preset, owner, effect);
    if (slots.empty())
        return std::nullopt;
    TEffectBlock block{owner, effect, {}, PresetTitleOf(dump)};
    for (const int slot : slots)
        block.Values.push_back(preset->ParameterValues[static_cast<std::size_t>(slot)]);
    return block;
}

std::string PasteBlock(TBytes& dump, const TEffectBlock& block) {
    const std::vector<TParameterInfo>* parameters = BlockParameters(block.Owner, block.Effect);
    if (parameters == nullptr || parameters->size() != block.Values.size())
        return "the copied block is not one of the unit's effects";
    const std::optional<TPreset> preset = Decoded(dump);
    if (!preset)
        return "not a preset";
    const std::vector<int> slots = SlotsIn(*preset, block.Owner, block.Effect);
    if (slots.empty())
        return "no " + block.Name() + " in its chain";
    for (std::size_t i = 0; i < slots.size(); ++i)
        PutParameterValue(dump, slots[i], block.Values[i]);
    return {};
}

std::string BlockText(const TEffectBlock& block) {
    std::string text =
        kBlockHeading + "\neffect: " + block.Name() + "\nfrom: " + block.From + "\nvalues:";
    for (const int value : block.Values)
        text += " " + std::to_string(value);
    return text + "\n";
}

std::optional<TEffectBlock> ReadBlockText(std::string_view text) {
    std::istringstream lines{std::string(text)};
    std::string line;
    if (!std::getline(lines, line) || BlankTrimmed(line) != kBlockHeading)
        return std::nullopt;
    TEffectBlock block;
    bool haveValues = false;
    while (std::getline(lines, line)) {
        const std::string_view trimmed = BlankTrimmed(line);
        if (trimmed.empty())
            continue;
        const auto colon = trimmed.find(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = trimmed.substr(0, colon);
        const std::string_view value = BlankTrimmed(trimmed.substr(colon + 1));
        if (key == "effect") {
            block.Owner = TParameterOwner::None;
            for (int b = 0; b < kAnalogBlockCount; ++b)
                if (AnalogBlocks()[static_cast<std::size_t>(b)].Name == value)
                    block = {TParameterOwner::Analog, b, {}, block.From};
            for (int e = 0; e < kDigitalEffectTotal; ++e)
                if (DigitalEffectName(e) == value)
                    block = {TParameterOwner::Digital, e, {}, block.From};
        } else if (key == "from") {
            // Only what a title can hold.
            block.From.clear();
            for (const char c : value.substr(0, kTitleLength))
                if (c >= 0x20 && c <= 0x7E)
                    block.From += c;
        } else if (key == "values") {
            haveValues = true;
            block.Values.clear();
            std::istringstream numbers{std::string(value)};
            std::string word;
            while (numbers >> word) {
                int number = -1;
                const auto [end, error] =
                    std::from_chars(word.data(), word.data() + word.size(), number);
                if (error != std::errc() || end != word.data() + word.size() || number < 0 ||
                    number > kLargestStoredValue)
                    return std::nullopt;
                block.Values.push_back(number);
            }
        } else {
            return std::nullopt;
        }
    }
    const std::vector<TParameterInfo>* parameters = BlockParameters(block.Owner, block.Effect);
    if (!haveValues || parameters == nullptr || parameters->size() != block.Values.size())
        return std::nullopt;
    return block;
}
