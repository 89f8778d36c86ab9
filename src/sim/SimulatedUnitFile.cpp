// The simulated unit's memory file.

#include "sim/SimulatedUnitFile.h"

#include "store/WholeFile.h"

#include <QDir>
#include <QFile>

namespace {
// Every bank's presets, the table and the bank: a little over 200 KB.
constexpr qint64 kLargestMemoryFile = 1024 * 1024;
} // namespace

TSimulatedUnitFile::TSimulatedUnitFile(const QString& folder) : folder(folder) {}

QString TSimulatedUnitFile::Path() const {
    return QDir(folder).filePath(QStringLiteral("memory.syx"));
}

QString TSimulatedUnitFile::Load(TPlenovaDevice& device) {
    const QString path = Path();
    const TFileRead read = ReadWholeFile(path, kLargestMemoryFile);
    if (read.Missing)
        return {};
    QString why = read.Error;
    if (why.isEmpty()) {
        std::string wrong;
        if (device.RestoreMemory(TBytes(read.Bytes.begin(), read.Bytes.end()), wrong))
            return {};
        why = QString::fromStdString(wrong);
    }
    // Never deleted nor written over: what could not be read may still be worth something.
    const QString aside = MoveAside(path);
    if (!aside.isEmpty())
        return QStringLiteral("The simulated unit's memory could not be read (%1): it is kept as "
                              "%2, and the simulated unit starts with its factory presets")
            .arg(why, aside);
    stuck = path;
    return QStringLiteral("The simulated unit's memory could not be read (%1) nor moved aside: it "
                          "stays as %2, and the simulated unit starts with its factory presets "
                          "and keeps nothing until it is moved")
        .arg(why, path);
}

QString TSimulatedUnitFile::Save(TByteView memory) const {
    if (!stuck.isEmpty() && QFile::exists(stuck))
        return QStringLiteral("%1 could not be read and is not written over").arg(stuck);
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    if (const QString error = WriteWholeFile(Path(), memory); !error.isEmpty())
        return QStringLiteral("%1: %2").arg(Path(), error);
    return {};
}
