#pragma once
// One effect's settings lifted out of a preset: every parameter of an analog block or a digital
// effect, as stored, to be put into another preset that has the same effect in its chain. Its
// text form travels on the clipboard between windows and is read back strictly.

#include "model/EffectCatalogue.h"
#include "model/Protocol.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct TEffectBlock {
    TParameterOwner Owner = TParameterOwner::None; // Analog or Digital
    int Effect = -1;         // the analog block (0..11) or the digital effect (0..24)
    std::vector<int> Values; // stored values in the parameter table's order
    std::string From;        // the title of the preset it was copied from

    // The effect as the chain names it: "Compressor", "Reverb 2".
    std::string Name() const;
    bool operator==(const TEffectBlock&) const = default;
};

// A block of the preset's chain (an analog block switched on, a digital effect selected), or
// nothing when the preset has no such effect in its chain.
std::optional<TEffectBlock> CopyBlock(TByteView dump, TParameterOwner owner, int effect);

// Where each of the block's parameters stands in the preset's present layout (its slot, 0..54);
// empty when the effect is not in the preset's chain.
std::vector<int> BlockSlots(TByteView dump, TParameterOwner owner, int effect);

// The block's values put into the dump where the preset keeps that effect; every other byte
// stays. An empty answer: done; else why nothing changed ("no Compressor in its chain").
std::string PasteBlock(TBytes& dump, const TEffectBlock& block);

// The clipboard's text for a block, and the block such a text stands for: nothing for any other
// text, or one whose effect, count or values do not fit.
std::string BlockText(const TEffectBlock& block);
std::optional<TEffectBlock> ReadBlockText(std::string_view text);

// The dump with a parameter slot (0..54) holding the value (as its pair carries it: 0..255).
void PutParameterValue(TBytes& dump, int slot, int value);
