// Writes to the unit that can be checked and taken back: the editor's store keeps what it
// replaces and reads the slot back, "Undo last store" puts it back, and a backup folder goes
// back into the unit — against the in-process simulated unit, driven as a user does.

#include "app/BkupOpt.h"
#include "app/Restore.h"
#include "base/StorePrompt.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "model/DeviceMode.h"
#include "model/FileNames.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "sim/PlenovaDevice.h"
#include <QTimer>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

TBytes Slot(MainRig& rig, int bank, int slot) {
    TBytes bytes;
    rig.Unit([&](TPlenovaDevice& unit) {
        bytes = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)];
        return true;
    });
    return bytes;
}

TBytes FileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return TBytes(bytes.begin(), bytes.end());
}

QString ReplacedFolder() {
    // The window's and the tool's data folder, whatever the test program is called.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           "/Quellfarn/replaced";
}

// Stores the editor's preset through its "Sto&re..." button into the slot, with the boxes set.
void Store(TfrmPresetEditor& editor, int slot, bool keep = true, bool verify = true) {
    AnswerModal<TfrmStorePrompt>([=](TfrmStorePrompt& prompt) {
        Type(prompt.edtPresetNo, QString::number(slot));
        if (prompt.chkKeepReplaced->isChecked() != keep)
            Click(prompt.chkKeepReplaced);
        if (prompt.chkVerify->isChecked() != verify)
            Click(prompt.chkVerify);
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor.btnStore, Qt::LeftButton);
}

struct Settings {
    explicit Settings(TqvRegUtil& settings) { AppSettings = &settings; }
    ~Settings() { AppSettings = nullptr; }
};

struct Rig : MainRig {
    Rig() : window(Start()), settingsInUse(settings) {
        QDir(ReplacedFolder()).removeRecursively();
        editor = window.NewPresetEditor();
        editor->edtTitle->setFocus();
        editor->edtTitle->selectAll();
        QTest::keyClicks(editor->edtTitle, "Stored Here");
    }
    TfrmMain& window;
    Settings settingsInUse;
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
    ASSERT_TRUE(PumpUntil([&] { return editor.lblStatus->text() == "Stored in slot 17 and verified"; },
                          10000))
        << editor.lblStatus->text().toStdString();
    EXPECT_EQ(Slot(rig, 0, 17), sent);
    const QStringList kept = QDir(ReplacedFolder()).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept[0].startsWith("Bank A ")) << kept[0].toStdString();
    EXPECT_TRUE(kept[0].endsWith(".tmq017")) << kept[0].toStdString();
    EXPECT_EQ(FileBytes(ReplacedFolder() + "/" + kept[0]), before);
    EXPECT_TRUE(rig.dialogs.Messages.empty());

    ASSERT_TRUE(editor.btnUndoStore->isEnabled());
    QTest::mouseClick(editor.btnUndoStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil(
        [&] { return editor.lblStatus->text() == "Slot 17 has its former preset again and verified"; },
        10000))
        << editor.lblStatus->text().toStdString();
    EXPECT_EQ(Slot(rig, 0, 17), before);
    EXPECT_FALSE(editor.btnUndoStore->isEnabled());

    // Undo goes back into the bank the store went to, whatever bank is chosen now.
    Store(editor, 17);
    ASSERT_TRUE(PumpUntil([&] { return editor.lblStatus->text() == "Stored in slot 17 and verified"; },
                          10000));
    rig.window.miSelectBank[2]->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Unit([](TPlenovaDevice& u) { return u.CurrentBank == 2; }); }));
    const TBytes bankC = Slot(rig, 2, 17);
    QTest::mouseClick(editor.btnUndoStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil(
        [&] { return editor.lblStatus->text().endsWith("again and verified"); }, 10000));
    EXPECT_EQ(Slot(rig, 0, 17), before);
    EXPECT_EQ(Slot(rig, 2, 17), bankC);
    EXPECT_EQ(QDir(ReplacedFolder()).entryList(QDir::Files).size(), 2) << "nothing kept is overwritten";
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

TEST(StoreAndUndo, AUnitThatChangesTheStoreIsReportedNotVerified) {
    Rig rig;
    rig.Unit([](TPlenovaDevice& unit) { return unit.CorruptStores = true; });
    Store(*rig.editor, 17);
    ASSERT_TRUE(PumpUntil([&] { return !rig.dialogs.Messages.empty(); }, 10000));
    EXPECT_TRUE(rig.dialogs.Messages[0].Text.startsWith(
        "Slot 17 does not hold what was sent: byte 127 is"))
        << rig.dialogs.Messages[0].Text.toStdString();
    EXPECT_EQ(rig.editor->lblStatus->text(), "Stored in slot 17, not verified");
}

TEST(StoreAndUndo, AUnitThatDoesNotAnswerIsToldAndNothingIsCalledVerified) {
    Rig rig;
    TLinkTimings timings = rig.window.Link->Timings();
    timings.TimeoutMilliseconds = 300;
    rig.window.Link->SetTimings(timings);
    const TBytes before = Slot(rig, 0, 17);
    rig.processor->SetMute(true);
    Store(*rig.editor, 17);
    ASSERT_TRUE(PumpUntil([&] { return !rig.dialogs.Messages.empty(); }, 10000));
    EXPECT_EQ(rig.dialogs.Messages[0].Text,
              "The unit did not answer: the preset in slot 17 could not be kept, so nothing was "
              "stored");
    PumpFor(200);
    EXPECT_EQ(Slot(rig, 0, 17), before) << "nothing stored without the kept copy";

    Store(*rig.editor, 17, false, true);
    ASSERT_TRUE(PumpUntil([&] { return rig.dialogs.Messages.size() == 2; }, 10000));
    EXPECT_EQ(rig.dialogs.Messages[1].Text,
              "The unit did not answer when slot 17 was read back: the store could not be verified");
    EXPECT_FALSE(rig.editor->lblStatus->text().contains("verified") &&
                 !rig.editor->lblStatus->text().contains("not verified"));
}

namespace {
// A backup of banks A and C, slots 1..5, written by the backup command.
void BackUp(MainRig& rig, TfrmMain& window, const QString& folder) {
    window.GoToFolder(folder);
    AnswerModal<TfrmBkupOpt>([](TfrmBkupOpt& dialog) {
        Click(dialog.chkBankB);
        Click(dialog.chkBankD);
        Type(dialog.edtLastNo, "5");
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil(
        [&] {
            return !rig.dialogs.Messages.empty() &&
                   rig.dialogs.Messages.back().Text == "Procedure is complete";
        },
        20000));
}

void Spoil(MainRig& rig, int bank, int slot) {
    rig.Unit([&](TPlenovaDevice& unit) {
        TBytes& dump = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)];
        dump[kTitleOffset] = 'Z';
        dump[140] ^= 0x01;
        return true;
    });
}
} // namespace

TEST(Restore, ABackupGoesBackByteForByteAfterTheQuestionAndADamagedFileIsSkipped) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    BackUp(rig, window, folder.path());
    rig.dialogs.Messages.clear();
    QStringList files;
    for (const char* bank : {"Bank A", "Bank C"})
        for (const QString& name : QDir(folder.filePath(bank)).entryList(QDir::Files))
            files << folder.filePath(QString(bank) + "/" + name);
    for (int slot = 1; slot <= 5; ++slot) {
        Spoil(rig, 0, slot);
        Spoil(rig, 2, slot);
    }
    {
        QFile broken(folder.filePath("Bank C/Broken.tmq004"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write(QByteArray(100, '\x11'));
    }
    const TBytes bankB = Slot(rig, 1, 1);

    QString question;
    int listed = 0;
    AnswerModal<TfrmRestore>([&](TfrmRestore& dialog) {
        Type(dialog.edtFolder, folder.path());
        Click(dialog.chkBankB);
        Click(dialog.chkBankD);
        Type(dialog.edtLastNo, "5");
        listed = dialog.lvwPlan->topLevelItemCount();
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    window.miSendPresets->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.dialogs.Messages.size() >= 2; }, 30000));
    EXPECT_EQ(listed, files.size() + 1) << "every file, the damaged one too";
    EXPECT_EQ(rig.dialogs.Messages[0].Text,
              QStringLiteral("This will replace %1 presets in banks A, C. Do you want to proceed?")
                  .arg(files.size()));
    EXPECT_EQ(rig.dialogs.Messages[1].Text,
              QStringLiteral("%1 written, %1 verified, 1 skipped, 0 failed").arg(files.size()));
    EXPECT_TRUE(rig.Log().contains("Skipped " + folder.filePath("Bank C/Broken.tmq004") +
                                   ": not a 258-byte preset dump"));
    for (const QString& path : files) {
        const int bank = path.contains("/Bank A/") ? 0 : 2;
        const int slot = *BackupPresetNumber(QFileInfo(path).fileName().toStdString());
        EXPECT_EQ(Slot(rig, bank, slot), FileBytes(path)) << path.toStdString();
    }
    EXPECT_EQ(Slot(rig, 1, 1), bankB) << "bank B was not chosen";
}

TEST(Restore, NoMeansNothingIsSent) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    BackUp(rig, window, folder.path());
    Spoil(rig, 0, 2);
    const TBytes spoiled = Slot(rig, 0, 2);
    rig.dialogs.Answers.push_back(QMessageBox::No);
    AnswerModal<TfrmRestore>([&](TfrmRestore& dialog) {
        Type(dialog.edtFolder, folder.path());
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    window.miSendPresets->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Status() == "Restore cancelled"; }, 10000));
    PumpFor(300);
    EXPECT_EQ(Slot(rig, 0, 2), spoiled);
}

TEST(Restore, CtrlCStopsAfterThePresetBeingWritten) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("Bank D"));
    for (int slot = 1; slot <= 60; ++slot) {
        const TBytes dump = TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova());
        QFile file(folder.filePath(QStringLiteral("Bank D/Copy.tmq%1").arg(slot, 3, 10, QLatin1Char('0'))));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(dump.data()), qint64(dump.size()));
    }
    const auto verified = [&] {
        int count = 0;
        for (const QString& line : rig.Log())
            count += line.endsWith(" written and verified") ? 1 : 0;
        return count;
    };
    AnswerModal<TfrmRestore>([&](TfrmRestore& dialog) {
        Type(dialog.edtFolder, folder.path());
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
    const int written = verified();
    EXPECT_GE(written, 3);
    EXPECT_LT(written, 60);
    EXPECT_EQ(rig.dialogs.Messages[1].Text,
              QStringLiteral("%1 written, %1 verified, 0 skipped, 0 failed").arg(written));
    EXPECT_TRUE(rig.Log().contains(
        QStringLiteral("Restore aborted: %1 written, %1 verified, 0 skipped, 0 failed").arg(written)));
    EXPECT_FALSE(window.Link->Restore().Running());
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
        if (!rig.window.Link->Store().Fetching())
            return;
        PressKey(editor.edtTitle, Qt::Key_X);
        PressKey(editor.edtTitle, Qt::Key_F9);
    });
    typist->start(3);
    Store(editor, 17);
    ASSERT_TRUE(PumpUntil(
        [&] { return editor.lblStatus->text().startsWith("Stored in slot 17 and verified"); }, 10000))
        << editor.lblStatus->text().toStdString();
    typist->stop();
    const QStringList kept = QDir(ReplacedFolder()).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(FileBytes(ReplacedFolder() + "/" + kept[0]), before) << "the slot's, not the editor's";
    EXPECT_EQ(Slot(rig, 0, 17), edited);
    EXPECT_EQ(editor.Document().Preset.Title, "Stored Here")
        << "no key reached the window meanwhile";
}

// A window reused for another preset has no store of the old one to undo.
TEST(StoreAndUndo, AReusedEditorHasNothingToUndo) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    const Settings settingsInUse(rig.settings);
    QDir(ReplacedFolder()).removeRecursively();
    // F10, and the dump opened from the monitor.
    const auto fetchAndOpen = [&](int dumps) -> TfrmPresetEditor* {
        QTest::keyClick(&window, Qt::Key_F10);
        if (!PumpUntil([&] { return rig.Log().filter("Sysex (258)").size() == dumps; }))
            return nullptr;
        window.SetLogDblClickAction(1);
        window.pgcTab->setCurrentWidget(window.tsMonitor);
        const int line = rig.Log().lastIndexOf(rig.Log().filter("Sysex (258)").last());
        window.lbxLog->SetCurrentLine(line);
        const QPoint at = window.lbxLog->LineRect(line).center();
        QTest::mouseClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        for (TfrmPresetEditor* editor : window.PresetEditors())
            if (editor->isVisible())
                return editor;
        return nullptr;
    };
    TfrmPresetEditor* first = fetchAndOpen(1);
    ASSERT_NE(first, nullptr);
    Store(*first, 17);
    ASSERT_TRUE(PumpUntil([&] { return first->btnUndoStore->isEnabled(); }, 10000));
    rig.dialogs.Answers.push_back(QMessageBox::No); // should it ask to save
    first->close();
    ASSERT_FALSE(first->isVisible());
    TfrmPresetEditor* reused = fetchAndOpen(2);
    ASSERT_EQ(reused, first) << "the hidden window is used again";
    EXPECT_FALSE(reused->btnUndoStore->isEnabled());
}

// One preset is "1 preset"; a restore that writes and verifies everything ends with an
// information, anything less with a warning.
TEST(Restore, TheQuestionCountsInWordsAndTheEndSaysHowItWent) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("Bank B"));
    const TBytes dump = TPlenovaDevice::FactoryPreset(0, 0, TDeviceMode::Plenova());
    QFile file(folder.filePath("Bank B/Copied.tmq009"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(dump.data()), qint64(dump.size()));
    file.close();
    const auto restore = [&] {
        rig.dialogs.Messages.clear();
        AnswerModal<TfrmRestore>([&](TfrmRestore& dialog) {
            Type(dialog.edtFolder, folder.path());
            QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        });
        window.miSendPresets->trigger();
        return PumpUntil([&] { return rig.dialogs.Messages.size() >= 2; }, 20000);
    };
    ASSERT_TRUE(restore());
    EXPECT_EQ(rig.dialogs.Messages[0].Text,
              "This will replace 1 preset in bank B. Do you want to proceed?");
    EXPECT_EQ(rig.dialogs.Messages[1].Text, "1 written, 1 verified, 0 skipped, 0 failed");
    EXPECT_EQ(rig.dialogs.Messages[1].Icon, QMessageBox::Information);
    EXPECT_EQ(Slot(rig, 1, 9), dump);

    rig.Unit([](TPlenovaDevice& unit) { return unit.CorruptStores = true; });
    ASSERT_TRUE(restore());
    EXPECT_EQ(rig.dialogs.Messages[1].Text, "1 written, 0 verified, 0 skipped, 1 failed");
    EXPECT_EQ(rig.dialogs.Messages[1].Icon, QMessageBox::Warning);
}
