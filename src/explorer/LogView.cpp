// The monitor log's list view.

#include "explorer/LogView.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

TLogView::TLogView(int limit, QWidget* parent)
    : QListView(parent), lines(new TLogModel(limit, this)) {
    setModel(lines);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every line has the height of the first: appending a batch never measures each line.
    setUniformItemSizes(true);
}

QString TLogView::LineText(int row) const {
    return row >= 0 && row < lines->Count() ? lines->Line(row).Text : QString();
}

const TMyMidiEvent* TLogView::LineEvent(int row) const {
    return row >= 0 && row < lines->Count() ? lines->Line(row).Event.get() : nullptr;
}

int TLogView::CurrentLine() const {
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TLogView::SetCurrentLine(int row) {
    selectionModel()->setCurrentIndex(lines->index(row), QItemSelectionModel::ClearAndSelect);
}

void TLogView::MoveCurrentLine(int row) {
    selectionModel()->setCurrentIndex(lines->index(row), QItemSelectionModel::NoUpdate);
}

void TLogView::SelectLine(int row, bool selected) {
    selectionModel()->select(lines->index(row), selected ? QItemSelectionModel::Select
                                                         : QItemSelectionModel::Deselect);
}

bool TLogView::IsLineSelected(int row) const {
    return selectionModel()->isRowSelected(row, QModelIndex());
}

std::vector<int> TLogView::SelectedLines() const {
    std::vector<int> rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

int TLogView::LineAt(const QPoint& point) const {
    const QModelIndex index = indexAt(point);
    return index.isValid() ? index.row() : -1;
}

QRect TLogView::LineRect(int row) const {
    return visualRect(lines->index(row));
}

void TLogView::mousePressEvent(QMouseEvent* event) {
    QListView::mousePressEvent(event);
    const int row = LineAt(event->position().toPoint());
    if (row >= 0)
        emit LineChosen(row);
}

void TLogView::keyPressEvent(QKeyEvent* event) {
    const int before = CurrentLine();
    QListView::keyPressEvent(event);
    const int after = CurrentLine();
    if (after >= 0 && after != before)
        emit LineChosen(after);
}
