#pragma once
// The one way the program writes a file and the one way it reads one of its own: a file is
// written whole or not at all (every byte counted, flushed before it replaces the old one, which
// stays on any failure; never through a link), and read only when it is a plain file no larger
// than what its kind can hold. A file that cannot be read is moved aside, never overwritten.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>

// Writes the bytes into the file whole or not at all (its folder must be there); empty, or what
// went wrong. A link in the file's place is refused: it could point anywhere.
QString WriteWholeFile(const QString& path, const QByteArray& bytes);
QString WriteWholeFile(const QString& path, std::span<const std::uint8_t> bytes);

// How large each kind of file the program reads may be.
inline constexpr qint64 kLargestPresetFile = 258;
inline constexpr qint64 kLargestTableFile = 406;
inline constexpr qint64 kLargestSyxFile = 16 * 1024 * 1024;
inline constexpr qint64 kLargestJournalFile = 8 * 1024 * 1024;
inline constexpr qint64 kLargestSlotFile = 4 * 1024 * 1024;
inline constexpr qint64 kLargestSetListFile = 1024 * 1024; // far more songs than an evening holds
inline constexpr qint64 kLargestSnapshotFile = 2 * 1024 * 1024; // 800 slots in hex and a table
inline constexpr qint64 kLargestNotesFile = 8 * 1024 * 1024; // tens of thousands of noted presets

struct TFileRead {
    QByteArray Bytes;
    bool Missing = false; // there is no file (not an error for files the program makes itself)
    QString Error;        // why it was not read ("… is not a plain file"); empty when it was
    bool Ok() const { return Error.isEmpty() && !Missing; }
};

// Reads a plain file of at most `largest` bytes. A device, a pipe, a folder or a larger file is
// refused with a message naming it, without reading it.
TFileRead ReadWholeFile(const QString& path, qint64 largest);

// Moves a file the program cannot read out of the way ("journal.json.damaged", then ".damaged2"
// and on), so nothing writes over it; the new name, or empty when it could not be moved.
QString MoveAside(const QString& path);
