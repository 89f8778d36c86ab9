#pragma once
// The base of place, swap, undo and redo: writes into the unit's slots, each a step of its
// journal, shown by a dry run or asked about first.

#include "UnitCommand.h"

class TWriteCommand : public TUnitCommand {
protected:
    // Takes the options the writes share and those of the one command.
    TWriteCommand(const TCommandInfo& info, const std::vector<const TOption*>& own, int argc,
                  char* argv[]);

    // The plan's lines, then what a dry run says or the question and the writes.
    int Carry(TUnitHost& host, const TWritePlan& plan) const;
    // "A012", "a 12", "D200"; "17" on a single-bank unit: the slot the word names, or a
    // UsageError saying what a slot is.
    static TPlace SlotWord(const QString& word);
    // A question about writes: its lines indented under it; no is "cancelled".
    static TQuestion WriteQuestion(const QString& question, const QStringList& lines,
                                   const QString& refusal);
};
