// quellfarn-sim: the simulated Quellfarn Plenova on a virtual MIDI port (JACK or ALSA), for
// trying the program without a unit and for end-to-end tests.
//
//   quellfarn-sim [--api jack|alsa] [--name NAME] [--device-id N] [--pre-plenova]
//                 [--latency-ms N] [--no-wire-speed] [--mute] [--drop-every N]
//                 [--late-every N --late-ms M] [--take-ms N] [--lose-selects N]
//                 [--duplicate-every N]
//                 [--corrupt-store] [--load DIR] [--save DIR] [--verbose]
//
// It prints "ready" once its ports exist, and runs until interrupted (Ctrl+C) or its
// standard input closes when started with --until-eof.

#include "midi/RtMidiService.h"
#include "model/FileNames.h"
#include "model/Preset.h"
#include "sim/SimulatedProcessor.h"

#include <Version.h>
#include <atomic>
#include <cctype>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>
#include <rtmidi/RtMidi.h>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

namespace fs = std::filesystem;

namespace {
constexpr const char* kUsage =
    "usage: quellfarn-sim [--api jack|alsa] [--name NAME] [--device-id N] [--pre-plenova]\n"
    "                     [--latency-ms N] [--no-wire-speed] [--mute] [--drop-every N]\n"
    "                     [--late-every N --late-ms M] [--take-ms N] [--lose-selects N]\n"
    "                     [--duplicate-every N]\n"
    "                     [--corrupt-store] [--load DIR] [--save DIR] [--verbose] [--until-eof]\n";

constexpr const char* kHelp =
    "quellfarn-sim: a simulated Quellfarn Plenova bass processor on a virtual MIDI port, for\n"
    "trying Quellfarn (or any MIDI program) without the unit, and for end-to-end tests.\n\n";
constexpr const char* kOptions =
    "\n"
    "  --api jack|alsa     the MIDI system to open the ports on (default: the first that works)\n"
    "  --name NAME         the client name (default \"Quellfarn Plenova (simulated)\")\n"
    "  --device-id N       the unit's device byte, 0..15\n"
    "  --pre-plenova       the older single-bank model\n"
    "  --latency-ms N      time before each answer leaves (default 5)\n"
    "  --no-wire-speed     answer as fast as the port carries (default: DIN MIDI speed)\n"
    "  --mute              never answer\n"
    "  --drop-every N      drop every Nth answer\n"
    "  --late-every N      send every Nth answer late (what follows waits behind it)\n"
    "  --late-ms M         by this many milliseconds (default 0)\n"
    "  --take-ms N         a preset dump needs this long to become the edit buffer; a store\n"
    "                      that comes sooner stores what the edit buffer held before\n"
    "  --lose-selects N    never hear every Nth message choosing a preset or a bank (it stays\n"
    "                      where it was)\n"
    "  --duplicate-every N send every Nth answer twice\n"
    "  --corrupt-store     every store changes one byte of the title\n"
    "  --load DIR          fill the banks from a backup folder (Bank A .. Bank D)\n"
    "  --save DIR          write the banks to a backup folder when it ends, and the program\n"
    "                      table into it as \"Program table.mpt\"\n"
    "  --verbose           a line for each message received and each answer\n"
    "  --until-eof         end when standard input closes\n"
    "  --version, --help   print the version or this text and exit\n"
    "\n"
    "It prints \"ready\" once its ports \"MIDI in\" and \"MIDI out\" exist, and runs until\n"
    "interrupted (Ctrl+C). Lines on standard input play the unit's part:\n"
    "  select B 17         the unit's own knob: bank B, preset 17 (it sends the program change)\n"
    "  unplug, replug      its ports go away, and come back under the same name\n";

std::atomic<bool> stopRequested{false};
void RequestStop(int) {
    stopRequested = true;
}

// Lines read from standard input, for the main loop.
std::mutex commandGuard;
std::vector<std::string> commandLines;
void TakeCommand(const std::string& line) {
    const std::lock_guard lock(commandGuard);
    commandLines.push_back(line);
}
std::vector<std::string> Commands() {
    const std::lock_guard lock(commandGuard);
    return std::exchange(commandLines, {});
}

struct Options {
    std::optional<RtMidi::Api> Api;
    std::string Name = kSimulatedDeviceName;
    TSimulatorOptions Simulator;
    std::optional<fs::path> Load;
    std::optional<fs::path> Save;
    bool Verbose = false;
    bool UntilEof = false;
    bool CorruptStores = false;
};

// Digits only, 0..max; anything else, however long, is a usage error.
// The option, then its value, as typed.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int Number(const std::string& option, const std::string& text, int max) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '-' || error != std::errc() ||
        end != text.data() + text.size() || value > max)
        throw std::invalid_argument(option + " takes a number from 0 to " + std::to_string(max));
    return value;
}

Options Parse(int argc, char* argv[]) {
    Options options;
    options.Simulator.ByteTime = kDinByteTime;
    options.Simulator.Latency = std::chrono::milliseconds(5);
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::invalid_argument(word + " needs a value");
            return argv[++i];
        };
        if (word == "--api") {
            const std::string api = value();
            if (api == "jack")
                options.Api = RtMidi::UNIX_JACK;
            else if (api == "alsa")
                options.Api = RtMidi::LINUX_ALSA;
            else
                throw std::invalid_argument("--api takes jack or alsa");
        } else if (word == "--name") {
            options.Name = value();
        } else if (word == "--device-id") {
            options.Simulator.DeviceByte = static_cast<std::uint8_t>(Number(word, value(), 15));
        } else if (word == "--pre-plenova") {
            options.Simulator.PrePlenova = true;
        } else if (word == "--latency-ms") {
            options.Simulator.Latency = std::chrono::milliseconds(Number(word, value(), 60000));
        } else if (word == "--no-wire-speed") {
            options.Simulator.ByteTime = std::chrono::microseconds(0);
        } else if (word == "--mute") {
            options.Simulator.Mute = true;
        } else if (word == "--drop-every") {
            options.Simulator.DropEvery = Number(word, value(), 1000000);
        } else if (word == "--late-every") {
            options.Simulator.LateEvery = Number(word, value(), 1000000);
        } else if (word == "--late-ms") {
            options.Simulator.LateBy = std::chrono::milliseconds(Number(word, value(), 600000));
        } else if (word == "--take-ms") {
            options.Simulator.TakeTime = std::chrono::milliseconds(Number(word, value(), 60000));
        } else if (word == "--lose-selects") {
            options.Simulator.LoseSelectEvery = Number(word, value(), 1000000);
        } else if (word == "--duplicate-every") {
            options.Simulator.DuplicateEvery = Number(word, value(), 1000000);
        } else if (word == "--corrupt-store") {
            options.CorruptStores = true;
        } else if (word == "--load") {
            options.Load = fs::path(value());
        } else if (word == "--save") {
            options.Save = fs::path(value());
        } else if (word == "--verbose") {
            options.Verbose = true;
        } else if (word == "--until-eof") {
            options.UntilEof = true;
        } else {
            throw std::invalid_argument("unknown option " + word);
        }
    }
    return options;
}

// Where a bank's files are: a folder per bank, or the folder itself for a single-bank unit.
fs::path BankFolder(const fs::path& root, const TPlenovaDevice& device, int bank) {
    return device.BankCount() == 1 ? root : root / BankFolderName(bank);
}

int LoadBackup(TPlenovaDevice& device, const fs::path& root) {
    int loaded = 0;
    for (int bank = 0; bank < device.BankCount(); ++bank) {
        std::error_code error;
        const fs::path folder = BankFolder(root, device, bank);
        if (!fs::is_directory(folder, error))
            continue;
        for (const auto& entry : fs::directory_iterator(folder, error)) {
            const auto number = BackupPresetNumber(entry.path().filename().string());
            if (!number || *number < 1 || *number > kSlotsPerBank || !entry.is_regular_file())
                continue;
            // Read no further than a preset: the folder may hold anything under a preset's name.
            std::ifstream file(entry.path(), std::ios::binary);
            TBytes dump(static_cast<std::size_t>(PresetDumpLength) + 1);
            file.read(reinterpret_cast<char*>(dump.data()),
                      static_cast<std::streamsize>(dump.size()));
            dump.resize(static_cast<std::size_t>(file.gcount()));
            if (!IsPresetDump(dump) || !IsWellFormedSysex(dump)) {
                std::cerr << "quellfarn-sim: skipped " << entry.path().string()
                          << ": Not a valid preset file\n";
                continue;
            }
            device.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(*number - 1)] =
                dump;
            ++loaded;
        }
    }
    return loaded;
}

bool SaveBackup(const TPlenovaDevice& device, const fs::path& root) {
    for (int bank = 0; bank < device.BankCount(); ++bank) {
        const fs::path folder = BankFolder(root, device, bank);
        std::error_code error;
        fs::create_directories(folder, error);
        for (int slot = 0; slot < kSlotsPerBank; ++slot) {
            const TBytes& dump =
                device.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot)];
            std::string title = PresetTitleOf(dump);
            if (title.empty())
                title = "Untitled";
            std::ofstream file(folder / BackupFileName(title, slot + 1),
                               std::ios::binary | std::ios::trunc);
            file.write(reinterpret_cast<const char*>(dump.data()),
                       static_cast<std::streamsize>(dump.size()));
            if (!file) {
                std::cerr << "quellfarn-sim: cannot write into " << folder.string() << "\n";
                return false;
            }
        }
    }
    // The program table beside the banks, as the table editor saves one.
    const TBytes table = device.Table.Encode(device.Variant());
    std::ofstream file(root / "Program table.mpt", std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(table.data()),
               static_cast<std::streamsize>(table.size()));
    if (!file) {
        std::cerr << "quellfarn-sim: cannot write into " << root.string() << "\n";
        return false;
    }
    return true;
}

struct Ports {
    std::unique_ptr<RtMidiIn> In;
    std::unique_ptr<RtMidiOut> Out;
    std::string ApiName;
};

bool failed = false;
void NoteError(RtMidiError::Type type, const std::string& text, void*) {
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING) {
        failed = true;
        std::cerr << "quellfarn-sim: " << text << "\n";
    }
}

std::optional<Ports> OpenPorts(const Options& options, TSimulatedProcessor& processor) {
    std::vector<RtMidi::Api> apis;
    if (options.Api)
        apis.push_back(*options.Api);
    else
        apis = {RtMidi::UNIX_JACK, RtMidi::LINUX_ALSA};
    for (RtMidi::Api api : apis) {
        try {
            Ports ports;
            failed = false;
            ports.In = std::make_unique<RtMidiIn>(api, options.Name);
            ports.In->setErrorCallback(&NoteError, nullptr);
            ports.Out = std::make_unique<RtMidiOut>(api, options.Name);
            ports.Out->setErrorCallback(&NoteError, nullptr);
            ports.In->ignoreTypes(false, true, true);
            ports.In->setCallback(
                [](double, std::vector<unsigned char>* message, void* target) {
                    static_cast<TSimulatedProcessor*>(target)->Receive(message->data(),
                                                                       message->size());
                },
                &processor);
            ports.In->openVirtualPort("MIDI in");
            ports.Out->openVirtualPort("MIDI out");
            if (failed) {
                RetireRtMidiOutput(std::move(ports.Out));
                continue;
            }
            ports.ApiName = RtMidi::getApiDisplayName(api);
            return ports;
        } catch (const RtMidiError& error) {
            std::cerr << "quellfarn-sim: " << error.getMessage() << "\n";
        }
    }
    return std::nullopt;
}
} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--version") {
            std::cout << "quellfarn-sim " << QUELLFARN_VERSION << "\n";
            return 0;
        }
        if (word == "--help" || word == "-h") {
            std::cout << kHelp << kUsage << kOptions;
            return 0;
        }
    }
    Options options;
    try {
        options = Parse(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::cerr << "quellfarn-sim: " << error.what() << "\n" << kUsage;
        return 2;
    }
    TSimulatedProcessor processor(options.Simulator);
    if (options.Load) {
        std::error_code error;
        if (!fs::is_directory(*options.Load, error)) {
            std::cerr << "quellfarn-sim: Invalid folder: " << options.Load->string() << "\n";
            return 1;
        }
        const int loaded = processor.WithDevice(
            [&](TPlenovaDevice& device) { return LoadBackup(device, *options.Load); });
        std::cout << "quellfarn-sim: loaded " << loaded << " presets from "
                  << options.Load->string() << std::endl;
    }
    if (options.CorruptStores)
        processor.WithDevice([](TPlenovaDevice& device) { return device.CorruptStores = true; });
    std::mutex outputMutex;
    if (options.Verbose)
        processor.SetLog([&](const std::string& line) {
            const std::lock_guard lock(outputMutex);
            std::cout << line << std::endl;
        });

    std::optional<Ports> ports = OpenPorts(options, processor);
    if (!ports) {
        std::cerr << "quellfarn-sim: no MIDI system to open a virtual port on (is a JACK server "
                     "running?)\n";
        return 1;
    }
    const auto plugIn = [&] {
        RtMidiOut* out = ports->Out.get();
        processor.Connect([out, &outputMutex](const std::uint8_t* bytes, std::size_t count) {
            const std::lock_guard lock(outputMutex);
            out->sendMessage(bytes, count);
        });
        const std::lock_guard lock(outputMutex);
        std::cout << "quellfarn-sim: ready on " << ports->ApiName << " as \"" << options.Name
                  << "\" (ports \"MIDI in\", \"MIDI out\")" << std::endl;
    };
    const auto unplug = [&] {
        processor.Connect({});
        RetireRtMidiOutput(std::move(ports->Out));
        ports.reset();
    };
    const auto say = [&](const std::string& text) {
        const std::lock_guard lock(outputMutex);
        std::cout << "quellfarn-sim: " << text << std::endl;
    };
    // The unit's part, played from standard input.
    const auto obey = [&](const std::string& line) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        if (command.empty())
            return;
        if (command == "unplug") {
            if (!ports)
                return say("already unplugged");
            unplug();
            return say("unplugged");
        }
        if (command == "replug") {
            if (ports)
                return say("already plugged in");
            ports = OpenPorts(options, processor);
            if (!ports)
                return say("cannot open the ports again");
            return plugIn();
        }
        std::string bank;
        int slot = 0;
        if (command == "select" && words >> bank >> slot && (words >> std::ws).eof() &&
            bank.size() == 1 && processor.TurnTo(std::toupper(bank[0]) - 'A', slot - 1))
            return say("selected " + bank + " " + std::to_string(slot));
        say("not understood: " + line + " (select B 17, unplug, replug)");
    };
    plugIn();
    std::signal(SIGINT, RequestStop);
    std::signal(SIGTERM, RequestStop);
    std::thread([untilEof = options.UntilEof] {
        for (std::string line; std::getline(std::cin, line);)
            TakeCommand(line);
        if (untilEof)
            stopRequested = true;
    }).detach();
    while (!stopRequested) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const std::string& line : Commands())
            obey(line);
    }

    // The presets are saved before the ports close: closing a JACK client can take a while on
    // a busy server, and what the unit holds must not wait on it.
    processor.Connect({});
    if (options.Save) {
        const bool saved = processor.WithDevice(
            [&](TPlenovaDevice& device) { return SaveBackup(device, *options.Save); });
        if (!saved)
            return 1;
        std::cout << "quellfarn-sim: saved the presets to " << options.Save->string() << std::endl;
    }
    if (ports)
        unplug();
    return 0;
}
