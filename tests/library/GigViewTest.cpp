// The gig view played from the keys and from the unit: what it shows, what it sends for each
// song, how it follows the unit's own changes, and how it goes on without a unit.

#include "library/GigView.h"

#include "support/LinkRig.h"
#include "support/QtPrinters.h"
#include "support/TestPresets.h"

#include <QLabel>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
// Four songs: two in bank B, one in bank A, one from a preset file beside the set list.
struct GigRig {
    GigRig() {
        TBytes file = Retitled(TitledDump("Fretless"), "Fretless");
        file[2] = 0x05; // saved from a unit under another device byte
        QFile preset(folder.filePath(QStringLiteral("Fretless.tmq042")));
        preset.open(QIODevice::WriteOnly);
        preset.write(reinterpret_cast<const char*>(file.data()), qint64(file.size()));
        preset.close();
        List = TSetList::Read("Intro = B017 ; key of E\n"
                              "Slap Funk = B018\n"
                              "Dub = A005\n"
                              "Ballad = Fretless.tmq042 ; count in\n")
                   .List;
        Path = folder.filePath(QStringLiteral("Friday at the Anchor.txt"));
    }
    TfrmGig* Open(TDeviceLink* link, int first = 0) {
        Gig = ShowGigView(nullptr, List, Path, link, first);
        return Gig;
    }
    ~GigRig() { delete Gig.data(); }
    GigRig(const GigRig&) = delete;
    GigRig& operator=(const GigRig&) = delete;

    QTemporaryDir folder;
    TSetList List;
    QString Path;
    QPointer<TfrmGig> Gig;
};

// The messages that turn the unit to a slot (1-based). (bank, slot): bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TBytes Choose(int bank, int slot) {
    TBytes bytes = SetBankMessage(DeviceId, bank);
    const TBytes select = *SelectPresetMessage(DeviceId, slot - 1);
    bytes.insert(bytes.end(), select.begin(), select.end());
    return bytes;
}

// What the sink has got once it holds as many bytes as expected (or the time is up).
TBytes SentFor(LinkRig& rig, std::size_t expected) {
    rig.RunUntil([&] { return rig.sink->Received().size() >= expected; }, 3000);
    rig.Wait(20); // nothing more comes
    const TBytes sent = rig.sink->Received();
    rig.sink->Clear();
    return sent;
}
} // namespace

// Every stepping key moves one song and turns the unit to its preset (the bank chosen each time,
// a file's preset sent to the edit buffer under the unit's device byte); at either end the view
// stays, says so and sends nothing; Esc leaves.
TEST(GigView, KeysStepThroughTheSetAndChooseEachSongsPreset) {
    LinkRig rig;
    rig.UsePorts("Loop", "Sink");
    GigRig gig;
    TfrmGig& view = *gig.Open(rig.Link.get());
    EXPECT_TRUE(view.isFullScreen());
    EXPECT_EQ(view.lblSetName->text(), "Friday at the Anchor");
    EXPECT_EQ(view.lblPosition->text(), "1 / 4");
    EXPECT_EQ(view.lblTitle->text(), "Intro");
    EXPECT_EQ(view.lblPreset->text(), "B017");
    EXPECT_EQ(view.lblNote->text(), "key of E");
    EXPECT_EQ(view.lblNext->text(), "Next: Slap Funk    B018");
    EXPECT_EQ(SentFor(rig, Choose(1, 17).size()), Choose(1, 17)) << "the first song on opening";

    struct Step {
        Qt::Key Key;
        int Song;
        TBytes Sent;
    };
    TBytes file = Retitled(TitledDump("Fretless"), "Fretless");
    file[2] = static_cast<std::uint8_t>(DeviceId);
    for (const Step& step :
         {Step{Qt::Key_Space, 1, Choose(1, 18)}, Step{Qt::Key_PageDown, 2, Choose(0, 5)},
          Step{Qt::Key_Right, 3, file}, Step{Qt::Key_Space, 3, {}},
          Step{Qt::Key_Backspace, 2, Choose(0, 5)}, Step{Qt::Key_PageUp, 1, Choose(1, 18)},
          Step{Qt::Key_Left, 0, Choose(1, 17)}, Step{Qt::Key_Left, 0, {}},
          Step{Qt::Key_Return, 0, Choose(1, 17)}}) {
        SCOPED_TRACE(QKeySequence(step.Key).toString().toStdString());
        QTest::keyClick(&view, step.Key);
        EXPECT_EQ(view.Current(), step.Song);
        EXPECT_EQ(SentFor(rig, step.Sent.size()), step.Sent);
    }
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right);
    QTest::keyClick(&view, Qt::Key_Right);
    EXPECT_EQ(view.lblPosition->text(), "4 / 4");
    EXPECT_EQ(view.lblTitle->text(), "Ballad");
    EXPECT_EQ(view.lblPreset->text(), "Fretless.tmq042  Fretless");
    EXPECT_EQ(view.lblStatus->text(), "Fretless.tmq042 sent to the unit's edit buffer");
    EXPECT_EQ(view.lblNext->text(), "Last song of the set");
    QTest::keyClick(&view, Qt::Key_Space);
    EXPECT_EQ(view.lblStatus->text(), "That was the last song of the set");

    QTest::keyClick(&view, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(gig.Gig.isNull()) << "the view frees itself when it leaves";
}

// The unit's own program change (its switches, a foot controller through it): the view asks the
// unit where it is and shows the song on that slot, sending nothing back; a slot no song uses is
// named; a program change the unit does not explain moves on to the next song.
TEST(GigView, FollowsTheUnitsOwnChanges) {
    LinkRig rig;
    GigRig gig;
    TfrmGig& view = *gig.Open(rig.Link.get());
    ASSERT_TRUE(rig.RunUntil([&] {
        return rig.Unit(
            [](TPlenovaDevice& unit) { return unit.CurrentBank == 1 && unit.CurrentSlot == 16; });
    })) << "the unit on the first song's B017";

    ASSERT_TRUE(rig.processor->TurnTo(0, 4)); // A005: the third song
    ASSERT_TRUE(rig.RunUntil([&] { return view.Current() == 2; }));
    EXPECT_EQ(view.lblTitle->text(), "Dub");
    EXPECT_EQ(view.lblStatus->text(), "The unit turned to A005");
    EXPECT_TRUE(rig.Unit([](TPlenovaDevice& unit) { return unit.CurrentSlot == 4; }))
        << "the unit is left where it went";

    ASSERT_TRUE(rig.processor->TurnTo(2, 43));
    ASSERT_TRUE(rig.RunUntil([&] { return !view.lblStatus->text().contains("A005"); }));
    EXPECT_EQ(view.lblStatus->text(), "The unit is on C044, which no song of this set uses");
    EXPECT_EQ(view.Current(), 2);

    ASSERT_TRUE(rig.processor->TurnTo(1, 16)); // back to B017
    ASSERT_TRUE(rig.RunUntil([&] { return view.Current() == 0; }));

    // A foot controller's program change that reaches the program alone: the unit says nothing.
    rig.UsePorts("Loop", "Sink");
    rig.Link->SetClockSpeed(20);
    const TBytes change{0xC0, 0x05};
    rig.devices.Inject("Loop", change.data(), change.size());
    ASSERT_TRUE(rig.RunUntil([&] { return view.Current() == 1; }));
    EXPECT_EQ(view.lblTitle->text(), "Slap Funk");
}

// Without a unit, or with its MIDI Out closed, the view says so and the songs step on.
TEST(GigView, StepsOnWithoutAUnit) {
    GigRig gig;
    TfrmGig& alone = *gig.Open(nullptr);
    EXPECT_EQ(alone.lblStatus->text(), "No unit: the songs step on without it");
    QTest::keyClick(&alone, Qt::Key_Space);
    EXPECT_EQ(alone.Current(), 1);
    delete gig.Gig.data();

    LinkRig rig;
    rig.output->CloseDevice();
    TfrmGig& closed = *gig.Open(rig.Link.get(), 2);
    EXPECT_EQ(closed.Current(), 2);
    EXPECT_EQ(closed.lblStatus->text(),
              "No MIDI Out is open to the unit: the songs step on without it");
    closed.UnitChangedProgram(7); // as a program change coming in would
    ASSERT_TRUE(rig.RunUntil([&] { return closed.Current() == 3; }));
    EXPECT_TRUE(rig.Lines.filter("send failed").isEmpty());

    TSetList none;
    TfrmGig empty(none, QString(), rig.Link.get());
    EXPECT_EQ(empty.lblPosition->text(), "0 / 0");
    QTest::keyClick(&empty, Qt::Key_Space);
    EXPECT_EQ(empty.lblStatus->text(), "This set list has no songs");
}
