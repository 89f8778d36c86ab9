// quellfarn-tool: a command-line librarian for people who keep presets as files, the backup of a
// unit into such files and their restore into the unit.
//
//   quellfarn-tool preset show FILE [--json]
//   quellfarn-tool preset new -o FILE [--device-id N]
//   quellfarn-tool mpt show FILE [--pre-plenova]
//   quellfarn-tool mpt new -o FILE [--device-id N] [--pre-plenova]
//   quellfarn-tool list DIR
//   quellfarn-tool backup DIR [--in NAME] [--out NAME] [--banks ACD] [--first N] [--last N]
//                  [--untitled NAME] [--delay MS] [--retries N] [--timeout MS]
//                  [--print-list FILE.pdf] [--pre-plenova]
//   quellfarn-tool restore DIR [--in NAME] [--out NAME] [--banks ACD] [--first N] [--last N]
//                  [--delay MS] [--timeout MS] [--pre-plenova] [--dry-run] [--yes]
//   quellfarn-tool devices
//
// A bad file prints its message and exits with 1; a usage error exits with 2. A backup exits
// with 0 when every chosen preset arrived and with 1 when it stopped (a silent unit, a file it
// could not write, a port it could not open, Ctrl+C). A restore exits with 0 only when every
// file it found was written and read back unchanged: a file it had to skip, a slot that does
// not hold what was sent, a silent unit, a port it could not open, a question not answered yes
// and Ctrl+C give 1.

#include "Backup.h"
#include "ToolErrors.h"
#include "model/EffectCatalogue.h"
#include "model/Mpt.h"
#include "model/ParameterTable.h"
#include "model/Preset.h"

#include <Version.h>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
// What --help adds to the usage: each command and option in a sentence.
constexpr const char* kDetails =
    "\n"
    "Commands:\n"
    "  preset show FILE   the preset in a .tmq file: title, chain and every parameter\n"
    "                     (--json: the same as JSON)\n"
    "  preset new         a preset file with the unit's defaults\n"
    "  mpt show FILE      a program table (.mpt): program change to preset\n"
    "  mpt new            a program table that maps each program change to its preset\n"
    "  list DIR           the presets of a backup folder, by bank and number\n"
    "  backup DIR         every preset of the chosen banks from the unit into DIR, one file\n"
    "                     per preset (\"Slap Funk.tmq042\"), one folder per bank\n"
    "  restore DIR        a backup folder back into the unit, each slot read back\n"
    "  devices            the MIDI ports this machine offers\n"
    "\n"
    "Options:\n"
    "  --in NAME, --out NAME  the unit's MIDI ports (default: the built-in simulated unit\n"
    "                     \"Quellfarn Plenova (simulated)\"; see devices)\n"
    "  --banks ACD        the banks to walk (default ABCD)\n"
    "  --first N, --last N  the presets 1..200 to walk (backup: --first for the first bank)\n"
    "  --untitled NAME    save untitled presets under this name (default: skip them)\n"
    "  --delay MS         pause between choosing a preset and asking for it (default 1000)\n"
    "  --retries N        time-outs of one preset before the backup gives up (default 3)\n"
    "  --timeout MS       how long an answer may take (default 10000)\n"
    "  --print-list FILE.pdf  also print the list of presets into that PDF\n"
    "  --pre-plenova      the older single-bank unit\n"
    "  --dry-run          restore: show what would be written, send nothing\n"
    "  --yes              restore: do not ask\n"
    "  --device-id N      the device byte of a new preset or table (0..15)\n"
    "  -o FILE            where a new file goes\n"
    "  --version, --help  print the version or this text\n"
    "\n"
    "Exit status: 0 done, 1 a file, port or unit failed (with a message), 2 a usage error.\n";

constexpr const char* kUsage =
    "usage: quellfarn-tool preset show FILE [--json]\n"
    "       quellfarn-tool preset new -o FILE [--device-id N]\n"
    "       quellfarn-tool mpt show FILE [--pre-plenova]\n"
    "       quellfarn-tool mpt new -o FILE [--device-id N] [--pre-plenova]\n"
    "       quellfarn-tool list DIR\n"
    "       quellfarn-tool backup DIR [--in NAME] [--out NAME] [--banks ACD] [--first N]\n"
    "                      [--last N] [--untitled NAME] [--delay MS] [--retries N]\n"
    "                      [--timeout MS] [--print-list FILE.pdf] [--pre-plenova]\n"
    "       quellfarn-tool restore DIR [--in NAME] [--out NAME] [--banks ACD] [--first N]\n"
    "                      [--last N] [--delay MS] [--timeout MS] [--pre-plenova]\n"
    "                      [--dry-run] [--yes]\n"
    "       quellfarn-tool devices\n"
    "\n"
    "restore writes the DIR/Bank A..D files a backup made (DIR's own with --pre-plenova) into\n"
    "their slots, --first..--last of each chosen bank, and reads each one back. It asks first;\n"
    "without a terminal only --yes goes ahead. --dry-run shows the plan and sends nothing.\n"
    "It exits with 0 when every file was written and verified, and with 1 when any was not:\n"
    "a damaged file skipped, a slot that reads back different, a silent unit, no answer yes.\n";

// The device ID is the MIDI channel the program transmits on.
constexpr int kMaxDeviceId = 15;

// Digits only, 0..max; anything else, however long, is nothing.
std::optional<int> SmallNumber(const std::string& text, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '-' || error != std::errc() ||
        end != text.data() + text.size() || value > max)
        return std::nullopt;
    return value;
}

// The command line after the command words: one positional argument and options.
struct Arguments {
    std::vector<std::string> Positional;
    std::optional<std::string> Output;
    std::optional<int> DeviceIdOption;
    bool Json = false;
    bool PrePlenova = false;
};

Arguments Parse(const std::vector<std::string>& words, std::initializer_list<std::string> allowed) {
    Arguments arguments;
    const auto permitted = [&](const std::string& option) {
        return std::find(allowed.begin(), allowed.end(), option) != allowed.end();
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.rfind('-', 0) == 0 && word.size() > 1) {
            if (!permitted(word))
                throw UsageError{"unknown option " + word};
            if (word == "--json") {
                arguments.Json = true;
            } else if (word == "--pre-plenova") {
                arguments.PrePlenova = true;
            } else if (i + 1 >= words.size()) {
                throw UsageError{word + " needs a value"};
            } else if (word == "-o") {
                arguments.Output = words[++i];
            } else if (word == "--device-id") {
                const std::optional<int> id = SmallNumber(words[++i], kMaxDeviceId);
                if (!id)
                    throw UsageError{"--device-id takes a number from 0 to " +
                                     std::to_string(kMaxDeviceId)};
                arguments.DeviceIdOption = *id;
            }
        } else {
            arguments.Positional.push_back(word);
        }
    }
    return arguments;
}

TBytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw FileError{"Cannot open " + path};
    return TBytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Written completely or not at all.
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

std::string Json(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted += escape;
        } else if (c >= 0x80) {
            char escape[8]; // preset bytes are not UTF-8: keep them readable as Latin-1
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted += escape;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

struct ShownParameter {
    std::string Name;
    int Value;
    std::string Text;
};
struct ShownEffect {
    std::string Name;
    std::vector<ShownParameter> Parameters;
};

// Everything "preset show" prints, gathered once for both formats.
struct PresetReport {
    std::string Title;
    int Device = 0;
    int Group = 0;
    bool GroupValid = true;
    std::vector<std::string> GroupEffects;
    std::vector<std::string> AnalogChain;
    std::vector<std::string> DigitalChain;
    std::vector<ShownParameter> Mix;
    std::vector<ShownEffect> Effects;
    struct Assignment {
        int Number;
        int Controller;
        std::string ControllerName;
        int Parameter;
        std::string Target;
        int Low;
        int High;
    };
    std::vector<Assignment> Assignments;
    std::vector<std::pair<std::string, bool>> Switches;
};

ShownParameter Show(const TParameterInfo& parameter, int value) {
    return {std::string(parameter.Name), value, ParameterValueText(parameter, value)};
}

PresetReport Report(TPreset& preset) {
    PresetReport report;
    report.Title = preset.Title;
    report.Device = preset.Header[2];
    if (preset.DigitalGroup < 0 || preset.DigitalGroup >= DigitalGroupCount) {
        report.GroupValid = false;
        report.Group = preset.DigitalGroup;
        preset.DigitalGroup = 0; // as the editor does: ignore the digital configuration
        preset.DigitalOn.fill(false);
    } else {
        report.Group = preset.DigitalGroup;
    }
    for (int effect : GroupRow(preset.DigitalGroup))
        report.GroupEffects.emplace_back(DigitalEffectName(effect));
    for (const TParameterInfo& mix : MixParameters())
        report.Mix.push_back(
            Show(mix, preset.ParameterValues[static_cast<std::size_t>(mix.Offset)]));
    for (int block = 0; block < kAnalogBlockCount; ++block) {
        if (!preset.AnalogOn[static_cast<std::size_t>(block)])
            continue;
        report.AnalogChain.emplace_back(AnalogBlocks()[static_cast<std::size_t>(block)].Name);
        ShownEffect effect{std::string(AnalogBlocks()[static_cast<std::size_t>(block)].Name), {}};
        for (const TParameterInfo& parameter :
             AnalogPages()[static_cast<std::size_t>(block)].Parameters)
            effect.Parameters.push_back(Show(
                parameter, preset.ParameterValues[static_cast<std::size_t>(parameter.Offset)]));
        report.Effects.push_back(effect);
    }
    int start = kDigitalAreaStart;
    const std::vector<int>& row = GroupRow(preset.DigitalGroup);
    for (std::size_t k = 0; k < row.size(); ++k) {
        const int effect = row[k];
        const auto& page = DigitalEffectPages()[static_cast<std::size_t>(effect)];
        if (preset.DigitalOn[k]) {
            report.DigitalChain.emplace_back(DigitalEffectName(effect));
            ShownEffect shown{std::string(DigitalEffectName(effect)), {}};
            for (const TParameterInfo& parameter : page.Parameters)
                shown.Parameters.push_back(Show(
                    parameter,
                    preset.ParameterValues[static_cast<std::size_t>(start + parameter.Offset)]));
            report.Effects.push_back(shown);
        }
        start += static_cast<int>(page.Parameters.size());
    }
    for (int i = 0; i < kPerfMidiCount; ++i) {
        if (!preset.PerfInUse[static_cast<std::size_t>(i)])
            continue;
        const TPerfMIDI& assignment = *preset.PerfMIDI[static_cast<std::size_t>(i)];
        const TParameterTarget target = DescribeParameterNumber(preset, assignment.Parameter);
        report.Assignments.push_back(
            {i + 1, assignment.Controller,
             std::string(DefaultControllerName(assignment.Controller)), assignment.Parameter,
             target.Effect.empty() ? "(invalid)" : target.Effect + " " + target.Name,
             assignment.LowValue, assignment.HighValue});
    }
    static const std::pair<const char*, int> kSwitches[] = {
        {"Exciter", 6},        {"Compressor", 7},          {"Distortion", 8},
        {"Equalizer", 0},      {"Expander/Noise gate", 9}, {"Reverb", 1},
        {"Delay", 2},          {"Pitch Transposer", 3},    {"Flanger/Chorus", 4},
        {"Special Effects", 5}};
    for (const auto& [caption, index] : kSwitches)
        report.Switches.emplace_back(caption, preset.K27States[static_cast<std::size_t>(index)]);
    return report;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "(none)" : text;
}

void PrintText(const PresetReport& report) {
    std::cout << "Title:          " << report.Title << "\n";
    std::cout << "Device byte:    " << report.Device << "\n";
    if (report.GroupValid) {
        std::cout << "Digital group:  " << report.Group << " (" << Joined(report.GroupEffects)
                  << ")\n";
    } else {
        std::cout << "Digital group:  " << report.Group
                  << " - Digital effect configuration is invalid and will be ignored.\n";
    }
    std::cout << "Analog chain:   " << Joined(report.AnalogChain) << "\n";
    std::cout << "Digital chain:  " << Joined(report.DigitalChain) << "\n";
    std::cout << "Mix:           ";
    for (const ShownParameter& mix : report.Mix)
        std::cout << " " << mix.Name << " " << mix.Text;
    std::cout << "\n";
    for (const ShownEffect& effect : report.Effects) {
        std::cout << "\n" << effect.Name << "\n";
        for (const ShownParameter& parameter : effect.Parameters)
            std::printf("  %-18s %s\n", parameter.Name.c_str(), parameter.Text.c_str());
    }
    std::cout << "\nPerformance MIDI\n";
    if (report.Assignments.empty())
        std::cout << "  (none)\n";
    for (const auto& assignment : report.Assignments) {
        std::cout << "  Controller #" << assignment.Number << ": controller "
                  << assignment.Controller;
        if (!assignment.ControllerName.empty())
            std::cout << " (" << assignment.ControllerName << ")";
        std::cout << " -> " << assignment.Target << ", low " << assignment.Low << ", high "
                  << assignment.High << "\n";
    }
    std::cout << "\nK27 switches\n";
    for (const auto& [caption, on] : report.Switches)
        std::printf("  %-20s %s\n", caption.c_str(), on ? "on" : "off");
}

void PrintJson(const PresetReport& report) {
    const auto list = [](const std::vector<std::string>& names) {
        std::string text = "[";
        for (std::size_t i = 0; i < names.size(); ++i)
            text += (i ? ", " : "") + Json(names[i]);
        return text + "]";
    };
    const auto parameters = [](const std::vector<ShownParameter>& all) {
        std::string text = "[";
        for (std::size_t i = 0; i < all.size(); ++i)
            text += std::string(i ? ", " : "") + "{\"name\": " + Json(all[i].Name) +
                    ", \"value\": " + std::to_string(all[i].Value) +
                    ", \"text\": " + Json(all[i].Text) + "}";
        return text + "]";
    };
    std::cout << "{\n";
    std::cout << "  \"title\": " << Json(report.Title) << ",\n";
    std::cout << "  \"device\": " << report.Device << ",\n";
    std::cout << "  \"digitalGroup\": " << report.Group << ",\n";
    std::cout << "  \"digitalGroupValid\": " << (report.GroupValid ? "true" : "false") << ",\n";
    std::cout << "  \"groupEffects\": " << list(report.GroupEffects) << ",\n";
    std::cout << "  \"analogChain\": " << list(report.AnalogChain) << ",\n";
    std::cout << "  \"digitalChain\": " << list(report.DigitalChain) << ",\n";
    std::cout << "  \"mix\": " << parameters(report.Mix) << ",\n";
    std::cout << "  \"effects\": [";
    for (std::size_t i = 0; i < report.Effects.size(); ++i)
        std::cout << (i ? "," : "") << "\n    {\"name\": " << Json(report.Effects[i].Name)
                  << ", \"parameters\": " << parameters(report.Effects[i].Parameters) << "}";
    std::cout << "\n  ],\n  \"performanceMidi\": [";
    for (std::size_t i = 0; i < report.Assignments.size(); ++i) {
        const auto& a = report.Assignments[i];
        std::cout << (i ? "," : "") << "\n    {\"assignment\": " << a.Number
                  << ", \"controller\": " << a.Controller
                  << ", \"controllerName\": " << Json(a.ControllerName)
                  << ", \"parameter\": " << a.Parameter << ", \"target\": " << Json(a.Target)
                  << ", \"low\": " << a.Low << ", \"high\": " << a.High << "}";
    }
    std::cout << "\n  ],\n  \"k27Switches\": {";
    for (std::size_t i = 0; i < report.Switches.size(); ++i)
        std::cout << (i ? ", " : "") << Json(report.Switches[i].first) << ": "
                  << (report.Switches[i].second ? "true" : "false");
    std::cout << "}\n}\n";
}

int PresetCommand(const std::vector<std::string>& words) {
    if (words.empty())
        throw UsageError{"preset needs show or new"};
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (words[0] == "show") {
        const Arguments arguments = Parse(rest, {"--json"});
        if (arguments.Positional.size() != 1)
            throw UsageError{"preset show needs one FILE"};
        TPreset preset = LoadPreset(arguments.Positional[0]);
        const PresetReport report = Report(preset);
        arguments.Json ? PrintJson(report) : PrintText(report);
        return 0;
    }
    if (words[0] == "new") {
        const Arguments arguments = Parse(rest, {"-o", "--device-id"});
        if (!arguments.Output || !arguments.Positional.empty())
            throw UsageError{"preset new needs -o FILE"};
        DeviceId = static_cast<std::uint8_t>(arguments.DeviceIdOption.value_or(0));
        TPreset preset;
        DetermineDigitalGroup(preset, {});
        WriteFile(*arguments.Output, preset.Encode());
        return 0;
    }
    throw UsageError{"unknown preset command " + words[0]};
}

int MptCommand(const std::vector<std::string>& words) {
    if (words.empty())
        throw UsageError{"mpt needs show or new"};
    const std::vector<std::string> rest(words.begin() + 1, words.end());
    if (words[0] == "show") {
        const Arguments arguments = Parse(rest, {"--pre-plenova"});
        if (arguments.Positional.size() != 1)
            throw UsageError{"mpt show needs one FILE"};
        SetPrePlenovaMode(arguments.PrePlenova);
        const TBytes bytes = ReadFile(arguments.Positional[0]);
        if (!IsMptDump(bytes))
            throw FileError{"Not a valid MPT file (" + std::to_string(MptDumpLength) +
                            " bytes of a program table expected)"};
        Tmpt table;
        table.Decode(bytes);
        std::cout << "Device byte: " << int{table.MptHeader[2]} << "\n";
        std::cout << "Program change -> preset\n";
        const int count = Mode.MptEntryCount;
        for (int row = 0; row < (count + 9) / 10; ++row) {
            std::printf("%3d-%3d:", row * 10 + 1, std::min(count, row * 10 + 10));
            for (int i = row * 10; i < std::min(count, row * 10 + 10); ++i)
                std::printf(" %3d", table.MptEntries[static_cast<std::size_t>(i)] + 1);
            std::printf("\n");
        }
        return 0;
    }
    if (words[0] == "new") {
        const Arguments arguments = Parse(rest, {"-o", "--device-id", "--pre-plenova"});
        if (!arguments.Output || !arguments.Positional.empty())
            throw UsageError{"mpt new needs -o FILE"};
        SetPrePlenovaMode(arguments.PrePlenova);
        DeviceId = static_cast<std::uint8_t>(arguments.DeviceIdOption.value_or(0));
        WriteFile(*arguments.Output, Tmpt().Encode());
        return 0;
    }
    throw UsageError{"unknown mpt command " + words[0]};
}

int ListCommand(const std::vector<std::string>& words) {
    const Arguments arguments = Parse(words, {});
    if (arguments.Positional.size() != 1)
        throw UsageError{"list needs one DIR"};
    const fs::path folder = arguments.Positional[0];
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
} // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    try {
        if (words.empty() || words[0] == "--help" || words[0] == "-h") {
            std::cout << kUsage << (words.empty() ? "" : kDetails);
            return words.empty() ? 2 : 0;
        }
        if (words[0] == "--version") {
            std::cout << "quellfarn-tool " << QUELLFARN_VERSION << "\n";
            return 0;
        }
        const std::vector<std::string> rest(words.begin() + 1, words.end());
        if (words[0] == "preset")
            return PresetCommand(rest);
        if (words[0] == "mpt")
            return MptCommand(rest);
        if (words[0] == "list")
            return ListCommand(rest);
        if (words[0] == "backup")
            return BackupCommand(argc, argv, rest);
        if (words[0] == "restore")
            return RestoreCommand(argc, argv, rest);
        if (words[0] == "devices")
            return DevicesCommand(rest);
        throw UsageError{"unknown command " + words[0]};
    } catch (const UsageError& error) {
        std::cerr << "quellfarn-tool: " << error.Text << "\n" << kUsage;
        return 2;
    } catch (const FileError& error) {
        std::cerr << error.Text << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "quellfarn-tool: " << error.what() << "\n";
        return 1;
    }
}
