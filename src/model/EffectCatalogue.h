#pragma once
// The processor's effects: analog blocks, digital effects and the digital groups (the
// combinations of digital effects it can run together), with the operations that keep
// a preset's digital parameter area in line with its group.

#include "model/DeviceMode.h"
#include "model/Preset.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

inline constexpr int kDigitalEffectTotal = 25;
inline constexpr int kDigitalGroupTotal = 54;

struct TAnalogBlock {
    std::string_view Name;
    int ParameterCount;
    int FirstSlot;
};
const std::array<TAnalogBlock, kAnalogBlockCount>& AnalogBlocks();

// Catalogue look-ups by digital effect index (0..24).
std::string_view DigitalEffectName(int effect);
int DigitalParameterCount(int effect);
int FirstGlobalNumber(int effect);
std::string_view DigitalEffectPage(int effect);
std::vector<int> DigitalEffectDefaults(int effect);

// The effects of a group in row order (up to five).
const std::vector<int>& GroupRow(int group);
bool GroupContains(int group, int effect);

// Index of the effect of that name below the mode's effect count; "Unknown effect " + name
// otherwise.
int EffectIndexByName(std::string_view name, const TDeviceMode& mode = Mode);

// Global number (38..166) of the digital parameter assignment i points at; 0..37 pass
// through. A parameter beyond the group's last block gives a number no group holds.
int PerfParameterToGlobal(const TPreset& preset, int assignment, const TDeviceMode& mode = Mode);

// Sets the group for the selected effects, repacks the digital area and moves or frees
// the assignments; "Cannot determine digital group" leaves the record as it was.
void DetermineDigitalGroup(TPreset& preset, const std::vector<std::string>& selectedNames,
                           const TDeviceMode& mode = Mode);

// Names of the effects that can still join the selection.
std::vector<std::string> AvailableDigitalEffects(const TPreset& preset,
                                                 const std::vector<std::string>& selectedNames,
                                                 const TDeviceMode& mode = Mode);

// Global numbers that no group holds (a damaged assignment maps here).
inline constexpr int kNoGlobalParameter = 1000;

// Where a parameter stands: the MIDI monitor's pseudo-parameter, the mix, an analog block or one of
// the digital effects, and its index among that one's parameters (the order of the parameter
// table, which is also the order of their slots).
enum class TParameterOwner { None, Monitor, Mix, Analog, Digital };
struct TParameterPlace {
    TParameterOwner Owner = TParameterOwner::None;
    int Effect = -1; // the analog block (0..11) or the digital effect (0..24)
    int Index = -1;
};

// What a ParameterNumber (0..55) names in the record's present layout: the effect (tab
// caption, or "MIDI Monitor" / "Mix") and the parameter, and where it stands; Parameter is null
// for number 0 and for a number that names nothing (whose place is then TParameterOwner::None).
struct TParameterTarget {
    std::string Effect;
    std::string Name;
    const struct TParameterInfo* Parameter = nullptr;
    TParameterPlace Place = {};
};
TParameterTarget DescribeParameterNumber(const TPreset& preset, int parameterNumber,
                                         const TDeviceMode& mode = Mode);
// The other way: the ParameterNumber of a place in the record's present layout; -1 when nothing
// stands there (an effect outside the group, an index beyond the owner's parameters).
int ParameterNumberOf(const TPreset& preset, const TParameterPlace& place,
                      const TDeviceMode& mode = Mode);

// The digital effects switched on, in the order of the group's row.
std::vector<int> SelectedDigitalEffects(const TPreset& preset);
