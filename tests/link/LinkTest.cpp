// The device link's own work, against the in-process simulated unit: the ping and the replies it
// takes, the current preset number, a question asked from inside the input handler, the account
// of the answers the unit still owes, and the connection check.

#include "link/ConnectionCheck.h"
#include "support/LinkRig.h"
#include "support/TestPresets.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {
void Inject(LinkRig& rig, const TBytes& bytes) {
    rig.devices.Inject("Loop", bytes.data(), bytes.size());
}
} // namespace

// Replies are taken while awaited and acted upon; one nobody waits for goes to the host; a muted
// unit is reported when the reply window closes (never less than a second).
TEST(Link, PingsTakesAwaitedRepliesAndReportsASilentUnit) {
    LinkRig rig;
    rig.Link->PingDevice();
    EXPECT_EQ(rig.Statuses.last(), "The Quellfarn is online! Your currently selected bank is: A");
    EXPECT_EQ(rig.Link->CurrentBank(), 0);
    EXPECT_EQ(rig.Link->PendingReplies(), 0);
    EXPECT_TRUE(rig.Others.empty()) << "answered replies are not passed on";

    rig.UsePorts("Loop", "Sink");
    rig.Link->QueryParameter(kPresetNumberAddress);
    Inject(rig, {0xF0, 0x1A, 0x00, 0x13, 0x03, 9, 2, 0, 0xF7}); // the bank, while awaited
    EXPECT_TRUE(rig.RunUntil([&] { return rig.Link->CurrentBank() == 2; }));
    EXPECT_EQ(rig.Link->PendingReplies(), 0);
    const TBytes unexpected{0xF0, 0x1A, 0x00, 0x13, 0x03, 0x00, 0x01, 0xF7};
    Inject(rig, unexpected);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Others.size() == 1; }));
    EXPECT_EQ(rig.Others[0]->SysexSize, unexpected.size());
    rig.Link->QueryParameter(kBankAddress);
    Inject(rig, {0xF0, 0x1A, 0x00, 0x13, 0x03, 9, 6, 0, 0xF7}); // no such bank
    EXPECT_TRUE(rig.RunUntil([&] { return rig.Link->CurrentBank() == -1; }));

    LinkRig muted;
    muted.processor->SetMute(true);
    muted.Link->SetRequestDelay(30);
    muted.Link->PingDevice();
    EXPECT_EQ(muted.Link->PendingReplies(), 2);
    EXPECT_TRUE(muted.Link->ReplyTimer().isActive());
    EXPECT_EQ(muted.Link->ReplyTimer().interval(), 1000) << "ten delays, but at least a second";
    ASSERT_TRUE(muted.RunUntil([&] { return !muted.Link->ReplyTimer().isActive(); }, 3000));
    EXPECT_EQ(muted.Statuses.last(),
              "No response received from Quellfarn - are you connected properly?");
    EXPECT_EQ(muted.Link->PendingReplies(), 0);
}

// The current preset number, also when asked from inside the input handler: the wait lets its
// reply in (and only the wait: a steady stream never nests one handler in another).
TEST(Link, TheCurrentPresetNumberComesAlsoToAQuestionFromTheInputHandler) {
    // A unit slower to answer than the request delay: the answer has a second (here a tenth of
    // one, the clock running ten times fast) to come, and is taken as soon as it does.
    TSimulatorOptions slow = LinkRig::Fast();
    slow.Latency = std::chrono::milliseconds(40);
    LinkRig rig(false, slow);
    rig.Link->SetRequestDelay(1);
    rig.Link->SetClockSpeed(10);
    rig.Link->SendRequest(*SelectPresetMessage(0, 149));
    EXPECT_EQ(rig.Link->QueryCurrentPresetNumber(), 150);
    std::vector<int> answers;
    bool ask = true;
    rig.OnUnclaimed = [&](const TMyMidiEvent&) {
        if (ask) {
            ask = false;
            answers.push_back(rig.Link->QueryCurrentPresetNumber());
        }
    };
    const TBytes note{0x90, 0x3C, 0x64};
    rig.devices.Inject(kSimulatedDeviceName, note.data(), note.size());
    ASSERT_TRUE(rig.RunUntil([&] { return !answers.empty(); }));
    EXPECT_EQ(answers.front(), 150);
    EXPECT_EQ(rig.Link->PendingReplies(), 0);
    EXPECT_EQ(rig.Others.size(), 1u) << "the reply is the link's, the note the host's";
    EXPECT_EQ(rig.MaxDepth, 2) << "only the wait let a second handler in";

    rig.MaxDepth = 0;
    TBytes stream;
    for (int i = 0; i < 300; ++i)
        stream.insert(stream.end(), {0xB0, 0x07, static_cast<std::uint8_t>(i % 128)});
    rig.devices.Inject(kSimulatedDeviceName, stream.data(), stream.size());
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Others.size() == 301; }));
    EXPECT_EQ(rig.MaxDepth, 1);
    // A stream that goes on while the link itself waits outside the handler, the host letting
    // events through as it shows each message (as the window's status line does): the wake-ups
    // that come meanwhile are the running handler's to take, still one deep.
    rig.MaxDepth = 0;
    int more = 50;
    rig.OnUnclaimed = [&](const TMyMidiEvent&) {
        if (more-- > 0)
            rig.devices.Inject(kSimulatedDeviceName, note.data(), note.size());
        rig.Wait(1);
    };
    rig.devices.Inject(kSimulatedDeviceName, note.data(), note.size());
    for (int i = 0; i < 400 && rig.Others.size() < 352; ++i)
        rig.Link->Wait(5);
    EXPECT_EQ(rig.Others.size(), 352u);
    EXPECT_EQ(rig.MaxDepth, 1);
    rig.OnUnclaimed = {};

    rig.processor->SetMute(true);
    QElapsedTimer waited;
    waited.start();
    EXPECT_EQ(rig.Link->QueryCurrentPresetNumber(), -1);
    EXPECT_GE(waited.elapsed(), 95) << "a silent unit has the whole second";
    EXPECT_EQ(rig.Link->PendingReplies(), 1)
        << "an unanswered query stays pending until the next ping or reply window";
}

// Which request each arriving dump answers: the oldest still owed (the unit answers in order);
// an older wait's answer that differs from what that wait was answered with was lost.
TEST(Link, EachDumpIsTheAnswerToTheOldestRequestStillOwed) {
    using V = TAnswerLedger::TVerdict;
    const TBytes a = TPreset().Encode();
    const TBytes b = TitledDump("Other");
    struct Step {
        char What; // 'r' request for the wait, 'd' dump arrives while the wait waits, 's' settle
        int Wait;  // 1 or 2 (0: nobody)
        char Dump; // 'a' or 'b'
        V Expected;
    };
    const std::vector<std::pair<const char*, std::vector<Step>>> stories = {
        {"answered in order",
         {{'r', 1, 0, V::Take}, {'d', 1, 'a', V::Take}, {'d', 1, 'a', V::Unasked}}},
        {"a late answer to the last slot is let go",
         {{'r', 1, 0, V::Take},
          {'r', 1, 0, V::Take},
          {'d', 1, 'a', V::Take},
          {'r', 2, 0, V::Take},
          {'d', 2, 'a', V::Late},
          {'d', 2, 'a', V::Take}}},
        {"a lost answer shows in a dump that differs",
         {{'r', 1, 0, V::Take},
          {'r', 1, 0, V::Take},
          {'d', 1, 'a', V::Take},
          {'r', 2, 0, V::Take},
          {'d', 2, 'b', V::Take}}},
        {"after a settle nothing earlier is owed",
         {{'r', 1, 0, V::Take},
          {'r', 1, 0, V::Take},
          {'d', 1, 'a', V::Take},
          {'s', 0, 0, V::Take},
          {'r', 2, 0, V::Take},
          {'d', 2, 'a', V::Take}}},
        {"an answer nobody waits for", {{'r', 0, 0, V::Take}, {'d', 0, 'a', V::Unasked}}},
    };
    for (const auto& [story, steps] : stories) {
        TAnswerLedger ledger;
        const TAnswerLedger::TTicket tickets[] = {0, ledger.NewTicket(), ledger.NewTicket()};
        for (const Step& step : steps) {
            if (step.What == 'r')
                ledger.Requested(tickets[step.Wait]);
            else if (step.What == 's')
                ledger.Settle(ledger.Mark());
            else
                EXPECT_EQ(ledger.Arrived(step.Dump == 'a' ? a : b, tickets[step.Wait]),
                          step.Expected)
                    << story;
        }
    }
}

// A job of the test's own, as a new job is written: one class on the link's face for jobs. While
// it runs it sees what arrives first, the link is busy with its reason, Ctrl+C reaches it, other
// jobs are refused, and its scope ends it on every way out.
TEST(Link, AJobIsOneClassTheLinkRoutesToFirst) {
    struct TakeNotes : TLinkJob {
        explicit TakeNotes(TJobLink& link) : link(link) {}
        std::optional<TRouted> Route(const TMyMidiEvent& event, TByteView) override {
            if (event.StatusByte != 0x90)
                return std::nullopt;
            ++notes;
            return TRouted::Taken;
        }
        QString BusyReason() const override { return QStringLiteral("Taking notes"); }
        void Abort() override { aborted = true; }
        // Runs until aborted or two notes are in, ending by an exception when told to.
        void Run(bool fail) {
            const TJobScope scope(link, *this);
            QElapsedTimer waited;
            waited.start();
            while (!aborted && notes < 2 && waited.elapsed() < 3000)
                link.Wait(5);
            if (fail)
                throw std::runtime_error("failed");
        }
        TJobLink& link;
        int notes = 0;
        bool aborted = false;
    };
    LinkRig rig;
    TakeNotes& job = rig.Link->Job<TakeNotes>();
    EXPECT_EQ(&rig.Link->Job<TakeNotes>(), &job) << "one of each, built once";
    const TBytes note{0x90, 0x3C, 0x64};
    const TBytes control{0xB0, 0x07, 0x10};
    int starts = 0;
    rig.OnUnclaimed = [&](const TMyMidiEvent& event) {
        if (event.StatusByte == 0xB0 && starts++ == 0) {
            EXPECT_EQ(rig.Link->Running(), &job);
            EXPECT_EQ(rig.Link->BusyReason(), "Taking notes");
            EXPECT_FALSE(rig.Link->Job<TBackupWalk>().Start(TProcedureOptions()));
            EXPECT_EQ(rig.Statuses.last(), "Taking notes");
            rig.devices.Inject(kSimulatedDeviceName, note.data(), note.size());
            rig.devices.Inject(kSimulatedDeviceName, note.data(), note.size());
        }
    };
    bool busy = false;
    QObject::connect(rig.Link.get(), &TDeviceLink::BusyChanged, [&](bool on) { busy = on; });
    QTimer::singleShot(
        20, [&] { rig.devices.Inject(kSimulatedDeviceName, control.data(), control.size()); });
    job.Run(false);
    EXPECT_EQ(job.notes, 2) << "the notes were the job's, not the host's";
    EXPECT_EQ(rig.Others.size(), 1u) << "what the job left went to the host: the control change";
    EXPECT_FALSE(rig.Link->Busy());
    EXPECT_FALSE(busy);

    job.notes = 0;
    QTimer::singleShot(20, [&] { rig.Link->Abort(); });
    EXPECT_THROW(job.Run(true), std::runtime_error);
    EXPECT_TRUE(job.aborted);
    EXPECT_FALSE(rig.Link->Busy()) << "the scope ended the job on the way out";
    EXPECT_TRUE(rig.Link->BusyReason().isEmpty());
}

// The connection check, step by step, with the verdict for each way the unit can be out of
// reach. What arrives on the loop port stands in for a unit that is not there.
TEST(Link, TheConnectionCheckNamesWhatIsWrong) {
    struct Case {
        const char* What;
        std::function<void(LinkRig&)> Setup;
        int Steps; // those passed
        const char* Verdict;
        int Found = -1;
    };
    const Case cases[] = {
        {"a unit that answers", [](LinkRig&) {}, 7, "The unit answers: the connection works"},
        {"a silent unit", [](LinkRig& rig) { rig.processor->SetMute(true); }, 3,
         "Nothing comes back: check the cable from the unit's MIDI Out to the interface's MIDI "
         "In, and that the unit is on"},
        {"a unit set to device 3", [](LinkRig&) {}, 6,
         "The unit answers as device 3; Quellfarn is set to 0", 3},
        {"MIDI Out into MIDI In", [](LinkRig& rig) { rig.UsePorts("Loop", "Loop"); }, 4,
         "Quellfarn hears its own messages: MIDI Out is connected to MIDI In"},
        {"no SysEx comes through",
         [](LinkRig& rig) {
             rig.UsePorts("Loop", "Sink");
             Inject(rig, {0xB0, 0x07, 0x64});
         },
         4, "Answers arrive but SysEx is lost: the interface or driver drops SysEx"},
        {"another maker's device, and a SysEx cut short",
         [](LinkRig& rig) {
             rig.UsePorts("Loop", "Sink");
             Inject(rig, {0xF0, 0x1A, 0xF7});
             Inject(rig, {0xF0, 0x41, 0x10, 0x42, 0x12, 0x00, 0xF7});
         },
         5,
         "Something answers, but not a Quellfarn processor: check which device is on these "
         "ports"},
        {"no MIDI Out", [](LinkRig& rig) { rig.output->CloseDevice(); }, 0,
         "MIDI Out is not open: choose the port that goes to the unit's MIDI In"},
    };
    for (const Case& c : cases) {
        TSimulatorOptions unit = LinkRig::Fast();
        unit.DeviceByte = static_cast<std::uint8_t>(std::max(c.Found, 0));
        LinkRig rig(false, unit);
        rig.Link->SetClockSpeed(20);
        c.Setup(rig);
        const TCheckResult result = CheckConnection(*rig.Link, 1000);
        EXPECT_EQ(result.Verdict, c.Verdict) << c.What;
        EXPECT_EQ(std::count_if(result.Steps.begin(), result.Steps.end(),
                                [](const TCheckStep& step) { return step.Passed; }),
                  c.Steps)
            << c.What;
        EXPECT_EQ(result.Answers, c.Steps == 7) << c.What;
        EXPECT_EQ(result.FoundDevice, c.Found) << c.What;
    }
}

// Finding the unit among every pair of ports: the pair it answers on, its device byte and its
// model; another port hears the harmless question and nothing else.
TEST(Link, FindingTheUnitTellsItsPortsItsModelAndItsDeviceByte) {
    struct Case {
        const char* What;
        bool PrePlenova = false;
        int Device = 0;
        bool Mute = false;
        const char* Text;
    };
    const QString ports = QStringLiteral("The unit answers on MIDI In '%1' and MIDI Out '%1'")
                              .arg(kSimulatedDeviceName);
    for (const Case& c : {Case{.What = "a Plenova unit", .Text = "; it is a Plenova unit"},
                          Case{.What = "set to device 3",
                          .Device = 3,
                          .Text = "; it is a Plenova unit; it answers as device 3, "
                                  "Quellfarn is set to 0"},
                          Case{.What = "a Pre-Plenova unit",
                          .PrePlenova = true,
                          .Text = "; it is a Pre-Plenova unit (\"Use Pre-Plenova options\" "
                                  "is off)"},
                          Case{.What = "a silent unit",
                          .Mute = true,
                          .Text = "No unit answered on any pair of ports: check that the "
                                  "unit is on and its cables go to the interface"}}) {
        TSimulatorOptions unit = LinkRig::Fast();
        unit.DeviceByte = static_cast<std::uint8_t>(c.Device);
        LinkRig rig(c.PrePlenova, unit);
        SetPrePlenovaMode(false); // Quellfarn as set; the unit is what it is
        rig.processor->SetMute(c.Mute);
        rig.input->CloseDevice();
        rig.output->CloseDevice();
        const TFoundUnit found = FindUnit(rig.service, rig, 1000);
        EXPECT_EQ(FoundText(found), c.Mute ? QString(c.Text) : ports + c.Text) << c.What;
        EXPECT_EQ(found.Found(), !c.Mute) << c.What;
        // The bypass state, under every device byte, in each of two rounds.
        std::vector<RecordingDevice::Bytes> questions;
        for (int round = 0; round < 2; ++round)
            for (std::uint8_t device = 0; device < 16; ++device)
                questions.push_back({0xF0, 0x1A, device, 0x13, 0x43, 0x00, 0xF7});
        EXPECT_EQ(rig.sink->Chunks(), c.Mute ? questions : std::vector<RecordingDevice::Bytes>())
            << c.What;
    }
}
