// The device service: buffers, re-framing, time stamps and the output thread.

#include "midi/MidiDeviceService.h"

#include "model/MidiFramer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

std::vector<std::string> MidiService::InNames() {
    std::vector<std::string> names;
    const unsigned count = InGetNumDevs();
    for (unsigned index = 0; index < count; ++index) {
        std::string name;
        if (InGetDevName(index, name) == MMSYSERR_NOERROR)
            names.push_back(name);
    }
    return names;
}

std::vector<std::string> MidiService::OutNames() {
    std::vector<std::string> names;
    const unsigned count = OutGetNumDevs();
    for (unsigned index = 0; index < count; ++index) {
        std::string name;
        if (OutGetDevName(static_cast<int>(index), name) == MMSYSERR_NOERROR)
            names.push_back(name);
    }
    return names;
}

MMRESULT MidiService::GetErrorText(MMRESULT result, std::string& text) {
    switch (result) {
    case MMSYSERR_NOERROR:
        text = "The MIDI operation completed successfully.";
        break;
    case MMSYSERR_ERROR:
        text = "The MIDI device reported an unspecified error.";
        break;
    case MMSYSERR_BADDEVICEID:
        text = "The MIDI device number is out of range.";
        break;
    case MMSYSERR_NOTENABLED:
        text = "The MIDI driver could not be enabled.";
        break;
    case MMSYSERR_ALLOCATED:
        text = "The MIDI device is already in use or could not be opened.";
        break;
    case MMSYSERR_INVALHANDLE:
        text = "The MIDI device handle is not valid (is the device open?).";
        break;
    case MMSYSERR_NODRIVER:
        text = "No MIDI driver is installed.";
        break;
    case MMSYSERR_NOMEM:
        text = "There is not enough memory for the MIDI operation.";
        break;
    case MMSYSERR_INVALPARAM:
        text = "A value passed to the MIDI service is not valid.";
        break;
    case MIDIERR_UNPREPARED:
        text = "The MIDI buffer has not been prepared.";
        break;
    case MIDIERR_STILLPLAYING:
        text = "The MIDI buffer is still in use by the device.";
        break;
    case MIDIERR_NOTREADY:
        text = "The MIDI device is busy.";
        break;
    case MIDIERR_NODEVICE:
        text = "The MIDI device is not connected or has gone away.";
        break;
    default:
        return MMSYSERR_BADERRNUM;
    }
    return MMSYSERR_NOERROR;
}

namespace {
using Clock = std::chrono::steady_clock;
} // namespace

// One open input: the framer turns the backend's byte stream back into messages; this lends
// it the port's buffers and time-stamps what it finds. Input does not wait for the window:
// when every lent buffer is in use (the window is held up), what arrives is kept in order
// beside them, up to a bound, and handed over as the port lends its buffers again.
class MidiDeviceService::InputDevice : public MidiByteSink, private TMidiFramer::TReceiver {
public:
    // Whom the driver calls back, and with which instance value.
    struct TCaller {
        HMIDI Handle;
        MidiDriverCallback Callback;
        std::uintptr_t Instance;
    };

    InputDevice(const TCaller& caller, std::size_t spillLimit)
        : handle(caller.Handle), callback(caller.Callback), instance(caller.Instance),
          spillLimit(spillLimit) {}

    void Receive(const std::uint8_t* bytes, std::size_t count) override {
        const std::lock_guard lock(mutex);
        if (!started)
            return;
        const auto now = static_cast<std::uint32_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - startTime)
                .count());
        for (std::size_t i = 0; i < count; ++i)
            framer.ByteIn(bytes[i], now);
    }

    MMRESULT AddBuffer(MIDIHDR* header) {
        const std::lock_guard lock(mutex);
        if ((header->dwFlags & MHDR_PREPARED) == 0)
            return MIDIERR_UNPREPARED;
        if ((header->dwFlags & MHDR_INQUEUE) != 0)
            return MIDIERR_STILLPLAYING;
        header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
        header->dwBytesRecorded = 0;
        freeBuffers.push_back(header);
        bufferLength = header->dwBufferLength;
        HandOverSpilled();
        return MMSYSERR_NOERROR;
    }

    MMRESULT Unprepare(MIDIHDR* header) {
        const std::lock_guard lock(mutex);
        if ((header->dwFlags & MHDR_INQUEUE) != 0)
            return MIDIERR_STILLPLAYING;
        header->dwFlags &= ~MHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    void Start() {
        const std::lock_guard lock(mutex);
        if (started)
            return;
        started = true;
        startTime = Clock::now();
    }

    void Reset() {
        const std::lock_guard lock(mutex);
        started = false;
        framer.Reset();
        // What was kept for the window never reaches it now.
        for (const Spilled& message : spill)
            if (message.Long)
                LostMessages.fetch_add(1, std::memory_order_relaxed);
        spill.clear();
        spillBytes = 0;
        while (!freeBuffers.empty()) {
            MIDIHDR* header = freeBuffers.front();
            freeBuffers.pop_front();
            ReturnBuffer(header, MIM_LONGDATA, 0);
        }
    }

    bool HoldsBuffers() {
        const std::lock_guard lock(mutex);
        return current != nullptr || !freeBuffers.empty();
    }

    void Notify(unsigned message) { callback(handle, message, instance, 0, 0); }

    std::unique_ptr<MidiInputConnection> Connection;
    std::atomic<std::uint32_t> LostMessages{0};

private:
    // A message waiting for a lent buffer: a piece of SysEx, or a short message behind one.
    struct Spilled {
        bool Long = false;
        std::vector<std::uint8_t> Bytes;
        bool Cut = false;
        std::uint32_t Packed = 0;
        std::uint32_t Time = 0;
    };

    // Message, then time stamp, as the driver reports them.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void ShortMessage(std::uint32_t packed, std::uint32_t time) override {
        if (!spill.empty()) { // kept behind the SysEx that waits, in order
            spill.push_back({false, {}, false, packed, time});
            return;
        }
        callback(handle, MIM_DATA, instance, packed, time);
    }

    TMidiFramer::TBuffer NextBuffer() override {
        if (spill.empty() && !freeBuffers.empty()) {
            current = freeBuffers.front();
            freeBuffers.pop_front();
            return {current->lpData, current->dwBufferLength};
        }
        // Every lent buffer is taken (or waits behind kept input): keep this one aside.
        if (bufferLength == 0 || spillBytes + bufferLength > spillLimit)
            return {};
        spillBuffer.resize(bufferLength);
        spilling = true;
        return {spillBuffer.data(), bufferLength};
    }

    void BufferDone(std::uint32_t recorded, bool cut, std::uint32_t time) override {
        if (spilling) {
            spilling = false;
            spill.push_back(
                {true,
                 std::vector<std::uint8_t>(spillBuffer.begin(), spillBuffer.begin() + recorded),
                 cut, 0, time});
            spillBytes += recorded;
            return;
        }
        MIDIHDR* header = current;
        current = nullptr;
        header->dwBytesRecorded = recorded;
        ReturnBuffer(header, cut ? MIM_LONGERROR : MIM_LONGDATA, time);
    }

    // Runs whenever a buffer is lent: kept input goes out first, in the order it came.
    void HandOverSpilled() {
        while (!spill.empty()) {
            Spilled& message = spill.front();
            if (!message.Long) {
                callback(handle, MIM_DATA, instance, message.Packed, message.Time);
            } else if (!freeBuffers.empty()) {
                MIDIHDR* header = freeBuffers.front();
                freeBuffers.pop_front();
                const auto count = static_cast<std::uint32_t>(
                    std::min<std::size_t>(message.Bytes.size(), header->dwBufferLength));
                std::copy_n(message.Bytes.begin(), count, header->lpData);
                header->dwBytesRecorded = count;
                spillBytes -= message.Bytes.size();
                ReturnBuffer(header, message.Cut ? MIM_LONGERROR : MIM_LONGDATA, message.Time);
            } else {
                return;
            }
            spill.pop_front();
        }
    }

    void MessageLost() override { LostMessages.fetch_add(1, std::memory_order_relaxed); }

    // Message, then time stamp, as the driver reports them.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void ReturnBuffer(MIDIHDR* header, unsigned message, std::uint32_t time) {
        header->dwFlags = (header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
        callback(handle, message, instance, reinterpret_cast<std::uintptr_t>(header), time);
    }

    const HMIDI handle;
    const MidiDriverCallback callback;
    const std::uintptr_t instance;

    std::mutex mutex; // the backend's thread against the user-interface thread
    std::deque<MIDIHDR*> freeBuffers;
    MIDIHDR* current = nullptr; // the buffer the framer is filling
    const std::size_t spillLimit;
    std::uint32_t bufferLength = 0; // of the port's buffers: a kept piece fits one
    std::deque<Spilled> spill;
    std::size_t spillBytes = 0;
    std::vector<std::uint8_t> spillBuffer;
    bool spilling = false; // the framer fills spillBuffer
    bool started = false;
    Clock::time_point startTime;
    TMidiFramer framer{*this};
};

// One open output: a thread that sends in order, reports each long message done and each
// message the backend would not take.
class MidiDeviceService::OutputDevice {
public:
    OutputDevice(HMIDI handle, MidiDriverCallback callback, std::uintptr_t instance,
                 std::unique_ptr<MidiOutputConnection> connection)
        : handle(handle), callback(callback), instance(instance), connection(std::move(connection)),
          worker([this] { Run(); }) {}

    // Everything handed over is sent before the device closes.
    ~OutputDevice() {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        worker.join();
    }

    MMRESULT Short(std::uint32_t packed) {
        Job job;
        job.Bytes[0] = packed & 0xFF;
        job.Bytes[1] = (packed >> 8) & 0x7F;
        job.Bytes[2] = (packed >> 16) & 0x7F;
        const int length = MidiMessageLength(job.Bytes[0]);
        if (length == 0)
            return MMSYSERR_INVALPARAM;
        job.Count = static_cast<std::uint8_t>(length);
        Queue(job);
        return MMSYSERR_NOERROR;
    }

    MMRESULT Long(MIDIHDR* header) {
        {
            const std::lock_guard lock(mutex);
            if ((header->dwFlags & MHDR_PREPARED) == 0)
                return MIDIERR_UNPREPARED;
            if ((header->dwFlags & MHDR_INQUEUE) != 0)
                return MIDIERR_STILLPLAYING;
            header->dwFlags = (header->dwFlags | MHDR_INQUEUE) & ~MHDR_DONE;
        }
        Job job;
        job.Header = header;
        Queue(job);
        return MMSYSERR_NOERROR;
    }

    MMRESULT Unprepare(MIDIHDR* header) {
        const std::lock_guard lock(mutex);
        if ((header->dwFlags & MHDR_INQUEUE) != 0)
            return MIDIERR_STILLPLAYING;
        header->dwFlags &= ~MHDR_PREPARED;
        return MMSYSERR_NOERROR;
    }

    void Notify(unsigned message) { callback(handle, message, instance, 0, 0); }

private:
    struct Job {
        MIDIHDR* Header = nullptr;
        std::uint8_t Bytes[3] = {0, 0, 0};
        std::uint8_t Count = 0;
    };

    void Queue(const Job& job) {
        {
            const std::lock_guard lock(mutex);
            jobs.push_back(job);
        }
        wake.notify_one();
    }

    void Run() {
        for (;;) {
            Job job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopping || !jobs.empty(); });
                if (jobs.empty())
                    return;
                job = jobs.front();
                jobs.pop_front();
            }
            if (job.Header == nullptr) {
                ReportFailure(connection->Send(job.Bytes, job.Count));
                continue;
            }
            const std::uint8_t* bytes = job.Header->lpData;
            for (const auto& [offset, length] :
                 SplitMidiMessages(bytes, job.Header->dwBufferLength)) {
                const MMRESULT result = connection->Send(bytes + offset, length);
                if (result != MMSYSERR_NOERROR) {
                    ReportFailure(result); // the rest of a broken message is not worth sending
                    break;
                }
            }
            {
                const std::lock_guard lock(mutex);
                job.Header->dwFlags = (job.Header->dwFlags | MHDR_DONE) & ~MHDR_INQUEUE;
            }
            callback(handle, MOM_DONE, instance, reinterpret_cast<std::uintptr_t>(job.Header), 0);
        }
    }

    void ReportFailure(MMRESULT result) {
        if (result != MMSYSERR_NOERROR)
            callback(handle, MOM_SENDERROR, instance, result, 0);
    }

    const HMIDI handle;
    const MidiDriverCallback callback;
    const std::uintptr_t instance;
    std::unique_ptr<MidiOutputConnection> connection;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> jobs;
    bool stopping = false;
    std::thread worker; // last: starts once everything above exists
};

MidiDeviceService::MidiDeviceService() = default;

MidiDeviceService::~MidiDeviceService() {
    // Close what callers left open before the backends go.
    for (auto& [handle, input] : inputs)
        input->Connection.reset();
    inputs.clear();
    outputs.clear();
}

MidiDeviceService::Located MidiDeviceService::Locate(unsigned deviceId, bool input) {
    std::size_t index = deviceId;
    for (auto& backend : backends) {
        const std::size_t count = (input ? backend->InputNames() : backend->OutputNames()).size();
        if (index < count)
            return {backend.get(), index};
        index -= count;
    }
    return {};
}

std::vector<std::string> MidiDeviceService::Names(bool input) {
    std::vector<std::string> names;
    for (auto& backend : backends)
        for (std::string& name : input ? backend->InputNames() : backend->OutputNames())
            names.push_back(std::move(name));
    return names;
}

unsigned MidiDeviceService::CountDevices(bool input) {
    std::size_t count = 0;
    for (auto& backend : backends)
        count += (input ? backend->InputNames() : backend->OutputNames()).size();
    return static_cast<unsigned>(count);
}

MMRESULT MidiDeviceService::DeviceName(unsigned deviceId, bool input, std::string& name) {
    const Located device = Locate(deviceId, input);
    if (device.Backend == nullptr)
        return MMSYSERR_BADDEVICEID;
    const std::vector<std::string> names =
        input ? device.Backend->InputNames() : device.Backend->OutputNames();
    if (device.Index >= names.size())
        return MMSYSERR_BADDEVICEID;
    name = names[device.Index];
    return MMSYSERR_NOERROR;
}

MidiDeviceService::InputDevice* MidiDeviceService::FindInput(HMIDI handle) {
    const auto found = inputs.find(handle);
    return found == inputs.end() ? nullptr : found->second.get();
}

MidiDeviceService::OutputDevice* MidiDeviceService::FindOutput(HMIDI handle) {
    const auto found = outputs.find(handle);
    return found == outputs.end() ? nullptr : found->second.get();
}

std::vector<std::string> MidiDeviceService::UnavailableSystems() {
    std::vector<std::string> systems;
    for (auto& backend : backends)
        for (std::string& system : backend->UnavailableSystems())
            systems.push_back(std::move(system));
    return systems;
}

unsigned MidiDeviceService::InGetNumDevs() {
    return CountDevices(true);
}

MMRESULT MidiDeviceService::InGetDevName(unsigned deviceId, std::string& name) {
    return DeviceName(deviceId, true, name);
}

MMRESULT MidiDeviceService::InOpen(HMIDI& handle, unsigned deviceId, MidiDriverCallback callback,
                                   std::uintptr_t instance) {
    const Located device = Locate(deviceId, true);
    if (device.Backend == nullptr)
        return MMSYSERR_BADDEVICEID;
    if (callback == nullptr)
        return MMSYSERR_INVALPARAM;
    auto input = std::make_unique<InputDevice>(
        InputDevice::TCaller{.Handle = nextHandle, .Callback = callback, .Instance = instance},
        InputSpillLimit);
    MMRESULT error = MMSYSERR_NOERROR;
    input->Connection = device.Backend->OpenInput(device.Index, *input, error);
    if (!input->Connection)
        return error == MMSYSERR_NOERROR ? MMSYSERR_ALLOCATED : error;
    handle = nextHandle++;
    input->Notify(MIM_OPEN);
    inputs.emplace(handle, std::move(input));
    return MMSYSERR_NOERROR;
}

namespace {
MMRESULT Prepare(MIDIHDR* header) {
    if (header == nullptr || header->lpData == nullptr || header->dwBufferLength == 0)
        return MMSYSERR_INVALPARAM;
    header->dwFlags |= MHDR_PREPARED;
    return MMSYSERR_NOERROR;
}
} // namespace

MMRESULT MidiDeviceService::InPrepareHeader(HMIDI handle, MIDIHDR* header) {
    return FindInput(handle) == nullptr ? MMSYSERR_INVALHANDLE : Prepare(header);
}

MMRESULT MidiDeviceService::InUnprepareHeader(HMIDI handle, MIDIHDR* header) {
    InputDevice* input = FindInput(handle);
    if (input == nullptr)
        return MMSYSERR_INVALHANDLE;
    return input->Unprepare(header);
}

MMRESULT MidiDeviceService::InAddBuffer(HMIDI handle, MIDIHDR* header) {
    InputDevice* input = FindInput(handle);
    if (input == nullptr)
        return MMSYSERR_INVALHANDLE;
    return input->AddBuffer(header);
}

MMRESULT MidiDeviceService::InStart(HMIDI handle) {
    InputDevice* input = FindInput(handle);
    if (input == nullptr)
        return MMSYSERR_INVALHANDLE;
    input->Start();
    return MMSYSERR_NOERROR;
}

MMRESULT MidiDeviceService::InReset(HMIDI handle) {
    InputDevice* input = FindInput(handle);
    if (input == nullptr)
        return MMSYSERR_INVALHANDLE;
    input->Reset();
    return MMSYSERR_NOERROR;
}

MMRESULT MidiDeviceService::InClose(HMIDI handle) {
    InputDevice* input = FindInput(handle);
    if (input == nullptr)
        return MMSYSERR_INVALHANDLE;
    if (input->HoldsBuffers())
        return MIDIERR_STILLPLAYING;
    input->Connection.reset(); // no more bytes from the backend after this
    input->Notify(MIM_CLOSE);
    inputs.erase(handle);
    return MMSYSERR_NOERROR;
}

std::uint32_t MidiDeviceService::InLostMessages(HMIDI handle) {
    InputDevice* input = FindInput(handle);
    return input == nullptr ? 0 : input->LostMessages.load(std::memory_order_relaxed);
}

unsigned MidiDeviceService::OutGetNumDevs() {
    return CountDevices(false);
}

MMRESULT MidiDeviceService::OutGetDevName(int deviceId, std::string& name) {
    if (deviceId == -1) {
        name = kMidiMapperName;
        return MMSYSERR_NOERROR;
    }
    if (deviceId < 0)
        return MMSYSERR_BADDEVICEID;
    return DeviceName(static_cast<unsigned>(deviceId), false, name);
}

MMRESULT MidiDeviceService::OutOpen(HMIDI& handle, int deviceId, MidiDriverCallback callback,
                                    std::uintptr_t instance) {
    if (deviceId == -1) { // the mapper plays through the first device
        if (OutGetNumDevs() == 0)
            return MIDIERR_NODEVICE;
        deviceId = 0;
    }
    if (deviceId < 0)
        return MMSYSERR_BADDEVICEID;
    const Located device = Locate(static_cast<unsigned>(deviceId), false);
    if (device.Backend == nullptr)
        return MMSYSERR_BADDEVICEID;
    if (callback == nullptr)
        return MMSYSERR_INVALPARAM;
    MMRESULT error = MMSYSERR_NOERROR;
    auto connection = device.Backend->OpenOutput(device.Index, error);
    if (!connection)
        return error == MMSYSERR_NOERROR ? MMSYSERR_ALLOCATED : error;
    handle = nextHandle++;
    auto output = std::make_unique<OutputDevice>(handle, callback, instance, std::move(connection));
    output->Notify(MOM_OPEN);
    outputs.emplace(handle, std::move(output));
    return MMSYSERR_NOERROR;
}

MMRESULT MidiDeviceService::OutShortMsg(HMIDI handle, std::uint32_t packedMessage) {
    OutputDevice* output = FindOutput(handle);
    if (output == nullptr)
        return MMSYSERR_INVALHANDLE;
    return output->Short(packedMessage);
}

MMRESULT MidiDeviceService::OutPrepareHeader(HMIDI handle, MIDIHDR* header) {
    return FindOutput(handle) == nullptr ? MMSYSERR_INVALHANDLE : Prepare(header);
}

MMRESULT MidiDeviceService::OutLongMsg(HMIDI handle, MIDIHDR* header) {
    OutputDevice* output = FindOutput(handle);
    if (output == nullptr)
        return MMSYSERR_INVALHANDLE;
    return output->Long(header);
}

MMRESULT MidiDeviceService::OutUnprepareHeader(HMIDI handle, MIDIHDR* header) {
    OutputDevice* output = FindOutput(handle);
    if (output == nullptr)
        return MMSYSERR_INVALHANDLE;
    return output->Unprepare(header);
}

MMRESULT MidiDeviceService::OutClose(HMIDI handle) {
    const auto found = outputs.find(handle);
    if (found == outputs.end())
        return MMSYSERR_INVALHANDLE;
    std::unique_ptr<OutputDevice> output = std::move(found->second);
    outputs.erase(found);
    output->Notify(MOM_CLOSE);
    output.reset(); // sends what is still queued, then stops its thread
    return MMSYSERR_NOERROR;
}

std::vector<std::pair<std::size_t, std::size_t>> SplitMidiMessages(const std::uint8_t* bytes,
                                                                   std::size_t count) {
    std::vector<std::pair<std::size_t, std::size_t>> pieces;
    std::uint8_t runningStatus = 0;
    std::size_t i = 0;
    while (i < count) {
        const std::uint8_t byte = bytes[i];
        std::size_t end = i + 1;
        if (byte == 0xF0) {
            // The SysEx runs to its end byte; real-time bytes inside it stay where they are.
            while (end < count && (bytes[end] < 0x80 || bytes[end] >= 0xF8))
                ++end;
            if (end < count && bytes[end] == 0xF7)
                ++end;
            runningStatus = 0;
        } else if (byte >= 0xF8) {
            // alone
        } else if (byte >= 0x80) {
            const std::size_t length = static_cast<std::size_t>(MidiMessageLength(byte));
            while (end < count && end - i < length && bytes[end] < 0x80)
                ++end;
            runningStatus = byte < 0xF0 ? byte : 0;
        } else {
            const std::size_t length =
                runningStatus != 0 ? static_cast<std::size_t>(MidiMessageLength(runningStatus)) - 1
                                   : count;
            while (end < count && end - i < length && bytes[end] < 0x80)
                ++end;
        }
        pieces.emplace_back(i, end - i);
        i = end;
    }
    return pieces;
}
