#pragma once
// Presets that are the same sound kept twice: the same bytes apart from the title and the device
// byte, or apart from the title and one parameter moved by no more than a small step. A step is
// 2 % of the parameter's range, rounded down, and only a track bar or an equalizer band moves by
// steps: a parameter of fewer than 50 positions, a choice or a switch never counts as near.

#include "model/Protocol.h"

#include <string>
#include <vector>

// The dump with its title and device byte blanked: what a preset is, whatever it is called and
// whichever unit sent it.
TBytes ContentBytes(TByteView dump);

// The largest change of a parameter that still counts as the same sound; 0 for none.
struct TParameterInfo;
int NearStep(const TParameterInfo& parameter);

struct TDuplicateGroup {
    std::vector<int> Members; // indexes into the dumps, in their order: the first is kept
    // Near groups: the parameters in which members differ ("Compressor · threshold"), once each.
    std::vector<std::string> Parameters;
};

// Groups of two or more dumps (each IsPresetDump; others are left out) that are the same apart
// from title and device byte, in the order of their first member.
std::vector<TDuplicateGroup> SameContentGroups(const std::vector<TByteView>& dumps);
// Groups of dumps with at least two different contents, each content within one step of one
// parameter of another of the group (and the same in every other byte but the title). Copies of
// the same content stand in one group together; a group of one content is SameContentGroups'.
std::vector<TDuplicateGroup> NearContentGroups(const std::vector<TByteView>& dumps);
