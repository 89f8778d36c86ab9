// Whole-file writes and bounded reads.

#include "store/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

QString WriteWholeFile(const QString& path, std::span<const std::uint8_t> bytes) {
    const QFileInfo info(path);
    // A link is written through only to a file in its own folder: a damaged or planted link must
    // not let a write land anywhere else.
    if (info.isSymLink() && QFileInfo(info.symLinkTarget()).absolutePath() != info.absolutePath())
        return QStringLiteral("%1 is a link out of its folder: it is not written through")
            .arg(path);
    if ((info.exists() || info.isSymLink()) && !info.isFile())
        return QStringLiteral("%1 is not a plain file").arg(path);
    QSaveFile file(path);
    const auto size = static_cast<qint64>(bytes.size());
    // Qt 6.4's commit() reports success when the buffered bytes cannot be written out (a full
    // disk) and puts an empty file in place; flushing first finds it, and the file is left alone.
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(reinterpret_cast<const char*>(bytes.data()), size) != size || !file.flush()) {
        const QString error = file.errorString();
        file.cancelWriting();
        return error.isEmpty() ? QStringLiteral("not every byte could be written") : error;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString WriteWholeFile(const QString& path, const QByteArray& bytes) {
    return WriteWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                          static_cast<std::size_t>(bytes.size())));
}

TFileRead ReadWholeFile(const QString& path, qint64 largest) {
    TFileRead read;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        read.Missing = true;
        return read;
    }
    // A link is followed to what it names; that must be a plain file too (a link to /dev/zero
    // or a pipe is not read).
    if (!info.exists()) {
        read.Error = QStringLiteral("%1 is a link to nothing").arg(path);
        return read;
    }
    if (!info.isFile()) {
        read.Error = QStringLiteral("%1 is not a plain file").arg(path);
        return read;
    }
    if (info.size() > largest) {
        read.Error = QStringLiteral("%1 is too large (%2 bytes; at most %3)")
                         .arg(path)
                         .arg(info.size())
                         .arg(largest);
        return read;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.Error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
        return read;
    }
    // It may have grown since it was looked at: one byte more than allowed tells.
    read.Bytes = file.read(largest + 1);
    if (read.Bytes.size() > largest) {
        read.Bytes.clear();
        read.Error = QStringLiteral("%1 is too large (more than %2 bytes)").arg(path).arg(largest);
    } else if (file.error() != QFileDevice::NoError) {
        read.Bytes.clear();
        read.Error = QStringLiteral("%1 cannot be read: %2").arg(path, file.errorString());
    }
    return read;
}

QString MoveAside(const QString& path) {
    QString aside = path + QStringLiteral(".damaged");
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = path + QStringLiteral(".damaged%1").arg(n);
    return QFile::rename(path, aside) ? aside : QString();
}
