#pragma once
// The build's targets as CMake configured them, and the check that each one links what its files
// include, and nothing more: our libraries, the Qt modules and the few system libraries whose
// headers name them.

#include "IncludeScan.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct TTarget {
    std::string Name;
    std::string Type; // CMake's: STATIC_LIBRARY, EXECUTABLE, INTERFACE_LIBRARY, ...
    std::filesystem::path SourceDirectory;
    std::vector<std::filesystem::path> Sources;
    std::vector<std::string> Links;       // linked directly
    std::vector<std::string> PublicLinks; // passed on to those that link this one

    bool IsLibrary() const { return Type.find("LIBRARY") != std::string::npos; }
};

// The targets the build wrote down at configure time ("target", "source", "link" and "public"
// lines, tab-separated); lines it cannot read go into problems.
std::map<std::string, TTarget> ReadTargets(const std::filesystem::path& list,
                                           std::vector<std::string>& problems);

// Every target of the tree that links less or more than its files include, as
// "target: what is wrong (file:line)".
std::vector<std::string> CheckLinks(const TProjectTree& tree,
                                    const std::map<std::string, TTarget>& targets,
                                    const TQtModules& qt);
