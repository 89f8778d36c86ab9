// The library's tags, ratings and notes as a user meets them: typed into the table's cells,
// shown on every copy of the preset, found by the search, written beside an exported .syx file
// and taken back by its import on a library that had none; and the duplicates marked.

#include "library/DuplicatesDialog.h"
#include "library/Library.h"
#include "library/LibraryModel.h"
#include "store/NoteStore.h"
#include "store/UnitMemory.h"
#include "support/ModalAnswer.h"
#include "support/PumpUntil.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPresets.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {
void WritePresetFile(const QString& path, const TBytes& dump) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(dump.data()), static_cast<qint64>(dump.size()));
}

struct NotesRig {
    NotesRig() {
        QDir(ProgramDataFolder()).removeRecursively();
        QDir().mkpath(folder.filePath(QStringLiteral("presets")));
        library.OnPlaces = [this] {
            TLibraryPlaces places;
            places.PresetFolder = folder.filePath(QStringLiteral("presets"));
            return places;
        };
        library.show();
    }
    // The shown row of the file, -1 when it is not shown.
    int RowOf(const QString& name) const {
        const std::vector<const TLibraryRow*> shown = library.ShownRows();
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (shown[i]->Place() == name)
                return static_cast<int>(i);
        return -1;
    }
    QString Cell(const QString& name, int column) const {
        const QAbstractItemModel* model = library.tblPresets->model();
        return model->data(model->index(RowOf(name), column)).toString();
    }
    // Typed into the cell as a user types into it, and Enter.
    void Type(const QString& name, int column, const QString& text) {
        QAbstractItemModel* model = library.tblPresets->model();
        library.tblPresets->setFocus();
        library.tblPresets->setCurrentIndex(model->index(RowOf(name), column));
        QTest::keyClick(library.tblPresets, text.at(0).toLatin1());
        QWidget* editor = library.tblPresets->indexWidget(library.tblPresets->currentIndex());
        ASSERT_NE(editor, nullptr) << "typing starts an edit";
        QTest::keyClicks(editor, text.mid(1));
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor hands its text over once the key's event is done.
        EXPECT_TRUE(PumpUntil([&] {
            return library.tblPresets->indexWidget(library.tblPresets->currentIndex()) == nullptr;
        }));
    }

    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    TfrmLibrary library;
};
} // namespace

TEST(LibraryNotes, TypedNotesShowOnEveryCopyAreFoundAndTravelThroughExportAndImport) {
    NotesRig rig;
    const QString presets = rig.folder.filePath(QStringLiteral("presets"));
    const TBytes hymn = PresetWith({1}, {"Reverb 1"}).Encode();
    WritePresetFile(presets + QStringLiteral("/Hymn.tmq"), Retitled(hymn, "Hymn"));
    WritePresetFile(presets + QStringLiteral("/Hymn copy.tmq"), Retitled(hymn, "Hymn copy"));
    WritePresetFile(presets + QStringLiteral("/Slap.tmq"), PresetWith({3}, {}).Encode());
    rig.library.ShowSource(QStringLiteral("presets"));
    ASSERT_EQ(rig.library.ShownRows().size(), 3u);

    rig.Type(QStringLiteral("Hymn.tmq"), kTags, QStringLiteral("live, church"));
    rig.Type(QStringLiteral("Hymn.tmq"), kRating, QStringLiteral("2"));
    rig.Type(QStringLiteral("Hymn.tmq"), kNote, QStringLiteral("for the church gig"));
    for (const QString name : {QStringLiteral("Hymn.tmq"), QStringLiteral("Hymn copy.tmq")}) {
        EXPECT_EQ(rig.Cell(name, kTags), QStringLiteral("live, church")) << name.toStdString();
        EXPECT_EQ(rig.Cell(name, kRating), QStringLiteral("\u2605\u2605\u2606"));
        EXPECT_EQ(rig.Cell(name, kNote), QStringLiteral("for the church gig"));
    }
    EXPECT_EQ(rig.Cell(QStringLiteral("Slap.tmq"), kTags), QString());
    // A rating beyond three stars is refused with the reason, and nothing changes.
    rig.Type(QStringLiteral("Slap.tmq"), kRating, QStringLiteral("7"));
    EXPECT_TRUE(rig.dialogs.Texts().join(' ').contains(QStringLiteral("0 to 3 stars")));
    EXPECT_EQ(rig.Cell(QStringLiteral("Slap.tmq"), kRating), QString());

    rig.library.edtSearch->setText(QStringLiteral("tag:church rating>=2 reverb"));
    EXPECT_EQ(rig.library.ShownRows().size(), 2u);
    EXPECT_TRUE(rig.library.lblSearch->isHidden());
    EXPECT_EQ(rig.library.lblCount->toolTip(),
              QStringLiteral("Read as: tagged 'church'; rating >= 2 stars; 'reverb' in the title "
                             "or the chain"));
    rig.library.edtSearch->clear();

    // Exported: the .syx file as ever, the notes beside it.
    const QString syx = rig.folder.filePath(QStringLiteral("Gig.syx"));
    rig.dialogs.Names = {syx};
    rig.library.miExport->trigger();
    QFile syxFile(syx);
    ASSERT_TRUE(syxFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(syxFile.size(), 3 * PresetDumpLength) << "nothing but the presets in the .syx file";
    ASSERT_TRUE(QFileInfo::exists(rig.folder.filePath(QStringLiteral("Gig.notes.json"))));
    EXPECT_TRUE(
        rig.dialogs.Messages.back().Text.contains(QStringLiteral("(2) into Gig.notes.json")))
        << rig.dialogs.Messages.back().Text.toStdString();

    // Another library without notes imports the file as preset files.
    QFile::remove(TNoteStore::DefaultPath());
    rig.library.Refresh();
    EXPECT_EQ(rig.Cell(QStringLiteral("Hymn.tmq"), kTags), QString());
    const QString imported = rig.folder.filePath(QStringLiteral("imported"));
    QDir().mkpath(imported);
    rig.dialogs.Names = {syx, imported};
    rig.dialogs.Answers = {QMessageBox::No};
    rig.library.miImport->trigger();
    const std::size_t asked = rig.dialogs.Messages.size() - 2;
    EXPECT_TRUE(rig.dialogs.Messages[asked].Text.contains(
        QStringLiteral("2 with tags, a rating or a note from Gig.notes.json")))
        << rig.dialogs.Messages[asked].Text.toStdString();
    rig.library.Refresh();
    EXPECT_EQ(rig.Cell(QStringLiteral("Hymn copy.tmq"), kTags), QStringLiteral("live, church"));
    EXPECT_EQ(rig.Cell(QStringLiteral("Hymn copy.tmq"), kNote),
              QStringLiteral("for the church gig"));
}

TEST(LibraryNotes, FindDuplicatesMarksTheExtraCopiesAlone) {
    NotesRig rig;
    const QString presets = rig.folder.filePath(QStringLiteral("presets"));
    const TBytes hymn = PresetWith({1}, {"Reverb 1"}).Encode();
    WritePresetFile(presets + QStringLiteral("/A.tmq"), hymn);
    WritePresetFile(presets + QStringLiteral("/B.tmq"), hymn);
    WritePresetFile(presets + QStringLiteral("/C.tmq"), Retitled(hymn, "Other title"));
    rig.library.ShowSource(QStringLiteral("presets"));
    AnswerModal<TfrmDuplicates>([](TfrmDuplicates& found) {
        EXPECT_EQ(found.tvwSame->topLevelItemCount(), 1);
        EXPECT_EQ(found.tvwSame->topLevelItem(0)->childCount(), 3);
        EXPECT_EQ(found.tvwNear->topLevelItemCount(), 0);
        found.tvwSame->setCurrentItem(found.tvwSame->topLevelItem(0));
        QTest::mouseClick(found.btnMark, Qt::LeftButton);
        found.accept();
    });
    rig.library.miDuplicates->trigger();
    EXPECT_EQ(rig.Cell(QStringLiteral("A.tmq"), kTags), QString()) << "the first stays unmarked";
    EXPECT_EQ(rig.Cell(QStringLiteral("B.tmq"), kTags), QStringLiteral("duplicate"));
    EXPECT_EQ(rig.Cell(QStringLiteral("C.tmq"), kTags), QStringLiteral("duplicate"));
    rig.library.edtSearch->setText(QStringLiteral("tag:duplicate"));
    EXPECT_EQ(rig.library.ShownRows().size(), 2u);
}
