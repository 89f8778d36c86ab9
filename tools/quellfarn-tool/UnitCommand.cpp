// The unit commands' shared options, and the application, MIDI systems and host of their run.

#include "UnitCommand.h"

#include "ToolErrors.h"
#include "ToolRun.h"
#include "midi/MidiDeviceService.h"
#include "model/DeviceMode.h"
#include "sim/SimulatedProcessor.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <unistd.h>

TUnitCommand::TUnitCommand(const TCommandInfo& info, std::vector<const TOption*> options, int argc,
                           char* argv[])
    : TCommand(info, std::move(options)), argc(argc), argv(argv) {}

std::vector<const TOption*> TUnitCommand::FolderOptions(const std::vector<const TOption*>& own) {
    std::vector<const TOption*> options{
        &ToolOptions::In,   &ToolOptions::Out,   &ToolOptions::Banks,   &ToolOptions::First,
        &ToolOptions::Last, &ToolOptions::Delay, &ToolOptions::Timeout, &ToolOptions::PrePlenova};
    options.insert(options.end(), own.begin(), own.end());
    return options;
}

int TUnitCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    ReadShared(parser);
    if (const std::optional<int> status = Read(parser))
        return *status;
    // Qt is given no arguments of the user's: they are the tool's.
    static int applicationArgc = 1;
    static char* applicationArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    std::unique_ptr<QCoreApplication> application;
    if (unitOptions.ListingFile.isEmpty()) {
        application = std::make_unique<QCoreApplication>(applicationArgc, applicationArgv);
    } else {
        // Printing needs fonts and a paint engine, not a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(applicationArgc, applicationArgv);
    }
    MidiDeviceService midi;
    std::shared_ptr<TSimulatedProcessor> processor;
    // A dry run has nothing to say to any port.
    if (!unitOptions.DryRun)
        ToolRun::AddBackends(midi, unitOptions.PrePlenova, processor);
    TUnitHost host(midi, unitOptions, Style());
    return Run(host);
}

TReportStyle TUnitCommand::Style() const {
    return isatty(STDOUT_FILENO) ? TReportStyle::ProgressLine : TReportStyle::Lines;
}

void TUnitCommand::ReadShared(const QCommandLineParser& parser) {
    using namespace ToolOptions;
    TUnitOptions& options = unitOptions;
    if (Takes(In))
        options.InputName = Text(parser.value(In.Option));
    if (Takes(Out))
        options.OutputName = Text(parser.value(Out.Option));
    if (Takes(PrePlenova))
        options.PrePlenova = parser.isSet(PrePlenova.Option);
    if (Takes(Timeout))
        options.TimeoutMilliseconds = Number(parser, Timeout, options.TimeoutMilliseconds);
    if (Takes(Delay))
        options.Walk.RequestDelay = Number(parser, Delay, options.Walk.RequestDelay);
    if (Takes(Banks) && parser.isSet(Banks.Option))
        options.Walk.Banks = *BankChoice(parser.value(Banks.Option));
    if (Takes(First))
        options.Walk.First = Number(parser, First, options.Walk.First);
    if (Takes(Last))
        options.Walk.Last = Number(parser, Last, options.Walk.Last);
    if (Takes(DryRun))
        options.DryRun = parser.isSet(DryRun.Option);
    if (Takes(Yes))
        options.AssumeYes = parser.isSet(Yes.Option);
    if (Takes(EvenIfChanged))
        options.EvenIfChanged = parser.isSet(EvenIfChanged.Option);
    SetPrePlenovaMode(options.PrePlenova);
}

void TUnitCommand::ReadFolder(const QCommandLineParser& parser) {
    const QStringList folders = parser.positionalArguments();
    if (folders.size() != 1 || folders[0].isEmpty())
        throw UsageError{Bytes(Name) + " needs one DIR"};
    if (unitOptions.Walk.First > unitOptions.Walk.Last)
        throw UsageError{"--first " + std::to_string(unitOptions.Walk.First) + " is after --last " +
                         std::to_string(unitOptions.Walk.Last)};
    unitOptions.Walk.OutputDirectory =
        QDir::cleanPath(QFileInfo(Text(folders[0])).absoluteFilePath());
}
