// One change made to many presets: a table of changes over presets that have the effect and that
// lack it, read as the compare reads them; typed changes read or refused; the copied block's text.

#include "model/PresetEdit.h"

#include "model/Preset.h"
#include "model/PresetDiff.h"

#include <functional>
#include <gtest/gtest.h>

namespace {
// Compressor and Distortion on; digital group 0 (Low Pass, Stereo DDL L, Flanger, Panner) with
// Low Pass alone selected.
TBytes ChainedPreset(const std::function<void(TPreset&)>& change = {}) {
    TPreset preset;
    preset.Title = "Slap Funk";
    preset.AnalogOn[1] = true;
    preset.AnalogOn[3] = true;
    preset.DigitalGroup = 0;
    preset.DigitalOn[0] = true;
    if (change)
        change(preset);
    return preset.Encode();
}

TBytes BarePreset(const std::function<void(TPreset&)>& change = {}) {
    TPreset preset;
    preset.Title = "Clean DI";
    preset.DigitalGroup = 0;
    if (change)
        change(preset);
    return preset.Encode();
}

TPresetEdit TypedEdit(const std::string& text) {
    const TPresetEditReading reading = ReadPresetEdit(text);
    EXPECT_TRUE(reading.Edit) << text << ": " << reading.Error;
    return reading.Edit.value_or(TPresetEdit{});
}

// What the change did to the preset: the compare's lines, or "skipped: why"; a clamp after "|".
std::vector<std::string> EditOutcome(const TPresetEdit& edit, const TBytes& before) {
    const TPresetEditOutcome outcome = ApplyPresetEdit(edit, before);
    if (outcome.Dump.empty())
        return {"skipped: " + outcome.Skipped};
    std::vector<std::string> lines;
    for (const TPresetChange& change : DiffPresets(before, outcome.Dump))
        lines.push_back(change.Text());
    if (!outcome.Clamped.empty())
        lines.push_back("| " + outcome.Clamped);
    // Nothing but the parameters' own bytes moved.
    for (std::size_t at = 0; at < before.size(); ++at) {
        if (before[at] != outcome.Dump[at]) {
            EXPECT_GE(at, 17U) << edit.Text();
            EXPECT_LT(at, 17U + 2 * 55) << edit.Text();
        }
    }
    return lines;
}
} // namespace

TEST(PresetEdit, EachChangeReadsAsTheCompareNamesItOrSaysWhyNot) {
    const TBytes other = ChainedPreset([](TPreset& p) {
        p.ParameterValues[6] = 10; // Compressor drive
        p.ParameterValues[7] = 5;  // slope LIMIT
        p.Title = "Ballad";
    });
    const std::optional<TEffectBlock> compressor = CopyBlock(other, TParameterOwner::Analog, 1);
    ASSERT_TRUE(compressor);
    TPresetEdit paste;
    paste.Kind = TPresetEdit::TKind::Paste;
    paste.Block = *compressor;

    struct Case {
        const char* What;
        TPresetEdit Edit;
        TBytes Preset;
        std::vector<std::string> Lines;
    };
    const Case cases[] = {
        {"set in the unit's words",
         TypedEdit("Compressor drive=90%"),
         ChainedPreset(),
         {"Compressor \u00b7 Drive: 78% \u2192 90%"}},
        {"set by the block's own name, as a plain number",
         TypedEdit("noise gate RANGE = 65"),
         BarePreset([](TPreset& p) { p.AnalogOn[7] = true; }),
         {"NoiseGate \u00b7 Range: 50% \u2192 65%"}},
        {"set where it already is",
         TypedEdit("Compressor drive=78%"),
         ChainedPreset(),
         {"skipped: already 78%"}},
        {"set beyond the control's reach",
         TypedEdit("Compressor drive=150%"),
         ChainedPreset(),
         {"Compressor \u00b7 Drive: 78% \u2192 100%", "| kept at 100%, the highest"}},
        {"set in a preset without the effect",
         TypedEdit("Noise Gate range=50%"),
         ChainedPreset(),
         {"skipped: no Noise Gate in its chain"}},
        {"set in a digital effect's moving place",
         TypedEdit("low pass frequency=2 KHz"),
         ChainedPreset(),
         {"Low Pass \u00b7 Frequency: 630 Hz \u2192 2.00 KHz"}},
        {"an effect in the group but not selected",
         TypedEdit("Stereo DDL regen=50%"),
         ChainedPreset(),
         {"skipped: no Stereo DDL in its chain"}},
        {"the mix, which every preset has",
         TypedEdit("mix analog=65%"),
         BarePreset(),
         {"Mix \u00b7 Analog: 100% \u2192 65%"}},
        {"down by an amount",
         TypedEdit("Compressor drive-=10%"),
         ChainedPreset(),
         {"Compressor \u00b7 Drive: 78% \u2192 68%"}},
        {"up by an amount past the top",
         TypedEdit("Compressor drive+=50%"),
         ChainedPreset(),
         {"Compressor \u00b7 Drive: 78% \u2192 100%", "| kept at 100%, the highest"}},
        {"down from the bottom",
         TypedEdit("Compressor drive-=5%"),
         ChainedPreset([](TPreset& p) { p.ParameterValues[6] = 0; }),
         {"skipped: already 0% (kept at 0%, the lowest)"}},
        {"a negative amount after +=",
         TypedEdit("Prog. Level \u00b7 master += \u22126%"),
         BarePreset([](TPreset& p) { p.AnalogOn[11] = true; }),
         {"Prog Level \u00b7 Master: 93% \u2192 87%"}},
        {"an item chosen by its name",
         TypedEdit("Compressor slope=LIMIT"),
         ChainedPreset(),
         {"Compressor \u00b7 Slope: 4:1 \u2192 LIMIT"}},
        {"a block pasted",
         paste,
         ChainedPreset(),
         {"Compressor \u00b7 Drive: 78% \u2192 34%", "Compressor \u00b7 Slope: 4:1 \u2192 LIMIT"}},
        {"a block pasted where it is already",
         paste,
         other,
         {"skipped: its Compressor already has these settings"}},
        {"a block pasted into a preset without it",
         paste,
         BarePreset(),
         {"skipped: no Compressor in its chain"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EditOutcome(c.Edit, c.Preset), c.Lines) << c.What;
}

TEST(PresetEdit, TypedChangesThatCannotBeAreRefusedWithWhatIsWrong) {
    struct Case {
        const char* Text;
        const char* Error;
    };
    const Case cases[] = {
        {"Compresor drive=5", "no effect called \"compresor\""},
        {"Noise Gate threshold=-50 dB",
         "Noise Gate has no parameter called \"threshold\"; it has range"},
        {"Compressor drive=loud", "Compressor \u00b7 Drive: \"loud\" is not a value it takes: "
                                  "Takes 0% to 100%"},
        {"Compressor slope+=1", "Compressor \u00b7 Slope: it has no units to change by: set it "
                                "instead"},
        {"Compressor drive-=3 ms", "Compressor \u00b7 Drive: \"-3 ms\" is no amount of its unit "
                                   "(%)"},
        {"Compressor drive=", "Compressor \u00b7 Drive needs a value"},
        {"drive=50%", "\"drive\" names no parameter: a change reads EFFECT PARAMETER=VALUE"},
        {"Compressor drive 50%", "a change reads EFFECT PARAMETER=VALUE, or +=AMOUNT or -=AMOUNT"},
    };
    for (const Case& c : cases) {
        const TPresetEditReading reading = ReadPresetEdit(c.Text);
        EXPECT_FALSE(reading.Edit) << c.Text;
        EXPECT_EQ(reading.Error, c.Error) << c.Text;
    }
    EXPECT_EQ(TypedEdit("Tapped DDL S delay+=20 ms").Text(), "Tapped DDL S \u00b7 Delay +20 ms");
    EXPECT_EQ(TypedEdit("reverb decay=2 s").Text(), "Reverb \u00b7 Decay = 2 s");
}

TEST(PresetEdit, ACopiedBlockTravelsAsTextAndOnlyAWholeOneComesBack) {
    const TBytes source = ChainedPreset([](TPreset& p) { p.ParameterValues[37] = 12; });
    const std::optional<TEffectBlock> block = CopyBlock(source, TParameterOwner::Digital, 0);
    ASSERT_TRUE(block);
    EXPECT_EQ(block->Name(), "Low Pass");
    EXPECT_EQ(ReadBlockText(BlockText(*block)), block);
    EXPECT_FALSE(CopyBlock(source, TParameterOwner::Analog, 7)) << "Noise Gate is off";

    const std::string text = BlockText(*block);
    for (const std::string& damaged :
         {std::string("Quellfarn effect block\neffect: Low Pass\nvalues: 300\n"),
          std::string("Quellfarn effect block\neffect: Low Pass\nvalues: 1 2\n"),
          std::string("Quellfarn effect block\neffect: Loud Pass\nvalues: 1\n"),
          std::string("Quellfarn effect block\neffect: Low Pass\nvalues: -1\n"),
          std::string("Quellfarn effect block\neffect: Low Pass\n"), std::string("values: 1\n"),
          text + "colour: red\n"})
        EXPECT_FALSE(ReadBlockText(damaged)) << damaged;
}
