#pragma once
// check: whether the unit can be reached, step by step, with one verdict.

#include "Command.h"

class TCheckCommand : public TCommand {
public:
    TCheckCommand(int argc, char* argv[]);
    int Execute(const QStringList& arguments) override;

private:
    int argc;
    char** argv;
};
