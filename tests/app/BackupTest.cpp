// The automated backup and the preset listing, started from the menu and answered in the
// options dialog as a user does, against the in-process simulated unit: what the window adds to
// the device link's walk (the dialog, the print job, the progress, the messages, the keys and the
// commands it holds back). What the walk saves and says is proven in tests/link.

#include "app/BkupOpt.h"
#include "base/PrintCommon.h"
#include "editor/PresetEditor.h"
#include "model/DeviceMode.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "support/FileBytes.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PdfText.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
// The choices a test makes in the dialog; what it leaves alone keeps the dialog's default.
struct Choices {
    QString Banks = QStringLiteral("ABCD"); // checked bank boxes
    QString First, Last;
    bool Save = true, Print = false;
    QString Delay;
};

void Answer(const Choices& choices) {
    AnswerModal<TfrmBkupOpt>([choices](TfrmBkupOpt& dialog) {
        QCheckBox* banks[] = {dialog.chkBankA, dialog.chkBankB, dialog.chkBankC, dialog.chkBankD};
        for (int bank = 0; bank < 4; ++bank)
            if (banks[bank]->isEnabled() &&
                banks[bank]->isChecked() != choices.Banks.contains(QLatin1Char("ABCD"[bank])))
                ClickBox(banks[bank]);
        if (choices.Save != dialog.chkSave->isChecked())
            ClickBox(dialog.chkSave);
        if (choices.Print != dialog.chkPrint->isChecked())
            ClickBox(dialog.chkPrint);
        if (!choices.First.isEmpty())
            TypeOver(dialog.edtFirstNo, choices.First);
        if (!choices.Last.isEmpty())
            TypeOver(dialog.edtLastNo, choices.Last);
        if (!choices.Delay.isEmpty())
            TypeOver(dialog.edtReqDelay, choices.Delay);
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
}

// The main window against the simulated unit, its file pane in a folder of its own; with a
// listing, the printout goes into "list.pdf" there, as on a machine without a printer.
struct Walk {
    explicit Walk(bool prePlenovaUnit = false, bool listing = false)
        : rig(prePlenovaUnit), window(rig.Start()), pdf(out.filePath("list.pdf")) {
        if (listing) {
            IgnoreInstalledPrinters(true);
            rig.dialogs.Names.push_back(pdf);
        }
    }
    ~Walk() { IgnoreInstalledPrinters(false); }
    void InFolder() { window.GoToFolder(out.path()); }

    ModeGuard mode{false};
    MainRig rig;
    TfrmMain& window;
    QTemporaryDir out;
    const QString pdf;
};

bool Shown(const ScriptedDialogs& dialogs, const QString& text) {
    for (const auto& message : dialogs.Messages)
        if (message.Text == text)
            return true;
    return false;
}
} // namespace

// The dialog's choices start the walk; the status bar shows where it is, a message its end,
// and the request delay chosen is kept.
TEST(Backup, TheDialogsChoicesWalkWithProgressAndEndWithAMessage) {
    Walk walk;
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    walk.InFolder();
    Choices choices;
    choices.Banks = QStringLiteral("AC");
    choices.First = QStringLiteral("5");
    choices.Last = QStringLiteral("10");
    choices.Delay = QStringLiteral("20");
    Answer(choices);
    bool sawProgress = false;
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil(
        [&] {
            sawProgress = sawProgress || (window.prbProcedure->isVisible() &&
                                          window.lblProgress->text().startsWith("Bank C: preset"));
            return Shown(rig.dialogs, "Procedure is complete");
        },
        20000));
    EXPECT_TRUE(sawProgress) << "the status bar shows where the walk is";
    EXPECT_FALSE(window.prbProcedure->isVisible());
    EXPECT_EQ(rig.dialogs.Messages.back().Caption, "Congratulations...");
    EXPECT_EQ(window.Link->RequestDelay(), 20);
    EXPECT_EQ(rig.settings.GetInteger("TMQReqDelay", true, 0), 20);
    EXPECT_EQ(QDir(walk.out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"Bank A", "Bank C"}));
    EXPECT_EQ(FileNames(walk.out.filePath("Bank A")).size(), 5)
        << "presets 5 to 10 but the untitled";
}

// Ctrl+C in the window ends a listing; the print-out holds the lines the walk counted, with a
// bank column only where the unit has banks.
TEST(Backup, CtrlCEndsTheListingWithWhatWasPrinted) {
    for (const bool prePlenova : {false, true}) {
        SCOPED_TRACE(prePlenova ? "Pre-Plenova" : "Plenova");
        Walk walk(prePlenova, true);
        TfrmMain& window = walk.window;
        if (prePlenova) {
            window.miPrePlenova->trigger();
            ASSERT_TRUE(PrePlenovaMode);
        }
        walk.InFolder();
        Choices choices;
        choices.Banks = QStringLiteral("B");
        choices.Save = false;
        choices.Print = true;
        Answer(choices);
        window.miPrintPresetList->trigger();
        ASSERT_TRUE(
            PumpUntil([&] { return window.Link->Job<TBackupWalk>().Counts().Listed >= 4; }, 20000));
        PressKey(window.memMsgBuf, Qt::Key_C, Qt::ControlModifier);
        EXPECT_FALSE(window.Link->Job<TBackupWalk>().Active());
        EXPECT_TRUE(walk.rig.Log().contains("Procedure aborted"));
        const int listed = window.Link->Job<TBackupWalk>().Counts().Listed;
        EXPECT_TRUE(LastJobDelivered());
        const QString text = PdfText(walk.pdf);
        const QRegularExpression row(prePlenova ? "^\\s*\\d+\\s+\\|"
                                                : "^\\s*B\\s+\\|\\s+\\d+\\s+\\|");
        int rows = 0;
        for (const QString& line : text.split('\n'))
            rows += row.match(line).hasMatch() ? 1 : 0;
        EXPECT_EQ(rows, listed) << text.toStdString();
        EXPECT_EQ(text.contains("Bank"), !prePlenova);
        EXPECT_EQ(FileNames(walk.out.path()), QStringList({"list.pdf"}))
            << "a listing saves nothing";
    }
}

// What stops a walk is said once, in a message.
TEST(Backup, WhatStopsAWalkIsShownInOneMessage) {
    struct Case {
        const char* What;
        bool Save;
        std::function<QString(Walk&)> Prepare; // returns the message's beginning
    };
    const Case cases[] = {
        {"a folder where the first preset's file goes", true,
         [](Walk& walk) {
             const std::string first = PresetTitleOf(
                 TPlenovaDevice::FactoryPreset(0, 0, TDeviceMode::Plenova())); // the unit's A 001
             EXPECT_TRUE(QDir(walk.out.path())
                             .mkpath("Bank A/" + QString::fromStdString(BackupFileName(first, 1))));
             return "Procedure aborted: cannot write " + walk.out.filePath("Bank A/");
         }},
        {"a listing whose print job cannot begin", false,
         [](Walk& walk) {
             walk.rig.dialogs.Names.clear();
             walk.rig.dialogs.Names.push_back(walk.out.filePath("no such folder/list.pdf"));
             return QStringLiteral("Procedure aborted: the preset listing cannot be printed");
         }},
    };
    for (const Case& stop : cases) {
        SCOPED_TRACE(stop.What);
        Walk walk(false, !stop.Save);
        const QString message = stop.Prepare(walk);
        walk.InFolder();
        Choices choices;
        choices.Banks = QStringLiteral("A");
        choices.Last = QStringLiteral("20");
        choices.Save = stop.Save;
        choices.Print = !stop.Save;
        Answer(choices);
        (stop.Save ? walk.window.miGetEachPreset : walk.window.miPrintPresetList)->trigger();
        ASSERT_TRUE(PumpUntil([&] { return !walk.rig.dialogs.Messages.empty(); }, 20000));
        EXPECT_TRUE(walk.rig.dialogs.Messages.front().Text.startsWith(message))
            << walk.rig.dialogs.Messages.front().Text.toStdString();
        EXPECT_FALSE(walk.window.Link->Job<TBackupWalk>().Active());
        EXPECT_FALSE(walk.window.prbProcedure->isVisible());
        PumpFor(1000); // ticks that would ask again
        EXPECT_EQ(walk.rig.dialogs.Messages.size(), 1u);
    }
}

TEST(Backup, StopsBeforeRequestingWithoutABankAndEndsTheListing) {
    Walk walk(false, true);
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    walk.InFolder();
    Choices choices;
    choices.Banks = QString();
    choices.Print = true;
    Answer(choices);
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Status() == "Invalid bank selection"; }, 10000));
    EXPECT_FALSE(window.Link->Job<TBackupWalk>().Active());
    EXPECT_FALSE(window.Link->Job<TBackupWalk>().Printing());
    EXPECT_TRUE(QFile::exists(walk.pdf)) << "the print job begun after the dialog is ended";

    AnswerModal<TfrmBkupOpt>(
        [](TfrmBkupOpt& dialog) { QTest::mouseClick(dialog.btnCancel, Qt::LeftButton); });
    window.miGetEachPreset->trigger();
    EXPECT_TRUE(PumpUntil([&] { return rig.Status() == "Procedure cancelled"; }, 10000));
    EXPECT_FALSE(window.Link->Job<TBackupWalk>().Active());
}

// While a walk runs nothing else may change the bank, start another walk or a restore, or
// store: the commands are disabled, and opening the menu says why.
TEST(Backup, WhileAWalkRunsNothingElseReachesTheUnitsBank) {
    Walk walk;
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    walk.InFolder();
    TfrmPresetEditor* editor = window.NewPresetEditor();
    Choices choices;
    choices.Banks = QStringLiteral("C");
    choices.Last = QStringLiteral("12");
    Answer(choices);
    bool checked = false;
    auto* during = new QTimer(&window);
    QObject::connect(during, &QTimer::timeout, [&] {
        if (checked || !window.Link->Job<TBackupWalk>().Active())
            return;
        checked = true;
        for (QAction* command :
             {window.miSelectBank[0], window.miSelectBank[3], window.miGetEachPreset,
              window.miPrintPresetList, window.miSendPresets, window.miPrePlenova})
            EXPECT_FALSE(command->isEnabled()) << command->text().toStdString();
        EXPECT_FALSE(editor->btnStore->isEnabled());
        window.miSelectBank[0]->trigger();
        emit window.miQuellfarnRequests->aboutToShow();
        EXPECT_EQ(rig.Status(), "A backup is running: wait for it to end or press Ctrl+C");
    });
    during->start(20);
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil([&] { return Shown(rig.dialogs, "Procedure is complete"); }, 30000));
    EXPECT_TRUE(checked);
    EXPECT_TRUE(window.miSelectBank[0]->isEnabled());
    EXPECT_TRUE(editor->btnStore->isEnabled());
    EXPECT_FALSE(FileNames(walk.out.filePath("Bank C")).isEmpty()) << "bank C, not A";
    EXPECT_FALSE(QDir(walk.out.filePath("Bank A")).exists());
    editor->edtTitle->setText("x");
    rig.dialogs.Answers.push_back(QMessageBox::No);
    editor->close();
}
