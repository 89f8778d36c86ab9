// Parameter values as the processor's units, and the parameter table they come with.

#include "model/ValueText.h"

#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"

#include <gtest/gtest.h>
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
    for (const TEffectPage& page : DigitalEffectPages())
        for (std::size_t k = 0; k < page.Parameters.size(); ++k)
            EXPECT_EQ(page.Parameters[k].Offset, static_cast<int>(k)) << page.Parameters[k].Control;
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

TEST(ParameterTableTest, RadioCodesMirroringAndVariantRanges) {
    const TParameterInfo& flanger = Find("ragFLAtype", 1);
    EXPECT_EQ(flanger.DataAddend, 3);
    EXPECT_EQ(ParameterValueText(flanger, 3), "OFF");
    EXPECT_EQ(ParameterValueText(flanger, 11), "Pre, Inv L+R");
    EXPECT_EQ(ParameterValueText(flanger, 40), "(40)") << "a code without an item keeps its value";
    for (int reverb : {7, 8, 9}) {
        const TParameterInfo& type = Find("ragREVtype", reverb);
        EXPECT_EQ(ParameterValueText(type, 9), "Hall-1");
        EXPECT_EQ(ParameterValueText(type, 13), "OFF");
        EXPECT_EQ(type.Max, 13);
    }
    EXPECT_EQ(ParameterValueText(Find("ragREVtype", 9), 1), "Hall-3");
    EXPECT_EQ(Find("ragREVtype", 7).Min, 9);
    EXPECT_EQ(Find("ragREVtype", 8).Min, 5);
    const TParameterInfo& pan = Find("trbMPNpos", 6);
    EXPECT_TRUE(pan.Mirrored);
    EXPECT_EQ(ParameterValueText(pan, 127), "127");
    EXPECT_EQ(Find("trbGATdecay", 10).Max, 4);
    EXPECT_EQ(Find("trbGATdecay", 11).Max, 7);
    EXPECT_EQ(Find("trbTAPdelay", 13).Max, 118);
    EXPECT_EQ(Find("trbTAPdelay", 14).Max, 122);
    EXPECT_EQ(Find("trbREGdelay", 15).Max, 118);
    EXPECT_EQ(Find("trbSDDright_delay_lgth", 17).Max, 122);
    EXPECT_EQ(Find("trbSDDleft_delay_lgth", 18).Max, 126);
    EXPECT_EQ(Find("trbSMPlength", 19).Max, 104);
    EXPECT_EQ(Find("trbSMPlength", 20).Max, 127);
    EXPECT_EQ(Find("trbSPTlength", 21).Max, 100);
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
}
