// A change to many presets: reading it, checking it against the catalogue, applying it.

#include "model/PresetEdit.h"

#include "model/DeviceMode.h"
#include "model/ParameterTable.h"
#include "model/Preset.h"
#include "model/ValueText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>

namespace {
const std::string kMiddleDot = "\u00b7";

// A name as compared: lower case letters, digits and '+' ("Prog. Level" is "proglevel").
std::string NameKey(std::string_view name) {
    std::string key;
    for (const char c : name)
        if (std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+')
            key += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

std::string ParameterCaption(const TParameterInfo& parameter) {
    std::string name(parameter.Name);
    std::replace(name.begin(), name.end(), '_', ' ');
    if (!name.empty() && name[0] >= 'a' && name[0] <= 'z')
        name[0] = static_cast<char>(name[0] - 'a' + 'A');
    return name;
}

// A parameter of the catalogue an edit may mean.
struct TCandidate {
    TParameterOwner Owner = TParameterOwner::None;
    int Effect = -1;
    int Index = -1;
    const TParameterInfo* Parameter = nullptr;
    std::string EffectName; // "Noise Gate", "Reverb 2", "Mix"
    std::string Caption;    // the tab: "NoiseGate", "Reverb", "Mix"
};

// Every parameter of every effect whose name or tab caption is the key, in catalogue order;
// with an empty parameter key, one entry an effect (Index -1). (effect, parameter): as typed.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::vector<TCandidate> Candidates(const std::string& effectKey, const std::string& parameterKey) {
    std::vector<TCandidate> found;
    const auto look = [&](TCandidate effect, const std::vector<TParameterInfo>& parameters) {
        if (NameKey(effect.EffectName) != effectKey && NameKey(effect.Caption) != effectKey)
            return;
        if (parameterKey.empty())
            return found.push_back(effect);
        for (std::size_t i = 0; i < parameters.size(); ++i)
            if (NameKey(parameters[i].Name) == parameterKey) {
                effect.Index = static_cast<int>(i);
                effect.Parameter = &parameters[i];
                found.push_back(effect);
            }
    };
    look({TParameterOwner::Mix, -1, -1, nullptr, "Mix", "Mix"}, MixParameters());
    for (int block = 0; block < kAnalogBlockCount; ++block) {
        const auto b = static_cast<std::size_t>(block);
        look({TParameterOwner::Analog, block, -1, nullptr, std::string(AnalogBlocks()[b].Name),
              std::string(AnalogPages()[b].Caption)},
             AnalogPages()[b].Parameters);
    }
    for (int effect = 0; effect < kDigitalEffectTotal; ++effect) {
        const TEffectPage& page = DigitalEffectPages()[static_cast<std::size_t>(effect)];
        look({TParameterOwner::Digital, effect, -1, nullptr, std::string(DigitalEffectName(effect)),
              std::string(page.Caption)},
             page.Parameters);
    }
    return found;
}

// How the edit names its effect: the effect's own name, or the tab's when it stands for several.
std::string EffectWord(const std::vector<TCandidate>& candidates) {
    if (candidates.empty())
        return {};
    for (const TCandidate& candidate : candidates)
        if (candidate.Owner != candidates.front().Owner ||
            candidate.Effect != candidates.front().Effect)
            return candidates.front().Caption;
    return candidates.front().EffectName;
}

std::string EditSubject(const std::vector<TCandidate>& candidates) {
    return EffectWord(candidates) + " " + kMiddleDot + " " +
           ParameterCaption(*candidates.front().Parameter);
}

// The names of the effect's parameters, for a parameter it does not have.
std::string ParameterList(const std::vector<TCandidate>& effects) {
    std::string names;
    const std::vector<TParameterInfo>* parameters = nullptr;
    const TCandidate& effect = effects.front();
    if (effect.Owner == TParameterOwner::Mix)
        parameters = &MixParameters();
    else if (effect.Owner == TParameterOwner::Analog)
        parameters = &AnalogPages()[static_cast<std::size_t>(effect.Effect)].Parameters;
    else
        parameters = &DigitalEffectPages()[static_cast<std::size_t>(effect.Effect)].Parameters;
    for (const TParameterInfo& parameter : *parameters) {
        std::string name(parameter.Name);
        std::replace(name.begin(), name.end(), '_', ' ');
        names += (names.empty() ? "" : ", ") + name;
    }
    return names;
}

// Where the candidate stands in the preset: its slot, or -1 when its effect is not in the chain.
int SlotOf(const TCandidate& candidate, TByteView dump) {
    if (candidate.Owner == TParameterOwner::Mix)
        return candidate.Parameter->Offset;
    const std::vector<int> slots = BlockSlots(dump, candidate.Owner, candidate.Effect);
    return candidate.Index < static_cast<int>(slots.size())
               ? slots[static_cast<std::size_t>(candidate.Index)]
               : -1;
}

// The lowest and highest quantity the control shows, in the unit's one measure; nothing when a
// value reads as no quantity of that unit.
struct TReach {
    double Lowest = std::numeric_limits<double>::infinity();
    double Highest = -std::numeric_limits<double>::infinity();
    int LowestValue = 0;
    int HighestValue = 0;
};

// The stored value whose shown quantity lies nearest the wanted one (in the unit's one measure),
// and how far the control reaches.
std::optional<int> Nearest(const TParameterInfo& parameter, double wanted, const std::string& unit,
                           TReach& reach) {
    std::optional<int> nearest;
    double distance = std::numeric_limits<double>::infinity();
    for (int value = parameter.Min; value <= parameter.Max; ++value) {
        const std::optional<TQuantity> shown = ReadQuantity(ParameterValueText(parameter, value));
        if (!shown || shown->Unit != unit)
            continue;
        if (shown->Value < reach.Lowest) {
            reach.Lowest = shown->Value;
            reach.LowestValue = value;
        }
        if (shown->Value > reach.Highest) {
            reach.Highest = shown->Value;
            reach.HighestValue = value;
        }
        if (std::fabs(shown->Value - wanted) < distance) {
            distance = std::fabs(shown->Value - wanted);
            nearest = value;
        }
    }
    return nearest;
}

std::string ClampNote(const TParameterInfo& parameter, double wanted, const TReach& reach) {
    constexpr double kTolerance = 1e-9;
    if (wanted > reach.Highest + kTolerance)
        return "kept at " + ParameterValueText(parameter, reach.HighestValue) + ", the highest";
    if (wanted < reach.Lowest - kTolerance)
        return "kept at " + ParameterValueText(parameter, reach.LowestValue) + ", the lowest";
    return {};
}

// What the control ends up at for the edit, from its stored value now; with the note of a clamp,
// or why it cannot be done.
struct TNewValue {
    std::optional<int> Value;
    std::string Clamped;
    std::string Refused;
};

TNewValue NewValue(const TPresetEdit& edit, const TParameterInfo& parameter, int now) {
    TNewValue result;
    if (edit.Kind == TPresetEdit::TKind::Set) {
        result.Value = ReadParameterValue(parameter, edit.Value);
        if (!result.Value) {
            result.Refused =
                "\"" + edit.Value + "\" is not a value it takes: " + ParameterValueHint(parameter);
            return result;
        }
        // A number beyond the control's reach is taken as its end, and said so.
        if (const std::optional<TQuantity> wanted = ReadQuantity(edit.Value)) {
            TReach reach;
            const std::string unit =
                wanted->Unit.empty() ? ReadQuantity(ParameterValueText(parameter, *result.Value))
                                           .value_or(TQuantity{})
                                           .Unit
                                     : wanted->Unit;
            Nearest(parameter, wanted->Value, unit, reach);
            if (wanted->Unit == unit)
                result.Clamped = ClampNote(parameter, wanted->Value, reach);
        }
        return result;
    }
    const std::optional<TQuantity> shown = ReadQuantity(ParameterValueText(parameter, now));
    const std::optional<TQuantity> amount = ReadQuantity(edit.Value);
    if (!shown || parameter.Kind == TControlKind::RadioGroup ||
        parameter.Kind == TControlKind::CheckBox || parameter.Kind == TControlKind::BaseKeyList) {
        result.Refused = "it has no units to change by: set it instead";
        return result;
    }
    if (!amount || (!amount->Unit.empty() && amount->Unit != shown->Unit)) {
        result.Refused = "\"" + edit.Value + "\" is no amount of its unit" +
                         (shown->Unit.empty() ? "" : " (" + shown->Unit + ")");
        return result;
    }
    const double wanted = shown->Value + amount->Value;
    TReach reach;
    result.Value = Nearest(parameter, wanted, shown->Unit, reach);
    result.Clamped = ClampNote(parameter, wanted, reach);
    return result;
}

std::string LowerWord(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string_view EditTrimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "−" (the minus sign a text may carry) as the hyphen the numbers are read with.
std::string WithHyphens(std::string_view text) {
    std::string plain(text);
    const std::string minus = "\u2212";
    for (auto at = plain.find(minus); at != std::string::npos; at = plain.find(minus))
        plain.replace(at, minus.size(), "-");
    return plain;
}
} // namespace

std::string TPresetEdit::Text() const {
    if (Kind == TKind::Paste)
        return "Paste " + Block.Name() + (Block.From.empty() ? "" : " from " + Block.From);
    const std::vector<TCandidate> candidates = Candidates(NameKey(Effect), NameKey(Parameter));
    const std::string subject =
        candidates.empty() ? Effect + " " + kMiddleDot + " " + Parameter : EditSubject(candidates);
    return subject + (Kind == TKind::Set ? " = " : " ") + Value;
}

std::string CheckPresetEdit(const TPresetEdit& edit) {
    if (edit.Kind == TPresetEdit::TKind::Paste)
        return edit.Block.Values.empty() ? "no block was copied" : std::string();
    const std::vector<TCandidate> effects = Candidates(NameKey(edit.Effect), {});
    if (effects.empty())
        return "no effect called \"" + edit.Effect + "\"";
    const std::vector<TCandidate> candidates =
        Candidates(NameKey(edit.Effect), NameKey(edit.Parameter));
    if (candidates.empty())
        return EffectWord(effects) + " has no parameter called \"" + edit.Parameter +
               "\"; it has " + ParameterList(effects);
    if (EditTrimmed(edit.Value).empty())
        return EditSubject(candidates) + " needs a value";
    // A change that no control it may mean would take.
    std::string refused;
    for (const TCandidate& candidate : candidates) {
        const TParameterInfo& parameter = *candidate.Parameter;
        const TNewValue value = NewValue(edit, parameter, parameter.Default);
        if (value.Refused.empty())
            return {};
        refused = value.Refused;
    }
    return EditSubject(candidates) + ": " + refused;
}

TPresetEditReading ReadPresetEdit(std::string_view typed) {
    TPresetEditReading reading;
    const std::string text = WithHyphens(typed);
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        reading.Error = "a change reads EFFECT PARAMETER=VALUE, or +=AMOUNT or -=AMOUNT";
        return reading;
    }
    TPresetEdit edit;
    std::string left = text.substr(0, equals);
    std::string value(EditTrimmed(std::string_view(text).substr(equals + 1)));
    if (left.back() == '+' || left.back() == '-') {
        edit.Kind = TPresetEdit::TKind::By;
        const bool down = left.back() == '-';
        left.pop_back();
        // The sign of the amount itself goes with the word before '='.
        if (!value.empty() && (value[0] == '+' || value[0] == '-')) {
            const bool negative = value[0] == '-';
            value.erase(0, 1);
            value = ((negative != down) ? "-" : "+") + std::string(EditTrimmed(value));
        } else {
            value = (down ? "-" : "+") + value;
        }
    }
    edit.Value = value;
    // Effect and parameter: apart at "·", or at the split of the words that names a parameter.
    std::vector<std::string> words;
    std::string word;
    const auto dot = left.find(kMiddleDot);
    if (dot != std::string::npos) {
        words = {left.substr(0, dot), left.substr(dot + kMiddleDot.size())};
    } else {
        for (const char c : left) {
            if (c == ' ' || c == '\t') {
                if (!word.empty())
                    words.push_back(word);
                word.clear();
            } else {
                word += c;
            }
        }
        if (!word.empty())
            words.push_back(word);
    }
    if (words.size() < 2) {
        reading.Error = "\"" + std::string(EditTrimmed(left)) +
                        "\" names no parameter: a change reads EFFECT PARAMETER=VALUE";
        return reading;
    }
    const auto joined = [&](std::size_t from, std::size_t to) {
        std::string all;
        for (std::size_t i = from; i < to; ++i)
            all += (all.empty() ? "" : " ") + std::string(EditTrimmed(words[i]));
        return all;
    };
    std::string effectNamed; // the longest run of first words that names an effect
    for (std::size_t split = words.size() - 1; split >= 1; --split) {
        const std::string effect = joined(0, split);
        const std::string parameter = joined(split, words.size());
        if (!Candidates(NameKey(effect), NameKey(parameter)).empty()) {
            edit.Effect = effect;
            edit.Parameter = parameter;
            break;
        }
        if (effectNamed.empty() && !Candidates(NameKey(effect), {}).empty()) {
            edit.Effect = effect;
            edit.Parameter = parameter;
            effectNamed = effect;
        }
    }
    if (edit.Effect.empty()) {
        reading.Error = "no effect called \"" + LowerWord(joined(0, 1)) + "\"";
        return reading;
    }
    reading.Error = CheckPresetEdit(edit);
    if (reading.Error.empty())
        reading.Edit = edit;
    return reading;
}

TPresetEditOutcome ApplyPresetEdit(const TPresetEdit& edit, TByteView dump) {
    TPresetEditOutcome outcome;
    if (!IsPresetDump(dump)) {
        outcome.Skipped = "not a preset";
        return outcome;
    }
    TBytes changed(dump.begin(), dump.end());
    if (edit.Kind == TPresetEdit::TKind::Paste) {
        outcome.Skipped = PasteBlock(changed, edit.Block);
        if (outcome.Skipped.empty() && changed == TBytes(dump.begin(), dump.end()))
            outcome.Skipped = "its " + edit.Block.Name() + " already has these settings";
        if (outcome.Skipped.empty())
            outcome.Dump = std::move(changed);
        return outcome;
    }
    const std::vector<TCandidate> candidates =
        Candidates(NameKey(edit.Effect), NameKey(edit.Parameter));
    if (candidates.empty()) {
        outcome.Skipped = CheckPresetEdit(edit);
        return outcome;
    }
    TPreset preset;
    try {
        preset.Decode(dump);
    } catch (const EPresetError&) {
        outcome.Skipped = "not a preset";
        return outcome;
    }
    for (const TCandidate& candidate : candidates) {
        const int slot = SlotOf(candidate, dump);
        if (slot < 0)
            continue;
        const TParameterInfo& parameter = *candidate.Parameter;
        const int now = preset.ParameterValues[static_cast<std::size_t>(slot)];
        const TNewValue value = NewValue(edit, parameter, now);
        if (!value.Refused.empty()) {
            outcome.Skipped = EditSubject({candidate}) + ": " + value.Refused;
            return outcome;
        }
        outcome.Clamped = value.Clamped;
        if (*value.Value == now) {
            outcome.Skipped = "already " + ParameterValueText(parameter, now) +
                              (value.Clamped.empty() ? "" : " (" + value.Clamped + ")");
            outcome.Clamped.clear();
            return outcome;
        }
        PutParameterValue(changed, slot, *value.Value);
        outcome.Dump = std::move(changed);
        return outcome;
    }
    outcome.Skipped = "no " + EffectWord(candidates) + " in its chain";
    return outcome;
}
