#pragma once
// .syx files: any number of SysEx messages back to back, from this program or any other. The
// presets and program tables in them, and what is skipped and why.

#include "model/DeviceMode.h"
#include "model/Protocol.h"

#include <cstddef>
#include <string>
#include <vector>

// How many skipped pieces are each an item of their own before those in a row are gathered.
inline constexpr std::size_t kListedSkips = 100;

enum class TSyxKind { Preset, ProgramTable, Skipped };

struct TSyxItem {
    TSyxKind Kind = TSyxKind::Skipped;
    std::size_t Offset = 0; // where in the file it began
    TBytes Bytes;           // the message as in the file; for Skipped, the bytes skipped
    std::string Why;        // Skipped only: why, for the user
};

// The file's messages in order; together their bytes are the whole file. A preset dump or
// program table with another device byte is taken (the unit's device byte goes in when it is
// sent). Bytes between messages that are not SysEx are one skipped item per run; a malformed
// message (no F7 before the next F0 or the end, a data byte above 7F, a preset or table
// message of the wrong length) is skipped whole, never split into something that could be sent.
// After the first kListedSkips skipped items, skipped pieces that follow one another are one
// item that says how many pieces it holds, so the items of any file stay few.
std::vector<TSyxItem> SplitSyx(TByteView file, const TDeviceMode& mode = Mode);
// "12 bytes at offset 520 (90 3C 64 ...): not a SysEx message": the length, the offset, up to
// the first 8 bytes in hex with "..." when there are more, then why.
std::string DescribeSkipped(const TSyxItem& item);
// Dumps back to back, as a .syx file holds them.
TBytes JoinSyx(const std::vector<TBytes>& messages);
// The file a split gives the n-th (1-based) item: "001 Slap Funk.tmq", "001 Untitled.tmq",
// "002 Program table.mpt"; at least three digits.
std::string SyxItemFileName(const TSyxItem& item, int n);
