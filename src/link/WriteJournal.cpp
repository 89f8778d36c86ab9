// The journal of writes and its file.

#include "link/WriteJournal.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {
QString Hex(const TBytes& bytes) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<qsizetype>(bytes.size()))
                                   .toHex());
}

// A dump as the file holds it; nothing when it is not a preset dump.
std::optional<TBytes> Dump(const QJsonValue& value) {
    const QByteArray bytes = QByteArray::fromHex(value.toString().toLatin1());
    TBytes dump(bytes.begin(), bytes.end());
    if (!IsPresetDump(dump) || !IsWellFormedSysex(dump))
        return std::nullopt;
    return dump;
}
} // namespace

QString TWriteJournal::FileIn(const QString& memoryFolder) {
    return QDir(memoryFolder).filePath(QStringLiteral("journal.json"));
}

QString TWriteJournal::Load() {
    entries.clear();
    nextId = 1;
    QFile in(file);
    if (!in.exists())
        return {};
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("The journal %1 cannot be read: %2").arg(file, in.errorString());
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(in.readAll(), &error);
    const auto damaged = [this] {
        entries.clear();
        nextId = 1;
        return QStringLiteral("The journal %1 is damaged: its steps cannot be undone").arg(file);
    };
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return damaged();
    const QJsonObject root = document.object();
    for (const QJsonValue& value : root.value(QStringLiteral("entries")).toArray()) {
        const QJsonObject object = value.toObject();
        TJournalEntry entry;
        entry.Id = object.value(QStringLiteral("id")).toInt();
        entry.Label = object.value(QStringLiteral("label")).toString();
        entry.When = QDateTime::fromString(object.value(QStringLiteral("when")).toString(),
                                           Qt::ISODateWithMs);
        entry.Undone = object.value(QStringLiteral("undone")).toBool();
        for (const QJsonValue& slotValue : object.value(QStringLiteral("slots")).toArray()) {
            const QJsonObject slot = slotValue.toObject();
            TJournalSlot written;
            written.Bank = slot.value(QStringLiteral("bank")).toInt(-2);
            written.Slot = slot.value(QStringLiteral("slot")).toInt();
            const auto before = Dump(slot.value(QStringLiteral("before")));
            const auto after = Dump(slot.value(QStringLiteral("after")));
            if (written.Bank < -1 || written.Bank > 3 || written.Slot < 1 ||
                written.Slot > kMaxPresetIndex + 1 || !before || !after)
                return damaged();
            written.Before = *before;
            written.After = *after;
            entry.Slots.push_back(std::move(written));
        }
        if (entry.Id <= 0 || entry.Slots.empty())
            return damaged();
        nextId = std::max(nextId, entry.Id + 1);
        entries.push_back(std::move(entry));
    }
    return {};
}

QString TWriteJournal::Save() const {
    QJsonArray list;
    for (const TJournalEntry& entry : entries) {
        QJsonArray changes;
        for (const TJournalSlot& slot : entry.Slots)
            changes.append(QJsonObject{{QStringLiteral("bank"), slot.Bank},
                                       {QStringLiteral("slot"), slot.Slot},
                                       {QStringLiteral("before"), Hex(slot.Before)},
                                       {QStringLiteral("after"), Hex(slot.After)}});
        list.append(QJsonObject{{QStringLiteral("id"), entry.Id},
                                {QStringLiteral("label"), entry.Label},
                                {QStringLiteral("when"), entry.When.toString(Qt::ISODateWithMs)},
                                {QStringLiteral("undone"), entry.Undone},
                                {QStringLiteral("slots"), changes}});
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(QJsonDocument(QJsonObject{{QStringLiteral("entries"), list}}).toJson()) < 0 ||
        !out.flush() || !out.commit())
        return QStringLiteral("The journal %1 cannot be written: %2").arg(file, out.errorString());
    return {};
}

int TWriteJournal::Add(TJournalEntry entry) {
    // A new step ends what could be redone.
    while (!entries.empty() && entries.back().Undone)
        entries.pop_back();
    entry.Id = nextId++;
    if (!entry.When.isValid())
        entry.When = QDateTime::currentDateTime();
    entries.push_back(std::move(entry));
    if (entries.size() > static_cast<std::size_t>(kKept))
        entries.erase(entries.begin(), entries.end() - kKept);
    return entries.back().Id;
}

TJournalEntry* TWriteJournal::Find(int id) {
    for (TJournalEntry& entry : entries)
        if (entry.Id == id)
            return &entry;
    return nullptr;
}

const TJournalEntry* TWriteJournal::ToUndo() const {
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        if (!entry->Undone)
            return &*entry;
    return nullptr;
}

const TJournalEntry* TWriteJournal::ToRedo() const {
    const TJournalEntry* redo = nullptr;
    for (auto entry = entries.rbegin(); entry != entries.rend() && entry->Undone; ++entry)
        redo = &*entry;
    return redo;
}

QString TWriteJournal::UndoText() const {
    const TJournalEntry* entry = ToUndo();
    return entry != nullptr ? QStringLiteral("Undo ") + entry->Label : QStringLiteral("Undo");
}

QString TWriteJournal::RedoText() const {
    const TJournalEntry* entry = ToRedo();
    return entry != nullptr ? QStringLiteral("Redo ") + entry->Label : QStringLiteral("Redo");
}

void TWriteJournal::SetUndone(int id, bool undone) {
    if (TJournalEntry* entry = Find(id))
        entry->Undone = undone;
}
