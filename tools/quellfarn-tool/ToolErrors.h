#pragma once
// How a quellfarn-tool command says it cannot go on: a usage error exits with 2 and shows the
// usage, a bad file exits with 1.

#include <string>

struct UsageError {
    std::string Text;
};
struct FileError {
    std::string Text;
};
