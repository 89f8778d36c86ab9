#pragma once
// setlist show FILE: a set list's songs with the bank, program and slot each is played from, and
// the lines that are no song named. setlist table FILE OUT.mpt: the program table that calls up
// the songs one program change after another.

#include "Command.h"
#include "model/SetList.h"

class TSetListShowCommand : public TCommand {
public:
    TSetListShowCommand();
    int Execute(const QStringList& arguments) override;
};

class TSetListTableCommand : public TCommand {
public:
    TSetListTableCommand();
    int Execute(const QStringList& arguments) override;
};

// The set list the word names, its lines that are no song each named on standard error; a
// FileError when it cannot be read.
TSetListRead ReadSetListFile(const QString& word);
