// The automated backup and the preset listing, started from the menu and answered in the
// options dialog as a user does, against the in-process simulated unit.

#include "app/BkupOpt.h"
#include "editor/PresetEditor.h"
#include "base/PrintCommon.h"
#include "model/DeviceMode.h"
#include "model/FileNames.h"
#include "support/ModalAnswer.h"
#include "support/MainRig.h"
#include "support/PdfText.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/ReadOnlyFile.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {
struct ModeReset {
    ~ModeReset() { SetPrePlenovaMode(false); }
};

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier); // select what stands there
    for (const QChar c : text)
        QTest::keyClick(edit, c.toLatin1());
}

// The choices a test makes in the dialog; what it leaves alone keeps the dialog's default.
struct Choices {
    QString Banks = QStringLiteral("ABCD"); // checked bank boxes
    QString First, Last;
    bool Save = true, Print = false;
    bool ByProgramChange = false;
    bool Untitled = false;
    QString UntitledText = QStringLiteral("Untitled");
    bool SkipExisting = false;
    QString Delay;
};

void Answer(const Choices& choices) {
    AnswerModal<TfrmBkupOpt>([choices](TfrmBkupOpt& dialog) {
        QCheckBox* banks[] = {dialog.chkBankA, dialog.chkBankB, dialog.chkBankC, dialog.chkBankD};
        for (int bank = 0; bank < 4; ++bank)
            if (banks[bank]->isEnabled() &&
                banks[bank]->isChecked() != choices.Banks.contains(QLatin1Char("ABCD"[bank])))
                Click(banks[bank]);
        if (choices.Save != dialog.chkSave->isChecked())
            Click(dialog.chkSave);
        if (choices.Print != dialog.chkPrint->isChecked())
            Click(dialog.chkPrint);
        if (choices.ByProgramChange)
            Click(dialog.findChildren<QRadioButton*>().at(1));
        if (!choices.First.isEmpty())
            Type(dialog.edtFirstNo, choices.First);
        if (!choices.Last.isEmpty())
            Type(dialog.edtLastNo, choices.Last);
        if (choices.Untitled) {
            Click(dialog.chkUntitled);
            dialog.edtUntitled->setFocus();
            dialog.edtUntitled->selectAll();
            QTest::keyClick(dialog.edtUntitled, Qt::Key_Backspace);
            QTest::keyClicks(dialog.edtUntitled, choices.UntitledText);
        }
        if (choices.SkipExisting)
            Click(dialog.chkSkipExisting);
        if (!choices.Delay.isEmpty())
            Type(dialog.edtReqDelay, choices.Delay);
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
}

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

QByteArray Bytes(const TBytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The dump the unit sends for a slot, and the file name the backup gives it (empty for an
// untitled preset, which the backup skips).
struct Slot {
    QByteArray Dump;
    QString Name;
};
Slot UnitSlot(MainRig& rig, int bank, int slot) {
    Slot result;
    rig.Unit([&](TPlenovaDevice& unit) {
        const TBytes dump = unit.Outgoing(
            unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot)]);
        result.Dump = Bytes(dump);
        if (!PresetTitleOf(dump).empty())
            result.Name =
                QString::fromLatin1(BackupFileName(PresetTitleOf(dump), slot + 1).c_str());
        return true;
    });
    return result;
}

void SetTitle(MainRig& rig, int bank, int slot, const std::string& title) {
    rig.Unit([&](TPlenovaDevice& unit) {
        TBytes& dump = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot)];
        for (int i = 0; i < kTitleLength; ++i)
            dump[static_cast<std::size_t>(kTitleOffset + 2 * i)] =
                static_cast<std::uint8_t>(i < static_cast<int>(title.size()) ? title[i] : ' ');
        return true;
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

    ModeReset reset;
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
// and the request delay chosen is kept. (What the walk saves is the link's: tests/link.)
TEST(Backup, TheDialogsChoicesWalkWithProgressAndEndWithAMessage) {
    Walk walk;
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    QTemporaryDir& out = walk.out;
    window.GoToFolder(out.path());
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
    EXPECT_EQ(QDir(out.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
              QStringList({"Bank A", "Bank C"}));
    EXPECT_EQ(Files(out.filePath("Bank A")).size() + Files(out.filePath("Bank C")).size(),
              rig.Log().filter(" received: ").size());
    EXPECT_TRUE(rig.Log().contains("Begin processing Bank C"));
    EXPECT_FALSE(window.Link->Walk().Active());
}

TEST(Backup, TitlesAreSanitisedForFilesButListedAsTheyAre) {
    Walk walk(false, true);
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    SetAppTitle("Quellfarn");
    QTemporaryDir& out = walk.out;
    window.GoToFolder(out.path());
    SetTitle(rig, 0, 0, "Slap/Pop");
    SetTitle(rig, 0, 1, "Mid:Boost");
    SetTitle(rig, 0, 2, "Twin");
    SetTitle(rig, 0, 3, "Twin");
    SetTitle(rig, 0, 4, "");
    const QString& pdf = walk.pdf;
    Choices choices;
    choices.Banks = QStringLiteral("A");
    choices.Last = QStringLiteral("5");
    choices.Print = true;
    choices.Untitled = true;
    choices.UntitledText = QString(); // emptied: saved as "Untitled" all the same
    Answer(choices);
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil([&] { return Shown(rig.dialogs, "Procedure is complete"); }, 20000));

    EXPECT_EQ(Files(out.filePath("Bank A")),
              QStringList({"Mid Boost.tmq002", "Slap-Pop.tmq001", "Twin.tmq003", "Twin.tmq004",
                           "Untitled.tmq005"}));
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("Quellfarn Preset Listing"));
    EXPECT_TRUE(text.contains("Slap/Pop"));
    EXPECT_TRUE(text.contains("Mid:Boost"));
    EXPECT_EQ(text.count("Twin"), 2);
    EXPECT_TRUE(text.contains("Untitled"));
    EXPECT_EQ(text.count("Preset#"), 1);
}
TEST(Backup, PrePlenovaUnitHasOneBankNoBankColumnAndTheProgramChangeLimit) {
    Walk walk(true, true);
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    window.miPrePlenova->trigger();
    ASSERT_TRUE(PrePlenovaMode);
    QTemporaryDir& out = walk.out;
    window.GoToFolder(out.path());
    const QString& pdf = walk.pdf;
    bool limitShown = false;
    AnswerModal<TfrmBkupOpt>([&](TfrmBkupOpt& dialog) {
        EXPECT_FALSE(dialog.chkBankA->isEnabled());
        Click(dialog.chkPrint);
        Click(dialog.findChildren<QRadioButton*>().at(1)); // "By Program Change (MPT)"
        limitShown = dialog.edtLastNo->text() == "128";
        Type(dialog.edtFirstNo, "125");
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil([&] { return Shown(rig.dialogs, "Procedure is complete"); }, 20000));
    EXPECT_TRUE(limitShown);

    QStringList expected;
    for (int slot = 124; slot < 128; ++slot)
        expected << UnitSlot(rig, 0, slot).Name;
    expected.sort();
    EXPECT_EQ(Files(out.path()), QStringList(expected) << "list.pdf") << "straight into the folder";
    for (int slot = 124; slot < 128; ++slot)
        EXPECT_EQ(FileBytes(out.filePath(UnitSlot(rig, 0, slot).Name)), UnitSlot(rig, 0, slot).Dump);
    EXPECT_TRUE(rig.Log().contains("Begin processing of Pre-Plenova presets"));
    const QString text = PdfText(pdf);
    EXPECT_FALSE(text.contains("Bank")) << "a single bank has no bank column";
    EXPECT_TRUE(text.contains("Preset#"));
    EXPECT_TRUE(QRegularExpression("\\n\\s*125\\s+\\|").match(text).hasMatch()) << text.toStdString();
}

TEST(Backup, CtrlCEndsTheListingWithWhatWasPrinted) {
    Walk walk(false, true);
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    QTemporaryDir& out = walk.out;
    window.GoToFolder(out.path());
    const QString& pdf = walk.pdf;
    Choices choices;
    choices.Banks = QStringLiteral("B");
    choices.Save = false;
    choices.Print = true;
    Answer(choices);
    window.miPrintPresetList->trigger();
    ASSERT_TRUE(PumpUntil([&] { return window.Link->Walk().Counts().Listed >= 4; }, 20000));
    PressKey(window.memMsgBuf, Qt::Key_C, Qt::ControlModifier);
    EXPECT_FALSE(window.Link->Walk().Active());
    EXPECT_TRUE(rig.Log().contains("Procedure aborted"));
    const int listed = window.Link->Walk().Counts().Listed;
    EXPECT_LT(listed, 200);
    EXPECT_TRUE(LastJobDelivered());
    const QString text = PdfText(pdf);
    int rows = 0;
    for (const QString& line : text.split('\n'))
        if (QRegularExpression("^\\s*B\\s+\\|\\s+\\d+\\s+\\|").match(line).hasMatch())
            ++rows;
    EXPECT_EQ(rows, listed) << text.toStdString();
    EXPECT_EQ(Files(out.path()), QStringList({"list.pdf"})) << "a listing saves nothing";
}
TEST(Backup, StopsWithOneMessageWhenTheFolderCannotBeWritten) {
    Walk walk;
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    QTemporaryDir& out = walk.out;
    // A folder stands where the first preset's file goes.
    ASSERT_TRUE(QDir(out.path()).mkpath("Bank A/" + UnitSlot(rig, 0, 0).Name));
    window.GoToFolder(out.path());
    Choices choices;
    choices.Banks = QStringLiteral("A");
    choices.Last = QStringLiteral("20");
    Answer(choices);
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil([&] { return !rig.dialogs.Messages.empty(); }, 20000));
    EXPECT_TRUE(rig.dialogs.Messages.front().Text.startsWith(
        "Procedure aborted: cannot write " + out.filePath("Bank A/")));
    EXPECT_FALSE(window.Link->Walk().Active());
    PumpUntil([] { return false; }, 1000); // ticks that would ask again
    EXPECT_EQ(rig.dialogs.Messages.size(), 1u);
    EXPECT_FALSE(rig.Log().contains("Last request timed out; restarting"));
}

TEST(Backup, StopsBeforeRequestingWithoutABankAndEndsTheListing) {
    Walk walk(false, true);
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    QTemporaryDir& out = walk.out;
    window.GoToFolder(out.path());
    const QString& pdf = walk.pdf;
    Choices choices;
    choices.Banks = QString();
    choices.Print = true;
    Answer(choices);
    window.miGetEachPreset->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Status() == "Invalid bank selection"; }, 10000));
    EXPECT_FALSE(window.Link->Walk().Active());
    EXPECT_FALSE(window.Link->Walk().Printing());
    EXPECT_TRUE(QFile::exists(pdf)) << "the print job begun after the dialog is ended";

    AnswerModal<TfrmBkupOpt>([](TfrmBkupOpt& dialog) {
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    });
    window.miGetEachPreset->trigger();
    EXPECT_TRUE(PumpUntil([&] { return rig.Status() == "Procedure cancelled"; }, 10000));
    EXPECT_FALSE(window.Link->Walk().Active());
}

// While a walk runs nothing else may change the bank, start another walk or a restore, or
// store: the commands are disabled, and opening the menu says why. What the walk says in the log
// is as it was.
TEST(Backup, WhileAWalkRunsNothingElseReachesTheUnitsBank) {
    Walk walk(false, true);
    MainRig& rig = walk.rig;
    TfrmMain& window = walk.window;
    walk.InFolder();
    TfrmPresetEditor* editor = window.NewPresetEditor();
    Choices choices;
    choices.Banks = QStringLiteral("C");
    choices.Last = QStringLiteral("12");
    choices.Print = true;
    Answer(choices);
    bool checked = false;
    auto* during = new QTimer(&window);
    QObject::connect(during, &QTimer::timeout, [&] {
        if (checked || !window.Link->Walk().Active())
            return;
        checked = true;
        for (QAction* command : {window.miSelectBank[0], window.miSelectBank[3],
                                 window.miGetEachPreset, window.miPrintPresetList,
                                 window.miSendPresets, window.miPrePlenova})
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
    QStringList titled;
    for (int slot = 0; slot < 12; ++slot)
        if (!UnitSlot(rig, 2, slot).Name.isEmpty())
            titled << UnitSlot(rig, 2, slot).Name;
    titled.sort();
    EXPECT_EQ(Files(walk.out.filePath("Bank C")), titled) << "every preset of bank C";
    const QStringList log = rig.Log();
    const QStringList said = {"Created subdirectory for bank C", "Begin processing of Bank C",
                              "Backup in progress", "Preset title print in progress",
                              "Press Ctrl-c to abort"};
    int at = -1;
    for (const QString& line : said) {
        const int found = log.indexOf(line, at + 1);
        EXPECT_GT(found, at) << line.toStdString();
        at = found;
    }
    editor->edtTitle->setText("x");
    rig.dialogs.Answers.push_back(QMessageBox::No);
    editor->close();
}

// A listing whose print job cannot begin stops before anything is asked for, and says why;
// lines another print kept from the page are not counted as listed.
TEST(Backup, AListingCountsOnlyWhatItPrinted) {
    {
        Walk walk(false, true);
        walk.rig.dialogs.Names.clear();
        walk.rig.dialogs.Names.push_back(walk.out.filePath("no such folder/list.pdf"));
        walk.InFolder();
        Choices choices;
        choices.Banks = QStringLiteral("A");
        choices.Save = false;
        choices.Print = true;
        Answer(choices);
        walk.window.miPrintPresetList->trigger();
        ASSERT_TRUE(PumpUntil([&] { return !walk.rig.dialogs.Messages.empty(); }, 10000));
        EXPECT_EQ(walk.rig.dialogs.Messages.front().Text,
                  "Procedure aborted: the preset listing cannot be printed");
        EXPECT_FALSE(walk.window.Link->Walk().Active());
        EXPECT_TRUE(walk.rig.Log().filter("Requested preset").isEmpty());
        EXPECT_FALSE(Shown(walk.rig.dialogs, "Procedure is complete"));
    }
    Walk walk(false, true);
    walk.InFolder();
    Choices choices;
    choices.Banks = QStringLiteral("A");
    choices.Last = QStringLiteral("10");
    choices.Save = false;
    choices.Print = true;
    Answer(choices);
    QTemporaryDir elsewhere;
    auto* other = new QTimer(&walk.window);
    QObject::connect(other, &QTimer::timeout, [&] {
        if (walk.window.Link->Walk().Counts().Listed < 3)
            return;
        other->stop();
        PrintToPdf(elsewhere.filePath("other.pdf")); // another report ends the listing's job
        ASSERT_TRUE(PrintBegin(walk.window.font()));
        PrintEnd();
    });
    other->start(5);
    walk.window.miPrintPresetList->trigger();
    ASSERT_TRUE(PumpUntil([&] { return Shown(walk.rig.dialogs, "Procedure is complete"); }, 20000));
    const int listed = walk.window.Link->Walk().Counts().Listed;
    EXPECT_LT(listed, 10);
    int rows = 0;
    for (const QString& line : PdfText(walk.pdf).split('\n'))
        rows += QRegularExpression("^\\s*A\\s+\\|\\s+\\d+\\s+\\|").match(line).hasMatch() ? 1 : 0;
    EXPECT_EQ(rows, listed);
    EXPECT_TRUE(walk.rig.Log()
                    .filter(QRegularExpression("^\\d+ listed, "))
                    .value(0)
                    .startsWith(QStringLiteral("%1 listed, 0 saved, ").arg(listed)));
}
