#pragma once
// Every effect parameter as one row of data: its editing control, kind, range, slot,
// default and how its value reads. The editor binds controls from these rows, the
// catalogue takes its defaults and block sizes from them, and the tool prints with them.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class TControlKind { TrackBar, RadioGroup, EqualizerBand, CheckBox, BaseKeyList };

enum class TValueText {
    Number,
    Item,
    CheckMark,
    LevelPercent,
    RegenPercent,
    EqGain,
    ModSpeed,
    Semitone,
    FineTune,
    DelayLength,
    SampleLength,
    MasterLevel,
    Milliseconds,
    Diffusion,
    ReverbDecay,
    GateDecay,
    CutoffFrequency,
    Damping,
    Detune,
    ExciterTuning,
    EnvelopeTuning,
    DoubledPercent,
    ReverbPosition,
};

struct TParameterInfo {
    std::string_view Control; // component name, e.g. "trbCMPdrive"
    std::string_view Name;    // parameter name as listed, e.g. "drive"
    TControlKind Kind;
    int Min;
    int Max;
    int Offset; // the slot for mix and analog parameters; k of D+k for digital ones
    int Default;
    TValueText Text;
    std::vector<std::string_view> Items = {}; // radio group items
    int DataAddend = 0;                       // radio groups: stored value = item index + this
    bool Mirrored = false;                    // stored value = Max - position
    std::string_view Caption = {};            // check boxes
};

// A tab of parameters: an analog effect, or one digital effect (effects sharing a tab
// have a page each here, with their own ranges, defaults and items).
struct TEffectPage {
    std::string_view Caption; // tab caption
    std::string_view Sheet;   // tab sheet name
    std::vector<TParameterInfo> Parameters;
};

const std::vector<TParameterInfo>& MixParameters();   // slots 0..2
const std::vector<TEffectPage>& AnalogPages();        // 12 pages, slots 3..36 in page order
const std::vector<TEffectPage>& DigitalEffectPages(); // 25 pages, by digital effect index

// Default of every parameter slot of a new record (the digital area holds 0).
int DefaultParameterValue(int slot);

// Note names of the base-key lists, index = MIDI note number.
const std::array<std::string, 128>& BaseKeyNames();

// The stored value as the editor shows it (a value outside a control's range is shown as
// the control would show it after clamping; a radio value without an item as a number).
std::string ParameterValueText(const TParameterInfo& parameter, int storedValue);
// The stored value a typed text stands for: the exact inverse of ParameterValueText for every
// value of the row's range (case and spaces aside), else the nearest value to a number — with
// its unit ("82%", "1.2 s", "2 KHz") or plain, read as the value texts' own numbers ("1.2" is
// the delay's "1.20 s"). Nothing for a text that fits no value.
std::optional<int> ReadParameterValue(const TParameterInfo& parameter, std::string_view text);
// What a control takes, for a typed text that was refused: "Takes 0% to 100%".
std::string ParameterValueHint(const TParameterInfo& parameter);
// What the performance MIDI range selectors show for a position of the parameter's range. These
// texts follow rules of their own, keyed on the control's name and range rather than on the
// parameter's value text: that is how the range has always read in the editor and its printed
// listing, and a listing printed today must read like one printed before. Most parameters come
// out as their own texts say; the exciter tuning and the sampler start match no rule and read as
// plain positions there, while their own labels show Hz and ms.
std::string RangeValueText(const TParameterInfo& parameter, int position);
// The value of a track bar or meter after it has been bound: clamped into its range.
int ClampToRange(const TParameterInfo& parameter, int storedValue);

// The default name of a controller row 0..128 of the controller list; empty when it has none.
std::string_view DefaultControllerName(int row);
