#pragma once
// The simulated unit's memory kept in a file across runs, as a real unit keeps its own while
// switched off: every bank's presets, the program table and the selected bank in one file of
// SysEx messages, written whole or not at all.

#include "model/Protocol.h"
#include "sim/PlenovaDevice.h"

#include <QString>

class TSimulatedUnitFile {
public:
    // The file "memory.syx" in this folder, which is made when first written.
    explicit TSimulatedUnitFile(const QString& folder);

    QString Path() const;
    // Fills the unit from the file. Empty when there was none or it was taken; otherwise the
    // line for the user: the file could not be read, where it went, and that the unit starts
    // with its factory presets. A file that could not be moved aside is never written over.
    QString Load(TPlenovaDevice& device);
    // Writes the memory; empty, or what went wrong (the file written before stays).
    QString Save(TByteView memory) const;

private:
    QString folder;
    QString stuck; // a damaged file that stays in the way: nothing is written over it
};
