// RtMidi backend. RtMidi is set up so that SysEx, timing clock and active sensing all
// reach us; the driver callback filters what the program does not want.

#include "midi/RtMidiService.h"

#include <atomic>
#include <regex>
#include <rtmidi/RtMidi.h>

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
    ~RtOutput() override { midi->closePort(); }
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

RtMidiService::RtMidiService(std::string clientName) : clientName(std::move(clientName)) {
    std::vector<RtMidi::Api> compiled;
    RtMidi::getCompiledApi(compiled);
    for (RtMidi::Api kind : compiled) {
        if (kind == RtMidi::RTMIDI_DUMMY)
            continue;
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
        }
    }
}

RtMidiService::~RtMidiService() = default;

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
