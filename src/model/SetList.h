#pragma once
// A set list: the songs of an evening in order, each played with a preset (a slot of the unit or
// a preset file, referred to, never copied) and an optional note. Its text file, written by hand
// as well as by the program; the program table that calls up the songs one program change after
// another; and the programs of a table named for foot controllers and DAWs (CSV, MIDNAM).

#include "model/DeviceMode.h"
#include "model/Mpt.h"

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// A longer line is not read as a song (it is kept as it stands).
inline constexpr std::size_t kLongestSetListLine = 1024;

// Where a song's preset lies: a slot of the unit, or a preset file.
struct TSongPreset {
    int Bank = 0;     // 0..3 (A..D); 0 on a single-bank unit
    int Slot = 0;     // 1-based; 0 for a file
    std::string Path; // the file as written; a relative one stands from the set list's folder

    bool IsFile() const { return Slot == 0; }
    // "B017", "017" on a single-bank unit, or the file as written.
    std::string Text(const TDeviceMode& mode = Mode) const;
    // The file, a relative one taken from the set list's folder.
    std::string PathFrom(const std::string& setListFolder) const;
    friend bool operator==(const TSongPreset&, const TSongPreset&) = default;
};

struct TSong {
    std::string Title;
    TSongPreset Preset;
    std::string Note; // key, tempo, cue; empty when there is none
    // The comments, blank lines and lines that could not be read above the song, as they were,
    // so that they travel with it and nothing the user wrote is lost on saving.
    std::vector<std::string> LinesBefore;
    friend bool operator==(const TSong&, const TSong&) = default;
};

// A line that is not read as a song, and why.
struct TSetListProblem {
    int Line = 0; // 1-based
    std::string What;
    std::string Text() const; // "line 4: no bank E: banks are A to D"
};

struct TSetListRead;

class TSetList {
public:
    std::vector<TSong> Songs;
    std::vector<std::string> LinesAfter; // kept lines after the last song

    // UTF-8 text, one song a line ("Title = B017", "Title = dir/file.tmq", a note after " ; "),
    // LF or CRLF, a byte order mark ignored; blank lines and those starting with '#' are kept,
    // not read. Every other line that is no song is named and kept too.
    static TSetListRead Read(std::string_view text, const TDeviceMode& mode = Mode);
    // The file's text: the kept lines where they stood, each song in the written form, LF.
    std::string Text(const TDeviceMode& mode = Mode) const;
    // Why Text would not read back as these songs (a title starting with '#' or holding " ; ",
    // a file name holding " = ", a line break, ...); empty when it would.
    std::string Unwritable(const TDeviceMode& mode = Mode) const;
    friend bool operator==(const TSetList&, const TSetList&) = default;
};

struct TSetListRead {
    TSetList List;
    std::vector<TSetListProblem> Problems;
};

// The program table of a set list: program change n calls up the n-th song's slot; the other
// programs keep what the base table has. Refused, with the songs named, when a song is a file,
// when the slots lie in more than one bank, or when there are more songs than programs.
struct TSetListTable {
    Tmpt Table;
    int Bank = 0; // the bank the songs' slots lie in: the unit plays them from there
    std::vector<std::string> Refusals;
};
TSetListTable BuildSetListTable(const TSetList& list, const Tmpt& base,
                                const TDeviceMode& mode = Mode);

// What a program of a table calls up.
struct TProgramName {
    int Program = 1; // 1-based, as the table editor counts
    int Preset = 1;  // 1-based
    std::string Name;
};
// Every program of the table with the title of its preset (preset number to title); a preset
// without a title known is "Preset 017". Names are made plain UTF-8 text on one line.
std::vector<TProgramName> ProgramNames(const Tmpt& table, const std::map<int, std::string>& titles,
                                       const TDeviceMode& mode = Mode);
// The programs of a set list's table, the songs' programs named as the songs are (what the
// player reads on the foot controller is the song), the others by their presets' titles.
std::vector<TProgramName> SetListProgramNames(const TSetList& list, const TSetListTable& built,
                                              const std::map<int, std::string>& titles,
                                              const TDeviceMode& mode = Mode);
// "Program,Preset,Name" and a line a program, CRLF, fields quoted where they need it.
std::string ProgramNamesCsv(const std::vector<TProgramName>& names);
// A MIDNAM document (the MIDI Name Document DAWs read): one patch a program, on every channel;
// programs above 128 in a bank of their own behind bank select LSB 1, as the unit takes them.
std::string ProgramNamesMidnam(const std::vector<TProgramName>& names);
// A line a program to read or paste: program, preset in three digits, name ("  7  017  Slap"), LF.
std::string ProgramNamesText(const std::vector<TProgramName>& names);
