// Plans of writes into the unit, carried out, undone and done again.

#include "link/WritePlan.h"

#include "link/DeviceLink.h"
#include "link/VerifiedStore.h"
#include "model/DeviceMode.h"

#include <QPointer>

namespace {
// Slots in a row whose fetch found no answer after which a plan stops.
constexpr int kSilentSlots = 3;

// The dump with the unit's device byte, as it is sent.
TBytes UnitDump(const TBytes& dump) {
    TBytes unit = dump;
    if (unit.size() > 2)
        unit[2] = static_cast<std::uint8_t>(DeviceId & 0x7F);
    return unit;
}

QString TitleOf(TByteView dump) {
    const QString title = QString::fromLatin1(PresetTitleOf(dump).c_str());
    return title.isEmpty() ? QStringLiteral("(untitled)") : title;
}
} // namespace

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString SlotPlace(int bank, int slot, bool singleBank) {
    const QString number = QStringLiteral("%1").arg(slot, 3, 10, QLatin1Char('0'));
    if (singleBank || bank < 0 || bank > 3)
        return number;
    return QString(QLatin1Char(BankLetters[bank])) + QLatin1Char(' ') + number;
}

// (bank, slot, step): a place and the way to go from it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::optional<std::pair<int, int>> StepPlace(int bank, int slot, int step, bool singleBank) {
    const int perBank = singleBank ? 128 : 200;
    const int banks = singleBank || bank < 0 ? 1 : 4;
    // The unit's slots in one row, bank by bank.
    const int at = (banks == 1 ? 0 : bank) * perBank + slot - 1 + step;
    if (slot < 1 || slot > perBank || at < 0 || at >= banks * perBank)
        return std::nullopt;
    if (banks == 1)
        return std::pair{singleBank ? -1 : bank, at + 1};
    return std::pair{at / perBank, at % perBank + 1};
}

QString PlanLine(const TPlannedWrite& write, bool singleBank) {
    const QString now = !write.NowKnown            ? QStringLiteral("(not read yet)")
                        : write.NowTitle.isEmpty() ? QStringLiteral("(untitled)")
                                                   : write.NowTitle;
    return SlotPlace(write.Bank, write.Slot, singleBank) + QStringLiteral(": ") + now +
           QStringLiteral(" \u2192 ") + TitleOf(write.Dump);
}

QString PlanCountsText(const TPlanCounts& counts) {
    return QStringLiteral("%1 written, %2 verified, %3 failed")
        .arg(counts.Written)
        .arg(counts.Verified)
        .arg(counts.Failed);
}

TBytes RetitledDump(TByteView dump, const QString& title) {
    TBytes renamed(dump.begin(), dump.end());
    for (int i = 0; i < kTitleLength; ++i) {
        const std::size_t at = static_cast<std::size_t>(kTitleOffset + 2 * i);
        if (at + 1 >= renamed.size())
            break;
        const char16_t c = i < title.size() ? title.at(i).unicode() : u' ';
        renamed[at] = c >= 0x20 && c <= 0x7E ? static_cast<std::uint8_t>(c) : ' ';
        renamed[at + 1] = 0;
    }
    return renamed;
}

TPlanWalk::TPlanWalk(TDeviceLink& link, TLinkHost& host) : link(link), host(host) {}

void TPlanWalk::Abort() {
    aborted = true;
    link.StopWaiting();
}

void TPlanWalk::SelectBank(int bank, int& current) {
    if (PrePlenovaMode || bank == current)
        return;
    link.SendBankSelect(bank);
    link.SetCurrentBank(bank);
    link.PacedWait(2.0 * link.RequestDelay());
    current = bank;
}

TPlanCounts TPlanWalk::Write(const TWritePlan& plan,
                             const std::function<void(const TJournalSlot&)>& stored) {
    TPlanCounts counts;
    const QPointer<TDeviceLink> alive(&link);
    const int total = static_cast<int>(plan.Writes.size());
    const double startTime = link.Now();
    int bank = -2;
    int silent = 0;
    int handled = 0;
    for (const TPlannedWrite& write : plan.Writes) {
        if (aborted)
            break;
        SelectBank(write.Bank, bank);
        if (alive.isNull() || aborted)
            break;
        const QString place = SlotPlace(write.Bank, write.Slot, PrePlenovaMode);
        TLinkProgress progress;
        progress.Bank = PrePlenovaMode ? -1 : write.Bank;
        progress.Number = write.Slot;
        progress.Restoring = true;
        progress.Done = handled++;
        progress.Total = total;
        // Each slot: chosen and read to keep it, sent, given the request delay, stored, chosen
        // and read back.
        progress.MillisecondsLeft =
            TimeLeft(link.Now() - startTime, progress.Done, total, 3.0 * link.RequestDelay() + 300);
        host.Progress(progress);
        TStoreRequest request;
        request.Dump = UnitDump(write.Dump);
        request.Slot = write.Slot;
        request.Keep = true;
        request.Verify = true;
        request.SendFirst = true;
        const TStoreResult result = link.Store().Store(request, TSeenHow::Stored);
        if (alive.isNull())
            break;
        if (result.Stored) {
            ++counts.Written;
            if (stored)
                stored({write.Bank, write.Slot, result.Replaced, request.Dump});
        }
        if (result.Verified) {
            ++counts.Verified;
            host.Log(place + QStringLiteral(": ") + TitleOf(request.Dump) +
                     QStringLiteral(" written and verified"));
        } else {
            ++counts.Failed;
            const QString failure =
                place + QStringLiteral(": ") + QString::fromStdString(result.Message);
            counts.FailedSlots << failure;
            host.Log(failure);
        }
        silent = result.NoAnswer ? silent + 1 : 0;
        if (!link.Stranded().isEmpty()) {
            host.Log(link.Stranded() + QStringLiteral(": the writes end here"));
            aborted = true;
        } else if (silent >= kSilentSlots) {
            host.Log(QStringLiteral("The unit stopped answering: the writes end here"));
            aborted = true;
        }
    }
    counts.Aborted = aborted;
    return counts;
}

TPlanCounts TPlanWalk::Run(const TWritePlan& plan, TWriteJournal* journal) {
    TPlanCounts counts;
    if (link.Busy()) {
        host.Status(link.BusyReason());
        return counts;
    }
    const QPointer<TDeviceLink> alive(&link);
    const int startBank = link.CurrentBank();
    running = true;
    link.SetJob(TLinkJob::Plan);
    // The step is in the journal's file from its first slot on, and grows slot by slot: the
    // program stopped half way leaves a step that undoes what was written.
    int entryId = 0;
    QString journalError;
    counts = Write(plan, [&](const TJournalSlot& slot) {
        if (journal == nullptr)
            return;
        if (TJournalEntry* entry = journal->Find(entryId)) {
            entry->Slots.push_back(slot);
        } else {
            TJournalEntry first;
            first.Label = plan.Label;
            first.Slots.push_back(slot);
            entryId = journal->Add(std::move(first));
        }
        const QString error = journal->Save();
        if (!error.isEmpty() && journalError.isEmpty()) {
            journalError = error;
            host.Log(error);
        }
    });
    if (alive.isNull())
        return counts;
    counts.EntryId = entryId;
    QString summary = plan.Label;
    if (!summary.isEmpty())
        summary[0] = summary[0].toUpper();
    End(startBank, summary +
                       (counts.Aborted ? QStringLiteral(" aborted: ") : QStringLiteral(": ")) +
                       PlanCountsText(counts));
    return counts;
}

void TPlanWalk::End(int startBank, const QString& summary) {
    // The bank the user had chosen is chosen again.
    if (!PrePlenovaMode && startBank >= 0 && link.CurrentBank() != startBank) {
        link.SendBankSelect(startBank);
        link.SetCurrentBank(startBank);
    }
    running = false;
    aborted = false;
    link.SetJob(TLinkJob::None);
    host.Log(summary);
    host.Status(summary);
}

QStringList TPlanWalk::Changed(const std::vector<TJournalSlot>& changes, bool undo, bool& silent) {
    QStringList changed;
    const QPointer<TDeviceLink> alive(&link);
    int bank = -2;
    int unanswered = 0;
    silent = false;
    for (const TJournalSlot& slot : changes) {
        SelectBank(slot.Bank, bank);
        if (alive.isNull())
            return changed;
        const std::optional<TBytes> held = link.Store().Read(slot.Slot - 1);
        if (alive.isNull())
            return changed;
        const TBytes& expected = undo ? slot.After : slot.Before;
        const QString place = SlotPlace(slot.Bank, slot.Slot, PrePlenovaMode);
        if (!held) {
            changed << place + QStringLiteral(": did not answer");
            if (++unanswered >= kSilentSlots) {
                silent = true;
                return changed;
            }
        } else if (TVerifiedStore::FirstDifference(expected, *held) >= 0) {
            changed << place + QStringLiteral(": now holds ") + TitleOf(*held) +
                           QStringLiteral(", not ") + TitleOf(expected);
        }
    }
    return changed;
}

TPlanCounts TPlanWalk::Undo(TWriteJournal& journal, int entryId, const TAsk& ask) {
    return Replay(journal, entryId, true, ask);
}

TPlanCounts TPlanWalk::Redo(TWriteJournal& journal, int entryId, const TAsk& ask) {
    return Replay(journal, entryId, false, ask);
}

TPlanCounts TPlanWalk::Replay(TWriteJournal& journal, int entryId, bool undo, const TAsk& ask) {
    TPlanCounts counts;
    const TJournalEntry* entry = journal.Find(entryId);
    const QString verb = undo ? QStringLiteral("Undo") : QStringLiteral("Redo");
    if (entry == nullptr || entry->Undone != !undo) {
        host.Status(verb + QStringLiteral(": that step is no longer in the journal"));
        return counts;
    }
    if (link.Busy()) {
        host.Status(link.BusyReason());
        return counts;
    }
    const QPointer<TDeviceLink> alive(&link);
    const int startBank = link.CurrentBank();
    const std::vector<TJournalSlot> changes = entry->Slots;
    const QString label = verb + QLatin1Char(' ') + entry->Label;
    running = true;
    link.SetJob(TLinkJob::Plan);
    const auto end = [&](const QString& summary) {
        if (!alive.isNull())
            End(startBank, summary);
    };
    bool silent = false;
    const QStringList changed = Changed(changes, undo, silent);
    if (alive.isNull())
        return counts;
    if (silent) {
        end(label + QStringLiteral(": the unit does not answer, nothing was written"));
        return counts;
    }
    // The question is asked with the link still busy: nothing else reaches the unit meanwhile.
    if (aborted || (!changed.isEmpty() && !(ask && ask(changed)))) {
        end(label + QStringLiteral(" cancelled: nothing was written"));
        return counts;
    }
    TWritePlan plan;
    plan.Label = label;
    // Undone last first: a slot the step wrote twice gets what it held before the first.
    if (undo)
        for (auto slot = changes.rbegin(); slot != changes.rend(); ++slot)
            plan.Writes.push_back({slot->Bank, slot->Slot, slot->Before, {}, false});
    else
        for (const TJournalSlot& slot : changes)
            plan.Writes.push_back({slot.Bank, slot.Slot, slot.After, {}, false});
    counts = Write(plan, {});
    if (alive.isNull())
        return counts;
    counts.EntryId = entryId;
    if (counts.Verified == static_cast<int>(plan.Writes.size())) {
        journal.SetUndone(entryId, undo);
        const QString error = journal.Save();
        if (!error.isEmpty())
            host.Log(error);
    }
    end(label + (counts.Aborted ? QStringLiteral(" aborted: ") : QStringLiteral(": ")) +
        PlanCountsText(counts));
    return counts;
}
