// The preset record and its dump.

#include "model/Preset.h"

#include "model/EffectCatalogue.h"
#include "model/SplitByte.h"
#include "model/StreamList.h"
#include "support/ErrorOf.h"

#include <gtest/gtest.h>
#include <random>
#include <sstream>

namespace {
TBytes Pair(int lo, int hi) {
    return {static_cast<std::uint8_t>(lo), static_cast<std::uint8_t>(hi)};
}

void Append(TBytes& to, const TBytes& more) {
    to.insert(to.end(), more.begin(), more.end());
}

std::stringstream StreamOf(const TBytes& bytes) {
    return std::stringstream(std::string(bytes.begin(), bytes.end()));
}

// A record with every field set from the generator, as a processor might send it.
TPreset RandomPreset(std::mt19937& random) {
    auto draw = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    TPreset preset;
    for (auto& state : preset.K27States)
        state = draw(0, 1) == 1;
    for (auto& on : preset.AnalogOn)
        on = draw(0, 1) == 1;
    preset.DigitalGroup = draw(0, 53);
    for (auto& on : preset.DigitalOn)
        on = draw(0, 1) == 1;
    for (auto& value : preset.ParameterValues)
        value = draw(0, 255);
    preset.Title.clear();
    const int length = draw(1, 16);
    for (int i = 0; i < length; ++i)
        preset.Title.push_back(static_cast<char>(draw(33, 126)));
    for (int i = 0; i < kPerfMidiCount; ++i) {
        preset.PerfInUse[static_cast<std::size_t>(i)] = draw(0, 1) == 1;
        auto& assignment = *preset.PerfMIDI[static_cast<std::size_t>(i)];
        assignment.Controller = draw(0, 128);
        assignment.LowValue = draw(0, 255);
        assignment.HighValue = draw(0, 255);
        assignment.Parameter = draw(0, 55);
        assignment.Flags = draw(0, 1) == 1 ? 255 : 0;
    }
    return preset;
}
} // namespace

TEST(PresetDump, ANewRecordEncodesByteForByte) {
    DeviceId = 5;
    TPreset preset;
    DetermineDigitalGroup(preset, {});
    TBytes expected{0xF0, 0x1A, 0x05, 0x13, 0x05, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < 3; ++i)
        Append(expected, Pair(0x1F, 0));
    for (int value : {0, 1, 1,  24, 3,  1,  3, 47, 23, 5, 5, 15, 15, 15, 31, 10, 0,
                      0, 0, 28, 5,  35, 15, 6, 6,  6,  6, 6, 6,  6,  0,  3,  3,  45})
        Append(expected, Pair(value, 0));
    for (int value : {30, 50, 0, 25, 0, 28, 0, 63, 4, 22, 20, 48, 63, 31, 40, 0, 0, 0})
        Append(expected, Pair(value, 0));
    for (char c : std::string("My new preset   "))
        Append(expected, Pair(c, 0));
    Append(expected, Pair(0, 0));
    for (int i = 0; i < 8; ++i)
        Append(expected, {0x04, 0, 0, 0, 0x7F, 0, 0, 0, 0, 0, 0, 0});
    expected.push_back(0xF7);
    EXPECT_EQ(preset.Encode(), expected);

    std::stringstream file;
    preset.SaveToStream(file);
    EXPECT_EQ(file.str().size(), 258u);
    DeviceId = 0;
}

TEST(PresetDump, ValuesAbove127UseTheHighByteAndNothingLeavesSevenBits) {
    TPreset preset;
    preset.PerfMIDI[0]->Flags = 255;
    preset.PerfMIDI[1]->Controller = 128;
    preset.PerfMIDI[2]->LowValue = 300; // beyond what a pair carries
    preset.ParameterValues[5] = -4;
    preset.Title = "Caf\xE9\x7F Bass";
    const TBytes bytes = preset.Encode();
    EXPECT_EQ(bytes[161 + 10], 0x7F);
    EXPECT_EQ(bytes[161 + 11], 0x01);
    EXPECT_EQ(bytes[161 + 12], 0x00);
    EXPECT_EQ(bytes[161 + 13], 0x01);
    EXPECT_EQ(bytes[161 + 24 + 2], 0x7F);
    EXPECT_EQ(bytes[161 + 24 + 3], 0x01);
    EXPECT_EQ(bytes[17 + 10], 0x00);
    EXPECT_EQ(bytes[127 + 6], '?') << "a title character above 0x7F is sent as '?'";
    EXPECT_EQ(bytes[127 + 8], 0x7F) << "0x7F is a data byte: written as it is";
    for (std::size_t i = 1; i + 1 < bytes.size(); ++i)
        ASSERT_LT(bytes[i], 0x80) << "byte " << i;

    TSplitByte pair;
    for (int value = 0; value < 256; ++value) {
        pair.SetValue(value);
        ASSERT_EQ(pair.GetValue(), value);
    }
    EXPECT_EQ(pair.Join(5, 1), 133);
}

TEST(PresetDump, DecodeThenEncodeGivesBackTheSameBytes) {
    std::mt19937 random(2026);
    for (int round = 0; round < 300; ++round) {
        const TBytes dump = RandomPreset(random).Encode();
        TPreset preset;
        auto stream = StreamOf(dump);
        preset.LoadFromStream(stream);
        ASSERT_EQ(preset.Encode(), dump) << "round " << round;
        ASSERT_FALSE(preset.IsModified());
    }
}

TEST(PresetDump, TitlesLoseTheirPaddingAndLeadingBlanks) {
    TPreset preset;
    preset.Title = "  Slap  ";
    auto stream = StreamOf(preset.Encode());
    TPreset reloaded;
    reloaded.LoadFromStream(stream);
    EXPECT_EQ(reloaded.Title, "Slap");

    preset.Title = "A title longer than sixteen";
    auto longer = StreamOf(preset.Encode());
    reloaded.LoadFromStream(longer);
    EXPECT_EQ(reloaded.Title, "A title longer t");
}

TEST(PresetDump, AForeignDeviceByteIsKeptAndSentBack) {
    DeviceId = 3;
    TPreset source;
    source.Header[2] = 0x0B;
    const TBytes dump = source.Encode();
    TPreset preset;
    auto stream = StreamOf(dump);
    preset.LoadFromStream(stream);
    EXPECT_EQ(preset.Header[2], 0x0B);
    EXPECT_EQ(preset.Encode()[2], 0x0B);
    DeviceId = 0;
}

TEST(PresetDump, BadDumpsAreRefusedAndChangeNothing) {
    TPreset good;
    good.Title = "Loaded";
    TPreset preset;
    auto first = StreamOf(good.Encode());
    preset.LoadFromStream(first);

    TBytes wrongType = good.Encode();
    wrongType[4] = 0x06;
    auto stream = StreamOf(wrongType);
    try {
        preset.LoadFromStream(stream);
        FAIL() << "a dump of another type was accepted";
    } catch (const EPresetError& error) {
        EXPECT_STREQ(error.what(), "Not a valid preset file");
    }
    TBytes wrongMaker = good.Encode();
    wrongMaker[1] = 0x41;
    auto maker = StreamOf(wrongMaker);
    EXPECT_THROW(preset.LoadFromStream(maker), EPresetError);

    // A damaged file would go back on the wire with a status byte inside or left unclosed.
    for (const auto& [offset, byte] : {std::pair{2, 0x85}, std::pair{257, 0x00}}) {
        TBytes damaged = good.Encode();
        damaged[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(byte);
        auto damagedStream = StreamOf(damaged);
        EXPECT_EQ(ErrorOf([&] { preset.LoadFromStream(damagedStream); }), "Not a valid preset file")
            << "byte " << offset;
    }

    TBytes shortDump = good.Encode();
    shortDump.resize(200);
    auto shortStream = StreamOf(shortDump);
    EXPECT_THROW(preset.LoadFromStream(shortStream), EPresetError);

    EXPECT_EQ(preset.Title, "Loaded");
    EXPECT_FALSE(preset.IsModified()) << "a refused dump leaves the record as loaded";
}

TEST(PresetDump, IsModifiedFollowsEditsAndEditsBack) {
    TPreset preset;
    EXPECT_FALSE(preset.IsModified()) << "never loaded";
    auto stream = StreamOf(TPreset().Encode());
    preset.LoadFromStream(stream);
    EXPECT_FALSE(preset.IsModified());
    preset.Title = "Changed";
    EXPECT_TRUE(preset.IsModified());
    preset.Title = "My new preset";
    EXPECT_FALSE(preset.IsModified());
    preset.SetK27State(0, true); // exciter box
    EXPECT_TRUE(preset.K27States[6]);
    EXPECT_TRUE(preset.IsModified());
    preset.SetK27State(0, false);
    preset.PerfMIDI[3]->RangeSet = true; // not part of the dump
    EXPECT_FALSE(preset.IsModified());
}

TEST(PresetDump, FlagGroupsAndBitChecks) {
    TPreset preset;
    preset.K27States[7] = true;
    preset.K27States[9] = true;
    preset.AnalogOn[7] = true;  // noise gate
    preset.AnalogOn[11] = true; // prog. level
    preset.PerfInUse[7] = true;
    const TBytes bytes = preset.Encode();
    EXPECT_EQ(bytes[5], 0x00);
    EXPECT_EQ(bytes[6], 0x01);
    EXPECT_EQ(bytes[7], 0x02);
    EXPECT_EQ(bytes[10], 0x01);
    EXPECT_EQ(bytes[11], 0x08);
    EXPECT_EQ(bytes[160], 0x01);
    EXPECT_TRUE(BitIsSet(0x80, 7));
    EXPECT_FALSE(BitIsSet(0x7F, 7));
    EXPECT_EQ(ErrorOf([] { BitIsSet(0xFF, 8); }), "ERROR! Bit to check is out of range!");
    EXPECT_EQ(ErrorOf([] { BitIsSet(1, 9); }), "ERROR! Bit to check is out of range!");
}

// Switching a block or a digital position on and off reaches the first and the last of each,
// and nothing outside them.
TEST(PresetDump, EveryBlockAndPositionSwitchesAndNothingBeyond) {
    const struct {
        int At;
        bool Analog;
        std::array<bool, 12> AnalogOn;
        std::array<bool, 5> DigitalOn;
    } cases[] = {
        {0, true, {true}, {}}, // the Patch Bay, the first block
        {11,
         true,
         {false, false, false, false, false, false, false, false, false, false, false, true},
         {}},
        {-1, true, {}, {}},
        {12, true, {}, {}},
        {0, false, {}, {true}},
        {4, false, {}, {false, false, false, false, true}},
        {-1, false, {}, {}},
        {5, false, {}, {}},
    };
    for (const auto& c : cases) {
        TPreset preset;
        if (c.Analog)
            preset.SetAnalogOn(c.At, true);
        else
            preset.SetDigitalOn(c.At, true);
        for (int i = 0; i < 12; ++i)
            EXPECT_EQ(preset.GetAnalogOn(i), c.AnalogOn[static_cast<std::size_t>(i)])
                << c.At << " analog " << i;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(preset.GetDigitalOn(i), c.DigitalOn[static_cast<std::size_t>(i)])
                << c.At << " digital " << i;
        if (c.Analog)
            preset.SetAnalogOn(c.At, false);
        else
            preset.SetDigitalOn(c.At, false);
        EXPECT_EQ(preset.AnalogOn, (std::array<bool, 12>{})) << c.At;
        EXPECT_EQ(preset.DigitalOn, (std::array<bool, 5>{})) << c.At;
    }
}

TEST(PresetDump, ARecordAlwaysWritesAWholeSysexMessage) {
    TPreset preset;
    preset.Header[2] = 0x85;
    preset.Trailer = 0x00;
    const TBytes bytes = preset.Encode();
    EXPECT_TRUE(IsWellFormedSysex(bytes));
    EXPECT_TRUE(IsPresetDump(bytes));
    std::stringstream file;
    preset.SaveToStream(file);
    EXPECT_EQ(file.str().back(), '\xF7');
}

TEST(PresetDump, AnAssignmentCarriesItsParametersPresentValue) {
    TPreset preset;
    preset.PerfMIDI[0]->Parameter = 7;  // slot 6, compressor drive
    preset.PerfMIDI[1]->Parameter = 99; // damaged: names nothing
    preset.ParameterValues[6] = 20;
    const TBytes bytes = preset.Encode();
    EXPECT_EQ(bytes[161 + 8], 20);
    EXPECT_EQ(bytes[161 + 12 + 8], 0);
}

TEST(StreamListTest, OwnsItsStreamsAndHandsThemOver) {
    TStreamList undo;
    TStreamList redo;
    undo.Clear();
    EXPECT_EQ(undo.Count(), 0);
    EXPECT_EQ(undo.Add(std::make_unique<std::stringstream>("one")), 0);
    EXPECT_EQ(undo.Add(std::make_unique<std::stringstream>("two")), 1);
    TStreamList::Stream* last = undo.Get(1);
    redo.Add(undo.Delete(1));
    EXPECT_EQ(undo.Count(), 1);
    EXPECT_EQ(redo.Get(0), last) << "moved, not copied";
    EXPECT_EQ(redo.Get(0)->str(), "two");
    EXPECT_EQ(undo.Get(5), nullptr);
    EXPECT_EQ(undo.Delete(5), nullptr);
}
