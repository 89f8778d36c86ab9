// Holding each target's link line against what its files include.

#include "TargetLinks.h"

#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>

namespace fs = std::filesystem;

namespace {
// System libraries whose headers say which target brings them.
struct TSystemHeaders {
    const char* Prefix;
    const char* Target;
};
constexpr TSystemHeaders kSystemHeaders[] = {{"Version.h", "quellfarn_version"},
                                             {"rtmidi/", "PkgConfig::RTMIDI"},
                                             {"alsa/", "PkgConfig::MIDISYSTEMS"},
                                             {"jack/", "PkgConfig::MIDISYSTEMS"}};

const std::string kQt = "Qt6::";

// The modules a Qt module brings with it: Widgets stands on Gui, Gui on Core.
bool Brings(const std::string& linked, const std::string& used) {
    static const std::map<std::string, std::set<std::string>> kBuiltOn = {
        {"Gui", {"Core"}},
        {"Widgets", {"Gui", "Core"}},
        {"PrintSupport", {"Widgets", "Gui", "Core"}},
        {"Test", {"Core"}}};
    if (linked == used)
        return true;
    const auto found = kBuiltOn.find(linked);
    return found != kBuiltOn.end() ? found->second.count(used) != 0 : used == "Core";
}

// "$<LINK_ONLY:quellfarn_model>" is linked but not passed on to the headers' users.
std::string Unwrapped(const std::string& link) {
    return link.rfind("$<LINK_ONLY:", 0) == 0 ? std::string() : link;
}

bool IsHeader(const fs::path& file) {
    return file.extension() == ".h" || file.extension() == ".hpp";
}

// A place where a target uses something: the include and whether a header of its own (which
// its users compile too) has it.
struct TUse {
    std::string Where;
    bool FromHeader = false;
};

class TLinkCheck {
public:
    TLinkCheck(const TProjectTree& tree, const std::map<std::string, TTarget>& targets,
               const TQtModules& qt)
        : tree(tree), targets(targets), qt(qt) {
        for (const auto& [name, target] : targets) {
            if (!target.IsLibrary())
                continue;
            for (const fs::path& source : target.Sources)
                owner[source] = name;
            folderOwner[target.SourceDirectory.lexically_normal()].push_back(name);
        }
    }

    void Check(const TTarget& target, std::vector<std::string>& violations) {
        std::map<std::string, TUse> uses; // what the target's files use, by target or "Qt6::X"
        std::set<fs::path> seen;
        const std::function<void(const fs::path&)> scan = [&](const fs::path& file) {
            if (!seen.insert(file).second)
                return;
            const bool ownHeader =
                target.IsLibrary() && IsHeader(file) && OwnerOf(file) == target.Name;
            for (const TInclude& include : IncludesOf(file)) {
                const std::string where = tree.Shown(file) + ":" + std::to_string(include.Line);
                std::string used;
                if (include.Quoted) {
                    const std::optional<fs::path> header = tree.Resolve(file, include.Name);
                    if (!header)
                        continue; // the include check names it
                    used = OwnerOf(*header);
                    if (used.empty() || used == target.Name) {
                        scan(*header); // its own, or a header-only helper it compiles
                        continue;
                    }
                } else if (const std::string module = qt.ModuleOf(include.Name); !module.empty()) {
                    used = kQt + module;
                } else {
                    for (const TSystemHeaders& system : kSystemHeaders)
                        if (include.Name.rfind(system.Prefix, 0) == 0)
                            used = system.Target;
                    if (used.empty())
                        continue;
                }
                TUse& use = uses.try_emplace(used, TUse{where, ownHeader}).first->second;
                if (ownHeader && !use.FromHeader)
                    use = {where, true};
            }
        };
        for (const fs::path& source : target.Sources)
            if (source.lexically_relative(tree.Root()).native().rfind("..", 0) != 0 &&
                fs::exists(source))
                scan(source.lexically_normal());

        const std::set<std::string> links(target.Links.begin(), target.Links.end());
        std::set<std::string> passedOn;
        for (const std::string& link : target.PublicLinks)
            passedOn.insert(Unwrapped(link));
        const auto linkedQt = [&](const std::set<std::string>& among, const std::string& module) {
            for (const std::string& link : among)
                if (link.rfind(kQt, 0) == 0 && Brings(link.substr(kQt.size()), module))
                    return true;
            return false;
        };
        const std::string name = target.Name + ": ";
        for (const auto& [used, use] : uses) {
            const bool isQt = used.rfind(kQt, 0) == 0;
            const std::string module = isQt ? used.substr(kQt.size()) : std::string();
            if (isQt ? !linkedQt(links, module) : links.count(used) == 0) {
                violations.push_back(name + "includes " + used + " but does not link it (" +
                                     use.Where + ")");
            } else if (use.FromHeader && target.Type != "EXECUTABLE" &&
                       (isQt ? !linkedQt(passedOn, module) : passedOn.count(used) == 0)) {
                violations.push_back(name + "a header of its own includes " + used +
                                     ": link it PUBLIC (" + use.Where + ")");
            }
        }
        for (const std::string& link : links) {
            if (!Checked(link) || uses.count(link) != 0 || HoldsMain(link))
                continue;
            violations.push_back(name + "links " + link + " but includes nothing of it");
        }
    }

private:
    // The library a header belongs to: the one that lists it, or the one library of its folder.
    std::string OwnerOf(const fs::path& file) const {
        if (const auto found = owner.find(file); found != owner.end())
            return found->second;
        const auto folder = folderOwner.find(file.parent_path());
        if (folder != folderOwner.end() && folder->second.size() == 1)
            return folder->second.front();
        return {};
    }

    // Ours, Qt's and the system libraries above are checked; the test framework, threads and
    // the like are not.
    bool Checked(const std::string& link) const {
        if (link.rfind(kQt, 0) == 0)
            return true;
        for (const TSystemHeaders& system : kSystemHeaders)
            if (link == system.Target)
                return true;
        const auto found = targets.find(link);
        return found != targets.end() && found->second.IsLibrary();
    }

    // A library with the program's main is used by being linked.
    bool HoldsMain(const std::string& link) const {
        const auto found = targets.find(link);
        if (found == targets.end())
            return false;
        static const std::regex main(R"(^\s*int\s+main\s*\()");
        for (const fs::path& source : found->second.Sources) {
            std::ifstream in(source);
            std::string line;
            while (std::getline(in, line))
                if (std::regex_search(line, main))
                    return true;
        }
        return false;
    }

    const TProjectTree& tree;
    const std::map<std::string, TTarget>& targets;
    const TQtModules& qt;
    std::map<fs::path, std::string> owner;
    std::map<fs::path, std::vector<std::string>> folderOwner;
};
} // namespace

std::map<std::string, TTarget> ReadTargets(const fs::path& list,
                                           std::vector<std::string>& problems) {
    std::map<std::string, TTarget> targets;
    std::ifstream in(list);
    if (!in)
        problems.push_back("cannot read the list of targets " + list.string());
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::vector<std::string> fields;
        std::stringstream stream(line);
        std::string field;
        while (std::getline(stream, field, '\t'))
            fields.push_back(field);
        if (fields.size() < 3 || (fields[0] == "target" && fields.size() != 4)) {
            problems.push_back(list.string() + ":" + std::to_string(number) + ": cannot read \"" +
                               line + "\"");
            continue;
        }
        TTarget& target = targets[fields[1]];
        target.Name = fields[1];
        if (fields[0] == "target") {
            target.Type = fields[2];
            target.SourceDirectory = fs::path(fields[3]).lexically_normal();
        } else if (fields[0] == "source") {
            target.Sources.push_back(fs::path(fields[2]).lexically_normal());
        } else if (fields[0] == "link") {
            target.Links.push_back(fields[2]);
        } else if (fields[0] == "public") {
            target.PublicLinks.push_back(fields[2]);
        }
    }
    return targets;
}

std::vector<std::string> CheckLinks(const TProjectTree& tree,
                                    const std::map<std::string, TTarget>& targets,
                                    const TQtModules& qt) {
    std::vector<std::string> violations;
    TLinkCheck check(tree, targets, qt);
    for (const auto& [name, target] : targets)
        if (target.SourceDirectory.lexically_relative(tree.Root()).native().rfind("..", 0) != 0)
            check.Check(target, violations);
    return violations;
}
