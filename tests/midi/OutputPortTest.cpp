// The output port: selection, sending, and the release of long-message buffers.

#include "midi/FakeMidiService.h"
#include "midi/MidiDeviceService.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/VirtualMidiService.h"
#include "support/ErrorOf.h"
#include "support/PumpUntil.h"
#include "support/RecordingDevice.h"

#include <gtest/gtest.h>

namespace {
using Bytes = std::vector<std::uint8_t>;

} // namespace

TEST(OutputPort, SelectionByNameIndexAndMapper) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    devices.AddLoopback("Loop A");
    devices.AddLoopback("Loop B");
    TMidiOutput port(service);
    EXPECT_EQ(port.DeviceCount(), 2);
    EXPECT_EQ(port.ProductName(), QString()) << "nothing selected until asked";

    port.SetProductName("Loop B");
    EXPECT_EQ(port.DeviceID(), 1);
    port.SetDeviceID(-1);
    EXPECT_EQ(port.ProductName(), "MIDI Mapper");
    port.SetProductName("MIDI Mapper");
    EXPECT_EQ(port.DeviceID(), -1);
    EXPECT_EQ(ErrorOf([&] { port.SetDeviceID(2); }), "Invalid device ID");
    EXPECT_EQ(ErrorOf([&] { port.SetProductName("Plenova"); }),
              "MIDI output Device Plenova not installed");
    EXPECT_EQ(port.PortState(), TMidiOutput::State::Closed);

    EXPECT_FALSE(port.CloseDevice()) << "closing a closed port is no error";
    EXPECT_TRUE(port.OpenDevice());
    EXPECT_EQ(ErrorOf([&] { port.SetDeviceID(0); }), "Change to DeviceID while device was open");
    EXPECT_EQ(ErrorOf([&] { port.SetProductName("Loop A"); }),
              "Change to ProductName while device was open");
    EXPECT_TRUE(port.CloseDevice());
}

TEST(OutputPort, LongMessagesGoOutAsTheyStandAndAreReleasedWhenDone) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    auto recorder = std::make_shared<RecordingDevice>();
    devices.AttachDevice("Processor", recorder);
    TMidiOutput port(service);
    int done = 0;
    port.Onmidioutput = [&](TMidiOutput&) { ++done; };
    port.SetProductName("Processor");
    port.OpenDevice();

    Bytes dump(258, 0x22);
    dump.front() = 0xF0;
    dump.back() = 0xF7;
    port.SendLong(dump.data(), static_cast<std::uint16_t>(dump.size()));
    const Bytes notes{0x90, 0x3C, 0x64, 0x80, 0x3C, 0x00};
    port.SendLong(notes.data(), static_cast<std::uint16_t>(notes.size()));
    dump[5] = 0x33; // the caller's buffer is free at once
    port.SendShort(0xC0, 0x05, 0x00);
    EXPECT_EQ(port.InFlight(), 2u);

    ASSERT_TRUE(PumpUntil([&] { return done == 2 && recorder->Chunks().size() == 4; }));
    EXPECT_EQ(port.InFlight(), 0u) << "both holders released";
    dump[5] = 0x22;
    EXPECT_EQ(recorder->Chunks(),
              (std::vector<Bytes>{dump, {0x90, 0x3C, 0x64}, {0x80, 0x3C, 0x00}, {0xC0, 0x05}}));
}

TEST(OutputPort, SendEventChoosesLongOrShortAndNeedsAnOpenPort) {
    FakeMidiService service;
    TMidiOutput port(service);
    TMyMidiEvent note;
    note.StatusByte = 0x90;
    note.DataByte1 = 0x3C;
    note.DataByte2 = 0x64;
    EXPECT_EQ(ErrorOf([&] { port.SendEvent(note); }), "MIDI Output device not open");
    EXPECT_EQ(ErrorOf([&] { port.SendShort(0x90, 1, 2); }),
              "The MIDI device handle is not valid (is the device open?).")
        << "a short message on a closed port gets the service's own text";

    port.SetDeviceID(0);
    port.OpenDevice();
    port.SendEvent(note);
    TMyMidiEvent sysex;
    sysex.StatusByte = 0xF0;
    sysex.SysexSize = 6;
    sysex.SysexData = std::make_unique<std::uint8_t[]>(6);
    const Bytes identity{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    std::copy(identity.begin(), identity.end(), sysex.SysexData.get());
    port.SendEvent(sysex);
    EXPECT_EQ(service.Sent, (std::vector<Bytes>{{0x90, 0x3C, 0x64}, identity}));
    ASSERT_TRUE(PumpUntil([&] { return port.InFlight() == 0; }));
}

TEST(OutputPort, FailuresRaiseTheServiceTextAndKeepNothing) {
    FakeMidiService service;
    TMidiOutput port(service);
    port.SetDeviceID(0);
    service.Fail["OutOpen"] = MMSYSERR_ALLOCATED;
    EXPECT_EQ(ErrorOf([&] { port.OpenDevice(); }),
              "The MIDI device is already in use or could not be opened.");
    EXPECT_EQ(port.PortState(), TMidiOutput::State::Closed);

    service.Fail.clear();
    port.OpenDevice();
    service.Fail["OutLongMsg"] = MIDIERR_NOTREADY;
    const Bytes bytes{0xF0, 0xF7};
    EXPECT_EQ(ErrorOf([&] { port.SendLong(bytes.data(), 2); }), "The MIDI device is busy.");
    EXPECT_EQ(port.InFlight(), 0u);
    service.Fail["OutLongMsg"] = 999;
    EXPECT_EQ(ErrorOf([&] { port.SendLong(bytes.data(), 2); }),
              "Specified error number is out of range");
}

TEST(OutputPort, ASendTheDeviceCannotMakeIsReportedAfterTheCallReturned) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    auto recorder = std::make_shared<RecordingDevice>();
    devices.AttachDevice("Processor", recorder);
    TMidiOutput port(service);
    std::vector<MMRESULT> failures;
    port.OnSendError = [&](TMidiOutput&, MMRESULT result) { failures.push_back(result); };
    port.SetProductName("Processor");
    port.OpenDevice();

    devices.SetUnplugged("Processor", true);
    const Bytes identity{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    port.SendLong(identity.data(), static_cast<std::uint16_t>(identity.size()));
    ASSERT_TRUE(PumpUntil([&] { return !failures.empty() && port.InFlight() == 0; }))
        << "reported, and the buffer released all the same";
    EXPECT_EQ(port.DriverErrorText(failures.front()),
              "The MIDI device is not connected or has gone away.");
    EXPECT_EQ(port.Error(), MIDIERR_NODEVICE);
    failures.clear();
    port.SendShort(0xC0, 0x05, 0x00);
    ASSERT_TRUE(PumpUntil([&] { return !failures.empty(); })) << "short messages as well";
    EXPECT_TRUE(recorder->Chunks().empty());
}

TEST(OutputPort, ALoopbackCarriesWhatTheOutputSendsToTheInput) {
    MidiDeviceService service;
    auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
    devices.AddLoopback("Loop");
    TMidiInput input(service);
    std::vector<std::unique_ptr<TMyMidiEvent>> events;
    input.OnMidiInput = [&](TMidiInput& sender) {
        while (sender.PendingCount() > 0)
            events.push_back(sender.ReadEvent());
    };
    input.OpenDevice();
    input.StartInput();
    TMidiOutput output(service);
    output.SetProductName("Loop");
    output.OpenDevice();

    Bytes big(10000, 0x05);
    big.front() = 0xF0;
    big.back() = 0xF7;
    output.SendLong(big.data(), static_cast<std::uint16_t>(big.size()));
    output.SendShort(0xB0, 0x07, 0x64);
    ASSERT_TRUE(PumpUntil([&] { return events.size() == 4; }));
    EXPECT_EQ(events[0]->SysexSize, 4096);
    EXPECT_EQ(events[1]->SysexSize, 4096);
    EXPECT_EQ(events[2]->SysexSize, 10000 - 2 * 4096);
    EXPECT_EQ(events[3]->StatusByte, 0xB0);
    EXPECT_EQ(events[3]->DataByte2, 0x64);

    input.CloseDevice(); // the output goes on working without it
    output.SendShort(0x90, 1, 1);
    PumpFor(20);
    EXPECT_EQ(events.size(), 4u);
}
