// Digital groups: finding them, repacking the parameter area, following assignments.

#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "support/ErrorOf.h"
#include "support/TestPresets.h"

#include <algorithm>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {
std::vector<int> Area(const TPreset& preset) {
    return {preset.ParameterValues.begin() + kDigitalAreaStart, preset.ParameterValues.end()};
}

std::vector<std::string> NamesOf(int group) {
    std::vector<std::string> names;
    for (int effect : GroupRow(group))
        names.emplace_back(DigitalEffectName(effect));
    return names;
}

// A record in group g whose digital slots hold 100, 101, ... so that moves are visible.
TPreset InGroup(int group) {
    TPreset preset;
    preset.DigitalGroup = group;
    for (int k = 0; k < kDigitalAreaSize; ++k)
        preset.ParameterValues[static_cast<std::size_t>(kDigitalAreaStart + k)] = 100 + k;
    return preset;
}

} // namespace

TEST(Catalogue, CountsGlobalNumbersAndDefaultsAgreeWithTheProcessor) {
    const std::vector<int> counts{1, 5, 5, 6, 2, 2, 1, 6, 6, 7, 5, 5, 5,
                                  6, 6, 4, 4, 7, 7, 6, 6, 9, 4, 5, 9};
    const std::vector<int> firsts{38, 39,  44,  49,  55,  57,  59,  60,  66,  72,  79,  84, 89,
                                  94, 100, 106, 110, 114, 121, 128, 134, 140, 149, 153, 158};
    for (int e = 0; e < kDigitalEffectTotal; ++e) {
        EXPECT_EQ(DigitalParameterCount(e), counts[static_cast<std::size_t>(e)])
            << DigitalEffectName(e);
        EXPECT_EQ(FirstGlobalNumber(e), firsts[static_cast<std::size_t>(e)])
            << DigitalEffectName(e);
    }
    EXPECT_EQ(FirstGlobalNumber(24) + 9 - 1, 166);
    EXPECT_EQ(DigitalEffectDefaults(9), (std::vector<int>{1, 0, 17, 2, 4, 3, 63}));
    EXPECT_EQ(DigitalEffectDefaults(13), (std::vector<int>{0, 2, 20, 0, 48, 63}));
    EXPECT_EQ(DigitalEffectDefaults(18), (std::vector<int>{50, 0, 25, 0, 28, 0, 63}));
    EXPECT_EQ(DigitalEffectDefaults(21), (std::vector<int>{0, 0, 0, 100, 5, 12, 63, 0, 63}));
    EXPECT_EQ(DigitalEffectDefaults(24), (std::vector<int>{3, 12, 63, 12, 63, 0, 63, 31, 31}));
    EXPECT_EQ(DigitalEffectPage(8), "tsReverb");

    int full = 0;
    for (int g = 0; g < kDigitalGroupTotal; ++g) {
        int total = 0;
        for (int e : GroupRow(g))
            total += DigitalParameterCount(e);
        EXPECT_LE(total, kDigitalAreaSize) << "group " << g;
        if (total == kDigitalAreaSize) {
            EXPECT_THAT((std::vector<int>{9, 10, 12, 13, 15, 16, 18, 19}), testing::Contains(g));
        }
        full += total == kDigitalAreaSize;
    }
    EXPECT_EQ(full, 8);
}

TEST(Catalogue, ANewRecordGetsGroupZeroWithItsDefaults) {
    TPreset preset;
    DetermineDigitalGroup(preset, {});
    EXPECT_EQ(preset.DigitalGroup, 0);
    EXPECT_EQ(Area(preset),
              (std::vector<int>{30, 50, 0, 25, 0, 28, 0, 63, 4, 22, 20, 48, 63, 31, 40, 0, 0, 0}));
    EXPECT_THAT(preset.DigitalOn, testing::Each(false));
}

TEST(Catalogue, TheLowestGroupHoldingTheSelectionIsChosenAndOffersWhatSharesIt) {
    TPreset preset;
    DetermineDigitalGroup(preset, {"Chorus"});
    EXPECT_EQ(preset.DigitalGroup, 2);
    EXPECT_EQ(preset.DigitalOn, (std::array<bool, 5>{false, false, true, false, false}));

    DetermineDigitalGroup(preset, {"Tuner"});
    EXPECT_EQ(AvailableDigitalEffects(preset, {"Tuner"}), (std::vector<std::string>{"Low Pass"}));

    const int group = preset.DigitalGroup;
    const auto values = preset.ParameterValues;
    EXPECT_THROW(DetermineDigitalGroup(preset, {"Tuner", "Chorus"}), EPresetError);
    EXPECT_EQ(preset.DigitalGroup, group) << "the record is left as it was";
    EXPECT_EQ(preset.ParameterValues, values);
    EXPECT_EQ(ErrorOf([&] { DetermineDigitalGroup(preset, {"Wah"}); }), "Unknown effect Wah");

    DetermineDigitalGroup(preset, {"Reverb 3"});
    EXPECT_EQ(preset.DigitalGroup, 27);
    EXPECT_EQ(AvailableDigitalEffects(preset, {"Reverb 3"}),
              (std::vector<std::string>{"Low Pass", "Regen DDL S"}))
        << "those that share a group with the selection";
    EXPECT_EQ(AvailableDigitalEffects(preset, {}).size(), 25u);
}

TEST(Catalogue, MovingFromGroup13To16KeepsTheSurvivorsValues) {
    TPreset preset = InGroup(13); // Low Pass, Regen DDL L, Reverb 1, Flanger, Tremolo
    preset.PerfInUse[0] = preset.PerfInUse[1] = true;
    preset.PerfMIDI[0]->Parameter = 38 + 1 + 4 + 6 + 2; // Flanger's third parameter
    preset.PerfMIDI[1]->Parameter = 38 + 1 + 1;         // Regen DDL L's second: leaves
    preset.PerfInUse[2] = true;
    preset.PerfMIDI[2]->Parameter = 37; // the master level, the last analog parameter
    DetermineDigitalGroup(preset, {"Low Pass", "Regen DDL S", "Reverb 1", "Flanger", "Tremolo"});
    EXPECT_EQ(preset.DigitalGroup, 16);
    EXPECT_EQ(Area(preset), (std::vector<int>{100, 20, 0, 48, 63, 105, 106, 107, 108, 109, 110, 111,
                                              112, 113, 114, 115, 116, 117}));
    EXPECT_EQ(preset.PerfMIDI[0]->Parameter, 38 + 1 + 4 + 6 + 2) << "still the flanger's speed";
    EXPECT_FALSE(preset.PerfInUse[1]);
    EXPECT_EQ(preset.PerfMIDI[1]->Parameter, 0);
    EXPECT_EQ(preset.PerfMIDI[1]->Controller, 4) << "the freed assignment is reset";
    EXPECT_TRUE(preset.PerfInUse[2]);
    EXPECT_EQ(preset.PerfMIDI[2]->Parameter, 37) << "analog assignments stay as they are";
    EXPECT_THAT(preset.DigitalOn, testing::Each(true));
}

// Every pair of groups: values of shared effects travel, new effects get defaults,
// assignments follow their parameter or are freed.
TEST(Catalogue, EveryGroupChangeKeepsValuesAndAssignmentsInLine) {
    for (int from = 0; from < kDigitalGroupTotal; ++from) {
        for (int to = 0; to < kDigitalGroupTotal; ++to) {
            TPreset preset = InGroup(from);
            for (int i = 0; i < kPerfMidiCount; ++i) {
                preset.PerfInUse[static_cast<std::size_t>(i)] = true;
                preset.PerfMIDI[static_cast<std::size_t>(i)]->Parameter = 38 + i * 2;
            }
            std::vector<int> globals;
            for (int i = 0; i < kPerfMidiCount; ++i)
                globals.push_back(PerfParameterToGlobal(preset, i));
            DetermineDigitalGroup(preset, NamesOf(to));
            const int group = preset.DigitalGroup;
            if (group == from) { // nothing moves when the group stays
                ASSERT_EQ(preset.PerfInUse, (std::array<bool, kPerfMidiCount>{
                                                true, true, true, true, true, true, true, true}));
                continue;
            }
            ASSERT_TRUE(std::all_of(GroupRow(to).begin(), GroupRow(to).end(),
                                    [&](int e) { return GroupContains(group, e); }));

            int newStart = kDigitalAreaStart;
            for (int effect : GroupRow(group)) {
                int oldStart = kDigitalAreaStart;
                bool shared = false;
                for (int old : GroupRow(from)) {
                    if (old == effect) {
                        shared = true;
                        break;
                    }
                    oldStart += DigitalParameterCount(old);
                }
                const std::vector<int> defaults = DigitalEffectDefaults(effect);
                for (int k = 0; k < DigitalParameterCount(effect); ++k) {
                    const int expected = shared ? 100 + oldStart - kDigitalAreaStart + k
                                                : defaults[static_cast<std::size_t>(k)];
                    ASSERT_EQ(preset.ParameterValues[static_cast<std::size_t>(newStart + k)],
                              expected)
                        << from << " -> " << group << ", " << DigitalEffectName(effect) << " #"
                        << k;
                }
                newStart += DigitalParameterCount(effect);
            }
            for (int i = 0; i < kPerfMidiCount; ++i) {
                const int global = globals[static_cast<std::size_t>(i)];
                const bool inUse = preset.PerfInUse[static_cast<std::size_t>(i)];
                if (inUse)
                    ASSERT_EQ(PerfParameterToGlobal(preset, i), global)
                        << from << " -> " << group << " #" << i;
                else
                    ASSERT_EQ(preset.PerfMIDI[static_cast<std::size_t>(i)]->Parameter, 0);
                bool holderStays = false;
                for (int effect : GroupRow(group))
                    holderStays = holderStays || (global >= FirstGlobalNumber(effect) &&
                                                  global < FirstGlobalNumber(effect) +
                                                               DigitalParameterCount(effect));
                ASSERT_EQ(inUse, holderStays) << from << " -> " << group << " #" << i;
            }
        }
    }
}

TEST(Catalogue, AnAssignmentBeyondTheLastBlockIsFreedOnTheNextChange) {
    TPreset preset = InGroup(46); // Low Pass, Tuner: 5 parameters
    preset.PerfInUse[0] = true;
    preset.PerfMIDI[0]->Parameter = 38 + 10;
    const int global = PerfParameterToGlobal(preset, 0);
    for (int g = 0; g < kDigitalGroupTotal; ++g)
        for (int e : GroupRow(g))
            EXPECT_FALSE(global >= FirstGlobalNumber(e) &&
                         global < FirstGlobalNumber(e) + DigitalParameterCount(e));
    DetermineDigitalGroup(preset, {"Chorus"});
    EXPECT_FALSE(preset.PerfInUse[0]);

    TPreset damaged;
    damaged.DigitalGroup = 99; // beyond the table: nothing to carry over
    DetermineDigitalGroup(damaged, {});
    EXPECT_EQ(damaged.DigitalGroup, 0);
    EXPECT_EQ(damaged.ParameterValues[kDigitalAreaStart], 30);
}

TEST(Catalogue, PrePlenovaKnowsNeitherPhaserNorDualPitch) {
    ModeGuard guard(true);
    TPreset preset;
    const auto all = AvailableDigitalEffects(preset, {});
    EXPECT_EQ(all.size(), 23u);
    EXPECT_THAT(all, testing::Not(testing::Contains("Phaser")));
    EXPECT_THAT(all, testing::Not(testing::Contains("Dual PTr")));
    EXPECT_THROW(EffectIndexByName("Phaser"), EPresetError);
    for (const std::string& name : all) {
        TPreset one;
        DetermineDigitalGroup(one, {name});
        EXPECT_LT(one.DigitalGroup, 47) << name;
        for (const std::string& other : AvailableDigitalEffects(one, {name})) {
            TPreset two;
            DetermineDigitalGroup(two, {name, other});
            EXPECT_LT(two.DigitalGroup, 47) << name << " + " << other;
        }
    }
}

// A parameter number names a place in the record's present layout, and the place gives the number
// back, in every group; a number that names nothing has no place, and a place that holds nothing
// has no number.
TEST(Catalogue, ParameterNumbersAndTheirPlacesMapOntoEachOther) {
    using O = TParameterOwner;
    for (int group = 0; group < kDigitalGroupTotal; ++group) {
        TPreset preset;
        preset.DigitalGroup = group;
        int area = 0;
        for (int effect : GroupRow(group))
            area += DigitalParameterCount(effect);
        for (int number = -1; number <= kParameterCount + 1; ++number) {
            const TParameterTarget target = DescribeParameterNumber(preset, number);
            const bool named = number >= 0 && number <= kDigitalAreaStart + area;
            ASSERT_EQ(target.Place.Owner != O::None, named) << group << " " << number;
            if (named) {
                EXPECT_EQ(ParameterNumberOf(preset, target.Place), number)
                    << group << " " << number;
            }
        }
        EXPECT_EQ(ParameterNumberOf(preset, {O::Digital, GroupRow(group).front(), 0}),
                  kDigitalAreaStart + 1)
            << "the group's first effect starts the digital area";
    }
    TPreset preset = PresetWith({1}, {"Low Pass", "Flanger"});
    const std::vector<std::pair<TParameterPlace, int>> places = {
        {{O::Monitor, -1, 0}, 0}, {{O::Mix, -1, 2}, 3},
        {{O::Analog, 1, 4}, 11},  // the compressor's output, slot 10
        {{O::Analog, 11, 0}, 37}, // the programme level, the last analog slot
        {{O::Digital, 1, 2}, 48}, // the flanger's speed, after Low Pass and Stereo DDL L
        {{O::Analog, 1, 5}, -1},  // the compressor has five parameters
        {{O::Mix, -1, 3}, -1},    {{O::Digital, 22, 0}, -1}, // the tuner is not in the group
        {{O::None, -1, 0}, -1},
    };
    for (const auto& [place, number] : places)
        EXPECT_EQ(ParameterNumberOf(preset, place), number)
            << static_cast<int>(place.Owner) << " " << place.Effect << " " << place.Index;
    EXPECT_EQ(SelectedDigitalEffects(preset), (std::vector<int>{0, 1})) << "in the group's order";
}

// A swap of the component name with the parameter's name would give the printout a column full of
// "trb"; the component names themselves are written out with the parameter table's tests.
TEST(Catalogue, NoParameterIsNamedLikeAComponent) {
    std::vector<const TParameterInfo*> rows;
    for (const TParameterInfo& mix : MixParameters())
        rows.push_back(&mix);
    for (const auto* pages : {&AnalogPages(), &DigitalEffectPages()})
        for (const TEffectPage& page : *pages)
            for (const TParameterInfo& parameter : page.Parameters)
                rows.push_back(&parameter);
    ASSERT_GT(rows.size(), 150u);
    for (const TParameterInfo* row : rows)
        for (const char* component : {"trb", "rag", "scr", "chk", "lst"})
            EXPECT_NE(row->Name.substr(0, 3), component) << row->Control << " " << row->Name;
}
