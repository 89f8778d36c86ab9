// The library's table of presets.

#include "library/LibraryModel.h"

#include <QLocale>
#include <algorithm>

QString SeenText(const QDateTime& when) {
    return when.isValid() ? QLocale().toString(when, QLocale::ShortFormat) : QString();
}

QString StarsText(int rating) {
    return QString(std::clamp(rating, 0, kHighestRating), QChar(0x2605)) +
           QString(kHighestRating - std::clamp(rating, 0, kHighestRating), QChar(0x2606));
}

QString TagsText(const std::vector<std::string>& tags) {
    QStringList words;
    for (const std::string& tag : tags)
        words << QString::fromStdString(tag);
    return words.join(QStringLiteral(", "));
}

std::vector<std::string> TypedTags(const QString& text) {
    std::vector<std::string> tags;
    for (const QString& word : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString tag = word.trimmed();
        const bool known = std::any_of(tags.begin(), tags.end(), [&](const std::string& held) {
            return QString::fromStdString(held).compare(tag, Qt::CaseInsensitive) == 0;
        });
        if (!tag.isEmpty() && !known)
            tags.push_back(tag.toStdString());
    }
    return tags;
}

void TLibraryModel::ReadNotes() {
    notes.assign(Rows.size(), TPresetNotes{});
    if (Notes == nullptr)
        return;
    for (std::size_t i = 0; i < Rows.size(); ++i)
        if (!Rows[i].Dump.empty())
            notes[i] = Notes->Get(Rows[i].Dump, MarkPlace(Rows[i]));
}

QVariant TLibraryModel::EditText(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TPresetNotes& noted = NotesAt(index.row());
    switch (index.column()) {
    case kRating:
        return noted.Rating;
    case kTags:
        return TagsText(noted.Tags);
    case kNote:
        return QString::fromStdString(noted.Note);
    default:
        return data(index, Qt::DisplayRole);
    }
}

bool TLibraryModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || Notes == nullptr || !index.isValid() || index.row() >= rowCount() ||
        index.column() < kRating || index.column() > kNote)
        return false;
    const TLibraryRow& row = At(index.row());
    if (row.Dump.empty())
        return false;
    TPresetNotes changed = NotesAt(index.row());
    if (index.column() == kRating) {
        bool number = false;
        const int stars = value.toString().trimmed().toInt(&number);
        if (!number || stars < 0 || stars > kHighestRating) {
            if (OnNotesError)
                OnNotesError(QStringLiteral("A rating is 0 to %1 stars").arg(kHighestRating));
            return false;
        }
        changed.Rating = stars;
    } else if (index.column() == kTags) {
        changed.Tags = TypedTags(value.toString());
    } else {
        changed.Note = value.toString().trimmed().toStdString();
    }
    const QString error = Notes->Set(row.Dump, changed, MarkPlace(row));
    if (!error.isEmpty()) {
        if (OnNotesError)
            OnNotesError(error);
        return false;
    }
    // Every row of the same preset shows what was noted.
    NotesChanged();
    return true;
}
