#pragma once
// Bytes as hexadecimal text and back: "F0 1A 00 F7 " one way; typed, pasted or loaded text
// of digit pairs the other, with the message the user is shown when it is not.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Two upper-case digits and a blank for each byte.
std::string BytesToHex(const std::uint8_t* bytes, std::uint16_t count);

// What text that does not stand for bytes is answered with: the text, and whether the box
// says "Sorry..." or carries the program's title.
struct THexTextError {
    std::u16string Message;
    bool SorryCaption = false;
};

struct THexTextResult {
    std::vector<std::uint8_t> Bytes;
    THexTextError Error; // when Ok is false
    bool Ok = false;
};

// Blanks and line breaks are ignored; the rest must be pairs of hexadecimal digits, at least
// one and at most `capacity`. Counts are in UTF-16 units, as the text's editor counts them.
THexTextResult ParseHexText(std::u16string_view text, std::size_t capacity);
