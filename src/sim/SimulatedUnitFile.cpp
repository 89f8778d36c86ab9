// The simulated unit's memory file.

#include "sim/SimulatedUnitFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

namespace {
// "memory.syx.damaged", or "memory.syx.2.damaged" and on where that is taken.
QString FreeDamagedName(const QString& path) {
    QString name = path + QStringLiteral(".damaged");
    for (int n = 2; QFile::exists(name); ++n)
        name = QStringLiteral("%1.%2.damaged").arg(path).arg(n);
    return name;
}
} // namespace

TSimulatedUnitFile::TSimulatedUnitFile(const QString& folder) : folder(folder) {}

QString TSimulatedUnitFile::Path() const {
    return QDir(folder).filePath(QStringLiteral("memory.syx"));
}

QString TSimulatedUnitFile::Load(TPlenovaDevice& device) {
    const QString path = Path();
    QFile file(path);
    if (!file.exists())
        return {};
    QString why;
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError) {
            std::string wrong;
            if (device.RestoreMemory(TBytes(bytes.begin(), bytes.end()), wrong))
                return {};
            why = QString::fromStdString(wrong);
        } else {
            why = file.errorString();
        }
        file.close();
    } else {
        why = file.errorString();
    }
    // Never deleted nor written over: what could not be read may still be worth something.
    const QString aside = FreeDamagedName(path);
    if (QFile::rename(path, aside))
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
    QSaveFile file(Path());
    const auto size = static_cast<qint64>(memory.size());
    // commit() alone may put an empty file in place when the bytes cannot be written out (a full
    // disk); flushing first finds that, and the file before is left alone.
    if (file.open(QIODevice::WriteOnly) &&
        file.write(reinterpret_cast<const char*>(memory.data()), size) == size && file.flush() &&
        file.commit())
        return {};
    return QStringLiteral("%1: %2").arg(Path(), file.errorString());
}
