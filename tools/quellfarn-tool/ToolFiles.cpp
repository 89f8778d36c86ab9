// Reading and writing the files of the file commands.

#include "ToolFiles.h"

#include "ToolErrors.h"
#include "store/WholeFile.h"

#include <QFile>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
std::string TooLarge(const std::string& path, std::uintmax_t size, std::int64_t largest) {
    return path + " is too large (" + std::to_string(size) + " bytes; at most " +
           std::to_string(largest) + ")";
}

// The same checks as the program's reader, for a name Qt cannot hold: bytes that are no text in
// the locale's encoding (Latin-1 under UTF-8) would not come back from a QString.
TBytes ReadByBytes(const std::string& path, std::int64_t largest) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error); // what a link names
    if (!fs::exists(status))
        throw FileError{fs::is_symlink(fs::symlink_status(path, error))
                            ? path + " is a link to nothing"
                            : "Cannot open " + path + ": no such file"};
    if (!fs::is_regular_file(status))
        throw FileError{path + " is not a plain file"};
    const std::uintmax_t size = fs::file_size(path, error);
    if (error)
        throw FileError{"Cannot open " + path + ": " + error.message()};
    if (size > static_cast<std::uintmax_t>(largest))
        throw FileError{TooLarge(path, size, largest)};
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw FileError{"Cannot open " + path};
    // One byte more than it had tells that it grew meanwhile.
    TBytes bytes(static_cast<std::size_t>(size) + 1);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (file.bad())
        throw FileError{"Cannot read " + path};
    if (file.gcount() > static_cast<std::streamsize>(size))
        throw FileError{path + " changed while it was read"};
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return bytes;
}
} // namespace

TBytes ReadFile(const std::string& path, std::int64_t largest) {
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    if (QFile::encodeName(name).toStdString() != path)
        return ReadByBytes(path, largest);
    const TFileRead read = ReadWholeFile(name, largest);
    if (read.Missing)
        throw FileError{"Cannot open " + path + ": no such file"};
    if (!read.Ok())
        throw FileError{QFile::encodeName(read.Error).toStdString()};
    return TBytes(read.Bytes.begin(), read.Bytes.end());
}

QString WritablePath(const std::string& path) {
    const QString text = QFile::decodeName(QByteArray::fromStdString(path));
    if (QFile::encodeName(text).toStdString() != path)
        throw FileError{"Cannot write " + path + ": the name is not text in the locale's encoding"};
    return text;
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
    // More than a preset, so that a file of another length is told it is not one.
    const TBytes bytes = ReadFile(path, 64 * kLargestPresetFile);
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

Tmpt LoadTable(const std::string& path) {
    // More than a table, so that a file of another length is told it is not one.
    const TBytes bytes = ReadFile(path, 64 * kLargestTableFile);
    if (!IsMptDump(bytes))
        throw FileError{"Not a valid MPT file: " + path + " (" + std::to_string(MptDumpLength) +
                        " bytes of a program table expected)"};
    Tmpt table;
    table.Decode(bytes);
    return table;
}
