// mpt new: a program table that calls up preset n for program change n.

#include "MptNewCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "model/Mpt.h"

TMptNewCommand::TMptNewCommand()
    : TCommand({.Name = QStringLiteral("mpt new"),
                .Synopsis = QStringLiteral("mpt new"),
                .Description =
                    QStringLiteral("a program table that maps each program change to its preset")},
               {&ToolOptions::Output, &ToolOptions::DeviceId, &ToolOptions::PrePlenova}) {}

int TMptNewCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    if (!parser.isSet(ToolOptions::Output.Option) || !parser.positionalArguments().isEmpty())
        throw UsageError{"mpt new needs -o FILE"};
    SetPrePlenovaMode(parser.isSet(ToolOptions::PrePlenova.Option));
    DeviceId = static_cast<std::uint8_t>(Number(parser, ToolOptions::DeviceId, 0));
    WriteFile(Bytes(parser.value(ToolOptions::Output.Option)), Tmpt().Encode());
    return 0;
}
