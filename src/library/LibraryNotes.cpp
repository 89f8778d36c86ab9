// The library's tags, ratings and notes in its table, and its duplicates.

#include "base/Dialogs.h"
#include "library/DuplicatesDialog.h"
#include "library/Library.h"
#include "library/LibraryModel.h"
#include "store/NoteStore.h"

#include <QTableView>

void TfrmLibrary::SetUpNotes() {
    notes = std::make_unique<TNoteStore>();
    model->Notes = notes.get();
    model->OnNotesError = [this](const QString& why) {
        ShowMessage(this, QStringLiteral("The notes were not changed: ") + why,
                    QStringLiteral("Library"));
    };
    // Typing in a rating, tags or note cell edits it, as does a click on the chosen cell or a
    // double click; elsewhere a double click opens the preset.
    tblPresets->setEditTriggers(QAbstractItemView::SelectedClicked |
                                QAbstractItemView::AnyKeyPressed);
}

void TfrmLibrary::ReloadNotes() {
    // Another window or the tool may have noted something since.
    notes->Load();
    model->UnitFolder = places.Memory != nullptr ? places.Memory->Folder() : QString();
    if (!notes->Problems().isEmpty())
        ShowMessage(this,
                    QStringLiteral("The tags, ratings and notes could not be read:\n") +
                        notes->Problems().join(QLatin1Char('\n')),
                    QStringLiteral("Library"));
}

void TfrmLibrary::FindDuplicates() {
    std::vector<TLibraryRow> rows;
    if (places.Memory != nullptr)
        rows = UnitRows(*places.Memory, places.SingleBank, index);
    for (TLibraryRow& row : FileRows(places.PresetFolder, TLibrarySource::PresetFolder))
        rows.push_back(std::move(row));
    if (!places.KeptFolder.isEmpty())
        for (TLibraryRow& row : FileRows(places.KeptFolder, TLibrarySource::Kept))
            rows.push_back(std::move(row));
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [](const TLibraryRow& row) { return row.Dump.empty(); }),
               rows.end());
    TfrmDuplicates found(std::move(rows), this);
    found.OnOpen = [this](const TLibraryRow& row) {
        if (OnOpen)
            OnOpen(row);
    };
    found.OnMark = [this](const std::vector<const TLibraryRow*>& copies, const QString& tag) {
        for (const TLibraryRow* copy : copies)
            if (const QString error =
                    notes->Mark(copy->Dump, NotesPlace(*copy, model->UnitFolder), tag);
                !error.isEmpty())
                return error;
        model->NotesChanged();
        return QString();
    };
    found.exec();
}
