#pragma once
// A MIDI service whose every step can be made to fail, and whose callback the test
// drives by hand: for the ports' error paths and the buffers they lend.

#include "midi/MidiService.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

class FakeMidiService : public MidiService {
public:
    std::vector<std::string> Inputs{"Fake In"};
    std::vector<std::string> Outputs{"Fake Out"};
    std::map<std::string, MMRESULT> Fail; // operation name -> result to return
    std::vector<MIDIHDR*> Lent;           // input buffers currently added
    int Prepared = 0;
    int Opens = 0;
    bool Closed = true;
    MidiDriverCallback Callback = nullptr; // the input's
    std::uintptr_t Instance = 0;
    MidiDriverCallback OutCallback = nullptr;
    std::uintptr_t OutInstance = 0;
    std::vector<std::vector<std::uint8_t>> Sent;

    MMRESULT Result(const std::string& operation) const {
        const auto found = Fail.find(operation);
        return found == Fail.end() ? MMSYSERR_NOERROR : found->second;
    }

    unsigned InGetNumDevs() override { return static_cast<unsigned>(Inputs.size()); }
    MMRESULT InGetDevName(unsigned id, std::string& name) override {
        if (id >= Inputs.size())
            return MMSYSERR_BADDEVICEID;
        name = Inputs[id];
        return MMSYSERR_NOERROR;
    }
    MMRESULT InOpen(HMIDI& handle, unsigned, MidiDriverCallback callback,
                    std::uintptr_t instance) override {
        if (MMRESULT r = Result("InOpen"))
            return r;
        handle = 7;
        Callback = callback;
        Instance = instance;
        Closed = false;
        ++Opens;
        return MMSYSERR_NOERROR;
    }
    MMRESULT InPrepareHeader(HMIDI, MIDIHDR* header) override {
        if (MMRESULT r = Result("InPrepareHeader"))
            return r;
        header->dwFlags |= MHDR_PREPARED;
        ++Prepared;
        return MMSYSERR_NOERROR;
    }
    MMRESULT InUnprepareHeader(HMIDI, MIDIHDR* header) override {
        header->dwFlags &= ~MHDR_PREPARED;
        return Result("InUnprepareHeader");
    }
    MMRESULT InAddBuffer(HMIDI, MIDIHDR* header) override {
        if (MMRESULT r = Result("InAddBuffer"))
            return r;
        Lent.push_back(header);
        return MMSYSERR_NOERROR;
    }
    MMRESULT InStart(HMIDI) override { return Result("InStart"); }
    MMRESULT InReset(HMIDI) override {
        for (MIDIHDR* header : Lent)
            Callback(7, MIM_LONGDATA, Instance, reinterpret_cast<std::uintptr_t>(header), 0);
        Lent.clear();
        return Result("InReset");
    }
    MMRESULT InClose(HMIDI) override {
        Closed = true;
        return Result("InClose");
    }
    std::uint32_t InLostMessages(HMIDI) override { return 0; }

    // Hands the oldest lent buffer back with these bytes recorded, as a driver would.
    void ReturnBuffer(const std::vector<std::uint8_t>& bytes) {
        if (Lent.empty())
            throw std::logic_error("no buffer is lent to the fake service");
        MIDIHDR* header = Lent.front();
        Lent.erase(Lent.begin());
        for (std::size_t i = 0; i < bytes.size(); ++i)
            header->lpData[i] = bytes[i];
        header->dwBytesRecorded = static_cast<std::uint32_t>(bytes.size());
        Callback(7, MIM_LONGDATA, Instance, reinterpret_cast<std::uintptr_t>(header), 0);
    }

    unsigned OutGetNumDevs() override { return static_cast<unsigned>(Outputs.size()); }
    MMRESULT OutGetDevName(int id, std::string& name) override {
        if (id == -1) {
            name = kMidiMapperName;
            return MMSYSERR_NOERROR;
        }
        if (id < 0 || static_cast<std::size_t>(id) >= Outputs.size())
            return MMSYSERR_BADDEVICEID;
        name = Outputs[static_cast<std::size_t>(id)];
        return MMSYSERR_NOERROR;
    }
    MMRESULT OutOpen(HMIDI& handle, int, MidiDriverCallback callback,
                     std::uintptr_t instance) override {
        if (MMRESULT r = Result("OutOpen"))
            return r;
        handle = 9;
        OutCallback = callback;
        OutInstance = instance;
        return MMSYSERR_NOERROR;
    }
    MMRESULT OutShortMsg(HMIDI handle, std::uint32_t packed) override {
        if (handle != 9)
            return MMSYSERR_INVALHANDLE;
        Sent.push_back({static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
                        static_cast<std::uint8_t>(packed >> 16)});
        return MMSYSERR_NOERROR;
    }
    MMRESULT OutPrepareHeader(HMIDI handle, MIDIHDR*) override {
        if (handle != 9)
            return MMSYSERR_INVALHANDLE;
        return Result("OutPrepareHeader");
    }
    MMRESULT OutLongMsg(HMIDI, MIDIHDR* header) override {
        if (MMRESULT r = Result("OutLongMsg"))
            return r;
        Sent.emplace_back(header->lpData, header->lpData + header->dwBufferLength);
        OutCallback(9, MOM_DONE, OutInstance, reinterpret_cast<std::uintptr_t>(header), 0);
        return MMSYSERR_NOERROR;
    }
    MMRESULT OutUnprepareHeader(HMIDI, MIDIHDR*) override { return MMSYSERR_NOERROR; }
    MMRESULT OutClose(HMIDI) override { return Result("OutClose"); }

    MMRESULT GetErrorText(MMRESULT result, std::string& text) override {
        if (result == 999)
            return MMSYSERR_BADERRNUM;
        return MidiService::GetErrorText(result, text);
    }
};
