#pragma once
// syx split FILE.syx DIR: the presets and program tables of a .syx file, each into a file of its
// own. syx join DIR FILE.syx: the preset and table files of a folder as one .syx file.

#include "Command.h"

class TSyxSplitCommand : public TCommand {
public:
    TSyxSplitCommand();
    int Execute(const QStringList& arguments) override;
};

class TSyxJoinCommand : public TCommand {
public:
    TSyxJoinCommand();
    int Execute(const QStringList& arguments) override;
};
