// Preset files rewritten all or nothing, their previous versions kept.

#include "store/FileRewrite.h"

#include "store/WholeFile.h"

#include <QFile>
#include <QFileInfo>

QString BeforeName(const QString& path, const QDate& day) {
    const QString base = path + QStringLiteral(".before-") + day.toString(Qt::ISODate);
    QString name = base;
    for (int copy = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++copy)
        name = base + QStringLiteral("-%1").arg(copy);
    return name;
}

TFileRewrite RewriteFiles(const std::vector<TFileChange>& changes, const QDate& today) {
    TFileRewrite result;
    // Everything is checked and kept before the first file changes.
    for (const TFileChange& change : changes) {
        const TFileRead read = ReadWholeFile(change.Path, 64 * kLargestPresetFile);
        const TBytes now(read.Bytes.begin(), read.Bytes.end());
        if (!read.Ok() || now != change.Before) {
            result.Error =
                read.Ok() ? QStringLiteral("%1 changed since it was read")
                                .arg(QFileInfo(change.Path).fileName())
                          : (read.Missing ? change.Path + QStringLiteral(" is gone") : read.Error);
            break;
        }
        const QString kept = BeforeName(change.Path, today);
        if (const QString error = WriteWholeFile(kept, change.Before); !error.isEmpty()) {
            result.Error = QStringLiteral("cannot keep %1: %2").arg(kept, error);
            break;
        }
        result.Kept << kept;
    }
    std::size_t written = 0;
    if (result.Error.isEmpty())
        for (; written < changes.size(); ++written)
            if (const QString error = WriteWholeFile(changes[written].Path, changes[written].After);
                !error.isEmpty()) {
                result.Error =
                    QStringLiteral("cannot write %1: %2").arg(changes[written].Path, error);
                break;
            }
    if (result.Error.isEmpty())
        return result;
    // Back as they were: the files written put back, the copies kept for them taken away; a file
    // that cannot be put back keeps its copy, named.
    QStringList stranded;
    for (int i = 0; i < result.Kept.size(); ++i) {
        const auto at = static_cast<std::size_t>(i);
        if (at < written && !WriteWholeFile(changes[at].Path, changes[at].Before).isEmpty())
            stranded << result.Kept[i];
        else
            QFile::remove(result.Kept[i]);
    }
    result.Kept = stranded;
    result.Error += stranded.isEmpty()
                        ? QStringLiteral(": no file was changed")
                        : QStringLiteral(": the files could not all be put back; what they held "
                                         "is kept in ") +
                              stranded.join(QStringLiteral(", "));
    return result;
}
