// The difference of two preset dumps, named as the editor names what it shows.

#include "model/PresetDiff.h"

#include "model/DeviceMode.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "model/Preset.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {
using namespace DumpLayout;
const std::string kArrow = "\u2192";
const std::string kDot = " \u00b7 ";

// Which bits of each byte the changes found so far account for.
using TExplained = std::array<std::uint8_t, PresetDumpLength>;

void ExplainPair(TExplained& explained, int offset) {
    explained[static_cast<std::size_t>(offset)] = 0xFF;
    explained[static_cast<std::size_t>(offset) + 1] = 0xFF;
}

// Flag k of a flag pair: bits 0..6 of the first byte, then bit 0.. of the second. (pair, k): the
// pair's offset, then the flag within it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void ExplainFlag(TExplained& explained, int pair, int k) {
    const int offset = pair + (k < 7 ? 0 : 1);
    explained[static_cast<std::size_t>(offset)] |=
        static_cast<std::uint8_t>(1 << (k < 7 ? k : k - 7));
}

std::string Capitalised(std::string_view name) {
    std::string text(name);
    std::replace(text.begin(), text.end(), '_', ' ');
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

bool ValidGroup(int group) {
    return group >= 0 && group < DigitalGroupCount;
}

// One side's parameters as the record lays them out: every slot a parameter has in it (the
// digital effects of the group, selected or not), and whether it is heard.
struct TPlaced {
    int Slot = -1;
    bool Heard = false;
};

struct TSide {
    TPreset Record;
    // By digital effect: where its first parameter stands, -1 when the group has no such effect.
    std::array<int, kDigitalEffectTotal> DigitalStart{};
    std::array<bool, kDigitalEffectTotal> DigitalOn{};

    explicit TSide(TByteView dump) {
        Record.Decode(dump);
        DigitalStart.fill(-1);
        if (!ValidGroup(Record.DigitalGroup))
            return;
        int start = kDigitalAreaStart;
        const std::vector<int>& row = GroupRow(Record.DigitalGroup);
        for (std::size_t position = 0; position < row.size() && position < kDigitalPositions;
             ++position) {
            const auto effect = static_cast<std::size_t>(row[position]);
            DigitalStart[effect] = start;
            DigitalOn[effect] = Record.DigitalOn[position];
            start += DigitalParameterCount(row[position]);
        }
    }
    int Value(int slot) const { return Record.ParameterValues[static_cast<std::size_t>(slot)]; }
};

// (subject, from, to, control) in the order the change reads.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TPresetChange Change(TPresetChange::TKind kind, std::string subject, std::string from,
                     std::string to, std::string control = {}) {
    return {kind, std::move(subject), std::move(from), std::move(to), std::move(control)};
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

std::string Title(const std::string& title, bool quoted) {
    return quoted ? "\"" + title + "\"" : title;
}

// What an assignment's parameter number names in its own record: "Preamp · Drive", or "none".
std::string AssignedParameter(const TPreset& record, int number) {
    if (number == 0)
        return "none";
    const TParameterTarget target = DescribeParameterNumber(record, number);
    if (target.Parameter == nullptr)
        return "parameter " + std::to_string(number);
    return target.Effect + kDot + Capitalised(target.Name);
}

std::string ControllerText(int controller) {
    return controller == 128 ? "OFF" : std::to_string(controller);
}
} // namespace

std::string TPresetChange::Text() const {
    switch (Kind) {
    case TKind::Value:
        return Subject + ": " + From + " " + kArrow + " " + To;
    case TKind::Chain:
        return Subject + (To == "on" ? " added to the chain" : " removed from the chain");
    case TKind::Switched:
        return Subject + (To == "on" ? " switched on" : " switched off");
    case TKind::Assigned:
        return Subject + (To == "on" ? " assigned" : " freed");
    case TKind::Other:
        return "Other bytes differ at " + Subject;
    }
    return Subject;
}

TPresetChange TPresetChange::Reversed() const {
    TPresetChange reversed = *this;
    if (Kind != TKind::Other)
        std::swap(reversed.From, reversed.To);
    return reversed;
}

std::vector<TPresetChange> DiffPresets(TByteView aDump, TByteView bDump) {
    using K = TPresetChange::TKind;
    std::vector<TPresetChange> changes;
    if (!IsPresetDump(aDump) || !IsPresetDump(bDump))
        return {Change(K::Other, "every byte: not two preset dumps", {}, {})};
    const TSide a(aDump), b(bDump);
    TExplained explained{};
    explained[kDeviceByte] = 0xFF;

    // The title: its sixteen characters.
    bool titleDiffers = false;
    for (int i = 0; i < kTitleLength; ++i) {
        const auto at = static_cast<std::size_t>(kTitleOffset + 2 * i);
        titleDiffers = titleDiffers || aDump[at] != bDump[at];
        explained[at] = 0xFF;
    }
    if (titleDiffers) {
        // Titles that differ in blanks alone are shown with their blanks.
        const std::string& from = a.Record.Title;
        const std::string& to = b.Record.Title;
        const bool quoted = from == to;
        std::string rawFrom, rawTo;
        for (int i = 0; i < kTitleLength; ++i) {
            rawFrom.push_back(
                static_cast<char>(aDump[static_cast<std::size_t>(kTitleOffset + 2 * i)]));
            rawTo.push_back(
                static_cast<char>(bDump[static_cast<std::size_t>(kTitleOffset + 2 * i)]));
        }
        changes.push_back(Change(K::Value, "Title",
                                 quoted ? Title(rawFrom, true) : Title(from, false),
                                 quoted ? Title(rawTo, true) : Title(to, false), "edtTitle"));
    }

    // The chain: analog blocks, then the digital effects by their catalogue order.
    for (int block = 0; block < kAnalogBlockCount; ++block) {
        const bool on = b.Record.AnalogOn[static_cast<std::size_t>(block)];
        if (a.Record.AnalogOn[static_cast<std::size_t>(block)] != on)
            changes.push_back(Change(
                K::Switched, std::string(AnalogBlocks()[static_cast<std::size_t>(block)].Name),
                OnOff(!on), OnOff(on), "cklAnalogSelect"));
        ExplainFlag(explained, kAnalogPair + (block < 8 ? 0 : 2), block % 8);
    }
    for (int effect = 0; effect < kDigitalEffectTotal; ++effect) {
        const auto e = static_cast<std::size_t>(effect);
        if (a.DigitalOn[e] != b.DigitalOn[e])
            changes.push_back(Change(K::Chain, std::string(DigitalEffectName(effect)),
                                     OnOff(a.DigitalOn[e]), OnOff(b.DigitalOn[e]), "lbxDigSel"));
    }
    // Which of the five positions are selected means something only within the group's row.
    for (const TSide* side : {&a, &b})
        if (ValidGroup(side->Record.DigitalGroup))
            for (std::size_t k = 0;
                 k < GroupRow(side->Record.DigitalGroup).size() && k < kDigitalPositions; ++k)
                ExplainFlag(explained, kDigitalOnPair, static_cast<int>(k));
    if (a.Record.DigitalGroup != b.Record.DigitalGroup)
        changes.push_back(Change(K::Value, "Digital group", std::to_string(a.Record.DigitalGroup),
                                 std::to_string(b.Record.DigitalGroup), "lblDigGrp"));
    ExplainPair(explained, kGroupPair);

    // The parameters heard in either preset, each compared where each preset keeps it.
    const auto compare = [&](const std::string& caption, const TParameterInfo& parameter,
                             std::optional<int> slotA, std::optional<int> slotB, bool heard) {
        if (!heard)
            return;
        for (const std::optional<int>& slot : {slotA, slotB})
            if (slot && *slot >= 0 && *slot < kParameterCount)
                ExplainPair(explained, kParameterPairs + 2 * *slot);
        if (!slotA || !slotB || *slotA < 0 || *slotB < 0 || *slotA >= kParameterCount ||
            *slotB >= kParameterCount)
            return; // an effect one group does not have: its line is the chain's
        const int from = a.Value(*slotA), to = b.Value(*slotB);
        if (from == to)
            return;
        std::string fromText = ParameterValueText(parameter, from);
        std::string toText = ParameterValueText(parameter, to);
        // Values beyond the control's range read alike: the stored numbers tell them apart.
        if (fromText == toText) {
            fromText += " (stored " + std::to_string(from) + ")";
            toText += " (stored " + std::to_string(to) + ")";
        }
        changes.push_back(Change(K::Value, caption + kDot + Capitalised(parameter.Name), fromText,
                                 toText, std::string(parameter.Control)));
    };
    for (const TParameterInfo& parameter : MixParameters())
        compare("Mix", parameter, parameter.Offset, parameter.Offset, true);
    for (int block = 0; block < kAnalogBlockCount; ++block) {
        const auto bl = static_cast<std::size_t>(block);
        const TEffectPage& page = AnalogPages()[bl];
        for (const TParameterInfo& parameter : page.Parameters)
            compare(std::string(page.Caption), parameter, parameter.Offset, parameter.Offset,
                    a.Record.AnalogOn[bl] || b.Record.AnalogOn[bl]);
    }
    for (int effect = 0; effect < kDigitalEffectTotal; ++effect) {
        const auto e = static_cast<std::size_t>(effect);
        const TEffectPage& page = DigitalEffectPages()[e];
        const auto at = [](int start, const TParameterInfo& parameter) -> std::optional<int> {
            return start < 0 ? std::nullopt : std::optional<int>(start + parameter.Offset);
        };
        for (const TParameterInfo& parameter : page.Parameters)
            compare(std::string(page.Caption), parameter, at(a.DigitalStart[e], parameter),
                    at(b.DigitalStart[e], parameter), a.DigitalOn[e] || b.DigitalOn[e]);
    }

    // The foot switches.
    for (int k = 0; k < kK27StateCount; ++k) {
        const bool from = a.Record.K27States[static_cast<std::size_t>(k)];
        const bool to = b.Record.K27States[static_cast<std::size_t>(k)];
        if (from != to)
            changes.push_back(Change(K::Value,
                                     std::string("Foot switch") + kDot +
                                         kFootSwitchNames[static_cast<std::size_t>(k)].Caption,
                                     OnOff(from), OnOff(to),
                                     kFootSwitchNames[static_cast<std::size_t>(k)].Control));
        ExplainFlag(explained, kK27Pair + (k < 8 ? 0 : 2), k % 8);
    }

    // The performance MIDI assignments in use in either preset.
    for (int i = 0; i < kPerfMidiCount; ++i) {
        const auto n = static_cast<std::size_t>(i);
        const bool usedA = a.Record.PerfInUse[n], usedB = b.Record.PerfInUse[n];
        ExplainFlag(explained, kPerfInUsePair, i);
        const std::string name = "Performance MIDI " + std::to_string(i + 1);
        if (usedA != usedB)
            changes.push_back(Change(K::Assigned, name, OnOff(usedA), OnOff(usedB), "tsPerfMIDI"));
        if (!usedA && !usedB)
            continue;
        const TPerfMIDI& x = *a.Record.PerfMIDI[n];
        const TPerfMIDI& y = *b.Record.PerfMIDI[n];
        const int at = kAssignments + kAssignmentSize * i;
        // (from, to): the value in the first preset, then in the second.
        // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
        const auto field = [&](const char* what, int offset, const std::string& from,
                               const std::string& to) {
            ExplainPair(explained, at + offset);
            if (from != to)
                changes.push_back(Change(K::Value, name + kDot + what, from, to, "tsPerfMIDI"));
        };
        field("Controller", 0, ControllerText(x.Controller), ControllerText(y.Controller));
        field("Parameter", 6, AssignedParameter(a.Record, x.Parameter),
              AssignedParameter(b.Record, y.Parameter));
        // Numbers that name the same parameter in two layouts are the same assignment.
        if (AssignedParameter(a.Record, x.Parameter) == AssignedParameter(b.Record, y.Parameter) &&
            x.Parameter != y.Parameter)
            changes.push_back(Change(K::Value, name + kDot + "Parameter number",
                                     std::to_string(x.Parameter), std::to_string(y.Parameter),
                                     "tsPerfMIDI"));
        field("Low", 2, std::to_string(x.LowValue), std::to_string(y.LowValue));
        field("High", 4, std::to_string(x.HighValue), std::to_string(y.HighValue));
        field("Flags", 10, std::to_string(x.Flags), std::to_string(y.Flags));
        // The value the unit starts from follows the parameter; only a stored one that does not
        // is a difference of its own.
        const auto stored = [&](TByteView dump) {
            return dump[static_cast<std::size_t>(at + 8)] +
                   128 * dump[static_cast<std::size_t>(at + 9)];
        };
        if (stored(aDump) == a.Record.CurrentValueOf(x) &&
            stored(bDump) == b.Record.CurrentValueOf(y))
            ExplainPair(explained, at + 8);
    }

    // Whatever none of this accounts for.
    std::string offsets;
    for (std::size_t at = 0; at < static_cast<std::size_t>(PresetDumpLength); ++at)
        if (((aDump[at] ^ bDump[at]) & ~explained[at]) != 0)
            offsets += (offsets.empty() ? "" : ", ") + std::to_string(at);
    if (!offsets.empty())
        changes.push_back(Change(K::Other, offsets, {}, {}));
    return changes;
}
