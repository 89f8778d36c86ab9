#pragma once
// The monitor's lines: a bounded ring of texts, each event line owning its event, that takes
// a whole batch of new lines in one step and lets the oldest ones go in one step.

#include "midi/Miditype.h"

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

// One monitor line: a progress text, or a received or sent event and its text.
struct TLogLine {
    QString Text;
    std::unique_ptr<TMyMidiEvent> Event; // null for progress lines
    bool Sent = false;                   // an event the program sent
    std::uint64_t Serial = 0;            // given by the model: names a line whatever its row
};

class TLogModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit TLogModel(int limit, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    // Appends the lines after the newest, in order. When the ring would pass its limit the
    // oldest lines go first, then the oldest of the batch itself: a batch longer than the limit
    // leaves only its newest lines. Views hear of one removal and one insertion.
    void Append(std::vector<TLogLine> batch);
    void Remove(int row);
    void Clear();

    int Count() const { return static_cast<int>(lines.size()); }
    const TLogLine& Line(int row) const { return lines[static_cast<std::size_t>(row)]; }
    // The row of the line with this serial; -1 when it has gone.
    int RowOf(std::uint64_t serial) const;
    // Serial of the newest line appended so far (0 before the first).
    std::uint64_t LastSerial() const { return nextSerial - 1; }
    // What a line means beyond its text: a reply of the processor decoded; else empty.
    static QString Meaning(const TLogLine& line);

private:
    int limit;
    std::deque<TLogLine> lines;
    std::uint64_t nextSerial = 1;
};
