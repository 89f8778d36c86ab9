// Search by what a preset does: the chain in words, and the query's terms.

#include "model/PresetSearch.h"

#include "model/DeviceMode.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "model/ValueText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace {
std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string SpacesTrimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// A parameter's name as the editor lists it: "base key" for lstPTRbase_key.
std::string ListedName(const TParameterInfo& parameter) {
    std::string name(parameter.Name);
    std::replace(name.begin(), name.end(), '_', ' ');
    return Lower(name);
}

bool ValidGroup(const TPreset& preset) {
    return preset.DigitalGroup >= 0 && preset.DigitalGroup < DigitalGroupCount;
}

// The effects a word in a query may name beyond their own names: the foot switches' groups.
const std::map<std::string, std::vector<std::string>>& EffectAliases() {
    static const std::map<std::string, std::vector<std::string>> aliases = {
        {"delay", {"tapped ddl", "regen ddl", "stereo ddl"}},
        {"pitch", {"pitch trans", "dual ptr"}},
        {"eq", {"equalizer"}},
    };
    return aliases;
}

// The parameter names a word in a query may stand for.
std::vector<std::string> ParameterNames(const std::string& name) {
    if (name == "time")
        return {"delay", "left delay lgth", "right delay lgth"};
    return {name};
}

// Every effect name a query may use, lower case: tab captions and the effects' own names.
const std::set<std::string>& EffectWords() {
    static const std::set<std::string> words = [] {
        std::set<std::string> all{"mix"};
        for (const TEffectPage& page : AnalogPages())
            all.insert(Lower(page.Caption));
        for (const TAnalogBlock& block : AnalogBlocks())
            all.insert(Lower(block.Name));
        for (int effect = 0; effect < kDigitalEffectTotal; ++effect) {
            all.insert(Lower(DigitalEffectPages()[static_cast<std::size_t>(effect)].Caption));
            all.insert(Lower(DigitalEffectName(effect)));
        }
        for (const auto& [alias, effects] : EffectAliases())
            all.insert(alias);
        return all;
    }();
    return words;
}

// Whether the effect (its caption and own name, lower case) is the one a query names.
// (caption, name) as a parameter's facts hold them, then the word looked for.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool EffectIs(const std::string& caption, const std::string& name, const std::string& effect) {
    if (effect.empty())
        return true;
    if (caption == effect || name == effect)
        return true;
    const auto alias = EffectAliases().find(effect);
    return alias != EffectAliases().end() &&
           std::find(alias->second.begin(), alias->second.end(), caption) != alias->second.end();
}

// Whether any parameter of the catalogue is called so (within the effect, when one is named).
bool ParameterExists(const std::string& effect, const std::vector<std::string>& names) {
    const auto named = [&](const TParameterInfo& parameter) {
        return std::find(names.begin(), names.end(), ListedName(parameter)) != names.end();
    };
    const auto inEffect = [&](std::string_view caption, std::string_view own) {
        return EffectIs(Lower(caption), Lower(own), effect);
    };
    for (const TParameterInfo& parameter : MixParameters())
        if (named(parameter) && inEffect("Mix", "Mix"))
            return true;
    for (std::size_t page = 0; page < AnalogPages().size(); ++page)
        for (const TParameterInfo& parameter : AnalogPages()[page].Parameters)
            if (named(parameter) &&
                inEffect(AnalogPages()[page].Caption, AnalogBlocks()[page].Name))
                return true;
    for (int digital = 0; digital < kDigitalEffectTotal; ++digital) {
        const TEffectPage& page = DigitalEffectPages()[static_cast<std::size_t>(digital)];
        for (const TParameterInfo& parameter : page.Parameters)
            if (named(parameter) && inEffect(page.Caption, DigitalEffectName(digital)))
                return true;
    }
    return false;
}

} // namespace

std::vector<std::string> ChainNames(const TPreset& preset) {
    std::vector<std::string> names;
    for (int block = 0; block < kAnalogBlockCount; ++block)
        if (preset.AnalogOn[static_cast<std::size_t>(block)])
            names.emplace_back(AnalogBlocks()[static_cast<std::size_t>(block)].Name);
    if (ValidGroup(preset)) {
        const std::vector<int>& row = GroupRow(preset.DigitalGroup);
        for (std::size_t position = 0; position < row.size() && position < kDigitalPositions;
             ++position)
            if (preset.DigitalOn[position])
                names.emplace_back(DigitalEffectName(row[position]));
    }
    return names;
}

std::vector<TChainParameter> ChainParameters(const TPreset& preset) {
    std::vector<TChainParameter> parameters;
    // (caption, name): the tab caption, then the effect's own name.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    const auto add = [&](std::string_view caption, std::string_view name,
                         const TParameterInfo& parameter, int slot) {
        if (slot < 0 || slot >= kParameterCount)
            return;
        parameters.push_back({std::string(caption), std::string(name), &parameter,
                              preset.ParameterValues[static_cast<std::size_t>(slot)], slot});
    };
    for (const TParameterInfo& parameter : MixParameters())
        add("Mix", "Mix", parameter, parameter.Offset);
    for (int block = 0; block < kAnalogBlockCount; ++block)
        if (preset.AnalogOn[static_cast<std::size_t>(block)])
            for (const TParameterInfo& parameter :
                 AnalogPages()[static_cast<std::size_t>(block)].Parameters)
                add(AnalogPages()[static_cast<std::size_t>(block)].Caption,
                    AnalogBlocks()[static_cast<std::size_t>(block)].Name, parameter,
                    parameter.Offset);
    if (!ValidGroup(preset))
        return parameters;
    int start = kDigitalAreaStart;
    const std::vector<int>& row = GroupRow(preset.DigitalGroup);
    for (std::size_t position = 0; position < row.size() && position < kDigitalPositions;
         ++position) {
        const int effect = row[position];
        if (preset.DigitalOn[position])
            for (const TParameterInfo& parameter :
                 DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters)
                add(DigitalEffectPages()[static_cast<std::size_t>(effect)].Caption,
                    DigitalEffectName(effect), parameter, start + parameter.Offset);
        start += DigitalParameterCount(effect);
    }
    return parameters;
}

TPresetFacts FactsOf(const TPreset& preset) {
    TPresetFacts facts;
    facts.Title = Lower(SpacesTrimmed(preset.Title));
    for (const std::string& name : ChainNames(preset))
        facts.Words.push_back(Lower(name));
    for (const TChainParameter& parameter : ChainParameters(preset)) {
        std::string effect = Lower(parameter.Effect);
        if (parameter.Effect != "Mix" &&
            std::find(facts.Words.begin(), facts.Words.end(), effect) == facts.Words.end())
            facts.Words.push_back(std::move(effect));
        facts.Parameters.push_back({Lower(parameter.Effect), Lower(parameter.EffectName),
                                    ListedName(*parameter.Parameter),
                                    ParameterValueText(*parameter.Parameter, parameter.Value)});
    }
    return facts;
}

struct TPresetQuery::TTerm {
    virtual ~TTerm() = default;
    virtual bool Matches(const TPresetFacts& facts, const TSearchPlace& place) const = 0;
    virtual std::string Reading() const = 0;
};

namespace {
struct TWordTerm : TPresetQuery::TTerm {
    std::string Word; // lower case
    bool Matches(const TPresetFacts& facts, const TSearchPlace&) const override {
        if (facts.Title.find(Word) != std::string::npos)
            return true;
        return std::any_of(facts.Words.begin(), facts.Words.end(), [this](const std::string& word) {
            return word.find(Word) != std::string::npos;
        });
    }
    std::string Reading() const override { return "'" + Word + "' in the title or the chain"; }
};

struct TBankTerm : TPresetQuery::TTerm {
    int Bank = 0;
    bool Matches(const TPresetFacts&, const TSearchPlace& place) const override {
        return place.Bank == Bank;
    }
    std::string Reading() const override { return std::string("bank ") + BankLetters[Bank]; }
};

struct TChangedTerm : TPresetQuery::TTerm {
    bool Matches(const TPresetFacts&, const TSearchPlace& place) const override {
        return place.Changed;
    }
    std::string Reading() const override { return "changed since the newest backup"; }
};

struct TUntitledTerm : TPresetQuery::TTerm {
    bool Matches(const TPresetFacts& facts, const TSearchPlace&) const override {
        return facts.Title.empty();
    }
    std::string Reading() const override { return "untitled"; }
};

struct TTagTerm : TPresetQuery::TTerm {
    std::string Tag; // lower case
    bool Matches(const TPresetFacts&, const TSearchPlace& place) const override {
        return place.Notes != nullptr &&
               std::any_of(place.Notes->Tags.begin(), place.Notes->Tags.end(),
                           [this](const std::string& tag) { return Lower(tag) == Tag; });
    }
    std::string Reading() const override { return "tagged '" + Tag + "'"; }
};

struct TNoteTerm : TPresetQuery::TTerm {
    std::string Text; // lower case
    bool Matches(const TPresetFacts&, const TSearchPlace& place) const override {
        return place.Notes != nullptr && Lower(place.Notes->Note).find(Text) != std::string::npos;
    }
    std::string Reading() const override { return "'" + Text + "' in the note"; }
};

enum class TOperator { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

const char* OperatorText(TOperator op) {
    switch (op) {
    case TOperator::Equal:
        return "=";
    case TOperator::NotEqual:
        return "!=";
    case TOperator::Less:
        return "<";
    case TOperator::LessEqual:
        return "<=";
    case TOperator::Greater:
        return ">";
    case TOperator::GreaterEqual:
        return ">=";
    }
    return "";
}

// (a, b): the value held, then the one the term names.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool Compared(int a, TOperator op, int b) {
    switch (op) {
    case TOperator::Equal:
        return a == b;
    case TOperator::NotEqual:
        return a != b;
    case TOperator::Less:
        return a < b;
    case TOperator::LessEqual:
        return a <= b;
    case TOperator::Greater:
        return a > b;
    case TOperator::GreaterEqual:
        return a >= b;
    }
    return false;
}

struct TRatingTerm : TPresetQuery::TTerm {
    TOperator Operator = TOperator::Equal;
    int Stars = 0;
    bool Matches(const TPresetFacts&, const TSearchPlace& place) const override {
        return Compared(place.Notes != nullptr ? place.Notes->Rating : 0, Operator, Stars);
    }
    std::string Reading() const override {
        return std::string("rating ") + OperatorText(Operator) + " " + std::to_string(Stars) +
               (Stars == 1 ? " star" : " stars");
    }
};

struct TConditionTerm : TPresetQuery::TTerm {
    std::string Effect; // lower case; empty: any
    std::vector<std::string> Names;
    TOperator Operator = TOperator::Equal;
    std::string Value; // lower case, as typed
    std::optional<TQuantity> Number;

    bool Holds(const std::string& text) const {
        const std::optional<TQuantity> shown = ReadQuantity(text);
        if (Number && shown && (Number->Unit.empty() || Number->Unit == shown->Unit)) {
            const double a = shown->Value, b = Number->Value;
            const bool equal = std::fabs(a - b) < 1e-9;
            switch (Operator) {
            case TOperator::Equal:
                return equal;
            case TOperator::NotEqual:
                return !equal;
            case TOperator::Less:
                return a < b && !equal;
            case TOperator::LessEqual:
                return a < b || equal;
            case TOperator::Greater:
                return a > b && !equal;
            case TOperator::GreaterEqual:
                return a > b || equal;
            }
        }
        if (Operator == TOperator::Equal)
            return Lower(SpacesTrimmed(text)) == Value;
        if (Operator == TOperator::NotEqual)
            return Lower(SpacesTrimmed(text)) != Value;
        return false;
    }
    bool Matches(const TPresetFacts& facts, const TSearchPlace&) const override {
        for (const TPresetFacts::TParameterFact& parameter : facts.Parameters)
            if (EffectIs(parameter.Effect, parameter.EffectName, Effect) &&
                std::find(Names.begin(), Names.end(), parameter.Name) != Names.end() &&
                Holds(parameter.Text))
                return true;
        return false;
    }
    std::string Reading() const override {
        std::string names;
        for (const std::string& name : Names)
            names += (names.empty() ? "" : " or ") + name;
        return (Effect.empty() ? "any effect's " : Effect + " ") + names + " " +
               OperatorText(Operator) + " " + Value;
    }
};

struct TToken {
    enum class TKind { Word, Quoted, Operator } Kind;
    std::string Text;
};

std::vector<TToken> Tokens(std::string_view text) {
    std::vector<TToken> tokens;
    std::size_t at = 0;
    const auto isOperator = [](char c) { return c == '=' || c == '<' || c == '>' || c == '!'; };
    while (at < text.size()) {
        const char c = text[at];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++at;
        } else if (c == '"') {
            const std::size_t end = text.find('"', at + 1);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            tokens.push_back(
                {TToken::TKind::Quoted, std::string(text.substr(at + 1, stop - at - 1))});
            at = stop == text.size() ? stop : stop + 1;
        } else if (isOperator(c)) {
            std::size_t end = at + 1;
            if (end < text.size() && text[end] == '=')
                ++end;
            tokens.push_back({TToken::TKind::Operator, std::string(text.substr(at, end - at))});
            at = end;
        } else {
            std::size_t end = at;
            while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end])) &&
                   !isOperator(text[end]) && text[end] != '"')
                ++end;
            tokens.push_back({TToken::TKind::Word, std::string(text.substr(at, end - at))});
            at = end;
        }
    }
    return tokens;
}

std::optional<TOperator> OperatorOf(const std::string& text) {
    static const std::map<std::string, TOperator> kOperators = {
        {"=", TOperator::Equal},         {"==", TOperator::Equal},     {"!=", TOperator::NotEqual},
        {"<", TOperator::Less},          {"<=", TOperator::LessEqual}, {">", TOperator::Greater},
        {">=", TOperator::GreaterEqual},
    };
    const auto found = kOperators.find(text);
    return found == kOperators.end() ? std::nullopt : std::optional(found->second);
}

std::string Join(const std::vector<std::string>& words, std::size_t from) {
    std::string joined;
    for (std::size_t i = from; i < words.size(); ++i)
        joined += (joined.empty() ? "" : " ") + words[i];
    return joined;
}
} // namespace

TPresetQuery::TPresetQuery(std::string_view text) {
    const std::vector<TToken> tokens = Tokens(text);
    std::vector<std::string> pending; // words not yet taken by a condition, lower case
    std::vector<std::string> shown;   // the same as typed, for messages
    const auto flushWords = [&](std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::string& word = pending[i];
            if (word == "changed") {
                terms.push_back(std::make_unique<TChangedTerm>());
            } else if (word == "untitled") {
                terms.push_back(std::make_unique<TUntitledTerm>());
            } else if (word.rfind("bank:", 0) == 0) {
                const std::string letter = word.substr(5);
                if (letter.size() == 1 && letter[0] >= 'a' && letter[0] <= 'd') {
                    auto bank = std::make_unique<TBankTerm>();
                    bank->Bank = letter[0] - 'a';
                    terms.push_back(std::move(bank));
                } else {
                    errors.push_back("no bank called '" + shown[i].substr(5) + "'");
                }
            } else if (word.rfind("tag:", 0) == 0 || word.rfind("note:", 0) == 0) {
                const bool tag = word[0] == 't';
                const std::string wanted = SpacesTrimmed(word.substr(tag ? 4 : 5));
                if (wanted.empty()) {
                    errors.push_back("'" + shown[i] + "' needs " + (tag ? "a tag" : "a word"));
                } else if (tag) {
                    auto term = std::make_unique<TTagTerm>();
                    term->Tag = wanted;
                    terms.push_back(std::move(term));
                } else {
                    auto term = std::make_unique<TNoteTerm>();
                    term->Text = wanted;
                    terms.push_back(std::move(term));
                }
            } else {
                auto term = std::make_unique<TWordTerm>();
                term->Word = word;
                terms.push_back(std::move(term));
            }
        }
        pending.erase(pending.begin(), pending.begin() + static_cast<long>(count));
        shown.erase(shown.begin(), shown.begin() + static_cast<long>(count));
    };
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const TToken& token = tokens[i];
        if (token.Kind != TToken::TKind::Operator) {
            std::string text = token.Text;
            // tag:"live set": the words in quotes are the tag.
            const std::string lower = Lower(text);
            if (token.Kind == TToken::TKind::Word && (lower == "tag:" || lower == "note:") &&
                i + 1 < tokens.size() && tokens[i + 1].Kind == TToken::TKind::Quoted)
                text += tokens[++i].Text;
            pending.push_back(Lower(text));
            shown.push_back(text);
            continue;
        }
        const std::optional<TOperator> op = OperatorOf(token.Text);
        // A rating is no parameter: "rating>=2" compares the stars the user gave.
        if (op && !pending.empty() && pending.back() == "rating") {
            const bool hasStars =
                i + 1 < tokens.size() && tokens[i + 1].Kind == TToken::TKind::Word;
            const std::string stars = hasStars ? tokens[++i].Text : std::string();
            pending.pop_back();
            shown.pop_back();
            flushWords(pending.size());
            if (stars.size() == 1 && stars[0] >= '0' && stars[0] <= '0' + kHighestRating) {
                auto rating = std::make_unique<TRatingTerm>();
                rating->Operator = *op;
                rating->Stars = stars[0] - '0';
                terms.push_back(std::move(rating));
            } else {
                errors.push_back("'rating" + token.Text + stars + "' needs 0 to " +
                                 std::to_string(kHighestRating) + " stars");
            }
            continue;
        }
        // The parameter: the longest run of the words before the operator that names one,
        // with the effect first ("reverb type", "tapped ddl delay").
        auto condition = std::make_unique<TConditionTerm>();
        std::size_t used = 0;
        for (std::size_t count = std::min<std::size_t>(3, pending.size()); count >= 1 && used == 0;
             --count) {
            const std::size_t from = pending.size() - count;
            for (std::size_t split = 0; split < count && used == 0; ++split) {
                const std::string effect =
                    Join(std::vector(pending.begin() + static_cast<long>(from),
                                     pending.begin() + static_cast<long>(from + split)),
                         0);
                const std::string name = Join(pending, from + split);
                if (!effect.empty() && EffectWords().count(effect) == 0)
                    continue;
                const std::vector<std::string> names = ParameterNames(name);
                if (ParameterExists(effect, names)) {
                    condition->Effect = effect;
                    condition->Names = names;
                    used = count;
                }
            }
        }
        std::string value;
        const bool hasValue =
            i + 1 < tokens.size() && tokens[i + 1].Kind != TToken::TKind::Operator;
        if (hasValue) {
            value = tokens[++i].Text;
            // A number may have its unit apart: "300 ms".
            if (ReadQuantity(value) && i + 1 < tokens.size() &&
                tokens[i + 1].Kind == TToken::TKind::Word &&
                ReadQuantity(value + tokens[i + 1].Text) && !ReadQuantity(tokens[i + 1].Text))
                value += tokens[++i].Text;
        }
        if (!op) {
            errors.push_back("'" + token.Text + "' is no comparison (use =, !=, <, <=, > or >=)");
        } else if (pending.empty()) {
            errors.push_back("'" + token.Text + "' needs a parameter before it");
        } else if (used == 0) {
            const bool effectFirst =
                pending.size() >= 2 && EffectWords().count(pending[pending.size() - 2]) > 0;
            const std::size_t from = pending.size() - (effectFirst ? 2 : 1);
            std::string name;
            for (std::size_t k = from; k < shown.size(); ++k)
                name += (name.empty() ? "" : " ") + shown[k];
            errors.push_back("no parameter called '" + name + "'");
            pending.resize(from);
            shown.resize(from);
        } else if (!hasValue || value.empty()) {
            errors.push_back("'" + Join(pending, pending.size() - used) + token.Text +
                             "' needs a value");
            pending.resize(pending.size() - used);
            shown.resize(shown.size() - used);
        } else {
            condition->Operator = *op;
            condition->Value = Lower(SpacesTrimmed(value));
            condition->Number = ReadQuantity(value);
            const bool ordering = *op != TOperator::Equal && *op != TOperator::NotEqual;
            flushWords(pending.size() - used);
            if (ordering && !condition->Number)
                errors.push_back("'" + token.Text + "' compares numbers: '" + value + "' is none");
            else
                terms.push_back(std::move(condition));
            pending.clear();
            shown.clear();
            continue;
        }
        flushWords(pending.size());
    }
    flushWords(pending.size());
}

TPresetQuery::~TPresetQuery() = default;
TPresetQuery::TPresetQuery(TPresetQuery&&) noexcept = default;
TPresetQuery& TPresetQuery::operator=(TPresetQuery&&) noexcept = default;

std::vector<std::string> TPresetQuery::Readings() const {
    std::vector<std::string> readings;
    readings.reserve(terms.size());
    for (const std::unique_ptr<TTerm>& term : terms)
        readings.push_back(term->Reading());
    return readings;
}

bool TPresetQuery::Empty() const {
    return terms.empty();
}

bool TPresetQuery::Matches(const TPreset& preset, const TSearchPlace& place) const {
    return terms.empty() || Matches(FactsOf(preset), place);
}

bool TPresetQuery::Matches(const TPresetFacts& facts, const TSearchPlace& place) const {
    return std::all_of(terms.begin(), terms.end(), [&](const std::unique_ptr<TTerm>& term) {
        return term->Matches(facts, place);
    });
}
