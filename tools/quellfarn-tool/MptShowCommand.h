#pragma once
// mpt show FILE [--pre-plenova]: a program table file, ten program changes a line.

#include "Command.h"

class TMptShowCommand : public TCommand {
public:
    TMptShowCommand();
    int Execute(const QStringList& arguments) override;
};
