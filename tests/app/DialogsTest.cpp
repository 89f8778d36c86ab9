// The small dialogs: pick list, store prompt, folder chooser.

#include "base/PickList.h"
#include "base/StorePrompt.h"
#include "base/folderBrowse.h"
#include "base/qvUtility.h"
#include "support/PlatformEvents.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

TEST(StorePrompt, ClampsTheLocationAndRefusesOneOutOfRange) {
    ScriptedDialogs dialogs;
    TfrmStorePrompt prompt;
    EXPECT_TRUE(prompt.SendFirst());
    EXPECT_EQ(prompt.chkDoSend->toolTip(),
              "Uncheck = store what's already loaded in the unit itself");
    prompt.SetLocation(250);
    EXPECT_EQ(prompt.edtPresetNo->text(), "200");
    prompt.SetLocation(0);
    EXPECT_EQ(prompt.edtPresetNo->text(), "1");
    QTest::mouseClick(prompt.updPresetNo->Up, Qt::LeftButton);
    EXPECT_EQ(prompt.edtPresetNo->text(), "2");

    prompt.show();
    prompt.edtPresetNo->clear();
    QTest::keyClicks(prompt.edtPresetNo, "1x5");
    EXPECT_EQ(prompt.edtPresetNo->text(), "15") << "only digits are kept";
    PressKey(prompt.edtPresetNo, Qt::Key_Backspace);
    EXPECT_EQ(prompt.edtPresetNo->text(), "15") << "backspace too is discarded";
    EXPECT_EQ(prompt.Location(), 15);
    PressKey(prompt.edtPresetNo, Qt::Key_Home);
    PressKey(prompt.edtPresetNo, Qt::Key_Delete);
    EXPECT_EQ(prompt.edtPresetNo->text(), "5") << "Delete, with the text X11 gives it, deletes";
    PressKey(prompt.edtPresetNo, Qt::Key_End);
    PressKey(prompt.edtPresetNo, Qt::Key_7);
    EXPECT_EQ(prompt.Location(), 57);

    prompt.edtPresetNo->setText("0");
    prompt.btnOK->click();
    EXPECT_TRUE(prompt.isVisible()) << "it stays open";
    EXPECT_EQ(dialogs.Messages.back().Text, "Preset number out of range");
    EXPECT_EQ(dialogs.Messages.back().Caption, "Invalid entry");
    prompt.edtPresetNo->setText("");
    prompt.btnCancel->click();
    EXPECT_TRUE(prompt.isVisible()) << "an empty location is no number, even for Cancel";
    prompt.edtPresetNo->setText("150");
    prompt.edtPresetNo->setFocus();
    PressKey(prompt.edtPresetNo, Qt::Key_Return);
    EXPECT_FALSE(prompt.isVisible()) << "Enter in the number confirms the dialog";
    EXPECT_EQ(prompt.result(), QDialog::Accepted);
    EXPECT_EQ(prompt.Location(), 150);
}

TEST(PickList, ChoosesALineOrNone) {
    TfrmPickList cancelled;
    cancelled.AddLine("Group #0");
    cancelled.show();
    EXPECT_FALSE(cancelled.btnOk->isEnabled());
    cancelled.btnCancel->click();
    EXPECT_EQ(cancelled.ChosenIndex, -1);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);

    TfrmPickList list;
    list.AddLine("Group #0");
    list.AddLine("Group #1");
    list.show();
    list.lbxPickList->setCurrentRow(1);
    emit list.lbxPickList->itemClicked(list.lbxPickList->item(1));
    EXPECT_TRUE(list.btnOk->isEnabled());
    list.btnOk->click();
    EXPECT_EQ(list.ChosenIndex, 1);
    EXPECT_EQ(list.ChosenText, "Group #1");

    TfrmPickList sized;
    sized.resize(300, 236);
    sized.show();
    EXPECT_EQ(sized.lbxPickList->height(), 200);
    EXPECT_EQ(sized.btnOk->y(), 207);
    EXPECT_EQ(sized.btnCancel->x(), 300 - sized.btnOk->x() - sized.btnCancel->width())
        << "centred as a pair";
}

TEST(FolderBrowser, KeepsRootsSeparatorAndDropsOthers) {
    TBrowseForFolder browser;
    browser.SetFolderName("C:");
    EXPECT_EQ(browser.FolderName(), "C:\\") << "a drive name is its root";
    browser.SetFolderName("C:\\");
    EXPECT_EQ(browser.FolderName(), "C:\\");
    browser.SetFolderName("/");
    EXPECT_EQ(browser.FolderName(), "/");
    browser.SetFolderName("/home/bass/presets/");
    EXPECT_EQ(browser.FolderName(), "/home/bass/presets");
    browser.SetFolderName("");
    EXPECT_EQ(browser.FolderName(), "");
    EXPECT_EQ(browser.Caption, "Select Folder");
    EXPECT_EQ(browser.StatusText, "Plase select folder");

    ScriptedDialogs dialogs;
    dialogs.Names.push_back(QDir::tempPath() + "/");
    QString folder = "/home/bass/";
    ASSERT_TRUE(SelectFolder("Select output folder:", folder));
    EXPECT_EQ(dialogs.FolderAsked, "/home/bass") << "offered without its trailing separator";
    EXPECT_EQ(folder, QDir::tempPath());
    EXPECT_FALSE(SelectFolder("Select output folder:", folder)) << "cancelled";
    EXPECT_EQ(folder, QDir::tempPath());
}
