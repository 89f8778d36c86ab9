#pragma once
// The songs of the set list the library shows, in their order: each with the preset it plays,
// that preset's title where the library knows it, its note, and why it is marked when its preset
// cannot be found. A title or a note edited in place is handed to the window, which saves the
// file first and shows the songs again only once it is written.

#include "model/SetList.h"

#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <vector>

// The songs table's columns; the note, the widest, last.
enum TSongColumn {
    kSongNumber,
    kSongTitle,
    kSongPreset,
    kSongPresetTitle,
    kSongState,
    kSongNote,
    kSongColumns
};

// What the library knows of a song's preset.
struct TSongFound {
    QString Title;   // the preset's title; empty when it is not known
    QString Missing; // why the preset cannot be found ("the file is gone"); empty when it is there
};

class TSetListModel : public QAbstractTableModel {
public:
    // A song's title or note edited (row, column, text): true once the file took it.
    std::function<bool(int row, int column, const QString& text)> OnEdit;

    void Set(const TSetList& list, std::vector<TSongFound> found);
    const TSetList& List() const { return list; }
    const TSongFound& Found(int row) const { return found[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    QStringList mimeTypes() const override;
    // The songs dragged, by their rows: a drop in the same list moves them.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }

private:
    TSetList list;
    std::vector<TSongFound> found;
};

// The songs table's own kind of drag: the rows of the songs dragged.
QString SongsMime();
std::vector<int> DecodeSongs(const QMimeData& data);
