// Plans of writes into the unit, carried out, undone and done again.

#include "link/PlanWalk.h"

#include "link/DeviceLink.h"
#include "link/VerifiedStore.h"
#include "model/DeviceMode.h"
#include "store/UnitLock.h"

#include <QFileInfo>
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

TPlanWalk::TPlanWalk(TJobLink& link)
    : link(link), host(link.Host()), store(link.Job<TVerifiedStore>()) {}

std::optional<TRouted> TPlanWalk::Route(const TMyMidiEvent& event, TByteView bytes) {
    return store.Route(event, bytes);
}

bool TPlanWalk::Includes(const TLinkJob& part) const {
    return &part == &store;
}

QString TPlanWalk::BusyReason() const {
    return runFor != nullptr
               ? runFor->BusyReason()
               : QStringLiteral("Presets are being written: wait for it to end or press Ctrl+C");
}

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

TPlanCounts TPlanWalk::Write(const TWritePlan& plan, const TPlanRun& how) {
    TPlanCounts counts;
    const QPointer<QObject> alive = link.Guard();
    const int total = static_cast<int>(plan.Writes.size());
    const double startTime = link.Now();
    // Without a kept copy there is nothing to put back: no step.
    TWriteJournal* journal = how.Keep ? how.Journal : nullptr;
    int entryId = 0;
    int bank = -2;
    int silent = 0;
    int handled = 0;
    for (const TPlannedWrite& write : plan.Writes) {
        if (aborted)
            break;
        // What the unit's edit buffer holds is read before its bank is chosen, which would
        // replace it: the store chooses the bank itself then.
        if (how.SendFirst)
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
        // Each slot: chosen and read to keep it, sent, stored once the unit holds it, chosen and
        // read back.
        progress.MillisecondsLeft =
            TimeLeft(link.Now() - startTime, progress.Done, total, 3.0 * link.RequestDelay() + 300);
        host.Progress(progress);
        TStoreRequest request;
        request.Dump = UnitDump(write.Dump);
        request.Slot = write.Slot;
        request.Keep = how.Keep;
        request.Verify = how.Verify;
        request.SendFirst = how.SendFirst;
        if (!how.SendFirst)
            request.Bank = PrePlenovaMode ? -1 : write.Bank;
        // The slot goes into the journal, not yet verified, before its store message leaves: a
        // program stopped at any point leaves a step that puts back what was there.
        bool journalled = false;
        bool journalFailed = false;
        request.BeforeStore = [&](const TBytes& before, const TBytes& stored) {
            if (journal == nullptr || before.empty())
                return true;
            const bool first = journal->Find(entryId) == nullptr;
            const TJournalSlot slot{write.Bank, write.Slot, before, stored, false};
            if (first) {
                TJournalEntry entry;
                entry.Label = plan.Label;
                entry.Slots.push_back(slot);
                entryId = journal->Add(std::move(entry));
            } else {
                journal->Find(entryId)->Slots.push_back(slot);
            }
            const QString error = journal->Save();
            if (!error.isEmpty()) {
                host.Log(error);
                // The journal is again what its file holds; the slot is not written.
                journal->Load();
                if (first)
                    entryId = 0;
                journalFailed = true;
                return false;
            }
            journalled = true;
            return true;
        };
        const TStoreResult result = store.Store(request, how.How);
        if (alive.isNull())
            break;
        if (journalled) {
            if (TJournalEntry* entry = journal->Find(entryId)) {
                if (result.Stored) {
                    entry->Slots.back().Verified = result.Verified;
                } else {
                    entry->Slots.pop_back();
                    if (entry->Slots.empty()) {
                        journal->Remove(entryId);
                        entryId = 0;
                    }
                }
                // Not written: the file says "not yet verified", which undoes as well.
                const QString error = journal->Save();
                if (!error.isEmpty())
                    host.Log(error);
            }
        }
        counts.Results.push_back(result);
        if (result.Stored)
            ++counts.Written;
        if (result.Verified) {
            ++counts.Verified;
        } else {
            ++counts.Failed;
            counts.FailedSlots << place + QStringLiteral(": ") +
                                      QString::fromStdString(result.Message);
        }
        told = &result;
        if (how.Told)
            how.Told(write, result);
        else if (result.Verified)
            host.Log(place + QStringLiteral(": ") + TitleOf(result.Sent) +
                     QStringLiteral(" written and verified"));
        else
            host.Log(counts.FailedSlots.back());
        told = nullptr;
        silent = result.NoAnswer ? silent + 1 : 0;
        if (journalFailed) {
            host.Log(QStringLiteral("The journal could not be written: the writes end here"));
            aborted = true;
        } else if (!result.Overwritten.empty()) {
            host.Log(QStringLiteral("The unit changed banks during a write: the writes end here"));
            aborted = true;
        } else if (!link.Stranded().isEmpty()) {
            host.Log(link.Stranded() + QStringLiteral(": the writes end here"));
            aborted = true;
        } else if (silent >= kSilentSlots) {
            host.Log(QStringLiteral("The unit stopped answering: the writes end here"));
            aborted = true;
        }
    }
    counts.Aborted = aborted;
    counts.EntryId = entryId;
    return counts;
}

bool TPlanWalk::RefusedBusy(TPlanCounts& counts) {
    if (!link.Busy())
        return false;
    counts.Refused = link.BusyReason();
    host.Status(counts.Refused);
    return true;
}

QString TPlanWalk::Begin(const TLinkJob* job, TWriteJournal* journal) {
    running = true;
    runFor = job;
    scope = std::make_unique<TJobScope>(link, *this);
    if (journal == nullptr)
        return {};
    lock = std::make_unique<TUnitLock>(QFileInfo(journal->File()).absolutePath());
    if (!lock->Take(0)) {
        const QPointer<QObject> alive = link.Guard();
        QString holder = lock->Holder();
        if (holder.isEmpty())
            holder = QStringLiteral("another program");
        const QString waiting =
            QStringLiteral("Waiting for %1 to finish writing to this unit...").arg(holder);
        host.Status(waiting);
        host.Log(waiting);
        const double start = TickCount();
        while (!lock->Take(0) && TickCount() - start < LockPatience) {
            link.Wait(100);
            if (alive.isNull())
                return QStringLiteral("The program is closing");
        }
        if (!lock->Held())
            return QStringLiteral("%1 is writing to this unit: nothing was written").arg(holder);
    }
    // Another program may have written steps since this one read the file.
    const QString problem = journal->Load();
    if (!problem.isEmpty())
        host.Log(problem);
    return {};
}

TPlanCounts TPlanWalk::Run(const TWritePlan& plan, TWriteJournal* journal) {
    TPlanRun how;
    how.Journal = journal;
    return Run(plan, how);
}

TPlanCounts TPlanWalk::Run(const TWritePlan& plan, const TPlanRun& how) {
    TPlanCounts counts;
    if (RefusedBusy(counts))
        return counts;
    const QPointer<QObject> alive = link.Guard();
    const int startBank = link.CurrentBank();
    counts.Refused = Begin(how.For, how.Journal);
    if (alive.isNull())
        return counts;
    if (!counts.Refused.isEmpty()) {
        End(startBank, counts.Refused);
        return counts;
    }
    counts = Write(plan, how);
    if (alive.isNull())
        return counts;
    QString summary = plan.Label;
    if (!summary.isEmpty())
        summary[0] = summary[0].toUpper();
    End(startBank,
        how.Summary
            ? how.Summary(counts)
            : summary + (counts.Aborted ? QStringLiteral(" aborted: ") : QStringLiteral(": ")) +
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
    lock.reset(); // the next writer may go on
    scope.reset();
    runFor = nullptr;
    host.Log(summary);
    host.Status(summary);
}

QStringList TPlanWalk::Changed(const std::vector<TJournalSlot>& changes, bool undo, bool& silent) {
    QStringList changed;
    const QPointer<QObject> alive = link.Guard();
    int bank = -2;
    int unanswered = 0;
    silent = false;
    for (const TJournalSlot& slot : changes) {
        SelectBank(slot.Bank, bank);
        if (alive.isNull())
            return changed;
        const std::optional<TBytes> held = store.Read(slot.Slot - 1);
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
    const TJournalEntry* asked = journal.Find(entryId);
    const QString verb = undo ? QStringLiteral("Undo") : QStringLiteral("Redo");
    if (asked == nullptr || asked->Undone != !undo) {
        counts.Refused = verb + QStringLiteral(": that step is no longer in the journal");
        host.Status(counts.Refused);
        return counts;
    }
    if (RefusedBusy(counts))
        return counts;
    const QPointer<QObject> alive = link.Guard();
    const int startBank = link.CurrentBank();
    const std::vector<TJournalSlot> expected = asked->Slots;
    const auto end = [&](const QString& summary) {
        if (!alive.isNull())
            End(startBank, summary);
    };
    counts.Refused = Begin(nullptr, &journal);
    if (alive.isNull())
        return counts;
    // Read again under the lock, the step must still be the one asked for: ids of a journal
    // another program rewrote may name other steps now.
    const TJournalEntry* entry =
        counts.Refused.isEmpty() ? journal.Find(entryId, expected) : nullptr;
    if (counts.Refused.isEmpty() && (entry == nullptr || entry->Undone != !undo))
        counts.Refused = verb + QStringLiteral(": that step is no longer in the journal");
    // Every slot must be one this unit has: a step read from a file is not trusted blindly.
    for (const TJournalSlot& slot : expected) {
        // The single bank is -1 or 0 in a journal; a four-bank unit's are never -1.
        const bool fits = slot.Bank >= (PrePlenovaMode ? -1 : 0) &&
                          TPlace::Of(slot.Bank, slot.Slot).Fits(PrePlenovaMode);
        if (counts.Refused.isEmpty() && !fits)
            counts.Refused = verb + QStringLiteral(": the step names a slot this unit does not "
                                                   "have; nothing was written");
    }
    if (!counts.Refused.isEmpty()) {
        end(counts.Refused);
        return counts;
    }
    const std::vector<TJournalSlot> changes = entry->Slots;
    const QString label = verb + QLatin1Char(' ') + entry->Label;
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
    TPlanRun how; // no step of its own: the step's state changes instead
    counts = Write(plan, how);
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
