// tag and duplicates: the library's notes and duplicates from the command line.

#include "TagCommand.h"

#include "LibraryCommand.h"
#include "ToolErrors.h"
#include "model/DeviceMode.h"
#include "model/Duplicates.h"
#include "store/LibraryRows.h"
#include "store/NoteStore.h"
#include "store/WholeFile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <iostream>

namespace {
// "B017", "B 17" or "unit:B017" (a number alone on the single-bank unit): the slot it names.
std::optional<TPlace> TaggedSlot(const QString& word) {
    static const QRegularExpression withBank(
        QStringLiteral("^(?:unit:)?([A-Da-d]) ?0*(\\d{1,3})$"));
    static const QRegularExpression plain(QStringLiteral("^(?:unit:)?0*(\\d{1,3})$"));
    const QRegularExpressionMatch match = (PrePlenovaMode ? plain : withBank).match(word);
    if (!match.hasMatch())
        return std::nullopt;
    const int slot = match.captured(PrePlenovaMode ? 1 : 2).toInt();
    if (slot < 1 || slot > (PrePlenovaMode ? 128 : 200))
        return std::nullopt;
    return TPlace{PrePlenovaMode ? 0 : match.captured(1).toUpper().at(0).unicode() - 'A', slot};
}

// The words that change tags, taken out of the line before the options are read: "-live" is a
// tag to take away, not the options -l -i -v -e.
struct TTagWords {
    QStringList Add;
    QStringList Remove;
    QStringList Rest;
};

TTagWords SplitTagWords(const QStringList& arguments) {
    TTagWords words;
    bool valueNext = false;
    for (const QString& word : arguments) {
        if (valueNext) {
            words.Rest << word;
            valueNext = false;
        } else if (word.startsWith(QLatin1String("--"))) {
            words.Rest << word;
            for (const TOption* option : {&ToolOptions::Rating, &ToolOptions::Note,
                                          &ToolOptions::Out, &ToolOptions::DeviceId})
                valueNext = valueNext || (option->Is(word) && !word.contains(QLatin1Char('=')));
        } else if (word.size() > 1 && word.startsWith(QLatin1Char('+'))) {
            words.Add << Text(word.mid(1));
        } else if (word.size() > 1 && word.startsWith(QLatin1Char('-')) && word != "-h") {
            words.Remove << Text(word.mid(1));
        } else {
            words.Rest << word;
        }
    }
    return words;
}

QString NotesLine(const TPresetNotes& notes) {
    QStringList tags;
    for (const std::string& tag : notes.Tags)
        tags << QString::fromStdString(tag);
    QString line = QStringLiteral("tags: %1  rating: %2")
                       .arg(tags.isEmpty() ? QStringLiteral("(none)") : tags.join(", "))
                       .arg(notes.Rating);
    if (!notes.Note.empty())
        line += QStringLiteral("  note: %1 (%2)")
                    .arg(QString::fromStdString(notes.Note), QString::fromStdString(notes.Noted));
    return line;
}

// The rows of preset files and backup folders the words name, as search reads them.
std::vector<TLibraryRow> FolderRows(const QStringList& words, bool singleBank) {
    std::vector<TLibraryRow> rows;
    for (const QString& word : words) {
        const QString path = Text(word);
        if (!QFileInfo(path).isDir())
            throw FileError{"Invalid folder: " + Bytes(word)};
        bool itselfBackup = false;
        for (const TBackupInfo& backup : FindBackups(path, singleBank)) {
            itselfBackup = itselfBackup || backup.Path == QFileInfo(path).absoluteFilePath();
            for (TLibraryRow& row : BackupRows(backup, singleBank))
                rows.push_back(std::move(row));
        }
        if (!itselfBackup || !singleBank)
            for (TLibraryRow& row : FileRows(path, TLibrarySource::PresetFolder))
                rows.push_back(std::move(row));
    }
    return rows;
}

QString DuplicateName(const TLibraryRow& row) {
    return (row.Source == TLibrarySource::Unit ? QStringLiteral("unit ") + row.Place() : row.Path) +
           QStringLiteral(" \"") + row.Title + QLatin1Char('"');
}
} // namespace

TTagCommand::TTagCommand()
    : TCommand({.Name = QStringLiteral("tag"),
                .Synopsis = QStringLiteral("tag FILE|SLOT +TAG -TAG"),
                .Description = QStringLiteral(
                    "tags added (+) and taken away (-), a rating and a note, kept as the\n"
                    "library keeps them (with the preset wherever it goes); SLOT is a slot\n"
                    "of the unit as last read (B017); without changes, what it has;\n"
                    "exit 1 when it is no preset or has nothing")},
               {&ToolOptions::Rating, &ToolOptions::Note, &ToolOptions::Out, &ToolOptions::DeviceId,
                &ToolOptions::PrePlenova}) {}

int TTagCommand::Execute(const QStringList& arguments) {
    const TTagWords words = SplitTagWords(arguments);
    QCommandLineParser parser;
    Parse(parser, words.Rest);
    const QStringList targets = parser.positionalArguments();
    if (targets.size() != 1)
        throw UsageError{"tag needs one FILE or SLOT, then +TAG and -TAG"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    TNoteStore::TTagChange change;
    change.Add = words.Add;
    change.Remove = words.Remove;
    if (parser.isSet(ToolOptions::Rating.Option))
        change.Rating = Number(parser, ToolOptions::Rating, 0);
    if (parser.isSet(ToolOptions::Note.Option))
        change.Note = Text(parser.value(ToolOptions::Note.Option)).trimmed();

    const QString target = Text(targets.front());
    TLibraryRow row;
    QString unitFolder;
    const std::optional<TPlace> slot =
        QFileInfo::exists(target) ? std::nullopt : TaggedSlot(target);
    if (slot) {
        unitFolder = RememberedUnitFolder(parser);
        TUnitMemory memory(unitFolder);
        memory.Load();
        row = UnitRow(memory, slot->Bank, slot->Slot, PrePlenovaMode, {});
        if (row.Dump.empty())
            throw FileError{"quellfarn-tool: " + row.Place().toStdString() +
                            " has never been read: nothing to tag"};
    } else {
        const TFileRead read = ReadWholeFile(target, kLargestPresetFile);
        if (read.Missing)
            throw FileError{"quellfarn-tool: no such file or slot: " + Bytes(targets.front())};
        row.Source = TLibrarySource::PresetFolder;
        row.Path = QFileInfo(target).absoluteFilePath();
        row.Dump.assign(read.Bytes.begin(), read.Bytes.end());
        if (!read.Ok() || !IsPresetDump(row.Dump))
            throw FileError{"quellfarn-tool: " + Bytes(targets.front()) + " is not a preset file" +
                            (read.Error.isEmpty() ? "" : ": " + read.Error.toStdString())};
    }
    TNoteStore store;
    store.Load();
    for (const QString& problem : store.Problems())
        std::cerr << problem.toStdString() << "\n";
    const QString place = NotesPlace(row, unitFolder);
    const bool changing =
        !change.Add.isEmpty() || !change.Remove.isEmpty() || change.Rating || change.Note;
    if (changing)
        if (const QString error = store.Change(row.Dump, change, place); !error.isEmpty())
            throw FileError{"Nothing was noted: " + error.toStdString()};
    const TPresetNotes notes = store.Get(row.Dump, place);
    const QString name = slot ? row.Place() : target;
    std::cout << (name + QStringLiteral(" \"") + TitleText(row.Dump) + QStringLiteral("\"  ") +
                  NotesLine(notes))
                     .toStdString()
              << std::endl;
    return changing || !notes.Empty() ? 0 : 1;
}

TDuplicatesCommand::TDuplicatesCommand()
    : TCommand({.Name = QStringLiteral("duplicates"),
                .Synopsis = QStringLiteral("duplicates DIR...|unit"),
                .Description = QStringLiteral(
                    "groups of presets the same but for title and device byte, then those\n"
                    "also one parameter apart by at most 2 % of its range; unit is the unit\n"
                    "as last read; exit 1 when there are none")},
               {&ToolOptions::Out, &ToolOptions::DeviceId, &ToolOptions::PrePlenova}) {}

int TDuplicatesCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw UsageError{"duplicates needs at least one DIR, or unit"};
    const bool singleBank = parser.isSet(ToolOptions::PrePlenova.Option);
    SetPrePlenovaMode(singleBank);
    std::vector<TLibraryRow> rows;
    if (words.removeAll(QStringLiteral("unit")) > 0) {
        TUnitMemory memory(RememberedUnitFolder(parser));
        memory.Load();
        for (const QString& problem : memory.Problems())
            std::cerr << problem.toStdString() << "\n";
        rows = UnitRows(memory, singleBank, {});
    }
    for (TLibraryRow& row : FolderRows(words, singleBank))
        rows.push_back(std::move(row));
    std::vector<TByteView> dumps;
    dumps.reserve(rows.size());
    for (const TLibraryRow& row : rows)
        dumps.emplace_back(row.Dump);
    const std::vector<TDuplicateGroup> same = SameContentGroups(dumps);
    const std::vector<TDuplicateGroup> near = NearContentGroups(dumps);
    const auto print = [&](const std::vector<TDuplicateGroup>& groups, bool nearList) {
        for (const TDuplicateGroup& group : groups) {
            std::string line = std::to_string(group.Members.size()) + " presets";
            if (nearList) {
                std::string names;
                for (const std::string& name : group.Parameters)
                    names += (names.empty() ? "" : ", ") + name;
                line += " (" + names + ")";
            }
            std::cout << "  " << line << ":\n";
            for (const int member : group.Members)
                std::cout << "    "
                          << DuplicateName(rows[static_cast<std::size_t>(member)]).toStdString()
                          << "\n";
        }
    };
    std::cout << "The same but for the title: " << same.size()
              << (same.size() == 1 ? " group\n" : " groups\n");
    print(same, false);
    std::cout << "Within a small step of one parameter: " << near.size()
              << (near.size() == 1 ? " group\n" : " groups\n");
    print(near, true);
    std::cout.flush();
    return same.empty() && near.empty() ? 1 : 0;
}
