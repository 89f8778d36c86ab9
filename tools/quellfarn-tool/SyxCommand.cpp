// syx split and syx join: .syx files to preset and table files and back.

#include "SyxCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/SyxFile.h"
#include "store/BackupFolder.h"
#include "store/WholeFile.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
struct TNoun {
    const char* One;
    const char* Many;
};

std::string Counted(int n, const TNoun& noun) {
    return std::to_string(n) + " " + (n == 1 ? noun.One : noun.Many);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Name order with runs of digits compared by value, as file managers show them: a split of more
// than 999 messages names its files "999 ..." and "1000 ...", and a join takes them back in the
// order they came.
// (a, b): the order of every comparison.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool NameBefore(const std::string& a, const std::string& b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (!IsDigit(a[i]) || !IsDigit(b[j])) {
            if (a[i] != b[j])
                return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
            ++i;
            ++j;
            continue;
        }
        std::size_t aEnd = i;
        while (aEnd < a.size() && IsDigit(a[aEnd]))
            ++aEnd;
        std::size_t bEnd = j;
        while (bEnd < b.size() && IsDigit(b[bEnd]))
            ++bEnd;
        while (i + 1 < aEnd && a[i] == '0')
            ++i;
        while (j + 1 < bEnd && b[j] == '0')
            ++j;
        if (aEnd - i != bEnd - j)
            return aEnd - i < bEnd - j;
        if (const int order = a.compare(i, aEnd - i, b, j, bEnd - j); order != 0)
            return order < 0;
        i = aEnd;
        j = bEnd;
    }
    if (i == a.size() && j == b.size())
        return a < b; // equal by value: "01" and "1"
    return i == a.size();
}

// The files a join takes: "*.tmq*" as the editor's open dialog has it, and "*.mpt".
bool JoinsFile(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return lower.find(".tmq") != std::string::npos ||
           (lower.size() >= 4 && lower.compare(lower.size() - 4, 4, ".mpt") == 0);
}

// The one preset or table a file holds; empty and why when it holds anything else.
TBytes DumpOfFile(const fs::path& path, const TDeviceMode& mode, std::string& why) {
    std::error_code error;
    const std::uintmax_t size = fs::file_size(path, error);
    if (error) {
        why = "cannot be read";
        return {};
    }
    if (size != PresetDumpLength && size != static_cast<std::uintmax_t>(mode.MptDumpLength)) {
        why = std::to_string(size) + " bytes, not a preset dump (" +
              std::to_string(PresetDumpLength) + ") or a program table (" +
              std::to_string(mode.MptDumpLength) + ")";
        return {};
    }
    const std::vector<TSyxItem> items =
        SplitSyx(ReadFile(path.string(), static_cast<std::int64_t>(size)), mode);
    if (items.size() == 1 && items.front().Kind != TSyxKind::Skipped)
        return items.front().Bytes;
    const auto skipped = std::find_if(items.begin(), items.end(), [](const TSyxItem& item) {
        return item.Kind == TSyxKind::Skipped;
    });
    why = skipped != items.end() ? skipped->Why : "more than one message";
    return {};
}
} // namespace

TSyxSplitCommand::TSyxSplitCommand()
    : TCommand({.Name = QStringLiteral("syx split"),
                .Synopsis = QStringLiteral("syx split FILE DIR"),
                .Description = QStringLiteral(
                    "the presets and program tables of a .syx file, each into\n"
                    "a file of its own in DIR (made if missing): \"001 Title.tmq\",\n"
                    "\"002 Program table.mpt\". Other and damaged messages are named\n"
                    "and skipped; they do not fail the split. No file is overwritten:\n"
                    "when a name in DIR is taken nothing is written. Exit 1 when the\n"
                    "file holds no preset or table")},
               {&ToolOptions::PrePlenova}) {}

int TSyxSplitCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList words = parser.positionalArguments();
    if (words.size() != 2)
        throw UsageError{"syx split needs FILE.syx and DIR"};
    const TDeviceMode mode = TDeviceMode::For(parser.isSet(ToolOptions::PrePlenova.Option));
    const fs::path folder = Bytes(words[1]);
    const std::vector<TSyxItem> items = SplitSyx(ReadFile(Bytes(words[0]), kLargestSyxFile), mode);

    struct TTarget {
        fs::path Path;
        const TSyxItem* Item;
    };
    std::vector<TTarget> targets;
    int presets = 0;
    int tables = 0;
    int skipped = 0;
    for (const TSyxItem& item : items) {
        if (item.Kind == TSyxKind::Skipped) {
            std::cout << DescribeSkipped(item) << "\n";
            ++skipped;
            continue;
        }
        (item.Kind == TSyxKind::Preset ? presets : tables) += 1;
        const int n = static_cast<int>(targets.size()) + 1;
        targets.push_back({folder / SyxItemFileName(item, n), &item});
    }
    const std::string summary = Counted(presets, {"preset", "presets"}) + ", " +
                                Counted(tables, {"program table", "program tables"}) + ", " +
                                std::to_string(skipped) + " skipped";
    if (targets.empty()) {
        std::cout << summary << "\n";
        throw FileError{"No preset or program table in " + Bytes(words[0])};
    }

    std::vector<QString> paths;
    int taken = 0;
    for (const TTarget& target : targets) {
        paths.push_back(WritablePath(target.Path.string()));
        std::error_code error;
        if (fs::symlink_status(target.Path, error).type() != fs::file_type::not_found) {
            std::cerr << target.Path.string() << " already exists\n";
            ++taken;
        }
    }
    if (taken > 0)
        throw FileError{"Nothing written: " + Counted(taken, {"name is", "names are"}) +
                        " taken in " + folder.string()};

    std::error_code error;
    const bool made = fs::create_directories(folder, error);
    if (error)
        throw FileError{"Cannot create the folder " + folder.string() + ": " + error.message()};
    // A split that stops half way takes back what it wrote, so that it can simply be run again.
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const QString failure = WriteWholeFile(paths[i], targets[i].Item->Bytes);
        if (failure.isEmpty())
            continue;
        for (std::size_t written = 0; written < i; ++written)
            fs::remove(targets[written].Path, error);
        if (made)
            fs::remove(folder, error);
        throw FileError{"Cannot write " + targets[i].Path.string() + ": " +
                        failure.toLocal8Bit().toStdString() + "; nothing written"};
    }
    std::cout << summary << "\n";
    return 0;
}

TSyxJoinCommand::TSyxJoinCommand()
    : TCommand({.Name = QStringLiteral("syx join"),
                .Synopsis = QStringLiteral("syx join DIR FILE"),
                .Description = QStringLiteral(
                    "the preset (.tmq*) and program table (.mpt) files of DIR in name\n"
                    "order (numbers by value) as one .syx file; other files are named\n"
                    "and left out, and do not fail the join. Exit 1 when none")},
               {&ToolOptions::PrePlenova}) {}

int TSyxJoinCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList words = parser.positionalArguments();
    if (words.size() != 2)
        throw UsageError{"syx join needs DIR and FILE.syx"};
    const TDeviceMode mode = TDeviceMode::For(parser.isSet(ToolOptions::PrePlenova.Option));
    const fs::path folder = Bytes(words[0]);
    const fs::path target = Bytes(words[1]);
    std::error_code error;
    if (!fs::is_directory(folder, error))
        throw FileError{"Invalid folder: " + folder.string()};
    const QString targetPath = WritablePath(target.string());

    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error))
        if (const std::string name = entry.path().filename().string();
            entry.is_regular_file(error) && JoinsFile(name))
            names.push_back(name);
    std::sort(names.begin(), names.end(), NameBefore);

    std::vector<TBytes> messages;
    int presets = 0;
    int tables = 0;
    for (const std::string& name : names) {
        std::string why;
        TBytes dump = DumpOfFile(folder / name, mode, why);
        if (dump.empty()) {
            std::cout << "Skipped " << (folder / name).string() << ": " << why << "\n";
            continue;
        }
        (IsPresetDump(dump) ? presets : tables) += 1;
        messages.push_back(std::move(dump));
    }
    if (messages.empty())
        throw FileError{"No preset or program table in " + folder.string()};
    if (const QString failure = WriteWholeFile(targetPath, JoinSyx(messages)); !failure.isEmpty())
        throw FileError{"Cannot write " + target.string() + ": " +
                        failure.toLocal8Bit().toStdString()};
    std::cout << "Joined " << Counted(presets, {"preset", "presets"}) << " and "
              << Counted(tables, {"program table", "program tables"}) << " into " << target.string()
              << "\n";
    return 0;
}
