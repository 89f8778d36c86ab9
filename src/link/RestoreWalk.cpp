// The restore walk and the words it is told in.

#include "link/RestoreWalk.h"

#include "link/DeviceLink.h"
#include "link/VerifiedStore.h"
#include "model/DeviceMode.h"

#include <QPointer>
#include <QStringList>

namespace {
// Read-backs in a row without an answer after which a restore stops.
constexpr int kSilentReadBacks = 3;
} // namespace

TRestoreWalk::TRestoreWalk(TDeviceLink& link, TLinkHost& host) : link(link), host(host) {}

std::vector<TRestoreItem> TRestoreWalk::Plan(const QString& folder,
                                             const std::array<bool, 4>& banks, int first,
                                             int last) const {
    std::vector<TRestoreItem> plan =
        TBackupFolder(folder, PrePlenovaMode).PlanRestore(banks, first, last);
    for (TRestoreItem& item : plan) {
        const auto known = link.KnownTitles().find({item.Bank, item.Slot});
        if (known != link.KnownTitles().end())
            item.UnitTitle = known->second;
    }
    return plan;
}

int TRestoreWalk::WrittenCount(const std::vector<TRestoreItem>& plan) {
    int count = 0;
    for (const TRestoreItem& item : plan)
        if (item.Problem.isEmpty())
            ++count;
    return count;
}

QString TRestoreWalk::ReplaceText(const std::vector<TRestoreItem>& plan) {
    QStringList banks;
    for (const TRestoreItem& item : plan)
        if (item.Problem.isEmpty() && item.Bank >= 0 && item.Bank <= 3) {
            const QString letter = QString(QLatin1Char(BankLetters[item.Bank]));
            if (!banks.contains(letter))
                banks << letter;
        }
    banks.sort();
    const int count = WrittenCount(plan);
    QString text = QStringLiteral("replace %1 preset%2").arg(count).arg(count == 1 ? "" : "s");
    if (!banks.isEmpty())
        text += (banks.size() == 1 ? QStringLiteral(" in bank ") : QStringLiteral(" in banks ")) +
                banks.join(QStringLiteral(", "));
    return text;
}

QString TRestoreWalk::Question(const std::vector<TRestoreItem>& plan) {
    return QStringLiteral("This will ") + ReplaceText(plan) +
           QStringLiteral(". Do you want to proceed?");
}

QString TRestoreWalk::CountsText(const TRestoreCounts& counts) {
    return QStringLiteral("%1 written, %2 verified, %3 skipped, %4 failed")
        .arg(counts.Written)
        .arg(counts.Verified)
        .arg(counts.Skipped)
        .arg(counts.Failed);
}

void TRestoreWalk::Abort() {
    aborted = true;
    link.StopWaiting();
}

TRestoreCounts TRestoreWalk::Run(std::vector<TRestoreItem>& plan) {
    TRestoreCounts counts;
    if (link.Busy()) {
        host.Status(link.BusyReason());
        return counts;
    }
    const QPointer<TDeviceLink> alive(&link);
    running = true;
    link.SetJob(TLinkJob::Restore);
    const int total = WrittenCount(plan);
    int done = 0;
    const double startTime = link.Now();
    const int startBank = link.CurrentBank();
    int bank = -2;
    int silent = 0; // read-backs in a row the unit did not answer
    for (TRestoreItem& item : plan) {
        if (!item.Problem.isEmpty()) {
            ++counts.Skipped;
            host.Log(QStringLiteral("Skipped %1: %2").arg(item.Path, item.Problem));
            continue;
        }
        if (aborted)
            break;
        if (item.Bank >= 0 && item.Bank != bank) {
            link.SendBankSelect(item.Bank);
            link.SetCurrentBank(item.Bank);
            link.PacedWait(2.0 * link.RequestDelay());
            if (alive.isNull())
                return counts;
            if (aborted)
                break;
        }
        bank = item.Bank;
        TLinkProgress progress;
        progress.Bank = item.Bank;
        progress.Number = item.Slot;
        progress.Restoring = true;
        progress.Done = done;
        progress.Total = total;
        // Each preset: sent, given the request delay, stored, chosen and read back.
        progress.MillisecondsLeft =
            TimeLeft(link.Now() - startTime, done, total, 2.0 * link.RequestDelay() + 200);
        host.Progress(progress);
        TStoreRequest request;
        request.Dump = item.Dump;
        request.Slot = item.Slot;
        request.Verify = true;
        request.SendFirst = true;
        const TStoreResult result = link.Store().Store(request, TSeenHow::Restored);
        if (alive.isNull())
            return counts;
        ++done;
        const QString where = item.Bank >= 0 ? QStringLiteral("Slot %1 of bank %2")
                                                   .arg(item.Slot)
                                                   .arg(QLatin1Char(BankLetters[item.Bank]))
                                             : QStringLiteral("Slot %1").arg(item.Slot);
        if (result.Stored)
            ++counts.Written;
        // A unit that has gone silent is not waited out slot after slot.
        silent = result.NoAnswer ? silent + 1 : 0;
        if (result.Verified) {
            ++counts.Verified;
            host.Log(where + QStringLiteral(": ") + item.FileTitle +
                     QStringLiteral(" written and verified"));
        } else {
            ++counts.Failed;
            host.Log(where + QStringLiteral(": ") + QString::fromStdString(result.Message));
        }
        if (!link.Stranded().isEmpty()) {
            host.Log(link.Stranded() + QStringLiteral(": the restore ends here"));
            aborted = true;
            break;
        }
        if (silent >= kSilentReadBacks) {
            host.Log(QStringLiteral("The unit stopped answering: the restore ends here"));
            aborted = true;
            break;
        }
    }
    running = false;
    // The bank the user had chosen is chosen again.
    if (!PrePlenovaMode && startBank >= 0 && bank >= 0 && bank != startBank) {
        link.SendBankSelect(startBank);
        link.SetCurrentBank(startBank);
    }
    link.SetJob(TLinkJob::None);
    const QString summary =
        QStringLiteral("Restore %1: ")
            .arg(aborted ? QStringLiteral("aborted") : QStringLiteral("complete")) +
        CountsText(counts);
    aborted = false;
    host.Log(summary);
    host.Status(summary);
    return counts;
}
