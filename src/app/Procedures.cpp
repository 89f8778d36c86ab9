// The main window's side of the automated backup and the preset listing: the options dialog,
// the print job, the progress in the status bar and the messages at the end. The walk itself
// is the device link's.

#include "app/BkupOpt.h"
#include "app/Main.h"
#include "app/Restore.h"

#include "base/Dialogs.h"
#include "base/PrintCommon.h"
#include "base/qvUtility.h"

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
    Link->OutputDirectory = CurrentFolder;

    TProcedureOptions options;
    {
        TfrmBkupOpt dialog(this);
        dialog.Prepare(save, Link->CurrentBank, Link->OutputDirectory, Link->RequestDelay);
        if (dialog.exec() != QDialog::Accepted || self.isNull()) {
            if (!self.isNull())
                ShowStatus(QStringLiteral("Procedure cancelled"));
            return;
        }
        options = dialog.Results();
    }
    if (options.Save)
        FolderForWriting(options.OutputDirectory);
    if (options.RequestDelay != Link->RequestDelay && settings != nullptr)
        settings->PutInteger(QStringLiteral("TMQReqDelay"), options.RequestDelay);
    // Where the listing goes is asked now, while the user is still at the dialog's end.
    if (options.Print && !ChoosePrintTarget(this)) {
        ShowStatus(QStringLiteral("Procedure cancelled"));
        return;
    }
    if (Link->StartProcedure(options) && Link->ProcedureActive)
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
    QString question;
    {
        TfrmRestore dialog(
            [this](const QString& folder, const std::array<bool, 4>& banks, int first, int last) {
                return Link->PlanRestore(folder, banks, first, last);
            },
            CurrentFolder, this);
        if (dialog.exec() != QDialog::Accepted || self.isNull()) {
            if (!self.isNull())
                ShowStatus(QStringLiteral("Restore cancelled"));
            return;
        }
        const QString banks = dialog.BankList();
        question = QStringLiteral("This will replace %1 preset%2")
                       .arg(dialog.WrittenCount())
                       .arg(dialog.WrittenCount() == 1 ? "" : "s");
        if (!banks.isEmpty())
            question += (banks.contains(QLatin1Char(',')) ? QStringLiteral(" in banks ")
                                                          : QStringLiteral(" in bank ")) +
                        banks;
        question += QStringLiteral(". Do you want to proceed?");
        plan = dialog.Plan();
    }
    if (Dialogs().MessageBox(this, question, QStringLiteral("Confirm"),
                             QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::Question) != QMessageBox::Yes) {
        ShowStatus(QStringLiteral("Restore cancelled"));
        return;
    }
    const TRestoreCounts counts = Link->Restore(plan);
    if (self.isNull())
        return;
    HideProgress();
    const QString summary = QStringLiteral("%1 written, %2 verified, %3 skipped, %4 failed")
                                .arg(counts.Written)
                                .arg(counts.Verified)
                                .arg(counts.Skipped)
                                .arg(counts.Failed);
    const bool clean = counts.Failed == 0 && counts.Skipped == 0 &&
                       counts.Verified == static_cast<int>(plan.size());
    ShowMessage(this, summary, QStringLiteral("Restore"),
                clean ? QMessageBox::Information : QMessageBox::Warning);
}

bool TfrmMain::ListingBegin() {
    return listing.Begin(font(), !PrePlenovaMode);
}

bool TfrmMain::ListingLine(int bank, int number, const QString& title) {
    return listing.Line(bank, number, title);
}

void TfrmMain::ListingEnd() {
    listing.End();
}

void TfrmMain::Progress(const TProgress& progress) {
    lblProgress->setText(progress.Text());
    lblProgress->show();
    prbProcedure->setRange(0, std::max(1, progress.Total));
    prbProcedure->setValue(std::min(progress.Done, progress.Total));
    prbProcedure->show();
}

void TfrmMain::HideProgress() {
    prbProcedure->hide();
    lblProgress->hide();
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
