// The layers as the build holds them: every include under src, tools, tests, bench and fuzz is
// one the layer table in CONTRIBUTING.md allows, and every target links what its files include
// and nothing more. Both checks also run on a made-up tree, so a check that lets a wrong include
// or link line through is caught too.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;
using testing::IsEmpty;
using testing::UnorderedElementsAre;
using Lines = std::vector<std::string>;

namespace {
std::string Read(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

Lines Split(const std::string& text, char separator) {
    Lines parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.rfind(start, 0) == 0;
}

struct TInclude {
    int Line = 0;
    std::string Name; // as written: "model/Preset.h", "QWidget"
    bool Quoted = false;
};

std::vector<TInclude> IncludesOf(const fs::path& file) {
    static const std::regex include(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<TInclude> includes;
    std::ifstream in(file);
    std::smatch match;
    int line = 0;
    for (std::string text; std::getline(in, text);)
        if (++line; std::regex_search(text, match, include))
            includes.push_back({line, match[2].str(), match[1].str() == "\""});
    return includes;
}

// The project's sources, where a quoted include leads, and the Qt module of each Qt header as the
// installed headers tell it ("QWidget" and "QtWidgets/QWidget" are Widgets).
struct TTree {
    TTree(fs::path root, const fs::path& qtHeaders) : Root(std::move(root)) {
        std::error_code error;
        for (const char* top : {"src", "tools", "tests", "bench", "fuzz"})
            for (auto entry = fs::recursive_directory_iterator(Root / top, error);
                 entry != fs::recursive_directory_iterator(); entry.increment(error))
                if (entry->is_regular_file() &&
                    std::set<std::string>{".h", ".hpp", ".cpp", ".cc"}.count(
                        entry->path().extension().string()) != 0)
                    Files.push_back(entry->path().lexically_normal());
        std::sort(Files.begin(), Files.end());
        for (const fs::path& file : Files)
            byName.emplace(file.filename().string(), file);
        for (const auto& entry : fs::directory_iterator(Root / "src", error))
            if (entry.is_directory())
                SourceFolders.insert(entry.path().filename().string());
        for (const auto& folder : fs::directory_iterator(qtHeaders, error)) {
            const std::string name = folder.path().filename().string();
            if (!folder.is_directory() || !StartsWith(name, "Qt"))
                continue;
            qt[name] = name.substr(2);
            for (const auto& header : fs::directory_iterator(folder.path(), error))
                if (header.is_regular_file() && header.path().extension().empty() &&
                    StartsWith(header.path().filename().string(), "Q"))
                    qt.emplace(header.path().filename().string(), name.substr(2));
        }
    }

    // Empty for a header that is not Qt's.
    std::string QtModuleOf(const std::string& header) const {
        const auto found = qt.find(header.substr(0, header.find('/')));
        return found == qt.end() ? std::string() : found->second;
    }
    // "folder/Name.h" under src/ or tests/; a bare name beside the includer or, failing that,
    // the one file of that name in the tree.
    std::optional<fs::path> Resolve(const fs::path& from, const std::string& name) const {
        std::error_code error;
        if (name.find('/') != std::string::npos) {
            for (const char* top : {"src", "tests"})
                if (fs::is_regular_file(Root / top / name, error))
                    return (Root / top / name).lexically_normal();
            return std::nullopt;
        }
        if (fs::is_regular_file(from.parent_path() / name, error))
            return (from.parent_path() / name).lexically_normal();
        if (byName.count(name) == 1)
            return byName.find(name)->second;
        return std::nullopt;
    }
    // The folder whose row rules a file: "model", "tests/editor", "tools"; src's own is "app".
    std::string FolderOf(const fs::path& file) const {
        Lines parts;
        for (const fs::path& part : file.lexically_relative(Root))
            parts.push_back(part.string());
        if (parts.empty())
            return {};
        if (parts[0] == "src")
            return parts.size() > 2 ? parts[1] : "app";
        if (parts[0] == "tests")
            return parts.size() > 2 ? "tests/" + parts[1] : "tests";
        return parts[0];
    }
    // The layer a file stands in when included: a test helper stands in its test folder's.
    std::string LayerOf(const fs::path& file) const {
        const std::string folder = FolderOf(file);
        return StartsWith(folder, "tests/") ? folder.substr(6) : folder;
    }
    std::string Shown(const fs::path& file) const { return file.lexically_relative(Root).string(); }

    fs::path Root;
    std::vector<fs::path> Files;
    std::set<std::string> SourceFolders;

private:
    std::multimap<std::string, fs::path> byName;
    std::map<std::string, std::string> qt;
};

struct TRule {
    std::set<std::string> MayInclude; // folders besides its own; "everything": all of src/
    std::string Qt;                   // "none", "Core" or "all"
};
using TTable = std::map<std::string, TRule>;

// The table between the marks; rows it cannot read go into problems.
TTable ReadTable(const std::string& text, Lines& problems) {
    const auto names = [](const std::string& cell) {
        static const std::regex name("`([^`]+)`");
        std::set<std::string> found;
        for (auto it = std::sregex_iterator(cell.begin(), cell.end(), name);
             it != std::sregex_iterator(); ++it)
            found.insert((*it)[1].str());
        if (cell.find("everything") != std::string::npos)
            found.insert("everything");
        return found;
    };
    TTable table;
    const auto begin = text.find("<!-- layer table -->");
    const auto end = text.find("<!-- end of layer table -->");
    if (begin == std::string::npos || end == std::string::npos || end < begin) {
        problems.push_back("no layer table between its marks");
        return table;
    }
    for (const std::string& row : Split(text.substr(begin, end - begin), '\n')) {
        if (!StartsWith(row, "|") || row.find("---") != std::string::npos)
            continue;
        const Lines cells = Split(row.substr(1, row.find_last_of('|') - 1), '|');
        const std::set<std::string> folders =
            cells.empty() ? std::set<std::string>{} : names(cells[0]);
        if (folders.empty())
            continue; // the heading
        std::string qt;
        for (const char* use : {"none", "Core", "all"})
            if (qt.empty() && cells.size() == 3 && cells[2].find(use) != std::string::npos)
                qt = use;
        if (qt.empty()) {
            problems.push_back("layer table: cannot read the row \"" + row + "\"");
            continue;
        }
        for (const std::string& folder : folders) {
            if (table.count(folder) != 0)
                problems.push_back("layer table: two rows for " + folder);
            table[folder] = {names(cells[1]), qt};
        }
    }
    if (table.empty())
        problems.push_back("layer table: no rows");
    return table;
}

// A folder's rule, "everything" spelt out. A test folder without a row of its own takes its
// source folder's, with that folder itself and support.
std::optional<TRule> RuleOf(const TTable& table, const std::string& folder,
                            const std::set<std::string>& sourceFolders) {
    std::optional<TRule> rule;
    if (const auto row = table.find(folder); row != table.end()) {
        rule = row->second;
    } else if (StartsWith(folder, "tests/")) {
        if (const auto row = table.find(folder.substr(6)); row != table.end()) {
            rule = row->second;
            rule->MayInclude.insert({folder.substr(6), "support"});
        }
    }
    if (rule && rule->MayInclude.erase("everything") != 0)
        rule->MayInclude.insert(sourceFolders.begin(), sourceFolders.end());
    return rule;
}

// Every include the table does not allow, and every folder it has no row for.
Lines CheckIncludes(const TTree& tree, const TTable& table) {
    Lines wrong;
    for (const std::string& folder : tree.SourceFolders)
        if (!RuleOf(table, folder, tree.SourceFolders))
            wrong.push_back("src/" + folder + ": the layer table has no row for " + folder);
    std::set<std::string> unruled;
    for (const fs::path& file : tree.Files) {
        const std::string folder = tree.FolderOf(file);
        const std::optional<TRule> rule = RuleOf(table, folder, tree.SourceFolders);
        if (!rule) {
            if (unruled.insert(folder).second)
                wrong.push_back(tree.Shown(file) + ": the layer table has no row for " + folder);
            continue;
        }
        for (const TInclude& include : IncludesOf(file)) {
            const std::string where = tree.Shown(file) + ":" + std::to_string(include.Line) + ": ";
            if (!include.Quoted) {
                const std::string module = tree.QtModuleOf(include.Name);
                if (!module.empty() && rule->Qt != "all" &&
                    (rule->Qt == "none" || module != "Core"))
                    wrong.push_back(
                        where + "<" + include.Name + "> is Qt " + module + "; " + folder +
                        (rule->Qt == "none" ? " includes no Qt" : " includes Qt Core only"));
            } else if (const auto target = tree.Resolve(file, include.Name); !target) {
                wrong.push_back(where + "\"" + include.Name + "\" names no file of ours");
            } else if (const std::string layer = tree.LayerOf(*target);
                       layer != tree.LayerOf(file) && rule->MayInclude.count(layer) == 0) {
                wrong.push_back(where + "\"" + include.Name + "\" is " + layer + "; " + folder +
                                " may not include " + layer);
            }
        }
    }
    return wrong;
}

struct TTarget {
    std::string Type; // CMake's: STATIC_LIBRARY, EXECUTABLE, INTERFACE_LIBRARY, ...
    fs::path SourceDirectory;
    std::vector<fs::path> Sources;
    std::set<std::string> Links, PublicLinks;

    bool IsLibrary() const { return Type.find("LIBRARY") != std::string::npos; }
};
using TTargets = std::map<std::string, TTarget>;

// The targets as the build wrote them down at configure time: "target", "source", "link" and
// "public" lines, tab-separated.
TTargets ReadTargets(const fs::path& list, Lines& problems) {
    TTargets targets;
    if (!fs::is_regular_file(list))
        problems.push_back("cannot read the list of targets " + list.string());
    int number = 0;
    for (const std::string& line : Split(Read(list), '\n')) {
        const Lines fields = Split(line, '\t');
        ++number;
        if (fields.size() < 3 || (fields[0] == "target" && fields.size() != 4)) {
            problems.push_back(list.string() + ":" + std::to_string(number) + ": cannot read \"" +
                               line + "\"");
            continue;
        }
        TTarget& target = targets[fields[1]];
        if (fields[0] == "target") {
            target.Type = fields[2];
            target.SourceDirectory = fs::path(fields[3]).lexically_normal();
        } else if (fields[0] == "source") {
            target.Sources.push_back(fs::path(fields[2]).lexically_normal());
        } else if (fields[0] == "link") {
            target.Links.insert(fields[2]);
        } else if (fields[0] == "public" && !StartsWith(fields[2], "$<LINK_ONLY:")) {
            target.PublicLinks.insert(fields[2]); // LINK_ONLY is linked, not passed on
        }
    }
    return targets;
}

// System libraries whose headers say which target brings them.
const std::pair<std::string, std::string> kSystemHeaders[] = {{"Version.h", "quellfarn_version"},
                                                              {"rtmidi/", "PkgConfig::RTMIDI"},
                                                              {"alsa/", "PkgConfig::MIDISYSTEMS"},
                                                              {"jack/", "PkgConfig::MIDISYSTEMS"}};

// Whether one of the links is Qt6::<module> or a module built on it (Widgets on Gui on Core).
bool LinksQt(const std::set<std::string>& links, const std::string& module) {
    static const std::map<std::string, std::set<std::string>> builtOn = {
        {"Gui", {"Core"}},
        {"Widgets", {"Gui", "Core"}},
        {"PrintSupport", {"Widgets", "Gui", "Core"}},
        {"Test", {"Core"}}};
    for (const std::string& link : links) {
        if (!StartsWith(link, "Qt6::"))
            continue;
        const std::string linked = link.substr(5);
        const auto found = builtOn.find(linked);
        if (linked == module ||
            (found != builtOn.end() ? found->second.count(module) != 0 : module == "Core"))
            return true;
    }
    return false;
}

// Every target of the tree that links less or more than its files include. Headers a target
// compiles but no library owns (header-only test helpers) count as the target's own code.
Lines CheckLinks(const TTree& tree, const TTargets& targets) {
    std::map<fs::path, std::string> owner;
    std::map<fs::path, Lines> folderOwner;
    for (const auto& [name, target] : targets)
        if (target.IsLibrary()) {
            for (const fs::path& source : target.Sources)
                owner[source] = name;
            folderOwner[target.SourceDirectory].push_back(name);
        }
    // The library that lists a header, or the one library of its folder.
    const auto ownerOf = [&](const fs::path& file) -> std::string {
        if (const auto found = owner.find(file); found != owner.end())
            return found->second;
        const auto folder = folderOwner.find(file.parent_path());
        return folder != folderOwner.end() && folder->second.size() == 1 ? folder->second[0] : "";
    };
    const auto inTree = [&](const fs::path& path) {
        return !StartsWith(path.lexically_relative(tree.Root).string(), "..");
    };
    // A library with the program's main is used by being linked.
    const auto holdsMain = [&](const std::string& link) {
        static const std::regex main(R"((^|\n)\s*int\s+main\s*\()");
        const auto found = targets.find(link);
        if (found != targets.end())
            for (const fs::path& source : found->second.Sources)
                if (std::regex_search(Read(source), main))
                    return true;
        return false;
    };
    Lines wrong;
    for (const auto& [name, target] : targets) {
        if (!inTree(target.SourceDirectory))
            continue;
        struct TUse {
            std::string Where;
            bool FromHeader = false; // a header of its own, which its users compile too
        };
        std::map<std::string, TUse> uses; // by target or "Qt6::X"
        std::set<fs::path> seen;
        std::function<void(const fs::path&)> scan = [&](const fs::path& file) {
            if (!seen.insert(file).second)
                return;
            const bool ownHeader = target.IsLibrary() &&
                                   (file.extension() == ".h" || file.extension() == ".hpp") &&
                                   ownerOf(file) == name;
            for (const TInclude& include : IncludesOf(file)) {
                std::string used;
                if (include.Quoted) {
                    const std::optional<fs::path> header = tree.Resolve(file, include.Name);
                    if (!header)
                        continue; // the include check names it
                    used = ownerOf(*header);
                    if (used.empty() || used == name) {
                        scan(*header);
                        continue;
                    }
                } else if (const std::string module = tree.QtModuleOf(include.Name);
                           !module.empty()) {
                    used = "Qt6::" + module;
                } else {
                    for (const auto& [prefix, system] : kSystemHeaders)
                        if (StartsWith(include.Name, prefix))
                            used = system;
                    if (used.empty())
                        continue;
                }
                const std::string where = tree.Shown(file) + ":" + std::to_string(include.Line);
                TUse& use = uses.try_emplace(used, TUse{where, ownHeader}).first->second;
                if (ownHeader && !use.FromHeader)
                    use = {where, true};
            }
        };
        for (const fs::path& source : target.Sources)
            if (inTree(source) && fs::exists(source))
                scan(source);

        for (const auto& [used, use] : uses) {
            const bool qt = StartsWith(used, "Qt6::");
            const auto linked = [&](const std::set<std::string>& links) {
                return qt ? LinksQt(links, used.substr(5)) : links.count(used) != 0;
            };
            if (!linked(target.Links))
                wrong.push_back(name + ": includes " + used + " but does not link it (" +
                                use.Where + ")");
            else if (use.FromHeader && target.Type != "EXECUTABLE" && !linked(target.PublicLinks))
                wrong.push_back(name + ": a header of its own includes " + used +
                                ": link it PUBLIC (" + use.Where + ")");
        }
        // Ours, Qt's and the system libraries above are checked; the test framework, threads and
        // the like are not.
        for (const std::string& link : target.Links) {
            const auto library = targets.find(link);
            const bool checked =
                StartsWith(link, "Qt6::") ||
                std::any_of(std::begin(kSystemHeaders), std::end(kSystemHeaders),
                            [&](const auto& system) { return system.second == link; }) ||
                (library != targets.end() && library->second.IsLibrary());
            if (checked && uses.count(link) == 0 && !holdsMain(link))
                wrong.push_back(name + ": links " + link + " but includes nothing of it");
        }
    }
    return wrong;
}
} // namespace

TEST(Layers, EveryIncludeIsOneTheTableAllows) {
    const TTree tree(QUELLFARN_SOURCE_DIR, QUELLFARN_QT_HEADERS);
    ASSERT_GT(tree.Files.size(), 100u);
    Lines problems;
    const TTable table =
        ReadTable(Read(fs::path(QUELLFARN_SOURCE_DIR) / "CONTRIBUTING.md"), problems);
    ASSERT_THAT(problems, IsEmpty());
    EXPECT_THAT(CheckIncludes(tree, table), IsEmpty());
}

TEST(Layers, EveryTargetLinksWhatItIncludesAndNothingMore) {
    Lines problems;
    const TTargets targets = ReadTargets(QUELLFARN_TARGET_LIST, problems);
    ASSERT_THAT(problems, IsEmpty());
    ASSERT_TRUE(targets.count("quellfarn_model") && targets.count("quellfarn-tool"));
    EXPECT_THAT(CheckLinks(TTree(QUELLFARN_SOURCE_DIR, QUELLFARN_QT_HEADERS), targets), IsEmpty());
}

// A made-up project in a folder of its own, with a few Qt headers where the module lookup finds
// them: every kind of wrong include and link line is named, all at once.
TEST(Layers, AMadeUpTreeHasEveryWrongIncludeAndLinkLineNamed) {
    const fs::path root =
        fs::temp_directory_path() / ("quellfarn-layers-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const auto write = [&](const std::string& name, const std::string& text) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name) << text;
    };
    for (const char* header : {"QtCore/QString", "QtGui/QFont", "QtWidgets/QWidget"})
        write(std::string("qt/") + header, "");
    write("src/model/Preset.h", "#pragma once\n#include <vector>\n#include <QString>\n");
    write("src/model/Preset.cpp", "#include \"model/Preset.h\"\n");
    write("src/midi/Port.h", "#pragma once\n#include <QString>\n#include \"model/Preset.h\"\n"
                             "#include <QtWidgets/QWidget>\n");
    write("src/midi/Port.cpp", "#include \"midi/Port.h\"\n#include <rtmidi/RtMidi.h>\n");
    write("src/midi/Queue.h", "#pragma once\n"); // listed by no target: still midi's
    write("src/editor/Editor.cpp", "#include \"midi/Queue.h\"\n#include <QWidget>\n"
                                   "#include <QFont>\n  #  include \"model/Preset.h\"\n");
    write("src/app/Main.h", "#include \"midi/Port.h\"\n");
    write("src/sound/Sound.h", "");
    write("tests/support/Rig.h", "#include \"midi/Port.h\"\n#include \"Missing.h\"\n");
    write("tests/support/Main.cpp", "int main() {}\n");
    write("tests/editor/EditorTest.cpp", "#include \"support/Rig.h\"\n#include <QString>\n"
                                         "#include \"Helper.h\"\n#include \"app/Main.h\"\n");
    write("tests/editor/Helper.h", "#include \"model/Preset.h\"\n");
    write("tests/model/PresetTest.cpp", "#include \"support/Rig.h\"\n#include <QString>\n");

    Lines problems;
    const TTable table = ReadTable(R"(<!-- layer table -->
| Folder | May include | Qt |
|---|---|---|
| `model` | — | none |
| `midi` | `model` | Core |
| `editor` | `model` | all |
| `app` | everything | all |
| `tests/app`, `tests/support` | everything, `support` | all |
<!-- end of layer table -->)",
                                   problems);
    ASSERT_THAT(problems, IsEmpty());
    const TTree tree(root, root / "qt");
    EXPECT_THAT(
        CheckIncludes(tree, table),
        UnorderedElementsAre(
            "src/sound: the layer table has no row for sound",
            "src/sound/Sound.h: the layer table has no row for sound",
            "src/model/Preset.h:3: <QString> is Qt Core; model includes no Qt",
            "src/midi/Port.h:4: <QtWidgets/QWidget> is Qt Widgets; midi includes Qt Core only",
            "src/editor/Editor.cpp:1: \"midi/Queue.h\" is midi; editor may not include midi",
            "tests/support/Rig.h:2: \"Missing.h\" names no file of ours",
            "tests/editor/EditorTest.cpp:4: \"app/Main.h\" is app; tests/editor may not include "
            "app",
            "tests/model/PresetTest.cpp:2: <QString> is Qt Core; tests/model includes no Qt"));

    // The list as the build writes it, fields apart by tabs; $S is the tree's src, $T its tests.
    std::string list = R"(target quellfarn_model STATIC_LIBRARY $S/model
source quellfarn_model $S/model/Preset.h
source quellfarn_model $S/model/Preset.cpp
link quellfarn_model PkgConfig::RTMIDI
target quellfarn_midi STATIC_LIBRARY $S/midi
source quellfarn_midi $S/midi/Port.h
source quellfarn_midi $S/midi/Port.cpp
link quellfarn_midi Qt6::Widgets
link quellfarn_midi quellfarn_model
link quellfarn_midi PkgConfig::RTMIDI
public quellfarn_midi Qt6::Widgets
public quellfarn_midi $<LINK_ONLY:quellfarn_model>
public quellfarn_midi $<LINK_ONLY:PkgConfig::RTMIDI>
target quellfarn_editor STATIC_LIBRARY $S/editor
source quellfarn_editor $S/editor/Editor.cpp
link quellfarn_editor quellfarn_midi
link quellfarn_editor Qt6::Widgets
link quellfarn_editor Threads::Threads
target test_main STATIC_LIBRARY $T
source test_main $T/support/Main.cpp
target editor_tests EXECUTABLE $T/editor
source editor_tests $T/editor/EditorTest.cpp
link editor_tests test_main
link editor_tests Qt6::Widgets
link editor_tests quellfarn_model
link editor_tests quellfarn_editor
)";
    std::replace(list.begin(), list.end(), ' ', '\t');
    for (const auto& [mark, top] : {std::pair{"$S", "src"}, std::pair{"$T", "tests"}})
        for (auto at = list.find(mark); at != std::string::npos; at = list.find(mark))
            list.replace(at, 2, (root / top).string());
    write("targets.txt", list);
    const TTargets targets = ReadTargets(root / "targets.txt", problems);
    ASSERT_THAT(problems, IsEmpty());
    // A helper header is the test's own code: what it includes, the test links. Widgets would
    // bring the Core the test uses, but it is not Widgets it uses.
    EXPECT_THAT(
        CheckLinks(tree, targets),
        UnorderedElementsAre(
            "quellfarn_model: includes Qt6::Core but does not link it (src/model/Preset.h:3)",
            "quellfarn_model: links PkgConfig::RTMIDI but includes nothing of it",
            "quellfarn_midi: a header of its own includes quellfarn_model: link it PUBLIC "
            "(src/midi/Port.h:3)",
            "quellfarn_editor: includes quellfarn_model but does not link it "
            "(src/editor/Editor.cpp:4)",
            "editor_tests: includes quellfarn_midi but does not link it (tests/support/Rig.h:1)",
            "editor_tests: links Qt6::Widgets but includes nothing of it",
            "editor_tests: links quellfarn_editor but includes nothing of it"));

    ReadTable("<!-- layer table -->\n| `model` | — | plenty |\n| `midi` | | Core |\n"
              "| `midi` | `model` | Core |\n<!-- end of layer table -->",
              problems);
    ReadTable("| `model` | — | none |", problems);
    EXPECT_THAT(
        problems,
        testing::ElementsAre("layer table: cannot read the row \"| `model` | — | plenty |\"",
                             "layer table: two rows for midi", "no layer table between its marks"));
    fs::remove_all(root);
}
