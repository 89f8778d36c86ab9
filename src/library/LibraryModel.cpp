// The library's table of presets.

#include "library/LibraryModel.h"

#include <QLocale>

QString SeenText(const QDateTime& when) {
    return when.isValid() ? QLocale().toString(when, QLocale::ShortFormat) : QString();
}
