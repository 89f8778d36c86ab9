// The library's "Apply to selected...": the change previewed over the chosen presets, then the
// unitPlaces written through a plan (read again first, one step of the journal) and the preset
// files rewritten all or nothing, each one's previous version kept beside it.

#include "base/BlockClipboard.h"
#include "base/Dialogs.h"
#include "library/ApplyChange.h"
#include "library/Library.h"
#include "store/FileRewrite.h"

#include <QFileInfo>
#include <QMessageBox>

void TfrmLibrary::ApplyToSelected() {
    std::vector<TLibraryRow> chosen;
    for (const TLibraryRow* row : SelectedRows())
        chosen.push_back(*row);
    if (chosen.empty())
        return;
    TfrmApplyChange dialog(chosen, BlockOnClipboard(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const std::optional<TPresetEdit> edit = dialog.Edit().Edit;
    if (!edit)
        return;
    std::vector<TPlace> unitPlaces;
    std::vector<TBytes> remembered;
    std::vector<TFileChange> files;
    for (const TLibraryRow& row : chosen) {
        if (!UnchangeableReason(row).isEmpty())
            continue;
        if (row.Source == TLibrarySource::Unit) {
            unitPlaces.push_back(TPlace::Of(row.Bank, row.Slot));
            remembered.push_back(row.Dump);
        } else if (TPresetEditOutcome outcome = ApplyPresetEdit(*edit, row.Dump);
                   !outcome.Dump.empty()) {
            files.push_back({row.Path, row.Dump, std::move(outcome.Dump)});
        }
    }
    QStringList said;
    if (!files.empty()) {
        const TFileRewrite rewrite = RewriteFiles(files);
        if (!rewrite.Error.isEmpty()) {
            ShowMessage(this, rewrite.Error, QStringLiteral("Apply to selected"),
                        QMessageBox::Warning);
            Refresh();
            return;
        }
        said << QStringLiteral("%1 preset file%2 rewritten; each one's previous version is kept "
                               "beside it as \"%3\"")
                    .arg(files.size())
                    .arg(files.size() == 1 ? "" : "s")
                    .arg(QFileInfo(rewrite.Kept.front()).fileName());
    }
    if (!said.isEmpty())
        ShowMessage(this, said.join(QLatin1Char('\n')), QStringLiteral("Apply to selected"),
                    QMessageBox::Information);
    // The unitPlaces' change is made to what they hold now, read again.
    if (!unitPlaces.empty() && places.Memory != nullptr && ReadAgain(unitPlaces)) {
        const TPlanOrRefusal planned =
            EditPlan(places.Memory, unitPlaces, *edit, places.SingleBank);
        if (!planned.Refusal.isEmpty()) {
            ShowMessage(this, planned.Refusal, QStringLiteral("Apply to selected"));
        } else {
            // What was previewed is what is written unless a slot held something else: then
            // the plan is shown once more before anything goes out.
            bool asPreviewed = true;
            for (std::size_t i = 0; i < unitPlaces.size(); ++i) {
                const TSlotMemory* slot = places.Memory->Slot(unitPlaces[i]);
                asPreviewed = asPreviewed && slot != nullptr && slot->Now() != nullptr &&
                              SameDumpAnyDevice(slot->Now()->Dump, remembered[i]);
            }
            Carry(planned.Plan, asPreviewed);
        }
    }
    Refresh();
}
