// The simulated unit's behaviour and its factory presets.

#include "sim/PlenovaDevice.h"

#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "model/Preset.h"
#include "model/SyxFile.h"

namespace {
// A small generator of our own: the same presets on every platform and library.
class Random {
public:
    explicit Random(std::uint64_t seed)
        : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    std::uint64_t Next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Low, then high.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    int Between(int low, int high) {
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool Chance(int percent) { return Between(1, 100) <= percent; }

private:
    std::uint64_t state;
};

const char* const kStyles[] = {"Slap",   "Fretless", "Dub",    "Funk", "Growl", "Octave",
                               "Sub",    "Thumb",    "Pick",   "Fuzz", "Jazz",  "Motown",
                               "Reggae", "Metal",    "Chorus", "Wah",  "Synth", "Upright"};
const char* const kNouns[] = {"Bass",   "Pop",  "Drive", "Groove", "Sweep", "Tone",
                              "Punch",  "Wash", "Echo",  "Bottom", "Lead",  "Pad",
                              "Rumble", "Snap", "Glide", "Crunch"};

int ValueFor(const TParameterInfo& parameter, Random& random) {
    if (random.Chance(40))
        return parameter.Default;
    return random.Between(parameter.Min, parameter.Max);
}

// Titles that a backup must be able to name files after: plain ones, duplicates within a
// bank, untitled slots, and "/", ":", "?" and surrounding blanks.
// Bank, then slot, as the unit numbers presets.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::string TitleFor(int bank, int slot, Random& random) {
    switch (slot % 50) {
    case 7:
        return "";
    case 13:
        return "AC/DC Drive";
    case 21:
        return "Bass: Dub";
    case 29:
        return "Why Not?";
    case 33:
        return "  Low End  ";
    case 41:
    case 42:
        return "Slap Funk"; // the same title twice in a row
    default:
        break;
    }
    std::string title =
        std::string(kStyles[random.Between(0, 17)]) + " " + kNouns[random.Between(0, 15)];
    if (random.Chance(50))
        title += " " + std::to_string(bank * kSlotsPerBank + slot + 1);
    return title.substr(0, 16);
}
} // namespace

// Bank, then slot, as the unit numbers presets.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TBytes TPlenovaDevice::FactoryPreset(int bank, int slot, const TDeviceMode& variant) {
    Random random(static_cast<std::uint64_t>(bank * 1000 + slot + (variant.PrePlenova ? 7919 : 0)));
    TPreset preset;
    preset.Header[2] = 0;
    preset.Title = TitleFor(bank, slot, random);
    for (int block = 0; block < kAnalogBlockCount; ++block)
        preset.AnalogOn[static_cast<std::size_t>(block)] =
            random.Chance(block == 1 || block == 8 ? 70 : 35);
    for (const TParameterInfo& parameter : MixParameters())
        preset.ParameterValues[static_cast<std::size_t>(parameter.Offset)] =
            ValueFor(parameter, random);
    for (const TEffectPage& page : AnalogPages())
        for (const TParameterInfo& parameter : page.Parameters)
            preset.ParameterValues[static_cast<std::size_t>(parameter.Offset)] =
                ValueFor(parameter, random);
    // Every group of the model turns up somewhere.
    const int group = (bank * kSlotsPerBank + slot) % variant.DigitalGroupCount;
    preset.DigitalGroup = group;
    int start = kDigitalAreaStart;
    const std::vector<int>& row = GroupRow(group);
    for (std::size_t k = 0; k < row.size(); ++k) {
        preset.DigitalOn[k] = k == 0 ? random.Chance(60) : random.Chance(65);
        for (const TParameterInfo& parameter :
             DigitalEffectPages()[static_cast<std::size_t>(row[k])].Parameters)
            preset.ParameterValues[static_cast<std::size_t>(start + parameter.Offset)] =
                std::max(ValueFor(parameter, random), parameter.Min);
        start += DigitalParameterCount(row[k]);
    }
    for (auto& state : preset.K27States)
        state = random.Chance(50);
    // Assignments move parameters that are in the chain: the mix, blocks and effects switched on.
    std::vector<int> candidates{1, 2, 3};
    for (int block = 0; block < kAnalogBlockCount; ++block)
        if (preset.AnalogOn[static_cast<std::size_t>(block)])
            for (int k = 0; k < AnalogBlocks()[static_cast<std::size_t>(block)].ParameterCount; ++k)
                candidates.push_back(AnalogBlocks()[static_cast<std::size_t>(block)].FirstSlot + k +
                                     1);
    int blockStart = kDigitalAreaStart;
    for (std::size_t k = 0; k < row.size(); ++k) {
        if (preset.DigitalOn[k])
            for (int p = 0; p < DigitalParameterCount(row[k]); ++p)
                candidates.push_back(blockStart + p + 1);
        blockStart += DigitalParameterCount(row[k]);
    }
    const int assignments = random.Between(0, 3);
    for (int i = 0; i < assignments; ++i) {
        preset.PerfInUse[static_cast<std::size_t>(i)] = true;
        TPerfMIDI& assignment = *preset.PerfMIDI[static_cast<std::size_t>(i)];
        assignment.Controller = i == 0 ? 4 : random.Between(1, 11);
        assignment.Parameter = candidates[static_cast<std::size_t>(
            random.Between(0, static_cast<int>(candidates.size()) - 1))];
        const TParameterTarget target =
            DescribeParameterNumber(preset, assignment.Parameter, variant);
        if (target.Parameter != nullptr) {
            assignment.LowValue = target.Parameter->Min;
            assignment.HighValue = target.Parameter->Max;
        }
        assignment.Flags = 255;
    }
    return preset.Encode();
}

TPlenovaDevice::TPlenovaDevice(bool prePlenova, std::uint8_t deviceByte)
    : variant(TDeviceMode::For(prePlenova)),
      deviceByte(static_cast<std::uint8_t>(deviceByte & 0x7F)) {
    FactoryReset();
    memoryChanged = false; // the factory content is what a unit starts with, not a change
}

void TPlenovaDevice::FactoryReset() {
    Banks.assign(static_cast<std::size_t>(variant.BankCount), {});
    for (int bank = 0; bank < variant.BankCount; ++bank)
        for (int slot = 0; slot < kSlotsPerBank; ++slot)
            Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot)] =
                FactoryPreset(bank, slot, variant);
    Table.MptTrailer = kSysexEnd;
    Table.MptHeader = {kSysexStart, kManufacturerByte, deviceByte, kModelByte,
                       variant.MptReplyCode};
    Table.ResetEntries();
    CurrentBank = 0;
    Load(0);
    memoryChanged = true;
}

TBytes TPlenovaDevice::SavedMemory() const {
    std::vector<TBytes> messages;
    for (const auto& bank : Banks)
        messages.insert(messages.end(), bank.begin(), bank.end());
    messages.push_back(Table.Encode(variant));
    messages.push_back(
        ParameterReplyMessage(deviceByte, kBankAddress, static_cast<std::uint8_t>(CurrentBank), 0));
    return JoinSyx(messages);
}

bool TPlenovaDevice::RestoreMemory(TByteView saved, std::string& why) {
    const std::vector<TSyxItem> items = SplitSyx(saved, variant);
    const std::size_t presets = static_cast<std::size_t>(variant.BankCount) * kSlotsPerBank;
    if (items.size() != presets + 2) {
        why = std::to_string(items.size()) + (items.size() == 1 ? " message" : " messages") +
              " instead of " + std::to_string(presets + 2);
        return false;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool preset = i < presets;
        const TSyxKind expected = preset         ? TSyxKind::Preset
                                  : i == presets ? TSyxKind::ProgramTable
                                                 : TSyxKind::Skipped;
        if (items[i].Kind != expected) {
            why = "message " + std::to_string(i + 1) + " is not " +
                  (preset         ? "a preset"
                   : i == presets ? "the program table"
                                  : "the selected bank");
            return false;
        }
    }
    const std::optional<TParameterReply> bank = ParseParameterReply(items.back().Bytes);
    if (!IsWellFormedSysex(items.back().Bytes) || !bank || bank->Address != kBankAddress ||
        bank->Value >= variant.BankCount) {
        why = "the selected bank is missing";
        return false;
    }
    Tmpt table;
    table.Decode(items[presets].Bytes, variant);
    for (int bankIndex = 0; bankIndex < variant.BankCount; ++bankIndex)
        for (int slot = 0; slot < kSlotsPerBank; ++slot)
            Banks[static_cast<std::size_t>(bankIndex)][static_cast<std::size_t>(slot)] =
                items[static_cast<std::size_t>(bankIndex * kSlotsPerBank + slot)].Bytes;
    Table = table;
    Table.MptHeader[2] = deviceByte;
    CurrentBank = bank->Value;
    Load(0);
    return true;
}

TBytes TPlenovaDevice::Outgoing(const TBytes& dump) const {
    TBytes bytes = dump;
    if (bytes.size() > 2)
        bytes[2] = deviceByte;
    return bytes;
}

void TPlenovaDevice::Load(int slot) {
    if (slot < 0 || slot >= kSlotsPerBank)
        return;
    CurrentSlot = slot;
    EditBuffer = Banks[static_cast<std::size_t>(CurrentBank)][static_cast<std::size_t>(slot)];
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::optional<std::vector<TBytes>> TPlenovaDevice::TurnTo(int bank, int slot) {
    if (bank < 0 || bank >= variant.BankCount || slot < 0 || slot >= kSlotsPerBank)
        return std::nullopt;
    std::vector<TBytes> sent;
    memoryChanged = memoryChanged || bank != CurrentBank;
    CurrentBank = bank;
    Load(slot);
    for (int program = 0; program < variant.MptEntryCount; ++program)
        if (Table.MptEntries[static_cast<std::size_t>(program)] == slot) {
            sent.push_back({0xB0, 0x20, static_cast<std::uint8_t>(program / 128)});
            sent.push_back({0xC0, static_cast<std::uint8_t>(program % 128)});
            break;
        }
    return sent;
}

std::vector<TBytes> TPlenovaDevice::Handle(TByteView message) {
    std::vector<TBytes> answers;
    if (message.empty())
        return answers;
    const std::uint8_t status = message[0];
    if (status == 0xB0 && message.size() >= 3) { // bank select: the LSB picks programs 129..200
        if (message[1] == 0x20)
            bankSelectLow = message[2] & 0x7F;
        return answers;
    }
    if (status == 0xC0 && message.size() >= 2) { // program change, through the program table
        const int program = bankSelectLow * 128 + (message[1] & 0x7F);
        if (program < variant.MptEntryCount)
            Load(Table.MptEntries[static_cast<std::size_t>(program)]);
        return answers;
    }
    const TRequest request = ClassifyRequest(message, variant);
    switch (request.Kind) {
    case TRequestKind::RequestCurrentPreset:
        answers.push_back(Outgoing(EditBuffer));
        break;
    case TRequestKind::SelectPreset:
        Load(request.Index);
        break;
    case TRequestKind::RequestParameter:
        if (request.Address == kBypassAddress)
            answers.push_back(ParameterReplyMessage(deviceByte, kBypassAddress, Bypass ? 1 : 0, 0));
        else if (request.Address == kBankAddress)
            answers.push_back(ParameterReplyMessage(deviceByte, kBankAddress,
                                                    static_cast<std::uint8_t>(CurrentBank), 0));
        else if (request.Address == kPresetNumberAddress)
            answers.push_back(ParameterReplyMessage(deviceByte, kPresetNumberAddress,
                                                    static_cast<std::uint8_t>(CurrentSlot % 128),
                                                    static_cast<std::uint8_t>(CurrentSlot / 128)));
        break;
    case TRequestKind::SetParameter:
        if (request.Address == kBypassAddress) {
            Bypass = request.Value != 0;
        } else if (request.Address == kBankAddress && request.Value < variant.BankCount) {
            memoryChanged = memoryChanged || request.Value != CurrentBank;
            CurrentBank = request.Value;
            Load(CurrentSlot);
        }
        break;
    case TRequestKind::RequestAllPresets:
        for (const TBytes& dump : Banks[static_cast<std::size_t>(CurrentBank)])
            answers.push_back(Outgoing(dump));
        break;
    case TRequestKind::RequestProgramTable: {
        Tmpt table = Table;
        table.MptHeader[2] = deviceByte;
        answers.push_back(table.Encode(variant));
        break;
    }
    case TRequestKind::StorePreset:
        if (request.Index < kSlotsPerBank) {
            TBytes& slot = Banks[static_cast<std::size_t>(CurrentBank)]
                                [static_cast<std::size_t>(request.Index)];
            slot = EditBuffer;
            if (CorruptStores && slot.size() > static_cast<std::size_t>(kTitleOffset))
                slot[kTitleOffset] ^= 0x01;
            CurrentSlot = request.Index;
            memoryChanged = true;
        }
        break;
    case TRequestKind::PresetDump:
        EditBuffer.assign(message.begin(), message.end());
        break;
    case TRequestKind::ProgramTable:
        Table.Decode(message, variant);
        memoryChanged = true;
        break;
    case TRequestKind::Unknown:
        break;
    }
    return answers;
}
