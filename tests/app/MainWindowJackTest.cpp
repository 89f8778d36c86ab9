// The main window talking to quellfarn-sim through JACK at DIN MIDI speed, with the devices
// chosen by name as a user chooses them in the device menus: one session end to end, from the
// first ping through a restore, against the files the unit itself saves. The variants of the
// walk and the restore are proven in tests/link, a backup over JACK with the tool's tests.

#include "app/Main.h"
#include "app/Restore.h"
#include "base/qvUtility.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "midi/VirtualMidiService.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedProcessor.h"
#include "support/ChildProcess.h"
#include "support/FileBytes.h"
#include "support/JackRig.h"
#include "support/ModalAnswer.h"
#include "support/PumpUntil.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPresets.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(MainWindowOverJack, TalksToTheUnitAndRestoresThroughTheMenus) {
    QTemporaryDir truth, folder;
    JackRig rig(QUELLFARN_SIM, "QF App Test", "QuellfarnAppTest",
                {"--wire-speed", "--save", truth.path().toStdString()});
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    ASSERT_EQ(window.MidiInput()->ProductName(), "QF App Test:MIDI out");
    ASSERT_EQ(window.MidiOutput()->ProductName(), "QF App Test:MIDI in");

    const auto status = [&] { return window.statusPanel0->text(); };
    rig.Connect();
    EXPECT_EQ(status(), "The Quellfarn is online! Your currently selected bank is: A");

    const auto logged = [&](const QString& start) {
        for (int i = 0; i < window.lbxLog->LineCount(); ++i)
            if (window.lbxLog->LineText(i).startsWith(start))
                return true;
        return false;
    };
    // A busy machine can hold up a message in the JACK graph: a user would press again.
    for (int attempt = 0; attempt < 3 && !logged("Sysex (258)"); ++attempt) {
        QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
        PumpUntil([&] { return logged("Sysex (258)"); }, 2000);
    }
    EXPECT_TRUE(logged("Sysex (258): F0 1A 00 13 05"));

    window.miSelectBank[2]->trigger();
    EXPECT_EQ(status(), "Bank C selected");
    for (int attempt = 0; attempt < 5 && window.Link->CurrentBank() != 2; ++attempt) {
        PumpFor(100);
        window.PingDevice();
    }
    EXPECT_EQ(status(), "The Quellfarn is online! Your currently selected bank is: C");

    for (int attempt = 0; attempt < 3 && !logged("Sysex (406)"); ++attempt) {
        window.miGetMptTable->trigger();
        PumpUntil([&] { return logged("Sysex (406)"); }, 2000);
    }
    EXPECT_TRUE(logged("Sysex (406): F0 1A 00 13 13"));

    // Bank B gets bank A's first three factory presets, retitled.
    QStringList names;
    for (int slot = 1; slot <= 3; ++slot) {
        const std::string title = "Restored " + std::to_string(slot);
        const QString name = QString::fromStdString(BackupFileName(title, slot));
        WriteBytes(
            folder.filePath("Bank B/" + name),
            Retitled(TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova()), title));
        names << name;
    }
    window.Link->SetRequestDelay(30);
    AnswerModal<TfrmRestore>([&](TfrmRestore& dialog) {
        dialog.edtFolder->setText(folder.path());
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    // Half way through, the user picks bank A from the menu: nothing may reach the unit.
    bool tried = false;
    auto* user = new QTimer(&window);
    QObject::connect(user, &QTimer::timeout, [&] {
        if (tried || !logged("Slot 1 of bank B: "))
            return;
        tried = true;
        EXPECT_FALSE(window.miSelectBank[0]->isEnabled());
        EXPECT_FALSE(window.miGetEachPreset->isEnabled());
        EXPECT_FALSE(window.miSendPresets->isEnabled());
        window.miSelectBank[0]->trigger();
    });
    user->start(5);
    window.miSendPresets->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.dialogs.Messages.size() >= 2; }, 60000));
    EXPECT_TRUE(tried);
    EXPECT_EQ(rig.dialogs.Messages[0].Text,
              "This will replace 3 presets in bank B. Do you want to proceed?");
    EXPECT_EQ(rig.dialogs.Messages[1].Text, "3 written, 3 verified, 0 skipped, 0 failed");

    window.close();
    ASSERT_EQ(rig.sim.Stop(), 0);

    const auto bytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
    };
    for (const QString& name : names)
        EXPECT_EQ(bytes(truth.filePath("Bank B/" + name)), bytes(folder.filePath("Bank B/" + name)))
            << name.toStdString();
    for (int slot = 1; slot <= 3; ++slot) {
        const TBytes factory = TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova());
        const QByteArray held = bytes(truth.filePath(
            "Bank A/" + QString::fromStdString(BackupFileName(PresetTitleOf(factory), slot))));
        ASSERT_EQ(held.size(), 258) << "bank A keeps its presets";
        EXPECT_EQ(TBytes(held.begin() + 5, held.end()), TBytes(factory.begin() + 5, factory.end()));
    }
}

// The simulator's cable pulled during a backup and plugged in again: within two seconds its ports
// leave the menus, the status says what is awaited and so does the backup's progress; then they
// are back, opened again by name, and the backup ends with every preset.
TEST(MainWindowOverJack, PortsThatGoAreWaitedForAndOpenedAgain) {
    QTemporaryDir folder;
    JackRig rig(QUELLFARN_SIM, "QF Cable Test", "QuellfarnCableTest");
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    rig.Connect();
    const auto listed = [&](QMenu* menu, const QString& name) {
        const QList<QAction*> items = menu->actions();
        return std::any_of(items.begin(), items.end(),
                           [&](const QAction* item) { return item->text() == name; });
    };
    const auto both = [&] {
        return listed(window.miMIDIIn, "QF Cable Test:MIDI out") &&
               listed(window.miMIDIOut, "QF Cable Test:MIDI in");
    };
    TLinkTimings timings = window.Link->Timings();
    timings.TimeoutMilliseconds = 2000; // a request lost with the cable is asked again soon
    window.Link->SetTimings(timings);
    TProcedureOptions options;
    options.Banks = {true, false, false, false};
    options.Save = true;
    options.OutputDirectory = folder.path();
    options.Last = 20;
    options.RequestDelay = 100;
    options.UntitledName = "Untitled";
    ASSERT_TRUE(window.Link->Job<TBackupWalk>().Start(options));
    ASSERT_TRUE(
        PumpUntil([&] { return window.Link->Job<TBackupWalk>().Counts().Saved >= 2; }, 10000));

    ASSERT_TRUE(rig.sim.Say("unplug"));
    EXPECT_TRUE(PumpUntil(
        [&] {
            return !listed(window.miMIDIIn, "QF Cable Test:MIDI out") &&
                   !listed(window.miMIDIOut, "QF Cable Test:MIDI in");
        },
        2000));
    EXPECT_EQ(window.statusPanel0->text(),
              "MIDI Out 'QF Cable Test:MIDI in' is gone - waiting for it to come back");
    PumpFor(300);
    EXPECT_TRUE(window.lblProgress->text().startsWith(
        "Waiting for MIDI Out 'QF Cable Test:MIDI in' - Bank A: preset "))
        << window.lblProgress->text().toStdString();
    const int savedBefore = window.Link->Job<TBackupWalk>().Counts().Saved;
    PumpFor(1000);
    EXPECT_EQ(window.Link->Job<TBackupWalk>().Counts().Saved, savedBefore)
        << "nothing comes while away";

    ASSERT_TRUE(rig.sim.Say("replug"));
    EXPECT_TRUE(PumpUntil(both, 2000));
    EXPECT_EQ(window.MidiInput()->PortState(), TPortState::Open);
    EXPECT_EQ(window.MidiOutput()->PortState(), TMidiOutput::State::Open);
    EXPECT_TRUE(PumpUntil([&] { return !window.Link->Job<TBackupWalk>().Active(); }, 30000));
    EXPECT_EQ(window.Link->Job<TBackupWalk>().Counts().Saved, 20);
    EXPECT_EQ(QDir(folder.filePath("Bank A")).entryList(QDir::Files).size(), 20);
    EXPECT_EQ(rig.settings.GetString("MIDI_OUT", true), "QF Cable Test:MIDI in");
}

// With a silent unit's ports chosen, "Find the unit..." finds the simulator's pair; then "select
// B 17" on the simulator, as its knob, is followed by the editor that came from the unit, and
// with an edit there "select C 5" opens a window of its own.
TEST(MainWindowOverJack, FindsTheUnitAndFollowsItsKnob) {
    ChildProcess silent(JackRig::Command(QUELLFARN_SIM, "QF Silent Unit", {"--mute"}));
    ASSERT_TRUE(silent.WaitForLine("ready"));
    JackRig rig(QUELLFARN_SIM, "QF Knob Test", "QuellfarnKnobTest");
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    for (const auto& [menu, port] : {std::pair{window.miMIDIIn, "QF Silent Unit:MIDI out"},
                                     std::pair{window.miMIDIOut, "QF Silent Unit:MIDI in"}})
        for (QAction* item : menu->actions())
            if (item->text() == port)
                item->trigger();
    ASSERT_EQ(window.MidiOutput()->ProductName(), "QF Silent Unit:MIDI in");
    QString found;
    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        found = box.text();
        box.reject();
    });
    window.miFindUnit->trigger();
    EXPECT_TRUE(PumpUntil([&] { return !found.isEmpty(); }, 10000));
    EXPECT_EQ(found, "The unit answers on MIDI In 'QF Knob Test:MIDI out' and MIDI Out 'QF Knob "
                     "Test:MIDI in'; it is a Plenova unit");
    EXPECT_EQ(window.MidiOutput()->ProductName(), "QF Knob Test:MIDI in");
    rig.Connect();

    const auto presetLine = [&] {
        for (int i = 0; i < window.lbxLog->LineCount(); ++i)
            if (window.lbxLog->LineText(i).startsWith("Sysex (258)"))
                return i;
        return -1;
    };
    for (int attempt = 0; attempt < 3 && presetLine() < 0; ++attempt) {
        QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
        PumpUntil([&] { return presetLine() >= 0; }, 2000);
    }
    ASSERT_GE(presetLine(), 0);
    window.lbxLog->SetCurrentLine(presetLine());
    window.LogDoubleClick(); // the received preset into the buffer, then into an editor
    window.miOpenPresetEditor->trigger();
    ASSERT_EQ(window.PresetEditors().size(), 1u);
    TfrmPresetEditor& first = *window.PresetEditors().front();
    QTest::mouseClick(first.chkFollowUnit, Qt::LeftButton, Qt::NoModifier,
                      QPoint(8, first.chkFollowUnit->height() / 2));
    ASSERT_TRUE(first.chkFollowUnit->isChecked());
    const auto title = [](int bank, int slot) {
        return QString::fromStdString(
            PresetTitleOf(TPlenovaDevice::FactoryPreset(bank, slot - 1, TDeviceMode::Plenova())));
    };
    ASSERT_TRUE(rig.sim.Say("select B 17"));
    EXPECT_TRUE(PumpUntil([&] { return first.edtTitle->text() == title(1, 17); }, 10000));
    EXPECT_EQ(first.Document().HomeSlot().Slot, 17);

    first.edtTitle->setFocus();
    QTest::keyClicks(first.edtTitle, "!");
    ASSERT_TRUE(first.Document().HasEdits());
    ASSERT_TRUE(rig.sim.Say("select C 5"));
    EXPECT_TRUE(PumpUntil([&] { return window.PresetEditors().size() == 2; }, 10000));
    EXPECT_EQ(window.PresetEditors().back()->edtTitle->text(), title(2, 5));
    EXPECT_EQ(first.edtTitle->text(), title(1, 17) + "!");
}

// The unit's ports stored, the unit not yet there at start while the built-in simulated unit is:
// the simulated unit is neither opened nor asked in its place, the choice stays stored, and when
// quellfarn-sim comes up its ports are opened by name and it answers.
TEST(MainWindowOverJack, AStoredUnitMissingAtStartIsWaitedForNotReplaced) {
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .removeRecursively();
    QDir(TfrmMain::DraftFolder()).removeRecursively();
    const QString in = "QF Late Unit:MIDI out", out = "QF Late Unit:MIDI in";
    ScriptedDialogs dialogs;
    MidiDeviceService service;
    service.AddBackend(std::make_unique<RtMidiService>("QuellfarnLateTest"));
    auto& virtualDevices = service.AddBackend(std::make_unique<VirtualMidiService>());
    const auto builtIn = AttachSimulatedProcessor(virtualDevices);
    std::atomic<int> heard{0};
    builtIn->SetLog([&heard](const std::string& line) {
        if (line.rfind("<- ", 0) == 0)
            ++heard;
    });
    TqvRegUtil settings;
    settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
    settings.PutInteger("TMQReqDelay", 100);
    settings.PutBool("LIBRARY_OPEN", false);
    settings.PutString("MIDI_IN", in);
    settings.PutString("MIDI_OUT", out);
    TfrmMain window(service);
    window.InitializeExplorer(&settings, "Quellfarn");
    window.show();
    PumpFor(2500);
    EXPECT_NE(window.MidiOutput()->PortState(), TMidiOutput::State::Open);
    EXPECT_EQ(settings.GetString("MIDI_OUT", false), out) << "still the choice";
    EXPECT_EQ(settings.GetString("MIDI_IN", false), in);
    EXPECT_EQ(heard, 0) << "the simulated unit is not asked in the unit's place";

    ChildProcess sim({QUELLFARN_SIM, "--api", "jack", "--name", "QF Late Unit", "--latency-ms", "1",
                      "--no-wire-speed"});
    ASSERT_TRUE(sim.WaitForLine("ready"));
    ASSERT_TRUE(PumpUntil(
        [&] {
            return window.MidiOutput()->PortState() == TMidiOutput::State::Open &&
                   window.MidiOutput()->ProductName() == out &&
                   window.MidiInput()->ProductName() == in;
        },
        10000));
    for (int attempt = 0;
         attempt < 20 && !window.statusPanel0->text().startsWith("The Quellfarn is online!");
         ++attempt)
        window.PingDevice();
    EXPECT_TRUE(window.statusPanel0->text().startsWith("The Quellfarn is online!"));
    EXPECT_EQ(heard, 0);
}
