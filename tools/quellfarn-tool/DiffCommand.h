#pragma once
// preset diff A B [--json]: how two presets differ, in the editor's words; either side a file or
// a slot of the unit ("unit:B017").

#include "Command.h"

class TPresetDiffCommand : public TCommand {
public:
    TPresetDiffCommand(int argc, char* argv[]);
    int Execute(const QStringList& arguments) override;

private:
    int argc;
    char** argv;
};
