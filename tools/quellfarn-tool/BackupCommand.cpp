// backup: the walk of the chosen banks into one file per preset, one folder per bank.

#include "BackupCommand.h"

TBackupCommand::TBackupCommand(int argc, char* argv[])
    : TUnitCommand({.Name = QStringLiteral("backup"),
                    .Synopsis = QStringLiteral("backup DIR"),
                    .Description = QStringLiteral(
                        "every preset of the chosen banks from the unit into DIR, one "
                        "file\nper preset (\"Slap Funk.tmq042\"), one folder per bank")},
                   {&ToolOptions::Untitled, &ToolOptions::Retries, &ToolOptions::PrintList}, argc,
                   argv) {}

int TBackupCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    TBackupOptions options = UnitOptions(parser);
    if (parser.isSet(ToolOptions::Untitled.Option)) {
        // As in the options dialog: saving untitled presets under no name saves them as
        // "Untitled".
        const QString name = Text(parser.value(ToolOptions::Untitled.Option));
        options.UntitledName = name.isEmpty() ? QStringLiteral("Untitled") : name;
    }
    options.MaxTries = Number(parser, ToolOptions::Retries, options.MaxTries);
    options.ListingFile = Text(parser.value(ToolOptions::PrintList.Option));
    return BackupCommand(argc, argv, options);
}
