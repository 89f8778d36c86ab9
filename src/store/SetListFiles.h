#pragma once
// Set list files: their folder ("Quellfarn/Set lists" in the documents folder), the set lists in
// it, and a set list read from and written to its file, whole or not at all; and the file of a
// table's programs named for foot controllers and DAWs.

#include "model/DeviceMode.h"
#include "model/SetList.h"

#include <QString>
#include <QStringList>
#include <vector>

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

// The file types of the programs' names, for a save dialog: CSV first, then MIDNAM.
inline constexpr const char* kProgramNamesFilters =
    "CSV for foot controllers (*.csv);;MIDNAM for DAWs (*.midnam)";
// Writes the names whole or not at all: a MIDNAM document when the file's suffix is ".midnam",
// CSV otherwise. Empty, or what went wrong.
QString SaveProgramNames(const QString& path, const std::vector<TProgramName>& names);
