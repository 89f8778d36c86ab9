// The input port: device selection, buffers, and what arrives as events.

#include "midi/FakeMidiService.h"
#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/VirtualMidiService.h"
#include "support/ErrorOf.h"
#include "support/PumpUntil.h"

#include <gtest/gtest.h>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(const TMyMidiEvent& event) {
    if (event.SysexData)
        return Bytes(event.SysexData.get(), event.SysexData.get() + event.SysexSize);
    return {event.StatusByte, event.DataByte1, event.DataByte2};
}

// An input port on a virtual loopback device, collecting what arrives.
struct LoopbackInput {
    explicit LoopbackInput(const std::function<void(TMidiInput&)>& configure = {},
                           std::size_t spillLimit = MidiDeviceService().InputSpillLimit)
        : devices(service.AddBackend(std::make_unique<VirtualMidiService>())) {
        service.InputSpillLimit = spillLimit;
        devices.AddLoopback("Loop A");
        devices.AddLoopback("Loop B");
        port = std::make_unique<TMidiInput>(service);
        port->OnMidiInput = [this](TMidiInput& sender) {
            while (sender.PendingCount() > 0)
                events.push_back(sender.ReadEvent());
        };
        if (configure)
            configure(*port);
        port->SetProductName("Loop A");
        port->OpenDevice();
        port->StartInput();
    }
    void Inject(const Bytes& bytes) { devices.Inject("Loop A", bytes.data(), bytes.size()); }
    bool WaitFor(std::size_t count) {
        return PumpUntil([&] { return events.size() >= count; });
    }
    std::vector<Bytes> Received() const {
        std::vector<Bytes> all;
        for (const auto& event : events)
            all.push_back(BytesOf(*event));
        return all;
    }

    MidiDeviceService service;
    VirtualMidiService& devices;
    std::unique_ptr<TMidiInput> port;
    std::vector<std::unique_ptr<TMyMidiEvent>> events;
};
} // namespace

TEST(InputPort, MergedMessagesRunningStatusAndRealTimeArriveAsSeparateEvents) {
    LoopbackInput input;
    input.Inject({0x90, 0x3C, 0x64, 0x80, 0x3C, 0x00}); // two messages in one chunk
    input.Inject({0x90, 0x40, 0x50, 0x40, 0x00});       // running status
    input.Inject({0xF0, 0x7E, 0xFA, 0x7F, 0xF8, 0xF7}); // real-time inside a SysEx
    input.Inject({0xC0, 0x05, 0xF1, 0x23});
    ASSERT_TRUE(input.WaitFor(8));
    PumpFor(20);
    EXPECT_EQ(input.Received(), (std::vector<Bytes>{{0x90, 0x3C, 0x64},
                                                    {0x80, 0x3C, 0x00},
                                                    {0x90, 0x40, 0x50},
                                                    {0x90, 0x40, 0x00},
                                                    {0xFA, 0x00, 0x00},
                                                    {0xF0, 0x7E, 0x7F, 0xF7},
                                                    {0xC0, 0x05, 0x00},
                                                    {0xF1, 0x23, 0x00}}));
    EXPECT_EQ(input.events[5]->StatusByte, 0xF0);
    EXPECT_EQ(input.events[5]->DataByte1, 0);
}

TEST(InputPort, ReframingNeverJoinsOrCarriesOverAcrossABoundary) {
    LoopbackInput input;
    input.Inject({0x90, 0x3C, 0xB0, 0x07, 0x64});             // a note cut short by a new status
    input.Inject({0x90, 0x3C, 0x64, 0xF3, 0x05, 0x40, 0x00}); // song select ends running status
    input.Inject({0x90, 0x3C, 0x64, 0xF6, 0x3C, 0x00});       // so does tune request
    input.Inject({0xF0, 0x01, 0xF7, 0x3C, 0x00});             // and a SysEx
    input.Inject({0xFA});
    ASSERT_TRUE(input.WaitFor(7));
    PumpFor(20);
    EXPECT_EQ(input.Received(), (std::vector<Bytes>{{0xB0, 0x07, 0x64},
                                                    {0x90, 0x3C, 0x64},
                                                    {0xF3, 0x05, 0x00},
                                                    {0x90, 0x3C, 0x64},
                                                    {0xF6, 0x00, 0x00},
                                                    {0xF0, 0x01, 0xF7},
                                                    {0xFA, 0x00, 0x00}}));
}

TEST(InputPort, ALongSysexContinuesInTheNextBuffer) {
    LoopbackInput input([](TMidiInput& port) { port.SetSysexBufferSize(16); });
    Bytes sysex(40, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    input.Inject(sysex);
    ASSERT_TRUE(input.WaitFor(3));
    EXPECT_EQ(input.events[0]->SysexSize, 16);
    EXPECT_EQ(input.events[1]->SysexSize, 16);
    EXPECT_EQ(input.events[2]->SysexSize, 8);
    Bytes joined;
    for (const auto& event : input.events) {
        const Bytes part = BytesOf(*event);
        joined.insert(joined.end(), part.begin(), part.end());
    }
    EXPECT_EQ(joined, sysex);
}

TEST(InputPort, ASysexCutShortByANewStatusKeepsWhatArrived) {
    LoopbackInput input;
    input.Inject({0xF0, 0x01, 0x02, 0x90, 0x3C, 0x64});
    ASSERT_TRUE(input.WaitFor(2));
    EXPECT_EQ(input.Received(), (std::vector<Bytes>{{0xF0, 0x01, 0x02}, {0x90, 0x3C, 0x64}}));
}

TEST(InputPort, MessagesWithoutAFreeBufferOrQueueSlotAreCounted) {
    // Nothing is kept beside the lent buffers: input beyond them is lost, and counted.
    LoopbackInput input(
        [](TMidiInput& port) {
            port.SetSysexBufferCount(2);
            port.SetCapacity(4);
        },
        0);
    int overflows = 0;
    input.port->OnOverflow = [&](TMidiInput&) { ++overflows; };
    auto handler = std::move(input.port->OnMidiInput);
    input.port->OnMidiInput = nullptr; // nobody drains for now
    for (int i = 0; i < 3; ++i)
        input.Inject({0xF0, static_cast<std::uint8_t>(i), 0xF7});
    ASSERT_TRUE(PumpUntil([&] { return input.port->LostCount() == 1; }));
    EXPECT_EQ(input.port->PendingCount(), 2) << "the third SysEx found no free buffer";

    for (std::uint8_t key = 0; key < 4; ++key)
        input.Inject({0x90, key, 0x40});
    ASSERT_TRUE(PumpUntil([&] { return input.port->LostCount() == 3; }));
    EXPECT_EQ(input.port->PendingCount(), 4);
    // The loss is counted on the driver's thread; the overflow is told on this one, a moment on.
    EXPECT_TRUE(PumpUntil([&] { return overflows >= 1; }));

    handler(*input.port);
    input.port->OnMidiInput = handler;
    EXPECT_EQ(input.Received(),
              (std::vector<Bytes>{
                  {0xF0, 0x00, 0xF7}, {0xF0, 0x01, 0xF7}, {0x90, 0x00, 0x40}, {0x90, 0x01, 0x40}}));
    input.Inject({0xF0, 0x09, 0xF7}); // buffers were lent again
    ASSERT_TRUE(input.WaitFor(5));
    EXPECT_EQ(BytesOf(*input.events[4]), (Bytes{0xF0, 0x09, 0xF7}));

    // The count runs on over closing and opening again.
    input.port->CloseDevice();
    EXPECT_EQ(input.port->LostCount(), 3u);
    input.port->OpenDevice();
    input.port->StartInput();
    EXPECT_EQ(input.port->LostCount(), 3u);
    input.port->OnMidiInput = nullptr;
    for (std::uint8_t key = 0; key < 5; ++key)
        input.Inject({0x80, key, 0x00});
    ASSERT_TRUE(PumpUntil([&] { return input.port->LostCount() == 4; }));
}

TEST(InputPort, SysexBuffersAFullQueueTurnsAwayAreLentAgain) {
    LoopbackInput input([](TMidiInput& port) {
        port.SetSysexBufferCount(4);
        port.SetCapacity(8);
    });
    auto handler = std::move(input.port->OnMidiInput);
    input.port->OnMidiInput = nullptr;
    Bytes burst;
    for (std::uint8_t key = 0; key < 8; ++key) // fills the queue
        burst.insert(burst.end(), {0x90, key, 0x40});
    for (std::uint8_t i = 0; i < 6; ++i)
        burst.insert(burst.end(), {0xF0, i, 0xF7});
    input.Inject(burst);
    ASSERT_TRUE(PumpUntil([&] { return input.port->LostCount() == 6; }))
        << "four turned away by the queue, two found no buffer";

    handler(*input.port);
    input.port->OnMidiInput = handler;
    Bytes four;
    for (std::uint8_t i = 0; i < 4; ++i)
        four.insert(four.end(), {0xF0, 0x70, i, 0xF7});
    input.Inject(four);
    ASSERT_TRUE(input.WaitFor(12)) << "all four buffers are back in circulation";
    EXPECT_EQ(BytesOf(*input.events[11]), (Bytes{0xF0, 0x70, 0x03, 0xF7}));
    EXPECT_EQ(input.port->LostCount(), 6u);
}

TEST(InputPort, SysexOnlySwitchedWhileOpenTakesEffectAtOnce) {
    LoopbackInput input;
    input.port->SetSysexOnly(true);
    input.Inject({0x90, 0x3C, 0x64});
    input.Inject({0xF0, 0x01, 0xF7});
    ASSERT_TRUE(input.WaitFor(1));
    PumpFor(20);
    EXPECT_EQ(input.Received(), (std::vector<Bytes>{{0xF0, 0x01, 0xF7}}));
    input.port->SetSysexOnly(false);
    input.Inject({0x90, 0x3C, 0x64});
    ASSERT_TRUE(input.WaitFor(2));
}

TEST(InputPort, TimeStampsCountFromStartInput) {
    LoopbackInput input;
    PumpFor(30);
    input.Inject({0xFA});
    ASSERT_TRUE(input.WaitFor(1));
    EXPECT_GE(input.events[0]->TimeStamp, 25u);
    EXPECT_LT(input.events[0]->TimeStamp, 5000u);
}

TEST(InputPort, SelectionByIndexAndName) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    {
        TMidiInput none(service);
        EXPECT_EQ(none.DeviceCount(), 0);
        EXPECT_EQ(none.ProductName(), QString());
        EXPECT_EQ(none.DeviceID(), 0);
        EXPECT_EQ(ErrorOf([&] { none.SetProductName("Loop A"); }),
                  "The MIDI device number is out of range.")
            << "with no device the service's text for device 0";
    }
    devices.AddLoopback("Loop A");
    devices.AddLoopback("Loop B");
    TMidiInput port(service);
    EXPECT_EQ(port.DeviceCount(), 2);
    EXPECT_EQ(port.ProductName(), "Loop A");
    port.SetProductName("Loop B");
    EXPECT_EQ(port.DeviceID(), 1);
    EXPECT_EQ(ErrorOf([&] { port.SetDeviceID(2); }), "Invalid device ID");
    EXPECT_EQ(port.DeviceID(), 1);
    EXPECT_EQ(port.ProductName(), "Loop B");
    EXPECT_EQ(ErrorOf([&] { port.SetProductName("loop b"); }),
              "MIDI Input Device loop b not installed ");
    port.SetDeviceID(0);
    EXPECT_EQ(port.ProductName(), "Loop A");

    port.OpenDevice();
    EXPECT_EQ(ErrorOf([&] { port.SetDeviceID(1); }), "Change to DeviceID while device was open");
    EXPECT_EQ(ErrorOf([&] { port.SetProductName("Loop B"); }),
              "Change to ProductName while device was open");
    EXPECT_EQ(ErrorOf([&] { port.SetSysexBufferSize(10); }),
              "Change to SysexBufferSize while device was open");
    EXPECT_EQ(ErrorOf([&] { port.SetSysexBufferCount(2); }),
              "Change to SysexBuffercount while device was open");
    port.CloseDevice();
    port.CloseDevice(); // closing twice does nothing
    EXPECT_EQ(port.PendingCount(), 0);
    EXPECT_EQ(port.ReadEvent(), nullptr);
}

TEST(InputPort, AnEmptyReturnedBufferIsAnEmptySysexAndIsLentAgain) {
    FakeMidiService service;
    TMidiInput port(service);
    int calls = 0;
    port.OnMidiInput = [&](TMidiInput&) { ++calls; };
    port.OpenDevice();
    port.StartInput();
    ASSERT_EQ(service.Lent.size(), 16u);
    service.ReturnBuffer({});
    EXPECT_EQ(service.Lent.size(), 15u);
    ASSERT_TRUE(PumpUntil([&] { return calls == 1; }));
    auto event = port.ReadEvent();
    ASSERT_NE(event, nullptr);
    EXPECT_EQ(event->StatusByte, 0xF0);
    EXPECT_EQ(event->SysexSize, 0);
    EXPECT_EQ(event->SysexData, nullptr);
    EXPECT_EQ(service.Lent.size(), 16u) << "the buffer went back to the driver";
}

TEST(InputPort, ReopeningGivesAFreshQueueAndFreshBuffersAndDestroyingClosesIt) {
    FakeMidiService service;
    {
        TMidiInput port(service);
        port.OpenDevice();
        service.ReturnBuffer({0xF0, 0xF7});
        PumpFor(10);
        EXPECT_EQ(port.PendingCount(), 1);
        port.CloseDevice();
        EXPECT_TRUE(service.Closed);
        EXPECT_TRUE(service.Lent.empty()) << "the reset took every buffer back";

        port.OpenDevice();
        port.StartInput();
        EXPECT_EQ(port.PendingCount(), 0);
        EXPECT_EQ(service.Lent.size(), 16u);
        EXPECT_EQ(service.Prepared, 32);
        EXPECT_EQ(port.PortState(), TPortState::Open);
    }
    EXPECT_TRUE(service.Closed) << "destroyed open, it closes the device";
    EXPECT_TRUE(service.Lent.empty()) << "and takes its buffers back";
}

TEST(InputPort, FailuresLeaveThePortClosedWithTheServiceText) {
    FakeMidiService service;
    TMidiInput port(service);
    service.Fail["InOpen"] = MMSYSERR_ALLOCATED;
    EXPECT_EQ(ErrorOf([&] { port.OpenDevice(); }),
              "The MIDI device is already in use or could not be opened.");
    EXPECT_EQ(port.PortState(), TPortState::Closed);
    EXPECT_EQ(port.Error(), MMSYSERR_ALLOCATED);

    service.Fail.clear();
    service.Fail["InAddBuffer"] = MMSYSERR_NOMEM;
    EXPECT_EQ(ErrorOf([&] { port.OpenDevice(); }),
              "There is not enough memory for the MIDI operation.");
    EXPECT_EQ(port.PortState(), TPortState::Closed);
    EXPECT_TRUE(service.Closed) << "the half-opened device was given back";
    EXPECT_EQ(port.PendingCount(), 0);

    service.Fail.clear();
    service.Fail["InStart"] = 999;
    port.OpenDevice();
    EXPECT_EQ(ErrorOf([&] { port.StartInput(); }), "Specified error number is out of range");
}
