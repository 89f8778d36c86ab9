// The main window's device link and processor menu against the simulated processor.

#include "app/Main.h"
#include "base/Application.h"
#include "base/qvUtility.h"
#include "controls/qvLCDmeter.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "library/GigView.h"
#include "midi/MidiDeviceService.h"
#include "midi/VirtualMidiService.h"
#include "model/Protocol.h"
#include "mpt/mpt_edit.h"
#include "sim/SimulatedProcessor.h"
#include "store/LibraryRows.h"
#include "support/FileBytes.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/QtPrinters.h"
#include "support/RecordingDevice.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPresets.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace {
using Bytes = std::vector<std::uint8_t>;
const QString kPath = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");

// A main window that, like a procedure handed a received preset, asks the unit something
// from inside its input handler before handling the input.
class TAskingMain : public TfrmMain {
public:
    using TfrmMain::TfrmMain;
    void InputDepth(int depth) override {
        TfrmMain::InputDepth(depth);
        if (depth == 1 && AskOnNextInput) { // the handler starts: ask before reading
            AskOnNextInput = false;
            Answers.push_back(QueryCurrentPresetNumber());
        }
    }
    bool AskOnNextInput = false;
    std::vector<int> Answers;
};

// Each test starts and ends with the Plenova and device byte 0.
class MainWindow : public testing::Test {
    ModeGuard mode{false};
};
} // namespace

TEST_F(MainWindow, PingsOnShowAndFetchesWithF10) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    EXPECT_EQ(rig.Status(), "The Quellfarn is online! Your currently selected bank is: A");
    EXPECT_FALSE(window.miBypass->isChecked());
    EXPECT_TRUE(rig.Log().isEmpty()) << "answered replies are not logged";

    QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 1; }));
    EXPECT_TRUE(rig.Log().front().startsWith("Sysex (258): F0 1A 00 13 05 "));
    EXPECT_EQ(rig.Status(), "Received 258 MIDI in bytes");
    EXPECT_EQ(window.pgcTab->currentWidget(), window.tsMonitor) << "F10 shows the monitor";
}

TEST_F(MainWindow, BanksBypassTableAndBulkDumpReachTheUnit) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    window.miSelectBank[2]->trigger();
    EXPECT_EQ(rig.Status(), "Bank C selected");
    EXPECT_EQ(window.Link->CurrentBank(), 0)
        << "selecting does not change what the unit last reported";
    ASSERT_TRUE(PumpUntil(
        [&] { return rig.Unit([](TPlenovaDevice& unit) { return unit.CurrentBank == 2; }); }));
    window.PingDevice();
    EXPECT_EQ(rig.Status(), "The Quellfarn is online! Your currently selected bank is: C");

    window.miBypass->trigger();
    EXPECT_TRUE(window.miBypass->isChecked());
    EXPECT_EQ(rig.Status(), "Bypass activation request sent");
    ASSERT_TRUE(
        PumpUntil([&] { return rig.Unit([](TPlenovaDevice& unit) { return unit.Bypass; }); }));
    window.miBypass->trigger();
    EXPECT_EQ(rig.Status(), "Bypass deactivation request sent");
    ASSERT_TRUE(
        PumpUntil([&] { return rig.Unit([](TPlenovaDevice& unit) { return !unit.Bypass; }); }));

    window.miGetMptTable->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 1; }));
    EXPECT_TRUE(rig.Log().front().startsWith("Sysex (406): F0 1A 00 13 13 00 00 01 00"));

    // 16 SysEx buffers hold 16 dumps: at a quarter of DIN speed a busy machine keeps up too, and
    // input does not wait for the window: held up for two seconds, it still logs every preset.
    rig.processor->SetByteTime(std::chrono::microseconds(80));
    window.miGetBulkDump->trigger();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const bool all = PumpUntil([&] { return rig.Log().size() == 201; }, 20000);
    ASSERT_TRUE(all) << rig.Log().size() << " lines, lost " << window.MidiInput()->LostCount()
                     << ": " << rig.Log().back().toStdString();
    EXPECT_EQ(rig.Log().filter("Sysex (258)").size(), 200);
    EXPECT_EQ(window.MidiInput()->LostCount(), 0u);
}

TEST_F(MainWindow, SentMessagesAreLoggedBetweenTheirAnswersOnlyWhenAsked) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    window.pgcTab->setCurrentWidget(window.tsMonitor);
    const auto sentLines = [&] { return rig.Log().filter(QRegularExpression("^Sent ")); };
    QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 1; }));
    window.miSelectBank[1]->trigger();
    PumpFor(50);
    EXPECT_TRUE(sentLines().isEmpty()) << "off unless asked: the ping, F10, the bank";
    EXPECT_FALSE(window.pmiLogSentMessages->isChecked());

    window.miClearIn->trigger();
    ASSERT_TRUE(ChoosePopupItem(window.lbxLog->viewport(), QPoint(20, 20), "pmiLogSentMessages"));
    EXPECT_TRUE(window.pmiLogSentMessages->isChecked());
    EXPECT_TRUE(rig.settings.GetBool("LOG_SENT_MESSAGES", {.CanCreate = false, .Default = false}))
        << "kept at once";
    QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 2; }));
    window.miGetMptTable->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 4; }));
    window.PingDevice(); // its answers are taken by the link, its requests are logged
    window.miSelectBank[2]->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 7; }));
    const QStringList log = rig.Log();
    EXPECT_EQ(log[0], "Sent Sysex (6): F0 1A 00 13 45 F7 ");
    EXPECT_TRUE(log[1].startsWith("Sysex (258): F0 1A 00 13 05 "));
    EXPECT_EQ(log[2], "Sent Sysex (6): F0 1A 00 13 53 F7 ");
    EXPECT_TRUE(log[3].startsWith("Sysex (406): F0 1A 00 13 13 "));
    EXPECT_EQ(log[4], "Sent Sysex (7): F0 1A 00 13 43 00 F7 ");
    EXPECT_EQ(log[5], "Sent Sysex (7): F0 1A 00 13 43 09 F7 ");
    EXPECT_EQ(log[6], "Sent Sysex (8): F0 1A 00 13 03 09 02 F7 ");
    const QModelIndex setBank = window.lbxLog->Lines().index(6);
    EXPECT_EQ(setBank.data(Qt::ToolTipRole).toString(), log[6])
        << "a bank set by the program is no bank reported by the unit";

    window.SetLogDblClickAction(0);
    window.lbxLog->SetCurrentLine(0);
    window.LogDoubleClick();
    EXPECT_EQ(window.memMsgBuf->toPlainText(), "F0 1A 00 13 45 F7 ") << "opens as a received one";

    // Kept for the next start.
    window.close();
    TfrmMain& next = rig.Start();
    EXPECT_TRUE(next.pmiLogSentMessages->isChecked());
    next.pgcTab->setCurrentWidget(next.tsMonitor);
    ASSERT_TRUE(ChoosePopupItem(next.lbxLog->viewport(), QPoint(20, 20), "pmiLogSentMessages"));
    EXPECT_FALSE(rig.settings.GetBool("LOG_SENT_MESSAGES", {.CanCreate = false, .Default = true}));
    next.miClearIn->trigger();
    QTest::keyClick(next.memMsgBuf, Qt::Key_F10);
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 1; }));
    PumpFor(50);
    EXPECT_TRUE(sentLines().isEmpty());
}

TEST_F(MainWindow, ARequestSentFromTheInputHandlerIsLoggedInItsPlace) {
    MainRig rig;
    auto& window = rig.Start<TAskingMain>(false);
    window.SetLogSentMessages(true);
    window.AskOnNextInput = true;
    const Bytes notes{0x90, 0x3C, 0x64, 0x80, 0x3C, 0x00};
    rig.virtualDevices.Inject(kSimulatedDeviceName, notes.data(), notes.size());
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 3; }));
    PumpFor(50);
    const QStringList log = rig.Log();
    ASSERT_EQ(log.size(), 3) << "the reply itself is taken by the link";
    EXPECT_EQ(log[0], "Sent Sysex (7): F0 1A 00 13 43 40 F7 ") << "asked before the input was read";
    EXPECT_TRUE(log[1].startsWith("Note On 90 3C 64"));
    EXPECT_TRUE(log[2].startsWith("Note Off 80 3C 00"));
    EXPECT_EQ(window.Answers.size(), 1u);
}

TEST_F(MainWindow, PrePlenovaModeChangesTheRequestsAndTheMenu) {
    MainRig rig(true);
    TfrmMain& window = rig.Start(false);
    window.miPrePlenova->trigger();
    EXPECT_TRUE(PrePlenovaMode);
    for (QAction* bank : window.miSelectBank)
        EXPECT_FALSE(bank->isEnabled());
    window.PingDevice();
    EXPECT_EQ(rig.Status(), "The Quellfarn is online!");
    EXPECT_EQ(window.Link->CurrentBank(), -1) << "only the bypass state is asked";

    window.miGetMptTable->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 1; }));
    EXPECT_TRUE(rig.Log().front().startsWith("Sysex (262): F0 1A 00 13 0C "));
    window.SetLogDblClickAction(0);
    window.lbxLog->SetCurrentLine(0);
    window.LogDoubleClick();
    EXPECT_TRUE(window.IsMptDump());

    rig.UseOutput("Sink");
    window.miGetBulkDump->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.sink->Received().size() == 6; }));
    EXPECT_EQ(rig.sink->Received(), (Bytes{0xF0, 0x1A, 0, 0x13, 0x4B, 0xF7}));
    rig.sink->Clear();
    window.miGetMptTable->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.sink->Received().size() == 6; }));
    EXPECT_EQ(rig.sink->Received(), (Bytes{0xF0, 0x1A, 0, 0x13, 0x4C, 0xF7}));

    window.close();
    EXPECT_TRUE(rig.settings.GetBool("PRE_PLENOVA", {.CanCreate = false, .Default = false}));
}

TEST_F(MainWindow, TheDeviceByteIsTheChannelAtStartUp) {
    MainRig rig;
    rig.settings.PutInteger("MIDI_OUT_CH", 3);
    TfrmMain& window = rig.Start(false);
    EXPECT_EQ(DeviceId, 3);
    window.miChannel[9]->trigger();
    EXPECT_EQ(DeviceId, 3) << "a later channel waits for the next start";
    rig.UseOutput("Sink");
    window.RequestCurrentPreset();
    ASSERT_TRUE(PumpUntil([&] { return rig.sink->Received().size() == 6; }));
    EXPECT_EQ(rig.sink->Received()[2], 3);
}

TEST_F(MainWindow, KeysCtrlCOnlyStopsAProcedureWithCtrlAlone) {
    MainRig rig;
    TfrmMain& window = rig.Start(false);
    QTemporaryDir folder;
    TProcedureOptions walk;
    walk.Save = true;
    walk.OutputDirectory = folder.path();
    walk.RequestDelay = 1000; // it goes on while the keys come
    // A silent unit: no answer on its way comes in after the abort to be logged last.
    rig.processor->SetMute(true);
    ASSERT_TRUE(window.Link->Job<TBackupWalk>().Start(walk));
    QTest::keyClick(window.memMsgBuf, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window.Link->Job<TBackupWalk>().Active());
    QTest::keyClick(window.memMsgBuf, Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_TRUE(window.Link->Job<TBackupWalk>().Active());
    QTest::keyClick(window.memMsgBuf, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(window.Link->Job<TBackupWalk>().Active());
    EXPECT_EQ(rig.Log().back(), "Procedure aborted");
    EXPECT_EQ(rig.Status(), "Procedure aborted");
    const int lines = static_cast<int>(rig.Log().size());
    QTest::keyClick(window.memMsgBuf, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(rig.Log().size(), lines) << "outside a procedure nothing of the main window's";
}

TEST_F(MainWindow, WithoutAnOutputF10TellsTheUser) {
    MainRig rig(false, false);
    TfrmMain& window = rig.Start(false);
    EXPECT_FALSE(window.miQuellfarnRequests->isEnabled());
    QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
    EXPECT_EQ(rig.dialogs.Messages.back().Text, "MIDI Out device not available");
    EXPECT_EQ(rig.dialogs.Messages.back().Caption, "MIDI communications error");
    window.miBypass->trigger();
    EXPECT_TRUE(window.miBypass->isChecked()) << "the check stays toggled";
}

TEST_F(MainWindow, SettingsAtSetUpAndClose) {
    MainRig rig;
    rig.settings.PutInteger("TMQReqDelay", 0);
    rig.settings.PutInteger("RECT_MAIN", 7);
    rig.settings.PutString("TMQ_REQ_DELAY", "x");
    TfrmMain& window = rig.Start(false);
    EXPECT_EQ(window.Link->RequestDelay(), 1000);
    EXPECT_EQ(rig.settings.GetInteger("RECT_MAIN", false, -1), -1) << "obsolete values are deleted";
    EXPECT_EQ(rig.settings.GetString("TMQ_REQ_DELAY", false), "");
    const QList<QAction*> menus = window.menuBar()->actions();
    ASSERT_GE(menus.size(), 5);
    EXPECT_EQ(menus[menus.size() - 5]->text(), "Quellfarn Requests");
    EXPECT_EQ(menus[menus.size() - 4]->text(), "Presets") << "the editors' menus follow";
    EXPECT_EQ(menus[menus.size() - 3]->text(), "MPT");
    EXPECT_EQ(menus[menus.size() - 2]->text(), "&View");
    EXPECT_EQ(menus.back()->text(), "&Help");
    const QStringList items = [&] {
        QStringList texts;
        for (QAction* action : window.miQuellfarnRequests->actions())
            texts << (action->isSeparator() ? QString("-") : action->text());
        return texts;
    }();
    EXPECT_EQ(items,
              QStringList({"Get current preset only (F10)", "Get/Save each preset individually...",
                           "Print list of presets...", "Send presets to the unit...",
                           "Get preset bulk dump", "-", "Get MPT Table", "Bypass", "-",
                           "Select Bank &A", "Select Bank &B", "Select Bank &C", "Select Bank &D",
                           "-", "Use Pre-Plenova options", "-", "Check the connection...",
                           "Find the unit..."}) +
                  QStringList({"-", "Reset the simulated unit to its factory presets..."}));
    window.close();
    EXPECT_EQ(rig.settings.GetInteger("TMQReqDelay", false, -1), 1000);
    EXPECT_FALSE(rig.settings.GetBool("PRE_PLENOVA", {.CanCreate = false, .Default = true}));
}

// With nothing stored, the folders the user works in start in "Quellfarn" in the documents
// folder (made once something is written there), never beside the program.
TEST_F(MainWindow, FoldersStartInTheDocumentsFolder) {
    const QString folder = qEnvironmentVariable("QUELLFARN_TEST_DOCUMENTS") + "/Quellfarn/";
    QDir(folder).removeRecursively();
    MainRig rig;
    TfrmMain& window = rig.Start();
    EXPECT_EQ(window.CurrentFolder, folder);
    EXPECT_EQ(window.cbxFolder->currentText(), folder);
    EXPECT_FALSE(QFileInfo::exists(folder));
    TfrmMPTEdit* table = window.NewMptEditor();
    EXPECT_EQ(table->HintFolder, folder);
    table->MptModified = false;
    table->close();
    window.SetMessageText("F0 7E 7F 06 01 F7");
    rig.dialogs.Names.push_back(folder + "identity.syx");
    window.SaveMessageBuffer();
    EXPECT_TRUE(QFileInfo::exists(folder + "identity.syx"));
}

// The buffer decides what "Presets" and "MPT" offer; a preset file opened from the buffer
// keeps its name in the editor.
TEST_F(MainWindow, TheEditorMenusFollowTheBuffer) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    const QString path = folder.filePath("Fretless Warm.tmq003");
    WriteBytes(path, TitledDump("Fretless Warm"));
    window.LoadFileIntoBuffer(path);
    emit window.miPresets->aboutToShow();
    EXPECT_TRUE(window.miOpenPresetEditor->isEnabled());
    EXPECT_EQ(rig.Status(), "Preset loaded: Fretless Warm");
    emit window.miMPT->aboutToShow();
    EXPECT_FALSE(window.miOpenMptEditor->isEnabled());
    window.miOpenPresetEditor->trigger();
    ASSERT_EQ(window.PresetEditors().size(), 1u);
    TfrmPresetEditor* editor = window.PresetEditors().front();
    EXPECT_EQ(editor->Document().FileName(), path);
    EXPECT_EQ(editor->windowTitle(), "ZOL TMQ-Quellfarn Plenova Preset Editor - " + path);
    EXPECT_EQ(editor->Document().Preset.Title, "Fretless Warm");

    QFile other(folder.filePath("identity.syx"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("\xF0\x7E\x7F\x06\x01\xF7");
    other.close();
    window.LoadFileIntoBuffer(other.fileName());
    emit window.miPresets->aboutToShow();
    EXPECT_FALSE(window.miOpenPresetEditor->isEnabled());
    window.miNewMpt->trigger();
    ASSERT_FALSE(window.TableEditors().empty());
    EXPECT_TRUE(window.TableEditors().back()->isVisible());
    EXPECT_EQ(window.TableEditors().back()->windowTitle(), "ZOL Quellfarn MPT Editor")
        << "a new table";
    window.TableEditors().back()->MptModified = false;
    window.TableEditors().back()->close();
    rig.dialogs.Answers.push_back(QMessageBox::No);
    editor->close();
}

// "Check the connection..." with Quellfarn set to device 3 and the unit answering as 0: the steps
// and the verdict in a box, and its "Use device 0", clicked, makes Quellfarn talk to the unit
// and keeps the choice; asked again, the unit answers.
namespace {
// Opens the processor menu and chooses the item so many from its end by the arrow keys.
void ChooseFromTheEnd(TfrmMain& window, int fromEnd) {
    window.miQuellfarnRequests->popup(window.mapToGlobal(QPoint(40, 20)));
    for (int up = 0; up < fromEnd; ++up)
        QTest::keyClick(window.miQuellfarnRequests, Qt::Key_Up);
    QTest::keyClick(window.miQuellfarnRequests, Qt::Key_Return);
}
} // namespace

// "Find the unit..." by keys, with the loopback chosen: the unit's pair is found, opened, checked
// in the menus and stored, and the box says so; only the unit was asked.
TEST_F(MainWindow, FindTheUnitChoosesThePairThatAnswers) {
    MainRig rig;
    rig.settings.PutString("MIDI_IN", "Loop");
    rig.settings.PutString("MIDI_OUT", "Loop");
    TfrmMain& window = rig.Start();
    ASSERT_EQ(window.MidiOutput()->ProductName(), "Loop");
    QString said;
    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        said = box.text();
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    ChooseFromTheEnd(window, 1);
    EXPECT_TRUE(PumpUntil([&] { return !said.isEmpty(); }, 5000));
    const QString unit = kSimulatedDeviceName;
    EXPECT_EQ(said, "The unit answers on MIDI In '" + unit + "' and MIDI Out '" + unit +
                        "'; it is a Plenova unit");
    EXPECT_EQ(rig.Status(), said);
    EXPECT_EQ(window.MidiInput()->ProductName(), unit);
    EXPECT_EQ(window.MidiOutput()->ProductName(), unit);
    EXPECT_EQ(window.MidiOutput()->PortState(), TMidiOutput::State::Open);
    for (QMenu* menu : {window.miMIDIIn, window.miMIDIOut})
        for (QAction* item : menu->actions())
            EXPECT_EQ(item->isChecked(), item->text() == unit) << item->text().toStdString();
    EXPECT_EQ(rig.settings.GetString("MIDI_OUT", false), unit);
    EXPECT_TRUE(rig.sink->Chunks().empty());
}

// The start looks for the unit only at the very first start, with no port stored at all, and
// then without a box. A stored port that is missing stays the choice, kept by name and waited
// for: the simulated unit is never opened nor asked in its place, and the port is opened when it
// comes. An input not stored goes with the stored output.
TEST_F(MainWindow, OnlyTheFirstStartLooksForTheUnitAndAStoredPortIsWaitedFor) {
    const QString unit = kSimulatedDeviceName;
    const QString found = "The unit answers on MIDI In '" + unit + "' and MIDI Out '" + unit +
                          "'; it is a Plenova unit";
    const QString usb = "USB MIDI Interface 1";
    const QString waiting = "MIDI Out '" + usb + "' is gone - waiting for it to come back";
    enum class Ports { None, UnitFirst, SinkFirst };
    struct Case {
        const char* name;
        Ports ports;
        QString storedIn, storedOut;
        QString lateLoop; // a port that comes once the window is up
        QString in, out;  // open, and stored, at the end
        QString said;     // in the log
    };
    const std::vector<Case> cases{
        {"nothing stored, the unit first: its answer is enough", Ports::UnitFirst, "", "", "", unit,
         unit, ""},
        {"nothing stored, the first port silent: looked for", Ports::SinkFirst, "", "", "", unit,
         unit, found},
        {"stored and there, silent: the choice stands", Ports::UnitFirst, "Loop", "Loop", "",
         "Loop", "Loop", ""},
        {"only the output stored, silent: the input of its name", Ports::UnitFirst, "", "Sink", "",
         "Sink", "Sink", ""},
        {"stored and missing: waited for", Ports::UnitFirst, usb, usb, usb, usb, usb, waiting},
        {"only the output stored, missing: the input comes with it", Ports::UnitFirst, "", usb, usb,
         usb, usb, waiting},
        {"stored and missing, no other port: waited for", Ports::None, usb, usb, usb, usb, usb,
         waiting},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::atomic<int> heard{0}; // messages the simulated unit received
        MainRig rig(false, c.ports == Ports::UnitFirst);
        if (c.ports == Ports::SinkFirst) {
            rig.virtualDevices.AttachDevice("Sink", rig.sink);
            rig.processor = AttachSimulatedProcessor(rig.virtualDevices);
        }
        if (rig.processor)
            rig.processor->SetLog([&heard](const std::string& line) {
                if (line.rfind("<- ", 0) == 0)
                    ++heard;
            });
        if (!c.storedIn.isEmpty())
            rig.settings.PutString("MIDI_IN", c.storedIn);
        if (!c.storedOut.isEmpty())
            rig.settings.PutString("MIDI_OUT", c.storedOut);
        // Any box the start opened would be counted and closed (the search at start has none).
        int boxes = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&boxes] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                ++boxes;
                box->reject();
            }
        });
        watch.start(20);
        TfrmMain& window = rig.Start();
        // The ping's window is a second; the search asks each output twice where it finds nothing.
        QTest::qWait(1200);
        if (!c.said.isEmpty()) {
            EXPECT_TRUE(PumpUntil([&] { return rig.Log().contains(c.said); }, 8000));
        }
        if (!c.lateLoop.isEmpty()) {
            EXPECT_EQ(window.MidiOutput()->PortState(), TMidiOutput::State::Closed);
            EXPECT_NE(window.MidiInput()->PortState(), TPortState::Open);
            EXPECT_EQ(rig.settings.GetString("MIDI_OUT", false), c.storedOut) << "still the choice";
            EXPECT_EQ(rig.settings.GetString("MIDI_IN", false), c.storedIn);
            rig.virtualDevices.AddLoopback(c.lateLoop.toStdString());
        }
        EXPECT_TRUE(PumpUntil(
            [&] {
                return window.MidiOutput()->PortState() == TMidiOutput::State::Open &&
                       window.MidiOutput()->ProductName() == c.out &&
                       window.MidiInput()->PortState() == TPortState::Open &&
                       window.MidiInput()->ProductName() == c.in;
            },
            3000))
            << window.MidiOutput()->ProductName().toStdString();
        EXPECT_EQ(rig.settings.GetString("MIDI_IN", false), c.in);
        EXPECT_EQ(rig.settings.GetString("MIDI_OUT", false), c.out);
        EXPECT_EQ(boxes, 0);
        if (c.said != found) {
            for (const QString& line : rig.Log())
                EXPECT_FALSE(line.contains("answer")) << line.toStdString();
        }
        if (c.out != unit) {
            EXPECT_EQ(heard, 0) << "the simulated unit is not asked in place of the port chosen";
        }
        if (c.ports == Ports::UnitFirst && c.storedOut != "Sink") {
            EXPECT_TRUE(rig.sink->Chunks().empty()) << "nothing but the search asks other ports";
        }
    }
}

TEST_F(MainWindow, CheckTheConnectionFindsTheUnitUnderAnotherDeviceByte) {
    struct Reset {
        ~Reset() { DeviceId = 0; } // whatever happens, the next test talks to device 0
    } reset;
    MainRig rig;
    rig.settings.PutInteger("MIDI_OUT_CH", 3);
    TfrmMain& window = rig.Start();
    QString verdict, steps;
    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        verdict = box.text();
        steps = box.informativeText();
        for (QAbstractButton* button : box.buttons())
            if (button->text() == "Use device 0")
                QTest::mouseClick(button, Qt::LeftButton);
    });
    ChooseFromTheEnd(window, 2);
    EXPECT_TRUE(PumpUntil([&] { return !verdict.isEmpty(); }, 5000));
    EXPECT_EQ(verdict, "The unit answers as device 0; Quellfarn is set to 3");
    EXPECT_TRUE(steps.endsWith("From this processor: ok\nWith this device byte: failed"))
        << steps.toStdString();
    EXPECT_EQ(DeviceId, 0);
    EXPECT_EQ(rig.settings.GetInteger("MIDI_OUT_CH", false, -1), 0);
    EXPECT_EQ(rig.Status(), "Quellfarn now talks to device 0");

    AnswerModal<QMessageBox>([&](QMessageBox& box) {
        verdict = box.text();
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    window.miCheckConnection->trigger();
    EXPECT_EQ(verdict, "The unit answers: the connection works");
    EXPECT_EQ(rig.Status(), verdict);
}

// "Follow the unit" ticked by a click in the editor that came from the unit: the unit's knob
// turned to B 017 loads that preset there; with an unsaved edit, the next turn opens a window
// of its own and the edit stays. The setting is kept.
TEST_F(MainWindow, FollowingTheUnitLoadsWhatItsKnobChooses) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 1; }));
    window.lbxLog->SetCurrentLine(0);
    window.LogDoubleClick(); // the received preset into the buffer, then into an editor
    window.miOpenPresetEditor->trigger();
    ASSERT_EQ(window.PresetEditors().size(), 1u);
    TfrmPresetEditor& first = *window.PresetEditors().front();
    ASSERT_TRUE(first.isVisible());
    QTest::mouseClick(first.chkFollowUnit, Qt::LeftButton, Qt::NoModifier,
                      QPoint(8, first.chkFollowUnit->height() / 2));
    ASSERT_TRUE(first.chkFollowUnit->isChecked());
    EXPECT_TRUE(rig.settings.GetBool("FOLLOW_UNIT", {.CanCreate = false, .Default = false}));

    const auto title = [&](int bank, int slot) {
        std::string held;
        rig.Unit([&](TPlenovaDevice& unit) {
            held = PresetTitleOf(
                unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)]);
            return true;
        });
        return QString::fromStdString(held);
    };
    ASSERT_TRUE(rig.processor->TurnTo(1, 16));
    EXPECT_TRUE(PumpUntil([&] { return first.edtTitle->text() == title(1, 17); }));
    EXPECT_EQ(rig.Status(), "Following the unit: B 017 opened");
    EXPECT_EQ(first.Document().HomeSlot().Bank, 1);
    EXPECT_EQ(first.Document().HomeSlot().Slot, 17);

    first.edtTitle->setFocus();
    QTest::keyClick(first.edtTitle, Qt::Key_End);
    QTest::keyClicks(first.edtTitle, "!");
    ASSERT_TRUE(first.Document().HasEdits());
    const QString edited = first.edtTitle->text();
    ASSERT_TRUE(rig.processor->TurnTo(2, 4));
    EXPECT_TRUE(PumpUntil([&] { return window.PresetEditors().size() == 2; }));
    EXPECT_EQ(window.PresetEditors().back()->edtTitle->text(), title(2, 5));
    EXPECT_TRUE(window.PresetEditors().back()->chkFollowUnit->isChecked());
    EXPECT_EQ(first.edtTitle->text(), edited);
    EXPECT_TRUE(first.Document().HasEdits());
    EXPECT_EQ(rig.Status(), "Following the unit: C 005 opened in a window of its own: the "
                            "editor's unsaved changes stay");
}

// Ctrl+PgDn and Ctrl+PgUp in an editor from a slot fetch the next and the previous slot, across
// banks, into that editor; one holding unsaved changes keeps them and the slot opens in a window
// of its own; past the unit's ends nothing is fetched.
TEST_F(MainWindow, ControlPageKeysStepThroughTheUnitsSlots) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    const auto dump = [&](int bank, int slot) {
        TBytes held;
        rig.Unit([&](TPlenovaDevice& unit) {
            held = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)];
            return true;
        });
        return held;
    };
    const auto open = [&](int bank, int slot) {
        TLibraryRow row;
        row.Bank = bank;
        row.Slot = slot;
        row.Dump = dump(bank, slot);
        window.OpenFromLibrary(row);
        return window.PresetEditors().back();
    };
    const auto press = [](TfrmPresetEditor* editor, Qt::Key key) {
        editor->edtTitle->setFocus();
        PressKey(editor->edtTitle, key, Qt::ControlModifier);
    };
    TfrmPresetEditor* editor = open(0, 200);
    ASSERT_FALSE(editor->Document().HasEdits());
    struct Step {
        Qt::Key key;
        int bank, slot;      // where the editor's preset is then from
        bool edited = false; // the editor holds an edit before the key
    };
    const std::vector<Step> steps{{Qt::Key_PageDown, 1, 1},
                                  {Qt::Key_PageUp, 0, 200},
                                  {Qt::Key_PageUp, 0, 199},
                                  {Qt::Key_PageDown, 0, 200, true}};
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.bank) + " " + std::to_string(step.slot));
        const std::size_t windows = window.PresetEditors().size();
        QString kept;
        if (step.edited) {
            editor->edtTitle->setFocus();
            QTest::keyClicks(editor->edtTitle, "!");
            kept = editor->edtTitle->text();
        }
        press(editor, step.key);
        TfrmPresetEditor* shown = editor;
        if (step.edited) {
            ASSERT_TRUE(PumpUntil([&] { return window.PresetEditors().size() == windows + 1; }));
            shown = window.PresetEditors().back();
            EXPECT_EQ(editor->edtTitle->text(), kept);
            EXPECT_TRUE(editor->Document().HasEdits());
            EXPECT_EQ(shown->lblStatus->text().toStdString(), "");
        } else {
            EXPECT_EQ(window.PresetEditors().size(), windows);
        }
        const TBytes wanted = dump(step.bank, step.slot);
        const auto loaded = [&] {
            const auto& copy = shown->Document().Preset.LoadedDump;
            return TBytes(copy.begin(), copy.end());
        };
        EXPECT_TRUE(PumpUntil([&] { return loaded() == wanted; }));
        EXPECT_FALSE(shown->Document().HasEdits()) << "the preset before took its history along";
        EXPECT_EQ(shown->Document().HomeSlot().Bank, step.bank);
        EXPECT_EQ(shown->Document().HomeSlot().Slot, step.slot);
    }
    EXPECT_EQ(rig.Status(),
              "A 200 opened in a window of its own: the editor's unsaved changes stay");

    for (const auto& [bank, slot, key, said] :
         {std::tuple{3, 200, Qt::Key_PageDown, "D 200 is the unit's last slot"},
          std::tuple{0, 1, Qt::Key_PageUp, "A 001 is the unit's first slot"}}) {
        TfrmPresetEditor* end = open(bank, slot);
        const std::size_t windows = window.PresetEditors().size();
        press(end, key);
        EXPECT_EQ(end->lblStatus->text().toStdString(), said);
        EXPECT_EQ(end->Document().HomeSlot().Slot, slot);
        EXPECT_EQ(window.PresetEditors().size(), windows);
    }
}

// "View > Appearance": dark and light are the program's own palettes, kept in the settings and
// taken at the next start; the LCD meters follow the palette; a damaged value is the desktop's.
TEST_F(MainWindow, TheAppearanceIsChosenKeptAndFollowedByTheMeters) {
    const QPalette desktop = QApplication::palette();
    struct Restore {
        ~Restore() { ApplyAppearance(TAppearance::Desktop); }
    } restore;
    {
        MainRig rig;
        TfrmMain& window = rig.Start();
        auto* dark = window.findChild<QAction*>("miLookDark");
        ASSERT_NE(dark, nullptr);
        dark->trigger();
        EXPECT_LT(QApplication::palette().color(QPalette::Window).lightness(), 80);
        EXPECT_GT(QApplication::palette().color(QPalette::WindowText).lightness(), 180);
        EXPECT_EQ(rig.settings.GetInteger("APPEARANCE", false, -1), 2);
        TfrmPresetEditor* editor = window.NewPresetEditor();
        const TqvLCDmeter* meter = editor->Parameters().Find("scrEQU40Hz")->Meter;
        ASSERT_NE(meter, nullptr);
        EXPECT_EQ(meter->BrightColor(), QApplication::palette().color(QPalette::Highlight));
        EXPECT_LT(meter->DimColor().lightness(), meter->BrightColor().lightness());
        window.findChild<QAction*>("miLookLight")->trigger();
        EXPECT_GT(QApplication::palette().color(QPalette::Window).lightness(), 180);
        window.findChild<QAction*>("miLookDesktop")->trigger();
        EXPECT_EQ(QApplication::palette().color(QPalette::Window), desktop.color(QPalette::Window));
        EXPECT_EQ(rig.settings.GetInteger("APPEARANCE", false, -1), 0);
    }
    for (const auto& [stored, dark] : {std::pair{"2", true}, std::pair{"dark", false}}) {
        MainRig rig;
        rig.settings.PutString("APPEARANCE", stored);
        QStringList told;
        rig.settings.OnError = [&told](const QString& text) { told << text; };
        TfrmMain& window = rig.Start();
        EXPECT_EQ(told.size(), dark ? 0 : 1) << "a damaged value is told";
        EXPECT_EQ(QApplication::palette().color(QPalette::Window).lightness() < 80, dark) << stored;
        EXPECT_EQ(window.findChild<QAction*>("miLookDark")->isChecked(), dark) << stored;
        ApplyAppearance(TAppearance::Desktop);
    }
}

// F11 plays a chosen set list in the gig view on the window's unit: the lines that are no song are
// named first, the unit turns to the first song's slot, and the unit's own knob moves the view.
TEST_F(MainWindow, TheGigViewPlaysASetListOnTheUnit) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Friday.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Intro = B017\nno song here\nDub = C005 ; drop D\n");
    file.close();
    rig.dialogs.Names.push_back(path);
    window.miGigView->trigger();
    ASSERT_EQ(rig.dialogs.Texts().size(), 1);
    EXPECT_TRUE(rig.dialogs.Texts()[0].startsWith("These lines of Friday.txt are no song and are "
                                                  "left out:\nline 2: "))
        << rig.dialogs.Texts()[0].toStdString();
    auto* gig = window.findChild<TfrmGig*>();
    ASSERT_NE(gig, nullptr);
    EXPECT_EQ(gig->lblPosition->text(), "1 / 2");
    EXPECT_TRUE(PumpUntil([&] {
        return rig.Unit(
            [](TPlenovaDevice& unit) { return unit.CurrentBank == 1 && unit.CurrentSlot == 16; });
    }));
    ASSERT_TRUE(rig.processor->TurnTo(2, 4));
    EXPECT_TRUE(PumpUntil([&] { return gig->Current() == 1; }));
    EXPECT_EQ(gig->lblNote->text(), "drop D");
    QTest::keyClick(gig, Qt::Key_Escape);
}
