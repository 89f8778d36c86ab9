#pragma once
// The layer table of CONTRIBUTING.md: which folders' headers and which Qt modules the files of
// each folder may include; and the check of every include of the project against it.

#include "IncludeScan.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// How much of Qt a folder may use.
enum class TQtUse { None, Core, Any };

struct TLayerRule {
    std::set<std::string> MayInclude; // folders besides its own; "everything": all of src/
    TQtUse Qt = TQtUse::None;
};

class TLayerTable {
public:
    // The table between the marks in the text; rows it cannot read go into problems.
    static TLayerTable Read(const std::string& text, std::vector<std::string>& problems);

    // A folder's rule, "everything" spelt out as sourceFolders. A test folder without a row of
    // its own takes its source folder's, with that folder itself and support.
    std::optional<TLayerRule> RuleOf(const std::string& folder,
                                     const std::set<std::string>& sourceFolders) const;
    const std::map<std::string, TLayerRule>& Rows() const { return rows; }

private:
    std::map<std::string, TLayerRule> rows;
};

// Every include of the tree the table does not allow, and every folder it has no row for, as
// "file:line: what is wrong".
std::vector<std::string> CheckIncludes(const TProjectTree& tree, const TLayerTable& table,
                                       const TQtModules& qt);
