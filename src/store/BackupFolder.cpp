// A backup folder's layout, both ways, and the kept presets.

#include "store/BackupFolder.h"

#include "model/FileNames.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {
QString Title(TByteView dump) {
    return QString::fromLatin1(PresetTitleOf(dump).c_str());
}

QString WithSeparator(QString folder) {
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder;
}
} // namespace

TBackupFolder::TBackupFolder(const QString& root, bool singleBank)
    : root(WithSeparator(root)), singleBank(singleBank) {}

QString TBackupFolder::BankFolder(int bank) const {
    if (singleBank || bank < 0 || bank > 3)
        return root;
    return root + QString::fromStdString(BankFolderName(bank)) + QLatin1Char('/');
}

QString TBackupFolder::MakeBankFolder(int bank, bool& created) const {
    created = false;
    const QString folder = BankFolder(bank);
    if (QFileInfo(folder).isDir())
        return {};
    if (!QDir().mkdir(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    created = true;
    return {};
}

std::set<int> TBackupFolder::SavedNumbers(int bank) const {
    std::set<int> numbers;
    const QStringList names = QDir(BankFolder(bank)).entryList(QDir::Files);
    for (const QString& name : names)
        if (const auto number = BackupPresetNumber(name.toStdString()))
            numbers.insert(*number);
    return numbers;
}

// (bank, number): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TBackupFolder::SavePreset(int bank, int number, const QString& title, TByteView dump,
                                  QString& error) const {
    const QString name =
        QString::fromLatin1(BackupFileName(title.toLatin1().toStdString(), number).c_str());
    const QString path = BankFolder(bank) + name;
    error = WriteWholeFile(path, dump);
    if (!error.isEmpty()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, error);
        return {};
    }
    return name;
}

std::vector<TRestoreItem> TBackupFolder::PlanRestore(const std::array<bool, 4>& banks, int first,
                                                     int last) const {
    std::vector<TRestoreItem> plan;
    const auto scan = [&](int bank) {
        const QDir dir(BankFolder(bank));
        // Everything named as a preset counts, a folder, a pipe or a broken link too: what
        // cannot be read is skipped and said, never silently left out.
        const QStringList names = dir.entryList(QDir::Files | QDir::Dirs | QDir::System |
                                                    QDir::Hidden | QDir::NoDotAndDotDot,
                                                QDir::Name);
        for (const QString& name : names) {
            const auto number = BackupPresetNumber(name.toStdString());
            if (!number || *number < first || *number > last)
                continue;
            TRestoreItem item;
            item.Bank = bank;
            item.Slot = *number;
            item.Path = dir.filePath(name);
            // A little more than a preset is read, so a file of the wrong size is told as such.
            const TFileRead read = ReadWholeFile(item.Path, 64 * kLargestPresetFile);
            if (!read.Ok()) {
                item.Problem = QStringLiteral("cannot be read: ") +
                               (read.Missing ? QStringLiteral("it is gone") : read.Error);
            } else {
                item.Dump.assign(read.Bytes.begin(), read.Bytes.end());
                if (item.Dump.size() != PresetDumpLength || !IsPresetDump(item.Dump) ||
                    !IsWellFormedSysex(item.Dump))
                    item.Problem = QStringLiteral("not a 258-byte preset dump");
                else
                    item.FileTitle = Title(item.Dump);
            }
            if (!item.Problem.isEmpty())
                item.Dump.clear();
            plan.push_back(std::move(item));
        }
    };
    if (singleBank) {
        scan(-1);
    } else {
        for (int bank = 0; bank < 4; ++bank)
            if (banks[static_cast<std::size_t>(bank)])
                scan(bank);
    }
    // Slot order within each bank, so the unit is written as a listing reads.
    std::stable_sort(plan.begin(), plan.end(), [](const TRestoreItem& a, const TRestoreItem& b) {
        return a.Bank != b.Bank ? a.Bank < b.Bank : a.Slot < b.Slot;
    });
    // A backup made again into the same folder after a preset was renamed leaves two files for
    // its slot. Both would be written and reported verified while the slot keeps only the last:
    // neither is sent, and the user says which one counts by removing the other.
    for (std::size_t from = 0; from < plan.size();) {
        std::size_t end = from + 1;
        while (end < plan.size() && plan[end].Bank == plan[from].Bank &&
               plan[end].Slot == plan[from].Slot)
            ++end;
        QStringList names;
        for (std::size_t i = from; i < end; ++i)
            if (plan[i].Problem.isEmpty())
                names << QFileInfo(plan[i].Path).fileName();
        if (names.size() > 1)
            for (std::size_t i = from; i < end; ++i)
                if (plan[i].Problem.isEmpty()) {
                    plan[i].Problem = QStringLiteral("%1 files are for this slot (%2)")
                                          .arg(names.size())
                                          .arg(names.join(QStringLiteral(", ")));
                    plan[i].Dump.clear();
                }
        from = end;
    }
    return plan;
}

QString KeptCopiesFolder() {
    return ProgramDataFolder() + QStringLiteral("/replaced");
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString KeepReplacedPreset(const QString& folder, TByteView dump, int bank, int slot,
                           QString& error) {
    const QString where = folder.isEmpty() ? KeptCopiesFolder() : folder;
    if (!QDir().mkpath(where)) {
        error = QStringLiteral("cannot create the folder %1").arg(where);
        return {};
    }
    QString prefix = bank >= 0 && bank <= 3
                         ? QString::fromStdString(BankFolderName(bank)) + QLatin1Char(' ')
                         : QString();
    prefix += QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss.zzz "));
    QString title = Title(dump);
    if (title.isEmpty())
        title = QStringLiteral("Untitled");
    const QString name = QString::fromLatin1(
        BackupFileName((prefix + title).toLatin1().toStdString(), slot).c_str());
    QString path = where + QLatin1Char('/') + name;
    for (int copy = 2; QFileInfo::exists(path); ++copy)
        path = where + QLatin1Char('/') + QStringLiteral("(%1) ").arg(copy) + name;
    error = WriteWholeFile(path, dump);
    if (!error.isEmpty()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, error);
        return {};
    }
    return path;
}
