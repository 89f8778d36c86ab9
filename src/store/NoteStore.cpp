// The library's tags, ratings and notes, kept by preset content.

#include "store/NoteStore.h"

#include "model/Duplicates.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

namespace {
const QString kNotesFormat = QStringLiteral("Quellfarn preset notes");
const QString kExportFormat = QStringLiteral("Quellfarn exported preset notes");
constexpr int kNotesVersion = 1;
const QChar kPlaceMark = QLatin1Char('@');

// (key, place): the preset's key, then the copy's place, as the file's keys read.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString PlaceKey(const QString& key, const QString& place) {
    return place.isEmpty() ? key : key + kPlaceMark + place;
}

bool SameTag(const std::string& a, const QString& b) {
    return QString::fromStdString(a).compare(b, Qt::CaseInsensitive) == 0;
}

bool HasTag(const TPresetNotes& notes, const QString& tag) {
    return std::any_of(notes.Tags.begin(), notes.Tags.end(),
                       [&](const std::string& held) { return SameTag(held, tag); });
}

void AddTag(TPresetNotes& notes, const QString& tag) {
    if (!tag.trimmed().isEmpty() && !HasTag(notes, tag.trimmed()))
        notes.Tags.push_back(tag.trimmed().toStdString());
}

void RemoveTag(TPresetNotes& notes, const QString& tag) {
    notes.Tags.erase(std::remove_if(notes.Tags.begin(), notes.Tags.end(),
                                    [&](const std::string& held) { return SameTag(held, tag); }),
                     notes.Tags.end());
}

QJsonObject NotesJson(const TPresetNotes& notes) {
    QJsonObject object;
    QJsonArray tags;
    for (const std::string& tag : notes.Tags)
        tags.append(QString::fromStdString(tag));
    object[QStringLiteral("tags")] = tags;
    object[QStringLiteral("rating")] = notes.Rating;
    object[QStringLiteral("note")] = QString::fromStdString(notes.Note);
    if (!notes.Noted.empty())
        object[QStringLiteral("noted")] = QString::fromStdString(notes.Noted);
    return object;
}

// The notes an entry of either file holds; false when it holds something else.
bool NotesFromJson(const QJsonObject& object, TPresetNotes& notes) {
    const QJsonValue tags = object.value(QStringLiteral("tags"));
    const QJsonValue rating = object.value(QStringLiteral("rating"));
    const QJsonValue note = object.value(QStringLiteral("note"));
    const QJsonValue noted = object.value(QStringLiteral("noted"));
    if (!tags.isArray() || !rating.isDouble() || !note.isString() ||
        !(noted.isUndefined() || noted.isString()))
        return false;
    for (const QJsonValue& tag : tags.toArray()) {
        if (!tag.isString())
            return false;
        AddTag(notes, tag.toString());
    }
    const double stars = rating.toDouble();
    if (stars < 0 || stars > kHighestRating || stars != static_cast<int>(stars))
        return false;
    notes.Rating = static_cast<int>(stars);
    notes.Note = note.toString().toStdString();
    notes.Noted = noted.toString().toStdString();
    return true;
}

QString NowText() {
    return QDateTime::currentDateTime().toString(Qt::ISODate);
}
} // namespace

QString NotesKey(TByteView dump) {
    const TBytes content = ContentBytes(dump);
    return QString::fromLatin1(
        QCryptographicHash::hash(
            QByteArrayView(content.data(), static_cast<qsizetype>(content.size())),
            QCryptographicHash::Sha1)
            .toHex());
}

QString TNoteStore::DefaultPath() {
    return ProgramDataFolder() + QStringLiteral("/preset notes.json");
}

TNoteStore::TNoteStore(QString path) : path(std::move(path)) {}

QString TNoteStore::ReadFile(std::map<QString, TNotesEntry>& read) const {
    const TFileRead file = ReadWholeFile(path, kLargestNotesFile);
    if (file.Missing)
        return {};
    if (!file.Error.isEmpty())
        return file.Error;
    const QJsonDocument document = QJsonDocument::fromJson(file.Bytes);
    const QJsonObject root = document.object();
    const QString damaged = QStringLiteral("not a notes file this program can read");
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != kNotesFormat ||
        root.value(QStringLiteral("version")).toInt() != kNotesVersion ||
        !root.value(QStringLiteral("presets")).isObject())
        return damaged;
    const QJsonObject presets = root.value(QStringLiteral("presets")).toObject();
    for (auto it = presets.begin(); it != presets.end(); ++it) {
        TNotesEntry entry;
        if (!it.value().isObject() || !NotesFromJson(it.value().toObject(), entry.Notes))
            return damaged;
        entry.Title = it.value().toObject().value(QStringLiteral("title")).toString();
        read[it.key()] = std::move(entry);
    }
    return {};
}

void TNoteStore::Load() {
    entries.clear();
    problems.clear();
    std::map<QString, TNotesEntry> read;
    const QString problem = ReadFile(read);
    if (problem.isEmpty()) {
        entries = std::move(read);
        return;
    }
    // A folder or a device in the file's place is named and left alone: writes refuse it.
    const QString moved = QFileInfo(path).isFile() ? MoveAside(path) : QString();
    problems << QStringLiteral("%1: %2; %3")
                    .arg(QFileInfo(path).fileName(), problem,
                         moved.isEmpty()
                             ? QStringLiteral("it was left where it is")
                             : QStringLiteral("moved to %1").arg(QFileInfo(moved).fileName()));
}

QString TNoteStore::Write(const std::function<void(std::map<QString, TNotesEntry>&)>& change) {
    std::map<QString, TNotesEntry> next = entries;
    if (QFileInfo::exists(path)) {
        std::map<QString, TNotesEntry> onDisk;
        if (const QString problem = ReadFile(onDisk); problem.isEmpty()) {
            next = std::move(onDisk);
        } else {
            // Moved aside and named; what this store held is written anew.
            std::map<QString, TNotesEntry> held = entries;
            Load();
            next = std::move(held);
        }
    }
    change(next);
    for (auto it = next.begin(); it != next.end();)
        it = it->second.Notes.Empty() ? next.erase(it) : std::next(it);
    QJsonObject presets;
    for (const auto& [key, entry] : next) {
        QJsonObject object = NotesJson(entry.Notes);
        if (!entry.Title.isEmpty())
            object[QStringLiteral("title")] = entry.Title;
        presets[key] = object;
    }
    QJsonObject root;
    root[QStringLiteral("format")] = kNotesFormat;
    root[QStringLiteral("version")] = kNotesVersion;
    root[QStringLiteral("presets")] = presets;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("cannot create the folder %1").arg(QFileInfo(path).absolutePath());
    const QString error = WriteWholeFile(path, QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!error.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(path, error);
    entries = std::move(next);
    return {};
}

TPresetNotes TNoteStore::Get(TByteView dump, const QString& place) const {
    const QString key = NotesKey(dump);
    TPresetNotes notes;
    if (const auto found = entries.find(key); found != entries.end())
        notes = found->second.Notes;
    if (!place.isEmpty())
        if (const auto marked = entries.find(PlaceKey(key, place)); marked != entries.end())
            for (const std::string& tag : marked->second.Notes.Tags)
                AddTag(notes, QString::fromStdString(tag));
    return notes;
}

QString TNoteStore::Set(TByteView dump, const TPresetNotes& notes, const QString& place) {
    const QString key = NotesKey(dump);
    const QString title = TitleText(dump);
    return Write([&](std::map<QString, TNotesEntry>& all) {
        TNotesEntry& preset = all[key];
        TPresetNotes own;
        if (!place.isEmpty()) {
            const auto marked = all.find(PlaceKey(key, place));
            if (marked != all.end()) {
                for (const std::string& tag : notes.Tags)
                    if (HasTag(marked->second.Notes, QString::fromStdString(tag)))
                        AddTag(own, QString::fromStdString(tag));
                marked->second.Notes.Tags = own.Tags;
            }
        }
        const std::string noted = preset.Notes.Note == notes.Note ? preset.Notes.Noted
                                  : notes.Note.empty()            ? std::string()
                                                                  : NowText().toStdString();
        preset.Notes.Tags.clear();
        for (const std::string& tag : notes.Tags)
            if (!HasTag(own, QString::fromStdString(tag)))
                AddTag(preset.Notes, QString::fromStdString(tag));
        preset.Notes.Rating = std::clamp(notes.Rating, 0, kHighestRating);
        preset.Notes.Note = notes.Note;
        preset.Notes.Noted = noted;
        preset.Title = title;
    });
}

// (place, tag): the copy, then what it is marked with.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TNoteStore::Mark(TByteView dump, const QString& place, const QString& tag) {
    const QString key = PlaceKey(NotesKey(dump), place);
    const QString title = TitleText(dump);
    return Write([&](std::map<QString, TNotesEntry>& all) {
        AddTag(all[key].Notes, tag);
        all[key].Title = title;
    });
}

QString TNoteStore::Change(TByteView dump, const TTagChange& change, const QString& place) {
    const QString key = NotesKey(dump);
    const QString title = TitleText(dump);
    return Write([&](std::map<QString, TNotesEntry>& all) {
        TNotesEntry& preset = all[key];
        preset.Title = title;
        for (const QString& tag : change.Remove) {
            RemoveTag(preset.Notes, tag);
            if (!place.isEmpty())
                if (const auto marked = all.find(PlaceKey(key, place)); marked != all.end())
                    RemoveTag(marked->second.Notes, tag);
        }
        for (const QString& tag : change.Add)
            AddTag(preset.Notes, tag);
        if (change.Rating)
            preset.Notes.Rating = std::clamp(*change.Rating, 0, kHighestRating);
        if (change.Note && change.Note->toStdString() != preset.Notes.Note) {
            preset.Notes.Note = change.Note->toStdString();
            preset.Notes.Noted = change.Note->isEmpty() ? std::string() : NowText().toStdString();
        }
    });
}

QString TNoteStore::Merge(const std::vector<std::pair<TBytes, TPresetNotes>>& imported) {
    return Write([&](std::map<QString, TNotesEntry>& all) {
        for (const auto& [dump, notes] : imported) {
            TNotesEntry& preset = all[NotesKey(dump)];
            if (preset.Title.isEmpty())
                preset.Title = TitleText(dump);
            for (const std::string& tag : notes.Tags)
                AddTag(preset.Notes, QString::fromStdString(tag));
            if (preset.Notes.Rating == 0)
                preset.Notes.Rating = std::clamp(notes.Rating, 0, kHighestRating);
            if (preset.Notes.Note.empty()) {
                preset.Notes.Note = notes.Note;
                preset.Notes.Noted = notes.Noted;
            } else if (!notes.Note.empty() &&
                       preset.Notes.Note.find(notes.Note) == std::string::npos) {
                preset.Notes.Note += "\n" + notes.Note;
                preset.Notes.Noted = std::max(preset.Notes.Noted, notes.Noted);
            }
        }
    });
}

QString NotesBeside(const QString& syxPath) {
    const QFileInfo syx(syxPath);
    return syx.dir().filePath(syx.completeBaseName() + QStringLiteral(".notes.json"));
}

TExportedNotes ExportedNotes(const TNoteStore& store, const std::vector<TBytes>& dumps) {
    QJsonArray presets;
    for (std::size_t i = 0; i < dumps.size(); ++i) {
        const TPresetNotes notes = store.Get(dumps[i]);
        if (notes.Empty())
            continue;
        QJsonObject object = NotesJson(notes);
        object[QStringLiteral("index")] = static_cast<int>(i) + 1;
        object[QStringLiteral("title")] = TitleText(dumps[i]);
        presets.append(object);
    }
    QJsonObject root;
    root[QStringLiteral("format")] = kExportFormat;
    root[QStringLiteral("version")] = kNotesVersion;
    root[QStringLiteral("presets")] = presets;
    return {QJsonDocument(root).toJson(QJsonDocument::Indented), static_cast<int>(presets.size())};
}

TImportedNotes ReadExportedNotes(const QByteArray& bytes, const std::vector<TBytes>& dumps) {
    TImportedNotes imported;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != kExportFormat ||
        root.value(QStringLiteral("version")).toInt() != kNotesVersion ||
        !root.value(QStringLiteral("presets")).isArray()) {
        imported.Error = QStringLiteral("not a notes file this program can read");
        return imported;
    }
    for (const QJsonValue& value : root.value(QStringLiteral("presets")).toArray()) {
        TPresetNotes notes;
        const int index = value.toObject().value(QStringLiteral("index")).toInt();
        if (!value.isObject() || !NotesFromJson(value.toObject(), notes) || index < 1 ||
            index > static_cast<int>(dumps.size())) {
            imported.Notes.clear();
            imported.Error = QStringLiteral("its notes name no preset of the .syx file");
            return imported;
        }
        imported.Notes.emplace_back(dumps[static_cast<std::size_t>(index) - 1], std::move(notes));
    }
    return imported;
}
