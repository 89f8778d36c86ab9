// Fuzz target: anything that arrives from a MIDI device, through the recognisers of the
// processor's messages.

#include "model/Protocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const TByteView bytes(data, size);
    if (const auto reply = ParseParameterReply(bytes); reply && size < 8)
        std::abort();
    (void)IsPresetDump(bytes);
    (void)PresetTitleOf(bytes);
    for (const TDeviceMode& mode : {TDeviceMode::Plenova(), TDeviceMode::PrePlenovaModel()}) {
        (void)IsMptDump(bytes, mode);
        const TRequest request = ClassifyRequest(bytes, mode);
        if (request.Index < 0 || request.Index > 127 * 129)
            std::abort();
    }
    return 0;
}
