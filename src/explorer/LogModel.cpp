// The monitor's lines in a bounded ring, appended and trimmed a batch at a time.

#include "explorer/LogModel.h"

#include "midi/Monprocs.h"
#include "model/Protocol.h"

#include <algorithm>

namespace {
constexpr int kEventTextLength = 255;

QString EventLineText(const TLogLine& line) {
    const QString text = QString::fromStdString(EventToText(*line.Event));
    return line.Sent ? (QStringLiteral("Sent ") + text).left(kEventTextLength)
                     : text.left(kEventTextLength);
}
} // namespace

TLogModel::TLogModel(int limit, QObject* parent) : QAbstractListModel(parent), limit(limit) {}

int TLogModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

QVariant TLogModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const TLogLine& line = Line(index.row());
    if (role == Qt::DisplayRole)
        return line.Text;
    if (role == Qt::ToolTipRole) {
        const QString meaning = Meaning(line);
        return meaning.isEmpty() ? line.Text : meaning;
    }
    return {};
}

QString TLogModel::Meaning(const TLogLine& line) {
    if (!line.Event || !line.Event->SysexData)
        return {};
    const TByteView bytes(line.Event->SysexData.get(), line.Event->SysexSize);
    // What the program sent to the unit is no reply, though a bank or bypass setting has the
    // reply's shape; a dump is a dump whichever way it went.
    if (line.Sent && !IsPresetDump(bytes) && !IsMptDump(bytes))
        return {};
    return QString::fromLatin1(DescribeReply(bytes).c_str());
}

void TLogModel::Append(std::vector<TLogLine> batch) {
    if (batch.empty() || limit <= 0)
        return;
    const std::size_t kept = std::min(batch.size(), static_cast<std::size_t>(limit));
    const std::size_t skipped = batch.size() - kept;
    nextSerial += skipped; // lines that came and went within the batch still had their turn
    const int leaving = std::max(0, Count() + static_cast<int>(kept) - limit);
    if (leaving > 0) {
        beginRemoveRows(QModelIndex(), 0, leaving - 1);
        lines.erase(lines.begin(), lines.begin() + leaving);
        endRemoveRows();
    }
    const int first = Count();
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(kept) - 1);
    for (std::size_t i = skipped; i < batch.size(); ++i) {
        TLogLine& line = batch[i];
        // Only lines that stay are worth their text.
        if (line.Event && line.Text.isNull())
            line.Text = EventLineText(line);
        line.Serial = nextSerial++;
        lines.push_back(std::move(line));
    }
    endInsertRows();
}

void TLogModel::Remove(int row) {
    if (row < 0 || row >= Count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    lines.erase(lines.begin() + row);
    endRemoveRows();
}

void TLogModel::Clear() {
    if (lines.empty())
        return;
    beginResetModel();
    lines.clear();
    endResetModel();
}

int TLogModel::RowOf(std::uint64_t serial) const {
    // Serials grow with the row, so the line is found by halving.
    const auto found = std::lower_bound(
        lines.begin(), lines.end(), serial,
        [](const TLogLine& line, std::uint64_t wanted) { return line.Serial < wanted; });
    if (found == lines.end() || found->Serial != serial)
        return -1;
    return static_cast<int>(found - lines.begin());
}
