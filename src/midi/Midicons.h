#pragma once
// The MIDI service's constants, result codes and buffer header, numbered as the
// ports and the driver callback use them.

#include <cstdint>

using MMRESULT = unsigned;
using HMIDI = std::uintptr_t; // a device handle; 0 means none

// Result codes.
inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_BADERRNUM = 9;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT MIDIERR_UNPREPARED = 64;
inline constexpr MMRESULT MIDIERR_STILLPLAYING = 65;
inline constexpr MMRESULT MIDIERR_NOTREADY = 67;
inline constexpr MMRESULT MIDIERR_NODEVICE = 68;

// Message numbers passed to the driver callback and posted to the ports.
inline constexpr unsigned MIM_OPEN = 0x3C1;
inline constexpr unsigned MIM_CLOSE = 0x3C2;
inline constexpr unsigned MIM_DATA = 0x3C3;
inline constexpr unsigned MIM_LONGDATA = 0x3C4;
inline constexpr unsigned MIM_ERROR = 0x3C5;
inline constexpr unsigned MIM_LONGERROR = 0x3C6;
inline constexpr unsigned MOM_OPEN = 0x3C7;
inline constexpr unsigned MOM_CLOSE = 0x3C8;
inline constexpr unsigned MOM_DONE = 0x3C9;
// Ours: the output device could not send a message; parameter 1 is the result code. A send
// returns before the device has tried, so this is the only way a failure comes back.
inline constexpr unsigned MOM_SENDERROR = 0x3CB;
inline constexpr unsigned WM_USER = 0x400;

inline constexpr std::uint32_t CALLBACK_FUNCTION = 0x30000;

// Header flags.
inline constexpr std::uint32_t MHDR_DONE = 0x1;
inline constexpr std::uint32_t MHDR_PREPARED = 0x2;
inline constexpr std::uint32_t MHDR_INQUEUE = 0x4;

// One SysEx buffer lent to the service.
struct MIDIHDR {
    std::uint8_t* lpData = nullptr;
    std::uint32_t dwBufferLength = 0;
    std::uint32_t dwBytesRecorded = 0;
    std::uintptr_t dwUser = 0;
    std::uint32_t dwFlags = 0;
};

// The driver callback: device handle, message number, instance value, parameters 1 and 2.
using MidiDriverCallback = void (*)(HMIDI handle, unsigned message, std::uintptr_t instance,
                                    std::uintptr_t param1, std::uintptr_t param2);
