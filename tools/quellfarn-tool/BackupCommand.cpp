// backup: the walk of the chosen banks into one file per preset, one folder per bank.

#include "BackupCommand.h"

TBackupCommand::TBackupCommand(int argc, char* argv[])
    : TUnitCommand(
          {.Name = QStringLiteral("backup"),
           .Synopsis = QStringLiteral("backup DIR"),
           .Description =
               QStringLiteral("every preset of the chosen banks from the unit into DIR, one "
                              "file\nper preset (\"Slap Funk.tmq042\"), one folder per bank")},
          FolderOptions({&ToolOptions::Untitled, &ToolOptions::Retries, &ToolOptions::PrintList}),
          argc, argv) {}

std::optional<int> TBackupCommand::Read(const QCommandLineParser& parser) {
    ReadFolder(parser);
    if (parser.isSet(ToolOptions::Untitled.Option)) {
        // As in the options dialog: saving untitled presets under no name saves them as
        // "Untitled".
        const QString name = Text(parser.value(ToolOptions::Untitled.Option));
        unitOptions.Walk.UntitledName = name.isEmpty() ? QStringLiteral("Untitled") : name;
    }
    unitOptions.MaxTries = Number(parser, ToolOptions::Retries, unitOptions.MaxTries);
    unitOptions.ListingFile = Text(parser.value(ToolOptions::PrintList.Option));
    return std::nullopt;
}

int TBackupCommand::Run(TUnitHost& host) {
    return host.Run();
}
