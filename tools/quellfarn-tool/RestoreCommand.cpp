// restore: the files of a backup folder into their slots, after a question or --yes.

#include "RestoreCommand.h"

TRestoreCommand::TRestoreCommand(int argc, char* argv[])
    : TUnitCommand({.Name = QStringLiteral("restore"),
                    .Synopsis = QStringLiteral("restore DIR"),
                    .Description =
                        QStringLiteral("a backup folder back into the unit, each slot read back")},
                   {&ToolOptions::DryRun, &ToolOptions::Yes}, argc, argv) {}

int TRestoreCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    TBackupOptions options = UnitOptions(parser);
    options.DryRun = parser.isSet(ToolOptions::DryRun.Option);
    options.AssumeYes = parser.isSet(ToolOptions::Yes.Option);
    return RestoreCommand(argc, argv, options);
}
