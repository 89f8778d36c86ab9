#pragma once
// quellfarn-tool run as a user runs it from a shell, with what it prints on standard output and
// on standard error kept apart; the preset files of a folder, by name; a preset file's bytes;
// and a scratch folder.

#include "model/EffectCatalogue.h"
#include "model/Preset.h"
#include "model/Protocol.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

struct ToolResult {
    int Status = -1;
    std::string Output; // standard output
    std::string Errors; // standard error
};

// environment: assignments put before the command, as in "QUELLFARN_CLOCK_SPEED=20".
inline ToolResult RunTool(const std::string& arguments, const std::string& environment = {}) {
    // Runs may go on at once from several threads: each has a file of its own.
    static std::atomic<int> runs{0};
    const std::filesystem::path output =
        std::filesystem::temp_directory_path() /
        ("quellfarn-tool-out-" + std::to_string(::getpid()) + "-" + std::to_string(++runs));
    const std::string command = environment + " " + std::string(QUELLFARN_TOOL) + " " + arguments +
                                " 2>&1 >'" + output.string() + "' </dev/null";
    ToolResult result;
    FILE* pipe = popen(command.c_str(), "r");
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        result.Errors.append(buffer.data(), n);
    const int status = pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream file(output, std::ios::binary);
    result.Output.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    std::filesystem::remove(output);
    return result;
}

// A new preset's dump with this title, as the editor makes it; with a device byte of its own
// when one is given.
inline TBytes PresetBytes(const std::string& title, int device = -1) {
    TPreset preset;
    preset.Title = title;
    DetermineDigitalGroup(preset, {});
    TBytes bytes = preset.Encode();
    if (device >= 0)
        bytes[2] = static_cast<std::uint8_t>(device);
    return bytes;
}

inline std::string Quoted(const std::filesystem::path& path) {
    return "'" + path.string() + "'";
}

// Every regular file straight in the folder, by name, with its bytes.
inline std::map<std::string, TBytes> FilesIn(const std::filesystem::path& folder) {
    std::map<std::string, TBytes> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file())
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        files[entry.path().filename().string()] =
            TBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return files;
}

// A scratch folder of the test's own, empty when it starts and gone when it ends.
class ToolFolderTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("quellfarn-tool-test-" + std::to_string(::getpid()));
};
