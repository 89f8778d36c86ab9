// Unsaved edits kept on disk while they are made: until saved, stored or let go, and offered
// back when the program ended without closing its editors — also when it was killed.

#include "app/Main.h"
#include "base/StorePrompt.h"
#include "base/qvUtility.h"
#include "controls/qvTrackBar.h"
#include "editor/DraftStore.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "model/Preset.h"
#include "model/Protocol.h"
#include "support/ChildProcess.h"
#include "support/FileBytes.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"

#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {
QStringList DraftFiles() {
    return QDir(TfrmMain::DraftFolder()).entryList({"*.draft"}, QDir::Files);
}

TDraft OnlyDraft() {
    TDraft draft;
    const QStringList files = DraftFiles();
    EXPECT_EQ(files.size(), 1) << files.join(", ").toStdString();
    if (!files.isEmpty()) {
        EXPECT_EQ(TDraftStore::Read(TfrmMain::DraftFolder() + "/" + files.front(), draft), "");
    }
    return draft;
}

// The mix's dry level a step down by its key, as a user moves it.
void EditDry(TfrmPresetEditor& editor) {
    QSlider* dry = editor.Parameters().Find("trbMIXdry")->TrackBar;
    dry->setFocus();
    PressKey(dry, Qt::Key_Left);
}

// What a run left: the program, with its own settings, on the test's data folder.
std::vector<std::string> Program(const QTemporaryDir& config, const char* report) {
    return {"/usr/bin/env",
            "QT_QPA_PLATFORM=offscreen",
            "JACK_NO_START_SERVER=1",
            "XDG_CONFIG_HOME=" + config.path().toStdString(),
            std::string(report) + "=1",
            QUELLFARN_PROGRAM};
}
} // namespace

TEST(Drafts, AnEditIsOnDiskUntilSavedStoredOrLetGoAndComesBackWithWhatItComparesWith) {
    MainRig rig;
    SettingsInUse settingsInUse(rig.settings);
    QTemporaryDir files;
    TfrmMain& window = rig.Start();
    QTest::keyClick(window.memMsgBuf, Qt::Key_F10);
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().size() == 1; }));
    window.lbxLog->SetCurrentLine(0);
    window.LogDoubleClick();
    window.miOpenPresetEditor->trigger();
    ASSERT_EQ(window.PresetEditors().size(), 1u);
    TfrmPresetEditor& editor = *window.PresetEditors().front();
    EXPECT_TRUE(DraftFiles().isEmpty()) << "nothing is kept before an edit";

    EditDry(editor);
    ASSERT_TRUE(PumpUntil([] { return DraftFiles().size() == 1; }));
    TDraft draft = OnlyDraft();
    EXPECT_EQ(draft.Dump, editor.Document().Preset.Encode());
    EXPECT_EQ(draft.Reference, editor.Document().Reference());
    EXPECT_EQ(draft.Title(), editor.edtTitle->text().trimmed());

    rig.dialogs.Names.push_back(files.filePath("Kept.tmq"));
    QTest::mouseClick(editor.btnSaveAs, Qt::LeftButton);
    EXPECT_EQ(FileBytes(files.filePath("Kept.tmq")), draft.Dump);
    EXPECT_TRUE(DraftFiles().isEmpty()) << "saved";

    EditDry(editor);
    ASSERT_TRUE(PumpUntil([] { return DraftFiles().size() == 1; }));
    AnswerModal<TfrmStorePrompt>([](TfrmStorePrompt& prompt) {
        TypeOver(prompt.edtPresetNo, "17");
        if (!prompt.chkKeepReplaced->isChecked())
            ClickBox(prompt.chkKeepReplaced);
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor.btnStore, Qt::LeftButton);
    ASSERT_TRUE(
        PumpUntil([&] { return editor.lblStatus->text().startsWith("Stored in slot 17"); }, 10000));
    EXPECT_TRUE(DraftFiles().isEmpty()) << "stored";

    // Edited after the store, and the program ends without closing its editor.
    TypeOver(editor.edtTitle, "Bass drive 2");
    ASSERT_TRUE(PumpUntil([] { return DraftFiles().size() == 1; }));
    draft = OnlyDraft();
    const TBytes stored = editor.Document().Reference();
    EXPECT_EQ(draft.ReferenceKind, TPresetDocument::TReference::Stored);
    EXPECT_FALSE(draft.StoreReplaced.empty());
    const QStringList before = rig.Log();
    rig.window.reset();
    ASSERT_EQ(DraftFiles().size(), 1) << "the edit stays on disk";

    rig.dialogs.Answers = {QMessageBox::Yes};
    TfrmMain& again = rig.Start();
    ASSERT_TRUE(PumpUntil([&] { return again.PresetEditors().size() == 1; }));
    EXPECT_EQ(rig.dialogs.Texts().back(), "Recover 1 unsaved preset?\n\nBass drive 2 \u2014 " +
                                              draft.Written.toString("yyyy-MM-dd hh:mm"));
    TfrmPresetEditor& recovered = *again.PresetEditors().front();
    EXPECT_TRUE(recovered.isVisible());
    EXPECT_EQ(recovered.Document().Preset.Encode(), draft.Dump);
    EXPECT_EQ(recovered.edtTitle->text(), "Bass drive 2");
    EXPECT_TRUE(recovered.Document().HasEdits());
    EXPECT_TRUE(recovered.Document().NeedsSaving());
    EXPECT_EQ(recovered.lblStatus->text(), "Modified");
    EXPECT_EQ(recovered.windowTitle(), draft.WindowTitle);
    EXPECT_EQ(recovered.Document().Reference(), stored);
    EXPECT_TRUE(recovered.ChangeLines().contains(
        QString::fromStdString("Title: " + PresetTitleOf(stored) + " \u2192 Bass drive 2")))
        << recovered.ChangeLines().join(" | ").toStdString();
    const QStringList kept = DraftFiles();
    ASSERT_EQ(kept.size(), 1) << "the window's own draft in place of the old one";
    EXPECT_EQ(OnlyDraft().Dump, draft.Dump);

    // "Undo last store" still puts back what slot 17 held.
    ASSERT_TRUE(recovered.btnUndoStore->isEnabled());
    QTest::mouseClick(recovered.btnUndoStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil(
        [&] { return recovered.lblStatus->text().startsWith("Slot 17 has its former preset"); },
        10000))
        << recovered.lblStatus->text().toStdString();
    EXPECT_TRUE(rig.Unit([&](TPlenovaDevice& unit) {
        return SameDumpAnyDevice(unit.Banks[0][16], draft.StoreReplaced);
    }));

    rig.dialogs.Answers = {QMessageBox::No}; // "Do you want to save your changes?"
    recovered.close();
    EXPECT_FALSE(recovered.isVisible());
    EXPECT_TRUE(DraftFiles().isEmpty()) << "let go";
}

TEST(Drafts, AProgramKilledMidEditHasItsEditOfferedBackByteForByte) {
    MainRig rig;
    QTemporaryDir config;
    ChildProcess program(Program(config, "QUELLFARN_EDIT_REPORT"));
    ASSERT_TRUE(program.WaitForLine("edited ")) << (program.Lines.empty() ? "" : program.Lines[0]);
    const QByteArray hex = QByteArray::fromStdString(program.Lines.back()).mid(7).trimmed();
    const QByteArray bytes = QByteArray::fromHex(hex);
    const TBytes edited(bytes.begin(), bytes.end());
    ASSERT_TRUE(IsPresetDump(edited));
    ASSERT_TRUE(PumpUntil([] { return DraftFiles().size() == 1; }, 10000));
    // Another program starting meanwhile leaves the running one's edit alone.
    rig.Start();
    PumpFor(300);
    EXPECT_TRUE(rig.dialogs.Messages.empty());
    rig.window.reset();
    program.Kill();

    const QString folder = TfrmMain::DraftFolder();
    const QString draftPath = folder + "/" + DraftFiles().front();
    // Beside it, one cut short, as a disk failure leaves it.
    TBytes cut = FileBytes(draftPath);
    cut.resize(cut.size() / 2);
    WriteBytes(folder + "/1-2-3-1.draft", cut);

    rig.dialogs.Answers = {QMessageBox::No};
    TfrmMain& window = rig.Start();
    ASSERT_TRUE(PumpUntil([&] { return !rig.dialogs.Messages.empty(); }));
    EXPECT_TRUE(
        rig.dialogs.Texts().front().startsWith("Recover 1 unsaved preset?\n\nMy new preset"))
        << rig.dialogs.Texts().front().toStdString();
    EXPECT_TRUE(window.PresetEditors().empty());
    EXPECT_TRUE(rig.Log().contains("A draft of unsaved changes is damaged (the file ends early) "
                                   "and was not recovered: it is kept as " +
                                   folder + "/1-2-3-1.draft.damaged"))
        << rig.Log().join("\n").toStdString();
    EXPECT_EQ(FileBytes(folder + "/1-2-3-1.draft.damaged"), cut);
    EXPECT_TRUE(DraftFiles().isEmpty());
    EXPECT_TRUE(
        rig.Log().contains("1 unsaved preset not recovered is kept in " + folder + "/declined"));
    const QStringList declined = FileNames(folder + "/declined");
    ASSERT_EQ(declined.size(), 1);

    // Put back by hand, it is offered at the next start, and taken.
    rig.window.reset();
    ASSERT_TRUE(QFile::rename(folder + "/declined/" + declined[0], draftPath));
    rig.dialogs.Messages.clear();
    TfrmMain& again = rig.Start();
    ASSERT_TRUE(PumpUntil([&] { return again.PresetEditors().size() == 1; }));
    TfrmPresetEditor& editor = *again.PresetEditors().front();
    EXPECT_EQ(editor.Document().Preset.Encode(), edited);
    EXPECT_TRUE(editor.Document().HasEdits());
    EXPECT_EQ(editor.lblStatus->text(), "Modified");
    EXPECT_EQ(rig.dialogs.Messages.size(), 1u) << "the damaged draft is not asked about again";
}

// Names with a line break, a percent sign or letters beyond ASCII come back as they were: a
// draft of a file named so is not taken for a damaged one.
TEST(Drafts, TextsComeBackAsTheyWereWritten) {
    QTemporaryDir folder;
    TDraftStore store(folder.path());
    TDraft draft;
    draft.Dump = TPreset().Encode();
    draft.FileName = "/presets/Slap\nFunk 100%.tmq";
    draft.WindowTitle = "Bassläufe — 50%25";
    draft.StoreKeptFile = "/kept/a=b.tmq";
    draft.Written = QDateTime::currentDateTime();
    const QString path = store.NewPath();
    ASSERT_EQ(store.Write(path, draft), "");
    TDraft read;
    ASSERT_EQ(TDraftStore::Read(path, read), "");
    EXPECT_EQ(read.FileName, draft.FileName);
    EXPECT_EQ(read.WindowTitle, draft.WindowTitle);
    EXPECT_EQ(read.StoreKeptFile, draft.StoreKeptFile);
    EXPECT_EQ(read.Dump, draft.Dump);
}
