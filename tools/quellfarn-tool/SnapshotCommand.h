#pragma once
// mark NAME: a snapshot of the unit as remembered. changes --since NAME: what changed since.
// marks: the snapshots there are. None of them asks the unit.

#include "Command.h"

class TMarkCommand : public TCommand {
public:
    TMarkCommand();
    int Execute(const QStringList& arguments) override;
};

class TChangesCommand : public TCommand {
public:
    TChangesCommand();
    int Execute(const QStringList& arguments) override;
};

class TMarksCommand : public TCommand {
public:
    TMarksCommand();
    int Execute(const QStringList& arguments) override;
};
