// Fuzz target: a search typed into the library's box. Whatever the text, reading it throws
// nothing, a term it cannot understand is named rather than dropped silently, the same text
// reads the same way twice, and a query with no terms finds every preset.

#include "model/Preset.h"
#include "model/PresetSearch.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

// A few presets of different chains: nothing on, a group's effects on, analog blocks on.
const std::vector<TPresetFacts>& Facts() {
    static const std::vector<TPresetFacts> facts = [] {
        std::vector<TPresetFacts> made;
        for (int group = 0; group < 3; ++group) {
            TPreset preset;
            preset.Title = group == 0 ? "" : "Slap Funk 2";
            preset.DigitalGroup = group * 7;
            for (std::size_t k = 0; k < preset.AnalogOn.size(); ++k)
                preset.AnalogOn[k] = (k + static_cast<std::size_t>(group)) % 2 == 0;
            for (auto&& on : preset.DigitalOn)
                on = group > 0;
            for (std::size_t k = 0; k < preset.ParameterValues.size(); ++k)
                preset.ParameterValues[k] = static_cast<int>((k * 37 + group * 11) % 100);
            made.push_back(FactsOf(preset));
        }
        return made;
    }();
    return facts;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const TPresetQuery query(text);
        const TPresetQuery again(text);
        if (query.Errors() != again.Errors() || query.Empty() != again.Empty())
            Fault("the same text read two ways");
        for (const std::string& error : query.Errors())
            if (error.empty())
                Fault("an error that says nothing");
        const bool blank = text.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
        if (blank && (!query.Empty() || !query.Errors().empty()))
            Fault("blanks read as a term");
        for (const TPresetFacts& facts : Facts()) {
            for (const int bank : {-1, 0, 3}) {
                const TSearchPlace place{bank, bank == 3};
                const bool found = query.Matches(facts, place);
                if (found != again.Matches(facts, place))
                    Fault("the same query finding two ways");
                if (query.Empty() && !found)
                    Fault("no terms, yet a preset left out");
            }
        }
    } catch (...) {
        Fault("reading or using a query threw");
    }
    return 0;
}
