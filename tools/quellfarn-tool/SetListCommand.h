#pragma once
// setlist show FILE: a set list's songs with the bank, program and slot each is played from, and
// the lines that are no song named. setlist table FILE OUT.mpt: the program table that calls up
// the songs one program change after another.

#include "Command.h"

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
