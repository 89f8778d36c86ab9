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
#include <optional>

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
    std::optional<TSetListRead> setList;
    TSetListTable built;
    if (parser.isSet(ToolOptions::SetList.Option)) {
        if (parser.isSet(ToolOptions::Bank.Option))
            throw UsageError{"names takes the bank of the set list's songs: no --bank with "
                             "--setlist"};
        setList = ReadSetListFile(parser.value(ToolOptions::SetList.Option));
        if (!setList->Problems.empty())
            throw FileError{"Nothing written: the set list has lines that are no song"};
        built = BuildSetListTable(setList->List, table);
        for (const std::string& refusal : built.Refusals)
            std::cerr << refusal << "\n";
        if (!built.Refusals.empty())
            throw FileError{"Nothing written"};
        bank = built.Bank;
    }
    TUnitMemory memory(RememberedUnitFolder(parser));
    memory.Load();
    for (const QString& problem : memory.Problems())
        std::cerr << problem.toStdString() << "\n";
    const std::map<int, std::string> titles = BankTitles(memory, bank);
    const std::vector<TProgramName> names =
        setList ? SetListProgramNames(setList->List, built, titles) : ProgramNames(table, titles);
    const std::string text = csv ? ProgramNamesCsv(names) : ProgramNamesMidnam(names);
    if (const QString failure =
            WriteWholeFile(target, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
        !failure.isEmpty())
        throw FileError{"Cannot write " + Bytes(words[0]) + ": " +
                        failure.toLocal8Bit().toStdString()};
    std::cout << names.size() << " programs named in " << Bytes(words[0]) << "\n";
    return 0;
}
