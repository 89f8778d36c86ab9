// names: a program table's programs with the titles of the presets they call up.

#include "NamesCommand.h"

#include "LibraryCommand.h"
#include "SetListCommand.h"
#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "model/SetList.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"

#include <iostream>

TNamesCommand::TNamesCommand()
    : TCommand({.Name = QStringLiteral("names"),
                .Synopsis = QStringLiteral("names --csv|--midnam OUT"),
                .Description = QStringLiteral(
                    "program number to preset name for a program table (--table),\n"
                    "the titles from the unit as last read (see library); for a\n"
                    "set list (--setlist), its songs' programs by the songs' titles")},
               {&ToolOptions::Table, &ToolOptions::SetList, &ToolOptions::Csv, &ToolOptions::Midnam,
                &ToolOptions::Bank, &ToolOptions::Out, &ToolOptions::DeviceId,
                &ToolOptions::PrePlenova}) {}

int TNamesCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList words = parser.positionalArguments();
    const bool csv = parser.isSet(ToolOptions::Csv.Option);
    if (csv == parser.isSet(ToolOptions::Midnam.Option))
        throw UsageError{"names needs one of --csv and --midnam"};
    if (words.size() != 1)
        throw UsageError{"names needs one OUT file"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    const QString target = WritablePath(Bytes(words[0]));
    Tmpt table = parser.isSet(ToolOptions::Table.Option)
                     ? LoadTable(Bytes(parser.value(ToolOptions::Table.Option)))
                     : Tmpt();
    int bank = parser.isSet(ToolOptions::Bank.Option) && Mode.BankCount > 1
                   ? parser.value(ToolOptions::Bank.Option).toUpper().at(0).unicode() - 'A'
                   : 0;
    // A set list's table, its songs' programs named as the songs are: what the player reads on
    // the foot controller is the song.
    std::vector<std::string> songs;
    if (parser.isSet(ToolOptions::SetList.Option)) {
        if (parser.isSet(ToolOptions::Bank.Option))
            throw UsageError{"names takes the bank of the set list's songs: no --bank with "
                             "--setlist"};
        const TSetListRead read = ReadSetListFile(parser.value(ToolOptions::SetList.Option));
        if (!read.Problems.empty())
            throw FileError{"Nothing written: the set list has lines that are no song"};
        const TSetListTable built = BuildSetListTable(read.List, table);
        for (const std::string& refusal : built.Refusals)
            std::cerr << refusal << "\n";
        if (!built.Refusals.empty())
            throw FileError{"Nothing written"};
        table = built.Table;
        bank = built.Bank;
        for (const TSong& song : read.List.Songs)
            songs.push_back(song.Title);
    }
    TUnitMemory memory(RememberedUnitFolder(parser));
    memory.Load();
    for (const QString& problem : memory.Problems())
        std::cerr << problem.toStdString() << "\n";
    std::map<int, std::string> titles;
    for (const auto& [place, slot] : memory.Slots())
        if (place.Bank == bank && slot.Now() != nullptr)
            // A preset's title is Latin-1, as the unit shows it.
            titles[place.Slot] =
                QString::fromLatin1(PresetTitleOf(slot.Now()->Dump).c_str()).toStdString();
    std::vector<TProgramName> names = ProgramNames(table, titles);
    for (std::size_t i = 0; i < songs.size() && i < names.size(); ++i)
        names[i].Name = songs[i];
    const std::string text = csv ? ProgramNamesCsv(names) : ProgramNamesMidnam(names);
    if (const QString failure =
            WriteWholeFile(target, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
        !failure.isEmpty())
        throw FileError{"Cannot write " + Bytes(words[0]) + ": " +
                        failure.toLocal8Bit().toStdString()};
    std::cout << names.size() << " programs named in " << Bytes(words[0]) << "\n";
    return 0;
}
