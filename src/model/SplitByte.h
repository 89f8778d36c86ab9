#pragma once
// The 7-bit value pair in which the processor's messages carry every integer.

#include <cstdint>

class TSplitByte {
public:
    std::uint8_t Lo = 0;
    std::uint8_t Hi = 0;

    // Values outside 0..255 cannot be carried; they are clamped so that no byte with
    // its top bit set ever lands inside a SysEx message.
    void SetValue(int value) {
        if (value < 0)
            value = 0;
        if (value > 255)
            value = 255;
        if (value < 128) {
            Lo = static_cast<std::uint8_t>(value);
            Hi = 0;
        } else {
            Lo = static_cast<std::uint8_t>(value - 128);
            Hi = 1;
        }
    }
    int GetValue() const { return Hi * 128 + Lo; }
    // The pair in dump order.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    int Join(std::uint8_t lo, std::uint8_t hi) {
        Lo = lo;
        Hi = hi;
        return GetValue();
    }
};
