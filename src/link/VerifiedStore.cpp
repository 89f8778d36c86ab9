// The verified store and the fetch it is built on.

#include "link/VerifiedStore.h"

#include "link/BackupFolder.h"
#include "link/DeviceLink.h"
#include "model/DeviceMode.h"

#include <QPointer>
#include <algorithm>

namespace {
QString Hex(std::uint8_t byte) {
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}
} // namespace

TVerifiedStore::TVerifiedStore(TDeviceLink& link, TLinkHost& host) : link(link), host(host) {}

std::optional<TBytes> TVerifiedStore::Fetch(int index) {
    const auto select = SelectPresetMessage(DeviceId, index);
    if (!select || fetching || link.Job() == TLinkJob::Walk || host.Output() == nullptr)
        return std::nullopt;
    const QPointer<TDeviceLink> alive(&link);
    fetched.reset();
    fetching = true;
    fetchingSlot = index + 1;
    unplaced = 0;
    strays = 0;
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
    answeredElsewhere = !fetched && strays > 0;
    std::optional<TBytes> result = std::move(fetched);
    fetched.reset();
    return result;
}

bool TVerifiedStore::Arrived(TByteView dump) {
    if (!fetching || fetched)
        return false;
    // Sent before the unit said where it is: an earlier answer, or one sent twice.
    if (link.PlaceStillOwed()) {
        link.Ledger().ArrivedEarly(ticket);
        return false;
    }
    if (link.Ledger().Arrived(dump, ticket) != TAnswerLedger::TVerdict::Take)
        return false;
    // Its own request's answer, but maybe not this slot's: chosen again (once only where the
    // unit's reply was lost, as the walk does, and never once the unit has answered from
    // elsewhere).
    using TPlace = TDeviceLink::TPlace;
    const TPlace place = link.PlaceOf(PrePlenovaMode ? -1 : link.CurrentBank(), fetchingSlot);
    if (place == TPlace::OtherSlot || place == TPlace::OtherBank ||
        (place == TPlace::Unknown && (strays > 0 || ++unplaced < 2))) {
        strayAnswer = true;
        strayBank = place == TPlace::OtherBank;
        if (place != TPlace::Unknown)
            ++strays;
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

int TVerifiedStore::ReadSlots(const std::vector<std::pair<int, int>>& wanted) {
    if (link.Busy()) {
        host.Status(link.BusyReason());
        return 0;
    }
    const QPointer<TDeviceLink> alive(&link);
    link.SetJob(TLinkJob::Store);
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
        if (Read(slot - 1))
            ++read;
        if (alive.isNull())
            return read;
    }
    if (!PrePlenovaMode && startBank >= 0 && startBank != link.CurrentBank()) {
        link.SendBankSelect(startBank);
        link.SetCurrentBank(startBank);
    }
    link.SetJob(TLinkJob::None);
    return read;
}

TStoreResult TVerifiedStore::Store(const TStoreRequest& request, TSeenHow how) {
    const QPointer<TDeviceLink> alive(&link);
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
    const TBytes& dump = request.Dump;
    const int slot = request.Slot;
    // A restore and a plan are one job each: their stores are parts of it.
    if (link.Job() != TLinkJob::None && link.Job() != TLinkJob::Restore &&
        link.Job() != TLinkJob::Plan) {
        result.Message = link.BusyReason().toStdString();
        return result;
    }
    const auto store = StorePresetMessage(DeviceId, slot);
    if (!store || !IsPresetDump(dump) || !IsWellFormedSysex(dump)) {
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
    const QPointer<TDeviceLink> alive(&link);
    const bool ownJob = link.Job() == TLinkJob::None;
    if (ownJob)
        link.SetJob(TLinkJob::Store);
    struct EndJob {
        QPointer<TDeviceLink> link;
        bool own;
        ~EndJob() {
            if (own && !link.isNull())
                link->SetJob(TLinkJob::None);
        }
    } endJob{alive, ownJob};

    if (request.Bank >= 0 && request.Bank <= 3 && !PrePlenovaMode) {
        link.SendBankSelect(request.Bank);
        link.SetCurrentBank(request.Bank);
        link.PacedWait(2.0 * link.RequestDelay());
        if (alive.isNull())
            return result;
    }
    result.Bank = PrePlenovaMode ? -1 : link.CurrentBank();
    bool send = request.SendFirst;
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
    // The keep's fetch has made sure of the bank; without it the unit is asked, while it takes
    // the dump.
    const bool checkBank = !request.Keep && result.Bank >= 0;
    if (send) {
        link.SendRequest(dump);
        if (checkBank)
            link.AskBank();
        link.PacedWait(link.RequestDelay());
        if (alive.isNull())
            return result;
    }
    if (checkBank) {
        bool chosenAgain = false;
        const TDeviceLink::TPlace place = link.ConfirmBank(result.Bank, send, chosenAgain);
        if (alive.isNull())
            return result;
        if (place != TDeviceLink::TPlace::Here) {
            result.NoAnswer = place == TDeviceLink::TPlace::Unknown;
            result.Message =
                (result.NoAnswer ? QStringLiteral("The unit did not say which bank it is in: "
                                                  "nothing was stored in slot %1")
                                       .arg(slot)
                                 : QStringLiteral("The unit would not change to bank %1: nothing "
                                                  "was stored in slot %2")
                                       .arg(QLatin1Char(BankLetters[result.Bank]))
                                       .arg(slot))
                    .toStdString();
            return result;
        }
        if (chosenAgain) { // choosing the bank loaded the edit buffer anew
            link.SendRequest(dump);
            link.PacedWait(link.RequestDelay());
            if (alive.isNull())
                return result;
        }
    }
    result.Stored = link.SendRequest(*store);
    if (!result.Stored) {
        result.Message =
            QStringLiteral("The store message could not be sent: nothing was stored in slot %1")
                .arg(slot)
                .toStdString();
        return result;
    }
    if (!request.Verify)
        return result;
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
