// mpt show: which preset each program change calls up.

#include "MptShowCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "model/Mpt.h"
#include "store/WholeFile.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

TMptShowCommand::TMptShowCommand()
    : TCommand({.Name = QStringLiteral("mpt show"),
                .Synopsis = QStringLiteral("mpt show FILE"),
                .Description = QStringLiteral("a program table (.mpt): program change to preset")},
               {&ToolOptions::PrePlenova}) {}

int TMptShowCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        throw UsageError{"mpt show needs one FILE"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    const TBytes bytes = ReadFile(Bytes(files[0]), 64 * kLargestTableFile);
    if (!IsMptDump(bytes))
        throw FileError{"Not a valid MPT file (" + std::to_string(MptDumpLength) +
                        " bytes of a program table expected)"};
    Tmpt table;
    table.Decode(bytes);
    std::cout << "Device byte: " << int{table.MptHeader[2]} << "\n";
    std::cout << "Program change -> preset\n";
    const int count = Mode.MptEntryCount;
    for (int row = 0; row < (count + 9) / 10; ++row) {
        std::printf("%3d-%3d:", row * 10 + 1, std::min(count, row * 10 + 10));
        for (int i = row * 10; i < std::min(count, row * 10 + 10); ++i)
            std::printf(" %3d", table.MptEntries[static_cast<std::size_t>(i)] + 1);
        std::printf("\n");
    }
    return 0;
}
