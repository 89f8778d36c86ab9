#pragma once
// What must hold of the difference of two presets; shared by the fuzz target and the tests.
//
// An input is a preset and changes to it: its first 252 bytes (each taken as a data byte, its
// top bit dropped) are the preset's data between header and F7, and every further pair of bytes
// (place, value) changes one data byte of a copy; a last odd byte gives the copy another device
// byte.

#include <cstddef>
#include <cstdint>
#include <string>

// Empty when every property holds, otherwise what went wrong: a preset differs from itself in
// nothing; two presets the difference finds nothing between are the same bytes but for the
// device byte; and the difference the other way is the same changes, each reversed.
std::string CheckPresetDiffProperties(const std::uint8_t* data, std::size_t size);
