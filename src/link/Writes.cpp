// Writes to the unit that can be checked and taken back: a store that keeps what it replaces
// and reads the slot back, and the restore of a backup folder built on it.

#include "link/DeviceLink.h"

#include "model/DeviceMode.h"
#include "model/FileNames.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>

namespace {
// Read-backs in a row without an answer after which a restore stops.
constexpr int kSilentReadBacks = 3;

QString BankName(int bank) {
    return bank >= 0 && bank <= 3 ? QString::fromStdString(BankFolderName(bank)) : QString();
}
QString Title(TByteView dump) {
    return QString::fromLatin1(PresetTitleOf(dump).c_str());
}
} // namespace

std::optional<TBytes> TDeviceLink::FetchPreset(int index) {
    const auto select = SelectPresetMessage(DeviceId, index);
    if (!select || fetching || ProcedureActive || host.Output() == nullptr)
        return std::nullopt;
    const QPointer<TDeviceLink> self(this);
    fetched.reset();
    fetching = true;
    fetchTicket = ledger.NewTicket();
    // A second try only when the unit answers at all (a lost dump, not a silent unit); what
    // was owed before it is settled first, so nothing late is taken for this slot.
    for (int attempt = 0; attempt < 2 && !fetched; ++attempt) {
        if (attempt > 0 && !SettleAnswers(FetchTimeoutMilliseconds))
            break;
        if (self.isNull())
            return std::nullopt;
        if (fetched)
            break;
        SendRequest(*select);
        PacedWait(RequestDelay);
        if (self.isNull())
            return std::nullopt;
        if (fetched)
            break; // the first try's answer came after all
        SendRequest(RequestCurrentPresetMessage(DeviceId));
        ledger.Requested(fetchTicket);
        const double start = Clock();
        while (!fetched && Clock() - start <= FetchTimeoutMilliseconds) {
            host.Wait(5);
            if (self.isNull())
                return std::nullopt;
        }
    }
    fetching = false;
    fetchTicket = 0;
    std::optional<TBytes> result = std::move(fetched);
    fetched.reset();
    if (result && !PrePlenovaMode && CurrentBank >= 0)
        KnownTitles[{CurrentBank, index + 1}] = Title(*result);
    else if (result && PrePlenovaMode)
        KnownTitles[{-1, index + 1}] = Title(*result);
    return result;
}

bool TDeviceLink::FetchArrived(TByteView dump) {
    if (!fetching || fetched ||
        ledger.Arrived(dump, fetchTicket) != TAnswerLedger::TVerdict::Take)
        return false;
    fetched = TBytes(dump.begin(), dump.end());
    return true;
}

int TDeviceLink::FirstDifference(TByteView sent, TByteView held) {
    const std::size_t count = std::min(sent.size(), held.size());
    for (std::size_t i = 0; i < count; ++i)
        if (i != 2 && sent[i] != held[i])
            return static_cast<int>(i);
    return sent.size() == held.size() ? -1 : static_cast<int>(count);
}

QString TDeviceLink::KeepReplaced(const TBytes& dump, int slot, QString& error) const {
    QString folder = ReplacedFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                 QStringLiteral("/replaced");
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot create the folder %1").arg(folder);
        return QString();
    }
    // Named as the backup names presets, after the bank and the moment, so nothing kept
    // earlier is ever overwritten.
    QString prefix = BankName(PrePlenovaMode ? -1 : CurrentBank);
    if (!prefix.isEmpty())
        prefix += QLatin1Char(' ');
    prefix += QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss.zzz "));
    QString title = Title(dump);
    if (title.isEmpty())
        title = QStringLiteral("Untitled");
    const QString name = QString::fromLatin1(
        BackupFileName((prefix + title).toLatin1().toStdString(), slot).c_str());
    QString path = folder + QLatin1Char('/') + name;
    for (int copy = 2; QFileInfo::exists(path); ++copy)
        path = folder + QLatin1Char('/') + QStringLiteral("(%1) ").arg(copy) + name;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(dump.data()), static_cast<qint64>(dump.size())) !=
            static_cast<qint64>(dump.size()) ||
        !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
        return QString();
    }
    return path;
}

TStoreResult TDeviceLink::StorePreset(const TStoreRequest& request) {
    const TBytes& dump = request.Dump;
    const int slot = request.Slot;
    const int bank = request.Bank;
    bool send = request.SendFirst;
    TStoreResult result;
    if (job != TLinkJob::None && job != TLinkJob::Restore) {
        result.Message = BusyReason().toStdString();
        return result;
    }
    const auto store = StorePresetMessage(DeviceId, slot);
    if (!store || !IsPresetDump(dump) || !IsWellFormedSysex(dump)) {
        result.Message = (QStringLiteral("Nothing was stored: not a preset that can be sent to slot %1")
                             .arg(slot)).toStdString();
        return result;
    }
    if (host.Output() == nullptr || !host.OutputAvailable(false)) {
        result.Message = (QStringLiteral("MIDI Out device not available")).toStdString();
        return result;
    }
    const QPointer<TDeviceLink> self(this);
    // A restore is one job: its stores are parts of it.
    const bool ownJob = job == TLinkJob::None;
    if (ownJob)
        SetJob(TLinkJob::Store);
    struct EndJob {
        TDeviceLink* link;
        bool own;
        QPointer<TDeviceLink> alive;
        ~EndJob() {
            if (own && !alive.isNull())
                link->SetJob(TLinkJob::None);
        }
    } endJob{this, ownJob, self};
    if (bank >= 0 && bank <= 3 && !PrePlenovaMode) {
        SendBankSelect(bank);
        CurrentBank = bank;
        PacedWait(2.0 * RequestDelay);
        if (self.isNull())
            return result;
    }
    result.Bank = PrePlenovaMode ? -1 : CurrentBank;
    if (request.Keep) {
        const std::optional<TBytes> old = FetchPreset(slot - 1);
        if (self.isNull())
            return result;
        if (!old) {
            result.NoAnswer = true;
            result.Message = (QStringLiteral("The unit did not answer: the preset in slot %1 could "
                                            "not be kept, so nothing was stored")
                                 .arg(slot)).toStdString();
            return result;
        }
        QString error;
        result.KeptFile = KeepReplaced(*old, slot, error).toStdString();
        if (result.KeptFile.empty()) {
            result.Message = (QStringLiteral("The preset in slot %1 could not be kept (%2), so nothing was stored")
                    .arg(slot)
                    .arg(error)).toStdString();
            return result;
        }
        result.Replaced = *old;
        send = true; // fetching it replaced the unit's edit buffer
    }
    if (send) {
        SendRequest(dump);
        PacedWait(RequestDelay);
        if (self.isNull())
            return result;
    }
    SendRequest(*store);
    result.Stored = true;
    if (!request.Verify)
        return result;
    const std::optional<TBytes> held = FetchPreset(slot - 1);
    if (self.isNull())
        return result;
    if (!held) {
        result.NoAnswer = true;
        result.Message = (QStringLiteral("The unit did not answer when slot %1 was read back: the "
                                        "store could not be verified")
                             .arg(slot)).toStdString();
        return result;
    }
    const int at = FirstDifference(dump, *held);
    if (at >= 0) {
        result.Message = (at < static_cast<int>(std::min(dump.size(), held->size()))
                ? QStringLiteral("Slot %1 does not hold what was sent: byte %2 is %3 instead of %4")
                      .arg(slot)
                      .arg(at)
                      .arg(QStringLiteral("%1").arg((*held)[static_cast<std::size_t>(at)], 2, 16,
                                                    QLatin1Char('0')).toUpper())
                      .arg(QStringLiteral("%1").arg(dump[static_cast<std::size_t>(at)], 2, 16,
                                                    QLatin1Char('0')).toUpper())
                : QStringLiteral("Slot %1 does not hold what was sent: %2 bytes instead of %3")
                      .arg(slot)
                      .arg(held->size())
                      .arg(dump.size())).toStdString();
        return result;
    }
    result.Verified = true;
    return result;
}

std::vector<TRestoreItem> TDeviceLink::PlanRestore(const QString& folder,
                                                   const std::array<bool, 4>& banks, int first,
                                                   int last) const {
    std::vector<TRestoreItem> plan;
    const auto scan = [&](const QString& bankFolder, int bank) {
        QDir dir(bankFolder);
        const QStringList names = dir.entryList(QDir::Files, QDir::Name);
        for (const QString& name : names) {
            const auto number = BackupPresetNumber(name.toStdString());
            if (!number || *number < first || *number > last)
                continue;
            TRestoreItem item;
            item.Bank = bank;
            item.Slot = *number;
            item.Path = dir.filePath(name);
            QFile file(item.Path);
            if (!file.open(QIODevice::ReadOnly)) {
                item.Problem = QStringLiteral("cannot be read: ") + file.errorString();
            } else {
                const QByteArray bytes = file.read(PresetDumpLength + 1);
                item.Dump.assign(bytes.begin(), bytes.end());
                if (item.Dump.size() != PresetDumpLength || !IsPresetDump(item.Dump) ||
                    !IsWellFormedSysex(item.Dump))
                    item.Problem = QStringLiteral("not a 258-byte preset dump");
                else
                    item.FileTitle = Title(item.Dump);
            }
            if (!item.Problem.isEmpty())
                item.Dump.clear();
            const auto known = KnownTitles.find({bank, item.Slot});
            if (known != KnownTitles.end())
                item.UnitTitle = known->second;
            plan.push_back(std::move(item));
        }
    };
    QString root = folder;
    if (!root.endsWith(QLatin1Char('/')))
        root += QLatin1Char('/');
    if (PrePlenovaMode) {
        scan(root, -1);
    } else {
        for (int bank = 0; bank < 4; ++bank)
            if (banks[static_cast<std::size_t>(bank)])
                scan(root + BankName(bank), bank);
    }
    // Slot order within each bank, so the unit is written as a listing reads.
    std::stable_sort(plan.begin(), plan.end(), [](const TRestoreItem& a, const TRestoreItem& b) {
        return a.Bank != b.Bank ? a.Bank < b.Bank : a.Slot < b.Slot;
    });
    // A backup made again into the same folder after a preset was renamed leaves two files for
    // its slot. Both would be written and reported verified while the slot keeps only the last:
    // neither is sent, and the user says which one counts by removing the other.
    for (std::size_t first = 0; first < plan.size();) {
        std::size_t end = first + 1;
        while (end < plan.size() && plan[end].Bank == plan[first].Bank &&
               plan[end].Slot == plan[first].Slot)
            ++end;
        QStringList names;
        for (std::size_t i = first; i < end; ++i)
            if (plan[i].Problem.isEmpty())
                names << QFileInfo(plan[i].Path).fileName();
        if (names.size() > 1)
            for (std::size_t i = first; i < end; ++i)
                if (plan[i].Problem.isEmpty()) {
                    plan[i].Problem = QStringLiteral("%1 files are for this slot (%2)")
                                          .arg(names.size())
                                          .arg(names.join(QStringLiteral(", ")));
                    plan[i].Dump.clear();
                }
        first = end;
    }
    return plan;
}

TRestoreCounts TDeviceLink::Restore(std::vector<TRestoreItem>& plan) {
    TRestoreCounts counts;
    if (Busy()) {
        host.Status(BusyReason());
        return counts;
    }
    const QPointer<TDeviceLink> self(this);
    restoring = true;
    SetJob(TLinkJob::Restore);
    total = 0;
    for (const TRestoreItem& item : plan)
        if (item.Problem.isEmpty())
            ++total;
    done = 0;
    startTime = Clock();
    const int startBank = CurrentBank;
    int bank = -2;
    int silent = 0; // read-backs in a row the unit did not answer
    for (TRestoreItem& item : plan) {
        if (!item.Problem.isEmpty()) {
            ++counts.Skipped;
            host.Log(QStringLiteral("Skipped %1: %2").arg(item.Path, item.Problem));
            continue;
        }
        if (restoreAborted)
            break;
        if (item.Bank >= 0 && item.Bank != bank) {
            SendBankSelect(item.Bank);
            CurrentBank = item.Bank;
            PacedWait(2.0 * RequestDelay);
            if (self.isNull())
                return counts;
            if (restoreAborted)
                break;
        }
        bank = item.Bank;
        TLinkHost::TProgress progress;
        progress.Bank = item.Bank;
        progress.Number = item.Slot;
        progress.Restoring = true;
        progress.Done = done;
        progress.Total = total;
        progress.MillisecondsLeft =
            done > 0 ? (Clock() - startTime) / done * (total - done) : (RequestDelay + 200.0) * total;
        host.Progress(progress);
        TStoreRequest request;
        request.Dump = item.Dump;
        request.Slot = item.Slot;
        request.Verify = true;
        request.SendFirst = true;
        const TStoreResult result = StorePreset(request);
        if (self.isNull())
            return counts;
        ++done;
        const QString where = item.Bank >= 0
                                  ? QStringLiteral("Slot %1 of bank %2").arg(item.Slot).arg(QLatin1Char(BankLetters[item.Bank]))
                                  : QStringLiteral("Slot %1").arg(item.Slot);
        if (result.Stored)
            ++counts.Written;
        // A unit that has gone silent is not waited out slot after slot.
        silent = result.NoAnswer ? silent + 1 : 0;
        if (result.Verified) {
            ++counts.Verified;
            KnownTitles[{item.Bank, item.Slot}] = item.FileTitle;
            host.Log(where + QStringLiteral(": ") + item.FileTitle +
                     QStringLiteral(" written and verified"));
        } else {
            ++counts.Failed;
            host.Log(where + QStringLiteral(": ") + QString::fromStdString(result.Message));
        }
        if (silent >= kSilentReadBacks) {
            host.Log(QStringLiteral("The unit stopped answering: the restore ends here"));
            restoreAborted = true;
            break;
        }
    }
    restoring = false;
    // The bank the user had chosen is chosen again.
    if (!PrePlenovaMode && startBank >= 0 && bank >= 0 && bank != startBank) {
        SendBankSelect(startBank);
        CurrentBank = startBank;
    }
    SetJob(TLinkJob::None);
    const QString summary =
        QStringLiteral("Restore %1: %2 written, %3 verified, %4 skipped, %5 failed")
            .arg(restoreAborted ? QStringLiteral("aborted") : QStringLiteral("complete"))
            .arg(counts.Written)
            .arg(counts.Verified)
            .arg(counts.Skipped)
            .arg(counts.Failed);
    restoreAborted = false;
    host.Log(summary);
    host.Status(summary);
    return counts;
}
