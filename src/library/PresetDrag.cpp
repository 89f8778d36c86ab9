// The library's drag codec.

#include "library/PresetDrag.h"

#include "model/DeviceMode.h"
#include "store/WholeFile.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QStringList>
#include <QUrl>
#include <algorithm>

QString PresetsMime() {
    return QStringLiteral("application/x-quellfarn-presets");
}

QByteArray EncodeDrag(const std::vector<const TLibraryRow*>& rows) {
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << static_cast<qint32>(rows.size());
    for (const TLibraryRow* row : rows)
        out << static_cast<qint32>(row->Source) << static_cast<qint32>(row->Bank)
            << static_cast<qint32>(row->Slot)
            << QByteArray(reinterpret_cast<const char*>(row->Dump.data()),
                          static_cast<qsizetype>(row->Dump.size()));
    // The files after every preset: a reader that knows nothing of them stops before.
    QStringList paths;
    for (const TLibraryRow* row : rows)
        paths << row->Path;
    out << paths;
    return bytes;
}

std::vector<TDragged> DecodeDrag(const QMimeData& data) {
    std::vector<TDragged> dragged;
    if (data.hasFormat(PresetsMime())) {
        QDataStream in(data.data(PresetsMime()));
        qint32 count = 0;
        in >> count;
        std::vector<bool> taken;
        for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
            qint32 source = 0, bank = 0, slot = 0;
            QByteArray dump;
            in >> source >> bank >> slot >> dump;
            TDragged item{static_cast<TLibrarySource>(std::clamp(source, 0, 3)), bank, slot,
                          TBytes(dump.begin(), dump.end()), QString()};
            // A drag may come from another program: a slot of the unit must be one it has, or
            // a swap would read and write a place that is not there.
            const bool placed =
                item.Source != TLibrarySource::Unit ||
                (bank >= -1 && bank <= 3 && TPlace::Of(bank, slot).Fits(PrePlenovaMode));
            const bool take = in.status() == QDataStream::Ok && placed && IsPresetDump(item.Dump) &&
                              IsWellFormedSysex(item.Dump);
            taken.push_back(take);
            if (take)
                dragged.push_back(std::move(item));
        }
        QStringList paths;
        in >> paths;
        if (in.status() == QDataStream::Ok && paths.size() == static_cast<qsizetype>(taken.size()))
            for (std::size_t i = 0, at = 0; i < taken.size(); ++i)
                if (taken[i])
                    dragged[at++].Path = paths[static_cast<qsizetype>(i)];
        return dragged;
    }
    for (const QUrl& url : data.urls()) {
        const QByteArray bytes = ReadWholeFile(url.toLocalFile(), kLargestPresetFile).Bytes;
        TDragged item{TLibrarySource::PresetFolder, -1, 0, TBytes(bytes.begin(), bytes.end()),
                      url.toLocalFile()};
        if (IsPresetDump(item.Dump) && IsWellFormedSysex(item.Dump))
            dragged.push_back(std::move(item));
    }
    return dragged;
}
