#pragma once
// Search by what a preset does. A query is a row of terms that all have to hold: plain words
// (found in the title or among the effects in the chain), conditions on a parameter as the editor
// shows it ("drive>50", "reverb type=Hall-1", "delay time>=300 ms"), filters ("bank:B",
// "changed", "untitled") and what the user noted ("tag:live", "rating>=2", "note:church"). A term
// that cannot be understood is reported with what is wrong, never thrown.

#include "model/Preset.h"
#include "model/PresetNotes.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct TParameterInfo;

// One parameter of a preset's chain as the editor shows it.
struct TChainParameter {
    std::string Effect;     // the tab caption ("Compressor", "Reverb") or "Mix"
    std::string EffectName; // the effect's own name ("Reverb 2"); the caption for analog ones
    const TParameterInfo* Parameter = nullptr;
    int Value = 0; // as stored
    int Slot = -1; // where it stands in the record's present layout
};

// The effects a preset uses, in words: the analog blocks that are on, then the digital effects
// in their group's order.
std::vector<std::string> ChainNames(const TPreset& preset);
// Every parameter of the mix, the analog blocks that are on and the digital effects selected.
std::vector<TChainParameter> ChainParameters(const TPreset& preset);

// What a query looks at in a preset, worked out once: a library filters many presets again and
// again as the user types.
struct TPresetFacts {
    struct TParameterFact {
        std::string Effect;     // lower case: the tab caption, or "mix"
        std::string EffectName; // lower case: the effect's own name
        std::string Name;       // lower case, as listed ("base key")
        std::string Text;       // the value as the editor shows it
    };
    std::string Title;              // lower case, trimmed
    std::vector<std::string> Words; // lower case: the chain's effect names and tab captions
    std::vector<TParameterFact> Parameters;
};
TPresetFacts FactsOf(const TPreset& preset);

// What a preset's place tells beyond the preset itself.
struct TSearchPlace {
    int Bank = -1;        // 0..3 for a slot of the unit; -1 for a file or a single-bank unit
    bool Changed = false; // differs from the newest backup of its slot
    const TPresetNotes* Notes = nullptr; // its tags, rating and note; null: none
};

class TPresetQuery {
public:
    // Reads the query; what it cannot understand is in Errors (the rest still filters).
    explicit TPresetQuery(std::string_view text);
    ~TPresetQuery();
    TPresetQuery(TPresetQuery&&) noexcept;
    TPresetQuery& operator=(TPresetQuery&&) noexcept;

    bool Empty() const;
    // What is wrong, one line a term ("no parameter called 'driev'").
    const std::vector<std::string>& Errors() const { return errors; }
    // What each term understood was read as, in the order typed ("tagged 'live'").
    std::vector<std::string> Readings() const;
    // Whether the preset meets every term (terms in error leave nothing out).
    bool Matches(const TPreset& preset, const TSearchPlace& place = {}) const;
    bool Matches(const TPresetFacts& facts, const TSearchPlace& place = {}) const;

    struct TTerm;

private:
    std::vector<std::unique_ptr<TTerm>> terms;
    std::vector<std::string> errors;
};
