#pragma once
// mpt new -o FILE [--device-id N] [--pre-plenova]: the default program table in a file.

#include "Command.h"

class TMptNewCommand : public TCommand {
public:
    TMptNewCommand();
    int Execute(const QStringList& arguments) override;
};
