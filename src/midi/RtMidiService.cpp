// RtMidi backend. RtMidi is set up so that SysEx, timing clock and active sensing all
// reach us; the driver callback filters what the program does not want.

#include "midi/RtMidiService.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <regex>
#include <rtmidi/RtMidi.h>
#include <thread>

#if defined(__linux__)
#include <alsa/asoundlib.h>
#include <jack/jack.h>
#endif

namespace {
// RtMidi reports errors through this once a callback is set; we keep the last one.
struct ErrorRecord {
    std::atomic<bool> Failed{false};
};

void RecordError(RtMidiError::Type type, const std::string& /*text*/, void* userData) {
    if (type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING)
        return;
    static_cast<ErrorRecord*>(userData)->Failed = true;
}

void IgnoreError(RtMidiError::Type, const std::string&, void*) {}

class RtInput : public MidiInputConnection {
public:
    RtInput(RtMidi::Api api, const std::string& client, unsigned port, MidiByteSink& sink)
        : sink(sink), midi(std::make_unique<RtMidiIn>(api, client)) {
        midi->setErrorCallback(&RecordError, &errors);
#ifdef _WIN32
        midi->setBufferSize(4096, 16);
#endif
        midi->ignoreTypes(false, false, false);
        // Set once and never cancelled: cancelling races with RtMidi's thread.
        midi->setCallback(&RtInput::Arrived, this);
        midi->openPort(port, client + " input");
    }
    ~RtInput() override {
        active = false;
        midi->closePort();
        midi.reset(); // joins RtMidi's thread or leaves the JACK graph
    }
    bool Opened() const {
        return !errors.Failed && midi->isPortOpen();
    }

private:
    static void Arrived(double /*delta*/, std::vector<unsigned char>* message, void* userData) {
        auto* self = static_cast<RtInput*>(userData);
        if (self->active && message != nullptr && !message->empty())
            self->sink.Receive(message->data(), message->size());
    }

    MidiByteSink& sink;
    ErrorRecord errors;
    std::atomic<bool> active{true};
    std::unique_ptr<RtMidiIn> midi;
};

class RtOutput : public MidiOutputConnection {
public:
    RtOutput(RtMidi::Api api, const std::string& client, unsigned port)
        : midi(std::make_unique<RtMidiOut>(api, client)) {
        midi->setErrorCallback(&RecordError, &errors);
        midi->openPort(port, client + " output");
    }
    ~RtOutput() override { RetireRtMidiOutput(std::move(midi)); }
    bool Opened() const { return !errors.Failed && midi->isPortOpen(); }

    MMRESULT Send(const std::uint8_t* bytes, std::size_t count) override {
        errors.Failed = false;
        midi->sendMessage(bytes, count);
        return errors.Failed ? MMSYSERR_ERROR : MMSYSERR_NOERROR;
    }

private:
    ErrorRecord errors;
    std::unique_ptr<RtMidiOut> midi;
};
} // namespace

// One RtMidi API with a listing client for each direction.
struct RtMidiService::Api {
    RtMidi::Api Kind;
    std::unique_ptr<RtMidiIn> Inputs;
    std::unique_ptr<RtMidiOut> Outputs;
};

namespace {
// Our own clients: "Quellfarn" (JACK's "Quellfarn-01" for a second one is already
// stripped to that), and the listing clients.
// Read as the name says: is name one of client's own ports.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool IsOwnPort(const std::string& name, const std::string& client) {
    if (name.rfind(client, 0) != 0)
        return false;
    static const std::regex own(R"(^(-[0-9]+)?( list)?:.*)");
    return std::regex_match(name.substr(client.size()), own);
}
} // namespace

std::string StablePortName(const std::string& rtMidiName) {
    static const std::regex alsaNumbers(R"( [0-9]+:[0-9]+$)");
    static const std::regex jackDuplicate(R"(^([^:]*)-[0-9]{2}:)");
    return std::regex_replace(std::regex_replace(rtMidiName, alsaNumbers, ""), jackDuplicate,
                              "$1:");
}

namespace {
#if defined(__linux__)
// The sound libraries write their complaints straight to the terminal ("ALSA lib seq_hw.c:...",
// "Cannot connect to server socket..."). What matters to the user, that a system cannot be
// reached, the program tells itself; the libraries' own lines go nowhere.
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
void QuietJack(const char*) {}

void QuietenMidiSystems() {
    static const bool quiet = [] {
        snd_lib_error_set_handler(&QuietAlsa);
        jack_set_error_function(&QuietJack);
        jack_set_info_function(&QuietJack);
        return true;
    }();
    (void)quiet;
}

// RtMidi writes its own failures to the terminal before it reports them: ask first.
bool AlsaSequencerAvailable() {
    snd_seq_t* sequencer = nullptr;
    if (snd_seq_open(&sequencer, "default", SND_SEQ_OPEN_DUPLEX, 0) < 0)
        return false;
    snd_seq_close(sequencer);
    return true;
}

bool JackServerRunning() {
    jack_status_t status{};
    jack_client_t* probe = jack_client_open("Quellfarn probe", JackNoStartServer, &status);
    if (probe == nullptr)
        return false;
    jack_client_close(probe);
    return true;
}
#endif

std::string SystemName(RtMidi::Api kind) {
    switch (kind) {
    case RtMidi::LINUX_ALSA:
        return "ALSA sequencer";
    case RtMidi::UNIX_JACK:
        return "JACK server";
    default:
        return RtMidi::getApiDisplayName(kind);
    }
}
} // namespace

RtMidiService::RtMidiService(std::string clientName) : clientName(std::move(clientName)) {
#if defined(__linux__)
    QuietenMidiSystems();
#endif
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    for (RtMidi::Api kind : compiled) {
        if (kind == RtMidi::RTMIDI_DUMMY)
            continue;
#if defined(__linux__)
        if ((kind == RtMidi::UNIX_JACK && !JackServerRunning()) ||
            (kind == RtMidi::LINUX_ALSA && !AlsaSequencerAvailable())) {
            unavailable.push_back(SystemName(kind));
            continue;
        }
#endif
        try {
            auto api = std::make_unique<Api>();
            api->Kind = kind;
            api->Inputs = std::make_unique<RtMidiIn>(kind, this->clientName + " list");
            api->Inputs->setErrorCallback(&IgnoreError, nullptr);
            api->Outputs = std::make_unique<RtMidiOut>(kind, this->clientName + " list");
            api->Outputs->setErrorCallback(&IgnoreError, nullptr);
            apis.push_back(std::move(api));
        } catch (const RtMidiError&) {
            // This API does not work here: it lists nothing.
            unavailable.push_back(SystemName(kind));
        }
    }
}

RtMidiService::~RtMidiService() {
    for (auto& api : apis)
        RetireRtMidiOutput(std::move(api->Outputs));
}

namespace {
// RtMidi's JACK output checks in JACK's thread that its port is open before it reads its message
// buffer, and its destructor frees that buffer right after closing the port: a cycle that began
// just before the port closed can read freed memory. So the port is closed first, and the output
// destroyed only once any such cycle has long ended.
class TRetiredOutputs {
public:
    TRetiredOutputs() = default;
    TRetiredOutputs(const TRetiredOutputs&) = delete;
    TRetiredOutputs& operator=(const TRetiredOutputs&) = delete;
    ~TRetiredOutputs() {
        const std::lock_guard lock(guard);
        for (Kept& one : kept) {
            std::this_thread::sleep_until(one.Closed + kSettle);
            one.Output.reset();
        }
    }
    void Add(std::unique_ptr<RtMidiOut> output) {
        const std::lock_guard lock(guard);
        const Clock::time_point now = Clock::now();
        std::erase_if(kept, [&](const Kept& one) { return now - one.Closed > kSettle; });
        kept.push_back({now, std::move(output)});
    }

private:
    using Clock = std::chrono::steady_clock;
    // Many JACK cycles, even on a machine too busy to keep time.
    static constexpr std::chrono::milliseconds kSettle{200};
    struct Kept {
        Clock::time_point Closed;
        std::unique_ptr<RtMidiOut> Output;
    };
    std::mutex guard;
    std::vector<Kept> kept;
};
} // namespace

void RetireRtMidiOutput(std::unique_ptr<RtMidiOut> output) {
    if (output == nullptr)
        return;
    output->closePort();
    output->setErrorCallback(&IgnoreError, nullptr); // its owner's record goes with the owner
    if (output->getCurrentApi() != RtMidi::UNIX_JACK)
        return;
    static TRetiredOutputs retired;
    retired.Add(std::move(output));
}

std::vector<RtMidiService::Port> RtMidiService::ListInputs() {
    std::vector<Port> ports;
    for (auto& api : apis) {
        const unsigned count = api->Inputs->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            const std::string name = StablePortName(api->Inputs->getPortName(i));
            if (name.empty() || IsOwnPort(name, clientName))
                continue;
            ports.push_back({api.get(), i, name});
        }
    }
    return ports;
}

std::vector<RtMidiService::Port> RtMidiService::ListOutputs() {
    std::vector<Port> ports;
    for (auto& api : apis) {
        const unsigned count = api->Outputs->getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            const std::string name = StablePortName(api->Outputs->getPortName(i));
            if (name.empty() || IsOwnPort(name, clientName))
                continue;
            ports.push_back({api.get(), i, name});
        }
    }
    return ports;
}

std::vector<std::string> RtMidiService::InputNames() {
    std::vector<std::string> names;
    for (const Port& port : ListInputs())
        names.push_back(port.Name);
    return names;
}

std::vector<std::string> RtMidiService::OutputNames() {
    std::vector<std::string> names;
    for (const Port& port : ListOutputs())
        names.push_back(port.Name);
    return names;
}

std::unique_ptr<MidiInputConnection> RtMidiService::OpenInput(std::size_t index, MidiByteSink& sink,
                                                              MMRESULT& error) {
    const std::vector<Port> ports = ListInputs();
    if (index >= ports.size()) {
        error = MIDIERR_NODEVICE;
        return nullptr;
    }
    try {
        auto input = std::make_unique<RtInput>(ports[index].Owner->Kind, clientName,
                                               ports[index].Number, sink);
        if (input->Opened())
            return input;
    } catch (const RtMidiError&) {
    }
    error = MMSYSERR_ALLOCATED;
    return nullptr;
}

std::unique_ptr<MidiOutputConnection> RtMidiService::OpenOutput(std::size_t index,
                                                                MMRESULT& error) {
    const std::vector<Port> ports = ListOutputs();
    if (index >= ports.size()) {
        error = MIDIERR_NODEVICE;
        return nullptr;
    }
    try {
        auto output =
            std::make_unique<RtOutput>(ports[index].Owner->Kind, clientName, ports[index].Number);
        if (output->Opened())
            return output;
    } catch (const RtMidiError&) {
    }
    error = MMSYSERR_ALLOCATED;
    return nullptr;
}
