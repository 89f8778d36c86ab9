#pragma once
// The monitor log's list: the view over the monitor's lines, with the line-by-row questions
// the window asks of it (text, event, selection, where a line is shown).

#include "explorer/LogModel.h"

#include <QListView>
#include <vector>

class TLogView : public QListView {
    Q_OBJECT
public:
    TLogView(int limit, QWidget* parent);

    TLogModel& Lines() const { return *lines; }
    int LineCount() const { return lines->Count(); }
    // Empty, or null, for a row the log does not have.
    QString LineText(int row) const;
    const TMyMidiEvent* LineEvent(int row) const;
    // -1 when there is none.
    int CurrentLine() const;
    // Makes the line current and the only one selected, as a click on it does.
    void SetCurrentLine(int row);
    // Makes the line current without touching the selection.
    void MoveCurrentLine(int row);
    void SelectLine(int row, bool selected = true);
    bool IsLineSelected(int row) const;
    // The selected rows, first to last.
    std::vector<int> SelectedLines() const;
    // The line shown at this point of the viewport; -1 for none.
    int LineAt(const QPoint& point) const;
    QRect LineRect(int row) const;

signals:
    // The user made this line current: clicked it, or moved to it with a key.
    void LineChosen(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    TLogModel* lines;
};
