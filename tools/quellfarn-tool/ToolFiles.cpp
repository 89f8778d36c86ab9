// Reading and writing the files of the file commands.

#include "ToolFiles.h"

#include "ToolErrors.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

TBytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw FileError{"Cannot open " + path};
    return TBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const TBytes& bytes) {
    const std::string temporary = path + ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file)
            throw FileError{"Cannot write " + path};
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        if (!file.flush())
            throw FileError{"Cannot write " + path};
    }
    std::error_code error;
    fs::rename(temporary, path, error);
    if (error) {
        fs::remove(temporary, error);
        throw FileError{"Cannot write " + path};
    }
}

TPreset LoadPreset(const std::string& path) {
    const TBytes bytes = ReadFile(path);
    if (bytes.size() != static_cast<std::size_t>(PresetDumpLength))
        throw FileError{"Not a valid preset file"};
    TPreset preset;
    try {
        preset.Decode(bytes);
    } catch (const EPresetError& error) {
        throw FileError{error.what()};
    }
    return preset;
}
