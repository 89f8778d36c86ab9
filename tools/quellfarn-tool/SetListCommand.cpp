// setlist show and setlist table: a set list file read, its songs listed, its table written.

#include "SetListCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "model/Mpt.h"
#include "model/SetList.h"
#include "store/WholeFile.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

TSetListRead ReadSetListFile(const QString& word) {
    const TBytes bytes = ReadFile(Bytes(word), kLargestSetListFile);
    TSetListRead read = TSetList::Read(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), Mode);
    for (const TSetListProblem& problem : read.Problems)
        std::cerr << Bytes(word) << ": " << problem.Text() << "\n";
    return read;
}

TSetListShowCommand::TSetListShowCommand()
    : TCommand({.Name = QStringLiteral("setlist show"),
                .Synopsis = QStringLiteral("setlist show FILE"),
                .Description = QStringLiteral(
                    "a set list's songs: the program that calls each up in its table,\n"
                    "the bank and the slot; exit 1 with the lines that are no song named")},
               {&ToolOptions::PrePlenova}) {}

int TSetListShowCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1)
        throw UsageError{"setlist show needs one FILE"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    const TSetListRead read = ReadSetListFile(words[0]);
    const TSetListTable built = BuildSetListTable(read.List, Tmpt());
    const std::string folder = std::filesystem::path(Bytes(words[0])).parent_path().string();
    std::cout << "Program  Bank  Slot  Song\n";
    for (std::size_t i = 0; i < read.List.Songs.size(); ++i) {
        const TSong& song = read.List.Songs[i];
        const std::string program = built.Refusals.empty() ? std::to_string(i + 1) : "-";
        const std::string bank = song.Preset.IsFile() || Mode.BankCount == 1
                                     ? "-"
                                     : std::string(1, BankLetters[song.Preset.Bank]);
        char slot[8] = "file";
        if (!song.Preset.IsFile())
            std::snprintf(slot, sizeof slot, "%03d", song.Preset.Slot);
        std::string line = song.Title;
        if (song.Preset.IsFile())
            line += " (" + song.Preset.PathFrom(folder) + ")";
        if (!song.Note.empty())
            line += " ; " + song.Note;
        std::printf("%7s  %-4s  %-4s  %s\n", program.c_str(), bank.c_str(), slot, line.c_str());
    }
    for (const std::string& refusal : built.Refusals)
        std::printf("No program table: %s\n", refusal.c_str());
    std::fflush(stdout);
    return read.Problems.empty() ? 0 : 1;
}

TSetListTableCommand::TSetListTableCommand()
    : TCommand({.Name = QStringLiteral("setlist table"),
                .Synopsis = QStringLiteral("setlist table FILE OUT.mpt"),
                .Description = QStringLiteral(
                    "the program table in which program change n calls up the n-th\n"
                    "song's slot, the rest from --base; exit 1, nothing written, when\n"
                    "a line is no song or the songs' slots are not in one bank")},
               {&ToolOptions::Base, &ToolOptions::PrePlenova}) {}

int TSetListTableCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList words = parser.positionalArguments();
    if (words.size() != 2)
        throw UsageError{"setlist table needs FILE and OUT.mpt"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    const QString target = WritablePath(Bytes(words[1]));
    const Tmpt base = parser.isSet(ToolOptions::Base.Option)
                          ? LoadTable(Bytes(parser.value(ToolOptions::Base.Option)))
                          : Tmpt();
    const TSetListRead read = ReadSetListFile(words[0]);
    // A song left out would put every later one on the wrong program.
    if (!read.Problems.empty())
        throw FileError{"Nothing written: the set list has lines that are no song"};
    const TSetListTable built = BuildSetListTable(read.List, base);
    for (const std::string& refusal : built.Refusals)
        std::cerr << refusal << "\n";
    if (!built.Refusals.empty())
        throw FileError{"Nothing written"};
    if (const QString failure = WriteWholeFile(target, built.Table.Encode()); !failure.isEmpty())
        throw FileError{"Cannot write " + Bytes(words[1]) + ": " +
                        failure.toLocal8Bit().toStdString()};
    const std::size_t songs = read.List.Songs.size();
    std::cout << (songs == 1
                      ? "Program change 1 calls up the song"
                      : "Program changes 1 to " + std::to_string(songs) + " call up the songs")
              << (Mode.BankCount > 1 ? std::string(" in bank ") + BankLetters[built.Bank] : "")
              << "; written to " << Bytes(words[1]) << "\n";
    return 0;
}
