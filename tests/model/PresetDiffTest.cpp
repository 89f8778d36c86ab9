// The difference of two presets: a table of edits and the lines they read as, written out; and
// the properties over random presets with random changes.

#include "model/PresetDiff.h"

#include "PresetDiffProperties.h"
#include "model/EffectCatalogue.h"
#include "model/Preset.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {
TPreset Base() {
    TPreset base;
    base.Title = "Fretless Lead 1";
    base.AnalogOn[1] = true; // Compressor
    base.AnalogOn[3] = true; // Distortion
    base.DigitalGroup = 0;   // Low Pass, Stereo DDL L, Flanger, Panner
    base.DigitalOn[0] = true;
    return base;
}

std::vector<std::string> Lines(const TBytes& a, const TBytes& b) {
    std::vector<std::string> lines;
    for (const TPresetChange& change : DiffPresets(a, b))
        lines.push_back(change.Text() +
                        (change.Control.empty() ? "" : " [" + change.Control + "]"));
    return lines;
}
} // namespace

TEST(PresetDiff, EachEditReadsAsTheEditorNamesIt) {
    struct Case {
        const char* What;
        std::function<void(TPreset&)> Edit;
        std::vector<std::string> Lines;
    };
    const Case cases[] = {
        {"nothing but the device byte", [](TPreset& p) { p.Header[2] = 9; }, {}},
        {"the title",
         [](TPreset& p) { p.Title = "Fretless Lead 2"; },
         {"Title: Fretless Lead 1 \u2192 Fretless Lead 2 [edtTitle]"}},
        {"blanks of the title",
         [](TPreset& p) { p.Title = " Fretless Lead 1"; },
         {"Title: \"Fretless Lead 1 \" \u2192 \" Fretless Lead 1\" [edtTitle]"}},
        {"a slider",
         [](TPreset& p) { p.ParameterValues[6] = 28; },
         {"Compressor \u00b7 Drive: 78% \u2192 90% [trbCMPdrive]"}},
        {"a radio item",
         [](TPreset& p) { p.ParameterValues[7] = 5; },
         {"Compressor \u00b7 Slope: 4:1 \u2192 LIMIT [ragCMPslope]"}},
        {"a value beyond the control",
         [](TPreset& p) { p.ParameterValues[2] = 40; },
         {"Mix \u00b7 Analog: 100% (stored 31) \u2192 100% (stored 40) [trbMIXanalog]"}},
        {"the mix",
         [](TPreset& p) { p.ParameterValues[2] = 20; },
         {"Mix \u00b7 Analog: 100% \u2192 65% [trbMIXanalog]"}},
        {"a block off, its drive moved",
         [](TPreset& p) {
             p.AnalogOn[1] = false;
             p.ParameterValues[6] = 10;
         },
         {"Compressor switched off [cklAnalogSelect]",
          "Compressor \u00b7 Drive: 78% \u2192 34% [trbCMPdrive]"}},
        {"a block in neither chain",
         [](TPreset& p) { p.ParameterValues[18] = 3; },
         {"Other bytes differ at 53"}},
        {"a digital effect added",
         [](TPreset& p) { p.DigitalOn[1] = true; },
         {"Stereo DDL L added to the chain [lbxDigSel]"}},
        {"a digital parameter",
         [](TPreset& p) { p.ParameterValues[37] = 3; },
         {"Low Pass \u00b7 Frequency: 630 Hz \u2192 891 Hz [trbLPFfrequency]"}},
        {"the group",
         [](TPreset& p) { p.DigitalGroup = 1; },
         {"Digital group: 0 \u2192 1 [lblDigGrp]"}},
        {"a foot switch",
         [](TPreset& p) { p.K27States[1] = true; },
         {"Foot switch \u00b7 Reverb: off \u2192 on [chkK27rev]"}},
        {"an assignment",
         [](TPreset& p) {
             p.PerfInUse[2] = true;
             p.PerfMIDI[2]->Controller = 7;
             p.PerfMIDI[2]->Parameter = 7;
         },
         {"Performance MIDI 3 assigned [tsPerfMIDI]",
          "Performance MIDI 3 \u00b7 Controller: 4 \u2192 7 [tsPerfMIDI]",
          "Performance MIDI 3 \u00b7 Parameter: none \u2192 Compressor \u00b7 Drive [tsPerfMIDI]"}},
        {"an unused assignment",
         [](TPreset& p) { p.PerfMIDI[5]->Controller = 9; },
         {"Other bytes differ at 221"}},
    };
    const TBytes base = Base().Encode();
    for (const Case& test : cases) {
        SCOPED_TRACE(test.What);
        TPreset edited;
        edited.Decode(base);
        test.Edit(edited);
        const TBytes changed = edited.Encode();
        EXPECT_EQ(Lines(base, changed), test.Lines);
    }
    TBytes raw = base;
    raw[128] = 1; // the title's second byte of its first character
    EXPECT_EQ(Lines(base, raw), std::vector<std::string>({"Other bytes differ at 128"}));
}

// A preset and a copy with a few random data bytes changed, two hundred times over, and with
// every data byte random: the properties hold both ways.
TEST(PresetDiff, ItsPropertiesHoldForRandomPresetsAndChanges) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    const TBytes base = Base().Encode();
    for (int round = 0; round < 400; ++round) {
        std::vector<std::uint8_t> input;
        for (std::size_t i = 5; i + 1 < base.size(); ++i)
            input.push_back(round % 2 == 0 ? base[i] : static_cast<std::uint8_t>(byte(random)));
        for (int change = byte(random) % 6; change > 0; --change) {
            input.push_back(static_cast<std::uint8_t>(byte(random)));
            input.push_back(static_cast<std::uint8_t>(byte(random)));
        }
        if (round % 7 == 0)
            input.push_back(static_cast<std::uint8_t>(byte(random)));
        ASSERT_EQ(CheckPresetDiffProperties(input.data(), input.size()), "") << "round " << round;
    }
}
