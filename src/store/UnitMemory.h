#pragma once
// What a unit holds, remembered: for every slot the presets it has held, each kept once (the
// device byte aside) with when it was first and last seen there and how, and which of them the
// slot held when last seen. One unit's memory is a folder of its own (by the output port's name
// and the device byte); each slot is one file in it, written whole or not at all, so a walk
// stopped half way leaves what was known before plus each slot read since.

#include "model/Protocol.h"
#include "store/Place.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

// The program's own data folder (the window's and the tool's): "~/.local/share/Quellfarn".
QString ProgramDataFolder();

// How a preset was seen in its slot.
enum class TSeenHow { Read, Stored, Restored, Kept };
const char* SeenHowText(TSeenHow how); // "read", "stored", "restored", "kept before a store"
// A message as lower-case hex digits, as the memory's files hold it.
QString HexText(TByteView bytes);
// A preset's title as the memory's reports say it: "(untitled)" for none.
QString TitleText(TByteView dump);

struct TSlotVersion {
    TBytes Dump;
    QDateTime FirstSeen;
    QDateTime LastSeen;
    TSeenHow FirstHow = TSeenHow::Read;
    TSeenHow LastHow = TSeenHow::Read;
};

struct TSlotMemory {
    int Bank = 0;                       // 0..3; 0 also for the single bank of a Pre-Plenova unit
    int Slot = 1;                       // 1-based
    std::vector<TSlotVersion> Versions; // in the order they were first seen
    int Current = -1;                   // the version the slot held when last seen
    const TSlotVersion* Now() const {
        return Current >= 0 && Current < static_cast<int>(Versions.size())
                   ? &Versions[static_cast<std::size_t>(Current)]
                   : nullptr;
    }
};

class TUnitMemory {
public:
    // The folder of the memory of the unit behind this output port with this device byte, in
    // the program's data folder ("units").
    static QString FolderFor(const QString& outputName, int deviceByte);

    TUnitMemory() = default;
    explicit TUnitMemory(const QString& folder);

    const QString& Folder() const { return folder; }
    // Reads what the folder holds; a file that cannot be read (damaged, too large, not a plain
    // file) is moved aside and named in Problems.
    void Load();
    const QStringList& Problems() const { return problems; }
    // A preset seen in a slot: remembered and written at once. Empty, or what went wrong (the
    // memory then stays as it was).
    QString Saw(int bank, int slot, TByteView dump, TSeenHow how,
                const QDateTime& when = QDateTime::currentDateTime());

    const TSlotMemory* Slot(TPlace place) const;
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): bank first, as everywhere
    const TSlotMemory* Slot(int bank, int slot) const { return Slot(TPlace{bank, slot}); }
    // Every slot remembered, by bank and slot.
    const std::map<TPlace, TSlotMemory>& Slots() const { return remembered; }

private:
    QString PathOf(int bank, int slot) const;
    QString ReadSlotFile(const QString& path, TSlotMemory& memory) const;
    // Moves a file that cannot be read aside; what to tell of it.
    static QString SetAside(const QString& path, const QString& why);

    QString folder;
    std::map<TPlace, TSlotMemory> remembered;
    QStringList problems;
};

// The titles of a bank's slots as the memory holds them (slot, 1-based, to its title in UTF-8),
// for naming a program table's programs; a slot never read is not there.
std::map<int, std::string> BankTitles(const TUnitMemory& memory, int bank);
