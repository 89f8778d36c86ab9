// list: the presets a backup left in a folder, read from their files.

#include "ListCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/Protocol.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

TListCommand::TListCommand()
    : TCommand(
          {.Name = QStringLiteral("list"),
           .Synopsis = QStringLiteral("list DIR"),
           .Description = QStringLiteral("the presets of a backup folder, by bank and number")},
          {}) {}

int TListCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList folders = parser.positionalArguments();
    if (folders.size() != 1)
        throw UsageError{"list needs one DIR"};
    const fs::path folder = Bytes(folders[0]);
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw FileError{"Invalid folder: " + folder.string()};
    static const std::regex backupName(R"(.*\.tmq([0-9]{3})$)");
    // Bank folders as the backup writes them; presets straight in the folder are a single-bank
    // unit's.
    std::vector<std::pair<std::string, fs::path>> places{{"-", folder}};
    for (int bank = 0; bank < 4; ++bank)
        places.emplace_back(std::string(1, BankLetters[bank]),
                            folder / (std::string("Bank ") + BankLetters[bank]));
    int listed = 0;
    for (const auto& [bank, place] : places) {
        if (!fs::is_directory(place, error))
            continue;
        std::map<int, std::vector<std::string>> byNumber;
        for (const auto& entry : fs::directory_iterator(place, error)) {
            std::smatch match;
            const std::string name = entry.path().filename().string();
            if (!entry.is_regular_file() || !std::regex_match(name, match, backupName))
                continue;
            std::string title;
            try {
                title = LoadPreset(entry.path().string()).Title;
            } catch (const FileError& failure) {
                title = "(" + failure.Text + ": " + name + ")";
            }
            byNumber[std::stoi(match[1])].push_back(title);
        }
        for (const auto& [number, titles] : byNumber)
            for (const std::string& title : titles) {
                std::printf("%s  %3d  %s\n", bank.c_str(), number, title.c_str());
                ++listed;
            }
    }
    if (listed == 0)
        std::cout << "No presets found in " << folder.string() << "\n";
    return 0;
}
