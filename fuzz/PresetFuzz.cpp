// Fuzz target: a preset file or received dump of any content, through everything that
// reads one — decoding, re-encoding, the digital group logic and the parameter names.

#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "model/Preset.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TByteView bytes(data, size);
    TPreset preset;
    std::stringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        preset.LoadFromStream(stream);
    } catch (const EPresetError&) {
        return 0;
    }
    const TBytes encoded = preset.Encode();
    if (encoded.size() != static_cast<std::size_t>(PresetDumpLength))
        std::abort();
    if (!IsWellFormedSysex(encoded))
        std::abort(); // nothing we write may break the SysEx framing
    (void)PresetTitleOf(bytes);
    for (int i = 0; i < kPerfMidiCount; ++i) {
        (void)PerfParameterToGlobal(preset, i);
        const TParameterTarget target = DescribeParameterNumber(
            preset, preset.PerfMIDI[static_cast<std::size_t>(i)]->Parameter);
        if (target.Parameter != nullptr)
            (void)ParameterValueText(
                *target.Parameter,
                preset.CurrentValueOf(*preset.PerfMIDI[static_cast<std::size_t>(i)]));
    }
    // Choose digital effects from the remaining input and let the group logic loose on them.
    std::vector<std::string> selected;
    for (std::size_t i = 200; i < size && selected.size() < 5; ++i) {
        const int effect = data[i] % kDigitalEffectTotal;
        const std::string name(DigitalEffectName(effect));
        if (std::find(selected.begin(), selected.end(), name) == selected.end())
            selected.push_back(name);
    }
    try {
        (void)AvailableDigitalEffects(preset, selected);
        DetermineDigitalGroup(preset, selected);
    } catch (const EPresetError&) {
    }
    if (preset.Encode().size() != static_cast<std::size_t>(PresetDumpLength))
        std::abort();
    return 0;
}
