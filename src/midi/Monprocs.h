#pragma once
// MIDI data as the user reads it: hexadecimal bytes, the monitor line of an event,
// and the number of bytes an event occupies.

#include "midi/Miditype.h"
#include "model/HexText.h" // BytesToHex

#include <cstdint>
#include <string>

std::string EventToText(const TMyMidiEvent& event);
std::uint16_t EventLength(const TMyMidiEvent& event);
