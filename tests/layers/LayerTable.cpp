// Reading the layer table and holding every include against it.

#include "LayerTable.h"

#include <regex>
#include <sstream>

namespace {
constexpr const char* kBegin = "<!-- layer table -->";
constexpr const char* kEnd = "<!-- end of layer table -->";

// The names in backticks, and "everything" where the cell says it.
std::set<std::string> Names(const std::string& cell) {
    static const std::regex name("`([^`]+)`");
    std::set<std::string> names;
    for (auto it = std::sregex_iterator(cell.begin(), cell.end(), name);
         it != std::sregex_iterator(); ++it)
        names.insert((*it)[1].str());
    if (cell.find("everything") != std::string::npos)
        names.insert("everything");
    return names;
}

std::vector<std::string> Cells(const std::string& row) {
    std::vector<std::string> cells;
    std::stringstream stream(row);
    std::string cell;
    std::getline(stream, cell, '|'); // before the first bar
    while (std::getline(stream, cell, '|'))
        cells.push_back(cell);
    if (!cells.empty() && cells.back().find_first_not_of(" \t\r") == std::string::npos)
        cells.pop_back(); // after the last bar
    return cells;
}

std::optional<TQtUse> QtUse(const std::string& cell) {
    if (cell.find("none") != std::string::npos)
        return TQtUse::None;
    if (cell.find("Core") != std::string::npos)
        return TQtUse::Core;
    if (cell.find("all") != std::string::npos)
        return TQtUse::Any;
    return std::nullopt;
}

std::string Where(const TProjectTree& tree, const std::filesystem::path& file, int line) {
    return tree.Shown(file) + ":" + std::to_string(line) + ": ";
}
} // namespace

TLayerTable TLayerTable::Read(const std::string& text, std::vector<std::string>& problems) {
    TLayerTable table;
    const auto begin = text.find(kBegin);
    const auto end = text.find(kEnd);
    if (begin == std::string::npos || end == std::string::npos || end < begin) {
        problems.push_back(std::string("no layer table between \"") + kBegin + "\" and \"" + kEnd +
                           "\"");
        return table;
    }
    std::stringstream rows(text.substr(begin, end - begin));
    std::string row;
    while (std::getline(rows, row)) {
        if (row.rfind('|', 0) != 0 || row.find("---") != std::string::npos)
            continue;
        const std::vector<std::string> cells = Cells(row);
        const std::set<std::string> folders =
            cells.empty() ? std::set<std::string>{} : Names(cells[0]);
        if (folders.empty())
            continue; // the heading
        const std::optional<TQtUse> qt = cells.size() == 3 ? QtUse(cells[2]) : std::nullopt;
        if (!qt) {
            problems.push_back("layer table: cannot read the row \"" + row + "\"");
            continue;
        }
        for (const std::string& folder : folders) {
            if (table.rows.count(folder) != 0)
                problems.push_back("layer table: two rows for " + folder);
            table.rows[folder] = {Names(cells[1]), *qt};
        }
    }
    if (table.rows.empty())
        problems.push_back("layer table: no rows");
    return table;
}

std::optional<TLayerRule> TLayerTable::RuleOf(const std::string& folder,
                                              const std::set<std::string>& sourceFolders) const {
    std::optional<TLayerRule> rule;
    if (const auto row = rows.find(folder); row != rows.end()) {
        rule = row->second;
    } else if (folder.rfind("tests/", 0) == 0) {
        const std::string tested = folder.substr(6);
        if (const auto row = rows.find(tested); row != rows.end()) {
            rule = row->second;
            rule->MayInclude.insert({tested, "support"});
        }
    }
    if (rule && rule->MayInclude.erase("everything") != 0)
        rule->MayInclude.insert(sourceFolders.begin(), sourceFolders.end());
    return rule;
}

std::vector<std::string> CheckIncludes(const TProjectTree& tree, const TLayerTable& table,
                                       const TQtModules& qt) {
    std::vector<std::string> violations;
    const std::set<std::string> sourceFolders = tree.SourceFolders();
    for (const std::string& folder : sourceFolders)
        if (!table.RuleOf(folder, sourceFolders))
            violations.push_back("src/" + folder + ": the layer table has no row for " + folder);
    std::set<std::string> unruled;
    for (const std::filesystem::path& file : tree.Files()) {
        const std::string folder = tree.FolderOf(file);
        const std::optional<TLayerRule> rule = table.RuleOf(folder, sourceFolders);
        if (!rule) {
            if (unruled.insert(folder).second)
                violations.push_back(tree.Shown(file) + ": the layer table has no row for " +
                                     folder);
            continue;
        }
        const std::string own = tree.LayerOf(file);
        for (const TInclude& include : IncludesOf(file)) {
            const std::string where = Where(tree, file, include.Line);
            if (!include.Quoted) {
                const std::string module = qt.ModuleOf(include.Name);
                if (module.empty() || rule->Qt == TQtUse::Any ||
                    (rule->Qt == TQtUse::Core && module == "Core"))
                    continue;
                violations.push_back(
                    where + "<" + include.Name + "> is Qt " + module + "; " + folder +
                    (rule->Qt == TQtUse::None ? " includes no Qt" : " includes Qt Core only"));
                continue;
            }
            const std::optional<std::filesystem::path> target = tree.Resolve(file, include.Name);
            if (!target) {
                violations.push_back(where + "\"" + include.Name + "\" names no file of ours");
                continue;
            }
            const std::string layer = tree.LayerOf(*target);
            if (layer != own && rule->MayInclude.count(layer) == 0)
                violations.push_back(where + "\"" + include.Name + "\" is " + layer + "; " +
                                     folder + " may not include " + layer);
        }
    }
    return violations;
}
