// The walk through the presets: backup and listing.

#include "link/BackupWalk.h"

#include "link/DeviceLink.h"
#include "model/DeviceMode.h"
#include "store/Place.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>
#include <algorithm>

namespace {} // namespace

TBackupWalk::TBackupWalk(TJobLink& link) : link(link), host(link.Host()) {
    checkTimer = new QTimer(&link.Owner());
    checkTimer->setObjectName(QStringLiteral("timPresetReq"));
    QObject::connect(checkTimer, &QTimer::timeout, &link.Owner(), [this] { Tick(); });
}

TBackupWalk::~TBackupWalk() {
    checkTimer->stop();
}

void TBackupWalk::Stop() {
    active = false;
    saving = false;
    SetPrinting(false);
    checkTimer->stop();
    ticket = 0;
    scope.reset();
    if (link.PortMissing().isEmpty()) {
        link.SendChannelMessage(0xB0, 0x00, 0x00);
        link.SendChannelMessage(0xB0, 0x20, 0x00);
    }
}

void TBackupWalk::Abort() {
    if (!active)
        return;
    Stop();
    LogCounts();
    host.Log(QStringLiteral("Procedure aborted"));
    host.Status(QStringLiteral("Procedure aborted"));
}

void TBackupWalk::SetPrinting(bool value) {
    if (printing == value)
        return;
    printing = value;
    if (value) {
        if (!host.ListingBegin())
            printing = false; // no job: nothing to print into, nothing to end
    } else {
        host.ListingEnd();
    }
}

void TBackupWalk::NextChosenBank() {
    if (PrePlenovaMode) {
        bank = -1;
        return;
    }
    for (;;) {
        ++bank;
        if (bank > 3) {
            bank = -1;
            return;
        }
        if (banksChosen[static_cast<std::size_t>(bank)])
            return;
    }
}

bool TBackupWalk::MakeBankFolder() {
    bool created = false;
    const QString error = folder.MakeBankFolder(bank, created);
    if (!error.isEmpty()) {
        Fail(QStringLiteral("Procedure aborted: ") + error);
        return false;
    }
    if (created)
        host.Log(QStringLiteral("Created subdirectory for bank ") + BankLetter(bank));
    return true;
}

QString TBackupWalk::BusyReason() const {
    return saving ? QStringLiteral("A backup is running: wait for it to end or press Ctrl+C")
                  : QStringLiteral("A listing is running: wait for it to end or press Ctrl+C");
}

std::optional<TRouted> TBackupWalk::Route(const TMyMidiEvent& event, TByteView bytes) {
    (void)event;
    if (!active || bytes.size() != PresetDumpLength)
        return std::nullopt;
    host.WalkPresetArriving(bytes);
    return Arrived(bytes) ? TRouted::Taken : TRouted::Unclaimed;
}

bool TBackupWalk::Start(const TProcedureOptions& options) {
    if (link.Busy()) {
        host.Status(link.BusyReason());
        return false;
    }
    banksChosen = options.Banks;
    byPresetNumber = options.LoopByPresetNumber;
    saving = options.Save;
    untitledName = options.UntitledName;
    skipExisting = options.SkipExisting;
    if (options.RequestDelay >= 1)
        link.SetRequestDelay(options.RequestDelay);
    const auto stopHere = [this] {
        // Nothing was requested: a listing begun for this walk ends with it.
        saving = false;
        SetPrinting(false);
        scope.reset();
        return false;
    };
    scope = std::make_unique<TJobScope>(link, *this);
    SetPrinting(options.Print);
    if (options.Print && !printing) {
        // A listing that cannot be printed is not walked for.
        Fail(QStringLiteral("Procedure aborted: the preset listing cannot be printed"));
        return stopHere();
    }
    if (saving) {
        if (options.OutputDirectory.isEmpty())
            return stopHere();
        folder = TBackupFolder(options.OutputDirectory, PrePlenovaMode);
        if (!QFileInfo(folder.Root()).isDir() && !QDir().mkdir(folder.Root())) {
            Fail(QStringLiteral("Procedure aborted: cannot create the folder %1")
                     .arg(folder.Root()));
            return stopHere();
        }
    }

    counts = {};
    firstNumber = std::clamp(options.First, 1, 256);
    const int last = std::clamp(options.Last, 1, 256);
    total = 0;
    if (PrePlenovaMode) {
        total = std::max(0, last - firstNumber + 1);
    } else {
        bool first = true;
        for (const bool chosen : banksChosen)
            if (chosen) {
                total += first ? std::max(0, last - firstNumber + 1) : last;
                first = false;
            }
    }
    done = 0;

    // A parameter reply still on its way from the ping must not move the walk to another bank.
    link.ForgetReplies();
    if (!PrePlenovaMode) {
        host.Log(QStringLiteral("Originally selected Bank is: ") + BankLetter(link.CurrentBank()));
        bankAtStart = link.CurrentBank();
        bank = -1;
        NextChosenBank();
        if (bank == -1) {
            host.Status(QStringLiteral("Invalid bank selection"));
            return stopHere();
        }
        link.SetCurrentBank(bank);
        if (saving && !MakeBankFolder())
            return stopHere();
        link.SendBankSelect(bank);
    } else {
        bank = -1;
    }
    const QPointer<QObject> alive = link.Guard();
    link.PacedWait(2.0 * link.RequestDelay());
    if (alive.isNull())
        return false;
    host.Log(PrePlenovaMode ? QStringLiteral("Begin processing of Pre-Plenova presets")
                            : QStringLiteral("Begin processing of Bank ") + BankLetter(bank));
    presetIndex = static_cast<std::uint8_t>(firstNumber - 1);
    previousSlot = -1;
    lastIndex = static_cast<std::uint8_t>(last - 1);
    active = true;
    requestedAt = link.Now();
    startTime = link.Now();
    const int every =
        link.Timings().CheckInterval > 0 ? link.Timings().CheckInterval : link.RequestDelay() * 10;
    checkTimer->setInterval(link.RealMilliseconds(every));
    checkTimer->start();
    if (saving) {
        host.Log(QStringLiteral("Backup in progress"));
        host.Log(QStringLiteral("Output directory: ") + folder.Root());
    }
    if (printing)
        host.Log(QStringLiteral("Preset title print in progress"));
    const QString abort = QStringLiteral("Press Ctrl-c to abort");
    host.Log(abort);
    host.Status(abort);
    saved = skipExisting && saving ? folder.SavedNumbers(bank) : std::set<int>();
    if (!RequestNextWanted())
        NextBankOrComplete();
    return true;
}

void TBackupWalk::RequestPreset() {
    const TPresetIndexBytes index = SplitPresetIndex(presetIndex);
    if (byPresetNumber) {
        const auto select = SelectPresetMessage(DeviceId, presetIndex);
        if (!select)
            return; // nothing else is sent either: it would fetch some other preset
        link.SendRequest(*select);
    } else {
        link.SendChannelMessage(0xB0, 0x00, 0x00);
        link.SendChannelMessage(0xB0, 0x20, index.High);
        link.SendChannelMessage(0xC0, index.Low, 0x00);
    }
    const TAnswerLedger::TTicket waitingFor = ticket;
    const QPointer<QObject> alive = link.Guard();
    link.PacedWait(link.RequestDelay());
    if (alive.isNull())
        return;
    // The walk may have ended during the wait (Ctrl+C), or gone on to the next preset when a
    // late answer came in: then this request is no longer wanted.
    if (!active || waitingFor != ticket)
        return;
    link.AskPlace();
    link.SendRequest(RequestCurrentPresetMessage(DeviceId));
    link.Ledger().Requested(ticket);
    requestedAt = link.Now(); // the answer has the whole time-out from now
    QString text = QStringLiteral("Requested preset #%1").arg(presetIndex + 1);
    if (tries > 1)
        text += QStringLiteral(" (try %1)").arg(tries);
    host.Status(text);
}

void TBackupWalk::Tick() {
    if (active && !link.Stranded().isEmpty()) {
        Fail(QStringLiteral("Procedure aborted: ") + link.Stranded());
        return;
    }
    // The walk's own waits (a preset being chosen, a bank change) are not the unit's delay.
    if (!active || link.Pacing())
        return;
    if (link.Now() - requestedAt <= link.Timings().TimeoutMilliseconds)
        return;
    // A preset that never arrives is asked for again on every tick until it comes — or, where a
    // limit is set, until it has been asked for that often.
    const TAnswerLedger::TTicket waitingFor = ticket;
    ++counts.TimeOuts;
    const int maxTries = link.Timings().MaxTries;
    if (maxTries > 0 && tries >= maxTries) {
        Fail(QStringLiteral("The unit stopped answering: preset #%1%2 did not arrive after %3 "
                            "requests")
                 .arg(presetIndex + 1)
                 .arg(PrePlenovaMode || bank < 0 ? QString()
                                                 : QStringLiteral(" of bank ") + BankLetter(bank))
                 .arg(tries));
        return;
    }
    const QString text = QStringLiteral("Last request timed out; restarting");
    host.Log(text);
    host.Status(text);
    host.Log(QStringLiteral("Press Ctrl-c to abort"));
    // Showing that lets input through: the answer may have come after all.
    const QPointer<QObject> alive = link.Guard();
    if (alive.isNull() || !active || waitingFor != ticket)
        return;
    ++tries;
    ReportProgress();
    // What is still owed to earlier requests comes before the answer to the next one, or not at
    // all: the unit is asked for something else first, and its reply ends the wait for them.
    // Should the answer come meanwhile, the walk has moved on.
    link.SettleAnswers(link.Timings().TimeoutMilliseconds);
    if (alive.isNull() || !active || waitingFor != ticket)
        return;
    requestedAt = link.Now();
    RequestPreset();
}

bool TBackupWalk::RequestNextWanted() {
    if (presetIndex > lastIndex)
        return false;
    // A resumed backup asks only for the slots it does not have yet.
    while (saved.count(presetIndex + 1) > 0) {
        ++counts.AlreadySaved;
        ++done;
        if (presetIndex >= lastIndex)
            return false;
        ++presetIndex;
    }
    tries = 1;
    check.Begin();
    sameSlotAskedAgain = false;
    ticket = link.Ledger().NewTicket();
    ReportProgress();
    RequestPreset();
    return true;
}

bool TBackupWalk::Arrived(TByteView dump) {
    if (!active)
        return false;
    // Only the answer to a request for the preset being waited for is that preset; what is owed
    // to an earlier request (one that timed out, or the last preset's) is let go, and so is what
    // comes before the unit has said where it is. A program change goes through the unit's
    // program table: only the bank can be compared.
    const int number = presetIndex + 1;
    const TAnswerCheck::TVerdict verdict =
        check.Check(link, dump, ticket, PrePlenovaMode ? -1 : bank, byPresetNumber ? number : 0);
    if (verdict == TAnswerCheck::TVerdict::NotOurs)
        return false;
    using TWhere = TJobLink::TWhere;
    const TWhere place = check.Place();
    // A lost program change leaves the unit where it was, in the slot it reported before: asked
    // once more, and the same slot again is taken (the table may give two programs one slot).
    const int slotReported = link.PresetAnswer();
    const bool sameSlot = !byPresetNumber && verdict == TAnswerCheck::TVerdict::Take &&
                          place == TWhere::Here && slotReported >= 1 &&
                          slotReported == previousSlot && !sameSlotAskedAgain;
    if (verdict == TAnswerCheck::TVerdict::AskAgain || sameSlot) {
        if (check.Stray() && check.Strays() >= 3) {
            Fail(QStringLiteral("Procedure aborted: the unit would not move to preset #%1%2")
                     .arg(number)
                     .arg(PrePlenovaMode ? QString()
                                         : QStringLiteral(" of bank ") + BankLetter(bank)));
            return false;
        }
        requestedAt = link.Now(); // a time-out must not cut in while this is said
        sameSlotAskedAgain = sameSlotAskedAgain || sameSlot;
        QString why = QStringLiteral("the unit did not say where it was; asking again");
        if (place == TWhere::OtherBank)
            why = QStringLiteral("the unit answered from another bank; choosing bank %1 again")
                      .arg(BankLetter(bank));
        else if (place == TWhere::OtherSlot)
            why = QStringLiteral("the unit answered from another slot; asking again");
        else if (sameSlot)
            why = QStringLiteral("the unit is still in slot %1; asking again").arg(slotReported);
        host.Log(QStringLiteral("Preset #%1: ").arg(number) + why);
        if (place == TWhere::OtherBank) {
            // The message choosing the bank was lost.
            const TAnswerLedger::TTicket waitingFor = ticket;
            const QPointer<QObject> alive = link.Guard();
            link.SendBankSelect(bank);
            link.PacedWait(2.0 * link.RequestDelay());
            if (alive.isNull() || !active || waitingFor != ticket)
                return false;
        }
        ++tries;
        RequestPreset();
        return false;
    }
    previousSlot = byPresetNumber ? number : slotReported;
    const bool wasSaving = saving;
    QString title = QString::fromLatin1(PresetTitleOf(dump).c_str());
    // By program change, the unit's memory learns the slot the unit named, not the program.
    if (byPresetNumber || slotReported >= 1)
        link.NoteSeen(PrePlenovaMode ? -1 : bank, byPresetNumber ? number : slotReported, dump,
                      TSeenHow::Read);
    if (title.isEmpty())
        title = untitledName;
    if (title.isEmpty()) {
        host.Log(QStringLiteral("Preset #%1 is untitled (not saved)").arg(number));
        ++counts.Untitled;
    } else {
        if (printing && host.ListingLine(PrePlenovaMode ? -1 : bank, number, title))
            ++counts.Listed;
        if (saving) {
            QString error;
            const QString name = folder.SavePreset(bank, number, title, dump, error);
            if (name.isEmpty()) {
                Fail(QStringLiteral("Procedure aborted: ") + error);
                return false;
            }
            ++counts.Saved;
            host.Log(QStringLiteral("Preset #%1 received: ").arg(number) + name);
        }
    }
    ++done;
    requestedAt = link.Now();
    if (presetIndex < lastIndex) {
        ++presetIndex;
        if (!RequestNextWanted())
            NextBankOrComplete();
    } else {
        NextBankOrComplete();
    }
    return wasSaving;
}

void TBackupWalk::NextBankOrComplete() {
    const QPointer<QObject> alive = link.Guard();
    for (;;) {
        NextChosenBank();
        if (bank == -1) {
            // Every chosen bank is done. The single-bank unit has no bank to go back to.
            if (!PrePlenovaMode) {
                link.SetCurrentBank(bankAtStart);
                link.SendBankSelect(bankAtStart);
            }
            Stop();
            LogCounts();
            host.ProcedureComplete();
            return;
        }
        if (saving && !MakeBankFolder())
            return;
        link.SetCurrentBank(bank);
        link.SendBankSelect(bank);
        host.Log(QStringLiteral("Begin processing Bank ") + BankLetter(bank));
        link.PacedWait(2.0 * link.RequestDelay());
        if (alive.isNull() || !active)
            return; // ended during the wait
        presetIndex = 0;
        previousSlot = -1;
        requestedAt = link.Now();
        saved = skipExisting && saving ? folder.SavedNumbers(bank) : std::set<int>();
        if (RequestNextWanted())
            return;
    }
}

void TBackupWalk::Fail(const QString& message) {
    const bool walking = active;
    if (walking)
        Stop();
    host.Log(message);
    if (walking)
        LogCounts();
    host.Status(message);
    host.ProcedureFailed(message);
}

void TBackupWalk::ReportProgress() {
    TLinkProgress progress;
    progress.Bank = PrePlenovaMode ? -1 : bank;
    progress.Number = presetIndex + 1;
    progress.LastNumber = lastIndex + 1;
    progress.Done = done;
    progress.Total = total;
    progress.Tries = tries;
    // Each preset: chosen, the request delay, asked for and sent (about 100 ms at MIDI speed).
    progress.MillisecondsLeft =
        TimeLeft(link.Now() - startTime, done, total, link.RequestDelay() + 100.0);
    host.Progress(progress);
}

void TBackupWalk::LogCounts() {
    host.Log(CountsText(counts));
}

QString TBackupWalk::CountsText(const TProcedureCounts& counts) {
    QString text = QStringLiteral("%1 saved, %2 untitled skipped, %3 time-outs")
                       .arg(counts.Saved)
                       .arg(counts.Untitled)
                       .arg(counts.TimeOuts);
    if (counts.Listed > 0)
        text = QStringLiteral("%1 listed, ").arg(counts.Listed) + text;
    if (counts.AlreadySaved > 0)
        text += QStringLiteral(", %1 already saved").arg(counts.AlreadySaved);
    return text;
}
