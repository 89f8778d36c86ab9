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
                else if (event->StatusByte >= 0x80 && event->StatusByte < 0xF0)
                    channel.push_back(
                        (event->StatusByte & 0xE0) == 0xC0
                            ? Bytes{event->StatusByte, event->DataByte1}
                            : Bytes{event->StatusByte, event->DataByte1, event->DataByte2});
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
    std::vector<Bytes> channel; // channel messages, as sent
};

// The simulator's ports a MIDI system lists now.
int SimulatorPorts() {
    RtMidiService listing("QF Listing");
    int count = 0;
    for (const auto& names : {listing.InputNames(), listing.OutputNames()})
        count += static_cast<int>(std::count_if(names.begin(), names.end(), [](const auto& name) {
            return name.find(kName) != std::string::npos;
        }));
    return count;
}
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

// The unit's part played on the simulator's standard input: its own knob moves it and sends the
// program change the table gives the slot (bank select LSB first); unplugged, its ports are gone,
// and replugged they are back under the same name and answer.
TEST(SimOverJack, StandardInputTurnsTheKnobAndPullsTheCable) {
    ChildProcess sim(SimCommand({}));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    {
        Program program;
        for (const auto& [command, expected] :
             std::vector<std::pair<std::string, std::vector<Bytes>>>{
                 {"select B 17", {{0xB0, 0x20, 0x00}, {0xC0, 16}}},
                 {"select d 150", {{0xB0, 0x20, 0x01}, {0xC0, 21}}}}) {
            program.channel.clear();
            ASSERT_TRUE(sim.Say(command));
            ASSERT_TRUE(sim.WaitForLine("selected")) << command;
            EXPECT_TRUE(PumpUntil([&] { return program.channel.size() >= 2; }, 3000)) << command;
            EXPECT_EQ(program.channel, expected) << command;
        }
        EXPECT_EQ(program.Ask(RequestParameterMessage(0, kBankAddress))[6], 3);
        const Bytes number = program.Ask(RequestParameterMessage(0, kPresetNumberAddress));
        EXPECT_EQ(number[6] + 128 * number[7], 149);
        for (const char* wrong : {"select E 1", "select A 201", "select A 1 2", "jump"}) {
            ASSERT_TRUE(sim.Say(wrong));
            EXPECT_TRUE(sim.WaitForLine(std::string("not understood: ") + wrong));
        }
    }
    EXPECT_EQ(SimulatorPorts(), 2);
    ASSERT_TRUE(sim.Say("unplug"));
    ASSERT_TRUE(sim.WaitForLine("unplugged"));
    EXPECT_EQ(SimulatorPorts(), 0);
    ASSERT_TRUE(sim.Say("replug"));
    ASSERT_TRUE(sim.WaitForLine("ready"));
    EXPECT_EQ(SimulatorPorts(), 2);
    Program again;
    EXPECT_EQ(again.Ask(RequestParameterMessage(0, kBankAddress))[6], 3) << "the same unit";
    EXPECT_EQ(sim.Stop(), 0);
}
