// Effect catalogue and digital groups.

#include "model/EffectCatalogue.h"

#include "model/ParameterTable.h"

#include <algorithm>

namespace {
const std::array<std::vector<int>, kDigitalGroupTotal> kGroupTable = {{
    {0, 18, 1, 4},    {0, 17, 1, 4},    {0, 17, 2, 4},    {0, 18, 1, 5},    {0, 17, 1, 5},
    {0, 17, 2, 5},    {0, 18, 1, 6},    {0, 17, 1, 6},    {0, 17, 2, 6},    {0, 15, 8, 1, 4},
    {0, 15, 8, 1, 5}, {0, 15, 8, 1, 6}, {0, 16, 7, 1, 4}, {0, 16, 7, 1, 5}, {0, 16, 7, 1, 6},
    {0, 15, 7, 1, 4}, {0, 15, 7, 1, 5}, {0, 15, 7, 1, 6}, {0, 15, 7, 2, 4}, {0, 15, 7, 2, 5},
    {0, 15, 7, 2, 6}, {0, 15, 1, 11},   {0, 16, 1, 10},   {0, 15, 1, 10},   {0, 15, 2, 10},
    {0, 16, 3},       {0, 15, 3},       {0, 15, 9},       {0, 15, 12},      {0, 15, 11, 4},
    {0, 16, 10, 4},   {0, 15, 10, 4},   {0, 13, 8},       {0, 14, 7},       {0, 13, 7},
    {0, 15, 11, 5},   {0, 16, 10, 5},   {0, 15, 10, 5},   {0, 15, 11, 6},   {0, 16, 10, 6},
    {0, 15, 10, 6},   {0, 19, 8},       {0, 19, 7},       {0, 20},          {0, 21},
    {0, 15, 3, 7},    {0, 22},          {0, 18, 23, 4},   {0, 17, 23, 4},   {0, 18, 23, 5},
    {0, 17, 23, 5},   {0, 18, 23, 6},   {0, 17, 23, 6},   {0, 17, 24},
}};

const std::array<std::string_view, kDigitalEffectTotal> kEffectNames = {
    "Low Pass",    "Flanger",     "Chorus",       "Pitch-Trans",  "Panner",
    "Tremolo",     "MIDI-Pan",    "Reverb 1",     "Reverb 2",     "Reverb 3",
    "Gate Verb 1", "Gate Verb 2", "Gate Verb 3",  "Tapped DDL S", "Tapped DDL L",
    "Regen DDL S", "Regen DDL L", "Stereo DDL S", "Stereo DDL L", "Sampler S",
    "Sampler L",   "Sampler+PTr", "Tuner",        "Phaser",       "Dual PTr"};

bool ValidEffect(int effect) {
    return effect >= 0 && effect < kDigitalEffectTotal;
}

// Sum of the parameter counts of the row's effects before position k.
int BlockStart(int group, std::size_t k) {
    int start = 0;
    const std::vector<int>& row = GroupRow(group);
    for (std::size_t i = 0; i < k && i < row.size(); ++i)
        start += DigitalParameterCount(row[i]);
    return start;
}

// Where the effect stands in a group's row; -1 when it is not there.
int PositionInRow(const std::vector<int>& row, int effect) {
    const auto found = std::find(row.begin(), row.end(), effect);
    return found == row.end() ? -1 : static_cast<int>(found - row.begin());
}

bool Contains(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}
} // namespace

const std::array<TAnalogBlock, kAnalogBlockCount>& AnalogBlocks() {
    static const std::array<TAnalogBlock, kAnalogBlockCount> blocks = [] {
        static constexpr std::string_view kNames[kAnalogBlockCount] = {
            "Patch Bay", "Compressor", "Expander",         "Distortion",
            "Exciter",   "Preamp",     "Envelope Filter",  "Noise Gate",
            "Equalizer", "A.E.S.",     "Effect Crossover", "Prog. Level"};
        std::array<TAnalogBlock, kAnalogBlockCount> all{};
        int slot = kFirstAnalogSlot;
        for (int i = 0; i < kAnalogBlockCount; ++i) {
            const int count =
                static_cast<int>(AnalogPages()[static_cast<std::size_t>(i)].Parameters.size());
            all[static_cast<std::size_t>(i)] = {kNames[i], count, slot};
            slot += count;
        }
        return all;
    }();
    return blocks;
}

std::string_view DigitalEffectName(int effect) {
    return ValidEffect(effect) ? kEffectNames[static_cast<std::size_t>(effect)] : "";
}

int DigitalParameterCount(int effect) {
    return ValidEffect(effect)
               ? static_cast<int>(
                     DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters.size())
               : 0;
}

int FirstGlobalNumber(int effect) {
    int number = kDigitalAreaStart + 1;
    for (int e = 0; e < effect && e < kDigitalEffectTotal; ++e)
        number += DigitalParameterCount(e);
    return number;
}

std::string_view DigitalEffectPage(int effect) {
    return ValidEffect(effect) ? DigitalEffectPages()[static_cast<std::size_t>(effect)].Sheet : "";
}

std::vector<int> DigitalEffectDefaults(int effect) {
    std::vector<int> defaults;
    if (ValidEffect(effect))
        for (const TParameterInfo& parameter :
             DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters)
            defaults.push_back(parameter.Default);
    return defaults;
}

const std::vector<int>& GroupRow(int group) {
    static const std::vector<int> none;
    return group >= 0 && group < kDigitalGroupTotal ? kGroupTable[static_cast<std::size_t>(group)]
                                                    : none;
}

// Read as the name says: group contains effect.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool GroupContains(int group, int effect) {
    return PositionInRow(GroupRow(group), effect) >= 0;
}

int EffectIndexByName(std::string_view name, const TDeviceMode& mode) {
    for (int effect = 0; effect < mode.DigitalEffectCount; ++effect)
        if (kEffectNames[static_cast<std::size_t>(effect)] == name)
            return effect;
    throw EPresetError("Unknown effect " + std::string(name));
}

int PerfParameterToGlobal(const TPreset& preset, int assignment, const TDeviceMode& mode) {
    if (assignment < 0 || assignment >= kPerfMidiCount ||
        !preset.PerfMIDI[static_cast<std::size_t>(assignment)])
        return 0;
    const int p = preset.PerfMIDI[static_cast<std::size_t>(assignment)]->Parameter;
    if (p <= kDigitalAreaStart)
        return p;
    const int s = p - kDigitalAreaStart;
    int a = 0;
    for (int effect : GroupRow(preset.DigitalGroup)) {
        if (effect >= mode.DigitalEffectCount)
            break;
        const int count = DigitalParameterCount(effect);
        if (a + count >= s)
            return FirstGlobalNumber(effect) + (s - a) - 1;
        a += count;
    }
    return kNoGlobalParameter;
}

void DetermineDigitalGroup(TPreset& preset, const std::vector<std::string>& selectedNames,
                           const TDeviceMode& mode) {
    const int oldGroup = preset.DigitalGroup;
    std::array<int, kPerfMidiCount> globals{};
    for (int i = 0; i < kPerfMidiCount; ++i)
        globals[static_cast<std::size_t>(i)] = PerfParameterToGlobal(preset, i, mode);

    int group = 0;
    if (!selectedNames.empty()) {
        std::vector<int> selected;
        selected.reserve(selectedNames.size());
        for (const std::string& name : selectedNames)
            selected.push_back(EffectIndexByName(name, mode));
        group = -1;
        for (int g = 0; g < mode.DigitalGroupCount && group < 0; ++g)
            if (std::all_of(selected.begin(), selected.end(),
                            [g](int e) { return GroupContains(g, e); }))
                group = g;
        if (group < 0)
            throw EPresetError("Cannot determine digital group");
    }
    preset.DigitalGroup = group;

    if (group != oldGroup) {
        std::array<int, kDigitalAreaSize> area{};
        std::size_t write = 0;
        for (int effect : GroupRow(group)) {
            const int count = DigitalParameterCount(effect);
            const int oldPosition = oldGroup >= 0 ? PositionInRow(GroupRow(oldGroup), effect) : -1;
            if (oldPosition >= 0) {
                const int from =
                    kDigitalAreaStart + BlockStart(oldGroup, static_cast<std::size_t>(oldPosition));
                for (int k = 0; k < count && from + k < kParameterCount; ++k)
                    area[write + static_cast<std::size_t>(k)] =
                        preset.ParameterValues[static_cast<std::size_t>(from + k)];
            } else {
                const std::vector<int> defaults = DigitalEffectDefaults(effect);
                std::copy(defaults.begin(), defaults.end(),
                          area.begin() + static_cast<std::ptrdiff_t>(write));
            }
            write += static_cast<std::size_t>(count);
        }
        std::copy(area.begin(), area.end(), preset.ParameterValues.begin() + kDigitalAreaStart);

        for (int i = 0; i < kPerfMidiCount; ++i) {
            const int global = globals[static_cast<std::size_t>(i)];
            if (global <= kDigitalAreaStart)
                continue;
            int holder = -1;
            for (int effect = 0; effect < mode.DigitalEffectCount && holder < 0; ++effect)
                if (global >= FirstGlobalNumber(effect) &&
                    global < FirstGlobalNumber(effect) + DigitalParameterCount(effect))
                    holder = effect;
            const int position = holder >= 0 ? PositionInRow(GroupRow(group), holder) : -1;
            auto& assignment = preset.PerfMIDI[static_cast<std::size_t>(i)];
            if (position >= 0) {
                const int b = global - FirstGlobalNumber(holder) + 1;
                assignment->Parameter =
                    kDigitalAreaStart + BlockStart(group, static_cast<std::size_t>(position)) + b;
            } else {
                preset.PerfInUse[static_cast<std::size_t>(i)] = false;
                assignment->Reset();
            }
        }
    }

    const std::vector<int>& row = GroupRow(group);
    for (std::size_t k = 0; k < kDigitalPositions; ++k)
        preset.DigitalOn[k] = k < row.size() && Contains(selectedNames, DigitalEffectName(row[k]));
}

std::vector<std::string> AvailableDigitalEffects(const TPreset& preset,
                                                 const std::vector<std::string>& selectedNames,
                                                 const TDeviceMode& mode) {
    std::vector<std::string> result;
    result.reserve(static_cast<std::size_t>(mode.DigitalEffectCount));
    if (selectedNames.empty()) {
        for (int effect = 0; effect < mode.DigitalEffectCount; ++effect)
            result.emplace_back(DigitalEffectName(effect));
        return result;
    }
    const std::vector<int>& current = GroupRow(preset.DigitalGroup);
    for (int g = 0; g < mode.DigitalGroupCount; ++g) {
        bool holdsAll = true;
        for (std::size_t k = 0; k < current.size(); ++k)
            if (preset.DigitalOn[k] && !GroupContains(g, current[k]))
                holdsAll = false;
        if (!holdsAll)
            continue;
        for (int effect : GroupRow(g)) {
            const std::string name(DigitalEffectName(effect));
            if (!Contains(selectedNames, name) && !Contains(result, name))
                result.push_back(name);
        }
    }
    return result;
}

TParameterTarget DescribeParameterNumber(const TPreset& preset, int parameterNumber,
                                         const TDeviceMode& mode) {
    using O = TParameterOwner;
    if (parameterNumber == 0)
        return {"MIDI Monitor", "enabled", nullptr, {O::Monitor, -1, 0}};
    if (parameterNumber >= 1 && parameterNumber <= kFirstAnalogSlot) {
        const int index = parameterNumber - 1;
        const TParameterInfo& mix = MixParameters()[static_cast<std::size_t>(index)];
        return {"Mix", std::string(mix.Name), &mix, {O::Mix, -1, index}};
    }
    const int slot = parameterNumber - 1;
    if (slot >= kFirstAnalogSlot && slot < kDigitalAreaStart) {
        for (int block = 0; block < kAnalogBlockCount; ++block) {
            const TEffectPage& page = AnalogPages()[static_cast<std::size_t>(block)];
            for (std::size_t k = 0; k < page.Parameters.size(); ++k)
                if (page.Parameters[k].Offset == slot)
                    return {std::string(page.Caption),
                            std::string(page.Parameters[k].Name),
                            &page.Parameters[k],
                            {O::Analog, block, static_cast<int>(k)}};
        }
    }
    if (slot >= kDigitalAreaStart && slot < kParameterCount &&
        preset.DigitalGroup < mode.DigitalGroupCount) {
        int start = kDigitalAreaStart;
        for (int effect : GroupRow(preset.DigitalGroup)) {
            const auto& page = DigitalEffectPages()[static_cast<std::size_t>(effect)];
            const int count = static_cast<int>(page.Parameters.size());
            if (slot < start + count) {
                const TParameterInfo& parameter =
                    page.Parameters[static_cast<std::size_t>(slot - start)];
                return {std::string(DigitalEffectName(effect)),
                        std::string(parameter.Name),
                        &parameter,
                        {O::Digital, effect, slot - start}};
            }
            start += count;
        }
    }
    return {"", "", nullptr};
}

int ParameterNumberOf(const TPreset& preset, const TParameterPlace& place,
                      const TDeviceMode& mode) {
    const auto within = [&place](int count) { return place.Index >= 0 && place.Index < count; };
    switch (place.Owner) {
    case TParameterOwner::None:
        return -1;
    case TParameterOwner::Monitor:
        return 0;
    case TParameterOwner::Mix:
        return within(kFirstAnalogSlot) ? place.Index + 1 : -1;
    case TParameterOwner::Analog:
        if (place.Effect < 0 || place.Effect >= kAnalogBlockCount)
            return -1;
        {
            const TAnalogBlock& block = AnalogBlocks()[static_cast<std::size_t>(place.Effect)];
            return within(block.ParameterCount) ? block.FirstSlot + place.Index + 1 : -1;
        }
    case TParameterOwner::Digital:
        if (preset.DigitalGroup >= mode.DigitalGroupCount ||
            !within(DigitalParameterCount(place.Effect)))
            return -1;
        {
            int start = kDigitalAreaStart;
            for (int effect : GroupRow(preset.DigitalGroup)) {
                if (effect == place.Effect)
                    return start + place.Index + 1;
                start += DigitalParameterCount(effect);
            }
        }
        return -1;
    }
    return -1;
}

std::vector<int> SelectedDigitalEffects(const TPreset& preset) {
    std::vector<int> effects;
    const std::vector<int>& row = GroupRow(preset.DigitalGroup);
    for (std::size_t k = 0; k < row.size() && k < kDigitalPositions; ++k)
        if (preset.DigitalOn[k])
            effects.push_back(row[k]);
    return effects;
}
