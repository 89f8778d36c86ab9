// The simulated processor answering the program's own ports, as the real unit would.

#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "model/EffectCatalogue.h"
#include "model/Mpt.h"
#include "model/Preset.h"
#include "sim/SimulatedProcessor.h"
#include "sim/SimulatedUnitFile.h"
#include "support/FileBytes.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <set>

namespace {
using Bytes = std::vector<std::uint8_t>;

// The program's two ports on the simulated unit.
struct Rig {
    explicit Rig(TSimulatorOptions options = Fast())
        : devices(service.AddBackend(std::make_unique<VirtualMidiService>())),
          processor(AttachSimulatedProcessor(devices, options)), input(service), output(service) {
        input.OnMidiInput = [this](TMidiInput& sender) {
            while (sender.PendingCount() > 0) {
                auto event = sender.ReadEvent();
                if (event->SysexData)
                    received.emplace_back(event->SysexData.get(),
                                          event->SysexData.get() + event->SysexSize);
            }
        };
        input.SetProductName(kSimulatedDeviceName);
        input.SetSysexBufferCount(220); // a whole bank in flight at once, even on a busy machine
        input.OpenDevice();
        input.StartInput();
        output.SetProductName(kSimulatedDeviceName);
        output.OpenDevice();
    }
    static TSimulatorOptions Fast() {
        TSimulatorOptions options;
        options.Latency = std::chrono::microseconds(500);
        options.ByteTime = std::chrono::microseconds(10); // paced like a cable, only faster
        return options;
    }
    void Send(const Bytes& bytes) {
        output.SendLong(bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    }
    // Sends and collects the answers that arrive.
    std::vector<Bytes> Ask(const Bytes& request, std::size_t answers = 1, int timeoutMs = 5000) {
        received.clear();
        Send(request);
        PumpUntil([&] { return received.size() >= answers; }, timeoutMs);
        return received;
    }
    // Sends and makes sure nothing comes back.
    bool Unanswered(const Bytes& request) { return Ask(request, 1, 300).empty(); }
    Bytes AskOne(const Bytes& request) {
        const auto answers = Ask(request);
        return answers.empty() ? Bytes{} : answers.front();
    }
    TBytes EditBuffer() {
        return processor->WithDevice(
            [](TPlenovaDevice& device) { return device.Outgoing(device.EditBuffer); });
    }

    MidiDeviceService service;
    VirtualMidiService& devices;
    std::shared_ptr<TSimulatedProcessor> processor;
    TMidiInput input;
    TMidiOutput output;
    std::vector<Bytes> received;
};
} // namespace

TEST(SimulatedProcessor, AnswersTheCurrentPresetAndItsParameters) {
    Rig rig;
    const Bytes dump = rig.AskOne(RequestCurrentPresetMessage(0));
    ASSERT_EQ(dump.size(), 258u);
    EXPECT_EQ(dump, TPlenovaDevice::FactoryPreset(0, 0, TDeviceMode::Plenova()));
    EXPECT_TRUE(IsPresetDump(dump));

    EXPECT_EQ(rig.AskOne(RequestParameterMessage(0, 0)),
              (Bytes{0xF0, 0x1A, 0, 0x13, 0x03, 0, 0, 0, 0xF7}));
    EXPECT_EQ(rig.AskOne(RequestParameterMessage(0, 9)),
              (Bytes{0xF0, 0x1A, 0, 0x13, 0x03, 9, 0, 0, 0xF7}));
    rig.Send(*SelectPresetMessage(0, 149));
    EXPECT_EQ(rig.AskOne(RequestParameterMessage(0, 64)),
              (Bytes{0xF0, 0x1A, 0, 0x13, 0x03, 64, 21, 1, 0xF7}))
        << "preset 150: 149 - 128 with the high flag";
    EXPECT_EQ(rig.AskOne(RequestCurrentPresetMessage(0)),
              TPlenovaDevice::FactoryPreset(0, 149, TDeviceMode::Plenova()));
    EXPECT_TRUE(rig.Unanswered(RequestParameterMessage(0, 17))) << "an unknown address is ignored";
}

TEST(SimulatedProcessor, BanksAndBypassFollowTheirCommands) {
    Rig rig;
    rig.Send(SetBankMessage(0, 2));
    rig.Send(SetBypassMessage(0, true));
    EXPECT_EQ(rig.AskOne(RequestParameterMessage(0, 9))[6], 2);
    EXPECT_EQ(rig.AskOne(RequestParameterMessage(0, 0))[6], 1);
    EXPECT_TRUE(rig.processor->WithDevice([](TPlenovaDevice& device) { return device.Bypass; }));
    EXPECT_EQ(rig.AskOne(RequestCurrentPresetMessage(0)),
              TPlenovaDevice::FactoryPreset(2, 0, TDeviceMode::Plenova()));
    rig.Send(SetBankMessage(0, 7)); // no such bank
    EXPECT_EQ(rig.AskOne(RequestParameterMessage(0, 9))[6], 2);
}

TEST(SimulatedProcessor, AStoredPresetComesBackWhenFetched) {
    Rig rig;
    TPreset preset;
    preset.Title = "Stored Here";
    DetermineDigitalGroup(preset, {"Chorus"});
    const TBytes dump = preset.Encode();
    rig.Send(dump);
    rig.Send(*StorePresetMessage(0, 6));
    rig.Send(*SelectPresetMessage(0, 0));
    EXPECT_EQ(PresetTitleOf(rig.AskOne(RequestCurrentPresetMessage(0))),
              PresetTitleOf(TPlenovaDevice::FactoryPreset(0, 0, TDeviceMode::Plenova())));
    rig.Send(*SelectPresetMessage(0, 5));
    EXPECT_EQ(rig.AskOne(RequestCurrentPresetMessage(0)), dump);
}

TEST(SimulatedProcessor, AStoreBeyondTheLastSlotWritesNothing) {
    TPlenovaDevice unit;
    TPreset preset;
    preset.Title = "Overflow";
    unit.Handle(preset.Encode());
    const auto before = unit.Banks;
    for (const TBytes& store : {*StorePresetMessage(0, 201), *StorePresetMessage(0, 256),
                                TBytes{0xF0, 0x1A, 0x00, 0x13, 0x0A, 0x7F, 0x7F, 0xF7}})
        EXPECT_TRUE(unit.Handle(store).empty());
    EXPECT_EQ(unit.Banks, before) << "slot 201 is not the next bank's first";
    EXPECT_EQ(unit.CurrentSlot, 0);
    unit.Handle(*StorePresetMessage(0, 200));
    EXPECT_EQ(PresetTitleOf(unit.Banks[0][199]), "Overflow");
}

TEST(SimulatedProcessor, ProgramChangesGoThroughTheProgramTable) {
    Rig rig;
    Tmpt table;
    table.MptEntries[3] = 150;
    table.MptEntries[130] = 7;
    rig.Send(table.Encode());
    rig.output.SendShort(0xB0, 0x00, 0x00);
    rig.output.SendShort(0xB0, 0x20, 0x00);
    rig.output.SendShort(0xC0, 0x03, 0x00);
    EXPECT_EQ(rig.AskOne(RequestCurrentPresetMessage(0)),
              TPlenovaDevice::FactoryPreset(0, 150, TDeviceMode::Plenova()));
    rig.output.SendShort(0xB0, 0x20, 0x01);
    rig.output.SendShort(0xC0, 0x02, 0x00); // program 131
    EXPECT_EQ(rig.AskOne(RequestCurrentPresetMessage(0)),
              TPlenovaDevice::FactoryPreset(0, 7, TDeviceMode::Plenova()));
    const Bytes sent = rig.AskOne(RequestProgramTableMessage(0));
    ASSERT_EQ(sent.size(), 406u);
    EXPECT_EQ(sent, table.Encode());
}

TEST(SimulatedProcessor, ABulkRequestSendsTheWholeBankInOrder) {
    Rig rig;
    rig.Send(SetBankMessage(0, 1));
    const auto dumps = rig.Ask(RequestAllPresetsMessage(0), 200);
    ASSERT_EQ(dumps.size(), 200u);
    for (int slot = 0; slot < 200; ++slot)
        ASSERT_EQ(dumps[static_cast<std::size_t>(slot)],
                  TPlenovaDevice::FactoryPreset(1, slot, TDeviceMode::Plenova()));
}

TEST(SimulatedProcessor, ThePrePlenovaModelHasOneBankAndItsOwnCodes) {
    TSimulatorOptions options = Rig::Fast();
    options.PrePlenova = true;
    options.DeviceByte = 4;
    Rig rig(options);
    const TDeviceMode pre = TDeviceMode::PrePlenovaModel();
    const Bytes table = rig.AskOne(RequestProgramTableMessage(0, pre));
    ASSERT_EQ(table.size(), 262u);
    EXPECT_EQ(table[2], 4);
    EXPECT_EQ(table[4], 0x0C);
    EXPECT_TRUE(rig.Unanswered(RequestProgramTableMessage(0)))
        << "the newer model's request means nothing to it";
    EXPECT_EQ(rig.Ask(RequestAllPresetsMessage(0, pre), 200).size(), 200u);
    rig.Send(SetBankMessage(0, 1));
    EXPECT_EQ(rig.AskOne(RequestParameterMessage(0, 9))[6], 0);
    EXPECT_EQ(rig.AskOne(RequestCurrentPresetMessage(0))[2], 4)
        << "answers carry its own device byte";
}

TEST(SimulatedProcessor, MutedItNeverAnswersAndItCanDropEveryNthAnswer) {
    Rig rig;
    rig.processor->SetMute(true);
    rig.Send(SetBypassMessage(0, true));
    EXPECT_TRUE(rig.Unanswered(RequestParameterMessage(0, 0)));
    EXPECT_TRUE(rig.processor->WithDevice([](TPlenovaDevice& device) { return device.Bypass; }))
        << "it still listens";
    rig.processor->SetMute(false);
    rig.processor->SetDropEvery(2);
    int answered = 0;
    for (int i = 0; i < 6; ++i)
        answered += static_cast<int>(rig.Ask(RequestParameterMessage(0, 0), 1, 300).size());
    EXPECT_EQ(answered, 3);
}

TEST(SimulatedProcessor, UnknownMessagesAreIgnored) {
    Rig rig;
    EXPECT_TRUE(rig.Unanswered({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));
    EXPECT_TRUE(rig.Unanswered({0xF0, 0x1A, 0x00, 0x13, 0x09, 0xF7})) << "a truncated select";
    EXPECT_TRUE(rig.Unanswered({0x90, 0x3C, 0x64}));
    EXPECT_EQ(rig.AskOne(RequestCurrentPresetMessage(0)).size(), 258u);
}

TEST(SimulatedProcessor, AtWireSpeedAnAnswerTakesAtLeastItsTimeOnTheCable) {
    TSimulatorOptions options = Rig::Fast();
    options.ByteTime = kDinByteTime;
    Rig rig(options);
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(rig.AskOne(RequestCurrentPresetMessage(0)).size(), 258u);
    EXPECT_GE(clock.elapsed(), (6 + 258) * 320 / 1000);
}

// The unit's memory, kept in its file as each change happens: a store, a program table and the
// bank chosen are all there for a unit started from the file. A file that cannot be taken is
// moved aside, never over one moved before, and named; the unit is left as it was.
TEST(SimulatedUnitFile, KeepsTheMemoryAcrossStartsAndMovesADamagedOneAside) {
    QTemporaryDir folder;
    TSimulatedUnitFile file(folder.path() + "/simulated-unit");
    const TBytes stored = TitledDump("Kept Across");
    Tmpt table;
    table.MptEntries[0] = 42;
    {
        Rig rig;
        rig.processor->SetMemoryKeeper(
            [&file](const TBytes& memory) { EXPECT_EQ(file.Save(memory), ""); });
        rig.Send(SetBankMessage(0, 2));
        rig.Send(stored);
        rig.Send(*StorePresetMessage(0, 17));
        rig.Send(table.Encode());
        // Answered once all of it was taken, and kept.
        ASSERT_EQ(rig.AskOne(RequestParameterMessage(0, kBankAddress)).size(), 9u);
    }
    TPlenovaDevice restarted;
    EXPECT_EQ(file.Load(restarted), "");
    EXPECT_TRUE(SameDumpAnyDevice(restarted.Banks[2][16], stored));
    EXPECT_EQ(restarted.Banks[2][17], TPlenovaDevice::FactoryPreset(2, 17, TDeviceMode::Plenova()));
    EXPECT_EQ(restarted.Table.MptEntries[0], 42);
    EXPECT_EQ(restarted.CurrentBank, 2);
    EXPECT_EQ(restarted.EditBuffer, restarted.Banks[2][0]) << "its bank's first slot, loaded";

    const TBytes whole = restarted.SavedMemory();
    TBytes badByte = whole;
    badByte[4 * 258 + 40] = 0x80;
    struct Case {
        const char* name;
        TBytes bytes;
        std::string why;
    };
    const std::vector<Case> cases{
        {"empty", {}, "0 messages instead of 802"},
        {"not a memory at all", {'h', 'e', 'l', 'l', 'o'}, "1 message instead of 802"},
        {"a preset with a byte above 7F", badByte, "message 5 is not a preset"},
        {"the last byte missing", TBytes(whole.begin(), whole.end() - 1),
         "the selected bank is missing"},
    };
    const QString path = file.Path();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name);
        QFile damaged(path);
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write(reinterpret_cast<const char*>(c.bytes.data()),
                      static_cast<qint64>(c.bytes.size()));
        damaged.close();
        const QString aside =
            i == 0 ? path + ".damaged" : QString("%1.damaged%2").arg(path).arg(i + 1);
        TPlenovaDevice unit = restarted;
        EXPECT_EQ(file.Load(unit),
                  QString("The simulated unit's memory could not be read (%1): it is kept as %2, "
                          "and the simulated unit starts with its factory presets")
                      .arg(QString::fromStdString(c.why), aside));
        EXPECT_EQ(FileBytes(aside), c.bytes);
        EXPECT_FALSE(QFile::exists(path));
        EXPECT_EQ(unit.SavedMemory(), whole) << "nothing taken from it";
    }
}

TEST(FactoryContent, IsDeterministicValidAndFullOfAwkwardTitles) {
    TPlenovaDevice first;
    TPlenovaDevice second;
    EXPECT_EQ(first.Banks, second.Banks);
    std::set<int> groups;
    std::multiset<std::string> titles;
    for (int bank = 0; bank < 4; ++bank) {
        std::multiset<std::string> bankTitles;
        for (const TBytes& dump : first.Banks[static_cast<std::size_t>(bank)]) {
            TPreset preset;
            ASSERT_NO_THROW(preset.Decode(dump));
            if (dump[127] != ' ') { // a title with leading blanks loses them when read
                ASSERT_EQ(preset.Encode(), dump);
            }
            ASSERT_LT(preset.DigitalGroup, 54);
            groups.insert(preset.DigitalGroup);
            bankTitles.insert(preset.Title);
            EXPECT_LE(preset.Title.size(), 16u);
        }
        EXPECT_GE(bankTitles.count("Slap Funk"), 2u) << "the same title twice in one bank";
        titles.insert(bankTitles.begin(), bankTitles.end());
    }
    EXPECT_EQ(groups.size(), 54u) << "every group turns up";
    EXPECT_GT(titles.count(""), 0u);
    EXPECT_GT(titles.count("AC/DC Drive"), 0u);
    EXPECT_GT(titles.count("Bass: Dub"), 0u);
    EXPECT_GT(titles.count("Why Not?"), 0u);
    EXPECT_EQ(PresetTitleOf(first.Banks[0][33]), "Low End");
    EXPECT_EQ(first.Banks[0][33][127], ' ') << "stored with its leading blanks";

    TPlenovaDevice old(true);
    ASSERT_EQ(old.Banks.size(), 1u);
    for (const TBytes& dump : old.Banks[0]) {
        TPreset preset;
        preset.Decode(dump);
        ASSERT_LT(preset.DigitalGroup, 47);
    }
}

TEST(MessageAssembler, ReassemblesWhateverPiecesArrive) {
    TMessageAssembler assembler;
    const Bytes first{0xF0, 0x1A, 0x00};
    const Bytes rest{0xF8, 0x13, 0x45, 0xF7, 0x90, 0x3C, 0x64, 0x3C, 0x00, 0xC0};
    EXPECT_TRUE(assembler.Feed(first.data(), first.size()).empty());
    const auto messages = assembler.Feed(rest.data(), rest.size());
    EXPECT_EQ(messages,
              (std::vector<TBytes>{
                  {0xF0, 0x1A, 0x00, 0x13, 0x45, 0xF7}, {0x90, 0x3C, 0x64}, {0x90, 0x3C, 0x00}}));
    const Bytes program{0x05};
    EXPECT_EQ(assembler.Feed(program.data(), 1), (std::vector<TBytes>{{0xC0, 0x05}}));
}
