// The library's set lists in the main window against the simulated unit, driven by keys, drops
// and the menus: a set list made and filled by drops, reordered, trimmed and edited, each change
// written to its file; songs whose preset is gone marked; the program table made from a set list
// (refused across banks, else sent, read back, the old table kept); its presets placed into
// consecutive slots and undone; the unit's state marked and told against; and the programs of a
// table or a set list named for foot controllers and DAWs.

#include "library/ChangesDialog.h"
#include "library/ChooseSlot.h"
#include "library/GigView.h"
#include "library/Library.h"
#include "library/ReadUnit.h"
#include "library/SetListModel.h"
#include "library/WritePlan.h"
#include "model/Mpt.h"
#include "model/Preset.h"
#include "mpt/mpt_edit.h"
#include "store/SetListFiles.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTableWidgetItem>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

namespace {
struct SetListRig : MainRig {
    SetListRig() : window(Start()) {
        QDir(ProgramDataFolder()).removeRecursively();
        QDir(SetListFolder()).removeRecursively();
        window.CurrentFolder = folder.path() + QLatin1Char('/');
        window.activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(&window));
        PressKey(&window, Qt::Key_L, Qt::ControlModifier);
        EXPECT_TRUE(PumpUntil([&] { return window.Library()->isVisible(); }));
        window.Library()->activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(window.Library()));
    }
    ~SetListRig() { QDir(SetListFolder()).removeRecursively(); } // the other tests see none
    SetListRig(const SetListRig&) = delete;
    SetListRig& operator=(const SetListRig&) = delete;
    TfrmLibrary& Library() { return *window.Library(); }
    // "Read the unit..." of these banks ("AB") at 1 ms.
    void Read(const char* banks) {
        AnswerModal<TfrmReadUnit>([=](TfrmReadUnit& dialog) {
            for (int bank = 0; bank < 4; ++bank)
                if (dialog.chkBanks[bank]->isChecked() !=
                    (std::strchr(banks, 'A' + bank) != nullptr))
                    QTest::mouseClick(dialog.chkBanks[bank], Qt::LeftButton);
            TypeOver(dialog.edtDelay, "1");
            PressKey(dialog.edtDelay, Qt::Key_Return);
        });
        Library().btnRead->click();
        ASSERT_TRUE(PumpUntil([&] { return !window.Link->Busy(); }, 30000));
        PumpFor(50);
    }
    // (bank, slot): a place of the unit, bank first, as everywhere; the slot 1-based.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    TBytes Slot(int bank, int slot) {
        TBytes bytes;
        Unit([&](TPlenovaDevice& unit) {
            bytes = unit.Banks[static_cast<std::size_t>(bank)][static_cast<std::size_t>(slot - 1)];
            return true;
        });
        return bytes;
    }
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): bank first, as everywhere
    QString Title(int bank, int slot) {
        return QString::fromStdString(PresetTitleOf(Slot(bank, slot)));
    }
    // A set list file written as a user would write it, and shown.
    QString Write(const QString& name, const QByteArray& text) {
        QDir().mkpath(SetListFolder());
        const QString path = QDir(SetListFolder()).filePath(name + ".txt");
        EXPECT_EQ(WriteWholeFile(path, text), "");
        Library().Refresh();
        Library().ShowSource("setlist:" + path);
        return path;
    }
    // The answer to the next text box: the text typed over what it proposes.
    static void Answer(const QString& text) {
        AnswerModal<QInputDialog>([text](QInputDialog& dialog) {
            auto* edit = dialog.findChild<QLineEdit*>();
            edit->selectAll();
            QTest::keyClicks(edit, text);
            PressKey(edit, Qt::Key_Return);
        });
    }
    QStringList Column(int column) {
        QStringList texts;
        const QAbstractItemModel& songs = *Library().tblSongs->model();
        for (int row = 0; row < songs.rowCount(); ++row)
            texts << songs.index(row, column).data().toString();
        return texts;
    }
    void Select(int row) {
        QTableView& songs = *Library().tblSongs;
        songs.setFocus();
        songs.selectionModel()->setCurrentIndex(songs.model()->index(row, kSongTitle),
                                                QItemSelectionModel::ClearAndSelect |
                                                    QItemSelectionModel::Rows);
    }
    // F2 on the song's cell (row, column), the text typed over it, Enter.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void EditCell(int row, int column, const QString& text) {
        QTableView& songs = *Library().tblSongs;
        songs.setFocus();
        songs.setCurrentIndex(songs.model()->index(row, column));
        PressKey(&songs, Qt::Key_F2);
        auto* editor = songs.findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->selectAll();
        QTest::keyClicks(editor, text);
        PressKey(editor, Qt::Key_Return);
        PumpFor(20);
    }
    QString LastMessage() const { return dialogs.Messages.back().Text; }

    QTemporaryDir folder;
    TfrmMain& window;
};

QByteArray FileText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The mime data a drag of these places out of the presets table carries.
std::unique_ptr<QMimeData> DraggedPlaces(TfrmLibrary& library, const QStringList& places) {
    QModelIndexList indexes;
    const std::vector<const TLibraryRow*> shown = library.ShownRows();
    for (std::size_t row = 0; row < shown.size(); ++row)
        if (places.contains(shown[row]->Place()))
            indexes << library.tblPresets->model()->index(static_cast<int>(row), 0);
    return std::unique_ptr<QMimeData>(library.tblPresets->model()->mimeData(indexes));
}

// Drops on the middle of a widget's point, in the library window's coordinates.
bool DropAt(TfrmLibrary& library, QWidget* widget, const QPoint& at, const QMimeData& data) {
    return DropOn(library, widget->mapTo(&library, at), data);
}
} // namespace

TEST(LibrarySetLists, AreMadeFilledByDropsReorderedTrimmedAndEditedEachChangeWrittenWhole) {
    SetListRig rig;
    TfrmLibrary& library = rig.Library();
    rig.Read("A");
    const QString a3 = rig.Title(0, 3), a5 = rig.Title(0, 5);

    rig.Answer("Friday");
    library.miNewSetList->trigger();
    const QString path = QDir(SetListFolder()).filePath("Friday.txt");
    ASSERT_TRUE(PumpUntil([&] { return library.ShownSetList() == path; }));
    EXPECT_EQ(FileText(path), "");

    // Two slots dropped on the set list's entry in the sources, one preset file on the songs.
    library.ShowSource("unit:0");
    const auto dragged = DraggedPlaces(library, {"A 005", "A 003"});
    QTreeWidgetItem* entry =
        library.tvwSources->findItems("Friday", Qt::MatchExactly | Qt::MatchRecursive)[0];
    ASSERT_TRUE(DropAt(library, library.tvwSources->viewport(),
                       library.tvwSources->visualItemRect(entry).center(), *dragged));
    PumpFor(50);
    const QString file = rig.folder.filePath("Walking.tmq");
    ASSERT_EQ(WriteWholeFile(file, TitledDump("Walking Bass")), "");
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(file)});
    library.ShowSource("setlist:" + path);
    ASSERT_TRUE(DropAt(library, library.tblSongs->viewport(), QPoint(20, 200), files));
    ASSERT_TRUE(PumpUntil([&] { return library.tblSongs->model()->rowCount() == 3; }));
    EXPECT_EQ(rig.Column(kSongPreset), QStringList({"A 003", "A 005", "Walking.tmq"}));
    EXPECT_EQ(rig.Column(kSongPresetTitle), QStringList({a3, a5, "Walking Bass"}));

    // Alt+Down moves the first song below the second; Delete removes the chosen one.
    rig.Select(0);
    PressKey(library.tblSongs, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(rig.Column(kSongTitle), QStringList({a5, a3, "Walking Bass"}));
    EXPECT_EQ(library.tblSongs->currentIndex().row(), 1) << "the moved song stays chosen";
    PressKey(library.tblSongs, Qt::Key_Up, Qt::AltModifier);
    PressKey(library.tblSongs, Qt::Key_Down, Qt::AltModifier);
    rig.Select(0);
    PressKey(library.tblSongs, Qt::Key_Delete);
    EXPECT_EQ(rig.Column(kSongTitle), QStringList({a3, "Walking Bass"}));

    // A title and a note edited in place (F2, typed, Enter).
    rig.EditCell(1, kSongTitle, "Opener");
    rig.EditCell(0, kSongNote, "E minor, 96 bpm");
    ASSERT_TRUE(PumpUntil([&] { return rig.Column(kSongNote)[0] == "E minor, 96 bpm"; }));
    EXPECT_EQ(FileText(path), (a3 + " = A003 ; E minor, 96 bpm\nOpener = " + file + "\n").toUtf8());

    // A title the file cannot hold is refused and said; the file and the songs stay.
    rig.EditCell(1, kSongTitle, "# not a title");
    ASSERT_TRUE(PumpUntil([&] { return rig.LastMessage().startsWith("Friday was not changed"); }));
    PumpFor(20);
    EXPECT_EQ(rig.Column(kSongTitle)[1], "Opener");
    EXPECT_EQ(FileText(path), (a3 + " = A003 ; E minor, 96 bpm\nOpener = " + file + "\n").toUtf8());

    // F11 plays the set from the chosen song; the set as text goes to the clipboard.
    rig.Select(1);
    library.activateWindow();
    QApplication::setActiveWindow(&library);
    PressKey(library.tblSongs, Qt::Key_F11);
    TfrmGig* gig = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* shown = qobject_cast<TfrmGig*>(widget);
                shown != nullptr && shown->isVisible())
                gig = shown;
        return gig != nullptr;
    }));
    EXPECT_EQ(gig->lblPosition->text(), "2 / 2");
    EXPECT_EQ(gig->lblTitle->text(), "Opener");
    // Esc closes the view, and it frees itself.
    const QPointer<TfrmGig> left(gig);
    PressKey(gig, Qt::Key_Escape);
    EXPECT_TRUE(PumpUntil([&] { return left.isNull(); }));
    library.miCopySetSheet->trigger();
    EXPECT_TRUE(QApplication::clipboard()->text().contains("Opener"));

    // Duplicated, then the copy deleted after a yes.
    rig.Answer("Friday late");
    library.miDuplicateSetList->trigger();
    const QString copy = QDir(SetListFolder()).filePath("Friday late.txt");
    ASSERT_TRUE(PumpUntil([&] { return library.ShownSetList() == copy; }));
    EXPECT_EQ(FileText(copy), FileText(path));
    rig.dialogs.Answers.push_back(QMessageBox::Yes);
    library.miDeleteSetList->trigger();
    EXPECT_FALSE(QFile::exists(copy));
    EXPECT_TRUE(QFile::exists(path));
}

// A hand-written file: its bad lines named and kept through a change; a song whose file is gone
// and one whose slot was never read marked, each saying why.
TEST(LibrarySetLists, MarkSongsWhosePresetIsMissingAndKeepLinesThatAreNoSong) {
    SetListRig rig;
    TfrmLibrary& library = rig.Library();
    rig.Read("A");
    const QString path = rig.Write("Saturday", "# Saturday\n"
                                               "Intro = A002\n"
                                               "Ballad = E017\n"
                                               "Gone = /nowhere/gone.tmq ; loud\n"
                                               "Late = B017\n");
    EXPECT_TRUE(library.lblSetList->isVisible());
    EXPECT_TRUE(library.lblSetList->text().contains("line 3: "))
        << library.lblSetList->text().toStdString();
    EXPECT_EQ(rig.Column(kSongTitle), QStringList({"Intro", "Gone", "Late"}));
    EXPECT_EQ(rig.Column(kSongState),
              QStringList({"", "missing: the file /nowhere/gone.tmq is gone",
                           "missing: the library does not know what B 017 holds: read it from "
                           "the unit"}));
    EXPECT_EQ(rig.Column(kSongPresetTitle)[0], rig.Title(0, 2));

    // Neither a table nor a placing goes by a list with a line that is no song.
    library.miMakeTable->trigger();
    EXPECT_TRUE(rig.LastMessage().startsWith("The set list has lines that are no song"));

    rig.Select(0);
    PressKey(library.tblSongs, Qt::Key_Delete);
    EXPECT_EQ(FileText(path), "# Saturday\nBallad = E017\nGone = /nowhere/gone.tmq ; loud\n"
                              "Late = B017\n");
}

// Across banks no table can be made, and the songs are named; in one bank the table is made from
// the unit's own, shown, sent, read back, and the table it replaced kept. Placed from D 181, the
// set is one verified step that Undo takes back; the changes since a mark name the slots.
TEST(LibrarySetLists, MakeTheTableOrPlaceThePresetsAndTellTheChangesSinceAMark) {
    SetListRig rig;
    TfrmLibrary& library = rig.Library();
    rig.Read("AB");
    rig.Write("Mixed", "One = A001\nTwo = B002\n");
    library.miMakeTable->trigger();
    EXPECT_TRUE(rig.LastMessage().contains("\"Two\"")) << rig.LastMessage().toStdString();
    EXPECT_TRUE(rig.window.TableEditors().empty());

    // The unit's table maps program 5 to preset 9 beforehand: the set leaves it so.
    rig.Unit([](TPlenovaDevice& unit) {
        unit.Table.MptEntries[4] = 8;
        return true;
    });
    rig.Write("Bank B", "Bass = B003\nSlap = B001\n");
    library.miMakeTable->trigger();
    ASSERT_EQ(rig.window.TableEditors().size(), 1u);
    TfrmMPTEdit& editor = *rig.window.TableEditors().front();
    EXPECT_EQ(editor.DataCells()[0]->text(), "003");
    EXPECT_EQ(editor.DataCells()[1]->text(), "001");
    EXPECT_EQ(editor.DataCells()[4]->text(), "009");
    rig.dialogs.Answers.push_back(QMessageBox::Yes);
    QTest::mouseClick(editor.btnSendOut, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return rig.LastMessage().startsWith("The unit's program table"); }))
        << rig.LastMessage().toStdString();
    EXPECT_TRUE(rig.Unit([](TPlenovaDevice& unit) {
        return unit.Table.MptEntries[0] == 2 && unit.Table.MptEntries[1] == 0 &&
               unit.Table.MptEntries[4] == 8;
    }));
    const QStringList kept =
        QDir(QDir(rig.window.Memory()->Folder()).filePath("tables")).entryList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept[0].endsWith(" before Bank B.mpt"));
    EXPECT_TRUE(rig.LastMessage().contains(kept[0]));

    // Marked before the set is placed.
    rig.Answer("Before");
    library.miMark->trigger();
    EXPECT_TRUE(rig.LastMessage().startsWith("Marked \"Before\": 400 slots and the program table"))
        << rig.LastMessage().toStdString();

    // Placed from D 181: the plan lists both slots; written, verified; Undo puts D back.
    rig.Write("Mixed", "One = A001\nTwo = B002\n");
    const TBytes d181 = rig.Slot(3, 181), d182 = rig.Slot(3, 182); // bank D never read
    AnswerModal<TfrmChooseSlot>([](TfrmChooseSlot& dialog) {
        dialog.cbxBank->setCurrentIndex(3);
        dialog.spnSlot->setValue(181);
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    QStringList lines;
    AnswerModal<TfrmWritePlan>([&lines](TfrmWritePlan& plan) {
        for (int i = 0; i < plan.lstPlan->count(); ++i)
            lines << plan.lstPlan->item(i)->text();
        QTest::mouseClick(plan.btnWrite, Qt::LeftButton);
    });
    QTest::mouseClick(library.btnPlace, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return !lines.isEmpty() && !rig.window.Link->Busy(); }, 20000));
    PumpFor(50);
    EXPECT_EQ(lines, QStringList({"D 181: (not read yet) \u2192 " + rig.Title(0, 1),
                                  "D 182: (not read yet) \u2192 " + rig.Title(1, 2)}));
    EXPECT_TRUE(SameDumpAnyDevice(rig.Slot(3, 181), rig.Slot(0, 1)));
    EXPECT_TRUE(SameDumpAnyDevice(rig.Slot(3, 182), rig.Slot(1, 2)));

    // The changes since the mark: the two slots, new to the memory.
    QStringList changes;
    AnswerModal<QInputDialog>([](QInputDialog& dialog) { dialog.accept(); });
    AnswerModal<TfrmChanges>(
        [&changes](TfrmChanges& dialog) {
            changes = dialog.memChanges->toPlainText().split('\n');
            QTest::mouseClick(dialog.btnCopy, Qt::LeftButton);
        },
        20000);
    library.miChanges->trigger();
    ASSERT_EQ(changes.size(), 2) << changes.join(" | ").toStdString();
    EXPECT_TRUE(changes[0].startsWith("D 181: ")) << changes[0].toStdString();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(changes[1]));

    library.miUndo->trigger();
    ASSERT_TRUE(PumpUntil([&] { return !rig.window.Link->Busy(); }, 20000));
    EXPECT_EQ(rig.Slot(3, 181), d181);
    EXPECT_EQ(rig.Slot(3, 182), d182);
}

// The table editor's programs named by the titles of the bank chosen, as the unit's memory holds
// them: the whole CSV, a MIDNAM document a DAW can read, the names as text.
TEST(ProgramNames, TheTableEditorExportsCsvAndMidnamAndCopiesText) {
    SetListRig rig;
    TUnitMemory& memory = *rig.window.Memory();
    ASSERT_EQ(memory.Saw(1, 17, TitledDump("Slap Funk"), TSeenHow::Read), "");
    ASSERT_EQ(memory.Saw(1, 18, TitledDump("Dub, \"Oct\""), TSeenHow::Read), "");
    ASSERT_EQ(memory.Saw(0, 17, TitledDump("Bank A's"), TSeenHow::Read), "");
    TfrmMPTEdit& editor = *rig.window.NewMptEditor();
    const std::vector<QTableWidgetItem*> cells = editor.DataCells();
    cells[0]->setText("017");
    cells[1]->setText("018");
    cells[2]->setText("17");
    const auto bank = [](const char* chosen) {
        AnswerModal<QInputDialog>([chosen](QInputDialog& dialog) {
            dialog.setTextValue(chosen);
            dialog.accept();
        });
    };

    const QString csv = rig.folder.filePath("names.csv");
    bank("Bank B");
    rig.dialogs.Names.push_back(csv);
    editor.miExportNames->trigger();
    QByteArray expected = "Program,Preset,Name\r\n"
                          "1,17,Slap Funk\r\n"
                          "2,18,\"Dub, \"\"Oct\"\"\"\r\n"
                          "3,17,Slap Funk\r\n";
    // The others call up the preset of their number: 17 and 18 have their titles too.
    for (int program = 4; program <= 200; ++program)
        expected += program == 17   ? QByteArray("17,17,Slap Funk\r\n")
                    : program == 18 ? QByteArray("18,18,\"Dub, \"\"Oct\"\"\"\r\n")
                                    : QStringLiteral("%1,%1,Preset %2\r\n")
                                          .arg(program)
                                          .arg(program, 3, 10, QLatin1Char('0'))
                                          .toUtf8();
    EXPECT_EQ(FileText(csv).toStdString(), expected.toStdString());

    const QString midnam = rig.folder.filePath("Plenova.midnam");
    bank("Bank B");
    rig.dialogs.Names.push_back(midnam);
    editor.miExportNames->trigger();
    QXmlStreamReader xml(FileText(midnam));
    std::map<QString, QString> patches; // number to name
    while (!xml.atEnd())
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"Patch") {
            patches[xml.attributes().value("Number").toString()] =
                xml.attributes().value("Name").toString();
        }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(patches.size(), 200u);
    EXPECT_EQ(patches["1"], "Slap Funk");
    EXPECT_EQ(patches["2"], "Dub, \"Oct\"");
    EXPECT_EQ(patches["4"], "Preset 004");

    // As text, by bank A's titles when bank A is chosen.
    bank("Bank A");
    editor.miCopyNames->trigger();
    const QStringList text = QApplication::clipboard()->text().split('\n');
    ASSERT_EQ(text.size(), 201); // and the empty one after the last line
    EXPECT_EQ(text[0], "  1  017  Bank A's");
    editor.MptModified = false;
    editor.close();
}

// A set list's names: refused with the songs named, asking for no file, when they lie in more
// than one bank; in one bank its programs carry the songs' titles, the others as the unit's
// table has them.
TEST(ProgramNames, ASetListIsNamedByItsSongsOrRefusedAcrossBanks) {
    SetListRig rig;
    TfrmLibrary& library = rig.Library();
    ASSERT_EQ(rig.window.Memory()->Saw(1, 9, TitledDump("Fuzz"), TSeenHow::Read), "");
    const QString csv = rig.folder.filePath("set.csv");
    rig.dialogs.Names.push_back(csv);

    rig.Write("Mixed", "One = A001\nTwo = B002\nThree = C001\n");
    library.miExportSetNames->trigger();
    EXPECT_TRUE(rig.LastMessage().contains("\"Two\"")) << rig.LastMessage().toStdString();
    EXPECT_TRUE(rig.LastMessage().contains("\"Three\"")) << rig.LastMessage().toStdString();
    EXPECT_FALSE(QFile::exists(csv));
    EXPECT_EQ(rig.dialogs.Names.size(), 1u) << "no file asked for";

    // The unit's table sends program 4 to preset 9: the set leaves it so.
    rig.Unit([](TPlenovaDevice& unit) {
        unit.Table.MptEntries[3] = 8;
        return true;
    });
    rig.Write("Bank B", "Bass = B003\nSlap, loud = B001\n");
    library.miExportSetNames->trigger();
    EXPECT_TRUE(FileText(csv).startsWith("Program,Preset,Name\r\n"
                                         "1,3,Bass\r\n"
                                         "2,1,\"Slap, loud\"\r\n"
                                         "3,3,Preset 003\r\n"
                                         "4,9,Fuzz\r\n"
                                         "5,5,Preset 005\r\n"))
        << FileText(csv).left(200).toStdString();
}
