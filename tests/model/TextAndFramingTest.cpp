// The message buffer's hexadecimal text, and the input framer's time stamps and buffers.

#include "model/HexText.h"
#include "model/MidiFramer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {
std::u16string MessageFor(std::u16string_view text, std::size_t capacity = 10000) {
    const THexTextResult result = ParseHexText(text, capacity);
    EXPECT_FALSE(result.Ok) << "taken as " << result.Bytes.size() << " bytes";
    return result.Error.Message;
}
} // namespace

TEST(HexText, PairsAcrossBlanksAndLinesBecomeBytes) {
    const THexTextResult result = ParseHexText(u" f0 1A\r\n00\u202813 45 F7 \n", 6);
    ASSERT_TRUE(result.Ok);
    EXPECT_EQ(result.Bytes, (std::vector<std::uint8_t>{0xF0, 0x1A, 0x00, 0x13, 0x45, 0xF7}));
}

TEST(HexText, RefusalsComeInTheWindowsOrderWithItsCaptions) {
    // An odd count is told before the size, the size before emptiness or a bad pair.
    const THexTextResult odd = ParseHexText(u"ZZ 1", 0);
    EXPECT_EQ(odd.Error.Message,
              u"Invalid hex message data (2 chars required to represent each byte)");
    EXPECT_TRUE(odd.Error.SorryCaption);
    const THexTextResult large = ParseHexText(u"ZZ 01 02", 2);
    EXPECT_EQ(large.Error.Message,
              u"The message data holds 3 bytes; the message buffer takes at most 2 bytes");
    EXPECT_TRUE(large.Error.SorryCaption);
    const THexTextResult empty = ParseHexText(u" \r\n ", 2);
    EXPECT_EQ(empty.Error.Message, u"'' is not a valid integer value");
    EXPECT_FALSE(empty.Error.SorryCaption);
    const THexTextResult bad = ParseHexText(u"01 G2 +3", 10);
    EXPECT_EQ(bad.Error.Message, u"'G2' is not a valid integer value");
    EXPECT_FALSE(bad.Error.SorryCaption);
    EXPECT_EQ(MessageFor(u"-1"), u"'-1' is not a valid integer value");
}

TEST(HexText, OnlyTwoDigitsMakeAByte) {
    // A tab or other character beside one digit would shift every later pair.
    EXPECT_EQ(MessageFor(u"5\t01"), u"'5\t' is not a valid integer value");
    EXPECT_EQ(MessageFor(u"\v5"), u"'\v5' is not a valid integer value");
    EXPECT_EQ(MessageFor(u"5\0"s), u"'5\0' is not a valid integer value"s);
    EXPECT_EQ(MessageFor(u"0x"), u"'0x' is not a valid integer value");
    EXPECT_EQ(MessageFor(u"\u0661\u0662"), u"'\u0661\u0662' is not a valid integer value");
    // Counted in UTF-16 units, as the editor counts characters.
    EXPECT_EQ(MessageFor(u"\U0001F3B8"), u"'\U0001F3B8' is not a valid integer value");
    EXPECT_EQ(MessageFor(u"\u00E9"),
              u"Invalid hex message data (2 chars required to represent each byte)");
}

namespace {
struct TRecording final : TMidiFramer::TReceiver {
    std::vector<std::uint8_t> Memory = std::vector<std::uint8_t>(4);
    std::uint32_t Length = 4;
    std::vector<std::string> Log;

    void ShortMessage(std::uint32_t packed, std::uint32_t time) override {
        Log.push_back("short " + std::to_string(packed) + " @" + std::to_string(time));
    }
    TMidiFramer::TBuffer NextBuffer() override { return {Memory.data(), Length}; }
    void BufferDone(std::uint32_t recorded, bool cut, std::uint32_t time) override {
        Log.push_back((cut ? "cut " : "buffer ") + std::to_string(recorded) + " @" +
                      std::to_string(time));
    }
    void MessageLost() override { Log.push_back("lost"); }
};

void Feed(TMidiFramer& framer, std::initializer_list<std::uint8_t> bytes, std::uint32_t time) {
    for (const std::uint8_t byte : bytes)
        framer.ByteIn(byte, time);
}
} // namespace

TEST(InputFramer, MessagesCarryTheTimeOfTheirFirstByte) {
    TRecording receiver;
    TMidiFramer framer(receiver);
    Feed(framer, {0x90, 0x3C}, 1);
    Feed(framer, {0x40, 0x3E}, 2); // running status: the next note starts at its first data byte
    Feed(framer, {0xF0, 0x01, 0x02}, 3);
    Feed(framer, {0xF8, 0x03, 0x04, 0x05, 0xF7}, 4); // the clock is on time; the SysEx is not
    Feed(framer, {0x40}, 5);
    EXPECT_EQ(receiver.Log, (std::vector<std::string>{"short 4209808 @1", "short 248 @4",
                                                      "buffer 4 @3", "buffer 3 @3"}));
}

TEST(InputFramer, AResetHandsBackThePartAndForgetsRunningStatus) {
    TRecording receiver;
    TMidiFramer framer(receiver);
    Feed(framer, {0xB0, 0x07, 0x10, 0xF0, 0x01}, 7);
    framer.Reset();
    EXPECT_FALSE(framer.HoldsBuffer());
    Feed(framer, {0x07, 0x20}, 8); // no status any more
    EXPECT_EQ(receiver.Log, (std::vector<std::string>{"short 1050544 @7", "buffer 2 @7"}));
}

TEST(InputFramer, ABufferWithoutRoomComesBackUnwritten) {
    TRecording receiver;
    receiver.Length = 0;
    TMidiFramer framer(receiver);
    Feed(framer, {0xF0, 0xF7}, 0);
    EXPECT_EQ(receiver.Log, (std::vector<std::string>{"buffer 0 @0", "buffer 0 @0"}));
}
