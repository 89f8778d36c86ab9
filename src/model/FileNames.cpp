// Backup file names.

#include "model/FileNames.h"

#include "model/Protocol.h"

#include <cstdio>
#include <utility>

// Text, what to find, what to put: every replace's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::string ReplaceAll(const std::string& text, const std::string& search,
                       const std::string& replacement) {
    if (search.empty())
        return text;
    std::string result = text;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = result.find(search, from);
        if (at == std::string::npos)
            return result;
        result.replace(at, search.size(), replacement);
        from = at + replacement.size();
    }
}

std::string SanitizeFileName(const std::string& text) {
    static const std::pair<const char*, const char*> kPairs[] = {
        {"\\", "-"}, {"/", "-"}, {":", " "}, {"*", " "}, {"\"", "'"},
        {"<", " "},  {">", " "}, {"|", " "}, {"?", " "},
    };
    std::string result = text;
    for (const auto& [search, replacement] : kPairs)
        result = ReplaceAll(result, search, replacement);
    return result;
}

std::string BackupFileName(const std::string& title, int presetNumber) {
    char number[8];
    std::snprintf(number, sizeof number, "%03d", presetNumber);
    return SanitizeFileName(title + ".tmq" + number);
}

std::optional<int> BackupPresetNumber(const std::string& fileName) {
    const std::size_t at = fileName.rfind(".tmq");
    if (at == std::string::npos || fileName.size() != at + 7)
        return std::nullopt;
    int number = 0;
    for (std::size_t i = at + 4; i < fileName.size(); ++i) {
        if (fileName[i] < '0' || fileName[i] > '9')
            return std::nullopt;
        number = number * 10 + (fileName[i] - '0');
    }
    return number;
}

std::string BankFolderName(int bank) {
    return std::string("Bank ") + (bank >= 0 && bank < 4 ? BankLetters[bank] : '?');
}
