// check: the connection check of the window's "Check the connection...", on a terminal.

#include "CheckCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"

TCheckCommand::TCheckCommand(int argc, char* argv[])
    : TUnitCommand({.Name = QStringLiteral("check"),
                    .Synopsis = QStringLiteral("check"),
                    .Description = QStringLiteral(
                        "whether the unit answers on the ports, step by step, and what to do\n"
                        "when it does not (exit 0 when it answers)")},
                   {&ToolOptions::In, &ToolOptions::Out, &ToolOptions::DeviceId,
                    &ToolOptions::Timeout, &ToolOptions::PrePlenova},
                   argc, argv) {
    // A unit that answers at all answers within this.
    unitOptions.TimeoutMilliseconds = 2000;
}

std::optional<int> TCheckCommand::Read(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{"check takes no arguments"};
    DeviceId = static_cast<std::uint8_t>(Number(parser, ToolOptions::DeviceId, 0));
    return std::nullopt;
}

int TCheckCommand::Run(TUnitHost& host) {
    return host.Check();
}
