// The main window talking to quellfarn-sim through JACK, with the devices chosen by name
// as a user chooses them in the device menus.

#include "app/BkupOpt.h"
#include "app/Main.h"
#include "app/Restore.h"
#include "base/qvUtility.h"
#include "midi/MidiDeviceService.h"
#include "model/FileNames.h"
#include "sim/PlenovaDevice.h"
#include "midi/RtMidiService.h"
#include "support/JackRig.h"
#include "support/ModalAnswer.h"
#include "support/PumpUntil.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

TEST(MainWindowOverJack, PingsFetchesSwitchesBanksAndGetsTheTable) {
    JackRig rig(QUELLFARN_SIM, "QF App Test", "QuellfarnAppTest");
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
    window.close();
}

TEST(MainWindowOverJack, BacksUpTwoBanksByteForByteAtDinSpeed) {
    QTemporaryDir truth, out;
    JackRig rig(QUELLFARN_SIM, "QF Backup Test", "QuellfarnBackupTest",
                {"--wire-speed", "--save", truth.path().toStdString()});
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    rig.Connect();
    window.GoToFolder(out.path());
    // Two banks, a slice of each keeps the test short at 3.1 kB/s.
    AnswerModal<TfrmBkupOpt>([](TfrmBkupOpt& dialog) {
        QTest::mouseClick(dialog.chkBankC, Qt::LeftButton, {}, QPoint(6, dialog.chkBankC->height() / 2));
        QTest::mouseClick(dialog.chkBankD, Qt::LeftButton, {}, QPoint(6, dialog.chkBankD->height() / 2));
        for (QLineEdit* edit : {dialog.edtLastNo, dialog.edtReqDelay}) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, edit == dialog.edtLastNo ? "25" : "30");
        }
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const auto& message : rig.dialogs.Messages)
                if (message.Text == "Procedure is complete")
                    return true;
            return false;
        },
        120000));
    window.close();
    ASSERT_EQ(rig.sim.Stop(), 0);
    for (const char* bank : {"Bank A", "Bank B"}) {
        const QDir saved(out.filePath(bank));
        const QStringList names = saved.entryList(QDir::Files, QDir::Name);
        // Everything the unit holds in slots 1..25, but for the untitled presets it skips.
        QStringList expected;
        for (const QString& name : QDir(truth.filePath(bank)).entryList(QDir::Files, QDir::Name)) {
            const auto number = BackupPresetNumber(name.toStdString());
            if (number && *number <= 25 && !name.startsWith("Untitled.tmq"))
                expected << name;
        }
        EXPECT_EQ(names, expected) << bank;
        for (const QString& name : names) {
            QFile mine(saved.filePath(name));
            QFile unit(QDir(truth.filePath(bank)).filePath(name));
            ASSERT_TRUE(mine.open(QIODevice::ReadOnly) && unit.open(QIODevice::ReadOnly))
                << name.toStdString();
            EXPECT_EQ(mine.readAll(), unit.readAll()) << name.toStdString();
        }
    }
}

TEST(MainWindowOverJack, RestoresAFolderAndVerifiesEachPresetAtDinSpeed) {
    QTemporaryDir truth, folder;
    JackRig rig(QUELLFARN_SIM, "QF Restore Test", "QuellfarnRestoreTest",
                {"--wire-speed", "--save", truth.path().toStdString()});
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    rig.Connect();
    // Bank B gets bank A's first three factory presets, retitled.
    ASSERT_TRUE(QDir(folder.path()).mkdir("Bank B"));
    QStringList names;
    for (int slot = 1; slot <= 3; ++slot) {
        TBytes dump = TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova());
        const std::string title = "Restored " + std::to_string(slot);
        for (int i = 0; i < kTitleLength; ++i)
            dump[static_cast<std::size_t>(kTitleOffset + 2 * i)] =
                static_cast<std::uint8_t>(i < int(title.size()) ? title[std::size_t(i)] : ' ');
        const QString name = QString::fromStdString(BackupFileName(title, slot));
        QFile file(folder.filePath("Bank B/" + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(dump.data()), qint64(dump.size()));
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
        bool verified = false;
        for (int line = 0; line < window.lbxLog->LineCount(); ++line)
            verified = verified || window.lbxLog->LineText(line).endsWith("written and verified");
        if (tried || !verified)
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
    for (const QString& name : names) {
        QFile mine(folder.filePath("Bank B/" + name));
        QFile unit(truth.filePath("Bank B/" + name));
        ASSERT_TRUE(mine.open(QIODevice::ReadOnly) && unit.open(QIODevice::ReadOnly))
            << name.toStdString();
        EXPECT_EQ(mine.readAll(), unit.readAll()) << name.toStdString();
    }
    for (int slot = 1; slot <= 3; ++slot) {
        const TBytes factory = TPlenovaDevice::FactoryPreset(0, slot - 1, TDeviceMode::Plenova());
        QFile unit(truth.filePath("Bank A/" + QString::fromStdString(BackupFileName(
                                                  PresetTitleOf(factory), slot))));
        ASSERT_TRUE(unit.open(QIODevice::ReadOnly)) << "bank A keeps its presets";
        const QByteArray held = unit.readAll();
        EXPECT_EQ(TBytes(held.begin() + 5, held.end()), TBytes(factory.begin() + 5, factory.end()));
    }
}
