// The backup and listing options dialog, driven with keys and clicks: what it starts with, what
// the number boxes accept, when it refuses to close, and the choices it hands back.

#include "app/BkupOpt.h"

#include "base/StorePrompt.h"
#include "controls/qvRadioGroup.h"
#include "model/DeviceMode.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {
// Clicks into the box, takes out what it holds and types the text, as a user does.
void Retype(QLineEdit* edit, const QString& text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    ASSERT_TRUE(edit->hasFocus());
    PressKey(edit, Qt::Key_A, Qt::ControlModifier);
    PressKey(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

class BkupOptTest : public testing::Test {
protected:
    void TearDown() override { SetPrePlenovaMode(false); }

    // The dialog as the backup (save) or the listing (print) command opens it.
    void Open(TfrmBkupOpt& dialog, bool save, int currentBank = 0) {
        dialog.Prepare(save, currentBank, QStringLiteral("/home/bass/presets/"), 300);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        dialog.activateWindow();
        QApplication::setActiveWindow(&dialog);
        PumpFor(20);
    }

    QStringList Messages() const { return dialogs.Texts(); }

    ScriptedDialogs dialogs;
};
} // namespace

TEST_F(BkupOptTest, BackupAndListingStartWithTheirOwnChoices) {
    TfrmBkupOpt backup;
    Open(backup, true, 2);
    EXPECT_EQ(backup.windowTitle(), "Automated backup and print options");
    EXPECT_EQ(backup.lblCurrentBank->text(), "Currently selected bank: C");
    EXPECT_EQ(backup.lblOutPut->text(),
              "Output directory (bank subdirectories will be created as needed)");
    for (QCheckBox* bank : {backup.chkBankA, backup.chkBankB, backup.chkBankC, backup.chkBankD}) {
        EXPECT_TRUE(bank->isEnabled());
        EXPECT_TRUE(bank->isChecked());
    }
    EXPECT_TRUE(backup.btnPrtSetup->isDefault());
    EXPECT_EQ(backup.btnPrtSetup->toolTip(), "Printer selection/configuration");
    EXPECT_FALSE(backup.edtUntitled->isEnabled());
    EXPECT_EQ(backup.edtUntitled->text(), "Untitled");
    EXPECT_TRUE(backup.edtPath->isEnabled());

    const TProcedureOptions saved = backup.Results();
    EXPECT_EQ(saved.Banks, (std::array<bool, 4>{true, true, true, true}));
    EXPECT_TRUE(saved.LoopByPresetNumber);
    EXPECT_TRUE(saved.Save);
    EXPECT_FALSE(saved.Print);
    EXPECT_EQ(saved.OutputDirectory, "/home/bass/presets/");
    EXPECT_EQ(saved.First, 1);
    EXPECT_EQ(saved.Last, 200);
    EXPECT_EQ(saved.UntitledName, "") << "untitled presets are skipped";
    EXPECT_EQ(saved.RequestDelay, 300);
    EXPECT_FALSE(saved.SkipExisting);

    TfrmBkupOpt listing;
    Open(listing, false, -1);
    EXPECT_EQ(listing.lblCurrentBank->text(), "Cannot determine current bank");
    EXPECT_FALSE(listing.chkSave->isChecked());
    EXPECT_TRUE(listing.chkPrint->isChecked());
    EXPECT_FALSE(listing.edtPath->isEnabled());
    EXPECT_FALSE(listing.btnBrowse->isEnabled());
    EXPECT_FALSE(listing.chkSkipExisting->isEnabled());
    EXPECT_TRUE(listing.Results().Print);
    TfrmBkupOpt unknown;
    unknown.Prepare(true, 4, QString(), 300);
    EXPECT_EQ(unknown.lblCurrentBank->text(), "Cannot determine current bank");
}

TEST_F(BkupOptTest, NumberBoxesKeepOnlyTypedDigits) {
    TfrmBkupOpt dialog;
    Open(dialog, true);
    QTest::mouseClick(dialog.edtFirstNo, Qt::LeftButton);
    PressKey(dialog.edtFirstNo, Qt::Key_End);
    for (Qt::Key key : {Qt::Key_X, Qt::Key_5, Qt::Key_Minus, Qt::Key_Space, Qt::Key_Period})
        PressKey(dialog.edtFirstNo, key);
    EXPECT_EQ(dialog.edtFirstNo->text(), "15");
    PressKey(dialog.edtFirstNo, Qt::Key_Backspace);
    EXPECT_EQ(dialog.edtFirstNo->text(), "15") << "backspace is no digit either";
    PressKey(dialog.edtFirstNo, Qt::Key_Home);
    PressKey(dialog.edtFirstNo, Qt::Key_Delete);
    EXPECT_EQ(dialog.edtFirstNo->text(), "5") << "Delete edits, whatever text X11 gives it";

    Retype(dialog.edtReqDelay, "2x5o0");
    EXPECT_EQ(dialog.edtReqDelay->text(), "250");

    // The arrows step on from the number typed.
    QTest::mouseClick(dialog.updFirstNo->Up, Qt::LeftButton);
    EXPECT_EQ(dialog.edtFirstNo->text(), "6");
    QTest::mouseClick(dialog.updLastNo->Up, Qt::LeftButton);
    EXPECT_EQ(dialog.edtLastNo->text(), "200") << "not past the highest preset";
    QTest::mouseClick(dialog.updLastNo->Down, Qt::LeftButton);
    EXPECT_EQ(dialog.edtLastNo->text(), "199");
    EXPECT_TRUE(Messages().isEmpty());
    EXPECT_EQ(dialog.Results().First, 6);
    EXPECT_EQ(dialog.Results().Last, 199);
    EXPECT_EQ(dialog.Results().RequestDelay, 250);
}

TEST_F(BkupOptTest, LeavingANumberBoxWithANumberOutsideThePresetsTakesTheFocusBack) {
    TfrmBkupOpt dialog;
    Open(dialog, true);
    Retype(dialog.edtFirstNo, "0");
    PressKey(dialog.edtFirstNo, Qt::Key_Tab);
    EXPECT_EQ(Messages(), QStringList{"Invalid preset number"});
    EXPECT_TRUE(dialog.edtFirstNo->hasFocus());

    Retype(dialog.edtFirstNo, "12");
    Retype(dialog.edtLastNo, "201");
    ClickBox(dialog.chkUntitled);
    EXPECT_EQ(Messages().size(), 2);
    EXPECT_EQ(Messages().back(), "Invalid preset number");
    EXPECT_TRUE(dialog.edtLastNo->hasFocus());
    EXPECT_TRUE(dialog.chkUntitled->isChecked()) << "the click itself still counts";

    // An emptied box is no number: said plainly, and the focus comes back as well.
    Retype(dialog.edtLastNo, "");
    QTest::mouseClick(dialog.edtPath, Qt::LeftButton);
    EXPECT_EQ(Messages().back(), "'' is not a valid integer value");
    EXPECT_TRUE(dialog.edtLastNo->hasFocus());

    // A press on OK checks the box once, not once for leaving it and again for closing.
    const auto before = Messages().size();
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    EXPECT_EQ(Messages().size(), before + 1);
    EXPECT_TRUE(dialog.isVisible());
    // Cancel too waits for a number in the box.
    QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());

    Retype(dialog.edtLastNo, "200");
    PressKey(dialog.edtLastNo, Qt::Key_Tab);
    EXPECT_EQ(Messages().size(), before + 2) << "a good number passes quietly";
    QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(BkupOptTest, ReversedRangeOrBadDelayKeepsTheDialogOpen) {
    TfrmBkupOpt dialog;
    Open(dialog, true);
    Retype(dialog.edtFirstNo, "50");
    Retype(dialog.edtLastNo, "10");
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(dialogs.Messages.size(), 1);
    EXPECT_EQ(dialogs.Messages[0].Text, "Invalid preset number range");
    EXPECT_EQ(dialogs.Messages[0].Caption, "Error");

    Retype(dialog.edtLastNo, "60");
    for (const char* delay : {"0", "10001", ""}) {
        Retype(dialog.edtReqDelay, delay);
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
        EXPECT_TRUE(dialog.isVisible()) << delay;
        EXPECT_EQ(dialogs.Messages.back().Text, "Request delay must be 1 to 10000 ms") << delay;
        EXPECT_TRUE(dialog.edtReqDelay->hasFocus()) << delay;
    }
    Retype(dialog.edtReqDelay, "10000");
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialogs.Messages.size(), 4);
    const TProcedureOptions options = dialog.Results();
    EXPECT_EQ(options.First, 50);
    EXPECT_EQ(options.Last, 60);
    EXPECT_EQ(options.RequestDelay, 10000);
}

TEST_F(BkupOptTest, OkNeedsSavingOrPrintingAndTheFolderFollowsSaving) {
    TfrmBkupOpt dialog;
    Open(dialog, true);
    ClickBox(dialog.chkSkipExisting);
    EXPECT_TRUE(dialog.Results().SkipExisting);
    ClickBox(dialog.chkSave);
    EXPECT_FALSE(dialog.btnOk->isEnabled()) << "neither saving nor printing";
    EXPECT_FALSE(dialog.edtPath->isEnabled());
    EXPECT_FALSE(dialog.btnBrowse->isEnabled());
    EXPECT_FALSE(dialog.chkSkipExisting->isEnabled());
    EXPECT_FALSE(dialog.Results().SkipExisting) << "nothing is saved, so nothing is skipped";
    ClickBox(dialog.chkPrint);
    EXPECT_TRUE(dialog.btnOk->isEnabled());
    ClickBox(dialog.chkSave);
    EXPECT_TRUE(dialog.edtPath->isEnabled());
    ClickBox(dialog.chkPrint);
    EXPECT_TRUE(dialog.btnOk->isEnabled()) << "saving alone";

    dialogs.Names = {"/home/bass/backup", "/", QString()};
    QTest::mouseClick(dialog.btnBrowse, Qt::LeftButton);
    EXPECT_EQ(dialogs.FolderAsked, "/home/bass/presets");
    EXPECT_EQ(dialog.edtPath->text(), "/home/bass/backup/");
    QTest::mouseClick(dialog.btnBrowse, Qt::LeftButton);
    EXPECT_EQ(dialog.edtPath->text(), "/") << "a root keeps its one separator";
    QTest::mouseClick(dialog.btnBrowse, Qt::LeftButton);
    EXPECT_EQ(dialog.edtPath->text(), "/") << "cancelled: the folder stays";

    const TProcedureOptions options = dialog.Results();
    EXPECT_TRUE(options.Save);
    EXPECT_FALSE(options.Print);
    EXPECT_EQ(options.OutputDirectory, "/");
}

TEST_F(BkupOptTest, UntitledPresetsTakeTheNameTypedOrUntitled) {
    TfrmBkupOpt dialog;
    Open(dialog, false);
    ClickBox(dialog.chkUntitled);
    ASSERT_TRUE(dialog.edtUntitled->isEnabled());
    EXPECT_EQ(dialog.Results().UntitledName, "Untitled");
    Retype(dialog.edtUntitled, "");
    EXPECT_EQ(dialog.edtUntitled->text(), "");
    EXPECT_EQ(dialog.Results().UntitledName, "Untitled") << "an emptied name still saves them";
    QTest::keyClicks(dialog.edtUntitled, "No Name");
    EXPECT_EQ(dialog.Results().UntitledName, "No Name");
    // Only what a title can hold: printable ASCII, sixteen characters.
    QTest::sendKeyEvent(QTest::Press, dialog.edtUntitled, Qt::Key_Eacute, QString(QChar(0xE9)),
                        Qt::NoModifier);
    QTest::keyClicks(dialog.edtUntitled, " and a long tail");
    EXPECT_EQ(dialog.Results().UntitledName, "No Name and a lo");

    Retype(dialog.edtUntitled, "");
    ClickBox(dialog.chkUntitled);
    EXPECT_FALSE(dialog.edtUntitled->isEnabled());
    EXPECT_EQ(dialog.Results().UntitledName, "") << "unchecked: skipped again";
    ClickBox(dialog.chkUntitled);
    EXPECT_EQ(dialog.edtUntitled->text(), "Untitled") << "an empty box fills in again";
}

TEST_F(BkupOptTest, PrePlenovaUnitHasOneBankAndProgramChangesReach128) {
    SetPrePlenovaMode(true);
    TfrmBkupOpt dialog;
    EXPECT_EQ(dialog.lblOutPut->text(), "Output directory:");
    Open(dialog, true, 1);
    EXPECT_EQ(dialog.lblCurrentBank->text(), "Pre-Plenova unit - single bank");
    for (QCheckBox* bank : {dialog.chkBankA, dialog.chkBankB, dialog.chkBankC, dialog.chkBankD})
        EXPECT_FALSE(bank->isEnabled());
    EXPECT_EQ(dialog.Results().Banks, (std::array<bool, 4>{true, false, false, false}));

    ClickBox(dialog.ragLoopMethod->Buttons()[1]);
    EXPECT_EQ(dialog.edtLastNo->text(), "128");
    EXPECT_FALSE(dialog.Results().LoopByPresetNumber);
    QTest::mouseClick(dialog.updLastNo->Up, Qt::LeftButton);
    QTest::mouseClick(dialog.updFirstNo->Up, Qt::LeftButton);
    EXPECT_EQ(dialog.edtLastNo->text(), "128") << "the arrows stop there too";
    Retype(dialog.edtLastNo, "129");
    PressKey(dialog.edtLastNo, Qt::Key_Tab);
    EXPECT_EQ(Messages(), QStringList{"Invalid preset number"});
    EXPECT_TRUE(dialog.edtLastNo->hasFocus());

    ClickBox(dialog.ragLoopMethod->Buttons()[0]);
    EXPECT_EQ(dialog.edtLastNo->text(), "200");
    Retype(dialog.edtFirstNo, "150");
    QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.Results().First, 150);
    EXPECT_TRUE(dialog.Results().LoopByPresetNumber);

    // On a Plenova unit the program table covers all 200 presets.
    SetPrePlenovaMode(false);
    TfrmBkupOpt plenova;
    Open(plenova, true);
    ClickBox(plenova.ragLoopMethod->Buttons()[1]);
    EXPECT_EQ(plenova.edtLastNo->text(), "200");
}

TEST_F(BkupOptTest, FixedSizeWithEveryTextInFull) {
    for (bool prePlenova : {false, true}) {
        SetPrePlenovaMode(prePlenova);
        TfrmBkupOpt dialog;
        Open(dialog, true, 0);
        EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize()) << prePlenova;
        const QRect inside = dialog.rect();
        for (QWidget* child : dialog.findChildren<QWidget*>()) {
            if (!child->isVisible() || child->objectName().isEmpty())
                continue;
            SCOPED_TRACE(child->objectName().toStdString());
            const QRect place(child->mapTo(&dialog, QPoint(0, 0)), child->size());
            EXPECT_TRUE(inside.contains(place));
            EXPECT_GE(child->width(), child->minimumSizeHint().width());
            EXPECT_GE(child->height(), child->minimumSizeHint().height());
        }
    }
}
