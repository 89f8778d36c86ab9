// Real MIDI transport: the ports talk through a JACK server to a second client.

#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/RtMidiService.h"
#include "support/PumpUntil.h"

#include <gtest/gtest.h>
#include <mutex>
#include <rtmidi/RtMidi.h>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Sysex(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    bytes.front() = 0xF0;
    for (std::size_t i = 1; i + 1 < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((seed + i) & 0x7F);
    bytes.back() = 0xF7;
    return bytes;
}

// The other side: a client with one virtual port in each direction.
class Peer {
public:
    Peer() : in(RtMidi::UNIX_JACK, "peer-in"), out(RtMidi::UNIX_JACK, "peer-out") {
        in.ignoreTypes(false, false, false);
        in.setCallback(&Peer::Arrived, this);
        in.openVirtualPort("from-quellfarn");
        out.openVirtualPort("to-quellfarn");
    }
    void Send(const Bytes& bytes) { out.sendMessage(bytes.data(), bytes.size()); }
    Bytes Received() {
        const std::lock_guard lock(mutex);
        return received;
    }
    void Clear() {
        const std::lock_guard lock(mutex);
        received.clear();
    }

private:
    static void Arrived(double, std::vector<unsigned char>* message, void* self) {
        auto* peer = static_cast<Peer*>(self);
        const std::lock_guard lock(peer->mutex);
        peer->received.insert(peer->received.end(), message->begin(), message->end());
    }
    RtMidiIn in;
    RtMidiOut out;
    std::mutex mutex;
    Bytes received;
};
} // namespace

TEST(JackTransport, DumpsAndChannelMessagesCrossIntactBothWays) {
    Peer peer;
    MidiDeviceService service;
    service.AddBackend(std::make_unique<RtMidiService>("QuellfarnTest"));

    TMidiInput input(service);
    std::vector<std::unique_ptr<TMyMidiEvent>> events;
    input.OnMidiInput = [&](TMidiInput& sender) {
        while (sender.PendingCount() > 0)
            events.push_back(sender.ReadEvent());
    };
    ASSERT_NO_THROW(input.SetProductName("peer-out:to-quellfarn"))
        << "the peer's port is listed by name";
    input.SetSysexBufferSize(16384);
    input.OpenDevice();
    input.StartInput();
    TMidiOutput output(service);
    ASSERT_NO_THROW(output.SetProductName("peer-in:from-quellfarn"));
    output.OpenDevice();
    // JACK reports a connection before it carries anything: wait until a message gets through.
    for (int attempt = 0; attempt < 50 && events.empty(); ++attempt) {
        peer.Send({0xFA}); // Start: a message the port passes on
        PumpUntil([&] { return !events.empty(); }, 100);
    }
    ASSERT_FALSE(events.empty()) << "no link from the peer";
    for (int attempt = 0; attempt < 50 && peer.Received().empty(); ++attempt) {
        output.SendShort(0xFA, 0, 0);
        PumpUntil([&] { return !peer.Received().empty(); }, 100);
    }
    ASSERT_FALSE(peer.Received().empty()) << "no link to the peer";
    PumpFor(50);
    events.clear();
    peer.Clear();

    const std::vector<Bytes> messages{
        Sysex(258, 1), Sysex(406, 2), Sysex(10000, 3), {0x90, 0x3C, 0x64}, {0xC0, 0x05}};
    // Each message is sent again if it does not arrive: a busy machine can hold up or lose one
    // in the JACK graph. What arrives must arrive intact.
    for (const Bytes& message : messages) {
        const std::size_t before = events.size();
        for (int attempt = 0; attempt < 5 && events.size() == before; ++attempt) {
            peer.Send(message);
            PumpUntil([&] { return events.size() > before; }, 1000);
        }
    }
    PumpFor(50);
    ASSERT_EQ(events.size(), messages.size());
    // Each event sent back as it came in: what the peer gets is what it sent, byte for byte, so
    // both directions are intact.
    for (std::size_t i = 0; i < events.size(); ++i) {
        Bytes got;
        for (int attempt = 0; attempt < 5 && got.empty(); ++attempt) {
            peer.Clear();
            output.SendEvent(*events[i]);
            PumpUntil([&] { return peer.Received().size() >= messages[i].size(); }, 1000);
            got = peer.Received();
        }
        EXPECT_EQ(got, messages[i]) << "message " << i;
    }
    EXPECT_EQ(input.LostCount(), 0u);
}

TEST(JackTransport, AnUnknownDeviceNameIsRefused) {
    MidiDeviceService service;
    service.AddBackend(std::make_unique<RtMidiService>("QuellfarnTest"));
    TMidiInput input(service);
    EXPECT_THROW(input.SetProductName("nobody:nothing"), EMidiInputError);
}
