// The journal of writes and its file.

#include "store/WriteJournal.h"

#include "store/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <set>

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
    damaged = false;
    const TFileRead read = ReadWholeFile(file, kLargestJournalFile);
    if (read.Missing)
        return {};
    // What cannot be read is kept where nothing writes over it, and the journal starts afresh
    // beside it; the ids go on past the largest one a sound journal could have given.
    const auto aside = [this](const QString& why) {
        entries.clear();
        damaged = true;
        const QString moved = MoveAside(file);
        return QStringLiteral("The journal %1 is damaged (%2): its steps cannot be undone; %3")
            .arg(file, why,
                 moved.isEmpty() ? QStringLiteral("it could not be moved aside")
                                 : QStringLiteral("it was moved to %1").arg(moved));
    };
    if (!read.Error.isEmpty())
        return aside(read.Error);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(read.Bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return aside(QStringLiteral("not a journal this program can read"));
    const QJsonObject root = document.object();
    std::set<int> ids;
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
            // Files written before slots were journalled ahead of their store hold only
            // verified ones.
            written.Verified = slot.value(QStringLiteral("verified")).toBool(true);
            const auto before = Dump(slot.value(QStringLiteral("before")));
            const auto after = Dump(slot.value(QStringLiteral("after")));
            // The single bank (-1) numbers 128 slots, each of the four banks 200.
            const int last = written.Bank < 0 ? 128 : 200;
            if (written.Bank < -1 || written.Bank > 3 || written.Slot < 1 || written.Slot > last ||
                !before || !after)
                return aside(QStringLiteral("a step names a slot or a preset that cannot be"));
            written.Before = *before;
            written.After = *after;
            entry.Slots.push_back(std::move(written));
        }
        if (entry.Id <= 0 || entry.Slots.empty() || !ids.insert(entry.Id).second)
            return aside(QStringLiteral("a step has no slots, or an id another step has"));
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
                                       {QStringLiteral("after"), Hex(slot.After)},
                                       {QStringLiteral("verified"), slot.Verified}});
        list.append(QJsonObject{{QStringLiteral("id"), entry.Id},
                                {QStringLiteral("label"), entry.Label},
                                {QStringLiteral("when"), entry.When.toString(Qt::ISODateWithMs)},
                                {QStringLiteral("undone"), entry.Undone},
                                {QStringLiteral("slots"), changes}});
    }
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QString error = WriteWholeFile(
        file, QJsonDocument(QJsonObject{{QStringLiteral("entries"), list}}).toJson());
    if (!error.isEmpty())
        return QStringLiteral("The journal %1 cannot be written: %2").arg(file, error);
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

TJournalEntry* TWriteJournal::Find(int id, const std::vector<TJournalSlot>& expected) {
    TJournalEntry* entry = Find(id);
    if (entry == nullptr || entry->Slots.size() != expected.size())
        return nullptr;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TJournalSlot& held = entry->Slots[i];
        const TJournalSlot& wanted = expected[i];
        if (held.Bank != wanted.Bank || held.Slot != wanted.Slot ||
            !SameDumpAnyDevice(held.After, wanted.After) ||
            !SameDumpAnyDevice(held.Before, wanted.Before))
            return nullptr;
    }
    return entry;
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

void TWriteJournal::Remove(int id) {
    std::erase_if(entries, [id](const TJournalEntry& entry) { return entry.Id == id; });
}
