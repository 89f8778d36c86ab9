// The options backup and restore share, read into the backup host's options.

#include "UnitCommand.h"

#include "ToolErrors.h"

#include <QDir>
#include <QFileInfo>

namespace {
// The options backup and restore share, then those of the one command.
std::vector<const TOption*> SharedAnd(const std::vector<const TOption*>& own) {
    std::vector<const TOption*> options{
        &ToolOptions::In,   &ToolOptions::Out,   &ToolOptions::Banks,   &ToolOptions::First,
        &ToolOptions::Last, &ToolOptions::Delay, &ToolOptions::Timeout, &ToolOptions::PrePlenova};
    options.insert(options.end(), own.begin(), own.end());
    return options;
}
} // namespace

TUnitCommand::TUnitCommand(const TCommandInfo& info, const std::vector<const TOption*>& options,
                           int argc, char* argv[])
    : TCommand(info, SharedAnd(options)), argc(argc), argv(argv) {}

TBackupOptions TUnitCommand::UnitOptions(const QCommandLineParser& parser) const {
    const QStringList folders = parser.positionalArguments();
    if (folders.size() != 1 || folders[0].isEmpty())
        throw UsageError{Bytes(Name) + " needs one DIR"};
    TBackupOptions options;
    ReadConnection(parser, options);
    if (parser.isSet(ToolOptions::Banks.Option))
        options.Banks = *BankChoice(parser.value(ToolOptions::Banks.Option));
    options.First = Number(parser, ToolOptions::First, options.First);
    options.Last = Number(parser, ToolOptions::Last, options.Last);
    options.RequestDelay = Number(parser, ToolOptions::Delay, options.RequestDelay);
    if (options.First > options.Last)
        throw UsageError{"--first " + std::to_string(options.First) + " is after --last " +
                         std::to_string(options.Last)};
    options.Directory = QDir::cleanPath(QFileInfo(Text(folders[0])).absoluteFilePath());
    return options;
}
