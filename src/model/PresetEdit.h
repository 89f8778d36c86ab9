#pragma once
// One change made to many presets at once: a parameter set to a value typed in its control's own
// words ("Noise Gate range=50%"), a parameter changed by an amount in its unit ("Prog. Level
// master-=6%", kept within the control's range), or an effect block pasted. Applied to a preset's
// bytes it gives the changed bytes, or why that preset is left as it is.

#include "model/EffectBlock.h"
#include "model/Protocol.h"

#include <optional>
#include <string>
#include <string_view>

struct TPresetEdit {
    enum class TKind { Set, By, Paste };
    TKind Kind = TKind::Set;
    std::string Effect;    // Set, By: as typed or listed ("Noise Gate", "reverb", "mix")
    std::string Parameter; // Set, By: as listed ("range", "left delay lgth")
    // Set: the value as the control shows it or a number ("50%", "Hall-1", "1.2 s"). By: the
    // amount with its sign, in the control's unit ("-3 dB", "+10%"); a plain number counts in the
    // kind's one unit (ms for times, Hz for frequencies).
    std::string Value;
    TEffectBlock Block; // Paste

    // "Noise Gate · Range = 50%", "Prog. Level · Master -6%", "Paste Compressor from Slap Funk".
    std::string Text() const;
};

// A change typed as "EFFECT PARAMETER=VALUE", "EFFECT PARAMETER+=AMOUNT" or
// "EFFECT PARAMETER-=AMOUNT" ("·" may stand between effect and parameter; case, spaces and dots
// in names do not matter), checked against the effects the unit has. Error says what is wrong:
// no such effect, no such parameter (and the ones it has), a value the control never takes.
struct TPresetEditReading {
    std::optional<TPresetEdit> Edit;
    std::string Error;
};
TPresetEditReading ReadPresetEdit(std::string_view text);

// The same checks for an edit made otherwise (the library's dialog): empty when it will do.
std::string CheckPresetEdit(const TPresetEdit& edit);

// What a change came to for one preset.
struct TPresetEditOutcome {
    TBytes Dump;         // the preset after the change; empty when it was skipped
    std::string Skipped; // why it was left as it is: "no Noise Gate in its chain", "already 50%"
    std::string Clamped; // a value the control does not reach: "kept at 100%, the highest"
};
TPresetEditOutcome ApplyPresetEdit(const TPresetEdit& edit, TByteView dump);
