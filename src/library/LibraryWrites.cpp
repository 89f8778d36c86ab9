// The library window's writes into the unit: a plan carried out (its slots read again first
// where asked), presets dropped on slots, a rename, presets sent to slots, the compare of two,
// a bank copied into another, and a kept version put back.

#include "base/CompareDialog.h"
#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "library/ChooseSlot.h"
#include "library/Library.h"
#include "library/LibraryModel.h"
#include "library/PresetDrag.h"
#include "library/SetListModel.h"
#include "library/WritePlan.h"
#include "model/DeviceMode.h"
#include "store/WholeFile.h"

#include <QComboBox>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QSpinBox>
#include <QTableView>
#include <set>

bool TfrmLibrary::ReadAgain(const std::vector<TPlace>& wanted) {
    const int read = OnFetch ? OnFetch(wanted) : 0;
    Refresh();
    if (read == static_cast<int>(wanted.size()))
        return true;
    ShowMessage(this,
                QStringLiteral("%1 of %2 slots could not be read again: nothing was written")
                    .arg(static_cast<int>(wanted.size()) - read)
                    .arg(wanted.size()),
                QStringLiteral("Library"));
    return false;
}

bool TfrmLibrary::Carry(const TPlanOrRefusal& planned) {
    if (!planned.Refusal.isEmpty()) {
        ShowMessage(this, planned.Refusal, QStringLiteral("Library"),
                    planned.Plan.Writes.empty() && planned.Refusal.startsWith("Bank ")
                        ? QMessageBox::Information
                        : QMessageBox::Warning);
        return false;
    }
    return Carry(planned.Plan);
}

bool TfrmLibrary::Carry(const TWritePlan& plan, bool told) {
    if (plan.Writes.empty() || !OnWrite)
        return false;
    if (OnBusyReason && !OnBusyReason().isEmpty()) {
        ShowMessage(this, OnBusyReason(), QStringLiteral("Library"));
        return false;
    }
    TfrmWritePlan dialog(plan, places.SingleBank, places.Unit, this);
    if (!told && dialog.exec() != QDialog::Accepted)
        return false;
    const TPlanCounts counts = OnWrite(plan);
    if (!counts.Refused.isEmpty()) { // another job, or another program holding the unit
        ShowMessage(this, counts.Refused, QStringLiteral("Library"), QMessageBox::Warning);
        return false;
    }
    QString text = PlanCountsText(counts);
    if (counts.Aborted)
        text = QStringLiteral("Stopped by Ctrl+C: ") + text;
    if (!counts.FailedSlots.isEmpty())
        text += QStringLiteral("\n\n") + counts.FailedSlots.join(QLatin1Char('\n'));
    if (counts.Written > 0)
        text += QStringLiteral("\n\nWhat the slots held was kept: Undo puts it back.");
    ShowMessage(this, text, QStringLiteral("Library"),
                counts.Failed > 0 || counts.Aborted ? QMessageBox::Warning
                                                    : QMessageBox::Information);
    Refresh();
    return counts.Written > 0;
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TfrmLibrary::PlaceFrom(int bank, int slot, const std::vector<TBytes>& dumps,
                            const QString& what) {
    return Carry(PlacePlan(places.Memory, {bank, slot}, dumps, what, places.SingleBank));
}

bool TfrmLibrary::DropOn(int shownRow, const QMimeData& data, bool swap) {
    if (shownRow < 0 || shownRow >= model->rowCount() || places.Memory == nullptr)
        return false;
    const TLibraryRow& target = model->At(shownRow);
    if (target.Source != TLibrarySource::Unit)
        return false;
    const int bank = TPlace::Of(target.Bank, target.Slot).Bank;
    const int slot = target.Slot;
    const std::vector<TDragged> dragged = DecodeDrag(data);
    if (dragged.empty())
        return false;
    if (swap) {
        const TDragged& other = dragged[0];
        const int otherBank = TPlace::Of(other.Bank, other.Slot).Bank;
        if (dragged.size() != 1 || other.Source != TLibrarySource::Unit) {
            ShowMessage(this, QStringLiteral("A swap takes one slot of the unit onto another"),
                        QStringLiteral("Library"));
            return false;
        }
        if (otherBank == bank && other.Slot == slot)
            return false;
        if (target.Dump.empty()) {
            ShowMessage(this,
                        SlotPlace(bank, slot, places.SingleBank) +
                            QStringLiteral(" was never read: fetch it first [F5]"),
                        QStringLiteral("Library"));
            return false;
        }
        // What each holds is read now: a swap of what was remembered could put back an old
        // preset.
        if (!ReadAgain({{otherBank, other.Slot}, {bank, slot}}))
            return false;
        return Carry(
            SwapPlan(places.Memory, {otherBank, other.Slot}, {bank, slot}, places.SingleBank));
    }
    if (dragged.size() == 1 && dragged[0].Source == TLibrarySource::Unit &&
        TPlace::Of(dragged[0].Bank, dragged[0].Slot) == TPlace{bank, slot})
        return false; // onto itself
    std::vector<TBytes> dumps;
    for (const TDragged& item : dragged)
        dumps.push_back(item.Dump);
    return PlaceFrom(bank, slot, dumps, QStringLiteral("drop"));
}

void TfrmLibrary::Rename() {
    if (!setListPath.isEmpty()) { // F2 on a song edits its title or note in place
        QModelIndex at = tblSongs->currentIndex();
        if (at.isValid() && at.column() != kSongNote)
            at = songs->index(at.row(), kSongTitle);
        if (at.isValid())
            tblSongs->edit(at);
        return;
    }
    const std::vector<const TLibraryRow*> chosen = SelectedRows();
    if (chosen.size() != 1 || chosen[0]->Source != TLibrarySource::Unit || chosen[0]->Dump.empty())
        return;
    const TLibraryRow row = *chosen[0];
    bool ok = false;
    const QString title =
        QInputDialog::getText(this, QStringLiteral("Rename"),
                              QStringLiteral("New title for %1 (up to 16 characters):")
                                  .arg(TPlace::Of(row.Bank, row.Slot).Text(places.SingleBank)),
                              QLineEdit::Normal, row.Title, &ok)
            .left(kTitleLength);
    if (!ok || title == row.Title)
        return;
    const int bank = TPlace::Of(row.Bank, row.Slot).Bank;
    // The title changes on what the slot holds now, read again.
    if (!ReadAgain({{bank, row.Slot}}))
        return;
    Carry(RenamePlan(places.Memory, {bank, row.Slot}, title, places.SingleBank));
}

void TfrmLibrary::SendToUnit() {
    std::vector<TBytes> dumps;
    for (const TLibraryRow* row : SelectedRows())
        if (!row->Dump.empty())
            dumps.push_back(row->Dump);
    if (dumps.empty() || places.Memory == nullptr)
        return;
    TfrmChooseSlot where(QStringLiteral("Send to the unit"),
                         QStringLiteral("%1 preset%2 into consecutive slots from:")
                             .arg(dumps.size())
                             .arg(dumps.size() == 1 ? "" : "s"),
                         places.SingleBank, this);
    if (where.exec() != QDialog::Accepted)
        return;
    PlaceFrom(places.SingleBank ? 0 : where.cbxBank->currentIndex(), where.spnSlot->value(), dumps,
              QStringLiteral("sending"));
}

void TfrmLibrary::CompareSelected() {
    const std::vector<const TLibraryRow*> chosen = SelectedRows();
    if (chosen.size() == 2 && !chosen[0]->Dump.empty() && !chosen[1]->Dump.empty()) {
        TfrmCompare compare(chosen[0]->Place(), chosen[0]->Dump, chosen[1]->Place(),
                            chosen[1]->Dump, this);
        compare.exec();
        return;
    }
    if (chosen.size() != 1 || chosen[0]->Dump.empty())
        return;
    const QString path = Dialogs().OpenFileName(
        this, QStringLiteral("Compare %1 with").arg(chosen[0]->Place()), places.PresetFolder,
        QStringLiteral("TMQ-Quellfarn presets (*.tmq*);;All files (*)"));
    if (path.isEmpty())
        return;
    // More than a preset, so that a file of another length is told it is not one.
    const TFileRead read = ReadWholeFile(path, 64 * kLargestPresetFile);
    const TBytes dump(read.Bytes.begin(), read.Bytes.end());
    if (!IsPresetDump(dump)) {
        ShowMessage(this,
                    read.Error.isEmpty() ? QStringLiteral("%1 is not a preset file").arg(path)
                                         : read.Error,
                    QStringLiteral("Compare"));
        return;
    }
    TfrmCompare compare(chosen[0]->Place(), chosen[0]->Dump, QFileInfo(path).fileName(), dump,
                        this);
    compare.exec();
}

void TfrmLibrary::CopyBank() {
    if (places.Memory == nullptr || places.SingleBank)
        return;
    TfrmChooseSlot which(QStringLiteral("Copy bank"), QStringLiteral("Copy every slot of bank:"),
                         false, this);
    if (which.exec() != QDialog::Accepted)
        return;
    const int from = which.cbxFrom->currentIndex();
    const int to = which.cbxBank->currentIndex();
    if (from == to)
        return;
    // Every slot of the bank copied must have been read; what it holds now is read again, so no
    // old version is copied.
    const TPlanOrRefusal known = CopyBankPlan(places.Memory, from, to);
    if (!known.Refusal.isEmpty() && known.Refusal.contains(QLatin1String("never read")))
        return void(Carry(known));
    std::vector<TPlace> wanted;
    for (int slot = 1; slot <= 200; ++slot)
        wanted.push_back({from, slot});
    if (!ReadAgain(wanted))
        return;
    Carry(CopyBankPlan(places.Memory, from, to));
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TfrmLibrary::PutBack(int bank, int slot, const TBytes& dump) {
    Carry(PutBackPlan(places.Memory, {bank, slot}, dump, places.SingleBank));
}
