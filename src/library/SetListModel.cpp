// The songs table of a set list.

#include "library/SetListModel.h"

#include <QBrush>
#include <QDataStream>
#include <QIODevice>
#include <QMimeData>
#include <QPalette>
#include <set>

QString SongsMime() {
    return QStringLiteral("application/x-quellfarn-songs");
}

std::vector<int> DecodeSongs(const QMimeData& data) {
    std::vector<int> rows;
    QDataStream in(data.data(SongsMime()));
    qint32 count = 0;
    in >> count;
    for (qint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 row = -1;
        in >> row;
        if (in.status() == QDataStream::Ok)
            rows.push_back(row);
    }
    return rows;
}

void TSetListModel::Set(const TSetList& value, std::vector<TSongFound> songsFound) {
    beginResetModel();
    list = value;
    found = std::move(songsFound);
    found.resize(list.Songs.size());
    endResetModel();
}

int TSetListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list.Songs.size());
}

int TSetListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kSongColumns;
}

QVariant TSetListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TSong& song = list.Songs[static_cast<std::size_t>(index.row())];
    const TSongFound& known = found[static_cast<std::size_t>(index.row())];
    if (role == Qt::ForegroundRole && !known.Missing.isEmpty() && index.column() == kSongState)
        return QBrush(Qt::red);
    if (role == Qt::ToolTipRole && !known.Missing.isEmpty())
        return known.Missing;
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case kSongNumber:
        return index.row() + 1;
    case kSongTitle:
        return QString::fromStdString(song.Title);
    case kSongPreset: {
        const QString text = QString::fromStdString(song.Preset.Text());
        // A slot as the library writes places ("B 017"); a file by its name, in full on hover.
        if (song.Preset.IsFile())
            return role == Qt::ToolTipRole ? text : text.section(QLatin1Char('/'), -1);
        return text.length() == 4 ? text.left(1) + QLatin1Char(' ') + text.mid(1) : text;
    }
    case kSongPresetTitle:
        return known.Title;
    case kSongState:
        return known.Missing.isEmpty() ? QString() : QStringLiteral("missing: ") + known.Missing;
    case kSongNote:
        return QString::fromStdString(song.Note);
    default:
        return {};
    }
}

bool TSetListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !OnEdit ||
        (index.column() != kSongTitle && index.column() != kSongNote))
        return false;
    if (value.toString() == data(index, Qt::EditRole).toString())
        return false;
    return OnEdit(index.row(), index.column(), value.toString());
}

Qt::ItemFlags TSetListModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return flags | Qt::ItemIsDropEnabled;
    flags |= Qt::ItemIsDragEnabled;
    if (index.column() == kSongTitle || index.column() == kSongNote)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant TSetListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[kSongColumns] = {"#",     "Song", "Preset", "Preset title",
                                                       "State", "Note"};
    return QString::fromLatin1(kHeaders[section]);
}

QStringList TSetListModel::mimeTypes() const {
    return {SongsMime()};
}

QMimeData* TSetListModel::mimeData(const QModelIndexList& indexes) const {
    std::set<int> rows;
    for (const QModelIndex& index : indexes)
        if (index.isValid() && index.row() < rowCount())
            rows.insert(index.row());
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << static_cast<qint32>(rows.size());
    for (const int row : rows)
        out << static_cast<qint32>(row);
    auto* data = new QMimeData;
    data->setData(SongsMime(), bytes);
    return data;
}
