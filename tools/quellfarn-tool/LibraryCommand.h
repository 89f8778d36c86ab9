#pragma once
// library: the slots of a unit as the program remembers them, narrowed by bank and search.
// search EXPR DIR...: the preset files and backup folders that hold what the search names.
// Both print a line a preset, or JSON.

#include "Command.h"
#include "store/LibraryRows.h"

class TLibraryCommand : public TCommand {
public:
    TLibraryCommand();
    int Execute(const QStringList& arguments) override;
};

class TSearchCommand : public TCommand {
public:
    TSearchCommand();
    int Execute(const QStringList& arguments) override;
};

// The folder of the unit remembered, chosen by --out and --device-id among those there are; a
// FileError when there is none, a UsageError when the choice is not one.
QString RememberedUnitFolder(const QCommandLineParser& parser);
// The query of a search term, or a UsageError with what is wrong in it.
TPresetQuery SearchQuery(const QString& text);
// The rows as lines ("A 017  Title  ...", "path: Title (chain)") or as a JSON array.
void PrintRows(const std::vector<const TLibraryRow*>& rows, bool json);
