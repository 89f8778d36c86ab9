// quellfarn-sim as its own process on a JACK server, fetched from through the program's
// own MIDI layer: what it saves and loads, and the arguments it refuses. What it answers over
// JACK is checked by the tool's and the window's JACK tests against what it saves.

#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/RtMidiService.h"
#include "model/FileNames.h"
#include "model/Preset.h"
#include "sim/PlenovaDevice.h"
#include "support/ChildProcess.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {
using Bytes = std::vector<std::uint8_t>;
const std::string kName = "QF Sim Test";

std::vector<std::string> SimCommand(std::vector<std::string> extra) {
    std::vector<std::string> command{QUELLFARN_SIM, "--api",           "jack",         "--name",
                                     kName,         "--no-wire-speed", "--latency-ms", "1"};
    command.insert(command.end(), extra.begin(), extra.end());
    return command;
}

// The program's side: the device service over JACK with one port each way to the simulator.
struct Program {
    Program() : output(service) {
        input.OnMidiInput = [this](TMidiInput& sender) {
            while (sender.PendingCount() > 0) {
                auto event = sender.ReadEvent();
                if (event->SysexData)
                    received.emplace_back(event->SysexData.get(),
                                          event->SysexData.get() + event->SysexSize);
            }
        };
        input.SetProductName(QString::fromStdString(kName + ":MIDI out"));
        input.OpenDevice();
        input.StartInput();
        output.SetProductName(QString::fromStdString(kName + ":MIDI in"));
        output.OpenDevice();
        WaitForLink();
    }
    // JACK reports a connection before it carries anything: ask until the simulator answers.
    void WaitForLink() {
        for (int attempt = 0; attempt < 50 && received.empty(); ++attempt) {
            Send(RequestParameterMessage(0, kBypassAddress));
            PumpUntil([&] { return !received.empty(); }, 100);
        }
        PumpFor(50);
        received.clear();
    }
    static MidiDeviceService& Service(MidiDeviceService& service) {
        service.AddBackend(std::make_unique<RtMidiService>("QuellfarnTest"));
        return service;
    }
    void Send(const Bytes& bytes) {
        output.SendLong(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    }
    // Asks again when no answer comes, as the program's own time-out does: a busy machine can
    // hold up or lose a message in the JACK graph.
    Bytes Ask(const Bytes& request) {
        received.clear();
        for (int attempt = 0; attempt < 6 && received.empty(); ++attempt) {
            Send(request);
            PumpUntil([&] { return !received.empty(); }, 1500);
        }
        return received.empty() ? Bytes{} : received.front();
    }

    MidiDeviceService service;
    TMidiInput input{Service(service)}; // the backend is added before either port counts devices
    TMidiOutput output;
    std::vector<Bytes> received;
};
} // namespace

TEST(SimOverJack, SavesItsPresetsOnExitAndLoadsThemAgain) {
    const fs::path folder =
        fs::temp_directory_path() / ("quellfarn-sim-test-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    const TBytes dump = TitledDump("Kept/Across?");
    {
        ChildProcess sim(SimCommand({"--save", folder.string()}));
        ASSERT_TRUE(sim.WaitForLine("ready"));
        Program program;
        program.Send(SetBankMessage(0, 1));
        program.Send(dump);
        program.Send(*StorePresetMessage(0, 11));
        ASSERT_EQ(program.Ask(RequestParameterMessage(0, 64))[6], 10) << "the store has been done";
        EXPECT_EQ(sim.Stop(), 0);
    }
    const fs::path file = folder / "Bank B" / BackupFileName("Kept/Across?", 11);
    ASSERT_TRUE(fs::exists(file)) << file;
    std::ifstream saved(file, std::ios::binary);
    EXPECT_EQ(TBytes((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>()),
              dump);
    EXPECT_EQ(fs::file_size(folder / "Bank A" /
                            BackupFileName(PresetTitleOf(TPlenovaDevice::FactoryPreset(
                                               0, 1, TDeviceMode::Plenova())),
                                           2)),
              258u);

    ChildProcess again(SimCommand({"--load", folder.string()}));
    ASSERT_TRUE(again.WaitForLine("ready"));
    EXPECT_NE(std::find_if(again.Lines.begin(), again.Lines.end(),
                           [](const std::string& line) {
                               return line.find("loaded 800 presets") != std::string::npos;
                           }),
              again.Lines.end());
    Program program;
    program.Send(SetBankMessage(0, 1));
    program.Send(*SelectPresetMessage(0, 10));
    EXPECT_EQ(program.Ask(RequestCurrentPresetMessage(0)), dump);
    fs::remove_all(folder);
}

TEST(SimOverJack, RefusesBadArgumentsAndMissingFolders) {
    ChildProcess usage({QUELLFARN_SIM, "--latency-ms", "soon"});
    EXPECT_TRUE(usage.WaitForLine("--latency-ms takes a number"));
    EXPECT_EQ(usage.Wait(), 2);
    for (const char* id : {"16", "99999999999"}) {
        ChildProcess device({QUELLFARN_SIM, "--device-id", id});
        EXPECT_TRUE(device.WaitForLine("--device-id takes a number from 0 to 15")) << id;
        EXPECT_EQ(device.Wait(), 2) << id;
    }
    ChildProcess drop({QUELLFARN_SIM, "--drop-every", "99999999999"});
    EXPECT_TRUE(drop.WaitForLine("--drop-every takes a number"));
    EXPECT_EQ(drop.Wait(), 2);
    ChildProcess folder({QUELLFARN_SIM, "--api", "jack", "--load", "/no/such/folder"});
    EXPECT_TRUE(folder.WaitForLine("Invalid folder: /no/such/folder"));
    EXPECT_EQ(folder.Wait(), 1);
}
