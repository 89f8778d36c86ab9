#pragma once
// Set list files: their folder ("Quellfarn/Set lists" in the documents folder), the set lists in
// it, and a set list read from and written to its file, whole or not at all.

#include "model/DeviceMode.h"
#include "model/SetList.h"

#include <QString>
#include <QStringList>

inline constexpr const char* kSetListSuffix = ".txt";

// "~/Documents/Quellfarn/Set lists", without a trailing separator.
QString SetListFolder();
// The set list files in the folder (the set lists' folder by default), by name.
QStringList SetListFiles(const QString& folder = SetListFolder());

struct TSetListLoad {
    TSetListRead Read;
    QString Error; // the file could not be read (missing, too large, not a plain file); empty else
};
// The file's songs and the lines named that are not read as songs. A file that cannot be read is
// the user's and is left where it is.
TSetListLoad LoadSetList(const QString& path, const TDeviceMode& mode = Mode);
// Writes the set list whole or not at all; one that would not read back as it is (see
// TSetList::Unwritable) is refused and nothing is written. The set lists' folder is made when it
// is missing. Empty, or what went wrong.
QString SaveSetList(const QString& path, const TSetList& list, const TDeviceMode& mode = Mode);
