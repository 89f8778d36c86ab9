// The parameter tables.

#include "model/ParameterTable.h"

#include "model/ValueText.h"

#include <algorithm>

namespace {
using K = TControlKind;
using V = TValueText;

// The numbers of a row, each of its own type: a range, a slot and a default written in the
// wrong place would not compile.
struct TRange {
    int Min;
    int Max;
};
struct TSlot {
    int Offset; // the slot for mix and analog parameters; k of D+k for digital ones
};
struct TDefault {
    int Value;
};

// A row's component name comes before the parameter's name; the component's kind prefix (trb,
// rag, scr) shows a swap, and the table's test holds every row to it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TParameterInfo Bar(std::string_view control, std::string_view name, TRange range, TSlot slot,
                   TDefault def, V text) {
    return {control, name, K::TrackBar, range.Min, range.Max, slot.Offset, def.Value, text};
}

// Stored as the item's index plus the addend.
// Component name first, then the parameter's, as above.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TParameterInfo Radio(std::string_view control, std::string_view name,
                     std::vector<std::string_view> items, TSlot slot, TDefault def,
                     int addend = 0) {
    const int count = static_cast<int>(items.size());
    return {control,     name,      K::RadioGroup, addend,           addend + count - 1,
            slot.Offset, def.Value, V::Item,       std::move(items), addend};
}

// Component name first, then the parameter's, as above.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TParameterInfo Band(std::string_view control, std::string_view name, TSlot slot) {
    return {control, name, K::EqualizerBand, 0, 12, slot.Offset, 6, V::EqGain};
}

TParameterInfo BaseKey(std::string_view control, int offset) {
    return {control, "base key", K::BaseKeyList, 0, 127, offset, 0, V::Item};
}

const std::vector<std::string_view> kReverbSource = {"Pre DDL", "Post DDL"};
const std::vector<std::string_view> kSamplerRecord = {"Auto", "Manual", "MIDI"};
const std::vector<std::string_view> kSamplerPlay = {"Single", "Punch in", "MIDI", "Repeat",
                                                    "Audio"};
const std::vector<std::string_view> kPitchType = {"OFF", "Quick", "Normal", "Smooth"};

TEffectPage Reverb(int effect) {
    static const std::vector<std::string_view> kTypes = {
        "Hall-3",  "Room-3", "Plate-3", "Vocal-3", "Hall-2",  "Room-2", "Plate-2",
        "Vocal-2", "Hall-1", "Room-1",  "Plate-1", "Vocal-1", "OFF"};
    // Reverb 1 offers the last 5 types, Reverb 2 the last 9, Reverb 3 all 13: one code per type.
    const int first = effect == 7 ? 8 : effect == 8 ? 4 : 0;
    const std::vector<std::string_view> items(kTypes.begin() + first, kTypes.end());
    TEffectPage page{"Reverb", "tsReverb", {}};
    auto& p = page.Parameters;
    p.push_back(Radio("ragREVtype", "type", items, TSlot{0}, TDefault{first + 1}, first + 1));
    p.push_back(Radio("ragREVsource", "source", kReverbSource, TSlot{1}, TDefault{0}));
    p.push_back(Bar("trbREVdecay", "decay", TRange{0, 47}, TSlot{2}, TDefault{17}, V::ReverbDecay));
    p.push_back(Bar("trbREVdamping", "damping", TRange{0, 7}, TSlot{3}, TDefault{2}, V::Damping));
    p.push_back(Bar("trbREVposition", "position", TRange{0, 6}, TSlot{4},
                    TDefault{effect == 9 ? 4 : 5}, V::ReverbPosition));
    if (effect == 9)
        p.push_back(
            Bar("trbREVdiffusion", "diffusion", TRange{0, 3}, TSlot{5}, TDefault{3}, V::Diffusion));
    p.push_back(Bar("trbREVlevel", "level", TRange{0, 63}, TSlot{effect == 9 ? 6 : 5}, TDefault{63},
                    V::RegenPercent));
    return page;
}

// What the variants of a digital effect differ in, by name.
struct TGateVerb {
    int DecayMax;
    int DecayDefault;
};
struct TTappedDdl {
    int DelayMax;
    int DelayDefault;
};
struct TRegenDdl {
    int DelayMax;
    int DelayDefault;
    int RegenDefault;
};
struct TStereoDdl {
    int DelayMax;
    int LeftDefault;
    int RightDefault;
    int RegenDefault;
};

TEffectPage GateVerb(const TGateVerb& variant) {
    return {"Gate Verb",
            "tsGateVerb",
            {Radio("ragGATtype", "type", {"Slope", "Flat", "Reverse A", "Reverse B", "OFF"},
                   TSlot{0}, TDefault{0}),
             Radio("ragGATsource", "source", kReverbSource, TSlot{1}, TDefault{0}),
             Bar("trbGATdecay", "decay", TRange{0, variant.DecayMax}, TSlot{2},
                 TDefault{variant.DecayDefault}, V::GateDecay),
             Bar("trbGATdiffusion", "diffusion", TRange{1, 3}, TSlot{3}, TDefault{3}, V::Diffusion),
             Bar("trbGATlevel", "level", TRange{0, 63}, TSlot{4}, TDefault{63}, V::RegenPercent)}};
}

TEffectPage TappedDdl(const TTappedDdl& variant) {
    return {"Tapped DDL",
            "tsTappedDDL",
            {Radio("ragTAPtype", "type",
                   {"Flat-1m", "Flat-1s", "Reverse-1m", "Reverse-1s", "Slope-1m", "Slope-1s",
                    "Flat-2m", "Flat-2s", "Reverse-2m", "Reverse-2s", "Slope-2m", "Slope-2s",
                    "Flat-3m", "Flat-3s", "Reverse-3m", "Reverse-3s", "Slope-3m", "Slope-3s"},
                   TSlot{0}, TDefault{0}),
             Bar("trbTAPtaps", "taps", TRange{0, 7}, TSlot{1}, TDefault{2}, V::Number),
             Bar("trbTAPdelay", "delay", TRange{0, variant.DelayMax}, TSlot{2},
                 TDefault{variant.DelayDefault}, V::DelayLength),
             Bar("trbTAPfine", "fine", TRange{1, 50}, TSlot{3}, TDefault{0}, V::Milliseconds),
             Bar("trbTAPregen", "regen", TRange{0, 63}, TSlot{4}, TDefault{48}, V::RegenPercent),
             Bar("trbTAPlevel", "level", TRange{0, 63}, TSlot{5}, TDefault{63}, V::RegenPercent)}};
}

TEffectPage RegenDdl(const TRegenDdl& variant) {
    return {"Regen DDL",
            "tsRegenDDL",
            {Bar("trbREGdelay", "delay", TRange{0, variant.DelayMax}, TSlot{0},
                 TDefault{variant.DelayDefault}, V::DelayLength),
             Bar("trbREGfine", "fine", TRange{1, 50}, TSlot{1}, TDefault{0}, V::Milliseconds),
             Bar("trbREGregen", "regen", TRange{0, 63}, TSlot{2}, TDefault{variant.RegenDefault},
                 V::RegenPercent),
             Bar("trbREGlevel", "level", TRange{0, 63}, TSlot{3}, TDefault{63}, V::RegenPercent)}};
}

TEffectPage StereoDdl(const TStereoDdl& variant) {
    return {"Stereo DDL",
            "tsStereoDDL",
            {Bar("trbSDDleft_delay_lgth", "left delay lgth", TRange{0, variant.DelayMax}, TSlot{0},
                 TDefault{variant.LeftDefault}, V::DelayLength),
             Bar("trbSDDleft_delay_fine", "left delay fine", TRange{0, 50}, TSlot{1}, TDefault{0},
                 V::Milliseconds),
             Bar("trbSDDright_delay_lgth", "right delay lgth", TRange{0, variant.DelayMax},
                 TSlot{2}, TDefault{variant.RightDefault}, V::DelayLength),
             Bar("trbSDDright_delay_fine", "right delay fine", TRange{0, 50}, TSlot{3}, TDefault{0},
                 V::Milliseconds),
             Bar("trbSDDregen", "regen", TRange{0, 63}, TSlot{4}, TDefault{variant.RegenDefault},
                 V::RegenPercent),
             Bar("trbSDDdamping", "damping", TRange{0, 31}, TSlot{5}, TDefault{0}, V::LevelPercent),
             Bar("trbSDDlevel", "level", TRange{0, 63}, TSlot{6}, TDefault{63}, V::RegenPercent)}};
}

TEffectPage Sampler(int lengthMax) {
    return {"Sampler",
            "tsSampler",
            {Radio("ragSMPstate", "state", {"Record ready"}, TSlot{0}, TDefault{0}),
             Radio("ragSMPrecord", "record", kSamplerRecord, TSlot{1}, TDefault{0}),
             Radio("ragSMPplay", "play", kSamplerPlay, TSlot{2}, TDefault{0}),
             Bar("trbSMPlength", "length", TRange{1, lengthMax}, TSlot{3}, TDefault{lengthMax},
                 V::SampleLength),
             Bar("trbSMPstart", "start", TRange{0, 100}, TSlot{4}, TDefault{5}, V::Milliseconds),
             Bar("trbSMPlevel", "level", TRange{0, 63}, TSlot{5}, TDefault{63}, V::RegenPercent)}};
}
} // namespace

const std::vector<TParameterInfo>& MixParameters() {
    static const std::vector<TParameterInfo> mix = {
        Bar("trbMIXdry", "dry", TRange{0, 31}, TSlot{0}, TDefault{31}, V::LevelPercent),
        Bar("trbMIXdigital", "digital", TRange{0, 31}, TSlot{1}, TDefault{31}, V::LevelPercent),
        Bar("trbMIXanalog", "analog", TRange{0, 31}, TSlot{2}, TDefault{31}, V::LevelPercent),
    };
    return mix;
}

const std::vector<TEffectPage>& AnalogPages() {
    static const std::vector<TEffectPage> pages = [] {
        TParameterInfo loop1{"chkPBYloop1", "loop1", K::CheckBox, 0,     1,          4, 1,
                             V::CheckMark,  {},      0,           false, "Loop 1 IN"};
        TParameterInfo loop2{"chkPBYloop2", "loop2", K::CheckBox, 0,     1,          5, 1,
                             V::CheckMark,  {},      0,           false, "Loop 2 IN"};
        return std::vector<TEffectPage>{
            {"Patch Bay",
             "tsPatchBay",
             {Radio("ragPBYdrysource", "drysource", {"Input", "Post CMP"}, TSlot{3}, TDefault{0}),
              loop1, loop2}},
            {"Compressor",
             "tsCompressor",
             {Bar("trbCMPdrive", "drive", TRange{0, 31}, TSlot{6}, TDefault{24}, V::LevelPercent),
              Radio("ragCMPslope", "slope",
                    {"1:1", "2:1", "3:1", "4:1", "10:1", "LIMIT", "RVRS1", "RVRS2"}, TSlot{7},
                    TDefault{3}),
              Radio("ragCMPattack", "attack",
                    {"2 ms", "3 ms", "4 ms", "7 ms", "14 ms", "30 ms", "50 ms"}, TSlot{8},
                    TDefault{1}),
              Radio("ragCMPrelease", "release",
                    {"200 ms", "300 ms", "350 ms", "500 ms", "750 ms", "1 sec", "2 sec"}, TSlot{9},
                    TDefault{3}),
              Bar("trbCMPoutput", "output", TRange{0, 50}, TSlot{10}, TDefault{47},
                  V::DoubledPercent)}},
            {"Expander",
             "tsExpander",
             {Bar("trbEXPrange", "range", TRange{0, 31}, TSlot{11}, TDefault{23}, V::LevelPercent),
              Radio("ragEXPratio", "ratio",
                    {"OFF", "1:1.5", "1:1.8", "1:2", "1:2.5", "1:3", "1:4", "1:5"}, TSlot{12},
                    TDefault{5})}},
            {"Distortion",
             "tsDistortion",
             {Radio("ragDSTtype", "type",
                    {"OFF", "Metal", "Rock", "Blues", "Jazz", "Turbo Tube", "Overdrive Tube",
                     "SS Dist"},
                    TSlot{13}, TDefault{5}),
              Bar("trbDSTdrive", "drive", TRange{0, 31}, TSlot{14}, TDefault{15}, V::LevelPercent),
              Bar("trbDSTbite", "bite", TRange{0, 31}, TSlot{15}, TDefault{15}, V::LevelPercent),
              Bar("trbDSTthrust", "thrust", TRange{0, 31}, TSlot{16}, TDefault{15},
                  V::LevelPercent),
              Bar("trbDSToutput", "output", TRange{0, 31}, TSlot{17}, TDefault{31},
                  V::LevelPercent)}},
            {"Exciter",
             "tsExciter",
             {Bar("trbEXCrange", "range", TRange{0, 31}, TSlot{18}, TDefault{10}, V::LevelPercent),
              Bar("trbEXCtuning", "tuning", TRange{0, 6}, TSlot{19}, TDefault{0},
                  V::ExciterTuning)}},
            {"Preamp",
             "tsPreamp",
             {Radio("ragPRAtype", "type",
                    {"Brite Tube", "Smooth Solid", "Smooth Tube", "2nd EQ Off"}, TSlot{20},
                    TDefault{0})}},
            {"Envelope Filter",
             "tsEnvelopeFilter",
             {Radio("ragENVtype", "type",
                    {"Ultra", "Super", "Medium", "Narrow", "K27 Sweep", "Reverse Low", "Reverse Hi",
                     "OFF"},
                    TSlot{21}, TDefault{0}),
              Bar("trbENVthreshold", "threshold", TRange{0, 31}, TSlot{22}, TDefault{28},
                  V::LevelPercent),
              Radio("ragENVattack", "attack",
                    {"360 ms", "180 ms", "120 ms", "80 ms", "50 ms", "40 ms", "30 ms"}, TSlot{23},
                    TDefault{5}),
              Bar("trbENVtuning", "tuning", TRange{0, 63}, TSlot{24}, TDefault{35},
                  V::EnvelopeTuning)}},
            {"NoiseGate",
             "tsNoiseGate",
             {Bar("trbNGTrange", "range", TRange{0, 31}, TSlot{25}, TDefault{15},
                  V::LevelPercent)}},
            {"Equalizer",
             "tsEqualizer",
             {Band("scrEQU40Hz", "40Hz", TSlot{26}), Band("scrEQU100Hz", "100Hz", TSlot{27}),
              Band("scrEQU250Hz", "250Hz", TSlot{28}), Band("scrEQU640Hz", "640Hz", TSlot{29}),
              Band("scrEQU1600Hz", "1600Hz", TSlot{30}), Band("scrEQU4KHz", "4KHz", TSlot{31}),
              Band("scrEQU10KHz", "10KHz", TSlot{32})}},
            {"AES",
             "tsAES",
             {Radio("ragAEStype", "type",
                    {"OFF", "Dead Room", "Heavy Carpet", "Wood/Rug Mix", "Drape/Carpet",
                     "Wood + Tile", "Pews/People", "Wood Baffles", "Lt Floor Rug", "Ceiling Drape",
                     "Stone Ceiling", "Wall Drapes", "Natural Wood", "Open Ambience"},
                    TSlot{33}, TDefault{0})}},
            {"Effect Crossover",
             "tsContour",
             {Radio("ragDGCoutput", "output",
                    {"Hi/Lo Split", "High To DigFX", "Low To AnFX", "Bypass"}, TSlot{34},
                    TDefault{3}),
              Radio("ragDGCtuning", "tuning",
                    {"110 hz", "160 hz", "230 hx", "350 hz", "560 hz", "1K hz", "2K hz"}, TSlot{35},
                    TDefault{3})}},
            {"Prog Level",
             "tsLevel",
             {Bar("trbLVLmaster", "master", TRange{0, 48}, TSlot{36}, TDefault{45},
                  V::MasterLevel)}},
        };
    }();
    return pages;
}

const std::vector<TEffectPage>& DigitalEffectPages() {
    static const std::vector<TEffectPage> pages = [] {
        const TEffectPage flanger{
            "Flanger",
            "tsFlanger",
            {Radio("ragFLAtype", "type",
                   {"OFF", "Post Reverb", "Post, Inv L", "Post, Inv R", "Pos, Inv L+R",
                    "Pre-Reverb", "Pre, Inv L", "Pre, Inv R", "Pre, Inv L+R"},
                   TSlot{0}, TDefault{4}, 3),
             Bar("trbFLAwidth", "width", TRange{0, 31}, TSlot{1}, TDefault{22}, V::LevelPercent),
             Bar("trbFLAspeed", "speed", TRange{0, 84}, TSlot{2}, TDefault{20}, V::ModSpeed),
             Bar("trbFLAregen", "regen", TRange{0, 63}, TSlot{3}, TDefault{48}, V::RegenPercent),
             Bar("trbFLAlevel", "level", TRange{0, 63}, TSlot{4}, TDefault{63}, V::RegenPercent)}};
        const TEffectPage chorus{
            "Chorus",
            "tsChorus",
            {Radio("ragCHOtype", "type", {"OFF", "Post", "Pre"}, TSlot{0}, TDefault{1}),
             Bar("trbCHOwidth", "width", TRange{0, 31}, TSlot{1}, TDefault{10}, V::LevelPercent),
             Bar("trbCHOspeed", "speed", TRange{0, 84}, TSlot{2}, TDefault{20}, V::ModSpeed),
             Bar("trbCHOdelay", "delay", TRange{0, 47}, TSlot{3}, TDefault{30}, V::Milliseconds),
             Bar("trbCHOlevel", "level", TRange{0, 63}, TSlot{4}, TDefault{63}, V::RegenPercent)}};
        const TEffectPage pitch{
            "Pitch Trans",
            "tsPitchTrans",
            {Radio("ragPTRtype", "type", kPitchType, TSlot{0}, TDefault{3}),
             Bar("trbPTRpitch", "pitch", TRange{0, 24}, TSlot{1}, TDefault{12}, V::Semitone),
             Bar("trbPTRfine", "fine", TRange{0, 127}, TSlot{2}, TDefault{63}, V::FineTune),
             BaseKey("lstPTRbase_key", 3),
             Bar("trbPTRregen", "regen", TRange{0, 63}, TSlot{4}, TDefault{0}, V::RegenPercent),
             Bar("trbPTRlevel", "level", TRange{0, 63}, TSlot{5}, TDefault{63}, V::RegenPercent)}};
        const TEffectPage panner{
            "Panner",
            "tsPanner",
            {Bar("trbPANmod", "mod", TRange{0, 31}, TSlot{0}, TDefault{31}, V::LevelPercent),
             Bar("trbPANspeed", "speed", TRange{0, 84}, TSlot{1}, TDefault{40}, V::ModSpeed)}};
        const TEffectPage tremolo{
            "Tremolo",
            "tsTremolo",
            {Bar("trbTRMmod", "mod", TRange{0, 31}, TSlot{0}, TDefault{31}, V::LevelPercent),
             Bar("trbTRMspeed", "speed", TRange{0, 84}, TSlot{1}, TDefault{40}, V::ModSpeed)}};
        TParameterInfo position =
            Bar("trbMPNpos", "pos", TRange{0, 127}, TSlot{0}, TDefault{64}, V::Number);
        position.Mirrored = true;
        const TEffectPage midiPan{"MIDI Pan", "tsMIDIPan", {position}};
        const TEffectPage samplerPitch{
            "Sampler+PTr",
            "tsSamplerPTr",
            {Radio("ragSPTstate", "state", {"Record ready"}, TSlot{0}, TDefault{0}),
             Radio("ragSPTrecord", "record", kSamplerRecord, TSlot{1}, TDefault{0}),
             Radio("ragSPTplay", "play", kSamplerPlay, TSlot{2}, TDefault{0}),
             Bar("trbSPTlength", "length", TRange{1, 100}, TSlot{3}, TDefault{100},
                 V::SampleLength),
             Bar("trbSPTstart", "start", TRange{0, 100}, TSlot{4}, TDefault{5}, V::Milliseconds),
             Bar("trbSPTpitch", "pitch", TRange{0, 24}, TSlot{5}, TDefault{12}, V::Semitone),
             Bar("trbSPTfine", "fine", TRange{0, 127}, TSlot{6}, TDefault{63}, V::FineTune),
             BaseKey("lstSPTbase_key", 7),
             Bar("trbSPTlevel", "level", TRange{0, 63}, TSlot{8}, TDefault{63}, V::RegenPercent)}};
        const TEffectPage tuner{
            "Tuner",
            "tsTuner",
            {Radio("ragTNRtype", "type", {"Bass", "Guitar", "Bass 12F", "Guitar 12F"}, TSlot{0},
                   TDefault{1}),
             Radio("ragTNRreference", "reference",
                   {"OFF", "E 164", "A 220", "D 284", "G 392", "B 494", "E 659", "A 440", "Auto"},
                   TSlot{1}, TDefault{0}),
             Bar("trbTNRdetune", "detune", TRange{0, 100}, TSlot{2}, TDefault{50}, V::Detune),
             Bar("trbTNRlevel", "level", TRange{0, 63}, TSlot{3}, TDefault{0}, V::RegenPercent)}};
        const TEffectPage phaser{
            "Phaser",
            "tsPhaser",
            {Radio("ragPSRtype", "type", {"Off", "Post", "Pre"}, TSlot{0}, TDefault{1}),
             Bar("trbPSRwidth", "width", TRange{0, 31}, TSlot{1}, TDefault{20}, V::LevelPercent),
             Bar("trbPSRspeed", "speed", TRange{0, 84}, TSlot{2}, TDefault{20}, V::ModSpeed),
             Bar("trbPSRregen", "regen", TRange{0, 63}, TSlot{3}, TDefault{31}, V::RegenPercent),
             Bar("trbPSRdepth", "depth", TRange{0, 63}, TSlot{4}, TDefault{63}, V::RegenPercent)}};
        const TEffectPage dualPitch{
            "Dual PTr",
            "tsDualPTr",
            {Radio("rag2PTtype", "type", kPitchType, TSlot{0}, TDefault{3}),
             Bar("trb2PTpitch_1", "pitch 1", TRange{0, 24}, TSlot{1}, TDefault{12}, V::Semitone),
             Bar("trb2PTfine_1", "fine 1", TRange{0, 127}, TSlot{2}, TDefault{63}, V::FineTune),
             Bar("trb2PTpitch_2", "pitch 2", TRange{0, 24}, TSlot{3}, TDefault{12}, V::Semitone),
             Bar("trb2PTfine_2", "fine 2", TRange{0, 127}, TSlot{4}, TDefault{63}, V::FineTune),
             Radio("rag2PTregen_feed", "regen feed", {"Pre", "Post"}, TSlot{5}, TDefault{0}),
             Bar("trb2PTlevel", "level", TRange{0, 63}, TSlot{6}, TDefault{63}, V::RegenPercent),
             Bar("trb2PTpan_pos_1", "pan pos 1", TRange{0, 63}, TSlot{7}, TDefault{31}, V::Number),
             Bar("trb2PTpan_pos_2", "pan pos 2", TRange{0, 63}, TSlot{8}, TDefault{31},
                 V::Number)}};
        return std::vector<TEffectPage>{
            {"Low Pass",
             "tsLowPass",
             {Bar("trbLPFfrequency", "frequency", TRange{0, 30}, TSlot{0}, TDefault{30},
                  V::CutoffFrequency)}},
            flanger,
            chorus,
            pitch,
            panner,
            tremolo,
            midiPan,
            Reverb(7),
            Reverb(8),
            Reverb(9),
            GateVerb({.DecayMax = 4, .DecayDefault = 4}),
            GateVerb({.DecayMax = 7, .DecayDefault = 7}),
            GateVerb({.DecayMax = 7, .DecayDefault = 7}),
            TappedDdl({.DelayMax = 118, .DelayDefault = 20}),
            TappedDdl({.DelayMax = 122, .DelayDefault = 48}),
            RegenDdl({.DelayMax = 118, .DelayDefault = 20, .RegenDefault = 48}),
            RegenDdl({.DelayMax = 122, .DelayDefault = 40, .RegenDefault = 31}),
            StereoDdl({.DelayMax = 122, .LeftDefault = 16, .RightDefault = 22, .RegenDefault = 48}),
            StereoDdl({.DelayMax = 126, .LeftDefault = 50, .RightDefault = 25, .RegenDefault = 28}),
            Sampler(104),
            Sampler(127),
            samplerPitch,
            tuner,
            phaser,
            dualPitch,
        };
    }();
    return pages;
}

int DefaultParameterValue(int slot) {
    for (const TParameterInfo& parameter : MixParameters())
        if (parameter.Offset == slot)
            return parameter.Default;
    for (const TEffectPage& page : AnalogPages())
        for (const TParameterInfo& parameter : page.Parameters)
            if (parameter.Offset == slot)
                return parameter.Default;
    return 0;
}

const std::array<std::string, 128>& BaseKeyNames() {
    static const std::array<std::string, 128> names = [] {
        std::array<std::string, 128> all;
        const char* const low[] = {"OFF", "C#-", "D -", "D#-",  "E -", "F -",
                                   "F#-", "G -", "G#-", "A - ", "A#-", "B -"};
        const char* const notes[] = {"C ", "C#", "D ", "D#", "E ", "F ",
                                     "F#", "G ", "G#", "A ", "A#", "B "};
        for (int i = 0; i < 12; ++i)
            all[static_cast<std::size_t>(i)] = low[i];
        for (int note = 12; note < 128; ++note) {
            const int octave = note / 12 - 1;
            const int step = note % 12;
            std::string name = notes[step] + std::to_string(octave);
            if (step == 9)
                name += ' '; // "A 0 " and its octaves carry a trailing blank
            all[static_cast<std::size_t>(note)] = name;
        }
        return all;
    }();
    return names;
}

int ClampToRange(const TParameterInfo& parameter, int storedValue) {
    if (parameter.Kind != TControlKind::TrackBar && parameter.Kind != TControlKind::EqualizerBand)
        return storedValue;
    return std::clamp(storedValue, parameter.Min, parameter.Max);
}

std::string ParameterValueText(const TParameterInfo& parameter, int storedValue) {
    const int value = ClampToRange(parameter, storedValue);
    switch (parameter.Text) {
    case V::Number:
        return std::to_string(value);
    case V::Item: {
        if (parameter.Kind == TControlKind::BaseKeyList)
            return value >= 0 && value < 128 ? BaseKeyNames()[static_cast<std::size_t>(value)]
                                             : std::to_string(value);
        const int index = value - parameter.DataAddend;
        if (index >= 0 && static_cast<std::size_t>(index) < parameter.Items.size())
            return std::string(parameter.Items[static_cast<std::size_t>(index)]);
        return "(" + std::to_string(value) + ")";
    }
    case V::CheckMark:
        return value != 0 ? "on" : "off";
    case V::LevelPercent:
        return LevelPercentText(value);
    case V::RegenPercent:
        return RegenPercentText(value);
    case V::EqGain:
        return EqGainText(value);
    case V::ModSpeed:
        return ModSpeedText(value);
    case V::Semitone:
        return SemitoneText(value);
    case V::FineTune:
        return FineTuneText(value);
    case V::DelayLength:
        return DelayLengthText(value);
    case V::SampleLength:
        return SampleLengthText(value);
    case V::MasterLevel:
        return MasterLevelText(value);
    case V::Milliseconds:
        return MillisecondsText(value);
    case V::Diffusion:
        return DiffusionText(value);
    case V::ReverbDecay:
        return ReverbDecayText(value);
    case V::GateDecay:
        return GateDecayText(value);
    case V::CutoffFrequency:
        return CutoffFrequencyText(value);
    case V::Damping:
        return DampingText(value);
    case V::Detune:
        return DetuneText(value);
    case V::ExciterTuning:
        return ExciterTuningText(value);
    case V::EnvelopeTuning:
        return EnvelopeTuningText(value);
    case V::DoubledPercent:
        return DoubledPercentText(value);
    case V::ReverbPosition:
        return ReverbPositionText(value);
    }
    return std::to_string(value);
}

std::string RangeValueText(const TParameterInfo& parameter, int position) {
    const int x = position;
    switch (parameter.Kind) {
    case K::RadioGroup: {
        const int index = x - parameter.DataAddend;
        return index >= 0 && static_cast<std::size_t>(index) < parameter.Items.size()
                   ? std::string(parameter.Items[static_cast<std::size_t>(index)])
                   : std::string();
    }
    case K::BaseKeyList:
        return x >= 0 && x < 128 ? BaseKeyNames()[static_cast<std::size_t>(x)] : std::string();
    case K::CheckBox:
        return x == 1 ? "on" : "off";
    case K::EqualizerBand:
        return EqGainText(x);
    case K::TrackBar:
        break;
    }
    // "trbCMPdrive": the effect code "CMP" and the name "drive"; "trb2PTpan_pos_1": "pan pos 1".
    const std::string_view control = parameter.Control;
    const std::string_view code = control.size() >= 6 ? control.substr(3, 3) : std::string_view();
    std::string name(control.size() > 6 ? control.substr(6) : std::string_view());
    std::replace(name.begin(), name.end(), '_', ' ');
    const auto has = [&name](std::string_view part) {
        return name.find(part) != std::string::npos;
    };
    const int maximum = parameter.Max;
    if (has("fine"))
        return code == "PTR" || code == "SPT" || code == "2PT" ? FineTuneText(x)
                                                               : MillisecondsText(x);
    if (has("delay"))
        return code == "CHO" ? MillisecondsText(x) : DelayLengthText(x);
    if (has("speed"))
        return ModSpeedText(x);
    if (has("pitch"))
        return SemitoneText(x);
    if (maximum == 31)
        return LevelPercentText(x);
    if (maximum == 63) {
        if (name == "tuning" && code == "ENV")
            return EnvelopeTuningText(x);
        if (has("pan pos"))
            return std::to_string(x);
        return RegenPercentText(x);
    }
    if (code == "LVL")
        return MasterLevelText(x);
    if (name == "diffusion")
        return DiffusionText(x);
    if (name == "output" && code == "CMP")
        return DoubledPercentText(x);
    if (name == "decay")
        return code == "REV" ? ReverbDecayText(x) : GateDecayText(x);
    if (name == "length" && (code == "SMP" || code == "SPT"))
        return SampleLengthText(x);
    if (code == "LPF")
        return CutoffFrequencyText(x);
    if (name == "detune" && code != "REV")
        return DetuneText(x);
    if (code == "REV" && name == "damping")
        return DampingText(x);
    if (code == "REV" && name == "position")
        return ReverbPositionText(x);
    return std::to_string(code == "MPN" ? maximum - x : x);
}

std::string_view DefaultControllerName(int row) {
    switch (row) {
    case 1:
        return "Mod wheel";
    case 2:
        return "Breath ctl";
    case 4:
        return "Foot controller";
    case 5:
        return "Portamento time";
    case 6:
        return "Data entry";
    case 7:
        return "Channel volume";
    case 8:
        return "Balance";
    case 10:
        return "Pan";
    case 11:
        return "Expression ctlr";
    case 16:
        return "General #1";
    case 17:
        return "General #2";
    case 18:
        return "General #3";
    case 19:
        return "General #4";
    case 64:
        return "Damper pedal";
    case 65:
        return "Portamento";
    case 66:
        return "Sustenuto";
    case 67:
        return "Soft pedal";
    case 68:
        return "Legato Footswitch";
    case 69:
        return "Hold 2";
    case 80:
        return "General #5";
    case 81:
        return "General #6";
    case 82:
        return "General #7";
    case 83:
        return "General #8";
    case 91:
        return "Ext FX depth";
    case 92:
        return "Tremolo depth";
    case 93:
        return "Chorus depth";
    case 94:
        return "Celeste depth";
    case 95:
        return "Phase depth";
    case 121:
        return "Note Off key number";
    case 122:
        return "Note Off key velocity";
    case 123:
        return "Note On key number";
    case 124:
        return "Note On key velocity";
    case 125:
        return "Polyphonic aftertouch";
    case 126:
        return "Channel pressure";
    case 127:
        return "Pitch bend";
    case 128:
        return "OFF";
    default:
        return "";
    }
}
