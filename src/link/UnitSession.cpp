// The unit on the chosen ports, apart from any window.

#include "link/UnitSession.h"

#include "link/DeviceLink.h"
#include "model/DeviceMode.h"

#include <QDateTime>
#include <algorithm>

namespace {
// "just now", "5 minutes ago", "3 hours ago", "2 days ago".
QString Ago(const QDateTime& when) {
    const qint64 seconds = std::max<qint64>(0, when.secsTo(QDateTime::currentDateTime()));
    const auto count = [](qint64 n, const char* unit) {
        return QStringLiteral("%1 %2%3 ago").arg(n).arg(QLatin1String(unit)).arg(n == 1 ? "" : "s");
    };
    if (seconds < 60)
        return QStringLiteral("just now");
    if (seconds < 3600)
        return count(seconds / 60, "minute");
    if (seconds < 86400)
        return count(seconds / 3600, "hour");
    return count(seconds / 86400, "day");
}
} // namespace

TUnitSession::TUnitSession(TDeviceLink& link) : link(link) {}

bool TUnitSession::UseUnit(const QString& outputName, int deviceByte) {
    const QString folder = TUnitMemory::FolderFor(outputName, deviceByte);
    const bool other = !memory || memory->Folder() != folder;
    if (other) {
        // Another port or device byte, another unit. The memory of the one before is kept: a
        // window may still show it until it has taken this one.
        if (memory)
            formerMemories.push_back(std::move(memory));
        memory = std::make_unique<TUnitMemory>(folder);
        memory->Load();
    }
    link.SetMemory(memory.get());
    return other;
}

void TUnitSession::NoUnit() {
    link.SetMemory(memory.get());
}

TWriteJournal* TUnitSession::Journal(QString& problem) {
    if (!memory)
        return nullptr;
    const QString file = TWriteJournal::FileIn(memory->Folder());
    if (!journal || journal->File() != file) {
        journal = std::make_unique<TWriteJournal>(file);
        problem = journal->Load();
    }
    return journal.get();
}

TPlanCounts TUnitSession::Replay(bool undo, int entryId, const TPlanWalk::TAsk& ask,
                                 QString& label) {
    label.clear();
    QString problem;
    TWriteJournal* steps = Journal(problem);
    if (steps == nullptr)
        return {};
    const TJournalEntry* entry = entryId != 0 ? steps->Find(entryId)
                                 : undo       ? steps->ToUndo()
                                              : steps->ToRedo();
    if (entry == nullptr)
        return {};
    const int id = entry->Id;
    label = entry->Label;
    return undo ? link.Job<TPlanWalk>().Undo(*steps, id, ask)
                : link.Job<TPlanWalk>().Redo(*steps, id, ask);
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TUnitSession::SlotHoldsText(int bank, int slot) const {
    const TUnitMemory* unit = memory.get();
    const int shown = PrePlenovaMode ? 0 : (bank >= 0 ? bank : link.CurrentBank());
    if (unit == nullptr || shown < 0)
        return {};
    const QString place = SlotPlace(shown, slot, PrePlenovaMode);
    const TSlotMemory* known = unit->Slot(shown, slot);
    if (known == nullptr || known->Now() == nullptr)
        return place + QStringLiteral(": not read yet");
    const QString title = QString::fromLatin1(::PresetTitleOf(known->Now()->Dump).c_str());
    return place + QStringLiteral(" now holds: ") +
           (title.isEmpty() ? QStringLiteral("(untitled)") : title) + QStringLiteral(", ") +
           QString::fromLatin1(SeenHowText(known->Now()->LastHow)) + QLatin1Char(' ') +
           Ago(known->Now()->LastSeen);
}

TStoreResult TUnitSession::StoreFromEditor(const TStoreRequest& request,
                                           const TPlanWalk::TAsk& ask) {
    QString problem;
    TWriteJournal* steps = Journal(problem);
    if (request.UndoesStep != 0 && steps != nullptr) {
        TStoreResult result;
        // The id alone may name another step by now (another program's, or a journal begun
        // afresh): the step must be this store's, into this slot, of what it replaced.
        const TJournalEntry* entry = steps->Find(request.UndoesStep);
        const bool same = entry != nullptr && entry->Slots.size() == 1 &&
                          entry->Slots.front().Slot == request.Slot &&
                          (PrePlenovaMode || entry->Slots.front().Bank == request.Bank) &&
                          SameDumpAnyDevice(entry->Slots.front().Before, request.Dump);
        if (!same || entry->Undone) {
            result.JournalStep = -1;
            result.Message = !same ? "That store is no longer in the unit's journal"
                                   : "That store has been undone already";
            return result;
        }
        const int total = static_cast<int>(entry->Slots.size());
        result.Bank = entry->Slots.front().Bank;
        QString label;
        const TPlanCounts counts = Replay(true, request.UndoesStep, ask, label);
        result.Stored = counts.Written > 0;
        result.Verified = counts.Verified == total;
        result.JournalStep = request.UndoesStep;
        if (!result.Verified)
            result.Message = !counts.Refused.isEmpty() ? counts.Refused.toStdString()
                             : counts.FailedSlots.isEmpty()
                                 ? std::string("The store was not undone")
                                 : counts.FailedSlots.join(QLatin1Char('\n')).toStdString();
        return result;
    }
    // A store from the editor is a plan of one slot, written as every other write is. The store
    // message names no bank: where none was chosen, the unit says which one it is in.
    TStoreResult result;
    int bank = PrePlenovaMode ? 0 : request.Bank;
    if (bank < 0 || bank > 3) {
        // Asked now, not taken from what it said earlier: its knob may have moved since.
        int slot = 0;
        if (!link.WhereIsTheUnit(bank, slot)) {
            result.NoAnswer = !link.Busy();
            result.Message = link.Busy() ? link.BusyReason().toStdString()
                                         : QStringLiteral("The unit did not say which bank it is "
                                                          "in: nothing was stored in slot %1")
                                               .arg(request.Slot)
                                               .toStdString();
            return result;
        }
    }
    const QString title = QString::fromLatin1(::PresetTitleOf(request.Dump).c_str());
    TWritePlan plan;
    plan.Label = QStringLiteral("store of %1 into %2")
                     .arg(title.isEmpty() ? QStringLiteral("(untitled)") : title,
                          SlotPlace(bank, request.Slot, PrePlenovaMode));
    plan.Writes.push_back({bank, request.Slot, request.Dump, {}, false});
    TPlanRun how;
    how.Journal = steps;
    how.Keep = request.Keep;
    how.Verify = request.Verify;
    how.SendFirst = request.SendFirst;
    const TPlanCounts counts = link.Job<TPlanWalk>().Run(plan, how);
    if (!counts.Results.empty())
        result = counts.Results.front();
    else
        result.Message = counts.Refused.isEmpty() ? std::string("Nothing was stored")
                                                  : counts.Refused.toStdString();
    result.JournalStep = counts.EntryId;
    return result;
}
