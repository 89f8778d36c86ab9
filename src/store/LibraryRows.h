#pragma once
// The presets the library lists, in the window and from the command line, one row each, from
// wherever they are: the unit as remembered, the backup folders found under the backup folder,
// the preset folder, and the kept copies of what stores replaced. A slot of the unit is told
// against the newest backup that has it.

#include "model/PresetSearch.h"
#include "store/UnitMemory.h"

#include <QDateTime>
#include <QString>
#include <map>
#include <vector>

enum class TLibrarySource { Unit, Backup, PresetFolder, Kept };

struct TLibraryRow {
    TLibrarySource Source = TLibrarySource::Unit;
    int Bank = -1; // 0..3 of the unit or a backup; -1 for a file outside banks
    int Slot = 0;  // 1-based; 0 for a file without a number
    QString Path;  // the file, empty for a slot of the unit
    TBytes Dump;   // empty: never read
    QString Title;
    QString Chain; // "Compressor, Equalizer, Reverb 1"
    int Group = -1;
    QDateTime Seen; // when the unit last showed it (slots), the file's time (files)
    QString State;  // against the newest backup (slots of the unit)
    bool Changed = false;
    TPresetFacts Facts;

    // "A 017", or the file's name.
    QString Place() const;
};

// A backup folder: one holding "Bank A".."Bank D" (or, for a single-bank unit, preset files).
struct TBackupInfo {
    QString Path;
    QString Name;
    QDateTime Time; // its newest preset file's
};

// The backup folders at and one level under the folder, newest first.
std::vector<TBackupInfo> FindBackups(const QString& folder, bool singleBank);

// What the backups hold by bank and slot, read once: each slot of the unit is told against the
// newest backup that has it.
struct TBackupIndex {
    TBackupIndex() = default;
    TBackupIndex(const std::vector<TBackupInfo>& backups, bool singleBank); // newest first
    std::vector<TBackupInfo> backups;
    std::vector<std::map<TPlace, TBytes>> held; // the dump each backup holds for a place
};

// One slot of the unit (bank 0 and slot 1..128 on a Pre-Plenova unit), as remembered.
TLibraryRow UnitRow(const TUnitMemory& memory, int bank, int slot, bool singleBank,
                    const TBackupIndex& index);
// Every slot of the unit's banks (a single bank of 128 on a Pre-Plenova unit).
std::vector<TLibraryRow> UnitRows(const TUnitMemory& memory, bool singleBank,
                                  const TBackupIndex& index);
// The presets of a backup folder, by bank and slot.
std::vector<TLibraryRow> BackupRows(const TBackupInfo& backup, bool singleBank);
// The preset files (".tmq" and ".tmqNNN") straight in a folder.
std::vector<TLibraryRow> FileRows(const QString& folder, TLibrarySource source);

// Fills a row's title, chain, group and facts from its dump.
void Describe(TLibraryRow& row);

// Where a mark on the row's copy alone is kept: the file, or the unit's memory folder's name
// and the slot ("Plenova - device 0/A 017").
QString NotesPlace(const TLibraryRow& row, const QString& unitFolder);
