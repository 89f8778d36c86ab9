#pragma once
// list DIR: the presets of a backup folder by bank and number.

#include "Command.h"

class TListCommand : public TCommand {
public:
    TListCommand();
    int Execute(const QStringList& arguments) override;
};
