#pragma once
// What the program knows of a song's preset: a slot's title as the unit was last read, a preset
// file's title and dump, or why the file cannot be had.

#include "model/Protocol.h"
#include "model/SetList.h"

#include <QString>

class TUnitMemory;

struct TSongPresetLook {
    QString Place;   // "B017", "017" on a single-bank unit, or the file's name without its folder
    QString Title;   // the preset's title; empty when it is not known
    TBytes Dump;     // a file's preset; empty for a slot, or a file that cannot be had
    QString Problem; // why a file's preset cannot be had; empty else
};

// memory: the unit's memory, null when none is kept. A relative file stands from the set list's
// folder.
TSongPresetLook LookUpSongPreset(const TSongPreset& preset, const QString& setListFolder,
                                 const TUnitMemory* memory);
