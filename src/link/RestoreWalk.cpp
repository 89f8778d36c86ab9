// The restore walk and the words it is told in.

#include "link/RestoreWalk.h"

#include "link/DeviceLink.h"
#include "link/PlanWalk.h"
#include "link/VerifiedStore.h"
#include "model/DeviceMode.h"

#include <QPointer>
#include <QStringList>
#include <algorithm>

TRestoreWalk::TRestoreWalk(TJobLink& link) : link(link), host(link.Host()) {}

std::vector<TRestoreItem> TRestoreWalk::Plan(const QString& folder,
                                             const std::array<bool, 4>& banks, int first,
                                             int last) const {
    std::vector<TRestoreItem> plan =
        TBackupFolder(folder, PrePlenovaMode).PlanRestore(banks, first, last);
    for (TRestoreItem& item : plan) {
        const auto known = link.KnownTitles().find(TPlace::Of(item.Bank, item.Slot));
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

QString TRestoreWalk::SkippedText(const TRestoreItem& item) {
    return QStringLiteral("Skipped %1: %2").arg(item.Path, item.Problem);
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
    link.Job<TPlanWalk>().Abort();
}

bool TRestoreWalk::Running() const {
    return running && link.Job<TPlanWalk>().Running();
}

TRestoreCounts TRestoreWalk::Run(std::vector<TRestoreItem>& plan, TWriteJournal* journal) {
    TRestoreCounts counts;
    if (link.Busy()) {
        host.Status(link.BusyReason());
        return counts;
    }
    // A restore is a plan like any other write: each slot kept first, then written and read
    // back, and the whole a step of the journal that Undo puts back.
    TWritePlan writes;
    const int total = WrittenCount(plan);
    writes.Label = QStringLiteral("restore of %1 preset%2").arg(total).arg(total == 1 ? "" : "s");
    std::vector<const TRestoreItem*> items;
    for (const TRestoreItem& item : plan) {
        if (!item.Problem.isEmpty()) {
            ++counts.Skipped;
            host.Log(SkippedText(item));
            continue;
        }
        writes.Writes.push_back({TPlace::Of(item.Bank, item.Slot).Bank, item.Slot, item.Dump,
                                 item.UnitTitle, !item.UnitTitle.isEmpty()});
        items.push_back(&item);
    }
    TPlanRun how;
    how.Journal = journal;
    how.How = TSeenHow::Restored;
    how.For = this;
    std::size_t next = 0;
    how.Told = [&](const TPlannedWrite& write, const TStoreResult& result) {
        const TRestoreItem& item = *items[std::min(next++, items.size() - 1)];
        const QString where = !PrePlenovaMode ? QStringLiteral("Slot %1 of bank %2")
                                                    .arg(write.Slot)
                                                    .arg(QLatin1Char(BankLetters[write.Bank]))
                                              : QStringLiteral("Slot %1").arg(write.Slot);
        host.Log(where + QStringLiteral(": ") +
                 (result.Verified ? item.FileTitle + QStringLiteral(" written and verified")
                                  : QString::fromStdString(result.Message)));
    };
    how.Summary = [&](const TPlanCounts& written) {
        counts.Written = written.Written;
        counts.Verified = written.Verified;
        counts.Failed = written.Failed;
        return QStringLiteral("Restore %1: ")
                   .arg(written.Aborted ? QStringLiteral("aborted") : QStringLiteral("complete")) +
               CountsText(counts);
    };
    running = true;
    const QPointer<QObject> alive = link.Guard();
    const TPlanCounts written = link.Job<TPlanWalk>().Run(writes, how);
    if (alive.isNull())
        return counts;
    running = false;
    if (!written.Refused.isEmpty())
        host.Log(written.Refused);
    counts.EntryId = written.EntryId;
    return counts;
}
