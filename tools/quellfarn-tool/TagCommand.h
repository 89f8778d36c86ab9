#pragma once
// tag FILE|SLOT +TAG -TAG [--rating N] [--note TEXT]: a preset's tags, rating and note, as the
// library keeps them, changed or shown.
// duplicates DIR...|unit: the presets kept more than once, by content.

#include "Command.h"

class TTagCommand : public TCommand {
public:
    TTagCommand();
    int Execute(const QStringList& arguments) override;
};

class TDuplicatesCommand : public TCommand {
public:
    TDuplicatesCommand();
    int Execute(const QStringList& arguments) override;
};
