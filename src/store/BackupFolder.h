#pragma once
// A backup folder as the walk writes it and the restore reads it: one folder per bank ("Bank A"
// .. "Bank D"), or the presets straight in it on a single-bank unit; each preset a file named
// after its title with ".tmq" and its slot number ("Slap Funk.tmq042"). Also where the presets a
// store replaces are kept. Every file is written whole or not at all.

#include "model/Protocol.h"

#include <QString>
#include <array>
#include <set>
#include <vector>

// One file of a restore and where it goes.
struct TRestoreItem {
    int Bank = -1; // -1: the single bank of a Pre-Plenova unit
    int Slot = 0;  // 1-based
    QString Path;
    TBytes Dump;
    QString FileTitle;
    QString UnitTitle; // what the slot held when last seen this session; empty when unknown
    QString Problem;   // why it is skipped; empty when it is sent
};

class TBackupFolder {
public:
    TBackupFolder() = default;
    // singleBank: a Pre-Plenova unit's presets go straight into the folder.
    TBackupFolder(const QString& root, bool singleBank);

    // The folder, with a trailing separator.
    const QString& Root() const { return root; }
    QString BankFolder(int bank) const;
    // Makes the bank's folder (one level: the root must be there); empty, or what went wrong.
    // created tells whether it was made now.
    QString MakeBankFolder(int bank, bool& created) const;
    // The preset numbers that have a file in the bank's folder.
    std::set<int> SavedNumbers(int bank) const;
    // Writes a preset as a backup names it. The file's name, or empty and the error.
    QString SavePreset(int bank, int number, const QString& title, TByteView dump,
                       QString& error) const;
    // What a restore of these banks and slots writes, in slot order, and what it skips and why:
    // a file that is no preset dump, and two files for one slot (neither is sent).
    std::vector<TRestoreItem> PlanRestore(const std::array<bool, 4>& banks, int first,
                                          int last) const;

private:
    QString root;
    bool singleBank = false;
};

// Where the presets stores replaced are kept unless a folder is given: the program's data
// folder, "replaced".
QString KeptCopiesFolder();

// Keeps a preset a store replaces, named as a backup names it after the bank and the moment so
// that nothing kept earlier is overwritten, in the folder (empty: KeptCopiesFolder()). The
// file's path, or empty and the error.
QString KeepReplacedPreset(const QString& folder, TByteView dump, int bank, int slot,
                           QString& error);
