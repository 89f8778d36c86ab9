// The device link: requests, replies, pacing and time-outs, and the walk through the presets.

#include "link/DeviceLink.h"

#include "model/DeviceMode.h"
#include "model/FileNames.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cmath>

double TickCount() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {
constexpr double kLeastReplyWindow = 1000; // milliseconds

QString Letter(int bank) {
    return bank >= 0 && bank <= 3 ? QString(QLatin1Char(BankLetters[bank])) : QString();
}
} // namespace

QString TLinkHost::TProgress::Text() const {
    QString text = Bank >= 0 ? QStringLiteral("Bank %1: ").arg(Letter(Bank)) : QString();
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
    timPresetReq = new QTimer(this);
    timPresetReq->setObjectName(QStringLiteral("timPresetReq"));
    timPresetReq->setInterval(10000);
    connect(timPresetReq, &QTimer::timeout, this, [this] { TimerTick(); });
}

TDeviceLink::~TDeviceLink() {
    timPresetReq->stop();
}

void TDeviceLink::SetClockSpeed(double speed) {
    clockSpeed = speed > 0 ? speed : 1;
    const double factor = clockSpeed;
    Clock = [factor] { return TickCount() * factor; };
}

int TDeviceLink::RealMilliseconds(double milliseconds) const {
    return std::max(1, static_cast<int>(std::ceil(milliseconds / clockSpeed)));
}

void TDeviceLink::PacedWait(double milliseconds) {
    ++pacing;
    const QPointer<TDeviceLink> self(this);
    host.Wait(RealMilliseconds(milliseconds));
    if (!self.isNull())
        --pacing;
}

void TDeviceLink::SetJob(TLinkJob value) {
    const bool was = Busy();
    job = value;
    if (was != Busy())
        emit BusyChanged(Busy());
}

QString TDeviceLink::BusyReason() const {
    switch (job) {
    case TLinkJob::None:
        return {};
    case TLinkJob::Walk:
        return SaveFlag ? QStringLiteral("A backup is running: wait for it to end or press Ctrl+C")
                        : QStringLiteral("A listing is running: wait for it to end or press Ctrl+C");
    case TLinkJob::Store:
        return QStringLiteral("A preset is being stored: wait for it to end");
    case TLinkJob::Restore:
        return QStringLiteral("A restore is running: wait for it to end or press Ctrl+C");
    }
    return {};
}

TRouted TDeviceLink::Route(const TMyMidiEvent& event) {
    const bool sysex = event.StatusByte == 0xF0 && event.SysexData != nullptr;
    const TByteView bytes = sysex ? TByteView(event.SysexData.get(), event.SysexSize) : TByteView();
    if (fetching && sysex && ::IsPresetDump(bytes))
        return FetchArrived(bytes) ? TRouted::Taken : TRouted::Unclaimed;
    if (ProcedureActive) {
        // During a walk only its presets count (and the replies it asked for itself).
        if (sysex && bytes.size() == PresetDumpLength)
            return ProcessProcedurePreset(bytes) ? TRouted::Taken : TRouted::Unclaimed;
        return HandleReply(event) ? TRouted::Taken : TRouted::Dropped;
    }
    if (HandleReply(event))
        return TRouted::Taken;
    // A preset nobody waits for (F10's answer, a late one) settles what it answers.
    if (sysex && ::IsPresetDump(bytes))
        ledger.Arrived(bytes, 0);
    return TRouted::Unclaimed;
}

bool TDeviceLink::SettleAnswers(double timeout) {
    const std::uint64_t mark = ledger.Mark();
    const QPointer<TDeviceLink> self(this);
    markerPending = true;
    SendRequest(RequestParameterMessage(DeviceId, kBypassAddress));
    const double start = Clock();
    ++pacing;
    while (markerPending && Clock() - start <= timeout) {
        host.Wait(5);
        if (self.isNull())
            return false;
    }
    --pacing;
    const bool replied = !markerPending;
    markerPending = false;
    if (replied)
        ledger.Settle(mark);
    return replied;
}

void TDeviceLink::SendRequest(const std::vector<std::uint8_t>& message) {
    TMidiOutput* output = host.Output();
    if (output == nullptr)
        return;
    try {
        output->SendLong(message.data(), static_cast<std::uint16_t>(message.size()));
    } catch (const std::exception& error) {
        host.SendFailed(QString::fromStdString(error.what()));
    }
}

void TDeviceLink::SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    TMidiOutput* output = host.Output();
    if (output == nullptr)
        return;
    try {
        output->SendShort(status, data1, data2);
    } catch (const std::exception& error) {
        host.SendFailed(QString::fromStdString(error.what()));
    }
}

void TDeviceLink::QueryParameter(std::uint8_t address) {
    ++PendingReplies;
    SendRequest(RequestParameterMessage(DeviceId, address));
    PacedWait(RequestDelay); // the reply is normally taken during the wait
}

void TDeviceLink::RequestCurrentPreset() {
    SendRequest(RequestCurrentPresetMessage(DeviceId));
    ledger.Requested(0);
}

void TDeviceLink::PingDevice() {
    TMidiOutput* output = host.Output();
    if (output == nullptr || output->PortState() != TMidiOutput::State::Open)
        return;
    // Ten request delays to answer, but never less than a second: a delay of a few
    // milliseconds is shorter than a MIDI system takes to carry the question and the reply.
    timPresetReq->setInterval(RealMilliseconds(std::max(RequestDelay * 10.0, kLeastReplyWindow)));
    timPresetReq->start();
    PendingReplies = 0;
    const QPointer<TDeviceLink> self(this);
    QueryParameter(kBypassAddress);
    if (self.isNull())
        return;
    if (!PrePlenovaMode)
        QueryParameter(kBankAddress);
    if (self.isNull())
        return;
    QCoreApplication::processEvents();
}

int TDeviceLink::QueryCurrentPresetNumber() {
    PresetAnswer = -1;
    const QPointer<TDeviceLink> self(this);
    QueryParameter(kPresetNumberAddress);
    if (self.isNull())
        return -1;
    QCoreApplication::processEvents();
    if (!self.isNull() && PresetAnswer == -1)
        PacedWait(RequestDelay);
    return self.isNull() ? -1 : PresetAnswer;
}

void TDeviceLink::RequestPreset() {
    const TPresetIndexBytes index = SplitPresetIndex(PresetIndex);
    if (LoopByPresetNumber) {
        const auto select = SelectPresetMessage(DeviceId, PresetIndex);
        if (!select)
            return; // nothing else is sent either: it would fetch some other preset
        SendRequest(*select);
    } else {
        SendChannelMessage(0xB0, 0x00, 0x00);
        SendChannelMessage(0xB0, 0x20, index.High);
        SendChannelMessage(0xC0, index.Low, 0x00);
    }
    const TAnswerLedger::TTicket ticket = walkTicket;
    const bool walking = ProcedureActive;
    const QPointer<TDeviceLink> self(this);
    PacedWait(RequestDelay);
    if (self.isNull())
        return;
    // The walk may have ended during the wait (Ctrl+C), or gone on to the next preset when a
    // late answer came in: then this request is no longer wanted.
    if (walking && (!ProcedureActive || ticket != walkTicket))
        return;
    SendRequest(RequestCurrentPresetMessage(DeviceId));
    ledger.Requested(walking ? walkTicket : 0);
    if (ProcedureActive)
        LastPresetTime = Clock(); // the answer has the whole time-out from now
    QString text = QStringLiteral("Requested preset #%1").arg(PresetIndex + 1);
    if (ProcedureActive && Tries > 1)
        text += QStringLiteral(" (try %1)").arg(Tries);
    host.Status(text);
}

bool TDeviceLink::HandleReply(const TMyMidiEvent& event) {
    if ((PendingReplies < 1 && !markerPending) || event.StatusByte != 0xF0 || !event.SysexData)
        return false;
    const auto reply = ParseParameterReply(TByteView(event.SysexData.get(), event.SysexSize));
    if (!reply)
        return false;
    if (markerPending && reply->Address == kBypassAddress) {
        markerPending = false; // SettleAnswers' own query: nothing to show
        return true;
    }
    if (PendingReplies < 1)
        return false;
    --PendingReplies;
    switch (reply->Address) {
    case kBypassAddress:
        host.Status(QStringLiteral("The Quellfarn is online!"));
        host.BypassReported(reply->Value == 1);
        break;
    case kBankAddress:
        CurrentBank = reply->Value;
        if (CurrentBank >= 0 && CurrentBank <= 3)
            host.Status(
                QStringLiteral("The Quellfarn is online! Your currently selected bank is: ") +
                Letter(CurrentBank));
        else
            CurrentBank = -1;
        break;
    case kPresetNumberAddress:
        PresetAnswer = reply->Value + 1 + (reply->High == 1 ? 128 : 0);
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
    if (!host.OutputAvailable(false) || index < 0 || index > 3)
        return;
    SendRequest(SetBankMessage(DeviceId, index));
    host.Status(QStringLiteral("Bank ") + Letter(index) + QStringLiteral(" selected"));
}

void TDeviceLink::StopProcedure() {
    SendChannelMessage(0xB0, 0x00, 0x00);
    SendChannelMessage(0xB0, 0x20, 0x00);
    ProcedureActive = false;
    SaveFlag = false;
    SetPrintFlag(false);
    timPresetReq->stop();
    walkTicket = 0;
    if (job == TLinkJob::Walk)
        SetJob(TLinkJob::None);
}

void TDeviceLink::AbortProcedure() {
    if (!ProcedureActive)
        return;
    StopProcedure();
    LogCounts();
    host.Log(QStringLiteral("Procedure aborted"));
    host.Status(QStringLiteral("Procedure aborted"));
}

void TDeviceLink::TimerTick() {
    if (ProcedureActive) {
        // The walk's own waits (a preset being chosen, a bank change) are not the unit's delay.
        if (pacing > 0)
            return;
        // A preset that never arrives is asked for again on every tick until it comes — or,
        // where a limit is set, until it has been asked for that often.
        if (Clock() - LastPresetTime > TimeoutMilliseconds) {
            ++Counts.TimeOuts;
            if (MaxTries > 0 && Tries >= MaxTries) {
                Fail(QStringLiteral("The unit stopped answering: preset #%1%2 did not arrive "
                                    "after %3 requests")
                         .arg(PresetIndex + 1)
                         .arg(PrePlenovaMode || CurrentBank < 0
                                  ? QString()
                                  : QStringLiteral(" of bank ") + Letter(CurrentBank))
                         .arg(Tries));
                return;
            }
            const QString text = QStringLiteral("Last request timed out; restarting");
            host.Log(text);
            host.Status(text);
            host.Log(QStringLiteral("Press Ctrl-c to abort"));
            ++Tries;
            ReportProgress();
            // What is still owed to earlier requests comes before the answer to the next one,
            // or not at all: the unit is asked for something else first, and its reply ends
            // the wait for them. Should the answer come meanwhile, the walk has moved on.
            const TAnswerLedger::TTicket ticket = walkTicket;
            const QPointer<TDeviceLink> self(this);
            SettleAnswers(TimeoutMilliseconds);
            if (self.isNull() || !ProcedureActive || ticket != walkTicket)
                return;
            LastPresetTime = Clock();
            RequestPreset();
        }
        return;
    }
    if (PendingReplies > 0) {
        PendingReplies = 0;
        host.Status(
            QStringLiteral("No response received from Quellfarn - are you connected properly?"));
    }
    timPresetReq->stop();
}

void TDeviceLink::SetPrintFlag(bool value) {
    if (PrintFlag == value)
        return;
    PrintFlag = value;
    if (value) {
        if (!host.ListingBegin())
            PrintFlag = false; // no job: nothing to print into, nothing to end
    } else {
        host.ListingEnd();
    }
}

void TDeviceLink::NextChosenBank() {
    if (PrePlenovaMode) {
        CurrentBank = -1;
        return;
    }
    for (;;) {
        ++CurrentBank;
        if (CurrentBank > 3) {
            CurrentBank = -1;
            return;
        }
        if (BankChosen[static_cast<std::size_t>(CurrentBank)])
            return;
    }
}

QString TDeviceLink::BankFolder() const {
    if (PrePlenovaMode)
        return OutputDirectory;
    return OutputDirectory + QString::fromStdString(BankFolderName(CurrentBank)) + QLatin1Char('/');
}

bool TDeviceLink::MakeBankFolder() {
    const QString folder = BankFolder();
    if (QFileInfo(folder).isDir())
        return true;
    // One level only: the output folder itself has been made (or found) at the start.
    if (!QDir().mkdir(folder)) {
        Fail(QStringLiteral("Procedure aborted: cannot create the folder %1").arg(folder));
        return false;
    }
    host.Log(QStringLiteral("Created subdirectory for bank ") + Letter(CurrentBank));
    return true;
}

void TDeviceLink::LoadExisting() {
    existing.clear();
    if (!SkipExisting || !SaveFlag)
        return;
    const QStringList names = QDir(BankFolder()).entryList(QDir::Files);
    for (const QString& name : names)
        if (const auto number = BackupPresetNumber(name.toStdString()))
            existing.insert(*number);
}

bool TDeviceLink::StartProcedure(const TProcedureOptions& options) {
    if (Busy()) {
        host.Status(BusyReason());
        return false;
    }
    OutputDirectory = options.OutputDirectory;
    BankChosen = options.Banks;
    LoopByPresetNumber = options.LoopByPresetNumber;
    SaveFlag = options.Save;
    UntitledName = options.UntitledName;
    SkipExisting = options.SkipExisting;
    if (options.RequestDelay >= 1)
        RequestDelay = options.RequestDelay;
    const auto stopHere = [this] {
        // Nothing was requested: a listing begun for this walk ends with it.
        SaveFlag = false;
        SetPrintFlag(false);
        SetJob(TLinkJob::None);
        return false;
    };
    SetJob(TLinkJob::Walk);
    SetPrintFlag(options.Print);
    if (options.Print && !PrintFlag) {
        // A listing that cannot be printed is not walked for.
        Fail(QStringLiteral("Procedure aborted: the preset listing cannot be printed"));
        return stopHere();
    }

    if (SaveFlag) {
        if (OutputDirectory.isEmpty())
            return stopHere();
        if (!OutputDirectory.endsWith(QLatin1Char('/')))
            OutputDirectory += QLatin1Char('/');
        if (!QFileInfo(OutputDirectory).isDir() && !QDir().mkdir(OutputDirectory)) {
            Fail(QStringLiteral("Procedure aborted: cannot create the folder %1")
                     .arg(OutputDirectory));
            return stopHere();
        }
    }

    Counts = {};
    firstNumber = std::clamp(options.First, 1, 256);
    const int last = std::clamp(options.Last, 1, 256);
    total = 0;
    if (PrePlenovaMode) {
        total = std::max(0, last - firstNumber + 1);
    } else {
        bool first = true;
        for (const bool chosen : BankChosen)
            if (chosen) {
                total += first ? std::max(0, last - firstNumber + 1) : last;
                first = false;
            }
    }
    done = 0;

    // A parameter reply still on its way from the ping must not move the walk to another bank.
    PendingReplies = 0;
    if (!PrePlenovaMode) {
        host.Log(QStringLiteral("Originally selected Bank is: ") + Letter(CurrentBank));
        BankAtStart = CurrentBank;
        CurrentBank = -1;
        NextChosenBank();
        if (CurrentBank == -1) {
            host.Status(QStringLiteral("Invalid bank selection"));
            return stopHere();
        }
        if (SaveFlag && !MakeBankFolder())
            return stopHere();
        SendBankSelect(CurrentBank);
    }
    const QPointer<TDeviceLink> self(this);
    PacedWait(2.0 * RequestDelay);
    if (self.isNull())
        return false;
    host.Log(PrePlenovaMode ? QStringLiteral("Begin processing of Pre-Plenova presets")
                            : QStringLiteral("Begin processing of Bank ") + Letter(CurrentBank));
    PresetIndex = static_cast<std::uint8_t>(firstNumber - 1);
    LastIndex = static_cast<std::uint8_t>(last - 1);
    ProcedureActive = true;
    LastPresetTime = Clock();
    startTime = Clock();
    timPresetReq->setInterval(RealMilliseconds(RequestDelay * 10.0));
    timPresetReq->start();
    if (SaveFlag) {
        host.Log(QStringLiteral("Backup in progress"));
        host.Log(QStringLiteral("Output directory: ") + OutputDirectory);
    }
    if (PrintFlag)
        host.Log(QStringLiteral("Preset title print in progress"));
    const QString abort = QStringLiteral("Press Ctrl-c to abort");
    host.Log(abort);
    host.Status(abort);
    LoadExisting();
    if (!RequestNextWanted())
        NextBankOrComplete();
    return true;
}

bool TDeviceLink::RequestNextWanted() {
    if (PresetIndex > LastIndex)
        return false;
    // A resumed backup asks only for the slots it does not have yet.
    while (existing.count(PresetIndex + 1) > 0) {
        ++Counts.AlreadySaved;
        ++done;
        if (PresetIndex >= LastIndex)
            return false;
        ++PresetIndex;
    }
    Tries = 1;
    walkTicket = ledger.NewTicket();
    ReportProgress();
    RequestPreset();
    return true;
}

bool TDeviceLink::ProcessProcedurePreset(TByteView dump) {
    if (!ProcedureActive)
        return false;
    // Only the answer to a request for the preset being waited for is that preset; what is
    // owed to an earlier request (one that timed out, or the last preset's) is let go.
    if (ledger.Arrived(dump, walkTicket) != TAnswerLedger::TVerdict::Take)
        return false;
    const bool saving = SaveFlag;

    const int number = PresetIndex + 1;
    QString title = QString::fromLatin1(PresetTitleOf(dump).c_str());
    KnownTitles[{PrePlenovaMode ? -1 : CurrentBank, number}] = title;
    if (title.isEmpty())
        title = UntitledName;
    if (title.isEmpty()) {
        host.Log(QStringLiteral("Preset #%1 is untitled (not saved)").arg(number));
        ++Counts.Untitled;
    } else {
        if (PrintFlag && host.ListingLine(PrePlenovaMode ? -1 : CurrentBank, number, title))
            ++Counts.Listed;
        if (SaveFlag) {
            const QString name =
                QString::fromLatin1(BackupFileName(title.toLatin1().toStdString(), number).c_str());
            const QString path = BankFolder() + name;
            QSaveFile file(path);
            const bool written = file.open(QIODevice::WriteOnly) &&
                                 file.write(reinterpret_cast<const char*>(dump.data()),
                                            static_cast<qint64>(dump.size())) ==
                                     static_cast<qint64>(dump.size()) &&
                                 file.commit();
            if (!written) {
                Fail(QStringLiteral("Procedure aborted: cannot write %1: %2")
                         .arg(path, file.errorString()));
                return false;
            }
            ++Counts.Saved;
            host.Log(QStringLiteral("Preset #%1 received: ").arg(number) + name);
        }
    }
    ++done;
    LastPresetTime = Clock();
    if (PresetIndex < LastIndex) {
        ++PresetIndex;
        if (!RequestNextWanted())
            NextBankOrComplete();
    } else {
        NextBankOrComplete();
    }
    return saving;
}

void TDeviceLink::NextBankOrComplete() {
    const QPointer<TDeviceLink> self(this);
    for (;;) {
        NextChosenBank();
        if (CurrentBank == -1) {
            // Every chosen bank is done. The single-bank unit has no bank to go back to.
            if (!PrePlenovaMode) {
                CurrentBank = BankAtStart;
                SendBankSelect(CurrentBank);
            }
            StopProcedure();
            LogCounts();
            host.ProcedureComplete();
            return;
        }
        if (SaveFlag && !MakeBankFolder())
            return;
        SendBankSelect(CurrentBank);
        host.Log(QStringLiteral("Begin processing Bank ") + Letter(CurrentBank));
        PacedWait(2.0 * RequestDelay);
        if (self.isNull() || !ProcedureActive)
            return; // ended during the wait
        PresetIndex = 0;
        LastPresetTime = Clock();
        LoadExisting();
        if (RequestNextWanted())
            return;
    }
}

void TDeviceLink::Fail(const QString& message) {
    const bool walking = ProcedureActive;
    if (walking)
        StopProcedure();
    host.Log(message);
    if (walking)
        LogCounts();
    host.Status(message);
    host.ProcedureFailed(message);
}

void TDeviceLink::ReportProgress() {
    TLinkHost::TProgress progress;
    progress.Bank = PrePlenovaMode ? -1 : CurrentBank;
    progress.Number = PresetIndex + 1;
    progress.LastNumber = LastIndex + 1;
    progress.Done = done;
    progress.Total = total;
    progress.Tries = Tries;
    const double elapsed = Clock() - startTime;
    if (done > 0)
        progress.MillisecondsLeft = elapsed / done * std::max(0, total - done);
    else
        progress.MillisecondsLeft = (RequestDelay + 100.0) * total;
    host.Progress(progress);
}

void TDeviceLink::LogCounts() {
    QString text = QStringLiteral("%1 saved, %2 untitled skipped, %3 time-outs")
                       .arg(Counts.Saved)
                       .arg(Counts.Untitled)
                       .arg(Counts.TimeOuts);
    if (Counts.Listed > 0)
        text = QStringLiteral("%1 listed, ").arg(Counts.Listed) + text;
    if (Counts.AlreadySaved > 0)
        text += QStringLiteral(", %1 already saved").arg(Counts.AlreadySaved);
    host.Log(text);
}
