// Fuzz target: program table messages and files of any content, in both models.

#include "model/Mpt.h"
#include "model/Preset.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const TDeviceMode& mode : {TDeviceMode::Plenova(), TDeviceMode::PrePlenovaModel()}) {
        Tmpt table;
        std::stringstream stream(std::string(reinterpret_cast<const char*>(data), size));
        try {
            table.Load(stream, mode);
        } catch (const EPresetError&) {
            continue;
        }
        (void)IsMptDump(TByteView(data, size), mode);
        const TBytes saved = table.Encode(mode);
        if (saved.size() != static_cast<std::size_t>(mode.MptDumpLength))
            std::abort();
        if (!IsWellFormedSysex(saved))
            std::abort();
    }
    return 0;
}
