// Snapshots of the unit's memory: their files, and the comparison with the memory now.

#include "store/UnitSnapshot.h"

#include "model/Mpt.h"
#include "store/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <set>

namespace {
const QString kSnapshotHeader = QStringLiteral("Quellfarn unit snapshot 1");
const QString kSuffix = QStringLiteral(".snapshot");

// (folder, name): the unit's folder, then the snapshot's name in it, as a path reads.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString PathOf(const QString& unitFolder, const QString& name) {
    return SnapshotFolder(unitFolder) + QLatin1Char('/') + name + kSuffix;
}

// Hex digits of a whole message, or nothing.
std::optional<TBytes> FromHex(const QString& word) {
    static const QRegularExpression hex(QStringLiteral("^([0-9a-f]{2})+$"));
    if (!hex.match(word).hasMatch())
        return std::nullopt;
    const QByteArray bytes = QByteArray::fromHex(word.toLatin1());
    return TBytes(bytes.begin(), bytes.end());
}

// The kind of unit whose table message this is; a snapshot is read whichever kind the tool is
// set to now.
std::optional<TDeviceMode> TableMode(TByteView table) {
    for (const TDeviceMode mode : {TDeviceMode::Plenova(), TDeviceMode::PrePlenovaModel()})
        if (IsMptDump(table, mode) && IsWellFormedSysex(table))
            return mode;
    return std::nullopt;
}

// The snapshot the text holds; false when a line is not one this program writes.
bool Parse(const QByteArray& text, TUnitSnapshot& snapshot) {
    QTextStream in(text);
    if (in.readLine() != kSnapshotHeader)
        return false;
    bool taken = false;
    while (!in.atEnd()) {
        const QStringList words = in.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        if (words[0] == QLatin1String("taken") && words.size() == 2 && !taken) {
            snapshot.Taken = QDateTime::fromString(words[1], Qt::ISODateWithMs);
            taken = snapshot.Taken.isValid();
            if (!taken)
                return false;
        } else if (words[0] == QLatin1String("table") && words.size() == 2 && !snapshot.Table) {
            snapshot.Table = FromHex(words[1]);
            if (!snapshot.Table || !TableMode(*snapshot.Table))
                return false;
        } else if (words[0] == QLatin1String("slot") && words.size() == 4) {
            bool bankRead = false, slotRead = false;
            const TPlace place{words[1].toInt(&bankRead), words[2].toInt(&slotRead)};
            const std::optional<TBytes> dump = FromHex(words[3]);
            if (!bankRead || !slotRead || place.Bank < 0 || place.Bank > 3 || place.Slot < 1 ||
                place.Slot > 200 || !dump || !IsPresetDump(*dump) || !IsWellFormedSysex(*dump) ||
                !snapshot.Slots.emplace(place, *dump).second)
                return false;
        } else {
            return false;
        }
    }
    return taken;
}

} // namespace

TUnitSnapshot SnapshotOf(const TUnitMemory& memory, const std::optional<TBytes>& table,
                         const QDateTime& when) {
    TUnitSnapshot snapshot;
    snapshot.Taken = when;
    snapshot.Table = table;
    for (const auto& [place, slot] : memory.Slots())
        if (const TSlotVersion* now = slot.Now())
            snapshot.Slots[place] = now->Dump;
    return snapshot;
}

QString SnapshotFolder(const QString& unitFolder) {
    return unitFolder + QStringLiteral("/snapshots");
}

QString SnapshotNameProblem(const QString& name) {
    static const QRegularExpression allowed(
        QStringLiteral("^[\\p{L}\\p{N}_+\\-][\\p{L}\\p{N} _+.\\-]{0,63}$"));
    if (name.isEmpty())
        return QStringLiteral("a snapshot needs a name");
    if (!allowed.match(name).hasMatch() || name.endsWith(QLatin1Char(' ')))
        return QStringLiteral("\"%1\" cannot name a snapshot: letters, digits, spaces and - _ + . "
                              "up to 64 characters, starting with a letter or digit")
            .arg(name);
    return {};
}

QString SaveSnapshot(const QString& unitFolder, const TUnitSnapshot& snapshot) {
    if (const QString problem = SnapshotNameProblem(snapshot.Name); !problem.isEmpty())
        return problem;
    const QString path = PathOf(unitFolder, snapshot.Name);
    // The snapshot of the last gig is what later ones are told against: never written over.
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
        return QStringLiteral("a snapshot named \"%1\" is there already: choose another name")
            .arg(snapshot.Name);
    if (!QDir().mkpath(SnapshotFolder(unitFolder)))
        return QStringLiteral("cannot create the folder %1").arg(SnapshotFolder(unitFolder));
    QString text = kSnapshotHeader +
                   QStringLiteral("\ntaken %1\n").arg(snapshot.Taken.toString(Qt::ISODateWithMs));
    if (snapshot.Table)
        text += QStringLiteral("table %1\n").arg(HexText(*snapshot.Table));
    for (const auto& [place, dump] : snapshot.Slots)
        text +=
            QStringLiteral("slot %1 %2 %3\n").arg(place.Bank).arg(place.Slot).arg(HexText(dump));
    if (const QString error = WriteWholeFile(path, text.toLatin1()); !error.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(path, error);
    return {};
}

// (folder, name), as a path reads.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TSnapshotLoad LoadSnapshot(const QString& unitFolder, const QString& name) {
    TSnapshotLoad load;
    load.Snapshot.Name = name;
    if (!SnapshotNameProblem(name).isEmpty()) {
        load.Missing = true;
        return load;
    }
    const QString path = PathOf(unitFolder, name);
    const TFileRead read = ReadWholeFile(path, kLargestSnapshotFile);
    if (read.Missing) {
        load.Missing = true;
        return load;
    }
    QString why = read.Error;
    if (why.isEmpty() && !Parse(read.Bytes, load.Snapshot))
        why = QStringLiteral("%1 is not a snapshot this program can read").arg(path);
    if (why.isEmpty())
        return load;
    // A folder, a device or a pipe in its place is named and left alone.
    const QString moved = QFileInfo(path).isFile() ? MoveAside(path) : QString();
    load.Snapshot = {name, {}, {}, {}};
    load.Error = moved.isEmpty() ? why : QStringLiteral("%1; it was moved to %2").arg(why, moved);
    return load;
}

QStringList SnapshotNames(const QString& unitFolder) {
    QStringList names;
    for (const QString& file :
         QDir(SnapshotFolder(unitFolder))
             .entryList({QLatin1Char('*') + kSuffix}, QDir::Files, QDir::Name)) {
        const QString name = file.chopped(kSuffix.size());
        if (SnapshotNameProblem(name).isEmpty())
            names << name;
    }
    return names;
}

// (then, now): the earlier first, as time runs.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TSnapshotChanges CompareSnapshots(const TUnitSnapshot& then, const TUnitSnapshot& now) {
    TSnapshotChanges changes;
    std::set<TPlace> places;
    for (const auto& [place, dump] : then.Slots)
        places.insert(place);
    for (const auto& [place, dump] : now.Slots)
        places.insert(place);
    for (const TPlace& place : places) {
        const auto before = then.Slots.find(place);
        const auto after = now.Slots.find(place);
        TSlotChange change;
        change.Place = place;
        if (before == then.Slots.end()) {
            change.Kind = TSlotChange::TKind::New;
            change.Now = after->second;
        } else if (after == now.Slots.end()) {
            change.Kind = TSlotChange::TKind::Gone;
            change.Then = before->second;
        } else {
            change.Changes = DiffPresets(before->second, after->second);
            if (change.Changes.empty())
                continue;
            change.Then = before->second;
            change.Now = after->second;
        }
        changes.Slots.push_back(std::move(change));
    }
    const std::optional<TDeviceMode> mode = then.Table ? TableMode(*then.Table) : std::nullopt;
    const std::optional<TDeviceMode> nowMode = now.Table ? TableMode(*now.Table) : std::nullopt;
    // Tables of two kinds of unit hold different programs: there is nothing to tell entry by entry.
    if (mode && nowMode && mode->PrePlenova == nowMode->PrePlenova) {
        Tmpt before, after;
        before.Decode(*then.Table, *mode);
        after.Decode(*now.Table, *mode);
        for (std::size_t i = 0; i < before.MptEntries.size(); ++i)
            if (before.MptEntries[i] != after.MptEntries[i])
                changes.Table.push_back(
                    {static_cast<int>(i) + 1, before.MptEntries[i] + 1, after.MptEntries[i] + 1});
    }
    return changes;
}

QStringList ChangeLines(const TSnapshotChanges& changes, bool singleBank) {
    QStringList lines;
    for (const TSlotChange& change : changes.Slots) {
        const QString place = change.Place.Text(singleBank) + QStringLiteral(": ");
        switch (change.Kind) {
        case TSlotChange::TKind::New:
            lines << place + TitleText(change.Now) + QStringLiteral(", not remembered then");
            break;
        case TSlotChange::TKind::Gone:
            lines << place + TitleText(change.Then) + QStringLiteral(", no longer remembered");
            break;
        case TSlotChange::TKind::Changed: {
            const QString then = TitleText(change.Then);
            const QString now = TitleText(change.Now);
            lines << place + (then == now ? now : then + QStringLiteral(" \u2192 ") + now);
            for (const TPresetChange& line : change.Changes)
                lines << QStringLiteral("  ") + QString::fromStdString(line.Text());
            break;
        }
        }
    }
    for (const TTableChange& entry : changes.Table)
        lines << QStringLiteral("Program %1: preset %2 \u2192 preset %3")
                     .arg(entry.Program)
                     .arg(entry.Then)
                     .arg(entry.Now);
    return lines;
}
