// Fuzz target: .syx files of any content, split in both models. Every byte lands in exactly one
// item, only whole preset dumps and tables are taken, and what is taken splits the same again.

#include "model/SyxFile.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TByteView file(data, size);
    for (const TDeviceMode& mode : {TDeviceMode::Plenova(), TDeviceMode::PrePlenovaModel()}) {
        const std::vector<TSyxItem> items = SplitSyx(file, mode);
        std::vector<TBytes> taken;
        std::size_t at = 0;
        for (const TSyxItem& item : items) {
            if (item.Offset != at || item.Bytes.empty() || item.Bytes.size() > size - at ||
                !std::equal(item.Bytes.begin(), item.Bytes.end(), data + at))
                std::abort();
            at += item.Bytes.size();
            if (item.Kind == TSyxKind::Skipped) {
                if (item.Why.empty() || DescribeSkipped(item).empty())
                    std::abort();
                continue;
            }
            const bool whole = item.Kind == TSyxKind::Preset ? IsPresetDump(item.Bytes)
                                                             : IsMptDump(item.Bytes, mode);
            if (!whole || !IsWellFormedSysex(item.Bytes))
                std::abort();
            for (const char c : SyxItemFileName(item, static_cast<int>(taken.size()) + 1))
                if (c == '/' || c == '\\' || static_cast<unsigned char>(c) < 0x20)
                    std::abort();
            taken.push_back(item.Bytes);
        }
        if (at != size)
            std::abort();
        const std::vector<TSyxItem> again = SplitSyx(JoinSyx(taken), mode);
        if (again.size() != taken.size())
            std::abort();
        for (std::size_t i = 0; i < again.size(); ++i)
            if (again[i].Kind == TSyxKind::Skipped || again[i].Bytes != taken[i])
                std::abort();
    }
    return 0;
}
