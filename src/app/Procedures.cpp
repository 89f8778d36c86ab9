// The main window's side of the automated backup and the preset listing: the options dialog,
// the print job, the progress in the status bar and the messages at the end. The walk itself
// is the device link's.

#include "app/BkupOpt.h"
#include "app/Main.h"
#include "app/Restore.h"
#include "base/Dialogs.h"
#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "library/Library.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QStatusBar>
#include <cmath>

void TfrmMain::StartProcedure(bool save) {
    if (Link->Busy()) {
        ShowStatus(Link->BusyReason());
        return;
    }
    if (!MidiOutAvailable(true))
        return;
    const QPointer<TfrmMain> self(this);
    PingDevice();
    if (self.isNull())
        return;

    TProcedureOptions options;
    {
        TfrmBkupOpt dialog(this);
        dialog.Prepare(save, Link->CurrentBank(), CurrentFolder, Link->RequestDelay());
        if (dialog.exec() != QDialog::Accepted || self.isNull()) {
            if (!self.isNull())
                ShowStatus(QStringLiteral("Procedure cancelled"));
            return;
        }
        options = dialog.Results();
    }
    if (options.Save)
        FolderForWriting(options.OutputDirectory);
    if (options.RequestDelay != Link->RequestDelay() && settings != nullptr)
        settings->PutInteger(QStringLiteral("TMQReqDelay"), options.RequestDelay);
    // Where the listing goes is asked now, while the user is still at the dialog's end.
    if (options.Print && !ChoosePrintTarget(this)) {
        ShowStatus(QStringLiteral("Procedure cancelled"));
        return;
    }
    Memory(); // what the walk reads is remembered
    if (Link->Job<TBackupWalk>().Start(options) && Link->Job<TBackupWalk>().Active())
        prbProcedure->show();
}

void TfrmMain::StartRestore() {
    if (Link->Busy()) {
        ShowStatus(Link->BusyReason());
        return;
    }
    if (!MidiOutAvailable(true))
        return;
    const QPointer<TfrmMain> self(this);
    PingDevice(); // the bank to come back to
    if (self.isNull())
        return;
    std::vector<TRestoreItem> plan;
    {
        TfrmRestore dialog(
            [this](const QString& folder, const std::array<bool, 4>& banks, int first, int last) {
                return Link->Job<TRestoreWalk>().Plan(folder, banks, first, last);
            },
            CurrentFolder, this);
        if (dialog.exec() != QDialog::Accepted || self.isNull()) {
            if (!self.isNull())
                ShowStatus(QStringLiteral("Restore cancelled"));
            return;
        }
        plan = dialog.Plan();
    }
    if (Dialogs().MessageBox(this, TRestoreWalk::Question(plan), QStringLiteral("Confirm"),
                             QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::Question) != QMessageBox::Yes) {
        ShowStatus(QStringLiteral("Restore cancelled"));
        return;
    }
    Memory(); // what the restore writes is remembered
    const TRestoreCounts counts = Link->Job<TRestoreWalk>().Run(plan, Journal());
    if (self.isNull())
        return;
    HideProgress();
    const bool clean = counts.Failed == 0 && counts.Skipped == 0 &&
                       counts.Verified == static_cast<int>(plan.size());
    ShowMessage(this, TRestoreWalk::CountsText(counts), QStringLiteral("Restore"),
                clean ? QMessageBox::Information : QMessageBox::Warning);
}

bool TfrmMain::ListingBegin() {
    return listing.Begin(font(), !PrePlenovaMode);
}

// (bank, number): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TfrmMain::ListingLine(int bank, int number, const QString& title) {
    return listing.Line(bank, number, title);
}

void TfrmMain::ListingEnd() {
    listing.End();
}

void TfrmMain::Progress(const TProgress& progress) {
    progressText = progress.Text();
    ShowProgressText();
    lblProgress->show();
    prbProcedure->setRange(0, std::max(1, progress.Total));
    prbProcedure->setValue(std::min(progress.Done, progress.Total));
    prbProcedure->show();
    // The library's writes and reads are watched there.
    if (!library.isNull() && library->isVisible())
        library->ShowProgress(progress);
}

void TfrmMain::ShowProgressText() {
    const QString missing = MissingPort();
    lblProgress->setText(missing.isEmpty() || !Link->Busy()
                             ? progressText
                             : QStringLiteral("Waiting for %1 - ").arg(missing) + progressText);
}

void TfrmMain::MissingPortChanged() {
    Link->SetPortMissing(MissingPort());
    ShowProgressText();
}

void TfrmMain::HideProgress() {
    prbProcedure->hide();
    lblProgress->hide();
    if (!library.isNull())
        library->ShowProgress(std::nullopt);
}

void TfrmMain::ProcedureComplete() {
    HideProgress();
    RefreshFileList();
    ShowMessage(this, QStringLiteral("Procedure is complete"), QStringLiteral("Congratulations..."),
                QMessageBox::Information);
}

void TfrmMain::ProcedureFailed(const QString& message) {
    HideProgress();
    RefreshFileList(); // the presets saved before it stopped are there
    ShowMessage(this, message, QStringLiteral("Error"));
}
