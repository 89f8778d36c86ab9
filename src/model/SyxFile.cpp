// Splitting .syx files into the presets and tables they hold, and joining dumps into one.

#include "model/SyxFile.h"

#include "model/FileNames.h"

#include <cstdio>
#include <utility>

namespace {
std::string Hex(std::uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte);
    return text;
}

std::string Count(std::size_t n, const char* what) {
    return std::to_string(n) + " " + what;
}

// Why a well-formed SysEx message is not one a split takes; empty when it is.
std::string WhyNotTaken(TByteView message, const TDeviceMode& mode) {
    if (HasProcessorHeader(message, kPresetDumpCode))
        return IsPresetDump(message) ? std::string()
                                     : "a preset dump of " + Count(message.size(), "bytes") +
                                           ", not " + std::to_string(PresetDumpLength);
    if (HasProcessorHeader(message, mode.MptReplyCode))
        return IsMptDump(message, mode) ? std::string()
                                        : "a program table of " + Count(message.size(), "bytes") +
                                              ", not " + std::to_string(mode.MptDumpLength);
    // The other model's table is the one message here that is right for a unit, only not for
    // the one the user has chosen.
    const TDeviceMode other = TDeviceMode::For(!mode.PrePlenova);
    if (IsMptDump(message, other))
        return other.PrePlenova ? "a program table of the Pre-Plenova model (128 entries)"
                                : "a program table of the Plenova model (200 entries)";
    if (HasProcessorHeader(message, kParameterCode))
        return "a parameter message, not a dump";
    if (message.size() >= 5 && message[1] == kManufacturerByte && message[3] == kModelByte)
        return "a processor message (command " + Hex(message[4]) + ") that is not a dump";
    if (message.size() == 2)
        return "an empty SysEx message";
    return "another maker's or model's message";
}

bool AboveSeven(TByteView bytes) {
    for (const std::uint8_t byte : bytes)
        if (byte > 0x7F)
            return true;
    return false;
}
} // namespace

std::vector<TSyxItem> SplitSyx(TByteView file, const TDeviceMode& mode) {
    std::vector<TSyxItem> items;
    std::size_t skips = 0; // skipped items so far
    // Past the listed ones, skipped pieces in a row are gathered into one item: a file of
    // nothing but F0 bytes would otherwise be millions of one-byte items.
    bool gathering = false;   // the last item gathers the skipped pieces that follow it
    std::size_t gathered = 0; // how many it holds
    const auto closeRun = [&] {
        if (gathering && gathered > 1)
            items.back().Why = std::to_string(gathered) +
                               " pieces in a row that are not presets or tables, too many to "
                               "list one by one (the first: " +
                               items.back().Why + ")";
        gathering = false;
    };
    // (from, to), the order of the file.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    const auto add = [&](std::size_t from, std::size_t to, std::string why) {
        const auto begin = file.begin() + static_cast<std::ptrdiff_t>(from);
        const auto end = file.begin() + static_cast<std::ptrdiff_t>(to);
        const bool skipped = !why.empty();
        if (skipped && gathering) {
            items.back().Bytes.insert(items.back().Bytes.end(), begin, end);
            ++gathered;
            return;
        }
        closeRun();
        TSyxItem item;
        item.Offset = from;
        item.Bytes.assign(begin, end);
        item.Why = std::move(why);
        items.push_back(std::move(item));
        if (skipped && ++skips > kListedSkips) {
            gathering = true;
            gathered = 1;
        }
    };
    std::size_t at = 0;
    while (at < file.size()) {
        std::size_t end = at + 1;
        if (file[at] != kSysexStart) {
            while (end < file.size() && file[end] != kSysexStart)
                ++end;
            add(at, end, "not a SysEx message");
            at = end;
            continue;
        }
        // A message ends at its F7; another F0 first means this one was cut off, and its
        // start is kept for the message that follows.
        while (end < file.size() && file[end] != kSysexStart && file[end] != kSysexEnd)
            ++end;
        if (end == file.size() || file[end] == kSysexStart) {
            add(at, end,
                end == file.size() ? "no F7 before the end of the file"
                                   : "no F7 before the next F0");
            at = end;
            continue;
        }
        ++end;
        const TByteView message = file.subspan(at, end - at);
        std::string why = AboveSeven(message.subspan(1, message.size() - 2))
                              ? "a data byte above 7F"
                              : WhyNotTaken(message, mode);
        const bool taken = why.empty();
        add(at, end, std::move(why));
        if (taken)
            items.back().Kind = IsPresetDump(message) ? TSyxKind::Preset : TSyxKind::ProgramTable;
        at = end;
    }
    closeRun();
    return items;
}

std::string DescribeSkipped(const TSyxItem& item) {
    constexpr std::size_t kShown = 8;
    std::string bytes;
    for (std::size_t i = 0; i < item.Bytes.size() && i < kShown; ++i)
        bytes += (i == 0 ? "" : " ") + Hex(item.Bytes[i]);
    if (item.Bytes.size() > kShown)
        bytes += " ...";
    return Count(item.Bytes.size(), item.Bytes.size() == 1 ? "byte" : "bytes") + " at offset " +
           std::to_string(item.Offset) + " (" + bytes + "): " + item.Why;
}

TBytes JoinSyx(const std::vector<TBytes>& messages) {
    TBytes file;
    for (const TBytes& message : messages)
        file.insert(file.end(), message.begin(), message.end());
    return file;
}

std::string SyxItemFileName(const TSyxItem& item, int n) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d ", n);
    switch (item.Kind) {
    case TSyxKind::Preset: {
        std::string title = PresetTitleOf(item.Bytes);
        // A control byte inside a title (even a zero) would cut or garble the name.
        for (char& c : title)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
                c = ' ';
        title = SanitizeFileName(title);
        // "Drive?" is "Drive.tmq", not "Drive .tmq".
        const std::size_t first = title.find_first_not_of(' ');
        title = first == std::string::npos
                    ? "Untitled"
                    : title.substr(first, title.find_last_not_of(' ') - first + 1);
        return number + title + ".tmq";
    }
    case TSyxKind::ProgramTable:
        return number + std::string("Program table.mpt");
    case TSyxKind::Skipped:
        break;
    }
    return number + std::string("Skipped.syx");
}
