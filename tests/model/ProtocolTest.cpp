// The processor's messages, and the program table message.

#include "model/Protocol.h"

#include "model/Mpt.h"
#include "model/Preset.h"
#include "support/TestPresets.h"

#include <gtest/gtest.h>
#include <sstream>

TEST(Messages, RequestsCarryTheDeviceByteAndThePresetNumberInSevenBits) {
    EXPECT_EQ(RequestCurrentPresetMessage(3), (TBytes{0xF0, 0x1A, 0x03, 0x13, 0x45, 0xF7}));
    EXPECT_EQ(SelectPresetMessage(0, 0), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x09, 0x00, 0x00, 0xF7}));
    EXPECT_EQ(SelectPresetMessage(0, 199), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x09, 71, 1, 0xF7}));
    EXPECT_EQ(SplitPresetIndex(199).Low, 71);
    EXPECT_EQ(RequestParameterMessage(0, 64), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x43, 64, 0xF7}));
    EXPECT_EQ(SetBankMessage(1, 2), (TBytes{0xF0, 0x1A, 0x01, 0x13, 0x03, 0x09, 0x02, 0xF7}));
    EXPECT_EQ(SetBypassMessage(0, true), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x03, 0x00, 0x01, 0xF7}));
    EXPECT_EQ(StorePresetMessage(0, 1), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x0A, 0, 0, 0xF7}));
    EXPECT_EQ(StorePresetMessage(0, 17), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x0A, 0x10, 0, 0xF7}));
    EXPECT_EQ(StorePresetMessage(0, 128), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x0A, 0x7F, 0, 0xF7}));
    EXPECT_EQ(StorePresetMessage(0, 129), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x0A, 0, 1, 0xF7}));
    EXPECT_EQ(StorePresetMessage(0, 200), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x0A, 71, 1, 0xF7}));
    EXPECT_EQ(RequestAllPresetsMessage(0), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x52, 0xF7}));
    EXPECT_EQ(RequestProgramTableMessage(0), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x53, 0xF7}));

    ModeGuard pre(true);
    EXPECT_EQ(RequestAllPresetsMessage(0), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x4B, 0xF7}));
    EXPECT_EQ(RequestProgramTableMessage(0), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x4C, 0xF7}));
    EXPECT_EQ(MptDumpLength, 262);
    EXPECT_EQ(DigitalGroupCount, 47);
}

TEST(Messages, PresetIndexesOutsideTwoBytesAreRefusedNotMasked) {
    EXPECT_EQ(SelectPresetMessage(0, 255), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x09, 127, 1, 0xF7}));
    EXPECT_EQ(StorePresetMessage(0, 256), (TBytes{0xF0, 0x1A, 0x00, 0x13, 0x0A, 127, 1, 0xF7}));
    for (int index : {-1, 256, 384, 65536 + 5}) {
        EXPECT_FALSE(SelectPresetMessage(0, index)) << index;
        EXPECT_FALSE(StorePresetMessage(0, index + 1)) << index;
    }
    EXPECT_FALSE(StorePresetMessage(0, 0)) << "preset numbers start at 1";
    EXPECT_FALSE(SelectPresetMessage(0x80, 0)) << "a status byte is no device byte";
    EXPECT_FALSE(StorePresetMessage(0x85, 1));
    for (const TBytes& message : {RequestCurrentPresetMessage(0x85),
                                  RequestParameterMessage(0xFF, 0x90), SetBankMessage(0x80, 2)})
        EXPECT_TRUE(IsWellFormedSysex(message)) << "nothing built carries a status byte inside";
}

TEST(Messages, ParameterRepliesAndDumpsAreRecognisedByHeaderAndLength) {
    const TBytes reply = ParameterReplyMessage(9, 64, 5, 1);
    ASSERT_EQ(reply.size(), 9u);
    const auto parsed = ParseParameterReply(reply);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Address, 64);
    EXPECT_EQ(parsed->Value + 1 + 128 * parsed->High, 134);
    EXPECT_FALSE(ParseParameterReply(TBytes{0xF0, 0x1A, 0, 0x13, 0x03, 0, 1})) << "too short";
    EXPECT_TRUE(ParseParameterReply(TBytes{0xF0, 0x1A, 0, 0x13, 0x03, 0, 1, 0xF7}))
        << "eight bytes are enough";
    EXPECT_FALSE(ParseParameterReply(TBytes{0xF0, 0x1B, 0, 0x13, 0x03, 0, 1, 0}));
    EXPECT_FALSE(ParseParameterReply(TBytes{0xF0, 0x1A, 0, 0x14, 0x03, 0, 1, 0})) << "model byte";
    EXPECT_FALSE(HasProcessorHeader(TBytes{0xF0, 0x1A, 0, 0x14, 0x05}, 0x05));

    TBytes dump(258, 0x20);
    dump[0] = 0xF0;
    dump[1] = 0x1A;
    dump[2] = 0x7F; // device byte never checked
    dump[3] = 0x13;
    dump[4] = 0x05;
    dump[257] = 0xF7;
    EXPECT_TRUE(IsPresetDump(dump));
    dump.push_back(0);
    EXPECT_FALSE(IsPresetDump(dump));
    dump.pop_back();
    dump[3] = 0x14;
    EXPECT_FALSE(IsPresetDump(dump)) << "another model";
    dump[3] = 0x13;
    // A damaged file: a status byte where the device byte belongs, or no F7 at the end.
    dump[2] = 0x85;
    EXPECT_FALSE(IsPresetDump(dump));
    dump[2] = 0x7F;
    dump[257] = 0x00;
    EXPECT_FALSE(IsPresetDump(dump));

    TBytes table(406, 0);
    table[0] = 0xF0;
    table[1] = 0x1A;
    table[3] = 0x13;
    table[4] = 0x13;
    table[405] = 0xF7;
    EXPECT_TRUE(IsMptDump(table));
    table[2] = 0x85;
    EXPECT_FALSE(IsMptDump(table));
    table[2] = 0x00;
    table[405] = 0x00;
    EXPECT_FALSE(IsMptDump(table));
    ModeGuard pre(true);
    table.resize(262);
    table[4] = 0x0C;
    EXPECT_FALSE(IsMptDump(table)) << "no F7";
    table[261] = 0xF7;
    EXPECT_TRUE(IsMptDump(table));
    table[4] = 0x13;
    EXPECT_FALSE(IsMptDump(table)) << "the Plenova code in a 128-entry table";
}

TEST(Messages, TheTitleIsTakenFromEveryOtherByteAndTrimmed) {
    TBytes dump(258, 0);
    const std::string stored = std::string(" \x01") + "Fat Fretless   ";
    for (std::size_t i = 0; i < 16; ++i)
        dump[127 + 2 * i] = static_cast<std::uint8_t>(stored[i]);
    EXPECT_EQ(PresetTitleOf(dump), "Fat Fretless");
    EXPECT_EQ(PresetTitleOf(TBytes(10, 'x')), "") << "a short message has no title";
}

TEST(Messages, RepliesAreDescribedAsTheUserReadsThem) {
    TPreset preset;
    preset.Title = "Slap Bass";
    EXPECT_EQ(DescribeReply(preset.Encode()), "Preset dump: Slap Bass");
    preset.Title = "";
    EXPECT_EQ(DescribeReply(preset.Encode()), "Preset dump: (untitled)");

    const TBytes plenovaTable = Tmpt().Encode();
    EXPECT_EQ(DescribeReply(plenovaTable), "Program table: 200 entries");
    {
        ModeGuard pre(true);
        EXPECT_EQ(DescribeReply(Tmpt().Encode()), "Program table: 128 entries");
        EXPECT_EQ(DescribeReply(plenovaTable), "") << "not a table of the older model";
    }

    EXPECT_EQ(DescribeReply(ParameterReplyMessage(0, 9, 2, 0)), "Parameter reply: bank C");
    EXPECT_EQ(DescribeReply(ParameterReplyMessage(0, 9, 7, 0)),
              "Parameter reply: bank unknown (7)");
    EXPECT_EQ(DescribeReply(ParameterReplyMessage(0, 64, 5, 1)),
              "Parameter reply: current preset 134");
    EXPECT_EQ(DescribeReply(ParameterReplyMessage(0, 64, 5, 0)),
              "Parameter reply: current preset 6");
    EXPECT_EQ(DescribeReply(ParameterReplyMessage(3, 0, 1, 0)), "Parameter reply: bypass on");
    EXPECT_EQ(DescribeReply(ParameterReplyMessage(3, 0, 0, 0)), "Parameter reply: bypass off");
    EXPECT_EQ(DescribeReply(ParameterReplyMessage(0, 12, 3, 0)),
              "Parameter reply: address 12, value 3");

    EXPECT_EQ(DescribeReply(TBytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}), "") << "another maker";
    EXPECT_EQ(DescribeReply(RequestCurrentPresetMessage(0)), "") << "a request, not a reply";
    EXPECT_EQ(DescribeReply(TBytes{0xF0, 0x1A, 0, 0x13, 0x03, 9, 2}), "") << "a reply cut short";
    TBytes damaged = preset.Encode();
    damaged.back() = 0x00;
    EXPECT_EQ(DescribeReply(damaged), "") << "a dump without its end";
}

TEST(Messages, RequestsAreClassifiedForTheProcessor) {
    EXPECT_EQ(ClassifyRequest(*SelectPresetMessage(0, 199)).Index, 199);
    EXPECT_EQ(ClassifyRequest(*SelectPresetMessage(0, 199)).Kind, TRequestKind::SelectPreset);
    EXPECT_EQ(ClassifyRequest(*StorePresetMessage(0, 150)).Index, 149);
    EXPECT_EQ(ClassifyRequest(RequestParameterMessage(0, 9)).Address, 9);
    EXPECT_EQ(ClassifyRequest(SetBypassMessage(0, true)).Kind, TRequestKind::SetParameter);
    EXPECT_EQ(ClassifyRequest(RequestCurrentPresetMessage(0)).Kind,
              TRequestKind::RequestCurrentPreset);
    EXPECT_EQ(ClassifyRequest(RequestAllPresetsMessage(0)).Kind, TRequestKind::RequestAllPresets);
    EXPECT_EQ(ClassifyRequest(TBytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}).Kind,
              TRequestKind::Unknown);
    EXPECT_EQ(ClassifyRequest(TBytes{0xF0, 0x1A, 0, 0x13, 0x09, 0xF7}).Kind, TRequestKind::Unknown)
        << "truncated";
    const TDeviceMode pre = TDeviceMode::PrePlenovaModel();
    EXPECT_EQ(ClassifyRequest(RequestProgramTableMessage(0, pre), pre).Kind,
              TRequestKind::RequestProgramTable);
    EXPECT_EQ(ClassifyRequest(RequestProgramTableMessage(0, pre)).Kind, TRequestKind::Unknown);
}

TEST(ProgramTable, DefaultTablesEncodeByteForByteInBothModes) {
    DeviceId = 2;
    Tmpt table;
    TBytes expected{0xF0, 0x1A, 0x02, 0x13, 0x13};
    for (int i = 0; i < 200; ++i) {
        expected.push_back(static_cast<std::uint8_t>(i < 128 ? i : i - 128));
        expected.push_back(i < 128 ? 0 : 1);
    }
    expected.push_back(0xF7);
    EXPECT_EQ(table.Encode(), expected);

    ModeGuard pre(true);
    DeviceId = 2;
    Tmpt small;
    const TBytes bytes = small.Encode();
    ASSERT_EQ(bytes.size(), 262u);
    EXPECT_EQ(bytes[4], 0x0C);
    EXPECT_EQ(bytes[5 + 2 * 127], 127);
    EXPECT_EQ(bytes[261], 0xF7);
}

TEST(ProgramTable, TheLoadedHeaderIsKeptAndTheModeDecidesTheLength) {
    Tmpt source;
    source.MptHeader[2] = 0x0E;
    source.MptEntries[0] = 199;
    source.MptEntries[150] = 3;
    std::stringstream stream(
        std::string(reinterpret_cast<const char*>(source.Encode().data()), 406));
    Tmpt table;
    table.Load(stream);
    EXPECT_EQ(table.MptHeader[2], 0x0E);
    EXPECT_EQ(table.MptEntries[0], 199);
    EXPECT_EQ(table.MptEntries[150], 3);
    EXPECT_EQ(table.Encode()[2], 0x0E);

    ModeGuard pre(true);
    const TBytes saved = table.Encode();
    EXPECT_EQ(saved.size(), 262u) << "the mode decides how many entries are saved";
    EXPECT_EQ(saved[4], 0x13) << "but not the command byte of a loaded header";
    EXPECT_EQ(table.MptEntries[150], 3) << "entries beyond the count keep their values";

    std::stringstream tooShort("\xF0\x1A");
    EXPECT_THROW(table.Load(tooShort), EPresetError);
    EXPECT_EQ(table.MptEntries[0], 199);
}

TEST(ProgramTable, TheLastEntrySurvivesDecodeInBothModes) {
    Tmpt source;
    source.MptEntries[199] = 5;
    source.MptEntries[127] = 130;
    Tmpt table;
    table.Decode(source.Encode());
    EXPECT_EQ(table.MptEntries[199], 5);
    EXPECT_EQ(table.MptEntries[127], 130);

    ModeGuard pre(true);
    Tmpt older;
    older.MptEntries[127] = 130;
    Tmpt small;
    small.Decode(older.Encode());
    EXPECT_EQ(small.MptEntries[127], 130);
}

TEST(ProgramTable, ADamagedTableIsRefusedAndNothingMalformedIsWritten) {
    Tmpt source;
    source.MptEntries[0] = 42;
    Tmpt table;
    for (const auto& [offset, byte] : {std::pair{2, 0x85}, std::pair{405, 0x00}}) {
        TBytes damaged = source.Encode();
        damaged[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(byte);
        std::stringstream stream(std::string(damaged.begin(), damaged.end()));
        try {
            table.Load(stream);
            ADD_FAILURE() << "byte " << offset << " damaged, yet the table was taken";
        } catch (const EPresetError& error) {
            EXPECT_STREQ(error.what(), "Not a valid MPT file");
        }
    }
    EXPECT_EQ(table.MptEntries[0], 0) << "a refused table changes nothing";

    table.MptHeader[2] = 0x85;
    table.MptTrailer = 0x00;
    table.MptEntries[3] = 1000;
    const TBytes written = table.Encode();
    EXPECT_EQ(written.size(), 406u);
    EXPECT_TRUE(IsWellFormedSysex(written));
    EXPECT_TRUE(IsMptDump(written));
}
