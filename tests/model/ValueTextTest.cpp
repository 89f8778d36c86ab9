// Parameter values as the processor's units, and the parameter table they come with.

#include "model/ValueText.h"

#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <numeric>

namespace {
std::vector<std::string> Texts(std::string (*convert)(int), std::initializer_list<int> values) {
    std::vector<std::string> texts;
    for (int value : values)
        texts.push_back(convert(value));
    return texts;
}

const TParameterInfo& Find(std::string_view control, int effect = -1) {
    if (effect >= 0) {
        for (const auto& parameter :
             DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters)
            if (parameter.Control == control)
                return parameter;
    }
    for (const auto& page : AnalogPages())
        for (const auto& parameter : page.Parameters)
            if (parameter.Control == control)
                return parameter;
    for (const auto& parameter : MixParameters())
        if (parameter.Control == control)
            return parameter;
    throw std::runtime_error("no control " + std::string(control));
}
} // namespace

TEST(ValueTexts, PercentagesAndLevels) {
    EXPECT_EQ(Texts(LevelPercentText, {0, 1, 2, 7, 8, 15, 30, 31}),
              (std::vector<std::string>{"0%", "6%", "9%", "25%", "28%", "50%", "96%", "100%"}));
    EXPECT_EQ(Texts(RegenPercentText, {0, 1, 31, 63, 64, -1}),
              (std::vector<std::string>{"0%", "3%", "50%", "100%", "", ""}));
    EXPECT_EQ(Texts(MasterLevelText, {11, 12, 47, 48}),
              (std::vector<std::string>{"22%", "25%", "97%", "100%"}));
    EXPECT_EQ(Texts(DiffusionText, {0, 3}), (std::vector<std::string>{"40%", "100%"}));
    EXPECT_EQ(Texts(DampingText, {0, 3, 4, 7}),
              (std::vector<std::string>{"0%", "21%", "29%", "50%"}));
    EXPECT_EQ(Texts(DoubledPercentText, {47, 50}), (std::vector<std::string>{"94%", "100%"}));
}

TEST(ValueTexts, GainsPitchesAndTuning) {
    EXPECT_EQ(Texts(EqGainText, {0, 5, 6, 7, 12}),
              (std::vector<std::string>{"-15 db", "-2 db", "0 db", "+2 db", "+15 db"}));
    EXPECT_EQ(Texts(SemitoneText, {0, 11, 12, 24}),
              (std::vector<std::string>{"-12", "-1", "0", "+12"}));
    EXPECT_EQ(
        Texts(FineTuneText, {0, 1, 2, 3, 4, 59, 62, 63, 64, 66, 67, 68, 126, 127}),
        (std::vector<std::string>{"-4.00", "-3.87", "-3.81", "-3.75", "-3.68", "-0.25", "-0.06",
                                  "0.00", "0.06", "0.18", "0.25", "0.31", "3.93", "4.00"}));
    EXPECT_EQ(Texts(DetuneText, {0, 49, 50, 51, 100}),
              (std::vector<std::string>{"-2.00", "-0.04", "0.00", "+0.04", "+2.00"}));
    EXPECT_EQ(Texts(ExciterTuningText, {0, 6}), (std::vector<std::string>{"330 Hz", "2500 Hz"}));
    EXPECT_EQ(
        Texts(EnvelopeTuningText, {0, 1, 2, 3, 4, 63}),
        (std::vector<std::string>{"120 Hz", "126 Hz", "133 Hz", "140 Hz", "148 Hz", "3200 Hz"}))
        << "147.8 Hz rounds up";
}

TEST(ValueTexts, TimesSpeedsAndFrequencies) {
    EXPECT_EQ(Texts(ModSpeedText, {0, 31, 32, 84}),
              (std::vector<std::string>{"0.04Hz", "1.28Hz", "1.36Hz", "27.30Hz"}));
    EXPECT_EQ(Texts(DelayLengthText, {0, 70, 71, 105, 106, 119, 120, 121, 126, 127, -1}),
              (std::vector<std::string>{"0 ms", "350 ms", "360 ms", "700 ms", "720 ms", "980 ms",
                                        "1.00 s", "1.05 s", "1.30 s", "", ""}));
    EXPECT_EQ(Texts(SampleLengthText, {0, 1, 4, 5, 104, 127}),
              (std::vector<std::string>{"0.00s", "0.01s", "0.05s", "0.06s", "1.30s", "1.58s"}));
    EXPECT_EQ(Texts(ReverbDecayText, {0, 10, 11, 20, 21, 30, 31, 47}),
              (std::vector<std::string>{"0.0s", "1.0s", "1.2s", "3.0s", "3.5s", "8.0s", "9.0s",
                                        "25.0s"}));
    EXPECT_EQ(Texts(GateDecayText, {0, 1, 4, 7}),
              (std::vector<std::string>{"0.05s", "0.10s", "0.25s", "0.40s"}));
    EXPECT_EQ(Texts(CutoffFrequencyText, {0, 3, 4, 29, 30}),
              (std::vector<std::string>{"630 Hz", "891 Hz", "1.00 KHz", "17.80 KHz", "THRU"}));
    EXPECT_EQ(MillisecondsText(7), "7 ms");
    EXPECT_EQ(Texts(ReverbPositionText, {0, 1, 6, 7}),
              (std::vector<std::string>{"Front", "17%", "Rear", ""}));
}

TEST(ParameterTableTest, AnalogSlotsRunInPageOrderWithTheirCounts) {
    std::vector<int> counts;
    int slot = kFirstAnalogSlot;
    for (const TEffectPage& page : AnalogPages()) {
        counts.push_back(static_cast<int>(page.Parameters.size()));
        for (const TParameterInfo& parameter : page.Parameters)
            EXPECT_EQ(parameter.Offset, slot++) << parameter.Control;
    }
    EXPECT_EQ(counts, (std::vector<int>{3, 5, 2, 5, 2, 1, 4, 1, 7, 1, 2, 1}));
    EXPECT_EQ(slot, kDigitalAreaStart);
    EXPECT_EQ(AnalogBlocks()[8].Name, "Equalizer");
    EXPECT_EQ(AnalogBlocks()[8].FirstSlot, 26);
}

TEST(ParameterTableTest, ANewPresetReadsAsTheEditorShowsIt) {
    TPreset preset;
    EXPECT_EQ(ParameterValueText(Find("trbCMPdrive"), preset.ParameterValues[6]), "78%");
    EXPECT_EQ(ParameterValueText(Find("trbCMPoutput"), preset.ParameterValues[10]), "94%");
    EXPECT_EQ(ParameterValueText(Find("ragCMPslope"), preset.ParameterValues[7]), "4:1");
    EXPECT_EQ(ParameterValueText(Find("chkPBYloop1"), preset.ParameterValues[4]), "on");
    EXPECT_EQ(ParameterValueText(Find("scrEQU40Hz"), preset.ParameterValues[26]), "0 db");
    EXPECT_EQ(ParameterValueText(Find("trbLVLmaster"), preset.ParameterValues[36]), "93%");
    EXPECT_EQ(ParameterValueText(Find("trbMIXdry"), preset.ParameterValues[0]), "100%");
}

TEST(ParameterTableTest, RadioCodesAndMirroring) {
    const TParameterInfo& flanger = Find("ragFLAtype", 1);
    EXPECT_EQ(flanger.DataAddend, 3);
    EXPECT_EQ(ParameterValueText(flanger, 3), "OFF");
    EXPECT_EQ(ParameterValueText(flanger, 11), "Pre, Inv L+R");
    EXPECT_EQ(ParameterValueText(flanger, 40), "(40)") << "a code without an item keeps its value";
    for (int reverb : {7, 8, 9})
        EXPECT_EQ(ParameterValueText(Find("ragREVtype", reverb), 9), "Hall-1") << reverb;
    EXPECT_EQ(ParameterValueText(Find("ragREVtype", 9), 1), "Hall-3");
    const TParameterInfo& pan = Find("trbMPNpos", 6);
    EXPECT_TRUE(pan.Mirrored);
    EXPECT_EQ(ParameterValueText(pan, 127), "127");
    const TParameterInfo& fine = Find("trbTAPfine", 13);
    EXPECT_EQ(ClampToRange(fine, fine.Default), 1) << "the default 0 is shown and stored as 1";
    EXPECT_EQ(ParameterValueText(fine, 0), "1 ms");
}

TEST(ParameterTableTest, BaseKeyNames) {
    const auto& names = BaseKeyNames();
    EXPECT_EQ(names[0], "OFF");
    EXPECT_EQ(names[9], "A - ");
    EXPECT_EQ(names[12], "C 0");
    EXPECT_EQ(names[21], "A 0 ");
    EXPECT_EQ(names[22], "A#0");
    EXPECT_EQ(names[60], "C 4");
    EXPECT_EQ(names[119], "B 8");
    EXPECT_EQ(names[127], "G 9");
    // A stored key past either end of the list reads as its number.
    const TParameterInfo& key = Find("lstPTRbase_key", 3);
    EXPECT_EQ(ParameterValueText(key, 127), "G 9");
    EXPECT_EQ(ParameterValueText(key, 128), "128");
    EXPECT_EQ(ParameterValueText(key, -1), "-1");
}

// Every parameter as the processor and its manual describe it, written out here rather than read
// from the table the editor is built from: kind, range, slot (D+k for digital ones), default, the
// text one value reads as (which names the converter) and the radio items in order.
TEST(ParameterTableTest, EveryParameterHasItsKindRangeSlotDefaultTextAndItems) {
    struct Row {
        int Effect; // digital effect 0..24; -1 for mix and analog parameters
        const char* Control;
        char Kind; // T track bar, R radio group, E equalizer band, C check box, L base-key list
        int Min, Max, Offset, Default;
        int Value;
        const char* Text;
        const char* Items; // radio groups: "|"-separated, in order
        int Alike = 0;     // so many effects after this one have the same parameter
    };
    const Row rows[] = {
        {-1, "trbMIXdry", 'T', 0, 31, 0, 31, 10, "34%", ""},
        {-1, "trbMIXdigital", 'T', 0, 31, 1, 31, 10, "34%", ""},
        {-1, "trbMIXanalog", 'T', 0, 31, 2, 31, 10, "34%", ""},
        {-1, "ragPBYdrysource", 'R', 0, 1, 3, 0, 1, "Post CMP", "Input|Post CMP"},
        {-1, "chkPBYloop1", 'C', 0, 1, 4, 1, 0, "off", ""},
        {-1, "chkPBYloop2", 'C', 0, 1, 5, 1, 1, "on", ""},
        {-1, "trbCMPdrive", 'T', 0, 31, 6, 24, 24, "78%", ""},
        {-1, "ragCMPslope", 'R', 0, 7, 7, 3, 4, "10:1", "1:1|2:1|3:1|4:1|10:1|LIMIT|RVRS1|RVRS2"},
        {-1, "ragCMPattack", 'R', 0, 6, 8, 1, 1, "3 ms", "2 ms|3 ms|4 ms|7 ms|14 ms|30 ms|50 ms"},
        {-1, "ragCMPrelease", 'R', 0, 6, 9, 3, 5, "1 sec",
         "200 ms|300 ms|350 ms|500 ms|750 ms|1 sec|2 sec"},
        {-1, "trbCMPoutput", 'T', 0, 50, 10, 47, 47, "94%", ""},
        {-1, "trbEXPrange", 'T', 0, 31, 11, 23, 10, "34%", ""},
        {-1, "ragEXPratio", 'R', 0, 7, 12, 5, 2, "1:1.8", "OFF|1:1.5|1:1.8|1:2|1:2.5|1:3|1:4|1:5"},
        {-1, "ragDSTtype", 'R', 0, 7, 13, 5, 6, "Overdrive Tube",
         "OFF|Metal|Rock|Blues|Jazz|Turbo Tube|Overdrive Tube|SS Dist"},
        {-1, "trbDSTdrive", 'T', 0, 31, 14, 15, 10, "34%", ""},
        {-1, "trbDSTbite", 'T', 0, 31, 15, 15, 10, "34%", ""},
        {-1, "trbDSTthrust", 'T', 0, 31, 16, 15, 10, "34%", ""},
        {-1, "trbDSToutput", 'T', 0, 31, 17, 31, 10, "34%", ""},
        {-1, "trbEXCrange", 'T', 0, 31, 18, 10, 10, "34%", ""},
        {-1, "trbEXCtuning", 'T', 0, 6, 19, 0, 3, "1000 Hz", ""},
        {-1, "ragPRAtype", 'R', 0, 3, 20, 0, 3, "2nd EQ Off",
         "Brite Tube|Smooth Solid|Smooth Tube|2nd EQ Off"},
        {-1, "ragENVtype", 'R', 0, 7, 21, 0, 4, "K27 Sweep",
         "Ultra|Super|Medium|Narrow|K27 Sweep|Reverse Low|Reverse Hi|OFF"},
        {-1, "trbENVthreshold", 'T', 0, 31, 22, 28, 10, "34%", ""},
        {-1, "ragENVattack", 'R', 0, 6, 23, 5, 0, "360 ms",
         "360 ms|180 ms|120 ms|80 ms|50 ms|40 ms|30 ms"},
        {-1, "trbENVtuning", 'T', 0, 63, 24, 35, 10, "202 Hz", ""},
        {-1, "trbNGTrange", 'T', 0, 31, 25, 15, 10, "34%", ""},
        {-1, "scrEQU40Hz", 'E', 0, 12, 26, 6, 10, "+9 db", ""},
        {-1, "scrEQU100Hz", 'E', 0, 12, 27, 6, 10, "+9 db", ""},
        {-1, "scrEQU250Hz", 'E', 0, 12, 28, 6, 10, "+9 db", ""},
        {-1, "scrEQU640Hz", 'E', 0, 12, 29, 6, 10, "+9 db", ""},
        {-1, "scrEQU1600Hz", 'E', 0, 12, 30, 6, 10, "+9 db", ""},
        {-1, "scrEQU4KHz", 'E', 0, 12, 31, 6, 10, "+9 db", ""},
        {-1, "scrEQU10KHz", 'E', 0, 12, 32, 6, 10, "+9 db", ""},
        {-1, "ragAEStype", 'R', 0, 13, 33, 0, 13, "Open Ambience",
         "OFF|Dead Room|Heavy Carpet|Wood/Rug Mix|Drape/Carpet|Wood + Tile|Pews/People|Wood "
         "Baffles|Lt Floor Rug|Ceiling Drape|Stone Ceiling|Wall Drapes|Natural Wood|Open Ambience"},
        {-1, "ragDGCoutput", 'R', 0, 3, 34, 3, 2, "Low To AnFX",
         "Hi/Lo Split|High To DigFX|Low To AnFX|Bypass"},
        {-1, "ragDGCtuning", 'R', 0, 6, 35, 3, 2, "230 hx",
         "110 hz|160 hz|230 hx|350 hz|560 hz|1K hz|2K hz"},
        {-1, "trbLVLmaster", 'T', 0, 48, 36, 45, 47, "97%", ""},
        {0, "trbLPFfrequency", 'T', 0, 30, 0, 30, 10, "2.00 KHz", ""},
        {1, "ragFLAtype", 'R', 3, 11, 0, 4, 11, "Pre, Inv L+R",
         "OFF|Post Reverb|Post, Inv L|Post, Inv R|Pos, Inv L+R|Pre-Reverb|Pre, Inv L|Pre, Inv "
         "R|Pre, Inv L+R"},
        {1, "trbFLAwidth", 'T', 0, 31, 1, 22, 10, "34%", ""},
        {1, "trbFLAspeed", 'T', 0, 84, 2, 20, 40, "2.16Hz", ""},
        {1, "trbFLAregen", 'T', 0, 63, 3, 48, 10, "17%", ""},
        {1, "trbFLAlevel", 'T', 0, 63, 4, 63, 10, "17%", ""},
        {2, "ragCHOtype", 'R', 0, 2, 0, 1, 2, "Pre", "OFF|Post|Pre"},
        {2, "trbCHOwidth", 'T', 0, 31, 1, 10, 10, "34%", ""},
        {2, "trbCHOspeed", 'T', 0, 84, 2, 20, 40, "2.16Hz", ""},
        {2, "trbCHOdelay", 'T', 0, 47, 3, 30, 10, "10 ms", ""},
        {2, "trbCHOlevel", 'T', 0, 63, 4, 63, 10, "17%", ""},
        {3, "ragPTRtype", 'R', 0, 3, 0, 3, 1, "Quick", "OFF|Quick|Normal|Smooth"},
        {3, "trbPTRpitch", 'T', 0, 24, 1, 12, 10, "-2", ""},
        {3, "trbPTRfine", 'T', 0, 127, 2, 63, 10, "-3.31", ""},
        {3, "lstPTRbase_key", 'L', 0, 127, 3, 0, 60, "C 4", ""},
        {3, "trbPTRregen", 'T', 0, 63, 4, 0, 10, "17%", ""},
        {3, "trbPTRlevel", 'T', 0, 63, 5, 63, 10, "17%", ""},
        {4, "trbPANmod", 'T', 0, 31, 0, 31, 10, "34%", ""},
        {4, "trbPANspeed", 'T', 0, 84, 1, 40, 40, "2.16Hz", ""},
        {5, "trbTRMmod", 'T', 0, 31, 0, 31, 10, "34%", ""},
        {5, "trbTRMspeed", 'T', 0, 84, 1, 40, 40, "2.16Hz", ""},
        {6, "trbMPNpos", 'T', 0, 127, 0, 64, 10, "10", ""},
        {7, "ragREVtype", 'R', 9, 13, 0, 9, 13, "OFF", "Hall-1|Room-1|Plate-1|Vocal-1|OFF"},
        {7, "ragREVsource", 'R', 0, 1, 1, 0, 1, "Post DDL", "Pre DDL|Post DDL", 2},
        {7, "trbREVdecay", 'T', 0, 47, 2, 17, 25, "5.5s", "", 2},
        {7, "trbREVdamping", 'T', 0, 7, 3, 2, 5, "36%", "", 2},
        {7, "trbREVposition", 'T', 0, 6, 4, 5, 3, "50%", "", 1},
        {7, "trbREVlevel", 'T', 0, 63, 5, 63, 10, "17%", "", 1},
        {8, "ragREVtype", 'R', 5, 13, 0, 5, 13, "OFF",
         "Hall-2|Room-2|Plate-2|Vocal-2|Hall-1|Room-1|Plate-1|Vocal-1|OFF"},
        {9, "ragREVtype", 'R', 1, 13, 0, 1, 13, "OFF",
         "Hall-3|Room-3|Plate-3|Vocal-3|Hall-2|Room-2|Plate-2|Vocal-2|Hall-1|Room-1|Plate-1|Vocal-"
         "1|OFF"},
        {9, "trbREVposition", 'T', 0, 6, 4, 4, 3, "50%", ""},
        {9, "trbREVdiffusion", 'T', 0, 3, 5, 3, 2, "80%", ""},
        {9, "trbREVlevel", 'T', 0, 63, 6, 63, 10, "17%", ""},
        {10, "ragGATtype", 'R', 0, 4, 0, 0, 3, "Reverse B", "Slope|Flat|Reverse A|Reverse B|OFF",
         2},
        {10, "ragGATsource", 'R', 0, 1, 1, 0, 0, "Pre DDL", "Pre DDL|Post DDL", 2},
        {10, "trbGATdecay", 'T', 0, 4, 2, 4, 2, "0.15s", ""},
        {10, "trbGATdiffusion", 'T', 1, 3, 3, 3, 2, "80%", "", 2},
        {10, "trbGATlevel", 'T', 0, 63, 4, 63, 10, "17%", "", 2},
        {11, "trbGATdecay", 'T', 0, 7, 2, 7, 2, "0.15s", "", 1},
        {13, "ragTAPtype", 'R', 0, 17, 0, 0, 17, "Slope-3s",
         "Flat-1m|Flat-1s|Reverse-1m|Reverse-1s|Slope-1m|Slope-1s|Flat-2m|Flat-2s|Reverse-2m|"
         "Reverse-2s|Slope-2m|Slope-2s|Flat-3m|Flat-3s|Reverse-3m|Reverse-3s|Slope-3m|Slope-3s",
         1},
        {13, "trbTAPtaps", 'T', 0, 7, 1, 2, 5, "5", "", 1},
        {13, "trbTAPdelay", 'T', 0, 118, 2, 20, 118, "960 ms", ""},
        {13, "trbTAPfine", 'T', 1, 50, 3, 0, 10, "10 ms", "", 1},
        {13, "trbTAPregen", 'T', 0, 63, 4, 48, 10, "17%", "", 1},
        {13, "trbTAPlevel", 'T', 0, 63, 5, 63, 10, "17%", "", 1},
        {14, "trbTAPdelay", 'T', 0, 122, 2, 48, 122, "1.10 s", ""},
        {15, "trbREGdelay", 'T', 0, 118, 0, 20, 118, "960 ms", ""},
        {15, "trbREGfine", 'T', 1, 50, 1, 0, 10, "10 ms", "", 1},
        {15, "trbREGregen", 'T', 0, 63, 2, 48, 10, "17%", ""},
        {15, "trbREGlevel", 'T', 0, 63, 3, 63, 10, "17%", "", 1},
        {16, "trbREGdelay", 'T', 0, 122, 0, 40, 122, "1.10 s", ""},
        {16, "trbREGregen", 'T', 0, 63, 2, 31, 10, "17%", ""},
        {17, "trbSDDleft_delay_lgth", 'T', 0, 122, 0, 16, 122, "1.10 s", ""},
        {17, "trbSDDleft_delay_fine", 'T', 0, 50, 1, 0, 10, "10 ms", "", 1},
        {17, "trbSDDright_delay_lgth", 'T', 0, 122, 2, 22, 10, "50 ms", ""},
        {17, "trbSDDright_delay_fine", 'T', 0, 50, 3, 0, 10, "10 ms", "", 1},
        {17, "trbSDDregen", 'T', 0, 63, 4, 48, 10, "17%", ""},
        {17, "trbSDDdamping", 'T', 0, 31, 5, 0, 10, "34%", "", 1},
        {17, "trbSDDlevel", 'T', 0, 63, 6, 63, 10, "17%", "", 1},
        {18, "trbSDDleft_delay_lgth", 'T', 0, 126, 0, 50, 126, "1.30 s", ""},
        {18, "trbSDDright_delay_lgth", 'T', 0, 126, 2, 25, 10, "50 ms", ""},
        {18, "trbSDDregen", 'T', 0, 63, 4, 28, 10, "17%", ""},
        {19, "ragSMPstate", 'R', 0, 0, 0, 0, 0, "Record ready", "Record ready", 1},
        {19, "ragSMPrecord", 'R', 0, 2, 1, 0, 2, "MIDI", "Auto|Manual|MIDI", 1},
        {19, "ragSMPplay", 'R', 0, 4, 2, 0, 4, "Audio", "Single|Punch in|MIDI|Repeat|Audio", 1},
        {19, "trbSMPlength", 'T', 1, 104, 3, 104, 10, "0.12s", ""},
        {19, "trbSMPstart", 'T', 0, 100, 4, 5, 10, "10 ms", "", 1},
        {19, "trbSMPlevel", 'T', 0, 63, 5, 63, 10, "17%", "", 1},
        {20, "trbSMPlength", 'T', 1, 127, 3, 127, 10, "0.12s", ""},
        {21, "ragSPTstate", 'R', 0, 0, 0, 0, 0, "Record ready", "Record ready"},
        {21, "ragSPTrecord", 'R', 0, 2, 1, 0, 1, "Manual", "Auto|Manual|MIDI"},
        {21, "ragSPTplay", 'R', 0, 4, 2, 0, 3, "Repeat", "Single|Punch in|MIDI|Repeat|Audio"},
        {21, "trbSPTlength", 'T', 1, 100, 3, 100, 10, "0.12s", ""},
        {21, "trbSPTstart", 'T', 0, 100, 4, 5, 10, "10 ms", ""},
        {21, "trbSPTpitch", 'T', 0, 24, 5, 12, 10, "-2", ""},
        {21, "trbSPTfine", 'T', 0, 127, 6, 63, 10, "-3.31", ""},
        {21, "lstSPTbase_key", 'L', 0, 127, 7, 0, 21, "A 0 ", ""},
        {21, "trbSPTlevel", 'T', 0, 63, 8, 63, 10, "17%", ""},
        {22, "ragTNRtype", 'R', 0, 3, 0, 1, 3, "Guitar 12F", "Bass|Guitar|Bass 12F|Guitar 12F"},
        {22, "ragTNRreference", 'R', 0, 8, 1, 0, 7, "A 440",
         "OFF|E 164|A 220|D 284|G 392|B 494|E 659|A 440|Auto"},
        {22, "trbTNRdetune", 'T', 0, 100, 2, 50, 10, "-1.60", ""},
        {22, "trbTNRlevel", 'T', 0, 63, 3, 0, 10, "17%", ""},
        {23, "ragPSRtype", 'R', 0, 2, 0, 1, 0, "Off", "Off|Post|Pre"},
        {23, "trbPSRwidth", 'T', 0, 31, 1, 20, 10, "34%", ""},
        {23, "trbPSRspeed", 'T', 0, 84, 2, 20, 40, "2.16Hz", ""},
        {23, "trbPSRregen", 'T', 0, 63, 3, 31, 10, "17%", ""},
        {23, "trbPSRdepth", 'T', 0, 63, 4, 63, 10, "17%", ""},
        {24, "rag2PTtype", 'R', 0, 3, 0, 3, 2, "Normal", "OFF|Quick|Normal|Smooth"},
        {24, "trb2PTpitch_1", 'T', 0, 24, 1, 12, 10, "-2", ""},
        {24, "trb2PTfine_1", 'T', 0, 127, 2, 63, 10, "-3.31", ""},
        {24, "trb2PTpitch_2", 'T', 0, 24, 3, 12, 20, "+8", ""},
        {24, "trb2PTfine_2", 'T', 0, 127, 4, 63, 127, "4.00", ""},
        {24, "rag2PTregen_feed", 'R', 0, 1, 5, 0, 1, "Post", "Pre|Post"},
        {24, "trb2PTlevel", 'T', 0, 63, 6, 63, 10, "17%", ""},
        {24, "trb2PTpan_pos_1", 'T', 0, 63, 7, 31, 10, "10", ""},
        {24, "trb2PTpan_pos_2", 'T', 0, 63, 8, 31, 10, "10", ""},
    };
    std::map<std::pair<int, std::string>, const TParameterInfo*> table;
    for (const TParameterInfo& parameter : MixParameters())
        table[{-1, std::string(parameter.Control)}] = &parameter;
    for (const TEffectPage& page : AnalogPages())
        for (const TParameterInfo& parameter : page.Parameters)
            table[{-1, std::string(parameter.Control)}] = &parameter;
    for (int effect = 0; effect < kDigitalEffectTotal; ++effect)
        for (const TParameterInfo& parameter :
             DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters)
            table[{effect, std::string(parameter.Control)}] = &parameter;
    std::size_t count = 0;
    for (const Row& row : rows)
        count += 1 + static_cast<std::size_t>(row.Alike);
    EXPECT_EQ(table.size(), count) << "no parameter more, none fewer";
    const std::map<char, TControlKind> kinds = {{'T', TControlKind::TrackBar},
                                                {'R', TControlKind::RadioGroup},
                                                {'E', TControlKind::EqualizerBand},
                                                {'C', TControlKind::CheckBox},
                                                {'L', TControlKind::BaseKeyList}};
    for (const Row& row : rows)
        for (int effect = row.Effect; effect <= row.Effect + row.Alike; ++effect) {
            const auto found = table.find({effect, row.Control});
            ASSERT_NE(found, table.end()) << effect << " " << row.Control;
            const TParameterInfo& parameter = *found->second;
            const std::string where = std::to_string(effect) + " " + row.Control;
            EXPECT_EQ(parameter.Kind, kinds.at(row.Kind)) << where;
            EXPECT_EQ(parameter.Min, row.Min) << where;
            EXPECT_EQ(parameter.Max, row.Max) << where;
            EXPECT_EQ(parameter.Offset, row.Offset) << where;
            EXPECT_EQ(parameter.Default, row.Default) << where;
            EXPECT_EQ(ParameterValueText(parameter, row.Value), row.Text) << where;
            std::string items;
            for (const std::string_view item : parameter.Items)
                items += (items.empty() ? "" : "|") + std::string(item);
            EXPECT_EQ(items, row.Items) << where;
        }
}

// The range selectors of the performance tab read every position as the parameter's own text
// would (a mirrored parameter at the value the position stands for), except where their rules
// part: the exciter's tuning and a sampler's start read as plain positions there.
TEST(ParameterTableTest, RangePositionsReadAsTheParameterSaveWhereTheRulesPart) {
    const std::vector<std::string_view> positions = {"trbEXCtuning", "trbSMPstart", "trbSPTstart"};
    std::vector<const TParameterInfo*> all;
    for (const TParameterInfo& parameter : MixParameters())
        all.push_back(&parameter);
    for (const TEffectPage& page : AnalogPages())
        for (const TParameterInfo& parameter : page.Parameters)
            all.push_back(&parameter);
    for (const TEffectPage& page : DigitalEffectPages())
        for (const TParameterInfo& parameter : page.Parameters)
            all.push_back(&parameter);
    for (const TParameterInfo* parameter : all) {
        const bool plain =
            std::find(positions.begin(), positions.end(), parameter->Control) != positions.end();
        for (int x = parameter->Min; x <= parameter->Max; ++x)
            ASSERT_EQ(RangeValueText(*parameter, x),
                      plain ? std::to_string(x)
                            : ParameterValueText(*parameter,
                                                 parameter->Mirrored ? parameter->Max - x : x))
                << parameter->Control << " at " << x;
    }
    EXPECT_EQ(RangeValueText(Find("ragCMPslope"), 8), "") << "a position without an item";
    EXPECT_EQ(RangeValueText(Find("trbEXCtuning"), 3), "3");
    EXPECT_EQ(ParameterValueText(Find("trbEXCtuning"), 3), "1000 Hz");
}

// Reading a value's own text gives the value back, for every row of every table and every value
// of its range; so does the text typed in another case or spacing.
TEST(ParameterTableTest, EveryValueTextReadsBackAsItsValue) {
    std::vector<const TParameterInfo*> rows;
    for (const TParameterInfo& row : MixParameters())
        rows.push_back(&row);
    for (const auto* pages : {&AnalogPages(), &DigitalEffectPages()})
        for (const TEffectPage& page : *pages)
            for (const TParameterInfo& row : page.Parameters)
                rows.push_back(&row);
    int checked = 0;
    for (const TParameterInfo* row : rows)
        for (int value = row->Min; value <= row->Max; ++value) {
            const std::string text = ParameterValueText(*row, value);
            ASSERT_EQ(ReadParameterValue(*row, text), value) << row->Control << " " << text;
            std::string shouted;
            for (const char c : text)
                shouted += c == ' ' ? std::string("  ")
                                    : std::string(1, static_cast<char>(std::toupper(c)));
            ASSERT_EQ(ReadParameterValue(*row, " " + shouted), value)
                << row->Control << " " << shouted;
            ++checked;
        }
    EXPECT_GT(checked, 3000);
}

// Typed texts that are not a value's own: the nearest value, or nothing.
TEST(ParameterTableTest, TypedNumbersTakeTheNearestValueAndOtherTextIsRefused) {
    struct Case {
        const char* control;
        int effect;
        const char* typed;
        std::optional<int> value;
    };
    const std::vector<Case> cases{
        {"trbCMPdrive", -1, "82%", 25},   // 81% and 84% are the values either side
        {"trbCMPdrive", -1, "82", 25},    // a plain number in the shown unit
        {"trbCMPdrive", -1, "100 %", 31}, //
        {"trbCMPdrive", -1, "140%", 31},  // beyond the range: its end
        {"trbCMPdrive", -1, "-5%", 0},
        {"trbCMPdrive", -1, "82 ms", std::nullopt}, // a unit the control does not show
        {"trbCMPdrive", -1, "loud", std::nullopt},
        {"trbCMPdrive", -1, "", std::nullopt},
        {"trbCMPdrive", -1, "8.2.1%", std::nullopt},
        {"trbCMPdrive", -1, "-", std::nullopt},
        {"trbCMPdrive", -1, ".%", std::nullopt},
        {"scrEQU40Hz", -1, "-12", 1},   // "-12 db"
        {"scrEQU40Hz", -1, "+3 dB", 7}, // between +2 and +4: the first of the two
        {"ragCMPslope", -1, "4:1", 3},
        {"ragCMPslope", -1, "4", std::nullopt}, // items are taken by their text
        {"ragREVtype", 8, "hall-1", 9},
        {"chkPBYloop1", -1, "ON", 1},
        {"chkPBYloop1", -1, "1", std::nullopt},
        {"trbSDDleft_delay_lgth", 18, "1.2", 124},    // read as the "1.20 s" shown
        {"trbSDDleft_delay_lgth", 18, "1.2 s", 124},  //
        {"trbSDDleft_delay_lgth", 18, "1200ms", 124}, // the same time in ms
        {"trbSDDleft_delay_lgth", 18, "3 ms", 1},     // 0 and 5 ms either side: 5 is nearer
        {"trbSDDleft_delay_lgth", 18, "2 s", 126},
        {"trbFLAspeed", 1, "1.36Hz", 32},
        {"trbFLAspeed", 1, "0.05 hz", 0},
        {"trbLPFfrequency", 0, "2 KHz", 10},
        {"trbLPFfrequency", 0, "750 Hz", 1}, // 708 Hz
        {"trbLPFfrequency", 0, "thru", 30},
        {"trbLPFfrequency", 0, "2000", 10},         // in the unit's Hz: "2.00 KHz"
        {"trbSDDleft_delay_lgth", 18, "1200", 124}, // in ms: "1.20 s"
        {"trbCMPdrive", -1, "1e2%", std::nullopt},
        {"trbCMPdrive", -1, "+", std::nullopt},
        {"trbCMPdrive", -1, "-.5", 0},
        {"trbCMPdrive", -1, "++5", std::nullopt},
    };
    for (const Case& c : cases) {
        const TParameterInfo& row = Find(c.control, c.effect);
        EXPECT_EQ(ReadParameterValue(row, c.typed), c.value)
            << c.control << " \"" << c.typed << '"';
    }
    EXPECT_EQ(ParameterValueHint(Find("trbCMPdrive")), "Takes 0% to 100%");
    EXPECT_EQ(ParameterValueHint(Find("ragCMPslope")),
              "Takes one of 1:1, 2:1, 3:1, 4:1, 10:1, LIMIT, RVRS1, RVRS2");
}
