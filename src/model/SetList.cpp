// Set lists: their lines read and written, the program table they make, programs named.

#include "model/SetList.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace {
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kSpaces = " \t";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kSpaces);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(kSpaces) - first + 1);
}

// The code point that starts at `at` and how many bytes it takes; nothing for a byte that
// starts no well-formed UTF-8 sequence (overlong forms and surrogates included).
std::optional<char32_t> CodePointAt(std::string_view text, std::size_t at, std::size_t& length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    char32_t point = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        length = 1;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, point = lead & 0x1Fu, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, point = lead & 0x0Fu, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, point = lead & 0x07u, least = 0x10000;
    } else {
        return std::nullopt;
    }
    if (at + length > text.size())
        return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0u) != 0x80u)
            return std::nullopt;
        point = (point << 6u) | (next & 0x3Fu);
    }
    if (point < least || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return std::nullopt;
    return point;
}

bool IsControl(char32_t point) {
    return (point < 0x20 && point != '\t') || point == 0x7F;
}

// Why the line cannot hold a song whatever it says; empty when it can.
std::string Unreadable(std::string_view line) {
    if (line.size() > kLongestSetListLine)
        return "longer than " + std::to_string(kLongestSetListLine) + " bytes";
    bool control = false;
    for (std::size_t at = 0, length = 0; at < line.size(); at += length) {
        const std::optional<char32_t> point = CodePointAt(line, at, length);
        if (!point)
            return "not UTF-8 text";
        control = control || IsControl(*point);
    }
    return control ? "holds a control character" : "";
}

// The note starts after the first ';' with a space (or tab) before it and a space, a tab or the
// line's end after it; a note may hold " ; " itself. npos when there is none.
std::size_t NoteSeparator(std::string_view line) {
    for (std::size_t at = line.find(';', 1); at != std::string_view::npos;
         at = line.find(';', at + 1))
        if (kSpaces.find(line[at - 1]) != std::string_view::npos &&
            (at + 1 == line.size() || kSpaces.find(line[at + 1]) != std::string_view::npos))
            return at - 1;
    return std::string_view::npos;
}

// The last '=' with a space (or the line's edge) on either side: a title may hold " = ", a file
// name may not. Without one, the last '=' ("Intro=B017", as typed in a hurry).
std::size_t TitleSeparator(std::string_view head) {
    for (std::size_t at = head.rfind('='); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : head.rfind('=', at - 1)) {
        const bool spaceBefore = at == 0 || kSpaces.find(head[at - 1]) != std::string_view::npos;
        const bool spaceAfter =
            at + 1 == head.size() || kSpaces.find(head[at + 1]) != std::string_view::npos;
        if (spaceBefore && spaceAfter)
            return at;
    }
    return head.rfind('=');
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsPresetFileName(std::string_view reference) {
    // "Slap.tmq", and a backup's "Slap.tmq042".
    std::string lower(reference);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    const std::size_t at = lower.rfind(".tmq");
    if (at == std::string::npos || at == 0 || lower[at - 1] == '/')
        return false;
    const std::string_view after = std::string_view(lower).substr(at + 4);
    return after.empty() || (after.size() == 3 && std::all_of(after.begin(), after.end(), IsDigit));
}

// A slot ("B017", "b17"; "017" on a single-bank unit) or a preset file; what is wrong otherwise.
std::string ReadReference(std::string_view reference, const TDeviceMode& mode,
                          TSongPreset& preset) {
    const bool letter = !IsDigit(reference.front());
    const std::string_view digits = reference.substr(letter ? 1 : 0);
    const bool slotLike = !digits.empty() && std::all_of(digits.begin(), digits.end(), IsDigit) &&
                          (!letter || IsAsciiLetter(reference.front()));
    if (!slotLike) {
        if (!IsPresetFileName(reference))
            return "\"" + std::string(reference) + "\" is neither a slot (as in " +
                   (mode.BankCount > 1 ? "B017" : "017") + ") nor a preset file (.tmq)";
        preset = {.Bank = 0, .Slot = 0, .Path = std::string(reference)};
        return {};
    }
    const int last = mode.MptEntryCount;
    int slot = 0;
    for (const char digit : digits)
        slot = std::min(10 * slot + (digit - '0'), 1000);
    const std::string written(reference);
    if (mode.BankCount == 1 && letter)
        return written + ": the unit has one bank; write the slot alone, as in 017";
    if (mode.BankCount > 1 && !letter)
        return written + ": a slot needs its bank, as in B017";
    const int bank = letter ? (reference.front() & ~0x20) - 'A' : 0;
    if (bank < 0 || bank >= mode.BankCount)
        return "no bank " + std::string(1, reference.front()) + ": banks are A to D";
    if (slot < 1 || slot > last)
        return written + " is not a slot: " + (mode.BankCount > 1 ? "001 to 200" : "001 to 128");
    preset = {.Bank = bank, .Slot = slot, .Path = {}};
    return {};
}

// A song from a line that holds one; what is wrong otherwise.
std::string ReadSong(std::string_view line, const TDeviceMode& mode, TSong& song) {
    std::string_view head = line;
    if (const std::size_t note = NoteSeparator(line); note != std::string_view::npos) {
        song.Note = Trimmed(line.substr(note + 2));
        head = line.substr(0, note);
    }
    const std::size_t equals = TitleSeparator(head);
    if (equals == std::string_view::npos)
        return "no \"=\" between the title and the preset";
    song.Title = Trimmed(head.substr(0, equals));
    const std::string_view reference = Trimmed(head.substr(equals + 1));
    if (song.Title.empty())
        return "no title before \" = \"";
    if (reference.empty())
        return "no preset after \" = \"";
    return ReadReference(reference, mode, song.Preset);
}

std::string SongLine(const TSong& song, const TDeviceMode& mode) {
    std::string line = song.Title + " = " + song.Preset.Text(mode);
    if (!song.Note.empty())
        line += " ; " + song.Note;
    return line;
}

std::string Quoted(const TSong& song, std::size_t index) {
    return std::to_string(index + 1) + " \"" + song.Title + "\"";
}

// Plain UTF-8 on one line: a byte that is no UTF-8 becomes U+FFFD, a control character a space
// (neither may stand in an XML document, and a DAW would show them as garbage).
std::string PlainText(std::string_view text) {
    std::string plain;
    for (std::size_t at = 0, length = 0; at < text.size(); at += length) {
        const std::optional<char32_t> point = CodePointAt(text, at, length);
        if (!point) {
            length = 1;
            plain += "\xEF\xBF\xBD";
        } else if (IsControl(*point) || *point == '\t') {
            plain += ' ';
        } else if (*point == 0xFFFE || *point == 0xFFFF) {
            plain += "\xEF\xBF\xBD";
        } else {
            plain += text.substr(at, length);
        }
    }
    return plain;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"") == std::string::npos && Trimmed(text).size() == text.size())
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string XmlAttribute(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
} // namespace

std::string TSongPreset::Text(const TDeviceMode& mode) const {
    if (IsFile())
        return Path;
    char text[8];
    std::snprintf(text, sizeof text, "%03d", Slot);
    return mode.BankCount > 1 ? BankLetters[Bank] + std::string(text) : std::string(text);
}

std::string TSongPreset::PathFrom(const std::string& setListFolder) const {
    const std::filesystem::path path(Path);
    if (path.is_absolute() || setListFolder.empty())
        return Path;
    return (std::filesystem::path(setListFolder) / path).lexically_normal().string();
}

std::string TSetListProblem::Text() const {
    return "line " + std::to_string(Line) + ": " + What;
}

TSetListRead TSetList::Read(std::string_view text, const TDeviceMode& mode) {
    TSetListRead read;
    if (text.starts_with(kByteOrderMark))
        text.remove_prefix(kByteOrderMark.size());
    std::vector<std::string> kept;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        const std::string_view trimmed = Trimmed(line);
        if (trimmed.empty() || trimmed.starts_with('#')) {
            kept.emplace_back(line);
            continue;
        }
        TSong song;
        std::string problem = Unreadable(line);
        if (problem.empty())
            problem = ReadSong(line, mode, song);
        if (!problem.empty()) {
            read.Problems.push_back({number, problem});
            kept.emplace_back(line);
            continue;
        }
        song.LinesBefore = std::move(kept);
        kept.clear();
        read.List.Songs.push_back(std::move(song));
    }
    read.List.LinesAfter = std::move(kept);
    return read;
}

std::string TSetList::Text(const TDeviceMode& mode) const {
    std::string text;
    for (const TSong& song : Songs) {
        for (const std::string& line : song.LinesBefore)
            text += line + "\n";
        text += SongLine(song, mode) + "\n";
    }
    for (const std::string& line : LinesAfter)
        text += line + "\n";
    return text;
}

std::string TSetList::Unwritable(const TDeviceMode& mode) const {
    for (std::size_t i = 0; i < Songs.size(); ++i) {
        TSong alone = Songs[i];
        alone.LinesBefore.clear();
        const TSetListRead back = Read(SongLine(alone, mode), mode);
        const std::string why = back.Problems.empty() ? "" : ": " + back.Problems.front().What;
        if (back.List.Songs.size() != 1 || back.List.Songs.front() != alone)
            return "Song " + Quoted(alone, i) + " cannot be written as a line that reads back" +
                   (why.empty() ? " the same" : why);
    }
    if (Read(Text(mode), mode).List != *this)
        return "The lines kept between the songs would not read back as they are";
    return {};
}

TSetListTable BuildSetListTable(const TSetList& list, const Tmpt& base, const TDeviceMode& mode) {
    TSetListTable built{.Table = base, .Bank = 0, .Refusals = {}};
    const std::vector<TSong>& songs = list.Songs;
    if (songs.empty())
        built.Refusals.emplace_back("The set list has no songs");
    if (songs.size() > static_cast<std::size_t>(mode.MptEntryCount))
        built.Refusals.push_back("The set list has " + std::to_string(songs.size()) +
                                 " songs; a program table has " +
                                 std::to_string(mode.MptEntryCount) + " programs");
    std::map<int, std::vector<std::string>> byBank;
    for (std::size_t i = 0; i < songs.size(); ++i) {
        if (songs[i].Preset.IsFile())
            built.Refusals.push_back("Song " + Quoted(songs[i], i) + " is a preset file (" +
                                     songs[i].Preset.Path + "), not a slot of the unit");
        else
            byBank[songs[i].Preset.Bank].push_back(Quoted(songs[i], i));
    }
    if (byBank.size() > 1) {
        std::string where;
        for (const auto& [bank, named] : byBank) {
            where += where.empty() ? "" : "; ";
            where += std::string(1, BankLetters[bank]) + ": ";
            for (std::size_t i = 0; i < named.size(); ++i)
                where += (i == 0 ? "" : ", ") + named[i];
        }
        built.Refusals.push_back("The songs' presets are not in one bank: " + where);
    }
    if (!built.Refusals.empty())
        return built;
    built.Bank = songs.front().Preset.Bank;
    for (std::size_t i = 0; i < songs.size(); ++i)
        built.Table.MptEntries[i] = songs[i].Preset.Slot - 1;
    return built;
}

std::vector<TProgramName> ProgramNames(const Tmpt& table, const std::map<int, std::string>& titles,
                                       const TDeviceMode& mode) {
    std::vector<TProgramName> names;
    for (int i = 0; i < mode.MptEntryCount && i < kMptEntryTotal; ++i) {
        const int preset = table.MptEntries[static_cast<std::size_t>(i)] + 1;
        const auto title = titles.find(preset);
        std::string name = title == titles.end() ? "" : std::string(Trimmed(title->second));
        if (name.empty()) {
            char text[16];
            std::snprintf(text, sizeof text, "Preset %03d", preset);
            name = text;
        }
        names.push_back({.Program = i + 1, .Preset = preset, .Name = PlainText(name)});
    }
    return names;
}

std::vector<TProgramName> SetListProgramNames(const TSetList& list, const TSetListTable& built,
                                              const std::map<int, std::string>& titles,
                                              const TDeviceMode& mode) {
    std::vector<TProgramName> names = ProgramNames(built.Table, titles, mode);
    for (std::size_t i = 0; i < list.Songs.size() && i < names.size(); ++i)
        names[i].Name = PlainText(Trimmed(list.Songs[i].Title));
    return names;
}

std::string ProgramNamesText(const std::vector<TProgramName>& names) {
    std::string text;
    for (const TProgramName& name : names) {
        char numbers[24];
        std::snprintf(numbers, sizeof numbers, "%3d  %03d  ", name.Program, name.Preset);
        text += numbers + name.Name + "\n";
    }
    return text;
}

std::string ProgramNamesCsv(const std::vector<TProgramName>& names) {
    std::string csv = "Program,Preset,Name\r\n";
    for (const TProgramName& name : names)
        csv += std::to_string(name.Program) + "," + std::to_string(name.Preset) + "," +
               CsvField(name.Name) + "\r\n";
    return csv;
}

std::string ProgramNamesMidnam(const std::vector<TProgramName>& names) {
    std::string channels;
    std::string available;
    for (int channel = 1; channel <= 16; ++channel) {
        const std::string number = std::to_string(channel);
        channels += "        <ChannelNameSetAssign Channel=\"" + number +
                    "\" NameSet=\"Program table\"/>\n";
        available += "        <AvailableChannel Channel=\"" + number + "\" Available=\"true\"/>\n";
    }
    std::string banks;
    // The unit takes programs above 128 as bank select LSB 1 and program change n - 129.
    for (std::size_t first = 0; first < names.size(); first += 128) {
        const std::size_t last = std::min(names.size(), first + 128);
        const std::string range =
            "Programs " + std::to_string(first + 1) + "-" + std::to_string(last);
        banks += "      <PatchBank Name=\"" + range +
                 "\">\n"
                 "        <MIDICommands>\n"
                 "          <ControlChange Control=\"0\" Value=\"0\"/>\n"
                 "          <ControlChange Control=\"32\" Value=\"" +
                 std::to_string(first / 128) +
                 "\"/>\n"
                 "        </MIDICommands>\n"
                 "        <PatchNameList Name=\"" +
                 range + "\">\n";
        for (std::size_t i = first; i < last; ++i)
            banks += "          <Patch Number=\"" + std::to_string(names[i].Program) +
                     "\" Name=\"" + XmlAttribute(names[i].Name) + "\" ProgramChange=\"" +
                     std::to_string(i - first) + "\"/>\n";
        banks += "        </PatchNameList>\n"
                 "      </PatchBank>\n";
    }
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE MIDINameDocument PUBLIC \"-//MIDI Manufacturers Association//DTD "
           "MIDINameDocument 1.0//EN\" \"http://www.midi.org/dtds/MIDINameDocument10.dtd\">\n"
           "<MIDINameDocument>\n"
           "  <Author>Quellfarn</Author>\n"
           "  <MasterDeviceNames>\n"
           "    <Manufacturer>Quellfarn</Manufacturer>\n"
           "    <Model>Plenova</Model>\n"
           "    <CustomDeviceMode Name=\"Program table\">\n"
           "      <ChannelNameSetAssignments>\n" +
           channels +
           "      </ChannelNameSetAssignments>\n"
           "    </CustomDeviceMode>\n"
           "    <ChannelNameSet Name=\"Program table\">\n"
           "      <AvailableForChannels>\n" +
           available + "      </AvailableForChannels>\n" + banks +
           "    </ChannelNameSet>\n"
           "  </MasterDeviceNames>\n"
           "</MIDINameDocument>\n";
}
