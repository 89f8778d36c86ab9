// The per-unit write lock.

#include "store/UnitLock.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

TUnitLock::TUnitLock(const QString& memoryFolder)
    : file(std::make_unique<QLockFile>(FileIn(memoryFolder))) {
    // A lock is never stale for its age alone, as a write job can be long; one whose process is
    // gone is taken over (QLockFile asks whether it still runs).
    file->setStaleLockTime(0);
}

TUnitLock::~TUnitLock() {
    Release();
}

QString TUnitLock::FileIn(const QString& memoryFolder) {
    return QDir(memoryFolder).filePath(QStringLiteral("write.lock"));
}

bool TUnitLock::Take(int milliseconds) {
    if (held)
        return true;
    QDir().mkpath(QFileInfo(file->fileName()).absolutePath());
    held = file->tryLock(std::max(0, milliseconds));
    return held;
}

void TUnitLock::Release() {
    if (held)
        file->unlock();
    held = false;
}

QString TUnitLock::Holder() const {
    qint64 pid = 0;
    QString host;
    QString application;
    if (!file->getLockInfo(&pid, &host, &application))
        return {};
    const QString name = application.isEmpty() ? QStringLiteral("another program") : application;
    return QStringLiteral("%1 (process %2)").arg(name).arg(pid);
}
