// The library window in the main window against the simulated unit, driven by keys and clicks:
// reading banks into it, the states against a backup the read wrote, fetching a slot again,
// searching, and a store and a restore showing in the slot's row and history.

#include "library/Library.h"

#include "base/StorePrompt.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "link/DeviceLink.h"
#include "link/RestoreWalk.h"
#include "link/UnitMemory.h"
#include "model/Preset.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
struct LibraryRig : MainRig {
    LibraryRig() : window(Start()) {
        QDir(ProgramDataFolder()).removeRecursively();
        window.CurrentFolder = folder.path() + QLatin1Char('/');
        window.activateWindow();
        QTest::qWaitForWindowActive(&window);
    }
    // "Read the unit..." of these banks ("AB") at 1 ms, with a dated backup or without.
    void Read(TfrmLibrary& library, const char* banks, bool backUp) {
        AnswerModal<TfrmReadUnit>([=](TfrmReadUnit& dialog) {
            for (int bank = 0; bank < 4; ++bank)
                if (dialog.chkBanks[bank]->isChecked() !=
                    (std::strchr(banks, 'A' + bank) != nullptr))
                    QTest::mouseClick(dialog.chkBanks[bank], Qt::LeftButton);
            if (backUp)
                QTest::mouseClick(dialog.chkBackUp, Qt::LeftButton);
            TypeOver(dialog.edtDelay, "1");
            PressKey(dialog.edtDelay, Qt::Key_Return);
        });
        Activate(library);
        PressKey(library.tblPresets, Qt::Key_R, Qt::ControlModifier);
        ASSERT_TRUE(PumpUntil([&] { return !window.Link->Busy(); }, 30000));
        PumpFor(50);
    }
    std::string UnitTitle(int bank, int slot) { // 1-based slot
        std::string title;
        Unit([&](TPlenovaDevice& unit) {
            title = PresetTitleOf(
                unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)]);
            return true;
        });
        return title;
    }
    // The library's window becomes the one the keys go to, its table focused.
    static void Activate(TfrmLibrary& library) {
        library.activateWindow();
        QTest::qWaitForWindowActive(&library);
        library.tblPresets->setFocus();
    }
    // Selects the shown row of the slot with the arrow keys, from the top of the table.
    void Select(TfrmLibrary& library, const QString& place) {
        Activate(library);
        PressKey(library.tblPresets, Qt::Key_Home, Qt::ControlModifier);
        const std::vector<const TLibraryRow*> shown = library.ShownRows();
        for (const TLibraryRow* row : shown) {
            if (row->Place() == place)
                return;
            PressKey(library.tblPresets, Qt::Key_Down);
        }
    }
    const TLibraryRow* Row(TfrmLibrary& library, const QString& place) {
        for (const TLibraryRow* row : library.ShownRows())
            if (row->Place() == place)
                return row;
        return nullptr;
    }

    QTemporaryDir folder;
    TfrmMain& window;
};
} // namespace

TEST(Library, ReadsBanksToldAgainstABackupAndShowsWhatStoresAndRestoresDo) {
    LibraryRig rig;
    PressKey(&rig.window, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return rig.window.Library()->isVisible(); }));
    TfrmLibrary& library = *rig.window.Library();

    // Bank A with a dated backup, bank B alone: exactly the unit's titles, told apart by state.
    rig.Read(library, "A", true);
    rig.Read(library, "B", false);
    const QString backup =
        QDir(rig.folder.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot).value(0);
    ASSERT_TRUE(backup.startsWith("Backup 20")) << backup.toStdString();
    const std::vector<const TLibraryRow*> rows = library.ShownRows();
    ASSERT_EQ(rows.size(), 800u);
    for (const TLibraryRow* row : rows) {
        SCOPED_TRACE(row->Place().toStdString());
        if (row->Bank >= 2) {
            EXPECT_EQ(row->State, "never read");
            continue;
        }
        EXPECT_EQ(row->Title.toStdString(), rig.UnitTitle(row->Bank, row->Slot));
        EXPECT_EQ(row->State, (row->Bank == 0 ? "same as " : "not in any backup") +
                                  (row->Bank == 0 ? backup : QString()));
    }

    // The unit's A 002 changes behind the program's back; F5 reads it again.
    rig.Unit([](TPlenovaDevice& unit) {
        unit.Banks[0][1][20] ^= 0x01; // a letter of the title
        return true;
    });
    rig.Select(library, "A 002");
    PressKey(library.tblPresets, Qt::Key_F5);
    ASSERT_TRUE(PumpUntil([&] { return rig.Row(library, "A 002")->State.startsWith("changed"); }));
    EXPECT_EQ(rig.Row(library, "A 002")->State, "changed since " + backup);
    EXPECT_EQ(rig.Row(library, "A 002")->Title.toStdString(), rig.UnitTitle(0, 2));
    EXPECT_EQ(rig.Row(library, "A 003")->State, "same as " + backup) << "only that slot";

    // Search: a title typed, then a term that cannot be understood.
    PressKey(library.tblPresets, Qt::Key_F, Qt::ControlModifier);
    ASSERT_TRUE(library.edtSearch->hasFocus());
    QTest::keyClicks(library.edtSearch, QString::fromStdString(rig.UnitTitle(1, 7)));
    ASSERT_FALSE(library.ShownRows().empty());
    for (const TLibraryRow* row : library.ShownRows())
        EXPECT_TRUE(
            row->Title.contains(QString::fromStdString(rig.UnitTitle(1, 7)), Qt::CaseInsensitive));
    QTest::keyClicks(library.edtSearch, " driev>5");
    EXPECT_TRUE(library.lblSearch->isVisible());
    EXPECT_EQ(library.lblSearch->text(), "no parameter called 'driev'");
    library.edtSearch->clear();

    // Enter on B 007 opens it; its store proposes B 007 and shows in the row and the history.
    rig.Select(library, "B 007");
    const QString before = QString::fromStdString(rig.UnitTitle(1, 7));
    PressKey(library.tblPresets, Qt::Key_Return);
    TfrmPresetEditor* editor = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<TfrmPresetEditor*>(widget); found && found->isVisible())
                editor = found;
        return editor != nullptr;
    }));
    TypeOver(editor->edtTitle, "Moved On");
    QString proposed, bank;
    AnswerModal<TfrmStorePrompt>([&](TfrmStorePrompt& prompt) {
        proposed = prompt.edtPresetNo->text();
        bank = prompt.lblBank->text();
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor->btnStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return rig.Row(library, "B 007")->Title == "Moved On"; }, 10000));
    EXPECT_EQ(proposed, "7");
    EXPECT_EQ(bank, "in bank B");
    EXPECT_EQ(rig.UnitTitle(1, 7), "Moved On");
    EXPECT_EQ(rig.UnitTitle(0, 7), rig.Row(library, "A 007")->Title.toStdString())
        << "the unit's bank A untouched";

    // A restore of A 003 shows too; the history lists what the slot held and how.
    std::vector<TRestoreItem> plan(1);
    plan[0].Bank = 0;
    plan[0].Slot = 3;
    plan[0].Dump = TitledDump("Put Back");
    ASSERT_EQ(rig.window.Link->Restore().Run(plan).Verified, 1);
    ASSERT_TRUE(PumpUntil([&] { return rig.Row(library, "A 003")->Title == "Put Back"; }));
    EXPECT_EQ(rig.Row(library, "A 003")->State, "changed since " + backup);
    rig.Select(library, "B 007");
    QStringList history;
    AnswerModal<TfrmSlotHistory>([&](TfrmSlotHistory& dialog) {
        for (int i = 0; i < dialog.lvwVersions->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* item = dialog.lvwVersions->topLevelItem(i);
            history << item->text(0) + " " + item->text(2) + " " + item->text(4) + " " +
                           item->text(5);
        }
    });
    PressKey(library.tblPresets, Qt::Key_H, Qt::ControlModifier);
    ASSERT_EQ(history.size(), 2) << history.join(" | ").toStdString();
    EXPECT_EQ(history[0], before + " read kept before a store ");
    EXPECT_EQ(history[1], "Moved On stored stored in the slot now");
}
