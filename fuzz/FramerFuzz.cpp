// Fuzz target: the input framer, fed a byte stream whole and in pieces of any size into
// buffers of any length.

#include "FramerProperties.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (const std::string fault = CheckFramerProperties(data, size); !fault.empty()) {
        std::fprintf(stderr, "%s\n", fault.c_str());
        std::abort();
    }
    return 0;
}
