#pragma once
// How two presets differ, in the words of the editor: each parameter by its tab and name with the
// value text its control shows ("Preamp · Drive: 78% → 82%"), the chain ("Flanger added to the
// chain", "Compressor switched off"), the title, the foot switches and the performance MIDI
// assignments — and any byte none of these accounts for ("other bytes differ at 201, 202"), so
// nothing hides. A parameter of an effect in neither chain changes nothing audible and is not
// named; its bytes count among the other bytes. The device byte is not compared.

#include "model/Protocol.h"

#include <string>
#include <vector>

struct TPresetChange {
    // Value: "Subject: From → To". Chain (a digital effect), Switched (an analog block) and
    // Assigned (a performance MIDI assignment) have From and To "off" or "on". Other: the bytes
    // in Subject, no direction.
    enum class TKind { Value, Chain, Switched, Assigned, Other };
    TKind Kind = TKind::Value;
    std::string Subject; // "Preamp · Drive", "Title", "Flanger", "Performance MIDI 3 · Controller"
    std::string From;
    std::string To;
    // The editor's control that shows it ("trbPREdrive", "edtTitle"); empty when there is none.
    std::string Control;

    std::string Text() const;
    // The same change seen from the other preset.
    TPresetChange Reversed() const;
    bool operator==(const TPresetChange&) const = default;
};

// The changes from preset dump a to preset dump b (both IsPresetDump), in the record's order:
// title, chain, digital group, parameters, foot switches, assignments, other bytes. Empty exactly
// when the two are the same bytes but for the device byte.
std::vector<TPresetChange> DiffPresets(TByteView a, TByteView b);
