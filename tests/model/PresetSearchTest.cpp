// Search by what a preset does: one table of queries against a handful of presets, and what the
// queries that cannot be understood say.

#include "model/PresetSearch.h"

#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "support/TestPresets.h"

#include <gtest/gtest.h>

namespace {
// Sets the k-th parameter of a selected digital effect, wherever its group puts its block.
void SetDigital(TPreset& preset, const char* effect, int k, int value) {
    int slot = kDigitalAreaStart;
    for (const int member : GroupRow(preset.DigitalGroup)) {
        if (member == EffectIndexByName(effect))
            break;
        slot += DigitalParameterCount(member);
    }
    preset.ParameterValues[static_cast<std::size_t>(slot + k)] = value;
}

struct Placed {
    TPreset Preset;
    TSearchPlace Place;
};

std::vector<Placed> Presets() {
    std::vector<Placed> presets;
    // 0: a compressor (drive 78%, slope 4:1) and Reverb 1 (Hall-1), bank A.
    TPreset fretless = PresetWith({1}, {"Reverb 1"});
    fretless.Title = "Fretless Lead";
    presets.push_back({std::move(fretless), {0, false}});
    // 1: distortion (drive 34%) and a short tapped delay of 350 ms, bank B, changed.
    TPreset slap = PresetWith({3}, {"Tapped DDL S"});
    slap.Title = "Slap Funk";
    slap.ParameterValues[14] = 10;
    SetDigital(slap, "Tapped DDL S", 2, 70);
    presets.push_back({std::move(slap), {1, true}});
    // 2: untitled, a long regenerating delay of 1.05 s and the compressor at 1:1, bank B.
    TPreset blank = PresetWith({1}, {"Regen DDL L"});
    blank.Title = "";
    blank.ParameterValues[7] = 0;
    SetDigital(blank, "Regen DDL L", 0, 121);
    presets.push_back({std::move(blank), {1, false}});
    // 3: the pitch transposer and Reverb 1, a file.
    TPreset octave = PresetWith({}, {"Pitch-Trans", "Reverb 1"});
    octave.Title = "Octave Bass";
    presets.push_back({std::move(octave), {-1, false}});
    return presets;
}
} // namespace

TEST(PresetSearch, EachQueryFindsThePresetsThatDoWhatItSays) {
    const std::vector<Placed> presets = Presets();
    const std::vector<std::pair<const char*, std::vector<int>>> cases = {
        {"", {0, 1, 2, 3}},
        {"fretless", {0}},
        {"FUNK", {1}},
        {"\"slap funk\"", {1}},
        {"compressor", {0, 2}},
        {"tapped", {1}},
        {"reverb", {0, 3}},
        {"drive>50", {0, 2}},
        {"drive>=34", {0, 1, 2}},
        {"drive < 50", {1}},
        {"distortion drive=34%", {1}},
        {"compressor drive=34", {}},
        {"compressor slope=4:1", {0}},
        {"compressor slope=1:1", {2}},
        {"compressor slope!=4:1", {2}},
        {"reverb type=Hall-1", {0, 3}},
        {"reverb type=hall-1 fretless", {0}},
        {"delay time>=300 ms", {1, 2}},
        {"delay time>=300", {1, 2}},
        {"delay time<1 s", {1}},
        {"delay time>1.04s", {2}},
        {"tapped ddl delay=350 ms", {1}},
        {"bank:B", {1, 2}},
        {"bank:b untitled", {2}},
        {"changed", {1}},
        {"untitled", {2}},
        {"mix dry=100%", {0, 1, 2, 3}},
        {"pitch", {3}},
        {"octave bass", {3}},
        {"nothing-like-it", {}},
    };
    for (const auto& [text, expected] : cases) {
        const TPresetQuery query(text);
        EXPECT_TRUE(query.Errors().empty()) << text << ": " << query.Errors().front();
        std::vector<int> found;
        for (std::size_t i = 0; i < presets.size(); ++i)
            if (query.Matches(presets[i].Preset, presets[i].Place))
                found.push_back(static_cast<int>(i));
        EXPECT_EQ(found, expected) << text;
    }
}

TEST(PresetSearch, WhatCannotBeUnderstoodIsSaidAndTheRestStillFilters) {
    const std::vector<std::pair<const char*, std::vector<std::string>>> cases = {
        {"driev>50", {"no parameter called 'driev'"}},
        {"reverb tpye=Hall-1", {"no parameter called 'reverb tpye'"}},
        {"drive>", {"'drive>' needs a value"}},
        {">50", {"'>' needs a parameter before it"}},
        {"reverb type>Hall-1", {"'>' compares numbers: 'Hall-1' is none"}},
        {"bank:E", {"no bank called 'E'"}},
        {"drive ! 5", {"'!' is no comparison (use =, !=, <, <=, > or >=)"}},
        {"fretless driev>5 bank:Q", {"no parameter called 'driev'", "no bank called 'Q'"}},
        {"\"unclosed", {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(TPresetQuery(text).Errors(), expected) << text;
    const std::vector<Placed> presets = Presets();
    const TPresetQuery partly("fretless driev>5");
    EXPECT_TRUE(partly.Matches(presets[0].Preset, presets[0].Place)) << "the word still filters";
    EXPECT_FALSE(partly.Matches(presets[1].Preset, presets[1].Place));
}

TEST(PresetSearch, TheChainReadsAnalogBlocksThenDigitalEffectsInGroupOrder) {
    const TPreset preset = PresetWith({1, 8}, {"Reverb 1", "Low Pass"});
    EXPECT_EQ(ChainNames(preset),
              (std::vector<std::string>{"Compressor", "Equalizer", "Low Pass", "Reverb 1"}));
    TPreset broken = PresetWith({1, 8}, {"Reverb 1", "Low Pass"});
    broken.DigitalGroup = 99;
    EXPECT_EQ(ChainNames(broken), (std::vector<std::string>{"Compressor", "Equalizer"}));
}
