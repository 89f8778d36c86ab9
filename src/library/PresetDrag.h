#pragma once
// What a drag out of the library's table carries — where each preset came from and its dump —
// and what a drop brings: the table's own presets, or preset files from elsewhere.

#include "store/LibraryRows.h"

#include <QByteArray>
#include <QString>
#include <vector>

class QMimeData;

struct TDragged {
    TLibrarySource Source = TLibrarySource::Unit;
    int Bank = -1;
    int Slot = 0;
    TBytes Dump;
    QString Path; // the preset's file; empty for a slot of the unit
};

// The table's own kind of drag.
QString PresetsMime();
QByteArray EncodeDrag(const std::vector<const TLibraryRow*>& rows);
// Anything that is not a preset dump is left out.
std::vector<TDragged> DecodeDrag(const QMimeData& data);
