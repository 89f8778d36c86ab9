// The library window in the main window against the simulated unit, driven by keys and clicks:
// reading banks into it, the states against a backup the read wrote, fetching a slot again,
// searching, and a store and a restore showing in the slot's row and history.

#include "library/Library.h"

#include "base/CompareDialog.h"
#include "base/StorePrompt.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "library/ApplyChange.h"
#include "library/PresetDrag.h"
#include "library/ReadUnit.h"
#include "library/SlotHistory.h"
#include "library/WritePlan.h"
#include "link/DeviceLink.h"
#include "link/RestoreWalk.h"
#include "model/Mpt.h"
#include "model/Preset.h"
#include "model/PresetDiff.h"
#include "store/BackupFolder.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"
#include "support/FileBytes.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {
struct LibraryRig : MainRig {
    LibraryRig() : window(Start()) {
        QDir(ProgramDataFolder()).removeRecursively();
        window.CurrentFolder = folder.path() + QLatin1Char('/');
        window.activateWindow();
        // Where the platform cannot activate windows, the keys still reach the focused widget.
        static_cast<void>(QTest::qWaitForWindowActive(&window));
    }
    // Ctrl+L in the main window: the library, shown.
    TfrmLibrary& Open() {
        PressKey(&window, Qt::Key_L, Qt::ControlModifier);
        EXPECT_TRUE(PumpUntil([&] { return window.Library()->isVisible(); }));
        return *window.Library();
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
        readWhileBusy = 0;
        ASSERT_TRUE(PumpUntil(
            [&] {
                if (!window.Link->Busy())
                    return true;
                const std::vector<const TLibraryRow*> shown = library.ShownRows();
                readWhileBusy = std::max(
                    readWhileBusy, static_cast<int>(std::count_if(
                                       shown.begin(), shown.end(), [](const TLibraryRow* row) {
                                           return row->State != "never read";
                                       })));
                return false;
            },
            30000));
        PumpFor(50);
    }
    int readWhileBusy = 0; // the most rows shown as read while the last read ran
    std::string UnitTitle(int bank, int slot) { // 1-based slot
        std::string title;
        Unit([&](TPlenovaDevice& unit) {
            title = PresetTitleOf(
                unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)]);
            return true;
        });
        return title;
    }
    TBytes Slot(int bank, int slot) { // 1-based slot
        TBytes bytes;
        Unit([&](TPlenovaDevice& unit) {
            bytes = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)];
            return true;
        });
        return bytes;
    }
    // The library's window becomes the one the keys go to, its table focused.
    static void Activate(TfrmLibrary& library) {
        library.activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(&library));
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
    TfrmLibrary& library = rig.Open();

    // Bank A with a dated backup, bank B alone: exactly the unit's titles, told apart by state.
    rig.Read(library, "A", true);
    rig.Read(library, "B", false);
    // Each slot shows as it is read, not only once the read has ended.
    EXPECT_GT(rig.readWhileBusy, 200);
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
    ASSERT_EQ(rig.window.Link->Job<TRestoreWalk>().Run(plan).Verified, 1);
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

namespace {
// The mime data a drag of these rows out of the table carries, as the view starts the drag.
std::unique_ptr<QMimeData> Dragged(TfrmLibrary& library, const std::vector<int>& shownRows) {
    QModelIndexList indexes;
    for (const int row : shownRows)
        indexes << library.tblPresets->model()->index(row, 0);
    return std::unique_ptr<QMimeData>(library.tblPresets->model()->mimeData(indexes));
}

int ShownRow(TfrmLibrary& library, const QString& place) {
    const std::vector<const TLibraryRow*> shown = library.ShownRows();
    for (std::size_t i = 0; i < shown.size(); ++i)
        if (shown[i]->Place() == place)
            return static_cast<int>(i);
    return -1;
}

// Drops on the middle of the slot's row, in the library window's coordinates.
bool DropOnRow(TfrmLibrary& library, const QString& place, const QMimeData& data,
               Qt::KeyboardModifiers held = Qt::NoModifier) {
    const QModelIndex index = library.tblPresets->model()->index(ShownRow(library, place), 1);
    library.tblPresets->scrollTo(index);
    const QPoint at = library.tblPresets->viewport()->mapTo(
        &library, library.tblPresets->visualRect(index).center());
    return DropOn(library, at, data, held);
}

// The plan's lines as the dialog lists them, then Write (or Cancel).
void AnswerPlan(QStringList& lines, bool write) {
    AnswerModal<TfrmWritePlan>([&lines, write](TfrmWritePlan& plan) {
        for (int i = 0; i < plan.lstPlan->count(); ++i)
            lines << plan.lstPlan->item(i)->text();
        if (write)
            QTest::mouseClick(plan.btnWrite, Qt::LeftButton);
    });
}
} // namespace

// Bank A read; a drop of A 005 on A 002 is planned, confirmed and written; a drop cancelled writes
// nothing; Shift swaps two slots; F2 renames; Ctrl+Z undoes each step back and Ctrl+Y redoes one,
// the menu naming the step; an editor's store is a step too, which its "Undo last store" takes
// back, and its prompt says what the slot holds.
TEST(Library, WritesArePlannedVerifiedAndUndoneStepByStep) {
    LibraryRig rig;
    TfrmLibrary& library = rig.Open();
    rig.Read(library, "A", false);
    std::array<TBytes, 11> start;
    for (int slot = 1; slot <= 10; ++slot)
        start[slot] = rig.Slot(0, slot);
    const auto title = [&](int slot) { return QString::fromStdString(PresetTitleOf(start[slot])); };
    const auto holds = [&](int slot) { return rig.Slot(0, slot); };

    QStringList lines;
    AnswerPlan(lines, true);
    ASSERT_TRUE(DropOnRow(library, "A 002", *Dragged(library, {ShownRow(library, "A 005")})));
    ASSERT_TRUE(PumpUntil([&] { return !lines.isEmpty() && !rig.window.Link->Busy(); }));
    PumpFor(50);
    EXPECT_EQ(lines, QStringList({"A 002: " + title(2) + " \u2192 " + title(5) + "  (kept)"}));
    EXPECT_TRUE(SameDumpAnyDevice(holds(2), start[5]));
    EXPECT_EQ(rig.dialogs.Messages.back().Text.left(32), "1 written, 1 verified, 0 failed\n");

    lines.clear();
    AnswerPlan(lines, false);
    ASSERT_TRUE(DropOnRow(library, "A 003", *Dragged(library, {ShownRow(library, "A 006")})));
    ASSERT_TRUE(PumpUntil([&] { return !lines.isEmpty(); }));
    PumpFor(50);
    EXPECT_EQ(holds(3), start[3]) << "cancelled: nothing written";

    lines.clear();
    AnswerPlan(lines, true);
    ASSERT_TRUE(DropOnRow(library, "A 010", *Dragged(library, {ShownRow(library, "A 001")}),
                          Qt::ShiftModifier));
    ASSERT_TRUE(PumpUntil([&] { return !lines.isEmpty() && !rig.window.Link->Busy(); }));
    PumpFor(50);
    EXPECT_EQ(lines.size(), 2) << lines.join(" | ").toStdString();
    EXPECT_TRUE(SameDumpAnyDevice(holds(1), start[10]));
    EXPECT_TRUE(SameDumpAnyDevice(holds(10), start[1]));

    rig.Select(library, "A 004");
    AnswerModal<QInputDialog>([](QInputDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, "Renamed Here");
        PressKey(edit, Qt::Key_Return);
    });
    lines.clear();
    AnswerPlan(lines, true);
    PressKey(library.tblPresets, Qt::Key_F2);
    ASSERT_TRUE(PumpUntil([&] { return !lines.isEmpty() && !rig.window.Link->Busy(); }));
    PumpFor(50);
    EXPECT_EQ(PresetTitleOf(holds(4)), "Renamed Here");
    const TBytes renamed = holds(4);
    EXPECT_EQ(TBytes(renamed.begin() + 159, renamed.end()),
              TBytes(start[4].begin() + 159, start[4].end()));

    // The editor's store of A 007, from the library, with what the slot holds said.
    rig.Select(library, "A 007");
    PressKey(library.tblPresets, Qt::Key_Return);
    TfrmPresetEditor* editor = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<TfrmPresetEditor*>(widget); found && found->isVisible())
                editor = found;
        return editor != nullptr;
    }));
    editor->edtTitle->setFocus();
    editor->edtTitle->selectAll();
    QTest::keyClicks(editor->edtTitle, "Edited");
    QString said;
    AnswerModal<TfrmStorePrompt>([&](TfrmStorePrompt& prompt) {
        said = prompt.lblHolds->text();
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor->btnStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return PresetTitleOf(holds(7)) == "Edited"; }));
    PumpFor(50);
    EXPECT_EQ(said, "A 007 now holds: " + title(7) + ", read just now");

    // Undo, newest first: the store, the rename, the swap; then redo the swap.
    const QStringList steps = {"Undo store of Edited into A 007",
                               "Undo rename of A 004 to Renamed Here",
                               "Undo swap of A 001 and A 010"};
    EXPECT_EQ(library.miUndo->text(), steps[0]);
    QTest::mouseClick(editor->btnUndoStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return holds(7) == start[7] && !rig.window.Link->Busy(); }));
    EXPECT_EQ(library.miUndo->text(), steps[1]) << "the editor's undo is the journal's";
    for (int step = 1; step <= 2; ++step) {
        LibraryRig::Activate(library);
        PressKey(library.tblPresets, Qt::Key_Z, Qt::ControlModifier);
        ASSERT_TRUE(PumpUntil([&] { return !rig.window.Link->Busy(); }));
        PumpFor(50);
    }
    EXPECT_EQ(holds(4), start[4]);
    EXPECT_EQ(holds(1), start[1]);
    EXPECT_EQ(holds(10), start[10]);
    EXPECT_EQ(library.miRedo->text(), "Redo swap of A 001 and A 010");
    PressKey(library.tblPresets, Qt::Key_Y, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return !rig.window.Link->Busy() && holds(1) != start[1]; }));
    EXPECT_TRUE(SameDumpAnyDevice(holds(1), start[10]));
    EXPECT_TRUE(SameDumpAnyDevice(holds(2), start[5])) << "the drop stays: it was not undone";

    // Four presets dropped on A 020; Ctrl+C in the library while the second (or, on a slow
    // machine, the third) is written stops the plan after that one, and the rest stay as they
    // were.
    std::array<TBytes, 4> before;
    for (int i = 0; i < 4; ++i)
        before[static_cast<std::size_t>(i)] = rig.Slot(0, 20 + i);
    lines.clear();
    AnswerPlan(lines, true);
    auto* stopper = new QTimer(&library);
    QObject::connect(stopper, &QTimer::timeout, [&, stopper] {
        const QString job = library.lblJob->text();
        if (library.lblJob->isVisible() &&
            (job.contains("preset 2 of 4") || job.contains("preset 3 of 4"))) {
            // The window manager gives the library back the keys once the plan's box closed;
            // the keys are pressed once it has them.
            if (QApplication::activeWindow() != &library) {
                library.activateWindow();
                return;
            }
            stopper->stop();
            PressKey(library.tblPresets, Qt::Key_C, Qt::ControlModifier);
        }
    });
    stopper->start(5);
    ASSERT_TRUE(
        DropOnRow(library, "A 020",
                  *Dragged(library, {ShownRow(library, "A 011"), ShownRow(library, "A 012"),
                                     ShownRow(library, "A 013"), ShownRow(library, "A 014")})));
    ASSERT_TRUE(PumpUntil([&] {
        return !lines.isEmpty() && !rig.window.Link->Busy() &&
               rig.dialogs.Messages.back().Text.contains("written");
    }));
    EXPECT_EQ(lines.size(), 4);
    const QString stopped = rig.dialogs.Messages.back().Text;
    const int written = stopped.startsWith("Stopped by Ctrl+C: 2 written, 2 verified, 0 failed") ? 2
                        : stopped.startsWith("Stopped by Ctrl+C: 3 written, 3 verified, 0 failed")
                            ? 3
                            : 0;
    ASSERT_NE(written, 0) << stopped.toStdString();
    for (int i = written; i < 4; ++i)
        EXPECT_EQ(rig.Slot(0, 20 + i), before[static_cast<std::size_t>(i)]) << "A 02" << i;
    EXPECT_FALSE(library.prbJob->isVisible());
    EXPECT_EQ(library.miUndo->text(), "Undo drop of 4 presets into A 020..A 023");
}

// What the library remembers may be old (the unit was edited on its panel since): a swap and a
// rename write what the slots hold now, read again first, never the remembered presets.
TEST(Library, ASwapAndARenameWriteWhatTheSlotsHoldNow) {
    LibraryRig rig;
    const TBytes one = rig.Slot(0, 1), two = rig.Slot(0, 2), three = rig.Slot(0, 3);
    const TBytes old = Retitled(rig.Slot(1, 9), "Long Gone");
    for (int slot = 1; slot <= 3; ++slot)
        ASSERT_TRUE(rig.window.Memory()->Saw(0, slot, old, TSeenHow::Read).isEmpty());
    TfrmLibrary& library = rig.Open();
    QStringList lines;
    AnswerPlan(lines, true);
    ASSERT_TRUE(DropOnRow(library, "A 002", *Dragged(library, {ShownRow(library, "A 001")}),
                          Qt::ShiftModifier));
    ASSERT_TRUE(PumpUntil([&] { return !lines.isEmpty() && !rig.window.Link->Busy(); }));
    PumpFor(50);
    EXPECT_TRUE(SameDumpAnyDevice(rig.Slot(0, 1), two));
    EXPECT_TRUE(SameDumpAnyDevice(rig.Slot(0, 2), one));

    lines.clear();
    AnswerPlan(lines, true);
    rig.Select(library, "A 003");
    AnswerModal<QInputDialog>([](QInputDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, "Renamed");
        PressKey(edit, Qt::Key_Return);
    });
    PressKey(library.tblPresets, Qt::Key_F2);
    ASSERT_TRUE(PumpUntil([&] { return !lines.isEmpty() && !rig.window.Link->Busy(); }));
    PumpFor(50);
    EXPECT_TRUE(SameDumpAnyDevice(rig.Slot(0, 3), RetitledDump(three, "Renamed")));
}

// The library names the unit it shows in its title and follows the output chosen at once; the
// plan and the store prompt say which unit they write into, plainly when it is the simulated one.
TEST(Library, NamesTheUnitItShowsAndFollowsTheOutputAtOnce) {
    LibraryRig rig;
    const QString unit = kSimulatedDeviceName;
    const TBytes known = rig.Slot(0, 3);
    ASSERT_TRUE(rig.window.Memory()->Saw(0, 3, known, TSeenHow::Read).isEmpty());
    TfrmLibrary& library = rig.Open();
    EXPECT_EQ(library.windowTitle(), "Library - " + unit);
    const auto shownDump = [&] {
        const TLibraryRow* row = rig.Row(library, "A 003");
        return row == nullptr ? TBytes{1} : row->Dump;
    };
    EXPECT_EQ(shownDump(), known);

    rig.Select(library, "A 003");
    AnswerModal<QInputDialog>([](QInputDialog& dialog) {
        auto* edit = dialog.findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClicks(edit, "Not Written");
        PressKey(edit, Qt::Key_Return);
    });
    QStringList plan;
    AnswerModal<TfrmWritePlan>([&plan](TfrmWritePlan& dialog) {
        plan << dialog.windowTitle() << dialog.lblUnit->text();
        dialog.reject();
    });
    PressKey(library.tblPresets, Qt::Key_F2);
    ASSERT_TRUE(PumpUntil([&] { return !plan.isEmpty(); }));
    EXPECT_EQ(plan, QStringList({"Rename of A 003 to Not Written - simulated unit",
                                 "Into the simulated unit 'Quellfarn Plenova (simulated)' inside "
                                 "Quellfarn: no real processor is written."}));

    TfrmPresetEditor* editor = rig.window.NewPresetEditor();
    const auto storePrompt = [&] {
        QStringList said;
        AnswerModal<TfrmStorePrompt>([&said](TfrmStorePrompt& prompt) {
            said << prompt.windowTitle() << prompt.lblUnit->text();
            QTest::mouseClick(prompt.btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(editor->btnStore, Qt::LeftButton);
        EXPECT_TRUE(PumpUntil([&] { return !said.isEmpty(); }));
        return said;
    };
    EXPECT_EQ(storePrompt(), QStringList({"Store Preset - simulated unit",
                                          "Into the simulated unit 'Quellfarn Plenova "
                                          "(simulated)' inside Quellfarn: no real processor is "
                                          "written."}));

    rig.UseOutput("Loop");
    EXPECT_EQ(library.windowTitle(), "Library - Loop") << "at once";
    EXPECT_EQ(shownDump(), TBytes{}) << "nothing is known of the unit behind Loop";
    EXPECT_EQ(storePrompt(), QStringList({"Store Preset", "Into the unit on MIDI Out 'Loop'."}));
    rig.UseOutput(unit);
    EXPECT_EQ(library.windowTitle(), "Library - " + unit);
    EXPECT_EQ(shownDump(), known);
}

// An import reads a plain file of at most 16 MiB: a pipe or a device under a .syx name, or a
// larger file, is refused by name, unread.
// What a drop brings, without the window: the table's own drags come back whole; a drag from
// elsewhere (another program, a damaged one) brings only presets, and only slots the unit has.
TEST(Library, ADropBringsOnlyPresetsAndSlotsTheUnitHas) {
    const TBytes dump = TitledDump("Dropped");
    const auto row = [&](TLibrarySource source, int bank, int slot, TBytes bytes) {
        TLibraryRow made;
        made.Source = source;
        made.Bank = bank;
        made.Slot = slot;
        made.Dump = std::move(bytes);
        return made;
    };
    struct Case {
        const char* What;
        std::vector<TLibraryRow> Rows;
        int Cut;                                   // bytes cut off the end of the drag's data
        std::vector<std::pair<int, int>> Expected; // (bank, slot) of what comes back
    };
    const std::vector<Case> cases = {
        {"two of the unit's slots and a backup's file",
         {row(TLibrarySource::Unit, 0, 1, dump), row(TLibrarySource::Unit, 3, 200, dump),
          row(TLibrarySource::Backup, 1, 17, dump)},
         0,
         {{0, 1}, {3, 200}, {1, 17}}},
        {"slots the unit does not have",
         {row(TLibrarySource::Unit, 4, 1, dump), row(TLibrarySource::Unit, 0, 0, dump),
          row(TLibrarySource::Unit, 1, 201, dump), row(TLibrarySource::Unit, -2, 5, dump)},
         0,
         {}},
        {"what is not a preset", {row(TLibrarySource::Kept, -1, 0, {0xF0, 0x01, 0xF7})}, 0, {}},
        // The files the drag names come after the presets: 12 bytes for two slots.
        {"a drag cut short keeps the whole presets before the cut",
         {row(TLibrarySource::Unit, 2, 9, dump), row(TLibrarySource::Unit, 2, 10, dump)},
         12 + 10,
         {{2, 9}}},
    };
    for (const Case& c : cases) {
        std::vector<const TLibraryRow*> rows;
        for (const TLibraryRow& r : c.Rows)
            rows.push_back(&r);
        QByteArray bytes = EncodeDrag(rows);
        bytes.chop(c.Cut);
        QMimeData data;
        data.setData(PresetsMime(), bytes);
        std::vector<std::pair<int, int>> got;
        for (const TDragged& item : DecodeDrag(data)) {
            got.emplace_back(item.Bank, item.Slot);
            EXPECT_EQ(item.Dump, dump) << c.What;
        }
        EXPECT_EQ(got, c.Expected) << c.What;
    }

    // Files dropped from elsewhere: a preset file is one, anything else nothing.
    QTemporaryDir folder;
    const QString preset = folder.filePath("Dropped.syx");
    const QString text = folder.filePath("notes.txt");
    WriteWholeFile(preset, dump);
    WriteWholeFile(text, QByteArray("not a preset"));
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(text), QUrl::fromLocalFile(preset),
                   QUrl::fromLocalFile(folder.filePath("gone.syx"))});
    const std::vector<TDragged> dropped = DecodeDrag(files);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].Source, TLibrarySource::PresetFolder);
    EXPECT_EQ(dropped[0].Dump, dump);
}

TEST(Library, AnImportReadsOnlyAPlainFileOfAtMost16MiB) {
    LibraryRig rig;
    TfrmLibrary& library = rig.Open();
    const QString zero = rig.folder.filePath("zero.syx");
    const QString pipe = rig.folder.filePath("pipe.syx");
    const QString large = rig.folder.filePath("large.syx");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QFile(large).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::resize(large, 16 * 1024 * 1024 + 1));
    const std::pair<QString, QString> cases[] = {
        {zero, zero + " is not a plain file"},
        {pipe, pipe + " is not a plain file"},
        {large, large + " is too large (16777217 bytes; at most 16777216)"},
    };
    for (const auto& [file, said] : cases) {
        rig.dialogs.Names = {file};
        rig.dialogs.Messages.clear();
        LibraryRig::Activate(library);
        PressKey(library.tblPresets, Qt::Key_I, Qt::ControlModifier);
        ASSERT_TRUE(PumpUntil([&] { return !rig.dialogs.Messages.empty(); })) << file.toStdString();
        EXPECT_EQ(rig.dialogs.Messages[0].Text.toStdString(), said.toStdString());
    }
}

// A .syx file from elsewhere: its presets saved as files (none overwritten), its table opened in
// the table editor, the rest named; the selected slots exported as one file of their dumps.
TEST(Library, SyxFilesComeInAndGoOut) {
    LibraryRig rig;
    TfrmLibrary& library = rig.Open();
    rig.Read(library, "A", false);

    const TBytes one = rig.Slot(0, 1), two = rig.Slot(0, 2);
    TBytes file = one;
    for (const std::uint8_t junk : {0x90, 0x3C, 0x64})
        file.push_back(junk);
    file.insert(file.end(), two.begin(), two.end());
    const TBytes table = Tmpt().Encode();
    file.insert(file.end(), table.begin(), table.end());
    const QString syx = rig.folder.filePath("in.syx");
    ASSERT_EQ(WriteWholeFile(syx, file), "");
    const QString into = rig.folder.filePath("imported");
    QDir().mkpath(into);
    const QString taken = into + "/002 " + QString::fromStdString(PresetTitleOf(two)) + ".tmq";
    ASSERT_EQ(WriteWholeFile(taken, TBytes{1, 2, 3}), "");
    rig.dialogs.Names = {syx, into};
    rig.dialogs.Answers = {QMessageBox::No};
    rig.dialogs.Messages.clear();
    LibraryRig::Activate(library);
    PressKey(library.tblPresets, Qt::Key_I, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return rig.dialogs.Messages.size() >= 2; }));
    EXPECT_TRUE(rig.dialogs.Messages[0].Text.startsWith(
        "2 presets, 1 program table, 1 skipped\n\n3 bytes at offset 258 (90 3C 64): "))
        << rig.dialogs.Messages[0].Text.toStdString();
    EXPECT_TRUE(rig.dialogs.Messages[1].Text.startsWith("1 preset files written into " + into +
                                                        "; these were not:\n002 "))
        << rig.dialogs.Messages[1].Text.toStdString();
    EXPECT_EQ(FileBytes(into + "/001 " + QString::fromStdString(PresetTitleOf(one)) + ".tmq"), one);
    EXPECT_EQ(FileBytes(taken), (TBytes{1, 2, 3})) << "an existing file is never overwritten";
    QWidget* tableEditor = nullptr;
    EXPECT_TRUE(PumpUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->windowTitle().startsWith("ZOL Quellfarn MPT Editor"))
                tableEditor = widget;
        return tableEditor != nullptr;
    }));
    if (tableEditor != nullptr)
        tableEditor->close();

    rig.Select(library, "A 001");
    PressKey(library.tblPresets, Qt::Key_Down, Qt::ShiftModifier);
    const QString out = rig.folder.filePath("out");
    rig.dialogs.Names = {out};
    PressKey(library.tblPresets, Qt::Key_E, Qt::ControlModifier);
    TBytes both = one;
    both.insert(both.end(), two.begin(), two.end());
    EXPECT_EQ(FileBytes(out + ".syx"), both);

    // Saved into a folder: a slot named as a backup names it, a file of the preset folder (no
    // number) under its own name.
    const QString saved = rig.folder.filePath("saved");
    QDir().mkpath(saved);
    rig.dialogs.Names = {saved};
    QTest::mouseClick(library.btnSave, Qt::LeftButton);
    EXPECT_EQ(FileBytes(saved + "/" + QString::fromStdString(PresetTitleOf(one)) + ".tmq001"), one);
    EXPECT_EQ(FileBytes(saved + "/" + QString::fromStdString(PresetTitleOf(two)) + ".tmq002"), two);
    ASSERT_EQ(WriteWholeFile(rig.folder.filePath("Bare.tmq"), two), "");
    TfrmPresetEditor::LastPresetFolder = rig.folder.path(); // the editors' folder
    PressKey(library.tblPresets, Qt::Key_F5);
    library.tvwSources->setFocus();
    PressKey(library.tvwSources, Qt::Key_End); // the set lists, none yet
    PressKey(library.tvwSources, Qt::Key_Up);  // the kept copies
    PressKey(library.tvwSources, Qt::Key_Up);  // the preset folder
    ASSERT_TRUE(PumpUntil([&] { return library.ShownRows().size() == 1; }));
    LibraryRig::Activate(library);
    PressKey(library.tblPresets, Qt::Key_A, Qt::ControlModifier);
    const QString again = rig.folder.filePath("again");
    QDir().mkpath(again);
    rig.dialogs.Names = {again};
    QTest::mouseClick(library.btnSave, Qt::LeftButton);
    EXPECT_EQ(QDir(again).entryList(QDir::Files), QStringList{"Bare.tmq"});
    library.tvwSources->setFocus();
    PressKey(library.tvwSources, Qt::Key_Home); // the unit again
    ASSERT_TRUE(PumpUntil([&] { return library.ShownRows().size() >= 2; }));
    rig.Select(library, "A 001");
    PressKey(library.tblPresets, Qt::Key_Down, Qt::ShiftModifier);

    // The two selected, compared.
    QStringList compared;
    AnswerModal<TfrmCompare>([&](TfrmCompare& compare) { compared = compare.Lines(); });
    PressKey(library.tblPresets, Qt::Key_D, Qt::ControlModifier);
    ASSERT_TRUE(PumpUntil([&] { return !compared.isEmpty(); }));
    EXPECT_EQ(compared.first().toStdString(),
              "Title: " + PresetTitleOf(one) + " \u2192 " + PresetTitleOf(two));
}

// "Apply to selected..." over four slots: the preview names each change in the compare's words and
// the slot it leaves alone, and the slots that change are written as one step of the journal.
TEST(Library, ApplyToSelectedPreviewsThenWritesTheChangedSlotsAsOneStep) {
    LibraryRig rig;
    TfrmLibrary& library = rig.Open();
    rig.Read(library, "A", false);
    std::array<TBytes, 5> start;
    for (int slot = 1; slot <= 4; ++slot)
        start[static_cast<std::size_t>(slot)] = rig.Slot(0, slot);
    rig.Select(library, "A 001");
    for (int i = 0; i < 3; ++i)
        PressKey(library.tblPresets, Qt::Key_Down, Qt::ShiftModifier);
    ASSERT_EQ(library.SelectedRows().size(), 4U);

    QStringList preview;
    QString summary;
    AnswerModal<TfrmApplyChange>([&](TfrmApplyChange& dialog) {
        dialog.cbxKind->setCurrentIndex(1);
        dialog.cbxEffect->setCurrentText(QStringLiteral("Compressor"));
        dialog.cbxParameter->setCurrentText(QStringLiteral("drive"));
        TypeOver(dialog.edtValue, QStringLiteral("10%"));
        preview = dialog.PreviewLines();
        summary = dialog.lblSummary->text();
        QTest::mouseClick(dialog.btnsApply->button(QDialogButtonBox::Ok), Qt::LeftButton);
    });
    library.miApply->trigger();
    ASSERT_TRUE(PumpUntil([&] { return !rig.window.Link->Busy() && !preview.isEmpty(); }));
    PumpFor(50);
    const auto title = [&](int slot) {
        return QString::fromStdString(PresetTitleOf(start[static_cast<std::size_t>(slot)]));
    };
    EXPECT_EQ(
        preview,
        QStringList({"A 001 " + title(1), "    Compressor \u00b7 Drive: 78% \u2192 87%",
                     "A 002 " + title(2), "    Compressor \u00b7 Drive: 46% \u2192 56%",
                     "A 003 " + title(3), "    Compressor \u00b7 Drive: 78% \u2192 87%",
                     "Left as they are:",
                     "    A 004 " + title(4) + ": already 100% (kept at 100%, the highest)"}));
    EXPECT_EQ(summary, "Compressor \u00b7 Drive +10%: 3 of 4 presets change");
    for (int slot = 1; slot <= 4; ++slot) {
        const std::vector<TPresetChange> changes =
            DiffPresets(start[static_cast<std::size_t>(slot)], rig.Slot(0, slot));
        EXPECT_EQ(changes.size(), slot == 4 ? 0U : 1U) << slot;
    }
    EXPECT_EQ(library.miUndo->text().contains("Compressor \u00b7 Drive +10% in 3 slots"), true)
        << library.miUndo->text().toStdString();
}
