#pragma once
// The MIDI service the ports are written against: device lists, opening with a driver
// callback, lending SysEx buffers, sending, and the text of every result code.

#include "midi/Midicons.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class MidiService {
public:
    virtual ~MidiService() = default;

    // Input devices, indexed from 0.
    virtual unsigned InGetNumDevs() = 0;
    virtual MMRESULT InGetDevName(unsigned deviceId, std::string& name) = 0;
    virtual MMRESULT InOpen(HMIDI& handle, unsigned deviceId, MidiDriverCallback callback,
                            std::uintptr_t instance) = 0;
    virtual MMRESULT InPrepareHeader(HMIDI handle, MIDIHDR* header) = 0;
    virtual MMRESULT InUnprepareHeader(HMIDI handle, MIDIHDR* header) = 0;
    virtual MMRESULT InAddBuffer(HMIDI handle, MIDIHDR* header) = 0;
    virtual MMRESULT InStart(HMIDI handle) = 0;
    // Stops input and hands every lent buffer back through the callback.
    virtual MMRESULT InReset(HMIDI handle) = 0;
    virtual MMRESULT InClose(HMIDI handle) = 0;
    // Messages the service had to drop since the device was opened (no free buffer).
    virtual std::uint32_t InLostMessages(HMIDI handle) = 0;

    // Output devices, indexed from 0; -1 is the mapper.
    virtual unsigned OutGetNumDevs() = 0;
    virtual MMRESULT OutGetDevName(int deviceId, std::string& name) = 0;
    virtual MMRESULT OutOpen(HMIDI& handle, int deviceId, MidiDriverCallback callback,
                             std::uintptr_t instance) = 0;
    virtual MMRESULT OutShortMsg(HMIDI handle, std::uint32_t packedMessage) = 0;
    virtual MMRESULT OutPrepareHeader(HMIDI handle, MIDIHDR* header) = 0;
    // Sends the buffer's bytes as they stand and reports MOM_DONE when it is free again.
    virtual MMRESULT OutLongMsg(HMIDI handle, MIDIHDR* header) = 0;
    virtual MMRESULT OutUnprepareHeader(HMIDI handle, MIDIHDR* header) = 0;
    virtual MMRESULT OutClose(HMIDI handle) = 0;

    // Every device's name at once, in device order (the mapper aside); the same as asking one
    // by one, cheaper where listing is dear.
    virtual std::vector<std::string> InNames();
    virtual std::vector<std::string> OutNames();

    // The text of a result code; MMSYSERR_BADERRNUM for a code it does not know.
    virtual MMRESULT GetErrorText(MMRESULT result, std::string& text);

    // The MIDI systems that could not be reached on this machine, named for the user.
    virtual std::vector<std::string> UnavailableSystems() { return {}; }
};

// Name the output mapper reports.
inline constexpr const char* kMidiMapperName = "MIDI Mapper";
