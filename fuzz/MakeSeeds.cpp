// Writes the fuzz targets' seeds, one folder per target: valid messages and files made by the
// model's own encoders, and the damaged and unusual ones the targets should start from.
//
//     MakeSeeds CORPUS-FOLDER
//
// Each target's folder is emptied and written afresh; the output is the same on every run.

#include "model/HexText.h"
#include "model/Mpt.h"
#include "model/Preset.h"
#include "model/Protocol.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {
namespace fs = std::filesystem;
using TSeeds = std::map<std::string, TBytes>; // file name -> content

TBytes Joined(std::initializer_list<TBytes> parts) {
    TBytes all;
    for (const TBytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

TBytes Text(const std::string& text) {
    return {text.begin(), text.end()};
}

TBytes Truncated(TBytes bytes, std::size_t less) {
    bytes.resize(bytes.size() - less);
    return bytes;
}

TBytes WithByte(TBytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

TBytes Presets(TSeeds& seeds) {
    const TBytes plain = TPreset().Encode();
    seeds["new-preset.tmq"] = plain;

    TPreset busy;
    busy.Title = "Slap Octaver 16!";
    busy.SetDigitalGroup(12);
    for (int i = 0; i < kDigitalPositions; ++i)
        busy.SetDigitalOn(i, i % 2 == 0);
    for (int i = 0; i < kAnalogBlockCount; ++i)
        busy.SetAnalogOn(i, i % 3 != 1);
    for (int i = 0; i < kK27StateCount; ++i)
        busy.SetK27State(i, i % 2 == 1);
    for (int i = 0; i < kParameterCount; ++i)
        busy.ParameterValues[static_cast<std::size_t>(i)] = (i * 37) % 256;
    for (int i = 0; i < kPerfMidiCount; ++i) {
        busy.PerfInUse[static_cast<std::size_t>(i)] = true;
        TPerfMIDI& assignment = *busy.PerfMIDI[static_cast<std::size_t>(i)];
        assignment.Controller = i == 0 ? 128 : i * 11;
        assignment.LowValue = i * 3;
        assignment.HighValue = 127 - i;
        assignment.Parameter = i * 7 + 1;
    }
    TBytes full = busy.Encode();
    seeds["busy-preset.tmq"] = full;

    TPreset untitled;
    untitled.Title.clear();
    seeds["untitled.tmq"] = untitled.Encode();
    TPreset odd;
    odd.Title = "\x01 Fret\0less\x7F\xC3\xA9 and a longer tail"s; // cut to 16 when written
    seeds["odd-title.tmq"] = odd.Encode();

    seeds["short-by-one.tmq"] = Truncated(full, 1);
    seeds["long-by-one.tmq"] = Joined({full, {0x00}});
    seeds["without-end.tmq"] = WithByte(full, full.size() - 1, 0x00);
    seeds["high-byte-in-title.tmq"] = WithByte(full, kTitleOffset + 2, 0x80);
    seeds["device-7F.tmq"] = WithByte(full, 2, 0x7F);
    seeds["device-not-data.tmq"] = WithByte(full, 2, 0x90);
    seeds["other-command.tmq"] = WithByte(full, 4, kParameterCode);
    return full;
}

Tmpt TableOf(const TDeviceMode& mode) {
    Tmpt table;
    table.MptHeader[4] = mode.MptReplyCode;
    return table;
}

TBytes Tables(TSeeds& seeds, const TDeviceMode& mode, const std::string& name) {
    seeds[name + ".mpt"] = TableOf(mode).Encode(mode);
    Tmpt mixed = TableOf(mode);
    for (int i = 0; i < kMptEntryTotal; ++i)
        mixed.MptEntries[static_cast<std::size_t>(i)] = (i * 113 + 5) % 256;
    TBytes table = mixed.Encode(mode);
    seeds[name + "-mixed.mpt"] = table;
    seeds[name + "-short-by-one.mpt"] = Truncated(table, 1);
    seeds[name + "-long-by-one.mpt"] = Joined({table, {0x00}});
    seeds[name + "-without-end.mpt"] = WithByte(table, table.size() - 1, 0x00);
    seeds[name + "-high-byte.mpt"] = WithByte(table, 9, 0xFF);
    return table;
}

// Every message the program sends and every reply it reads.
TSeeds Messages(const TBytes& preset, const TBytes& table, const TBytes& smallTable) {
    const TDeviceMode plenova = TDeviceMode::Plenova();
    const TDeviceMode older = TDeviceMode::PrePlenovaModel();
    TSeeds seeds{
        {"request-current-preset.syx", RequestCurrentPresetMessage(0)},
        {"select-preset-first.syx", *SelectPresetMessage(0, 0)},
        {"select-preset-last.syx", *SelectPresetMessage(5, kMaxPresetIndex)},
        {"select-preset.syx", *SelectPresetMessage(0, 199)},
        {"request-bypass.syx", RequestParameterMessage(0, kBypassAddress)},
        {"request-bank.syx", RequestParameterMessage(0, kBankAddress)},
        {"request-preset-number.syx", RequestParameterMessage(0, kPresetNumberAddress)},
        {"set-bank.syx", SetBankMessage(0, 3)},
        {"bypass-on.syx", SetBypassMessage(0, true)},
        {"bypass-off.syx", SetBypassMessage(127, false)},
        {"request-all-presets.syx", RequestAllPresetsMessage(0, plenova)},
        {"request-all-presets-older.syx", RequestAllPresetsMessage(0, older)},
        {"request-table.syx", RequestProgramTableMessage(0, plenova)},
        {"request-table-older.syx", RequestProgramTableMessage(0, older)},
        {"store-preset-first.syx", *StorePresetMessage(0, 1)},
        {"store-preset-last.syx", *StorePresetMessage(0, kMaxPresetIndex + 1)},
        {"parameter-reply.syx", ParameterReplyMessage(0, kPresetNumberAddress, 5, 1)},
        {"bank-reply.syx", ParameterReplyMessage(3, kBankAddress, 2, 0)},
        {"preset-dump.syx", preset},
        {"table.syx", table},
        {"table-older.syx", smallTable},
    };
    const TBytes reply = ParameterReplyMessage(0, kBypassAddress, 1, 0);
    seeds["parameter-reply-short-by-one.syx"] = Truncated(reply, 2); // 7 bytes with its F7
    seeds["parameter-reply-short-by-one.syx"].push_back(kSysexEnd);
    seeds["parameter-reply-without-end.syx"] = Truncated(reply, 1);
    seeds["parameter-reply-high-byte.syx"] = WithByte(reply, 6, 0x81);
    seeds["truncated-dump.syx"] = Truncated(preset, 100);
    seeds["other-maker.syx"] = WithByte(reply, 1, 0x41);
    seeds["lone-start.syx"] = {kSysexStart};
    return seeds;
}

// .syx files: dumps of any device byte with other traffic between them, and damaged ones.
TSeeds SyxFiles(const TBytes& preset, const TBytes& table, const TBytes& smallTable) {
    const TBytes noteOn{0x90, 0x3C, 0x64};
    const TBytes reply = ParameterReplyMessage(0, kBankAddress, 1, 0);
    return {
        {"mixed.syx", Joined({preset,
                              noteOn,
                              WithByte(preset, 2, 5),
                              table,
                              {0x12, 0xF7, 0x00},
                              TPreset().Encode()})},
        {"cut-and-restart.syx", Joined({Truncated(preset, 58), preset, Truncated(table, 1)})},
        {"older-table.syx", Joined({smallTable, reply, {kSysexStart}})},
        {"high-byte.syx", Joined({WithByte(preset, kTitleOffset, 0xE9), {kSysexEnd}, reply})},
    };
}

// Framer input: buffer length, buffer count and lending (see FramerProperties.h), piece size.
TBytes Stream(int length, int buffers, bool once, int pieceMax, const TBytes& stream) {
    TBytes input{static_cast<std::uint8_t>((length - 1) >> 8),
                 static_cast<std::uint8_t>((length - 1) & 0xFF),
                 static_cast<std::uint8_t>((buffers - 1) | (once ? 0x04 : 0)),
                 static_cast<std::uint8_t>(pieceMax)};
    input.insert(input.end(), stream.begin(), stream.end());
    return input;
}

TSeeds FramerStreams(const TBytes& preset, const TBytes& table, const TSeeds& messages) {
    TBytes requests;
    for (const auto& [name, message] : messages)
        if (name.rfind("request-", 0) == 0 || name.rfind("select-", 0) == 0)
            requests.insert(requests.end(), message.begin(), message.end());
    const TBytes reply = ParameterReplyMessage(0, kBankAddress, 1, 0);
    TBytes clocked; // real-time bytes between every byte of a reply
    for (const std::uint8_t byte : reply)
        clocked.insert(clocked.end(), {0xF8, byte, 0xFE});
    const TBytes running{0x90, 0x28, 0x64, 0x2B, 0x64, 0x28, 0x00, 0x2B, 0x00, 0xC0,
                         0x05, 0x07, 0xB0, 0x07, 0x7F, 0x0B, 0x40, 0xE0, 0x00, 0x40};
    const TBytes common{0xF1, 0x12, 0xF2, 0x10, 0x20, 0xF3, 0x05, 0xF6, 0xF4,
                        0xF5, 0x33, 0xF7, 0xFF, 0xF9, 0xFD, 0x44, 0x55};
    const TBytes cut{0xF0, 0x1A, 0x00, 0x13, 0x03, 0xB0, 0x07, 0x40, 0xF0, 0x01, 0xF0, 0x02, 0xF7};
    const TBytes stray{0x12, 0x34, 0xF7, 0x56, 0x80, 0x3C, 0x40, 0x3C, 0x40, 0xF7, 0x3C};
    return {
        {"preset-one-piece", Stream(300, 2, false, 255, preset)},
        {"preset-exact-buffer", Stream(PresetDumpLength, 1, false, 0, preset)},
        {"preset-in-256s", Stream(256, 2, false, 17, preset)},
        {"preset-byte-buffers", Stream(1, 4, false, 3, reply)},
        {"two-presets-one-buffer", Stream(200, 1, true, 64, Joined({preset, preset}))},
        {"table-and-reply", Stream(100, 4, true, 9, Joined({table, reply}))},
        {"every-request", Stream(16, 2, false, 5, requests)},
        {"real-time-inside", Stream(4, 2, false, 2, clocked)},
        {"running-status", Stream(8, 1, false, 1, running)},
        {"system-common", Stream(8, 1, false, 4, common)},
        {"cut-short", Stream(3, 3, false, 2, cut)},
        {"cut-at-buffer-end",
         Stream(3, 2, false, 1, {0xF0, 0x01, 0x02, 0x90, 0x3C, 0x40, 0xF0, 0x03, 0xF7})},
        {"stray-data-and-ends", Stream(8, 1, false, 2, stray)},
        {"without-end", Stream(64, 2, false, 7, Truncated(reply, 1))},
        {"truncated-dump", Stream(128, 4, false, 31, Truncated(preset, 9))},
    };
}

// Message buffer text: the set-up byte (see HexTextProperties.h), then the text.
TBytes Typed(const std::string& text, int capacity = 0) {
    return Joined({{static_cast<std::uint8_t>(capacity << 1)}, Text(text)});
}

TBytes TypedWide(const std::u16string& text) {
    TBytes input{0x01};
    for (const char16_t c : text)
        input.insert(input.end(),
                     {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
    return input;
}

TSeeds HexTexts(const TBytes& preset, const TBytes& request) {
    const std::string dump = BytesToHex(preset.data(), static_cast<std::uint16_t>(preset.size()));
    std::string lines = dump;
    for (std::size_t at = 48; at < lines.size(); at += 49)
        lines.insert(at, "\r\n");
    const std::string ask = BytesToHex(request.data(), static_cast<std::uint16_t>(request.size()));
    return {
        {"request", Typed(ask)},
        {"preset-dump", Typed(dump)},
        {"preset-dump-lines", Typed(lines)},
        {"lower-case-packed", Typed("f01a00134ff7")},
        {"empty", Typed("")},
        {"blanks-only", Typed("   \n  \r\n ")},
        {"odd-digits", Typed("F0 1A 0 F7")},
        {"not-hex", Typed("F0 G1 F7 ")},
        {"signs", Typed("+1 -1 ")},
        {"tab-in-pair", Typed("F0\t1A F7")},
        {"over-the-size", Typed(ask, 3)},
        {"exactly-the-size", Typed("F0 01 F7 ", 3)},
        {"wide-line-separators", TypedWide(u"F0\u20281A 00\u2028F7")},
        {"wide-other-digits", TypedWide(u"\u0661\u0662 F7")},
        {"wide-surrogates", TypedWide(u"F0 \U0001F3B8 F7")},
    };
}

// Searches as users type them, and the mistakes they make on the way.
TSeeds Searches() {
    const std::vector<std::pair<std::string, std::string>> typed = {
        {"word", "fretless"},
        {"phrase", "\"slap funk\""},
        {"unclosed-phrase", "\"slap funk"},
        {"number", "drive>50"},
        {"value-text", "reverb type=Hall-1"},
        {"ratio", "compressor slope=4:1"},
        {"unit-apart", "delay time>=300 ms"},
        {"seconds", "time<1.5s"},
        {"kilohertz", "frequency!=2 kHz"},
        {"filters", "bank:B changed untitled"},
        {"bad-bank", "bank:E"},
        {"misspelt", "driev>5"},
        {"no-value", "drive>"},
        {"no-name", ">=5"},
        {"operators-only", "<=>=!="},
        {"signs", "level>-12 db gain<+3.5"},
        {"latin-1", "Fr\xe9tless \xff"},
        {"control-bytes", std::string("a\0b\x01>", 5)},
    };
    TSeeds seeds;
    for (const auto& [name, text] : typed)
        seeds[name] = Text(text);
    return seeds;
}

bool Write(const fs::path& folder, const TSeeds& seeds) {
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "cannot make %s: %s\n", folder.c_str(), error.message().c_str());
        return false;
    }
    for (const auto& [name, bytes] : seeds) {
        std::ofstream file(folder / name, std::ios::binary);
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush()) {
            std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
            return false;
        }
    }
    return true;
}
// A preset's data bytes, then (place, value) pairs that change a copy; an odd last byte gives the
// copy another device byte.
TSeeds PresetPairs(const TBytes& preset, const TBytes& busy) {
    TSeeds seeds;
    const auto data = [](const TBytes& dump) { return TBytes(dump.begin() + 5, dump.end() - 1); };
    const auto changed = [&](const TBytes& dump, const std::vector<std::pair<int, int>>& changes,
                             int device) {
        TBytes seed = data(dump);
        for (const auto& [place, value] : changes) {
            seed.push_back(static_cast<std::uint8_t>(place));
            seed.push_back(static_cast<std::uint8_t>(value));
        }
        if (device >= 0)
            seed.push_back(static_cast<std::uint8_t>(device));
        return seed;
    };
    seeds["same.bin"] = data(preset);
    seeds["device-byte.bin"] = changed(preset, {}, 5);
    // The title's first letter, the compressor's drive, the group, a switch, an assignment.
    seeds["title-drive-group.bin"] = changed(busy, {{122, 'Q'}, {13, 9}, {8, 3}, {0, 0x7F}}, -1);
    seeds["assignment.bin"] = changed(busy, {{154, 0}, {156, 40}, {162, 99}}, -1);
    // Bytes nothing names: the title's second bytes.
    seeds["other-bytes.bin"] = changed(preset, {{123, 1}, {125, 2}}, -1);
    return seeds;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS-FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path corpus = argv[1];
    DeviceId = 0;

    TSeeds presets;
    const TBytes preset = Presets(presets);
    TSeeds tables;
    const TBytes table = Tables(tables, TDeviceMode::Plenova(), "table");
    const TBytes smallTable = Tables(tables, TDeviceMode::PrePlenovaModel(), "table-128");
    const TSeeds messages = Messages(preset, table, smallTable);

    const bool written =
        Write(corpus / "PresetFuzz", presets) && Write(corpus / "TableFuzz", tables) &&
        Write(corpus / "MessageFuzz", messages) &&
        Write(corpus / "FramerFuzz", FramerStreams(preset, table, messages)) &&
        Write(corpus / "HexTextFuzz", HexTexts(preset, RequestCurrentPresetMessage(0))) &&
        Write(corpus / "SearchFuzz", Searches()) &&
        Write(corpus / "SyxFuzz", SyxFiles(preset, table, smallTable)) &&
        Write(corpus / "PresetDiffFuzz", PresetPairs(TPreset().Encode(), preset));
    return written ? 0 : 1;
}
