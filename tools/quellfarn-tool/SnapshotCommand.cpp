// mark, changes and marks: snapshots of the remembered unit written, told against the memory
// now, and listed.

#include "SnapshotCommand.h"

#include "LibraryCommand.h"
#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "store/UnitSnapshot.h"

#include <QFileInfo>
#include <algorithm>
#include <iostream>

namespace {
const std::vector<const TOption*> kUnitChoice = {&ToolOptions::Out, &ToolOptions::DeviceId,
                                                 &ToolOptions::PrePlenova};

std::vector<const TOption*> WithUnitChoice(std::vector<const TOption*> own) {
    own.insert(own.end(), kUnitChoice.begin(), kUnitChoice.end());
    return own;
}

// The memory of the unit the options choose, its unreadable slot files named.
TUnitMemory LoadMemory(const QString& folder) {
    TUnitMemory memory(folder);
    memory.Load();
    for (const QString& problem : memory.Problems())
        std::cerr << problem.toStdString() << "\n";
    return memory;
}

// The table --table names, as a message; none without the option.
std::optional<TBytes> TableOption(const QCommandLineParser& parser) {
    if (!parser.isSet(ToolOptions::Table.Option))
        return std::nullopt;
    return LoadTable(Bytes(parser.value(ToolOptions::Table.Option))).Encode();
}

std::string When(const QDateTime& taken) {
    return taken.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
}

std::string Unit(const QString& folder) {
    return QFileInfo(folder).fileName().toStdString();
}
} // namespace

TMarkCommand::TMarkCommand()
    : TCommand({.Name = QStringLiteral("mark"),
                .Synopsis = QStringLiteral("mark NAME"),
                .Description = QStringLiteral(
                    "a snapshot of the unit as last read, under NAME (see changes);\n"
                    "with --table, that program table too; nothing is asked of the unit")},
               WithUnitChoice({&ToolOptions::Table})) {}

int TMarkCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1)
        throw UsageError{"mark needs one NAME"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    const QString name = Text(words[0]);
    if (const QString problem = SnapshotNameProblem(name); !problem.isEmpty())
        throw UsageError{problem.toStdString()};
    const std::optional<TBytes> table = TableOption(parser);
    const QString folder = RememberedUnitFolder(parser);
    TUnitSnapshot snapshot = SnapshotOf(LoadMemory(folder), table);
    snapshot.Name = name;
    if (const QString failure = SaveSnapshot(folder, snapshot); !failure.isEmpty())
        throw FileError{"Nothing was marked: " + failure.toStdString()};
    std::cout << "Marked \"" << name.toStdString() << "\" for " << Unit(folder) << ": "
              << snapshot.Slots.size() << (snapshot.Slots.size() == 1 ? " slot" : " slots")
              << (table ? " and the program table" : "") << ", " << When(snapshot.Taken)
              << std::endl;
    return 0;
}

TChangesCommand::TChangesCommand()
    : TCommand({.Name = QStringLiteral("changes"),
                .Synopsis = QStringLiteral("changes --since NAME"),
                .Description = QStringLiteral(
                    "each slot whose preset changed since the snapshot NAME (see mark),\n"
                    "in the compare's words, and the table's programs with --table;\n"
                    "exit 0 no change, 1 changes, 2 no such snapshot or a damaged one")},
               WithUnitChoice({&ToolOptions::Since, &ToolOptions::Table})) {}

int TChangesCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{"changes needs no more words than --since NAME"};
    if (!parser.isSet(ToolOptions::Since.Option))
        throw UsageError{"changes needs --since NAME (marks lists the names)"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    const QString name = Text(parser.value(ToolOptions::Since.Option));
    // 1 says there are changes: whatever keeps the comparison from being made is 2, as diff(1)
    // has it.
    std::optional<TBytes> table;
    QString folder;
    try {
        table = TableOption(parser);
        folder = RememberedUnitFolder(parser);
    } catch (const FileError& error) {
        std::cerr << error.Text << std::endl;
        return 2;
    }
    const TSnapshotLoad then = LoadSnapshot(folder, name);
    if (then.Missing) {
        std::cerr << "quellfarn-tool: no snapshot named \"" << name.toStdString() << "\" of "
                  << Unit(folder) << " (marks lists them)" << std::endl;
        return 2;
    }
    if (!then.Ok()) {
        std::cerr << "quellfarn-tool: " << then.Error.toStdString() << std::endl;
        return 2;
    }
    if (then.Snapshot.Table && !table)
        std::cerr << "The snapshot has a program table: give --table to tell it too\n";
    const TSnapshotChanges changes =
        CompareSnapshots(then.Snapshot, SnapshotOf(LoadMemory(folder), table));
    if (changes.Empty()) {
        std::cout << "Nothing changed since \"" << name.toStdString() << "\", "
                  << When(then.Snapshot.Taken) << std::endl;
        return 0;
    }
    for (const QString& line : ChangeLines(changes, PrePlenovaMode))
        std::cout << line.toStdString() << "\n";
    std::cout << std::flush;
    return 1;
}

TMarksCommand::TMarksCommand()
    : TCommand(
          {.Name = QStringLiteral("marks"),
           .Synopsis = QStringLiteral("marks"),
           .Description = QStringLiteral("the unit's snapshots, oldest first, with their dates "
                                         "(exit 1 when\nthere is none)")},
          kUnitChoice) {}

int TMarksCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{"marks needs no more words"};
    const QString folder = RememberedUnitFolder(parser);
    std::vector<TUnitSnapshot> found;
    for (const QString& name : SnapshotNames(folder)) {
        TSnapshotLoad load = LoadSnapshot(folder, name);
        if (load.Ok())
            found.push_back(std::move(load.Snapshot));
        else if (!load.Missing)
            std::cerr << load.Error.toStdString() << "\n";
    }
    std::stable_sort(
        found.begin(), found.end(),
        [](const TUnitSnapshot& a, const TUnitSnapshot& b) { return a.Taken < b.Taken; });
    if (found.empty())
        std::cout << "No snapshots of " << Unit(folder) << " (mark makes one)\n";
    for (const TUnitSnapshot& snapshot : found)
        std::cout << When(snapshot.Taken) << "  " << snapshot.Name.toStdString() << " ("
                  << snapshot.Slots.size() << (snapshot.Slots.size() == 1 ? " slot" : " slots")
                  << (snapshot.Table ? ", program table" : "") << ")\n";
    std::cout << std::flush;
    return found.empty() ? 1 : 0;
}
