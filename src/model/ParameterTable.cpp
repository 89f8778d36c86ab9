// The parameter tables.

#include "model/ParameterTable.h"

#include "model/ValueText.h"

#include <algorithm>

namespace {
using K = TControlKind;
using V = TValueText;

TParameterInfo Bar(std::string_view control, std::string_view name, int min, int max, int offset,
                   int def, V text) {
    return {control, name, K::TrackBar, min, max, offset, def, text};
}

TParameterInfo Radio(std::string_view control, std::string_view name,
                     std::vector<std::string_view> items, int offset, int def, int addend = 0) {
    const int count = static_cast<int>(items.size());
    return {control, name, K::RadioGroup, addend,           addend + count - 1,
            offset,  def,  V::Item,       std::move(items), addend};
}

TParameterInfo Band(std::string_view control, std::string_view name, int slot) {
    return {control, name, K::EqualizerBand, 0, 12, slot, 6, V::EqGain};
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
    p.push_back(Radio("ragREVtype", "type", items, 0, first + 1, first + 1));
    p.push_back(Radio("ragREVsource", "source", kReverbSource, 1, 0));
    p.push_back(Bar("trbREVdecay", "decay", 0, 47, 2, 17, V::ReverbDecay));
    p.push_back(Bar("trbREVdamping", "damping", 0, 7, 3, 2, V::Damping));
    p.push_back(Bar("trbREVposition", "position", 0, 6, 4, effect == 9 ? 4 : 5, V::ReverbPosition));
    if (effect == 9)
        p.push_back(Bar("trbREVdiffusion", "diffusion", 0, 3, 5, 3, V::Diffusion));
    p.push_back(Bar("trbREVlevel", "level", 0, 63, effect == 9 ? 6 : 5, 63, V::RegenPercent));
    return page;
}

TEffectPage GateVerb(int decayMax, int decayDefault) {
    return {"Gate Verb",
            "tsGateVerb",
            {Radio("ragGATtype", "type", {"Slope", "Flat", "Reverse A", "Reverse B", "OFF"}, 0, 0),
             Radio("ragGATsource", "source", kReverbSource, 1, 0),
             Bar("trbGATdecay", "decay", 0, decayMax, 2, decayDefault, V::GateDecay),
             Bar("trbGATdiffusion", "diffusion", 1, 3, 3, 3, V::Diffusion),
             Bar("trbGATlevel", "level", 0, 63, 4, 63, V::RegenPercent)}};
}

TEffectPage TappedDdl(int delayMax, int delayDefault) {
    return {"Tapped DDL",
            "tsTappedDDL",
            {Radio("ragTAPtype", "type",
                   {"Flat-1m", "Flat-1s", "Reverse-1m", "Reverse-1s", "Slope-1m", "Slope-1s",
                    "Flat-2m", "Flat-2s", "Reverse-2m", "Reverse-2s", "Slope-2m", "Slope-2s",
                    "Flat-3m", "Flat-3s", "Reverse-3m", "Reverse-3s", "Slope-3m", "Slope-3s"},
                   0, 0),
             Bar("trbTAPtaps", "taps", 0, 7, 1, 2, V::Number),
             Bar("trbTAPdelay", "delay", 0, delayMax, 2, delayDefault, V::DelayLength),
             Bar("trbTAPfine", "fine", 1, 50, 3, 0, V::Milliseconds),
             Bar("trbTAPregen", "regen", 0, 63, 4, 48, V::RegenPercent),
             Bar("trbTAPlevel", "level", 0, 63, 5, 63, V::RegenPercent)}};
}

TEffectPage RegenDdl(int delayMax, int delayDefault, int regenDefault) {
    return {"Regen DDL",
            "tsRegenDDL",
            {Bar("trbREGdelay", "delay", 0, delayMax, 0, delayDefault, V::DelayLength),
             Bar("trbREGfine", "fine", 1, 50, 1, 0, V::Milliseconds),
             Bar("trbREGregen", "regen", 0, 63, 2, regenDefault, V::RegenPercent),
             Bar("trbREGlevel", "level", 0, 63, 3, 63, V::RegenPercent)}};
}

TEffectPage StereoDdl(int delayMax, int leftDefault, int rightDefault, int regenDefault) {
    return {"Stereo DDL",
            "tsStereoDDL",
            {Bar("trbSDDleft_delay_lgth", "left delay lgth", 0, delayMax, 0, leftDefault,
                 V::DelayLength),
             Bar("trbSDDleft_delay_fine", "left delay fine", 0, 50, 1, 0, V::Milliseconds),
             Bar("trbSDDright_delay_lgth", "right delay lgth", 0, delayMax, 2, rightDefault,
                 V::DelayLength),
             Bar("trbSDDright_delay_fine", "right delay fine", 0, 50, 3, 0, V::Milliseconds),
             Bar("trbSDDregen", "regen", 0, 63, 4, regenDefault, V::RegenPercent),
             Bar("trbSDDdamping", "damping", 0, 31, 5, 0, V::LevelPercent),
             Bar("trbSDDlevel", "level", 0, 63, 6, 63, V::RegenPercent)}};
}

TEffectPage Sampler(int lengthMax) {
    return {"Sampler",
            "tsSampler",
            {Radio("ragSMPstate", "state", {"Record ready"}, 0, 0),
             Radio("ragSMPrecord", "record", kSamplerRecord, 1, 0),
             Radio("ragSMPplay", "play", kSamplerPlay, 2, 0),
             Bar("trbSMPlength", "length", 1, lengthMax, 3, lengthMax, V::SampleLength),
             Bar("trbSMPstart", "start", 0, 100, 4, 5, V::Milliseconds),
             Bar("trbSMPlevel", "level", 0, 63, 5, 63, V::RegenPercent)}};
}
} // namespace

const std::vector<TParameterInfo>& MixParameters() {
    static const std::vector<TParameterInfo> mix = {
        Bar("trbMIXdry", "dry", 0, 31, 0, 31, V::LevelPercent),
        Bar("trbMIXdigital", "digital", 0, 31, 1, 31, V::LevelPercent),
        Bar("trbMIXanalog", "analog", 0, 31, 2, 31, V::LevelPercent),
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
             {Radio("ragPBYdrysource", "drysource", {"Input", "Post CMP"}, 3, 0), loop1, loop2}},
            {"Compressor",
             "tsCompressor",
             {Bar("trbCMPdrive", "drive", 0, 31, 6, 24, V::LevelPercent),
              Radio("ragCMPslope", "slope",
                    {"1:1", "2:1", "3:1", "4:1", "10:1", "LIMIT", "RVRS1", "RVRS2"}, 7, 3),
              Radio("ragCMPattack", "attack",
                    {"2 ms", "3 ms", "4 ms", "7 ms", "14 ms", "30 ms", "50 ms"}, 8, 1),
              Radio("ragCMPrelease", "release",
                    {"200 ms", "300 ms", "350 ms", "500 ms", "750 ms", "1 sec", "2 sec"}, 9, 3),
              Bar("trbCMPoutput", "output", 0, 50, 10, 47, V::DoubledPercent)}},
            {"Expander",
             "tsExpander",
             {Bar("trbEXPrange", "range", 0, 31, 11, 23, V::LevelPercent),
              Radio("ragEXPratio", "ratio",
                    {"OFF", "1:1.5", "1:1.8", "1:2", "1:2.5", "1:3", "1:4", "1:5"}, 12, 5)}},
            {"Distortion",
             "tsDistortion",
             {Radio("ragDSTtype", "type",
                    {"OFF", "Metal", "Rock", "Blues", "Jazz", "Turbo Tube", "Overdrive Tube",
                     "SS Dist"},
                    13, 5),
              Bar("trbDSTdrive", "drive", 0, 31, 14, 15, V::LevelPercent),
              Bar("trbDSTbite", "bite", 0, 31, 15, 15, V::LevelPercent),
              Bar("trbDSTthrust", "thrust", 0, 31, 16, 15, V::LevelPercent),
              Bar("trbDSToutput", "output", 0, 31, 17, 31, V::LevelPercent)}},
            {"Exciter",
             "tsExciter",
             {Bar("trbEXCrange", "range", 0, 31, 18, 10, V::LevelPercent),
              Bar("trbEXCtuning", "tuning", 0, 6, 19, 0, V::ExciterTuning)}},
            {"Preamp",
             "tsPreamp",
             {Radio("ragPRAtype", "type",
                    {"Brite Tube", "Smooth Solid", "Smooth Tube", "2nd EQ Off"}, 20, 0)}},
            {"Envelope Filter",
             "tsEnvelopeFilter",
             {Radio("ragENVtype", "type",
                    {"Ultra", "Super", "Medium", "Narrow", "K27 Sweep", "Reverse Low", "Reverse Hi",
                     "OFF"},
                    21, 0),
              Bar("trbENVthreshold", "threshold", 0, 31, 22, 28, V::LevelPercent),
              Radio("ragENVattack", "attack",
                    {"360 ms", "180 ms", "120 ms", "80 ms", "50 ms", "40 ms", "30 ms"}, 23, 5),
              Bar("trbENVtuning", "tuning", 0, 63, 24, 35, V::EnvelopeTuning)}},
            {"NoiseGate",
             "tsNoiseGate",
             {Bar("trbNGTrange", "range", 0, 31, 25, 15, V::LevelPercent)}},
            {"Equalizer",
             "tsEqualizer",
             {Band("scrEQU40Hz", "40Hz", 26), Band("scrEQU100Hz", "100Hz", 27),
              Band("scrEQU250Hz", "250Hz", 28), Band("scrEQU640Hz", "640Hz", 29),
              Band("scrEQU1600Hz", "1600Hz", 30), Band("scrEQU4KHz", "4KHz", 31),
              Band("scrEQU10KHz", "10KHz", 32)}},
            {"AES",
             "tsAES",
             {Radio("ragAEStype", "type",
                    {"OFF", "Dead Room", "Heavy Carpet", "Wood/Rug Mix", "Drape/Carpet",
                     "Wood + Tile", "Pews/People", "Wood Baffles", "Lt Floor Rug", "Ceiling Drape",
                     "Stone Ceiling", "Wall Drapes", "Natural Wood", "Open Ambience"},
                    33, 0)}},
            {"Effect Crossover",
             "tsContour",
             {Radio("ragDGCoutput", "output",
                    {"Hi/Lo Split", "High To DigFX", "Low To AnFX", "Bypass"}, 34, 3),
              Radio("ragDGCtuning", "tuning",
                    {"110 hz", "160 hz", "230 hx", "350 hz", "560 hz", "1K hz", "2K hz"}, 35, 3)}},
            {"Prog Level",
             "tsLevel",
             {Bar("trbLVLmaster", "master", 0, 48, 36, 45, V::MasterLevel)}},
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
                   0, 4, 3),
             Bar("trbFLAwidth", "width", 0, 31, 1, 22, V::LevelPercent),
             Bar("trbFLAspeed", "speed", 0, 84, 2, 20, V::ModSpeed),
             Bar("trbFLAregen", "regen", 0, 63, 3, 48, V::RegenPercent),
             Bar("trbFLAlevel", "level", 0, 63, 4, 63, V::RegenPercent)}};
        const TEffectPage chorus{"Chorus",
                                 "tsChorus",
                                 {Radio("ragCHOtype", "type", {"OFF", "Post", "Pre"}, 0, 1),
                                  Bar("trbCHOwidth", "width", 0, 31, 1, 10, V::LevelPercent),
                                  Bar("trbCHOspeed", "speed", 0, 84, 2, 20, V::ModSpeed),
                                  Bar("trbCHOdelay", "delay", 0, 47, 3, 30, V::Milliseconds),
                                  Bar("trbCHOlevel", "level", 0, 63, 4, 63, V::RegenPercent)}};
        const TEffectPage pitch{"Pitch Trans",
                                "tsPitchTrans",
                                {Radio("ragPTRtype", "type", kPitchType, 0, 3),
                                 Bar("trbPTRpitch", "pitch", 0, 24, 1, 12, V::Semitone),
                                 Bar("trbPTRfine", "fine", 0, 127, 2, 63, V::FineTune),
                                 BaseKey("lstPTRbase_key", 3),
                                 Bar("trbPTRregen", "regen", 0, 63, 4, 0, V::RegenPercent),
                                 Bar("trbPTRlevel", "level", 0, 63, 5, 63, V::RegenPercent)}};
        const TEffectPage panner{"Panner",
                                 "tsPanner",
                                 {Bar("trbPANmod", "mod", 0, 31, 0, 31, V::LevelPercent),
                                  Bar("trbPANspeed", "speed", 0, 84, 1, 40, V::ModSpeed)}};
        const TEffectPage tremolo{"Tremolo",
                                  "tsTremolo",
                                  {Bar("trbTRMmod", "mod", 0, 31, 0, 31, V::LevelPercent),
                                   Bar("trbTRMspeed", "speed", 0, 84, 1, 40, V::ModSpeed)}};
        TParameterInfo position = Bar("trbMPNpos", "pos", 0, 127, 0, 64, V::Number);
        position.Mirrored = true;
        const TEffectPage midiPan{"MIDI Pan", "tsMIDIPan", {position}};
        const TEffectPage samplerPitch{
            "Sampler+PTr",
            "tsSamplerPTr",
            {Radio("ragSPTstate", "state", {"Record ready"}, 0, 0),
             Radio("ragSPTrecord", "record", kSamplerRecord, 1, 0),
             Radio("ragSPTplay", "play", kSamplerPlay, 2, 0),
             Bar("trbSPTlength", "length", 1, 100, 3, 100, V::SampleLength),
             Bar("trbSPTstart", "start", 0, 100, 4, 5, V::Milliseconds),
             Bar("trbSPTpitch", "pitch", 0, 24, 5, 12, V::Semitone),
             Bar("trbSPTfine", "fine", 0, 127, 6, 63, V::FineTune), BaseKey("lstSPTbase_key", 7),
             Bar("trbSPTlevel", "level", 0, 63, 8, 63, V::RegenPercent)}};
        const TEffectPage tuner{
            "Tuner",
            "tsTuner",
            {Radio("ragTNRtype", "type", {"Bass", "Guitar", "Bass 12F", "Guitar 12F"}, 0, 1),
             Radio("ragTNRreference", "reference",
                   {"OFF", "E 164", "A 220", "D 284", "G 392", "B 494", "E 659", "A 440", "Auto"},
                   1, 0),
             Bar("trbTNRdetune", "detune", 0, 100, 2, 50, V::Detune),
             Bar("trbTNRlevel", "level", 0, 63, 3, 0, V::RegenPercent)}};
        const TEffectPage phaser{"Phaser",
                                 "tsPhaser",
                                 {Radio("ragPSRtype", "type", {"Off", "Post", "Pre"}, 0, 1),
                                  Bar("trbPSRwidth", "width", 0, 31, 1, 20, V::LevelPercent),
                                  Bar("trbPSRspeed", "speed", 0, 84, 2, 20, V::ModSpeed),
                                  Bar("trbPSRregen", "regen", 0, 63, 3, 31, V::RegenPercent),
                                  Bar("trbPSRdepth", "depth", 0, 63, 4, 63, V::RegenPercent)}};
        const TEffectPage dualPitch{"Dual PTr",
                                    "tsDualPTr",
                                    {Radio("rag2PTtype", "type", kPitchType, 0, 3),
                                     Bar("trb2PTpitch_1", "pitch 1", 0, 24, 1, 12, V::Semitone),
                                     Bar("trb2PTfine_1", "fine 1", 0, 127, 2, 63, V::FineTune),
                                     Bar("trb2PTpitch_2", "pitch 2", 0, 24, 3, 12, V::Semitone),
                                     Bar("trb2PTfine_2", "fine 2", 0, 127, 4, 63, V::FineTune),
                                     Radio("rag2PTregen_feed", "regen feed", {"Pre", "Post"}, 5, 0),
                                     Bar("trb2PTlevel", "level", 0, 63, 6, 63, V::RegenPercent),
                                     Bar("trb2PTpan_pos_1", "pan pos 1", 0, 63, 7, 31, V::Number),
                                     Bar("trb2PTpan_pos_2", "pan pos 2", 0, 63, 8, 31, V::Number)}};
        return std::vector<TEffectPage>{
            {"Low Pass",
             "tsLowPass",
             {Bar("trbLPFfrequency", "frequency", 0, 30, 0, 30, V::CutoffFrequency)}},
            flanger,
            chorus,
            pitch,
            panner,
            tremolo,
            midiPan,
            Reverb(7),
            Reverb(8),
            Reverb(9),
            GateVerb(4, 4),
            GateVerb(7, 7),
            GateVerb(7, 7),
            TappedDdl(118, 20),
            TappedDdl(122, 48),
            RegenDdl(118, 20, 48),
            RegenDdl(122, 40, 31),
            StereoDdl(122, 16, 22, 48),
            StereoDdl(126, 50, 25, 28),
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
