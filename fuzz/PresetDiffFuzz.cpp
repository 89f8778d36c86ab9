// Fuzz target: the difference of a preset and a changed copy, both ways.

#include "PresetDiffProperties.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const std::string fault = CheckPresetDiffProperties(data, size); !fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
