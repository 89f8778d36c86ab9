// The verified store and the fetch it is built on.

#include "link/VerifiedStore.h"

#include "link/DeviceLink.h"
#include "link/PlanWalk.h"
#include "model/DeviceMode.h"
#include "store/BackupFolder.h"

#include <QPointer>
#include <algorithm>

namespace {
QString Hex(std::uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

QString Title(TByteView dump) {
    const QString title = QString::fromLatin1(PresetTitleOf(dump).c_str());
    return title.isEmpty() ? QStringLiteral("(untitled)") : title;
}

// Slots a bank holds.
int SlotsPerBank() {
    return PrePlenovaMode ? 128 : 200;
}
} // namespace

TVerifiedStore::TVerifiedStore(TJobLink& link) : link(link), host(link.Host()) {}

QString TVerifiedStore::BusyReason() const {
    return QStringLiteral("A preset is being stored: wait for it to end");
}

std::optional<TRouted> TVerifiedStore::Route(const TMyMidiEvent& event, TByteView bytes) {
    (void)event;
    if (!fetching || !::IsPresetDump(bytes))
        return std::nullopt;
    return Arrived(bytes) ? TRouted::Taken : TRouted::Unclaimed;
}

std::optional<TBytes> TVerifiedStore::Fetch(int index) {
    const auto select = SelectPresetMessage(DeviceId, index);
    if (!select || fetching || !link.PartOfRunning(*this) || host.Output() == nullptr)
        return std::nullopt;
    const QPointer<QObject> alive = link.Guard();
    // A unit on the slot already may not load it again when it is chosen, and its edit buffer
    // may hold what was sent or edited since: it is sent elsewhere first. Where it is not known,
    // it may be there.
    const int bank = PrePlenovaMode ? -1 : link.CurrentBank();
    const bool onIt = link.PresetAnswer() < 1 ||
                      (link.PresetAnswer() == index + 1 && (bank < 0 || link.BankAnswer() == bank));
    if (onIt) {
        MoveAway(bank, index + 1);
        if (alive.isNull())
            return std::nullopt;
    }
    fetched.reset();
    fetching = true;
    fetchingSlot = index + 1;
    check.Begin();
    strayBank = false;
    answeredElsewhere = false;
    ticket = link.Ledger().NewTicket();
    const double timeout = link.Timings().TimeoutMilliseconds;
    // Another try when the unit answers at all: once after a lost dump (not a silent unit), and
    // up to three times more after a dump from another slot (the choice was lost). What was owed
    // before it is settled first, so nothing late is taken for this slot.
    int silences = 0;
    for (int attempt = 0; attempt < 4 && silences < 2 && !fetched; ++attempt) {
        if (attempt > 0 && !link.SettleAnswers(timeout))
            break;
        if (alive.isNull())
            return std::nullopt;
        if (fetched)
            break;
        if (strayBank && link.CurrentBank() >= 0) {
            // The message choosing the bank was lost.
            link.SendBankSelect(link.CurrentBank());
            link.PacedWait(2.0 * link.RequestDelay());
            if (alive.isNull())
                return std::nullopt;
        }
        link.SendRequest(*select);
        link.PacedWait(link.RequestDelay());
        if (alive.isNull())
            return std::nullopt;
        if (fetched)
            break; // the first try's answer came after all
        strayAnswer = false;
        strayBank = false;
        link.AskPlace();
        link.SendRequest(RequestCurrentPresetMessage(DeviceId));
        link.Ledger().Requested(ticket);
        const double start = link.Now();
        while (!fetched && !strayAnswer && link.Now() - start <= timeout) {
            link.Wait(5);
            if (alive.isNull())
                return std::nullopt;
        }
        if (!fetched && !strayAnswer)
            ++silences;
    }
    fetching = false;
    ticket = 0;
    answeredElsewhere = !fetched && check.Strays() > 0;
    std::optional<TBytes> result = std::move(fetched);
    fetched.reset();
    return result;
}

bool TVerifiedStore::Arrived(TByteView dump) {
    if (!fetching || fetched)
        return false;
    // The edit buffer is read wherever the unit is (the replies before it say which slot that
    // is); a slot's answer must be the slot's. From elsewhere, it is chosen again.
    const TAnswerCheck::TVerdict verdict =
        readingEditBuffer ? check.Check(link, dump, ticket, -1, 0)
                          : check.Check(link, dump, ticket,
                                        PrePlenovaMode ? -1 : link.CurrentBank(), fetchingSlot);
    if (verdict == TAnswerCheck::TVerdict::NotOurs)
        return false;
    if (verdict == TAnswerCheck::TVerdict::AskAgain) {
        strayAnswer = true;
        strayBank = check.Place() == TJobLink::TWhere::OtherBank;
        return true;
    }
    fetched = TBytes(dump.begin(), dump.end());
    return true;
}

// Either order gives the same answer.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int TVerifiedStore::FirstDifference(TByteView sent, TByteView held) {
    const std::size_t count = std::min(sent.size(), held.size());
    for (std::size_t i = 0; i < count; ++i)
        if (i != 2 && sent[i] != held[i])
            return static_cast<int>(i);
    return sent.size() == held.size() ? -1 : static_cast<int>(count);
}

TStoreResult TVerifiedStore::Store(const TStoreRequest& request) {
    return Store(request, TSeenHow::Stored);
}

std::optional<TBytes> TVerifiedStore::Read(int index) {
    std::optional<TBytes> held = Fetch(index);
    if (held)
        link.NoteSeen(PrePlenovaMode ? -1 : link.CurrentBank(), index + 1, *held, TSeenHow::Read);
    return held;
}

std::optional<TBytes> TVerifiedStore::ReadEditBuffer() {
    if (fetching || !link.PartOfRunning(*this) || host.Output() == nullptr)
        return std::nullopt;
    const QPointer<QObject> alive = link.Guard();
    fetched.reset();
    fetching = true;
    readingEditBuffer = true;
    check.Begin();
    ticket = link.Ledger().NewTicket();
    link.AskPlace();
    link.SendRequest(RequestCurrentPresetMessage(DeviceId));
    link.Ledger().Requested(ticket);
    const double start = link.Now();
    while (!fetched && link.Now() - start <= link.Timings().TimeoutMilliseconds) {
        link.Wait(5);
        if (alive.isNull())
            return std::nullopt;
    }
    fetching = false;
    readingEditBuffer = false;
    ticket = 0;
    std::optional<TBytes> result = std::move(fetched);
    fetched.reset();
    return result;
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TVerifiedStore::TMove TVerifiedStore::MoveAway(int bank, int slot) {
    const int index = slot - 1;
    const int away = index + 1 < SlotsPerBank() ? index + 1 : index - 1;
    const auto select = SelectPresetMessage(DeviceId, away);
    if (!select)
        return TMove::Silent;
    const QPointer<QObject> alive = link.Guard();
    // The message choosing the slot can be lost: chosen again while the unit says it stayed.
    for (int attempt = 0; attempt < 3; ++attempt) {
        link.SendRequest(*select);
        link.AskPlace();
        const bool replied = link.AwaitPlace();
        if (alive.isNull())
            return TMove::Silent;
        if (!replied && !link.PlacesTold()) // a unit that never tells is taken at its word
            return TMove::There;
        // Replies lost on the way: once the unit answers at all, it is asked again.
        if (!replied) {
            if (!link.SettleAnswers(link.Timings().TimeoutMilliseconds))
                return TMove::Silent;
            if (alive.isNull())
                return TMove::Silent;
            continue;
        }
        if (!PrePlenovaMode && bank >= 0 && link.BankAnswer() != bank)
            return TMove::OtherBank;
        if (link.PresetAnswer() == away + 1)
            return TMove::There;
    }
    return TMove::Silent;
}

TVerifiedStore::THold TVerifiedStore::AwaitTaken(const TBytes& dump, int bank) {
    const QPointer<QObject> alive = link.Guard();
    const double timeout = link.Timings().TimeoutMilliseconds;
    double since = link.Now();
    bool sentAgain = false;
    int bankChoices = 0;
    for (;;) {
        const std::optional<TBytes> held = ReadEditBuffer();
        if (alive.isNull() || !held)
            return THold::Silent;
        if (!PrePlenovaMode && bank >= 0 && link.BankAnswer() >= 0 && link.BankAnswer() != bank) {
            // The message choosing the bank was lost, or the unit was moved meanwhile: the bank
            // is chosen again, which loads the edit buffer anew, so the dump goes again too.
            if (++bankChoices > 2)
                return THold::OtherBank;
            host.Log(QStringLiteral("The unit is in bank %1: choosing bank %2 again")
                         .arg(QChar::fromLatin1(BankLetters[std::clamp(link.BankAnswer(), 0, 3)]))
                         .arg(QChar::fromLatin1(BankLetters[bank])));
            link.SendBankSelect(bank);
            link.PacedWait(2.0 * link.RequestDelay());
            if (alive.isNull())
                return THold::Silent;
            link.SendRequest(dump);
            since = link.Now();
            continue;
        }
        if (SameDumpAnyDevice(*held, dump))
            return THold::Held;
        if (link.Now() - since > timeout) {
            // Lost on the way, or the unit is slower than it is given: sent once more.
            if (sentAgain)
                return THold::NotTaken;
            link.SendRequest(dump);
            sentAgain = true;
            since = link.Now();
        }
        // A unit still taking the dump answers with what it held before: asked again shortly.
        link.PacedWait(std::clamp(link.RequestDelay() / 4.0, 5.0, 100.0));
        if (alive.isNull())
            return THold::Silent;
    }
}

int TVerifiedStore::ReadSlots(const std::vector<TPlace>& wanted) {
    const TJobScope scope(link, *this);
    if (!scope || link.Running() != this) {
        host.Status(link.BusyReason());
        return 0;
    }
    const QPointer<QObject> alive = link.Guard();
    const int startBank = link.CurrentBank();
    int read = 0;
    for (const auto& [bank, slot] : wanted) {
        if (!link.Stranded().isEmpty())
            break;
        if (!PrePlenovaMode && bank != link.CurrentBank()) {
            link.SendBankSelect(bank);
            link.SetCurrentBank(bank);
            link.PacedWait(2.0 * link.RequestDelay());
            if (alive.isNull())
                return read;
        }
        const std::optional<TBytes> held = Read(slot - 1);
        if (alive.isNull())
            return read;
        // Counted only once remembered: a plan built on the memory must not find an older
        // version there because the new one could not be written down.
        const TSlotMemory* remembered =
            link.Memory() != nullptr ? link.Memory()->Slot(TPlace::Of(bank, slot)) : nullptr;
        if (held &&
            (link.Memory() == nullptr || (remembered != nullptr && remembered->Now() != nullptr &&
                                          SameDumpAnyDevice(remembered->Now()->Dump, *held))))
            ++read;
    }
    if (!PrePlenovaMode && startBank >= 0 && startBank != link.CurrentBank()) {
        link.SendBankSelect(startBank);
        link.SetCurrentBank(startBank);
    }
    return read;
}

TStoreResult TVerifiedStore::Store(const TStoreRequest& request, TSeenHow how) {
    const QPointer<QObject> alive = link.Guard();
    TStoreResult result = StoreHere(request, how);
    // A port that did not come back is the reason, whatever the store ran into without it.
    if (!alive.isNull() && !link.Stranded().isEmpty() && !result.Verified &&
        (!result.Stored || request.Verify))
        result.Message =
            (link.Stranded() + QStringLiteral(": ") +
             (result.Stored ? QStringLiteral("the store could not be verified")
                            : QStringLiteral("nothing was stored in slot %1").arg(request.Slot)))
                .toStdString();
    return result;
}

TStoreResult TVerifiedStore::StoreHere(const TStoreRequest& request, TSeenHow how) {
    TStoreResult result;
    const int slot = request.Slot;
    // Its own job, or a part of one that includes it (a plan's stores).
    if (link.Busy() && !link.Running()->Includes(*this)) {
        result.Message = link.BusyReason().toStdString();
        return result;
    }
    const auto store = StorePresetMessage(DeviceId, slot);
    if (!store ||
        (request.SendFirst && (!IsPresetDump(request.Dump) || !IsWellFormedSysex(request.Dump)))) {
        result.Message =
            QStringLiteral("Nothing was stored: not a preset that can be sent to slot %1")
                .arg(slot)
                .toStdString();
        return result;
    }
    if (host.Output() == nullptr || !host.OutputAvailable(false)) {
        result.Message = "MIDI Out device not available";
        return result;
    }
    const QPointer<QObject> alive = link.Guard();
    const TJobScope scope(link, *this);

    // What the user asked to store without sending: the unit's edit buffer, read before anything
    // else (choosing a bank or reading the slot to keep it replaces it), and sent back later.
    TBytes dump = request.Dump;
    if (!request.SendFirst) {
        const std::optional<TBytes> held = ReadEditBuffer();
        if (alive.isNull())
            return result;
        if (!held) {
            result.NoAnswer = true;
            result.Message =
                QStringLiteral("The unit did not send the preset it holds: nothing was stored in "
                               "slot %1")
                    .arg(slot)
                    .toStdString();
            return result;
        }
        dump = *held;
        dump[2] = static_cast<std::uint8_t>(DeviceId & 0x7F);
    }
    bool send = request.SendFirst;
    if (request.Bank >= 0 && request.Bank <= 3 && !PrePlenovaMode) {
        link.SendBankSelect(request.Bank);
        link.SetCurrentBank(request.Bank);
        link.PacedWait(2.0 * link.RequestDelay());
        if (alive.isNull())
            return result;
        send = true; // choosing the bank loaded the edit buffer anew
    } else if (!PrePlenovaMode && link.CurrentBank() < 0) {
        // The store names no bank: the unit is asked which one it is in, never assumed.
        link.AskBank();
        const bool told = link.AwaitPlace();
        if (alive.isNull())
            return result;
        if (told && link.BankAnswer() >= 0 && link.BankAnswer() <= 3)
            link.SetCurrentBank(link.BankAnswer());
        if (link.CurrentBank() < 0) {
            result.NoAnswer = !told;
            result.Message = QStringLiteral("The unit did not say which bank it is in: nothing "
                                            "was stored in slot %1")
                                 .arg(slot)
                                 .toStdString();
            return result;
        }
    }
    result.Bank = PrePlenovaMode ? -1 : link.CurrentBank();
    if (request.Keep) {
        const std::optional<TBytes> old = Fetch(slot - 1);
        if (alive.isNull())
            return result;
        if (!old) {
            result.NoAnswer = !AnsweredElsewhere();
            result.Message =
                (result.NoAnswer ? QStringLiteral("The unit did not answer: the preset in slot %1 "
                                                  "could not be kept, so nothing was stored")
                                 : QStringLiteral("The unit would not move to slot %1: the preset "
                                                  "there could not be kept, so nothing was stored"))
                    .arg(slot)
                    .toStdString();
            return result;
        }
        QString error;
        result.KeptFile =
            KeepReplacedPreset(ReplacedFolder, *old, result.Bank, slot, error).toStdString();
        if (result.KeptFile.empty()) {
            result.Message =
                QStringLiteral(
                    "The preset in slot %1 could not be kept (%2), so nothing was stored")
                    .arg(slot)
                    .arg(error)
                    .toStdString();
            return result;
        }
        result.Replaced = *old;
        link.NoteSeen(result.Bank, slot, *old, TSeenHow::Kept);
        send = true; // fetching it replaced the unit's edit buffer
    }
    THold hold = THold::Held;
    if (send) {
        // The store is sent only once the unit holds the dump: a unit still taking it would
        // store what it held before.
        link.SendRequest(dump);
        hold = AwaitTaken(dump, result.Bank);
    } else if (result.Bank >= 0) {
        bool chosenAgain = false;
        const TJobLink::TWhere place = link.ConfirmBank(result.Bank, false, chosenAgain);
        if (alive.isNull())
            return result;
        hold = place == TJobLink::TWhere::Here        ? THold::Held
               : place == TJobLink::TWhere::OtherBank ? THold::OtherBank
                                                      : THold::Silent;
        if (hold == THold::Held && chosenAgain) { // choosing the bank loaded the edit buffer anew
            link.SendRequest(dump);
            hold = AwaitTaken(dump, result.Bank);
        }
    }
    if (alive.isNull())
        return result;
    if (hold != THold::Held) {
        result.NoAnswer = hold == THold::Silent;
        result.Message =
            (hold == THold::Silent ? QStringLiteral("The unit did not answer before the store: "
                                                    "nothing was stored in slot %1")
                                         .arg(slot)
             : hold == THold::NotTaken
                 ? QStringLiteral("The unit did not take the preset: nothing was stored in slot %1")
                       .arg(slot)
                 : QStringLiteral("The unit would not change to bank %1: nothing was stored in "
                                  "slot %2")
                       .arg(QLatin1Char(BankLetters[std::clamp(result.Bank, 0, 3)]))
                       .arg(slot))
                .toStdString();
        return result;
    }
    if (request.BeforeStore && !request.BeforeStore(result.Replaced, dump)) {
        result.Message =
            QStringLiteral("The journal could not be written: nothing was stored in slot %1")
                .arg(slot)
                .toStdString();
        return result;
    }
    result.Stored = link.SendRequest(*store);
    if (!result.Stored) {
        result.Message =
            QStringLiteral("The store message could not be sent: nothing was stored in slot %1")
                .arg(slot)
                .toStdString();
        return result;
    }
    result.Sent = dump;
    // Where the store went: the unit is asked right after it (and, to read the slot back from
    // its memory, sent to the slot next to it). The store message names no bank: a unit moved
    // to another bank meanwhile may have stored into that bank's slot.
    TMove move = TMove::There;
    if (request.Verify) {
        move = MoveAway(result.Bank, slot);
    } else if (result.Bank >= 0) {
        link.AskBank();
        const bool told = link.AwaitPlace();
        move = !told                                                        ? TMove::Silent
               : link.BankAnswer() >= 0 && link.BankAnswer() != result.Bank ? TMove::OtherBank
                                                                            : TMove::There;
    }
    if (alive.isNull())
        return result;
    if (move == TMove::OtherBank) {
        const int moved = std::clamp(link.BankAnswer(), 0, 3);
        const QString where = SlotPlace(moved, slot, false);
        const TSlotMemory* known =
            link.Memory() != nullptr ? link.Memory()->Slot(moved, slot) : nullptr;
        const QString held =
            known != nullptr && known->Now() != nullptr
                ? QStringLiteral("it held %1 when last seen").arg(Title(known->Now()->Dump))
                : QStringLiteral("what it held is not known");
        result.Overwritten = (where + QStringLiteral(" (") + held + QLatin1Char(')')).toStdString();
        result.Message = QStringLiteral("The unit was moved to bank %1 during the store: %2 may "
                                        "have been overwritten (%3); slot %4 was not verified")
                             .arg(QLatin1Char(BankLetters[moved]))
                             .arg(where, held)
                             .arg(slot)
                             .toStdString();
        return result;
    }
    if (!request.Verify)
        return result;
    if (move == TMove::Silent) {
        result.NoAnswer = true;
        result.Message = QStringLiteral("The unit did not say where it is after the store: slot "
                                        "%1 could not be verified")
                             .arg(slot)
                             .toStdString();
        return result;
    }
    const std::optional<TBytes> held = Fetch(slot - 1);
    if (alive.isNull())
        return result;
    if (!held) {
        result.NoAnswer = !AnsweredElsewhere();
        result.Message =
            (result.NoAnswer ? QStringLiteral("The unit did not answer when slot %1 was read back: "
                                              "the store could not be verified")
                             : QStringLiteral("The unit would not move to slot %1 to read it back: "
                                              "the store could not be verified"))
                .arg(slot)
                .toStdString();
        return result;
    }
    const int at = FirstDifference(dump, *held);
    // What the slot holds now, whatever it is.
    link.NoteSeen(result.Bank, slot, *held, at < 0 ? how : TSeenHow::Read);
    if (at < 0) {
        result.Verified = true;
        return result;
    }
    const auto byte = static_cast<std::size_t>(at);
    result.Message =
        (at < static_cast<int>(std::min(dump.size(), held->size()))
             ? QStringLiteral("Slot %1 does not hold what was sent: byte %2 is %3 instead of %4")
                   .arg(slot)
                   .arg(at)
                   .arg(Hex((*held)[byte]), Hex(dump[byte]))
             : QStringLiteral("Slot %1 does not hold what was sent: %2 bytes instead of %3")
                   .arg(slot)
                   .arg(held->size())
                   .arg(dump.size()))
            .toStdString();
    return result;
}
