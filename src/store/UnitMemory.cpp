// A unit's memory: a folder of slot files.

#include "store/UnitMemory.h"

#include "store/BackupFolder.h"
#include "store/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>

namespace {
const QString kHeader = QStringLiteral("Quellfarn slot memory 1");

const std::map<TSeenHow, QString>& HowWords() {
    static const std::map<TSeenHow, QString> words = {
        {TSeenHow::Read, QStringLiteral("read")},
        {TSeenHow::Stored, QStringLiteral("stored")},
        {TSeenHow::Restored, QStringLiteral("restored")},
        {TSeenHow::Kept, QStringLiteral("kept")}};
    return words;
}

} // namespace

QString HexText(TByteView bytes) {
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<qsizetype>(bytes.size()))
                                   .toHex());
}

QString TitleText(TByteView dump) {
    const QString title = QString::fromLatin1(PresetTitleOf(dump).c_str());
    return title.isEmpty() ? QStringLiteral("(untitled)") : title;
}

const char* SeenHowText(TSeenHow how) {
    switch (how) {
    case TSeenHow::Read:
        return "read";
    case TSeenHow::Stored:
        return "stored";
    case TSeenHow::Restored:
        return "restored";
    case TSeenHow::Kept:
        return "kept before a store";
    }
    return "";
}

QString ProgramDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Quellfarn");
}

QString TUnitMemory::FolderFor(const QString& outputName, int deviceByte) {
    QString name;
    for (const QChar c : outputName)
        name += c.isLetterOrNumber() || QStringLiteral(" -_.()").contains(c) ? c : QLatin1Char('_');
    return ProgramDataFolder() +
           QStringLiteral("/units/%1 - device %2").arg(name.trimmed()).arg(deviceByte);
}

TUnitMemory::TUnitMemory(const QString& folder) : folder(folder) {}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TUnitMemory::PathOf(int bank, int slot) const {
    return folder + QStringLiteral("/%1%2.slot")
                        .arg(QLatin1Char(BankLetters[std::clamp(bank, 0, 3)]))
                        .arg(slot, 3, 10, QLatin1Char('0'));
}

// A slot file read whole; empty, or why it cannot be read.
QString TUnitMemory::ReadSlotFile(const QString& path, TSlotMemory& memory) const {
    const TFileRead read = ReadWholeFile(path, kLargestSlotFile);
    if (!read.Error.isEmpty())
        return read.Error;
    QTextStream in(read.Bytes);
    bool sound = in.readLine() == kHeader;
    bool bankSeen = false, slotSeen = false;
    while (sound && !in.atEnd()) {
        const QStringList words = in.readLine().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        bool ok = true;
        if (words[0] == QLatin1String("bank") && words.size() == 2) {
            memory.Bank = words[1].toInt(&ok);
            bankSeen = ok && memory.Bank >= 0 && memory.Bank <= 3;
        } else if (words[0] == QLatin1String("slot") && words.size() == 2) {
            memory.Slot = words[1].toInt(&ok);
            slotSeen = ok && memory.Slot >= 1 && memory.Slot <= 200;
        } else if (words[0] == QLatin1String("current") && words.size() == 2) {
            memory.Current = words[1].toInt(&ok);
        } else if (words[0] == QLatin1String("version") && words.size() == 6) {
            TSlotVersion version;
            version.FirstSeen = QDateTime::fromString(words[1], Qt::ISODateWithMs);
            version.LastSeen = QDateTime::fromString(words[3], Qt::ISODateWithMs);
            const QByteArray bytes = QByteArray::fromHex(words[5].toLatin1());
            version.Dump.assign(bytes.begin(), bytes.end());
            bool first = false, last = false;
            for (const auto& [how, word] : HowWords()) {
                if (word == words[2]) {
                    version.FirstHow = how;
                    first = true;
                }
                if (word == words[4]) {
                    version.LastHow = how;
                    last = true;
                }
            }
            ok = first && last && version.FirstSeen.isValid() && version.LastSeen.isValid() &&
                 IsPresetDump(version.Dump) && IsWellFormedSysex(version.Dump);
            memory.Versions.push_back(std::move(version));
        } else {
            ok = false;
        }
        sound = sound && ok;
    }
    // The file's name must say the slot its lines say: a file copied under another name would
    // file its presets under a slot they did not come from.
    sound = sound && bankSeen && slotSeen && memory.Current >= 0 &&
            memory.Current < static_cast<int>(memory.Versions.size()) &&
            QFileInfo(path).fileName() == QFileInfo(PathOf(memory.Bank, memory.Slot)).fileName();
    return sound ? QString() : QStringLiteral("not a slot memory this program can read");
}

// (path, why): the file, then what is wrong with it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TUnitMemory::SetAside(const QString& path, const QString& why) {
    // A folder, a device or a pipe in a slot file's place is named and left alone: writes refuse
    // it.
    if (!QFileInfo(path).isFile())
        return QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), why);
    const QString moved = MoveAside(path);
    return QStringLiteral("%1: %2; %3")
        .arg(QFileInfo(path).fileName(), why,
             moved.isEmpty() ? QStringLiteral("it could not be moved aside")
                             : QStringLiteral("moved to %1").arg(QFileInfo(moved).fileName()));
}

void TUnitMemory::Load() {
    remembered.clear();
    problems.clear();
    const QStringList names = QDir(folder).entryList({QStringLiteral("*.slot")},
                                                     QDir::Files | QDir::System | QDir::Hidden);
    for (const QString& name : names) {
        const QString path = QDir(folder).filePath(name);
        TSlotMemory memory;
        const QString problem = ReadSlotFile(path, memory);
        if (!problem.isEmpty()) {
            problems << SetAside(path, problem);
            continue;
        }
        remembered[{memory.Bank, memory.Slot}] = std::move(memory);
    }
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TUnitMemory::Saw(int bank, int slot, TByteView dump, TSeenHow how, const QDateTime& when) {
    if (folder.isEmpty())
        return QStringLiteral("no folder for the unit's memory");
    if (!IsPresetDump(dump))
        return QStringLiteral("not a preset dump");
    if (bank < 0 || bank > 3 || slot < 1 || slot > 200)
        return QStringLiteral("no such slot");
    // Another program may have written the slot's file since: what it holds is read again, and
    // a file that cannot be read is moved aside, never written over.
    TSlotMemory memory;
    const auto known = remembered.find({bank, slot});
    if (known != remembered.end())
        memory = known->second;
    const QString path = PathOf(bank, slot);
    if (QFileInfo(path).isFile()) {
        TSlotMemory onDisk;
        const QString problem = ReadSlotFile(path, onDisk);
        if (problem.isEmpty())
            memory = std::move(onDisk);
        else
            problems << SetAside(path, problem);
    }
    memory.Bank = bank;
    memory.Slot = slot;
    int index = -1;
    for (std::size_t i = 0; i < memory.Versions.size(); ++i)
        if (SameDumpAnyDevice(memory.Versions[i].Dump, dump))
            index = static_cast<int>(i);
    if (index < 0) {
        TSlotVersion version;
        version.Dump.assign(dump.begin(), dump.end());
        version.FirstSeen = when;
        version.FirstHow = how;
        memory.Versions.push_back(std::move(version));
        index = static_cast<int>(memory.Versions.size()) - 1;
    }
    TSlotVersion& seen = memory.Versions[static_cast<std::size_t>(index)];
    seen.LastSeen = when;
    seen.LastHow = how;
    // A preset kept before a store is what the slot held then; what it holds now is the store's.
    memory.Current = index;

    QString text =
        kHeader +
        QStringLiteral("\nbank %1\nslot %2\ncurrent %3\n").arg(bank).arg(slot).arg(memory.Current);
    for (const TSlotVersion& version : memory.Versions)
        text +=
            QStringLiteral("version %1 %2 %3 %4 %5\n")
                .arg(version.FirstSeen.toString(Qt::ISODateWithMs), HowWords().at(version.FirstHow),
                     version.LastSeen.toString(Qt::ISODateWithMs), HowWords().at(version.LastHow),
                     HexText(version.Dump));
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    const QString error = WriteWholeFile(path, text.toLatin1());
    if (!error.isEmpty())
        return QStringLiteral("cannot write %1: %2").arg(path, error);
    remembered[{bank, slot}] = std::move(memory);
    return {};
}

const TSlotMemory* TUnitMemory::Slot(TPlace place) const {
    const auto found = remembered.find(place);
    return found == remembered.end() ? nullptr : &found->second;
}

std::map<int, std::string> BankTitles(const TUnitMemory& memory, int bank) {
    std::map<int, std::string> titles;
    for (const auto& [place, slot] : memory.Slots())
        if (place.Bank == bank && slot.Now() != nullptr)
            // A preset's title is Latin-1, as the unit shows it.
            titles[place.Slot] =
                QString::fromLatin1(PresetTitleOf(slot.Now()->Dump).c_str()).toStdString();
    return titles;
}
