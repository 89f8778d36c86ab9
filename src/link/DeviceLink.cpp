// The device link: input and its routing, requests, replies, pacing and time-outs.

#include "link/DeviceLink.h"

#include "midi/MidiIn.h"
#include "model/DeviceMode.h"
#include "store/Place.h"

#include <QCoreApplication>
#include <QPointer>
#include <algorithm>
#include <chrono>
#include <cmath>

double TickCount() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// (done, total), as a count reads: 37 of 200.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
double TimeLeft(double elapsed, int done, int total, double guessPerPreset) {
    if (done > 0)
        return elapsed / done * std::max(0, total - done);
    return guessPerPreset * std::max(0, total);
}

namespace {
// The least a unit is given to answer a ping, whatever the request delay: a delay of a few
// milliseconds is shorter than a MIDI system takes to carry the question and the reply.
constexpr double kLeastReplyWindow = 1000;

} // namespace

QString TLinkProgress::Text() const {
    QString text = Bank >= 0 ? QStringLiteral("Bank %1: ").arg(BankLetter(Bank)) : QString();
    if (Restoring)
        text += QStringLiteral("slot %1, preset %2 of %3").arg(Number).arg(Done + 1).arg(Total);
    else
        text += QStringLiteral("preset %1 of %2").arg(Number).arg(LastNumber);
    if (Tries > 1)
        text += QStringLiteral(", try %1").arg(Tries);
    const int seconds = static_cast<int>(std::ceil(MillisecondsLeft / 1000.0));
    if (seconds >= 60)
        text += QStringLiteral(" - about %1 min %2 s left").arg(seconds / 60).arg(seconds % 60);
    else
        text += QStringLiteral(" - about %1 s left").arg(seconds);
    return text;
}

TDeviceLink::TDeviceLink(TLinkHost& host, QObject* parent) : QObject(parent), host(host) {
    replyTimer = new QTimer(this);
    replyTimer->setObjectName(QStringLiteral("timReply"));
    replyTimer->setInterval(10000);
    connect(replyTimer, &QTimer::timeout, this, [this] { ReplyTimerTick(); });
}

TDeviceLink::~TDeviceLink() {
    replyTimer->stop();
    Attach(nullptr);
    // The jobs go while the link is whole; a job that still runs ends with nothing more said.
    running = nullptr;
    DropJobs();
}

void TDeviceLink::Attach(TMidiInput* port) {
    if (input != nullptr)
        input->OnMidiInput = nullptr;
    input = port;
    if (input != nullptr)
        input->OnMidiInput = [this](TMidiInput& sender) { TakeInput(sender); };
}

void TDeviceLink::TakeInput(TMidiInput& sender) {
    // A handler busy further up (a status update let this wake-up through) takes these items
    // itself, in order; only one suspended in a wait lets another in. So a steady stream never
    // stacks handler upon handler, and nesting goes no deeper than the waits do.
    if (takingInput > waitingInput)
        return;
    const QPointer<TDeviceLink> alive(this);
    host.InputDepth(++takingInput);
    // What one drain takes is one batch for the host; wake-ups meanwhile are turned away, so
    // what they brought is the next batch here.
    do {
        try {
            while (sender.PendingCount() > 0) {
                std::unique_ptr<TMyMidiEvent> event = sender.ReadEvent();
                if (!event)
                    break;
                if (observe)
                    observe(*event);
                const TRouted routed = Route(*event);
                if (alive.isNull())
                    return;
                if (routed != TRouted::Unclaimed)
                    continue;
                if (!event->SysexData && (event->StatusByte & 0xF0) == 0xC0) {
                    emit ProgramChangeArrived(event->DataByte1);
                    if (alive.isNull())
                        return;
                }
                host.Unclaimed(std::move(event));
            }
        } catch (const std::exception& error) {
            // The device went wrong under us (a buffer it would not take back): say so, go on.
            host.InputFailed(QString::fromStdString(error.what()));
            host.InputTaken();
            break;
        }
        host.InputTaken();
    } while (sender.PendingCount() > 0);
    host.InputDepth(--takingInput);
}

void TDeviceLink::Wait(int milliseconds) {
    if (takingInput <= waitingInput) { // not inside the handler: input flows as it always does
        host.Wait(milliseconds);
        return;
    }
    // The host shows what was taken so far before the wait begins.
    host.InputTaken();
    const QPointer<TDeviceLink> alive(this);
    ++waitingInput;
    // Items that came while the handler was busy had their wake-ups turned away; take them now.
    if (input != nullptr && input->PendingCount() > 0)
        TakeInput(*input);
    if (!alive.isNull())
        host.Wait(milliseconds);
    if (!alive.isNull())
        --waitingInput;
}

TRouted TDeviceLink::Route(const TMyMidiEvent& event) {
    const bool sysex = event.StatusByte == 0xF0 && event.SysexData != nullptr;
    const TByteView bytes = sysex ? TByteView(event.SysexData.get(), event.SysexSize) : TByteView();
    // The running job first.
    bool drop = false;
    if (running != nullptr) {
        if (const std::optional<TRouted> routed = running->Route(event, bytes))
            return *routed;
        drop = running->DropsTheRest();
    }
    // Then the replies it awaits.
    if (HandleReply(event))
        return TRouted::Taken;
    if (drop)
        return TRouted::Dropped;
    // A preset nobody waits for (F10's answer, a late one) settles what it answers; F10's own
    // answer goes into the slot the unit just named.
    if (sysex && ::IsPresetDump(bytes) &&
        ledger.Arrived(bytes, currentAsked.Ticket) == TAnswerLedger::TVerdict::Take &&
        currentAsked.Ticket != 0) {
        const int bank = PrePlenovaMode ? 0 : bankAnswer;
        const int last = PrePlenovaMode ? 128 : 200;
        if (bank >= 0 && bank <= 3 && presetAnswer >= 1 && presetAnswer <= last)
            NoteSeen(bank, presetAnswer, bytes, TSeenHow::Read);
        currentAsked = {};
    }
    return TRouted::Unclaimed;
}

double TDeviceLink::Now() const {
    const double now = TickCount();
    return (now - stillBefore - (still ? now - stillSince : 0)) * clockSpeed;
}

void TDeviceLink::UpdateClock() {
    const bool stop = !missing.isEmpty() && Busy() && stranded.isEmpty();
    if (stop == still)
        return;
    const double now = TickCount();
    if (still)
        stillBefore += now - stillSince;
    else
        stillSince = now;
    still = stop;
}

void TDeviceLink::SetPortMissing(const QString& what) {
    if (what.isEmpty())
        stranded.clear();
    missing = what;
    UpdateClock();
}

void TDeviceLink::StopWaiting() {
    if (missing.isEmpty() || !Busy() || !stranded.isEmpty())
        return;
    stranded = QStringLiteral("Stopped while waiting for %1").arg(missing);
    UpdateClock();
}

bool TDeviceLink::AwaitPort() {
    if (missing.isEmpty() || !Busy())
        return stranded.isEmpty();
    const QPointer<TDeviceLink> alive(this);
    ++pacing;
    while (!missing.isEmpty() && stranded.isEmpty() && Busy()) {
        if ((TickCount() - stillSince) * clockSpeed >= kPortPatience) {
            stranded = QStringLiteral("%1 did not come back within %2 minutes")
                           .arg(missing)
                           .arg(kPortPatience / 60000);
            UpdateClock();
            host.Log(stranded);
            break;
        }
        Wait(20);
        if (alive.isNull())
            return false;
    }
    --pacing;
    return stranded.isEmpty() && missing.isEmpty();
}

void TDeviceLink::Begin(TLinkJob& job) {
    if (running != nullptr)
        return;
    running = &job;
    // A job begins with the whole patience for a port that is missing.
    stranded.clear();
    UpdateClock();
    emit BusyChanged(true);
}

void TDeviceLink::End(const TLinkJob& job) {
    if (running != &job)
        return;
    running = nullptr;
    UpdateClock();
    // A job's questions of where the unit is end with it: a reply lost to one of them must not
    // swallow the bank the next ping reports.
    bankOwed = numberOwed = false;
    emit BusyChanged(false);
}

QString TDeviceLink::BusyReason() const {
    return running != nullptr ? running->BusyReason() : QString();
}

void TDeviceLink::Abort() {
    if (running != nullptr)
        running->Abort();
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TDeviceLink::NoteSeen(int bank, int slot, TByteView dump, TSeenHow how) {
    NoteTitle(bank, slot, QString::fromLatin1(PresetTitleOf(dump).c_str()));
    if (unitMemory == nullptr)
        return;
    const TPlace place = TPlace::Of(bank, slot);
    const QString error = unitMemory->Saw(place.Bank, place.Slot, dump, how);
    if (!error.isEmpty())
        host.Log(QStringLiteral("The unit's memory could not be kept: ") + error);
    else
        emit SlotRemembered(place.Bank, place.Slot);
}

void TDeviceLink::SetRequestDelay(int milliseconds) {
    // A stored 0 reads as the default.
    timings.RequestDelay = milliseconds > 0 ? milliseconds : 1000;
}

void TDeviceLink::SetClockSpeed(double speed) {
    clockSpeed = speed > 0 ? speed : 1;
}

int TDeviceLink::RealMilliseconds(double milliseconds) const {
    return std::max(1, static_cast<int>(std::ceil(milliseconds / clockSpeed)));
}

void TDeviceLink::PacedWait(double milliseconds) {
    ++pacing;
    const QPointer<TDeviceLink> alive(this);
    Wait(RealMilliseconds(milliseconds));
    // A port that went meanwhile is waited for: the job goes on where it was once it is back.
    if (!alive.isNull())
        AwaitPort();
    if (!alive.isNull())
        --pacing;
}

bool TDeviceLink::SettleAnswers(double timeout) {
    const std::uint64_t mark = ledger.Mark();
    const QPointer<TDeviceLink> alive(this);
    markerPending = true;
    SendRequest(RequestParameterMessage(DeviceId, kBypassAddress));
    const double start = Now();
    ++pacing;
    while (markerPending && Now() - start <= timeout) {
        Wait(5);
        if (alive.isNull())
            return false;
    }
    --pacing;
    const bool replied = !markerPending;
    markerPending = false;
    if (replied)
        ledger.Settle(mark);
    return replied;
}

void TDeviceLink::AskPlace() {
    bankAnswer = -1;
    presetAnswer = -1;
    // Replies to an earlier question are in or lost by now: the jobs settle before asking again.
    bankOwed = !PrePlenovaMode;
    if (bankOwed)
        SendRequest(RequestParameterMessage(DeviceId, kBankAddress));
    numberOwed = true;
    SendRequest(RequestParameterMessage(DeviceId, kPresetNumberAddress));
}

void TDeviceLink::AskBank() {
    bankAnswer = -1;
    bankOwed = true;
    SendRequest(RequestParameterMessage(DeviceId, kBankAddress));
}

bool TDeviceLink::AwaitPlace() {
    const QPointer<TDeviceLink> alive(this);
    const double start = Now();
    // As long as a question of where the unit is may take, and never less than a second.
    const double window = std::max(2.0 * timings.RequestDelay, kLeastReplyWindow);
    while ((bankOwed || numberOwed) && Now() - start <= window) {
        Wait(5);
        if (alive.isNull())
            return false;
    }
    const bool replied = !bankOwed && !numberOwed;
    bankOwed = numberOwed = false;
    return replied;
}

TDeviceLink::TWhere TDeviceLink::ConfirmBank(int bank, bool asked, bool& chosenAgain) {
    chosenAgain = false;
    if (PrePlenovaMode || bank < 0 || bank > 3)
        return TWhere::Here;
    const QPointer<TDeviceLink> alive(this);
    for (int ask = 1;; ++ask) {
        if (ask > 1 || !asked)
            AskBank();
        const double start = Now();
        while (bankOwed && Now() - start <= timings.TimeoutMilliseconds) {
            Wait(5);
            if (alive.isNull())
                return TWhere::Unknown;
        }
        const bool replied = !bankOwed;
        bankOwed = false;
        if (!replied && !placesTold)
            return TWhere::Here; // a unit that does not tell is taken at its word, as ever
        if (replied && bankAnswer == bank)
            return TWhere::Here;
        if (ask >= 3)
            return replied ? TWhere::OtherBank : TWhere::Unknown;
        if (!replied)
            continue;
        host.Log(QStringLiteral("The unit is in bank %1: choosing bank %2 again")
                     .arg(BankLetter(bankAnswer), BankLetter(bank)));
        SendBankSelect(bank);
        chosenAgain = true;
        PacedWait(2.0 * timings.RequestDelay);
        if (alive.isNull())
            return TWhere::Unknown;
    }
}

// (bank, number): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TDeviceLink::TWhere TDeviceLink::PlaceOf(int bank, int number) const {
    const bool checkBank = !PrePlenovaMode && bank >= 0;
    const bool checkNumber = number >= 1;
    if (checkBank && bankAnswer >= 0 && bankAnswer != bank)
        return TWhere::OtherBank;
    if (checkNumber && presetAnswer >= 0 && presetAnswer != number)
        return TWhere::OtherSlot;
    const bool told = (!checkBank || bankAnswer >= 0) && (!checkNumber || presetAnswer >= 0);
    return told || !placesTold ? TWhere::Here : TWhere::Unknown;
}

bool TDeviceLink::OutputOpen() const {
    const TMidiOutput* output = host.Output();
    return output != nullptr && output->PortState() == TMidiOutput::State::Open;
}

bool TDeviceLink::SendRequest(const TBytes& message) {
    TMidiOutput* output = host.Output();
    if (output == nullptr || !AwaitPort())
        return false;
    try {
        output->SendLong(message.data(), static_cast<std::uint16_t>(message.size()));
    } catch (const std::exception& error) {
        host.SendFailed(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

// The message's bytes in the order they go out.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TDeviceLink::SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    TMidiOutput* output = host.Output();
    if (output == nullptr || !AwaitPort())
        return false;
    try {
        output->SendShort(status, data1, data2);
    } catch (const std::exception& error) {
        host.SendFailed(QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

void TDeviceLink::RequestCurrentPreset() {
    currentAsked = {};
    if (unitMemory != nullptr && !Busy()) {
        // The unit answers in order: the replies come before the dump, which the ticket knows.
        currentAsked = {ledger.NewTicket()};
        bankAnswer = -1;
        presetAnswer = -1;
        if (!PrePlenovaMode) {
            ++pendingReplies;
            SendRequest(RequestParameterMessage(DeviceId, kBankAddress));
        }
        ++pendingReplies;
        SendRequest(RequestParameterMessage(DeviceId, kPresetNumberAddress));
    }
    SendRequest(RequestCurrentPresetMessage(DeviceId));
    ledger.Requested(currentAsked.Ticket);
}

void TDeviceLink::QueryParameter(std::uint8_t address) {
    const int owed = ++pendingReplies;
    SendRequest(RequestParameterMessage(DeviceId, address));
    // The reply is normally taken during the request delay; once it is in (the unit answers in
    // order), the unit is ready for the next question and the rest of the delay is not waited.
    const QPointer<TDeviceLink> alive(this);
    const double start = Now();
    while (!alive.isNull() && pendingReplies >= owed && Now() - start < timings.RequestDelay)
        PacedWait(std::min(10.0, timings.RequestDelay - (Now() - start)));
}

void TDeviceLink::PingDevice() {
    TMidiOutput* output = host.Output();
    if (output == nullptr || output->PortState() != TMidiOutput::State::Open)
        return;
    // Ten request delays to answer, but never less than a second.
    replyTimer->setInterval(
        RealMilliseconds(std::max(timings.RequestDelay * 10.0, kLeastReplyWindow)));
    replyTimer->start();
    pendingReplies = 0;
    const QPointer<TDeviceLink> alive(this);
    QueryParameter(kBypassAddress);
    if (alive.isNull())
        return;
    if (!PrePlenovaMode)
        QueryParameter(kBankAddress);
    if (alive.isNull())
        return;
    QCoreApplication::processEvents();
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TDeviceLink::WhereIsTheUnit(int& bank, int& slot) {
    if (Busy())
        return false;
    const QPointer<TDeviceLink> alive(this);
    AskPlace();
    const double start = Now();
    const double window = std::max(2.0 * timings.RequestDelay, kLeastReplyWindow);
    while (!alive.isNull() && (bankOwed || numberOwed) && Now() - start < window)
        Wait(5);
    if (alive.isNull())
        return false;
    bankOwed = numberOwed = false;
    if (presetAnswer < 1 || (!PrePlenovaMode && (bankAnswer < 0 || bankAnswer > 3)))
        return false;
    bank = PrePlenovaMode ? 0 : bankAnswer;
    slot = presetAnswer;
    if (!PrePlenovaMode)
        currentBank = bankAnswer;
    return true;
}

int TDeviceLink::QueryCurrentPresetNumber() {
    presetAnswer = -1;
    const QPointer<TDeviceLink> alive(this);
    QueryParameter(kPresetNumberAddress);
    if (alive.isNull())
        return -1;
    // A short request delay is no time for an answer: it has two delays, and never less than
    // the second a ping has, but no longer than it takes to come.
    const double start = Now();
    const double window = std::max(2.0 * timings.RequestDelay, kLeastReplyWindow);
    while (!alive.isNull() && presetAnswer == -1 && Now() - start < window)
        PacedWait(std::min(10.0, 1.0 * timings.RequestDelay));
    return alive.isNull() ? -1 : presetAnswer;
}

bool TDeviceLink::HandleReply(const TMyMidiEvent& event) {
    if ((pendingReplies < 1 && !bankOwed && !numberOwed && !markerPending) ||
        event.StatusByte != 0xF0 || !event.SysexData)
        return false;
    const auto reply = ParseParameterReply(TByteView(event.SysexData.get(), event.SysexSize));
    if (!reply)
        return false;
    if (markerPending && reply->Address == kBypassAddress) {
        markerPending = false; // SettleAnswers' own question: nothing to show
        return true;
    }
    // A job's own questions: nothing to show.
    if (bankOwed && reply->Address == kBankAddress) {
        bankOwed = false;
        placesTold = true;
        bankAnswer = reply->Value;
        return true;
    }
    if (numberOwed && reply->Address == kPresetNumberAddress) {
        numberOwed = false;
        placesTold = true;
        presetAnswer = reply->Value + 1 + (reply->High == 1 ? 128 : 0);
        return true;
    }
    if (pendingReplies < 1)
        return false;
    --pendingReplies;
    switch (reply->Address) {
    case kBypassAddress:
        host.Status(QStringLiteral("The Quellfarn is online!"));
        host.BypassReported(reply->Value == 1);
        break;
    case kBankAddress:
        bankAnswer = reply->Value;
        currentBank = reply->Value;
        if (currentBank >= 0 && currentBank <= 3)
            host.Status(
                QStringLiteral("The Quellfarn is online! Your currently selected bank is: ") +
                BankLetter(currentBank));
        else
            currentBank = -1;
        break;
    case kPresetNumberAddress:
        presetAnswer = reply->Value + 1 + (reply->High == 1 ? 128 : 0);
        break;
    default:
        break;
    }
    return true;
}

void TDeviceLink::SelectBank(int index) {
    if (Busy()) {
        host.Status(BusyReason());
        return;
    }
    SendBankSelect(index);
}

void TDeviceLink::SendBankSelect(int index) {
    if (index < 0 || index > 3 || !AwaitPort() || !host.OutputAvailable(false))
        return;
    SendRequest(SetBankMessage(DeviceId, index));
    host.Status(QStringLiteral("Bank ") + BankLetter(index) + QStringLiteral(" selected"));
}

void TDeviceLink::ReplyTimerTick() {
    const bool answered = pendingReplies < 1;
    if (!answered) {
        pendingReplies = 0;
        host.Status(
            QStringLiteral("No response received from Quellfarn - are you connected properly?"));
    }
    replyTimer->stop();
    emit PingEnded(answered);
}
