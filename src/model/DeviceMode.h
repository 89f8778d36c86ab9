#pragma once
// The processor model in use and the device byte: one process-wide mode that the
// windows, the simulator and the tool all read, switched as a whole.

#include <cstdint>

struct TDeviceMode {
    bool PrePlenova = false;
    std::uint8_t MptReplyCode = 0x13;
    std::uint8_t MptRequestCode = 0x53;
    std::uint8_t BulkRequestCode = 0x52;
    int MptEntryCount = 200;
    int MptDumpLength = 406;
    int DigitalGroupCount = 54;
    int DigitalEffectCount = 25;
    int BankCount = 4;

    static constexpr TDeviceMode Plenova() { return {}; }
    static constexpr TDeviceMode PrePlenovaModel() {
        return {true, 0x0C, 0x4C, 0x4B, 128, 262, 47, 23, 1};
    }
    static constexpr TDeviceMode For(bool prePlenova) {
        return prePlenova ? PrePlenovaModel() : Plenova();
    }
};

// The mode of this process; Plenova until switched.
inline TDeviceMode Mode = TDeviceMode::Plenova();

// The process-wide values by their own names; change them only through SetPrePlenovaMode.
inline const bool& PrePlenovaMode = Mode.PrePlenova;
inline const std::uint8_t& MptReplyCode = Mode.MptReplyCode;
inline const std::uint8_t& MptRequestCode = Mode.MptRequestCode;
inline const std::uint8_t& BulkRequestCode = Mode.BulkRequestCode;
inline const int& MptDumpLength = Mode.MptDumpLength;
inline const int& DigitalGroupCount = Mode.DigitalGroupCount;
inline const int& DigitalEffectCount = Mode.DigitalEffectCount;

inline void SetPrePlenovaMode(bool prePlenova) {
    Mode = TDeviceMode::For(prePlenova);
}

// The device byte of every message the program builds (the transmit channel at start-up).
inline std::uint8_t DeviceId = 0;
