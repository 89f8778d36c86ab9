#pragma once
// Preset records made for a test: the chosen analog blocks on and the named digital effects
// selected, in the group the catalogue finds for them.

#include "model/EffectCatalogue.h"
#include "model/Preset.h"

#include <initializer_list>
#include <string>
#include <vector>

inline TPreset PresetWith(std::initializer_list<int> analogOn,
                          const std::vector<std::string>& digital) {
    TPreset preset;
    for (int block : analogOn)
        preset.AnalogOn[static_cast<std::size_t>(block)] = true;
    DetermineDigitalGroup(preset, digital); // also switches the selected effects on
    preset.Title = "Test preset";
    return preset;
}
