#pragma once
// A Quellfarn Plenova as the program sees it over MIDI: 4 banks of 200 presets, the edit
// buffer, the current slot and bank, bypass and the program table, answering each
// message it understands and ignoring the rest. Pure logic: timing lives elsewhere.

#include "model/DeviceMode.h"
#include "model/Mpt.h"
#include "model/Protocol.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

inline constexpr int kSlotsPerBank = 200;

class TPlenovaDevice {
public:
    // A unit with its factory content; prePlenova gives the older single-bank model.
    explicit TPlenovaDevice(bool prePlenova = false, std::uint8_t deviceByte = 0);

    // The answers to one complete message the program sent (a SysEx or a channel message).
    std::vector<TBytes> Handle(TByteView message);

    const TDeviceMode& Variant() const { return variant; }
    std::uint8_t DeviceByte() const { return deviceByte; }
    int BankCount() const { return variant.BankCount; }

    // State, for tests and for filling from or saving to a backup folder.
    int CurrentBank = 0;
    int CurrentSlot = 0;
    bool Bypass = false;
    TBytes EditBuffer;
    std::vector<std::array<TBytes, kSlotsPerBank>> Banks;
    Tmpt Table;
    // A faulty unit, for trying out verification: every store changes one byte of the title.
    bool CorruptStores = false;

    // The unit's own knob turned to this slot (0-based) of this bank: the preset is loaded, and
    // what a unit set to send program changes then sends: the bank select LSB and the program
    // change of the first program the table gives this slot (nothing when none does). Nothing
    // at all for a place the unit does not have.
    std::optional<std::vector<TBytes>> TurnTo(int bank, int slot);

    // What the unit keeps while switched off, as one run of SysEx messages: every bank's presets
    // in slot order, the program table, then the selected bank as the unit reports it.
    TBytes SavedMemory() const;
    // Takes back a saved memory of this model: the selected bank's first slot is loaded, as at
    // power-on. False, and nothing changed, for anything else (why: for the user).
    bool RestoreMemory(TByteView saved, std::string& why);
    // Back to the factory presets, an empty program table and bank A.
    void FactoryReset();
    // Whether the kept memory changed (a store, a program table, another bank) since last asked.
    bool TakeMemoryChanged() { return std::exchange(memoryChanged, false); }

    // The dump the unit sends for a stored preset: its own device byte in the header.
    TBytes Outgoing(const TBytes& dump) const;
    // The factory content of one slot (deterministic).
    static TBytes FactoryPreset(int bank, int slot, const TDeviceMode& variant);

private:
    void Load(int slot);

    TDeviceMode variant;
    std::uint8_t deviceByte;
    int bankSelectLow = 0; // the bank select LSB: program changes above 128
    bool memoryChanged = false;
};
