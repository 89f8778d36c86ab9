// The library's rows.

#include "store/LibraryRows.h"

#include "model/DeviceMode.h"
#include "model/EffectCatalogue.h"
#include "model/FileNames.h"
#include "store/BackupFolder.h"
#include "store/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <map>

namespace {
constexpr int kSlotsPerBank = 200;
constexpr int kSingleBankSlots = 128;

// A plain file holding a preset dump and nothing else; anything else reads as no preset.
TBytes ReadDump(const QString& path) {
    const TFileRead read = ReadWholeFile(path, kLargestPresetFile);
    if (!read.Ok())
        return {};
    TBytes dump(read.Bytes.begin(), read.Bytes.end());
    if (dump.size() != PresetDumpLength || !IsPresetDump(dump))
        return {};
    return dump;
}

// The preset files of a bank folder by slot, with their dumps.
std::map<int, std::pair<QString, TBytes>> BankFiles(const QString& folder) {
    std::map<int, std::pair<QString, TBytes>> files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        if (const auto number = BackupPresetNumber(name.toStdString()))
            if (files.count(*number) == 0)
                files[*number] = {dir.filePath(name), ReadDump(dir.filePath(name))};
    return files;
}

bool IsPresetFile(const QString& name) {
    const qsizetype at = name.lastIndexOf(QStringLiteral(".tmq"), -1, Qt::CaseInsensitive);
    return at > 0 && name.size() - at <= 7;
}
} // namespace

QString TLibraryRow::Place() const {
    if (Path.isEmpty() || Source == TLibrarySource::Backup) {
        const QString slot = QStringLiteral("%1").arg(Slot, 3, 10, QLatin1Char('0'));
        return Bank >= 0 && Bank <= 3
                   ? QString(QLatin1Char(BankLetters[Bank])) + QLatin1Char(' ') + slot
                   : slot;
    }
    return QFileInfo(Path).fileName();
}

void Describe(TLibraryRow& row) {
    if (row.Dump.empty())
        return;
    TPreset preset;
    try {
        preset.Decode(row.Dump);
    } catch (const std::exception&) {
        row.Title = QStringLiteral("(damaged)");
        return;
    }
    row.Title = QString::fromLatin1(PresetTitleOf(row.Dump).c_str());
    if (preset.DigitalGroup == -1) {
        try {
            DetermineDigitalGroup(preset, {});
        } catch (const std::exception&) {
        }
    }
    QStringList chain;
    for (const std::string& name : ChainNames(preset))
        chain << QString::fromStdString(name);
    row.Chain = chain.join(QStringLiteral(", "));
    row.Group = preset.DigitalGroup;
    row.Facts = FactsOf(preset);
}

std::vector<TBackupInfo> FindBackups(const QString& folder, bool singleBank) {
    std::vector<TBackupInfo> backups;
    const auto consider = [&](const QString& path) {
        const QDir dir(path);
        QDateTime newest;
        bool found = false;
        const QStringList banks =
            singleBank ? QStringList{QString()}
                       : QStringList{QStringLiteral("Bank A"), QStringLiteral("Bank B"),
                                     QStringLiteral("Bank C"), QStringLiteral("Bank D")};
        for (const QString& bank : banks) {
            const QDir bankDir(bank.isEmpty() ? path : dir.filePath(bank));
            if (!bankDir.exists())
                continue;
            for (const QFileInfo& file : bankDir.entryInfoList(QDir::Files))
                if (BackupPresetNumber(file.fileName().toStdString())) {
                    found = true;
                    newest = std::max(newest, file.lastModified());
                }
        }
        if (found)
            backups.push_back({path, QFileInfo(path).fileName(), newest});
    };
    consider(QDir(folder).absolutePath());
    for (const QFileInfo& sub : QDir(folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (!sub.fileName().startsWith(QStringLiteral("Bank ")))
            consider(sub.absoluteFilePath());
    std::stable_sort(backups.begin(), backups.end(),
                     [](const TBackupInfo& a, const TBackupInfo& b) { return a.Time > b.Time; });
    return backups;
}

std::vector<TLibraryRow> BackupRows(const TBackupInfo& backup, bool singleBank) {
    std::vector<TLibraryRow> rows;
    const TBackupFolder folder(backup.Path, singleBank);
    for (int bank = singleBank ? -1 : 0; bank < (singleBank ? 0 : 4); ++bank)
        for (const auto& [slot, file] : BankFiles(folder.BankFolder(bank))) {
            TLibraryRow row;
            row.Source = TLibrarySource::Backup;
            row.Bank = bank;
            row.Slot = slot;
            row.Path = file.first;
            row.Dump = file.second;
            row.Seen = QFileInfo(file.first).lastModified();
            Describe(row);
            rows.push_back(std::move(row));
        }
    return rows;
}

std::vector<TLibraryRow> FileRows(const QString& folder, TLibrarySource source) {
    std::vector<TLibraryRow> rows;
    const QDir dir(folder);
    for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name)) {
        if (!IsPresetFile(file.fileName()))
            continue;
        TLibraryRow row;
        row.Source = source;
        row.Path = file.absoluteFilePath();
        row.Slot = BackupPresetNumber(file.fileName().toStdString()).value_or(0);
        row.Dump = ReadDump(row.Path);
        row.Seen = file.lastModified();
        if (row.Dump.empty()) {
            row.Title = QStringLiteral("(not a preset)");
        } else {
            Describe(row);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

TBackupIndex::TBackupIndex(const std::vector<TBackupInfo>& found, bool singleBank)
    : backups(found), held(found.size()) {
    for (std::size_t i = 0; i < backups.size(); ++i) {
        const TBackupFolder folder(backups[i].Path, singleBank);
        for (int bank = singleBank ? -1 : 0; bank < (singleBank ? 0 : 4); ++bank)
            for (const auto& [slot, file] : BankFiles(folder.BankFolder(bank)))
                held[i][TPlace::Of(bank, slot)] = file.second;
    }
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TLibraryRow UnitRow(const TUnitMemory& memory, int bank, int slot, bool singleBank,
                    const TBackupIndex& index) {
    TLibraryRow row;
    row.Source = TLibrarySource::Unit;
    row.Bank = singleBank ? -1 : bank;
    row.Slot = slot;
    const TSlotMemory* remembered = memory.Slot(bank, slot);
    if (remembered == nullptr || remembered->Now() == nullptr) {
        row.State = QStringLiteral("never read");
        return row;
    }
    row.Dump = remembered->Now()->Dump;
    row.Seen = remembered->Now()->LastSeen;
    Describe(row);
    row.State = QStringLiteral("not in any backup");
    for (std::size_t i = 0; i < index.backups.size(); ++i) {
        const auto file = index.held[i].find({bank, slot});
        if (file == index.held[i].end() || file->second.empty())
            continue;
        row.Changed = !SameDumpAnyDevice(file->second, row.Dump);
        row.State = (row.Changed ? QStringLiteral("changed since ") : QStringLiteral("same as ")) +
                    index.backups[i].Name;
        break;
    }
    return row;
}

std::vector<TLibraryRow> UnitRows(const TUnitMemory& memory, bool singleBank,
                                  const TBackupIndex& index) {
    std::vector<TLibraryRow> rows;
    const int banks = singleBank ? 1 : 4;
    const int slotsPerBank = singleBank ? kSingleBankSlots : kSlotsPerBank;
    rows.reserve(static_cast<std::size_t>(banks * slotsPerBank));
    for (int bank = 0; bank < banks; ++bank)
        for (int slot = 1; slot <= slotsPerBank; ++slot)
            rows.push_back(UnitRow(memory, bank, slot, singleBank, index));
    return rows;
}

QString NotesPlace(const TLibraryRow& row, const QString& unitFolder) {
    if (row.Source != TLibrarySource::Unit)
        return QFileInfo(row.Path).absoluteFilePath();
    return QFileInfo(unitFolder).fileName() + QLatin1Char('/') + row.Place();
}
