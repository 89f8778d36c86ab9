#pragma once
// The set sheet: a set list on paper (or in a PDF, or as text on the clipboard) — each song's
// number, title, what a foot controller sends for it, its slot, its preset's title and its note,
// on one page where it fits.

#include "model/SetList.h"

#include <QString>
#include <vector>

class QFont;
class QWidget;
class TUnitMemory;

struct TSetSheetRow {
    QString Number;
    QString Song;
    QString FootController; // "PC 5" through the set's program table; the slot without one
    QString Slot;           // "B017", or the preset file's name
    QString Preset;         // its title where known
    QString Note;
};

struct TSetSheet {
    QString Name; // the set list's file name without its suffix
    std::vector<TSetSheetRow> Rows;
    // How a foot controller calls the songs up, or why one program table cannot.
    QString FootNote;

    // The headings, then one line a song in columns, then the foot note.
    QString Text() const;
};

// memory: the unit's memory for the slots' titles; null when none is kept.
TSetSheet MakeSetSheet(const TSetList& list, const QString& setListPath, const TUnitMemory* memory);

// One print job of the sheet through the shared print routines, into the target chosen before.
void PrintSetSheet(const TSetSheet& sheet, const QFont& font);

// For the windows: the sheet printed (the printer, or a PDF file the user names; false when the
// user cancelled or the job did not end well), shown in a preview, or copied as text.
bool PrintSetSheet(QWidget* parent, const TSetSheet& sheet);
void PreviewSetSheet(QWidget* parent, const TSetSheet& sheet);
void CopySetSheet(const TSetSheet& sheet);
