#pragma once
// What must hold when the input framer re-frames a byte stream; shared by the fuzz target
// and the test that runs it over the target's seeds.
//
// An input is four bytes of set-up, then the stream: bytes 0-1 give the buffers' length
// (1..300), byte 2 how many buffers are lent (bits 0-1: 1..4) and whether each serves only
// once (bit 2) instead of being lent again as soon as it comes back, byte 3 how the stream is
// cut into pieces (0 or 1: byte by byte; otherwise pieces of 1..byte 3 bytes).

#include <cstddef>
#include <cstdint>
#include <string>

// Empty when every property holds, otherwise what went wrong.
std::string CheckFramerProperties(const std::uint8_t* data, std::size_t size);
