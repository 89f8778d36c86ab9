// Reading includes and finding what they name.

#include "IncludeScan.h"

#include <algorithm>
#include <fstream>
#include <regex>

namespace fs = std::filesystem;

namespace {
bool IsSource(const fs::path& file) {
    const std::string extension = file.extension().string();
    return extension == ".h" || extension == ".hpp" || extension == ".cpp" || extension == ".cc";
}

// The path's parts below the root: {"src", "model", "Preset.h"}.
std::vector<std::string> Parts(const fs::path& root, const fs::path& file) {
    std::vector<std::string> parts;
    for (const fs::path& part : file.lexically_relative(root))
        parts.push_back(part.string());
    return parts;
}
} // namespace

std::vector<TInclude> IncludesOf(const fs::path& file) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<TInclude> includes;
    std::ifstream in(file);
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        std::smatch match;
        if (std::regex_search(text, match, include))
            includes.push_back({line, match[2].str(), match[1].str() == "\""});
    }
    return includes;
}

TQtModules::TQtModules(const fs::path& headers) {
    std::error_code error;
    for (const auto& folder : fs::directory_iterator(headers, error)) {
        const std::string name = folder.path().filename().string();
        if (!folder.is_directory() || name.rfind("Qt", 0) != 0)
            continue;
        const std::string module = name.substr(2);
        modules[name] = module; // the module's own header, <QtCore>
        for (const auto& header : fs::directory_iterator(folder.path(), error)) {
            const std::string file = header.path().filename().string();
            // Class headers have no extension: QWidget, QString.
            if (header.is_regular_file() && file.rfind('Q', 0) == 0 &&
                header.path().extension().empty())
                modules.emplace(file, module);
        }
    }
}

std::string TQtModules::ModuleOf(const std::string& header) const {
    const auto slash = header.find('/');
    if (slash != std::string::npos) { // <QtWidgets/QWidget>
        const auto found = modules.find(header.substr(0, slash));
        return found == modules.end() ? std::string() : found->second;
    }
    const auto found = modules.find(header);
    return found == modules.end() ? std::string() : found->second;
}

TProjectTree::TProjectTree(fs::path root) : root(std::move(root)) {
    for (const char* top : {"src", "tools", "tests", "bench", "fuzz"}) {
        std::error_code error;
        for (auto entry = fs::recursive_directory_iterator(this->root / top, error);
             entry != fs::recursive_directory_iterator(); entry.increment(error))
            if (entry->is_regular_file() && IsSource(entry->path()))
                files.push_back(entry->path().lexically_normal());
    }
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files)
        byName.emplace(file.filename().string(), file);
}

std::optional<fs::path> TProjectTree::Resolve(const fs::path& from, const std::string& name) const {
    std::error_code error;
    if (name.find('/') != std::string::npos) {
        for (const char* top : {"src", "tests"}) {
            const fs::path candidate = (root / top / name).lexically_normal();
            if (fs::is_regular_file(candidate, error))
                return candidate;
        }
        return std::nullopt;
    }
    const fs::path beside = (from.parent_path() / name).lexically_normal();
    if (fs::is_regular_file(beside, error))
        return beside;
    if (byName.count(name) == 1)
        return byName.find(name)->second;
    return std::nullopt;
}

std::string TProjectTree::FolderOf(const fs::path& file) const {
    const std::vector<std::string> parts = Parts(root, file);
    if (parts.empty())
        return {};
    if (parts[0] == "src")
        return parts.size() > 2 ? parts[1] : "app";
    if (parts[0] == "tests")
        return parts.size() > 2 ? "tests/" + parts[1] : "tests";
    return parts[0];
}

std::string TProjectTree::LayerOf(const fs::path& file) const {
    const std::string folder = FolderOf(file);
    return folder.rfind("tests/", 0) == 0 ? folder.substr(6) : folder;
}

std::set<std::string> TProjectTree::SourceFolders() const {
    std::set<std::string> folders;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(root / "src", error))
        if (entry.is_directory())
            folders.insert(entry.path().filename().string());
    return folders;
}

std::string TProjectTree::Shown(const fs::path& file) const {
    return file.lexically_relative(root).string();
}
