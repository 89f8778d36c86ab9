#pragma once
// What must hold when the message buffer's text is read as bytes; shared by the fuzz target
// and the test that runs it over the target's seeds.
//
// An input is one byte of set-up, then the text: bit 0 of the set-up byte reads the text as
// UTF-16 (two bytes a unit, low first) rather than one unit a byte, and bits 1-7 give the
// buffer's size (0: the message buffer's 10000 bytes). The text's bytes also serve as bytes
// to write out as hexadecimal and read back.

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr std::size_t kFuzzMessageBufferSize = 10000;

// Empty when every property holds, otherwise what went wrong.
std::string CheckHexTextProperties(const std::uint8_t* data, std::size_t size);
