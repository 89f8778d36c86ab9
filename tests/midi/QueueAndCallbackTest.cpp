// The ring between the MIDI thread and the user-interface thread, and the callback
// that fills it.

#include "midi/Circbuf.h"
#include "midi/Delphmcb.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "support/PumpUntil.h"

#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {
QueueItem Item(std::uint32_t n) {
    QueueItem item;
    item.TimeStamp = n;
    item.PackedMessage = 0x90 | (n & 0x7F) << 8;
    return item;
}

struct QueueDeleter {
    void operator()(EventQueue* queue) const { QueueDestroy(queue); }
};
using Queue = std::unique_ptr<EventQueue, QueueDeleter>;
} // namespace

TEST(EventQueue, KeepsOrderWrapsAndRefusesWhenFull) {
    Queue queue(QueueCreate(1024));
    ASSERT_TRUE(queue);
    QueueItem out;
    EXPECT_FALSE(QueuePeek(queue.get(), out));
    EXPECT_FALSE(QueueDrop(queue.get()));

    for (std::uint32_t i = 0; i < 1024; ++i)
        ASSERT_TRUE(QueueAppend(queue.get(), Item(i)));
    EXPECT_FALSE(QueueAppend(queue.get(), Item(5000))) << "the 1025th item is refused";
    EXPECT_EQ(queue->Count, 1024);
    ASSERT_TRUE(QueuePeek(queue.get(), out));
    EXPECT_EQ(out.TimeStamp, 0u) << "the waiting items are unchanged";

    // Take half, add half again: positions wrap and order holds.
    for (std::uint32_t i = 0; i < 512; ++i)
        ASSERT_TRUE(QueueDrop(queue.get()));
    for (std::uint32_t i = 1024; i < 1536; ++i)
        ASSERT_TRUE(QueueAppend(queue.get(), Item(i)));
    for (std::uint32_t i = 512; i < 1536; ++i) {
        ASSERT_TRUE(QueuePeek(queue.get(), out));
        ASSERT_EQ(out.TimeStamp, i);
        ASSERT_TRUE(QueueDrop(queue.get()));
    }
    EXPECT_EQ(queue->Count, 0);
}

TEST(EventQueue, CapacityOneTakesOneItemAtATime) {
    Queue queue(QueueCreate(1));
    EXPECT_TRUE(QueueAppend(queue.get(), Item(1)));
    EXPECT_FALSE(QueueAppend(queue.get(), Item(2)));
    EXPECT_TRUE(QueueDrop(queue.get()));
    EXPECT_EQ(queue->NextGet, queue->Start) << "positions wrap back to the start";
    EXPECT_EQ(queue->NextPut, queue->Start);
    EXPECT_TRUE(QueueAppend(queue.get(), Item(3)));
    QueueItem out;
    ASSERT_TRUE(QueuePeek(queue.get(), out));
    EXPECT_EQ(out.TimeStamp, 3u);
}

// A producer at full speed against a draining consumer: every item once, in order.
TEST(EventQueue, ConcurrentProducerAndConsumerLoseAndReorderNothing) {
    Queue queue(QueueCreate(64));
    constexpr std::uint32_t kItems = 300000;
    std::thread producer([&] {
        for (std::uint32_t i = 0; i < kItems;) {
            if (QueueAppend(queue.get(), Item(i)))
                ++i;
        }
    });
    std::uint32_t expected = 0;
    bool inOrder = true;
    while (expected < kItems) {
        QueueItem out;
        if (!QueuePeek(queue.get(), out))
            continue;
        inOrder = inOrder && out.TimeStamp == expected &&
                  out.PackedMessage == Item(expected).PackedMessage;
        QueueDrop(queue.get());
        ++expected;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(queue->Count, 0);
}

namespace {
struct CallbackRig {
    CallbackRig()
        : queue(QueueCreate(4)), window([this](unsigned message, std::uintptr_t) {
              if (message == MIM_DATA) {
                  link.WakePending = false;
                  ++wakeUps;
              } else if (message == WM_USER) {
                  link.OverflowPending = false;
                  ++overflows;
              }
          }) {
        link.Queue = queue.get();
        link.NotifyWindow = &window;
    }
    void Short(std::uint32_t packed) {
        DriverCallback(1, MIM_DATA, reinterpret_cast<std::uintptr_t>(&link), packed, 0);
    }
    std::vector<std::uint32_t> Drain() {
        std::vector<std::uint32_t> got;
        QueueItem item;
        while (QueuePeek(queue.get(), item)) {
            got.push_back(item.PackedMessage);
            QueueDrop(queue.get());
        }
        return got;
    }
    Queue queue;
    TDriverLink link;
    TNotifyWindow window;
    int wakeUps = 0;
    int overflows = 0;
};
} // namespace

TEST(DriverCallback, ClockAndActiveSensingNeverReachTheQueue) {
    CallbackRig rig;
    rig.Short(0xF8);
    rig.Short(0xFE);
    rig.Short(0xFA);
    rig.Short(0xFC);
    EXPECT_EQ(rig.Drain(), (std::vector<std::uint32_t>{0xFA, 0xFC}));
}

TEST(DriverCallback, SysexOnlyDropsShortMessagesButKeepsSysex) {
    CallbackRig rig;
    rig.link.SysexOnly = true;
    rig.Short(0x643C90);
    MIDIHDR header;
    DriverCallback(1, MIM_LONGDATA, reinterpret_cast<std::uintptr_t>(&rig.link),
                   reinterpret_cast<std::uintptr_t>(&header), 12);
    QueueItem item;
    ASSERT_TRUE(QueuePeek(rig.queue.get(), item));
    EXPECT_EQ(item.LongHeader, &header);
    EXPECT_EQ(item.TimeStamp, 12u);
    EXPECT_EQ(item.PackedMessage, 0u);
    EXPECT_EQ(rig.queue->Count, 1);
}

TEST(DriverCallback, WakesOncePerBurstAndSignalsOverflowApart) {
    CallbackRig rig;
    for (std::uint32_t n = 0; n < 6; ++n)
        rig.Short(0x90 | n << 8);
    EXPECT_EQ(rig.link.LostItems, 2u);
    PumpFor(20);
    EXPECT_EQ(rig.wakeUps, 1);
    EXPECT_EQ(rig.overflows, 1);
    EXPECT_EQ(rig.Drain().size(), 4u);
    rig.Short(0x90); // after the port has drained, the next item wakes it again
    PumpFor(20);
    EXPECT_EQ(rig.wakeUps, 2);
}

TEST(DriverCallback, OtherMessagesAndMissingLinksAreIgnored) {
    CallbackRig rig;
    DriverCallback(1, MIM_OPEN, reinterpret_cast<std::uintptr_t>(&rig.link), 0, 0);
    DriverCallback(1, MIM_ERROR, reinterpret_cast<std::uintptr_t>(&rig.link), 0x90, 0);
    DriverCallback(1, MIM_DATA, 0, 0x90, 0);
    TDriverLink outputLink; // no queue
    outputLink.NotifyWindow = &rig.window;
    DriverCallback(1, MIM_DATA, reinterpret_cast<std::uintptr_t>(&outputLink), 0x90, 0);
    EXPECT_TRUE(rig.Drain().empty());
}

TEST(SplitMidiMessages, CutsAtMessageBoundariesWithoutChangingBytes) {
    const std::uint8_t bytes[] = {0x90, 0x3C, 0x64, 0x3C, 0x00, 0xC0, 0x05, 0xF0, 0x01, 0xF8,
                                  0x02, 0xF7, 0xFA, 0xB0, 0x07, 0x64, 0xF6, 0x90, 0x40};
    const auto pieces = SplitMidiMessages(bytes, sizeof bytes);
    using Piece = std::pair<std::size_t, std::size_t>;
    EXPECT_EQ(pieces, (std::vector<Piece>{
                          {0, 3}, {3, 2}, {5, 2}, {7, 5}, {12, 1}, {13, 3}, {16, 1}, {17, 2}}));
}

TEST(PortNames, StayTheSameAcrossRuns) {
    EXPECT_EQ(StablePortName("UM-ONE:UM-ONE MIDI 1 24:0"), "UM-ONE:UM-ONE MIDI 1");
    EXPECT_EQ(StablePortName("Quellfarn Plenova (simulated)-01:MIDI out"),
              "Quellfarn Plenova (simulated):MIDI out");
    EXPECT_EQ(StablePortName("Synth-2:out"), "Synth-2:out") << "only JACK's two-digit suffix goes";
    EXPECT_EQ(StablePortName("a2j:Midi Through [14] (capture): Midi Through Port-0"),
              "a2j:Midi Through [14] (capture): Midi Through Port-0");
}
