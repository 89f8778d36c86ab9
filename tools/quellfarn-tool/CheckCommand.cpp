// check: the connection check of the window's "Check the connection...", on a terminal.

#include "CheckCommand.h"

#include "Backup.h"
#include "ToolErrors.h"
#include "ToolRun.h"
#include "midi/MidiDeviceService.h"
#include "model/DeviceMode.h"
#include "sim/SimulatedProcessor.h"

#include <QCoreApplication>

TCheckCommand::TCheckCommand(int argc, char* argv[])
    : TCommand({.Name = QStringLiteral("check"),
                .Synopsis = QStringLiteral("check"),
                .Description = QStringLiteral(
                    "whether the unit answers on the ports, step by step, and what to do\n"
                    "when it does not (exit 0 when it answers)")},
               {&ToolOptions::In, &ToolOptions::Out, &ToolOptions::DeviceId, &ToolOptions::Timeout,
                &ToolOptions::PrePlenova}),
      argc(argc), argv(argv) {}

int TCheckCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{"check takes no arguments"};
    TBackupOptions options;
    options.TimeoutMilliseconds = 2000;
    ReadConnection(parser, options);
    SetPrePlenovaMode(options.PrePlenova);
    DeviceId = static_cast<std::uint8_t>(Number(parser, ToolOptions::DeviceId, 0));
    static int applicationArgc = 1;
    static char* applicationArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    const QCoreApplication application(applicationArgc, applicationArgv);
    MidiDeviceService midi;
    std::shared_ptr<TSimulatedProcessor> processor;
    ToolRun::AddBackends(midi, options.PrePlenova, processor);
    TBackup host(midi, options, TReportStyle::Quiet);
    return host.Check();
}
