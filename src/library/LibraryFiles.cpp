// The library window's files: the selected presets saved as .tmq files, a .syx file imported
// into slots or a folder, and presets exported as one .syx file.

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "library/ChooseSlot.h"
#include "library/Library.h"
#include "library/LibraryModel.h"
#include "model/FileNames.h"
#include "model/SyxFile.h"
#include "store/BackupFolder.h"
#include "store/NoteStore.h"
#include "store/WholeFile.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QSpinBox>
#include <set>

void TfrmLibrary::SaveSelected() {
    QString folder = places.PresetFolder;
    if (!SelectFolder(QStringLiteral("Save the presets into:"), folder))
        return;
    int written = 0;
    QStringList failed;
    for (const TLibraryRow* row : SelectedRows()) {
        if (row->Dump.empty())
            continue;
        // Named as a backup names presets: the title, ".tmq" and the slot.
        QString title = row->Title.trimmed().isEmpty() ? QStringLiteral("Untitled") : row->Title;
        const QString name =
            row->Slot > 0 ? QString::fromLatin1(
                                BackupFileName(title.toLatin1().toStdString(), row->Slot).c_str())
                          : QFileInfo(row->Path).fileName();
        const QString error = WriteWholeFile(QDir(folder).filePath(name), row->Dump);
        if (error.isEmpty())
            ++written;
        else
            failed << name + QStringLiteral(": ") + error;
    }
    if (!failed.isEmpty())
        ShowMessage(this,
                    QStringLiteral("%1 written; these could not be:\n").arg(written) +
                        failed.join(QLatin1Char('\n')),
                    QStringLiteral("Library"));
    Refresh();
}

void TfrmLibrary::ImportSyx() {
    const QString path =
        Dialogs().OpenFileName(this, QStringLiteral("Import .syx"), places.PresetFolder,
                               QStringLiteral("SysEx files (*.syx);;All files (*)"));
    if (path.isEmpty())
        return;
    const TFileRead read = ReadWholeFile(path, kLargestSyxFile);
    if (!read.Ok()) {
        ShowMessage(this,
                    read.Missing
                        ? QStringLiteral("%1 cannot be read: there is no such file").arg(path)
                        : read.Error,
                    QStringLiteral("Import .syx"));
        return;
    }
    const QByteArray& bytes = read.Bytes;
    const std::vector<TSyxItem> items =
        SplitSyx(TByteView(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                           static_cast<std::size_t>(bytes.size())));
    std::vector<TBytes> presets;
    QStringList skipped;
    int tables = 0;
    for (const TSyxItem& item : items) {
        if (item.Kind == TSyxKind::Preset) {
            presets.push_back(item.Bytes);
        } else if (item.Kind == TSyxKind::ProgramTable) {
            ++tables;
            if (OnOpenTable)
                OnOpenTable(item.Bytes);
        } else {
            skipped << QString::fromStdString(DescribeSkipped(item));
        }
    }
    QString text = QStringLiteral("%1 preset%2, %3 program table%4, %5 skipped")
                       .arg(presets.size())
                       .arg(presets.size() == 1 ? "" : "s")
                       .arg(tables)
                       .arg(tables == 1 ? "" : "s")
                       .arg(skipped.size());
    // The tags, ratings and notes exported with the presets, in a file beside them.
    TImportedNotes noted;
    const QString notesPath = NotesBeside(path);
    if (!presets.empty() && QFileInfo::exists(notesPath)) {
        const TFileRead notesRead = ReadWholeFile(notesPath, kLargestNotesFile);
        noted = notesRead.Ok() ? ReadExportedNotes(notesRead.Bytes, presets)
                               : TImportedNotes{{}, notesRead.Error};
        text += noted.Error.isEmpty() ? QStringLiteral("; %1 with tags, a rating or a note from %2")
                                            .arg(noted.Notes.size())
                                            .arg(QFileInfo(notesPath).fileName())
                                      : QStringLiteral("; the notes in %1 are not taken: %2")
                                            .arg(QFileInfo(notesPath).fileName(), noted.Error);
    }
    const auto takeNotes = [&] {
        if (noted.Notes.empty())
            return;
        if (const QString error = notes->Merge(noted.Notes); !error.isEmpty())
            ShowMessage(this, QStringLiteral("The presets' notes were not taken: ") + error,
                        QStringLiteral("Import .syx"));
    };
    if (!skipped.isEmpty())
        text += QStringLiteral("\n\n") + skipped.join(QLatin1Char('\n'));
    if (presets.empty()) {
        ShowMessage(this, text, QStringLiteral("Import .syx"), QMessageBox::Information);
        return;
    }
    // Yes: into the unit through a plan; No: as files into a folder.
    const QMessageBox::StandardButton answer = Dialogs().MessageBox(
        this,
        text + QStringLiteral("\n\nPlace the presets into slots of the unit (Yes), or save them "
                              "as preset files into a folder (No)?"),
        QStringLiteral("Import .syx"), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
        QMessageBox::Question);
    if (answer == QMessageBox::Yes) {
        TfrmChooseSlot where(
            QStringLiteral("Send to the unit"),
            QStringLiteral("%1 presets into consecutive slots from:").arg(presets.size()),
            places.SingleBank, this);
        if (where.exec() == QDialog::Accepted &&
            PlaceFrom(places.SingleBank ? 0 : where.cbxBank->currentIndex(), where.spnSlot->value(),
                      presets, QStringLiteral("import"))) {
            takeNotes();
            Refresh();
        }
        return;
    }
    if (answer != QMessageBox::No)
        return;
    QString folder = places.PresetFolder;
    if (!SelectFolder(QStringLiteral("Save the presets into:"), folder))
        return;
    QStringList failed;
    int written = 0;
    for (std::size_t i = 0; i < presets.size(); ++i) {
        TSyxItem item;
        item.Kind = TSyxKind::Preset;
        item.Bytes = presets[i];
        const QString name = QString::fromStdString(SyxItemFileName(item, static_cast<int>(i) + 1));
        const QString target = QDir(folder).filePath(name);
        // What is there already stays: an import never overwrites a file.
        const QString error = QFileInfo::exists(target)
                                  ? QStringLiteral("there is a file of that name")
                                  : WriteWholeFile(target, presets[i]);
        if (error.isEmpty())
            ++written;
        else
            failed << name + QStringLiteral(": ") + error;
    }
    if (written > 0)
        takeNotes();
    ShowMessage(this,
                QStringLiteral("%1 preset files written into %2").arg(written).arg(folder) +
                    (failed.isEmpty()
                         ? QString()
                         : QStringLiteral("; these were not:\n") + failed.join(QLatin1Char('\n'))),
                QStringLiteral("Import .syx"),
                failed.isEmpty() ? QMessageBox::Information : QMessageBox::Warning);
    Refresh();
}

void TfrmLibrary::ExportSyx() {
    // The selected presets; without a selection, every one the table shows (a bank, the whole
    // unit as remembered, a folder).
    std::vector<const TLibraryRow*> rows = SelectedRows();
    if (rows.size() <= 1 && !rows.empty() && rows[0]->Dump.empty())
        rows.clear();
    if (rows.empty())
        rows = ShownRows();
    std::vector<TBytes> dumps;
    for (const TLibraryRow* row : rows)
        if (!row->Dump.empty())
            dumps.push_back(row->Dump);
    if (dumps.empty()) {
        ShowMessage(this, QStringLiteral("None of these presets has been read"),
                    QStringLiteral("Export as .syx"));
        return;
    }
    QString path =
        Dialogs().SaveFileName(this, QStringLiteral("Export as .syx"), places.PresetFolder,
                               QStringLiteral("SysEx files (*.syx)"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".syx");
    const QString error = WriteWholeFile(path, JoinSyx(dumps));
    if (!error.isEmpty()) {
        ShowMessage(this, QStringLiteral("%1 cannot be written: %2").arg(path, error),
                    QStringLiteral("Export as .syx"));
        return;
    }
    QString written = QStringLiteral("%1 presets written into %2").arg(dumps.size()).arg(path);
    // Their tags, ratings and notes beside them, never inside: the .syx file stays what any
    // program for the unit reads. A notes file of an earlier export there is replaced, so it
    // never speaks of presets it does not hold.
    const TExportedNotes exported = ExportedNotes(*notes, dumps);
    const QString notesPath = NotesBeside(path);
    if (exported.Count > 0 || QFileInfo::exists(notesPath)) {
        const QString notesError = WriteWholeFile(notesPath, exported.Json);
        written += notesError.isEmpty()
                       ? QStringLiteral(", their tags, ratings and notes (%1) into %2")
                             .arg(exported.Count)
                             .arg(QFileInfo(notesPath).fileName())
                       : QStringLiteral("; their notes could not be written: %1").arg(notesError);
    }
    ShowMessage(this, written, QStringLiteral("Export as .syx"), QMessageBox::Information);
}
