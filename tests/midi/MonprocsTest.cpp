// The monitor's text of events and the hexadecimal form of bytes.

#include "midi/Monprocs.h"

#include <gtest/gtest.h>

namespace {
TMyMidiEvent Short(std::uint8_t status, std::uint8_t data1 = 0, std::uint8_t data2 = 0,
                   std::uint32_t time = 0) {
    TMyMidiEvent event;
    event.StatusByte = status;
    event.DataByte1 = data1;
    event.DataByte2 = data2;
    event.TimeStamp = time;
    return event;
}
} // namespace

TEST(EventText, ChannelMessages) {
    EXPECT_EQ(EventToText(Short(0x90, 0x3C, 0x64, 123456)), "Note On 90 3C 64     0001E240");
    EXPECT_EQ(EventToText(Short(0xCF, 0x07)), "Program Change CF 07     00000000");
    EXPECT_EQ(EventToText(Short(0xD3, 0x40, 0x11, 0xFFFFFFFF)),
              "Channel Aftertouch D3 40     FFFFFFFF");
    EXPECT_EQ(EventToText(Short(0xEF, 0x00, 0x40, 0x10000)), "Pitch Bend EF 00 40     00010000");
    EXPECT_EQ(EventToText(Short(0xE0, 0x12, 0x34)), "Pitch Bend E0 12 34     00000000");
    EXPECT_EQ(EventToText(Short(0xA1, 1, 2)), "Key Aftertouch A1 01 02     00000000");
    EXPECT_EQ(EventLength(Short(0xCF)), 2);
    EXPECT_EQ(EventLength(Short(0x90)), 3);
    EXPECT_EQ(EventLength(Short(0xE0)), 3);
}

TEST(EventText, SystemMessages) {
    EXPECT_EQ(EventToText(Short(0xF3, 0x03, 0, 5)), "Song Select F3 03     00000005");
    EXPECT_EQ(EventToText(Short(0xF1, 0x21)), "MTC Quarter Frame F1 21     00000000");
    EXPECT_EQ(EventToText(Short(0xF2, 0x01, 0x02)), "Song Position Pointer F2 01 02     00000000");
    EXPECT_EQ(EventToText(Short(0xFC, 0, 0, 0xABCD)), "Stop FC     0000ABCD");
    EXPECT_EQ(EventToText(Short(0xF4)), "Undefined F4     00000000");
    EXPECT_EQ(EventToText(Short(0xFF)), "System Reset FF     00000000");
    EXPECT_EQ(EventToText(Short(0x45)), "Unrecognized MIDI Event");
    EXPECT_EQ(EventLength(Short(0x45)), 0);
    EXPECT_EQ(EventLength(Short(0xF1)), 2);
    EXPECT_EQ(EventLength(Short(0xF3)), 2);
    EXPECT_EQ(EventLength(Short(0xF2)), 3);
    EXPECT_EQ(EventLength(Short(0xFC)), 1);
    EXPECT_EQ(EventLength(Short(0xF6)), 1);
}

TEST(EventText, SysexShowsItsSizeAndEveryByte) {
    TMyMidiEvent sysex;
    sysex.StatusByte = 0xF0;
    sysex.SysexSize = 6;
    sysex.SysexData = std::make_unique<std::uint8_t[]>(6);
    const std::uint8_t bytes[] = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    std::copy(std::begin(bytes), std::end(bytes), sysex.SysexData.get());
    sysex.TimeStamp = 99;
    EXPECT_EQ(EventToText(sysex), "Sysex (6): F0 7E 7F 06 01 F7 ");
    EXPECT_EQ(EventLength(sysex), 6);

    TMyMidiEvent empty;
    empty.StatusByte = 0xF0;
    EXPECT_EQ(EventToText(empty), "Sysex (0): ");
    EXPECT_EQ(EventLength(empty), 0);
}

TEST(EventText, BytesToHex) {
    const std::uint8_t bytes[] = {0x0A, 0xFF};
    EXPECT_EQ(BytesToHex(bytes, 2), "0A FF ");
    EXPECT_EQ(BytesToHex(bytes, 0), "");
}
