#pragma once
// What a file of the project includes and where each include leads: our headers to their files
// and folders, Qt's to their modules.

#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct TInclude {
    int Line = 0;
    std::string Name;    // as written: "model/Preset.h", "QWidget"
    bool Quoted = false; // "..." rather than <...>
};

// Every #include of a file, in order.
std::vector<TInclude> IncludesOf(const std::filesystem::path& file);

// The Qt module of a Qt header, as the installed headers tell it: "QWidget" is "Widgets".
class TQtModules {
public:
    explicit TQtModules(const std::filesystem::path& headers);
    // Empty for a header that is not Qt's.
    std::string ModuleOf(const std::string& header) const;

private:
    std::map<std::string, std::string> modules;
};

// The project's sources: every C++ file under src, tools, tests, bench and fuzz, and which of
// them a quoted include names.
class TProjectTree {
public:
    explicit TProjectTree(std::filesystem::path root);

    const std::filesystem::path& Root() const { return root; }
    const std::vector<std::filesystem::path>& Files() const { return files; }
    // The file a quoted include in `from` names: "folder/Name.h" under src/ or tests/, a bare
    // name beside the includer or, failing that, the one file of that name in the tree.
    std::optional<std::filesystem::path> Resolve(const std::filesystem::path& from,
                                                 const std::string& name) const;
    // The folder whose row rules a file: "model", "tests/editor", "tools", "bench", "fuzz";
    // the program's entry straight in src/ is "app".
    std::string FolderOf(const std::filesystem::path& file) const;
    // The layer a file stands in when included: its folder, and a test helper its test folder's
    // ("midi/FakeMidiService.h" is midi, "support/MainRig.h" support).
    std::string LayerOf(const std::filesystem::path& file) const;
    // The folders under src/.
    std::set<std::string> SourceFolders() const;
    // The path from the root, for messages.
    std::string Shown(const std::filesystem::path& file) const;

private:
    std::filesystem::path root;
    std::vector<std::filesystem::path> files;
    std::multimap<std::string, std::filesystem::path> byName;
};
