// Set list files on disk.

#include "store/SetListFiles.h"

#include "store/WholeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString SetListFolder() {
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                           QStringLiteral("/Quellfarn/Set lists"));
}

QStringList SetListFiles(const QString& folder) {
    QStringList files;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QStringLiteral("*") + QLatin1String(kSetListSuffix)},
                                             QDir::Files, QDir::Name | QDir::IgnoreCase))
        files << dir.filePath(name);
    return files;
}

TSetListLoad LoadSetList(const QString& path, const TDeviceMode& mode) {
    TSetListLoad load;
    const TFileRead read = ReadWholeFile(path, kLargestSetListFile);
    if (read.Missing)
        load.Error = QStringLiteral("%1: no such file").arg(path);
    else if (!read.Ok())
        load.Error = read.Error;
    else
        load.Read = TSetList::Read(
            std::string_view(read.Bytes.constData(), static_cast<std::size_t>(read.Bytes.size())),
            mode);
    return load;
}

QString SaveSetList(const QString& path, const TSetList& list, const TDeviceMode& mode) {
    if (const std::string why = list.Unwritable(mode); !why.empty())
        return QString::fromStdString(why) + QStringLiteral("; nothing was written");
    const QString folder = QFileInfo(path).absolutePath();
    if (QDir::cleanPath(folder) == SetListFolder() && !QDir().mkpath(folder))
        return QStringLiteral("%1 cannot be made").arg(folder);
    const std::string text = list.Text(mode);
    return WriteWholeFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

QString SaveProgramNames(const QString& path, const std::vector<TProgramName>& names) {
    const bool midnam =
        QFileInfo(path).suffix().compare(QStringLiteral("midnam"), Qt::CaseInsensitive) == 0;
    const std::string text = midnam ? ProgramNamesMidnam(names) : ProgramNamesCsv(names);
    return WriteWholeFile(path, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}
