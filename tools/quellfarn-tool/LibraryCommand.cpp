// library and search: the library's rows and its search from the command line.

#include "LibraryCommand.h"

#include "ToolErrors.h"
#include "store/NoteStore.h"
#include "store/UnitMemory.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <iostream>

namespace {
QJsonObject JsonOf(const TLibraryRow& row) {
    QJsonObject object;
    if (row.Source == TLibrarySource::Unit) {
        if (row.Bank >= 0)
            object[QStringLiteral("bank")] = QString(QLatin1Char(BankLetters[row.Bank]));
        object[QStringLiteral("slot")] = row.Slot;
    } else {
        object[QStringLiteral("path")] = row.Path;
        if (row.Slot > 0)
            object[QStringLiteral("slot")] = row.Slot;
    }
    if (row.Dump.empty()) {
        object[QStringLiteral("read")] = false;
        return object;
    }
    object[QStringLiteral("title")] = row.Title;
    object[QStringLiteral("chain")] = QJsonArray::fromStringList(
        row.Chain.isEmpty() ? QStringList() : row.Chain.split(QStringLiteral(", ")));
    object[QStringLiteral("group")] = row.Group;
    if (row.Seen.isValid())
        object[QStringLiteral("seen")] = row.Seen.toString(Qt::ISODate);
    if (!row.State.isEmpty())
        object[QStringLiteral("state")] = row.State;
    return object;
}
} // namespace

QString RememberedUnitFolder(const QCommandLineParser& parser) {
    const QDir units(ProgramDataFolder() + QStringLiteral("/units"));
    QStringList found = units.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    if (parser.isSet(ToolOptions::Out.Option)) {
        // The folder's name starts as the memory names it after the port.
        QString named =
            QFileInfo(TUnitMemory::FolderFor(Text(parser.value(ToolOptions::Out.Option)), 0))
                .fileName();
        named.chop(1);
        found = found.filter(QRegularExpression(
            QStringLiteral("^") + QRegularExpression::escape(named) + QStringLiteral("\\d+$")));
    }
    if (parser.isSet(ToolOptions::DeviceId.Option))
        found = found.filter(QRegularExpression(QStringLiteral(" - device ") +
                                                parser.value(ToolOptions::DeviceId.Option) +
                                                QStringLiteral("$")));
    if (found.isEmpty())
        throw FileError{parser.isSet(ToolOptions::Out.Option) ||
                                parser.isSet(ToolOptions::DeviceId.Option)
                            ? "No unit of that name is remembered"
                            : "No unit is remembered yet: read it in the library window first"};
    if (found.size() > 1)
        throw UsageError{"several units are remembered; choose one with --out (and --device-id): " +
                         Bytes(found.join(QStringLiteral(", ")))};
    return units.filePath(found.front());
}

TPresetQuery SearchQuery(const QString& text) {
    TPresetQuery query(Bytes(text));
    if (!query.Errors().empty())
        throw UsageError{"cannot search for that: " + query.Errors().front()};
    return query;
}

void PrintRows(const std::vector<const TLibraryRow*>& rows, bool json) {
    if (json) {
        QJsonArray array;
        for (const TLibraryRow* row : rows)
            array.append(JsonOf(*row));
        std::cout << QJsonDocument(array).toJson(QJsonDocument::Indented).toStdString();
        return;
    }
    for (const TLibraryRow* row : rows) {
        QString line = row->Source == TLibrarySource::Unit ? row->Place() + QStringLiteral("  ")
                                                           : row->Path + QStringLiteral(": ");
        if (row->Dump.empty()) {
            line += QStringLiteral("(never read)");
        } else {
            line += row->Source == TLibrarySource::Unit ? row->Title.leftJustified(16) : row->Title;
            if (row->Source == TLibrarySource::Unit)
                line +=
                    QStringLiteral("  ") + row->Seen.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
            if (!row->State.isEmpty())
                line += QStringLiteral("  ") + row->State;
            if (!row->Chain.isEmpty())
                line += QStringLiteral("  (") + row->Chain + QLatin1Char(')');
        }
        std::cout << line.toStdString() << "\n";
    }
}

TLibraryCommand::TLibraryCommand()
    : TCommand({.Name = QStringLiteral("library"),
                .Synopsis = QStringLiteral("library"),
                .Description = QStringLiteral(
                    "the slots of the unit as last read: title, when, state against\n"
                    "the newest backup under --backups DIR, chain; exit 1 when none")},
               {&ToolOptions::Out, &ToolOptions::DeviceId, &ToolOptions::Bank, &ToolOptions::Search,
                &ToolOptions::Backups, &ToolOptions::PrePlenova, &ToolOptions::Json}) {}

int TLibraryCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{"library takes no " + Bytes(parser.positionalArguments().front())};
    const bool singleBank = parser.isSet(ToolOptions::PrePlenova.Option);
    std::optional<TPresetQuery> query;
    if (parser.isSet(ToolOptions::Search.Option))
        query = SearchQuery(parser.value(ToolOptions::Search.Option));
    TUnitMemory memory(RememberedUnitFolder(parser));
    memory.Load();
    for (const QString& problem : memory.Problems())
        std::cerr << problem.toStdString() << "\n";
    std::vector<TBackupInfo> backups;
    if (parser.isSet(ToolOptions::Backups.Option))
        backups = FindBackups(Text(parser.value(ToolOptions::Backups.Option)), singleBank);
    const std::vector<TLibraryRow> rows = UnitRows(memory, singleBank, {backups, singleBank});
    const int bank = parser.isSet(ToolOptions::Bank.Option)
                         ? parser.value(ToolOptions::Bank.Option).toUpper().at(0).unicode() - 'A'
                         : -1;
    TNoteStore notes;
    notes.Load();
    std::vector<const TLibraryRow*> shown;
    for (const TLibraryRow& row : rows) {
        if (bank >= 0 && row.Bank != bank)
            continue;
        if (query && !query->Empty()) {
            if (row.Dump.empty())
                continue;
            const TPresetNotes noted = notes.Get(row.Dump, NotesPlace(row, memory.Folder()));
            if (!query->Matches(row.Facts,
                                {.Bank = row.Bank, .Changed = row.Changed, .Notes = &noted}))
                continue;
        }
        shown.push_back(&row);
    }
    PrintRows(shown, parser.isSet(ToolOptions::Json.Option));
    return shown.empty() ? 1 : 0;
}

TSearchCommand::TSearchCommand()
    : TCommand({.Name = QStringLiteral("search"),
                .Synopsis = QStringLiteral("search EXPR DIR..."),
                .Description = QStringLiteral(
                    "the presets in preset files and backup folders that EXPR finds,\n"
                    "as the library's search box does; exit 1 when none")},
               {&ToolOptions::PrePlenova, &ToolOptions::Json}) {}

int TSearchCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    QStringList words = parser.positionalArguments();
    if (words.size() < 2)
        throw UsageError{"search needs EXPR and at least one DIR"};
    const TPresetQuery query = SearchQuery(words.takeFirst());
    const bool singleBank = parser.isSet(ToolOptions::PrePlenova.Option);
    std::vector<TLibraryRow> rows;
    for (const QString& word : words) {
        const QString path = Text(word);
        const QFileInfo info(path);
        if (info.isFile()) {
            for (TLibraryRow& row : FileRows(info.absolutePath(), TLibrarySource::PresetFolder))
                if (row.Path == info.absoluteFilePath())
                    rows.push_back(std::move(row));
            continue;
        }
        if (!info.isDir())
            throw FileError{"Invalid folder: " + Bytes(word)};
        bool itselfBackup = false;
        for (const TBackupInfo& backup : FindBackups(path, singleBank)) {
            itselfBackup = itselfBackup || backup.Path == info.absoluteFilePath();
            for (TLibraryRow& row : BackupRows(backup, singleBank))
                rows.push_back(std::move(row));
        }
        if (!itselfBackup || !singleBank)
            for (TLibraryRow& row : FileRows(path, TLibrarySource::PresetFolder))
                rows.push_back(std::move(row));
    }
    TNoteStore notes;
    notes.Load();
    std::vector<const TLibraryRow*> found;
    for (const TLibraryRow& row : rows) {
        if (row.Dump.empty())
            continue;
        const TPresetNotes noted = notes.Get(row.Dump, NotesPlace(row, {}));
        if (query.Matches(row.Facts, {.Bank = row.Bank, .Notes = &noted}))
            found.push_back(&row);
    }
    PrintRows(found, parser.isSet(ToolOptions::Json.Option));
    return found.empty() ? 1 : 0;
}
