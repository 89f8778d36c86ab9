#pragma once
// A named snapshot of the unit's memory — what every remembered slot held, when it was taken,
// and the program table if one was given — kept in the memory's "snapshots" folder, and what
// changed between a snapshot and the memory now: "what changed since the last gig".

#include "model/PresetDiff.h"
#include "model/Protocol.h"
#include "store/Place.h"
#include "store/UnitMemory.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <map>
#include <optional>
#include <vector>

struct TUnitSnapshot {
    QString Name;
    QDateTime Taken;
    std::map<TPlace, TBytes> Slots; // what each remembered slot held
    std::optional<TBytes> Table;    // the program table message, when one was given
};

// What the memory's slots hold now, with the table if one is given.
TUnitSnapshot SnapshotOf(const TUnitMemory& memory, const std::optional<TBytes>& table,
                         const QDateTime& when = QDateTime::currentDateTime());

// The folder of a unit's snapshots: the memory's folder and "snapshots".
QString SnapshotFolder(const QString& unitFolder);
// Why the name cannot name a snapshot (it becomes a file name: letters, digits, spaces and
// - _ + . up to 64 characters, not starting with a dot); empty when it can.
QString SnapshotNameProblem(const QString& name);
// Writes the snapshot whole or not at all under its name; a snapshot of that name already
// there is never written over. Empty, or what went wrong.
QString SaveSnapshot(const QString& unitFolder, const TUnitSnapshot& snapshot);

struct TSnapshotLoad {
    TUnitSnapshot Snapshot;
    bool Missing = false; // there is no snapshot of that name
    QString Error;        // why it could not be read (a damaged one is moved aside, and said so)
    bool Ok() const { return !Missing && Error.isEmpty(); }
};
TSnapshotLoad LoadSnapshot(const QString& unitFolder, const QString& name);
// The names of the unit's snapshots, by name.
QStringList SnapshotNames(const QString& unitFolder);

// A slot whose preset is not what it was, one remembered now and not then, or the other way.
struct TSlotChange {
    enum class TKind { Changed, New, Gone };
    TKind Kind = TKind::Changed;
    TPlace Place;
    TBytes Then; // empty for a new slot
    TBytes Now;  // empty for one no longer remembered
    std::vector<TPresetChange> Changes;
};
// A program that calls up another preset; presets 1-based.
struct TTableChange {
    int Program = 1; // 1-based
    int Then = 1;
    int Now = 1;
};
struct TSnapshotChanges {
    std::vector<TSlotChange> Slots;  // by place
    std::vector<TTableChange> Table; // only when both have a table
    bool Empty() const { return Slots.empty() && Table.empty(); }
};
// What changed from `then` to `now`; the device byte is not a change.
TSnapshotChanges CompareSnapshots(const TUnitSnapshot& then, const TUnitSnapshot& now);
// The changes in words: "A 017: Slap → Slap Funk" with the compare's lines under it, indented;
// "B 002: Fretless, not remembered then"; "C 005: Dub, no longer remembered";
// "Program 3: preset 17 → preset 99".
QStringList ChangeLines(const TSnapshotChanges& changes, bool singleBank);
