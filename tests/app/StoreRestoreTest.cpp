// Writes to the unit, driven as a user does against the in-process simulated unit: what the
// window adds to the device link's store and restore (the editor's buttons and status, the kept
// copies' folder, the restore dialog, its question, Ctrl+C and the message at the end). What
// the store keeps and verifies and what a restore writes and skips are proven in tests/link.

#include "app/Restore.h"
#include "base/StorePrompt.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "model/DeviceMode.h"
#include "sim/PlenovaDevice.h"
#include "sim/SimulatedUnitFile.h"
#include "support/FileBytes.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
TBytes Slot(MainRig& rig, int bank, int slot) {
    TBytes bytes;
    rig.Unit([&](TPlenovaDevice& unit) {
        bytes = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)];
        return true;
    });
    return bytes;
}

QString ReplacedFolder() {
    // The window's and the tool's data folder, whatever the test program is called.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           "/Quellfarn/replaced";
}

// Stores the editor's preset through its "S&tore..." button into the slot, with the boxes set.
void Store(TfrmPresetEditor& editor, int slot, bool keep = true, bool verify = true) {
    AnswerModal<TfrmStorePrompt>([=](TfrmStorePrompt& prompt) {
        TypeOver(prompt.edtPresetNo, QString::number(slot));
        if (prompt.chkKeepReplaced->isChecked() != keep)
            ClickBox(prompt.chkKeepReplaced);
        if (prompt.chkVerify->isChecked() != verify)
            ClickBox(prompt.chkVerify);
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor.btnStore, Qt::LeftButton);
}

struct Rig : MainRig {
    Rig() : window(Start()), settingsInUse(settings) {
        QDir(ReplacedFolder()).removeRecursively();
        editor = window.NewPresetEditor();
        TypeOver(editor->edtTitle, "Stored Here");
    }
    TfrmMain& window;
    SettingsInUse settingsInUse;
    TfrmPresetEditor* editor = nullptr;
};
} // namespace

TEST(StoreAndUndo, KeepsTheReplacedPresetVerifiesAndPutsItBack) {
    Rig rig;
    TfrmPresetEditor& editor = *rig.editor;
    const TBytes before = Slot(rig, 0, 17);
    const TBytes sent = editor.Document().Preset.Encode();
    EXPECT_FALSE(editor.btnUndoStore->isEnabled());

    Store(editor, 17);
    ASSERT_TRUE(PumpUntil(
        [&] { return editor.lblStatus->text() == "Stored in slot 17 and verified"; }, 10000))
        << editor.lblStatus->text().toStdString();
    EXPECT_EQ(Slot(rig, 0, 17), sent);
    const QStringList kept = QDir(ReplacedFolder()).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(FileBytes(ReplacedFolder() + "/" + kept[0]), before);
    EXPECT_TRUE(rig.dialogs.Messages.empty());

    ASSERT_TRUE(editor.btnUndoStore->isEnabled());
    QTest::mouseClick(editor.btnUndoStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return editor.lblStatus->text() == "Slot 17 has its former preset again and verified";
        },
        10000))
        << editor.lblStatus->text().toStdString();
    EXPECT_EQ(Slot(rig, 0, 17), before);
    EXPECT_FALSE(editor.btnUndoStore->isEnabled());
}

// A store into "the bank the unit is in" asks the unit, whatever it said before, and is filed
// under that bank; "Undo last store" undoes only its own step, which an id alone does not prove
// once another program has rewritten the journal.
TEST(StoreAndUndo, TheUnitsBankIsAskedAndUndoFindsOnlyItsOwnStep) {
    Rig rig;
    TfrmPresetEditor& editor = *rig.editor;
    rig.Unit([](TPlenovaDevice& unit) { return unit.CurrentBank = 2, true; }); // its knob
    const TBytes a17 = Slot(rig, 0, 17), c17 = Slot(rig, 2, 17);
    const TBytes b1 = Slot(rig, 1, 1), b2 = Slot(rig, 1, 2);
    const TBytes sent = editor.Document().Preset.Encode();
    Store(editor, 17);
    ASSERT_TRUE(PumpUntil(
        [&] { return editor.lblStatus->text() == "Stored in slot 17 and verified"; }, 10000))
        << editor.lblStatus->text().toStdString();
    EXPECT_EQ(Slot(rig, 2, 17), sent);
    EXPECT_EQ(Slot(rig, 0, 17), a17);
    TWriteJournal* journal = rig.window.Journal();
    ASSERT_NE(journal, nullptr);
    ASSERT_EQ(journal->Entries().size(), 1u);
    EXPECT_EQ(journal->Entries()[0].Label, "store of Stored Here into C 017");

    // Another program's journal now has a step 1 of its own.
    TWriteJournal other(journal->File());
    other.Add({0, "swap of B 001 and B 002", {}, {{1, 1, a17, c17}, {1, 2, c17, a17}}});
    ASSERT_EQ(other.Save(), "");
    ASSERT_EQ(journal->Load(), "");
    QTest::mouseClick(editor.btnUndoStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return !editor.btnUndoStore->isEnabled(); }, 10000));
    EXPECT_EQ(Slot(rig, 2, 17), sent) << "nothing was put back";
    EXPECT_EQ(Slot(rig, 1, 1), b1) << "the other program's step is not undone";
    EXPECT_EQ(Slot(rig, 1, 2), b2);
}

TEST(StoreAndUndo, TheBoxesAreRememberedAndWithoutThemNothingIsKeptOrRead) {
    Rig rig;
    TfrmPresetEditor& editor = *rig.editor;
    Store(editor, 18, false, false);
    ASSERT_TRUE(
        PumpUntil([&] { return Slot(rig, 0, 18) == editor.Document().Preset.Encode(); }, 10000));
    PumpFor(200);
    EXPECT_EQ(editor.lblStatus->text(), "Stored in slot 18");
    EXPECT_FALSE(editor.btnUndoStore->isEnabled());
    EXPECT_FALSE(QDir(ReplacedFolder()).exists() &&
                 !QDir(ReplacedFolder()).entryList(QDir::Files).isEmpty());
    TfrmStorePrompt fresh;
    EXPECT_FALSE(fresh.chkKeepReplaced->isChecked());
    EXPECT_FALSE(fresh.chkVerify->isChecked());
}

// What went wrong is shown in a message, and the status calls nothing verified that was not.
TEST(StoreAndUndo, AUnitThatChangesTheStoreOrDoesNotAnswerIsTold) {
    struct Case {
        const char* What;
        std::function<void(Rig&)> Unit;
        QString Message; // its beginning
        QString Status;  // empty: as it was
    };
    const Case cases[] = {
        {"stores something else",
         [](Rig& rig) { rig.Unit([](TPlenovaDevice& unit) { return unit.CorruptStores = true; }); },
         "Slot 17 does not hold what was sent: byte 127 is", "Stored in slot 17, not verified"},
        {"does not answer",
         [](Rig& rig) {
             TLinkTimings timings = rig.window.Link->Timings();
             timings.TimeoutMilliseconds = 300;
             rig.window.Link->SetTimings(timings);
             rig.processor->SetMute(true);
         },
         // Asked first which bank it is in, a silent unit gets nothing.
         "The unit did not say which bank it is in: nothing was stored in slot 17", ""},
    };
    for (const Case& unit : cases) {
        SCOPED_TRACE(unit.What);
        Rig rig;
        unit.Unit(rig);
        const QString before = rig.editor->lblStatus->text();
        Store(*rig.editor, 17);
        ASSERT_TRUE(PumpUntil([&] { return !rig.dialogs.Messages.empty(); }, 10000));
        EXPECT_TRUE(rig.dialogs.Messages[0].Text.startsWith(unit.Message))
            << rig.dialogs.Messages[0].Text.toStdString();
        EXPECT_EQ(rig.editor->lblStatus->text(), unit.Status.isEmpty() ? before : unit.Status);
    }
}

// While the store reads the slot it replaces, the window sends nothing of its own: what is kept
// is the slot's preset, and what is stored includes the slider move the change timer still held.
TEST(StoreAndUndo, WhatIsKeptIsTheSlotsPresetWhateverTheEditorDoesMeanwhile) {
    Rig rig;
    TfrmPresetEditor& editor = *rig.editor;
    const TBytes before = Slot(rig, 0, 17);
    TParameterControl* dry = editor.Parameters().Find("trbMIXdry");
    dry->TrackBar->setFocus();
    PressKey(dry->TrackBar, Qt::Key_Left);
    const TBytes edited = editor.Document().Preset.Encode();
    // Keys as a user types them while the slot is read (to keep it, and to read it back).
    auto* typist = new QTimer(&editor);
    QObject::connect(typist, &QTimer::timeout, [&] {
        if (!rig.window.Link->Job<TVerifiedStore>().Fetching())
            return;
        PressKey(editor.edtTitle, Qt::Key_X);
        PressKey(editor.edtTitle, Qt::Key_F9);
    });
    typist->start(3);
    Store(editor, 17);
    ASSERT_TRUE(PumpUntil(
        [&] { return editor.lblStatus->text().startsWith("Stored in slot 17 and verified"); },
        10000))
        << editor.lblStatus->text().toStdString();
    typist->stop();
    const QStringList kept = QDir(ReplacedFolder()).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(FileBytes(ReplacedFolder() + "/" + kept[0]), before)
        << "the slot's, not the editor's";
    EXPECT_EQ(Slot(rig, 0, 17), edited);
    EXPECT_EQ(editor.Document().Preset.Title, "Stored Here")
        << "no key reached the window meanwhile";
}

// A window reused for another received preset has no store of the old one to undo.
TEST(StoreAndUndo, AReusedEditorHasNothingToUndo) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    const SettingsInUse settingsInUse(rig.settings);
    QDir(ReplacedFolder()).removeRecursively();
    const auto open = [&] { // a preset in the buffer, opened as a received one
        const TBytes dump = TPreset().Encode();
        std::copy(dump.begin(), dump.end(), window.MessageBytes.begin());
        window.MessageByteCount = static_cast<int>(dump.size());
        window.OpenBufferInEditor();
        return window.PresetEditors().back();
    };
    TfrmPresetEditor* first = open();
    Store(*first, 17);
    ASSERT_TRUE(PumpUntil([&] { return first->btnUndoStore->isEnabled(); }, 10000));
    rig.dialogs.Answers.push_back(QMessageBox::No); // should it ask to save
    first->close();
    ASSERT_FALSE(first->isVisible());
    TfrmPresetEditor* reused = open();
    ASSERT_EQ(reused, first) << "the hidden window is used again";
    EXPECT_FALSE(reused->btnUndoStore->isEnabled());
}

// The dialog's folder, banks and last slot make the plan it lists; the question is asked, No
// sends nothing, and the end says how it went: an information when everything was written and
// verified, a warning otherwise.
TEST(Restore, TheDialogsChoicesAreAskedAboutAndTheEndIsShown) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    for (int slot : {1, 2, 9})
        WriteBytes(
            folder.filePath(QStringLiteral("Bank A/Other.tmq%1").arg(slot, 3, 10, QChar('0'))),
            TPlenovaDevice::FactoryPreset(1, slot - 1, TDeviceMode::Plenova()));
    WriteBytes(folder.filePath("Bank C/Broken.tmq004"), TBytes(100, 0x11));
    const TBytes copied = TPlenovaDevice::FactoryPreset(0, 0, TDeviceMode::Plenova());
    WriteBytes(folder.filePath("Bank B/Copied.tmq009"), copied);
    const TBytes bankA9 = Slot(rig, 0, 9), bankB9 = Slot(rig, 1, 9);
    ASSERT_NE(Slot(rig, 0, 1), TPlenovaDevice::FactoryPreset(1, 0, TDeviceMode::Plenova()));

    struct Case {
        QString Banks, Last;
        bool Yes, CorruptStores;
        int Listed;
        QString Question, End;
        QMessageBox::Icon Icon;
        const TBytes* BankB9; // what slot 9 of bank B holds after it; nullptr: not looked at
    };
    const Case cases[] = {
        {"AC", "5", true, false, 3,
         "This will replace 2 presets in bank A. Do you want to proceed?",
         "2 written, 2 verified, 1 skipped, 0 failed", QMessageBox::Warning, &bankB9},
        {"B", "", false, false, 1, "This will replace 1 preset in bank B. Do you want to proceed?",
         "", QMessageBox::NoIcon, &bankB9},
        {"B", "", true, false, 1, "This will replace 1 preset in bank B. Do you want to proceed?",
         "1 written, 1 verified, 0 skipped, 0 failed", QMessageBox::Information, &copied},
        {"B", "", true, true, 1, "This will replace 1 preset in bank B. Do you want to proceed?",
         "1 written, 0 verified, 0 skipped, 1 failed", QMessageBox::Warning, nullptr},
    };
    for (const Case& run : cases) {
        SCOPED_TRACE(run.End.toStdString());
        rig.Unit([&](TPlenovaDevice& unit) { return unit.CorruptStores = run.CorruptStores; });
        rig.dialogs.Messages.clear();
        if (!run.Yes)
            rig.dialogs.Answers.push_back(QMessageBox::No);
        int listed = 0;
        AnswerModal<TfrmRestore>([&](TfrmRestore& dialog) {
            TypeOver(dialog.edtFolder, folder.path());
            QCheckBox* boxes[] = {dialog.chkBankA, dialog.chkBankB, dialog.chkBankC,
                                  dialog.chkBankD};
            for (int bank = 0; bank < 4; ++bank)
                if (boxes[bank]->isChecked() != run.Banks.contains(QChar('A' + bank)))
                    ClickBox(boxes[bank]);
            if (!run.Last.isEmpty())
                TypeOver(dialog.edtLastNo, run.Last);
            listed = dialog.lvwPlan->topLevelItemCount();
            QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        });
        window.miSendPresets->trigger();
        ASSERT_TRUE(PumpUntil(
            [&] {
                return run.Yes ? rig.dialogs.Messages.size() >= 2
                               : rig.Status() == "Restore cancelled";
            },
            20000));
        EXPECT_EQ(listed, run.Listed);
        EXPECT_EQ(rig.dialogs.Messages[0].Text, run.Question);
        if (run.Yes) {
            EXPECT_EQ(rig.dialogs.Messages[1].Text, run.End);
            EXPECT_EQ(rig.dialogs.Messages[1].Icon, run.Icon);
        }
        PumpFor(100);
        if (run.BankB9 != nullptr) {
            EXPECT_EQ(Slot(rig, 1, 9), *run.BankB9);
        }
    }
    for (int slot : {1, 2})
        EXPECT_EQ(Slot(rig, 0, slot),
                  TPlenovaDevice::FactoryPreset(1, slot - 1, TDeviceMode::Plenova()));
    EXPECT_EQ(Slot(rig, 0, 9), bankA9) << "beyond the last slot chosen";
}

TEST(Restore, CtrlCStopsAfterThePresetBeingWritten) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    for (int slot = 1; slot <= 30; ++slot)
        WriteBytes(
            folder.filePath(QStringLiteral("Bank D/Copy.tmq%1").arg(slot, 3, 10, QChar('0'))),
            TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova()));
    const auto verified = [&] { return rig.Log().filter(" written and verified").size(); };
    AnswerModal<TfrmRestore>([&](TfrmRestore& dialog) {
        TypeOver(dialog.edtFolder, folder.path());
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    // The walk runs inside the menu command; the key comes while it does.
    auto* stopper = new QTimer(&window);
    QObject::connect(stopper, &QTimer::timeout, [&] {
        if (verified() >= 3) {
            stopper->stop();
            PressKey(window.memMsgBuf, Qt::Key_C, Qt::ControlModifier);
        }
    });
    stopper->start(10);
    window.miSendPresets->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.dialogs.Messages.size() >= 2; }, 30000));
    const auto written = verified();
    EXPECT_GE(written, 3);
    EXPECT_LT(written, 30);
    EXPECT_EQ(rig.dialogs.Messages[1].Text,
              QStringLiteral("%1 written, %1 verified, 0 skipped, 0 failed").arg(written));
    EXPECT_FALSE(window.Link->Job<TRestoreWalk>().Running());
}

// The simulated unit inside the program keeps what was stored into it across starts, as a real
// unit does, until "Reset the simulated unit to its factory presets" is confirmed; a memory that
// cannot be read is moved aside, named in the log, and the factory presets are used.
TEST(SimulatedUnit, KeepsWhatWasStoredAcrossStartsUntilReset) {
    // A folder of the test's own: each rig starts with settings and data folders emptied.
    const QTemporaryDir data;
    const QString folder = data.path() + "/simulated-unit";
    const TBytes factory = TPlenovaDevice::FactoryPreset(0, 16, TDeviceMode::For(false));
    {
        Rig rig;
        rig.window.KeepSimulatedUnit(rig.processor, folder);
        Store(*rig.editor, 17);
        ASSERT_TRUE(PumpUntil([&] {
            return PresetTitleOf(Slot(rig, 0, 17)) == "Stored Here" && !rig.window.Link->Busy();
        }));
    }
    Rig rig; // the program started again, with a new simulated unit
    rig.window.KeepSimulatedUnit(rig.processor, folder);
    EXPECT_EQ(PresetTitleOf(Slot(rig, 0, 17)), "Stored Here");

    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        rig.dialogs.Answers = {answer};
        rig.window.miResetSimulatedUnit->trigger();
        EXPECT_EQ(rig.dialogs.Messages.back().Caption, "Reset the simulated unit");
        EXPECT_EQ(Slot(rig, 0, 17) == factory, answer == QMessageBox::Yes);
    }
    EXPECT_EQ(rig.Status(), "The simulated unit holds its factory presets again");
    TPlenovaDevice next;
    EXPECT_EQ(TSimulatedUnitFile(folder).Load(next), "");
    EXPECT_EQ(next.Banks[0][16], factory) << "the reset is kept too";

    QFile damaged(folder + "/memory.syx");
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("not a memory");
    damaged.close();
    Rig again;
    again.window.KeepSimulatedUnit(again.processor, folder);
    EXPECT_TRUE(again.Log().contains(
        "The simulated unit's memory could not be read (1 message instead of 802): it is kept as " +
        folder + "/memory.syx.damaged, and the simulated unit starts with its factory presets"))
        << again.Log().join("\n").toStdString();
    EXPECT_EQ(FileBytes(folder + "/memory.syx.damaged"),
              TBytes({'n', 'o', 't', ' ', 'a', ' ', 'm', 'e', 'm', 'o', 'r', 'y'}));
    EXPECT_EQ(Slot(again, 0, 17), factory);
}
