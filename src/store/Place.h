#pragma once
// A place of the unit: a bank and a slot in it. The older unit's single bank is bank 0, told
// without a letter; a place of neither kind is never made from a file without Fits.

#include <QString>
#include <compare>

// A bank's letter, "A" to "D"; empty for a number that is no bank.
QString BankLetter(int bank);

struct TPlace {
    int Bank = 0; // 0..3 (A..D); 0 for the single bank of the older unit
    int Slot = 1; // 1-based

    friend auto operator<=>(const TPlace&, const TPlace&) = default;
    // "A 017"; "017" on a unit of one bank.
    QString Text(bool singleBank) const;
    // A place the unit has: four banks of 200 slots, or one of 128.
    bool Fits(bool singleBank) const;
    // A bank as files and replies give it, where -1 stands for the single bank. Bank first, as
    // everywhere.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    static TPlace Of(int bank, int slot) { return {bank < 0 ? 0 : bank, slot}; }
};
