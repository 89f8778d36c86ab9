#pragma once
// The rows of the chosen source, and those of them the table shows: the ones the query finds,
// in the order chosen. Filtering and sorting happen here rather than in a proxy: a proxy tells
// the view of every stretch of rows that comes or goes, which over thousands of rows costs more
// than a keystroke may.

#include "library/PresetDrag.h"
#include "store/LibraryRows.h"
#include "store/NoteStore.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QMimeData>
#include <functional>
#include <set>
#include <vector>

// The table's columns; the chain, the widest, last: it takes what room is left. Rating, tags
// and note are edited in place.
enum TColumn { kPlace, kTitle, kState, kSeen, kGroup, kRating, kTags, kNote, kChain, kColumns };

// When a row was seen, as the table shows it.
QString SeenText(const QDateTime& when);
// A rating as the table shows it: "★★☆".
QString StarsText(int rating);
// Tags as the table shows them and takes them typed: "live, church".
QString TagsText(const std::vector<std::string>& tags);
std::vector<std::string> TypedTags(const QString& text);

class TLibraryModel : public QAbstractTableModel {
public:
    std::vector<TLibraryRow> Rows;
    std::vector<int> Shown; // indexes into Rows, as the table shows them
    // Where the rows' tags, ratings and notes are kept; null: the columns stay empty.
    TNoteStore* Notes = nullptr;
    QString UnitFolder; // the unit's memory, for the place a copy on it is marked under
    // A change of the notes that could not be written: why.
    std::function<void(const QString& why)> OnNotesError;

    void Set(std::vector<TLibraryRow> rows) {
        beginResetModel();
        Rows = std::move(rows);
        places.clear();
        places.reserve(Rows.size());
        for (const TLibraryRow& row : Rows)
            places.push_back(row.Place());
        ReadNotes();
        Order();
        Filter();
        endResetModel();
    }
    void SetQuery(std::unique_ptr<TPresetQuery> value) {
        beginResetModel();
        query = std::move(value);
        Filter();
        endResetModel();
    }
    const TLibraryRow& At(int shown) const {
        return Rows[static_cast<std::size_t>(Shown[static_cast<std::size_t>(shown)])];
    }
    const TPresetNotes& NotesAt(int shown) const {
        return notes[static_cast<std::size_t>(Shown[static_cast<std::size_t>(shown)])];
    }
    // The place the row's copy is marked under.
    QString MarkPlace(const TLibraryRow& row) const { return NotesPlace(row, UnitFolder); }
    // The notes of every row read again from the store (after a change made elsewhere).
    void NotesChanged() {
        ReadNotes();
        if (!Shown.empty())
            emit dataChanged(index(0, kRating), index(rowCount() - 1, kNote));
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(Shown.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : kColumns;
    }
    void sort(int column, Qt::SortOrder order) override {
        emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        const QModelIndexList before = persistentIndexList();
        std::vector<int> rowsBefore;
        for (const QModelIndex& index : before)
            rowsBefore.push_back(Shown[static_cast<std::size_t>(index.row())]);
        sortColumn = column;
        sortOrder = order;
        Order();
        Filter();
        std::vector<int> where(Rows.size(), -1);
        for (std::size_t i = 0; i < Shown.size(); ++i)
            where[static_cast<std::size_t>(Shown[i])] = static_cast<int>(i);
        QModelIndexList after;
        for (std::size_t i = 0; i < rowsBefore.size(); ++i)
            after << index(where[static_cast<std::size_t>(rowsBefore[i])],
                           before[static_cast<int>(i)].column());
        changePersistentIndexList(before, after);
        emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || index.row() >= rowCount())
            return {};
        if (role == Qt::EditRole)
            return EditText(index);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        const TLibraryRow& row = At(index.row());
        const TPresetNotes& noted = NotesAt(index.row());
        switch (index.column()) {
        case kRating:
            return noted.Rating > 0 ? StarsText(noted.Rating) : QString();
        case kTags:
            return TagsText(noted.Tags);
        case kNote:
            if (role == Qt::ToolTipRole && !noted.Note.empty())
                return QString::fromStdString(noted.Note) + QStringLiteral("\n(noted ") +
                       SeenText(QDateTime::fromString(QString::fromStdString(noted.Noted),
                                                      Qt::ISODate)) +
                       QLatin1Char(')');
            return QString::fromStdString(noted.Note).section(QLatin1Char('\n'), 0, 0);
        case kPlace:
            return role == Qt::ToolTipRole && !row.Path.isEmpty() ? row.Path : row.Place();
        case kTitle:
            return row.Title;
        case kChain:
            return row.Chain;
        case kGroup:
            return row.Group >= 0 ? QVariant(row.Group) : QVariant();
        case kSeen:
            return SeenText(row.Seen);
        case kState:
            return row.State;
        default:
            return {};
        }
    }
    Qt::ItemFlags flags(const QModelIndex& index) const override {
        Qt::ItemFlags flags = QAbstractTableModel::flags(index);
        if (index.isValid() && !At(index.row()).Dump.empty()) {
            flags |= Qt::ItemIsDragEnabled;
            if (Notes != nullptr && index.column() >= kRating && index.column() <= kNote)
                flags |= Qt::ItemIsEditable;
        }
        return flags;
    }
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QStringList mimeTypes() const override { return {PresetsMime()}; }
    QMimeData* mimeData(const QModelIndexList& indexes) const override {
        std::set<int> rows;
        for (const QModelIndex& index : indexes)
            rows.insert(index.row());
        std::vector<const TLibraryRow*> dragged;
        for (const int row : rows)
            if (row >= 0 && row < rowCount() && !At(row).Dump.empty())
                dragged.push_back(&At(row));
        auto* data = new QMimeData;
        data->setData(PresetsMime(), EncodeDrag(dragged));
        return data;
    }
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        static const char* const kHeaders[kColumns] = {"Slot",   "Title", "State", "Seen", "Group",
                                                       "Rating", "Tags",  "Note",  "Chain"};
        return QString::fromLatin1(kHeaders[section]);
    }

private:
    // Whether a comes before b in the column, ascending.
    bool Before(int first, int second) const {
        const TLibraryRow& a = Rows[static_cast<std::size_t>(first)];
        const TLibraryRow& b = Rows[static_cast<std::size_t>(second)];
        const auto text = [](const QString& x, const QString& y) {
            return QString::compare(x, y, Qt::CaseInsensitive);
        };
        const auto numbered = [](const TLibraryRow& row) {
            return row.Path.isEmpty() || row.Source == TLibrarySource::Backup;
        };
        int order = 0;
        switch (sortColumn) {
        case kPlace:
            order = numbered(a) && numbered(b) ? (a.Bank * 1000 + a.Slot) - (b.Bank * 1000 + b.Slot)
                                               : text(places[static_cast<std::size_t>(first)],
                                                      places[static_cast<std::size_t>(second)]);
            break;
        case kTitle:
            order = text(a.Title, b.Title);
            break;
        case kChain:
            order = text(a.Chain, b.Chain);
            break;
        case kGroup:
            order = a.Group - b.Group;
            break;
        case kSeen:
            order = a.Seen < b.Seen ? -1 : (b.Seen < a.Seen ? 1 : 0);
            break;
        case kState:
            order = text(a.State, b.State);
            break;
        case kRating:
            order = NotesOf(first).Rating - NotesOf(second).Rating;
            break;
        case kTags:
            order = text(TagsText(NotesOf(first).Tags), TagsText(NotesOf(second).Tags));
            break;
        case kNote:
            order = text(QString::fromStdString(NotesOf(first).Note),
                         QString::fromStdString(NotesOf(second).Note));
            break;
        default:
            break;
        }
        return order < 0;
    }
    // All rows in the order chosen; sorting happens only when that order changes.
    void Order() {
        sorted.resize(Rows.size());
        for (std::size_t i = 0; i < sorted.size(); ++i)
            sorted[i] = static_cast<int>(i);
        std::stable_sort(sorted.begin(), sorted.end(), [this](int a, int b) {
            return sortOrder == Qt::AscendingOrder ? Before(a, b) : Before(b, a);
        });
    }
    // The rows the query finds, in that order.
    void Filter() {
        Shown.clear();
        Shown.reserve(Rows.size());
        const bool filtering = query && !query->Empty();
        for (const int i : sorted) {
            const TLibraryRow& row = Rows[static_cast<std::size_t>(i)];
            if (filtering) {
                if (row.Dump.empty())
                    continue; // a slot never read does nothing a query could find
                TSearchPlace place;
                place.Bank = row.Bank;
                place.Changed = row.Changed;
                place.Notes = &notes[static_cast<std::size_t>(i)];
                if (!query->Matches(row.Facts, place))
                    continue;
            }
            Shown.push_back(i);
        }
    }

    const TPresetNotes& NotesOf(int row) const { return notes[static_cast<std::size_t>(row)]; }
    QVariant EditText(const QModelIndex& index) const;
    void ReadNotes();

    std::vector<QString> places;     // each row's place, as shown
    std::vector<TPresetNotes> notes; // each row's tags, rating and note
    std::vector<int> sorted;
    std::unique_ptr<TPresetQuery> query;
    int sortColumn = kPlace;
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
};
