#pragma once
// Preset records made for a test: the chosen analog blocks on and the named digital effects
// selected, in the group the catalogue finds for them; a new record's dump under a title, a dump
// given another title; and the processor model a test works with.

#include "model/DeviceMode.h"
#include "model/EffectCatalogue.h"
#include "model/Preset.h"
#include "model/Protocol.h"

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

// A new record's dump under this title.
inline TBytes TitledDump(const std::string& title) {
    TPreset preset;
    preset.Title = title;
    return preset.Encode();
}

// The dump with its title bytes (every other byte from the title's place) set to the title.
inline TBytes Retitled(TBytes dump, const std::string& title) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(kTitleLength); ++i)
        dump[static_cast<std::size_t>(kTitleOffset) + 2 * i] =
            static_cast<std::uint8_t>(i < title.size() ? title[i] : ' ');
    return dump;
}

// The processor model while the guard lives; the Plenova and device byte 0 again after it.
struct ModeGuard {
    explicit ModeGuard(bool prePlenova) { SetPrePlenovaMode(prePlenova); }
    ~ModeGuard() {
        SetPrePlenovaMode(false);
        DeviceId = 0;
    }
    ModeGuard(const ModeGuard&) = delete;
    ModeGuard& operator=(const ModeGuard&) = delete;
};
