// Encoding and decoding presets, and moving between digital groups.
//
//   build/bench/bench/model_bench

#include "model/EffectCatalogue.h"
#include "model/Mpt.h"
#include "model/Preset.h"

#include <benchmark/benchmark.h>

namespace {
TPreset Sample() {
    TPreset preset;
    preset.Title = "Fat Fretless";
    DetermineDigitalGroup(preset, {"Reverb 1", "Flanger"});
    preset.PerfInUse[0] = true;
    preset.PerfMIDI[0]->Parameter = 45;
    return preset;
}

void EncodePreset(benchmark::State& state) {
    const TPreset preset = Sample();
    for (auto _ : state)
        benchmark::DoNotOptimize(preset.Encode());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EncodePreset);

void DecodePreset(benchmark::State& state) {
    const TBytes dump = Sample().Encode();
    TPreset preset;
    for (auto _ : state) {
        preset.Decode(dump);
        benchmark::DoNotOptimize(preset.DigitalGroup);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(DecodePreset);

void IsModified(benchmark::State& state) {
    TPreset preset;
    preset.Decode(Sample().Encode());
    for (auto _ : state)
        benchmark::DoNotOptimize(preset.IsModified());
}
BENCHMARK(IsModified);

// Every ordered pair of groups, as the editor does when the selection changes.
void DetermineDigitalGroupAllPairs(benchmark::State& state) {
    std::vector<std::vector<std::string>> selections;
    for (int g = 0; g < kDigitalGroupTotal; ++g) {
        std::vector<std::string> names;
        for (int effect : GroupRow(g))
            names.emplace_back(DigitalEffectName(effect));
        selections.push_back(names);
    }
    for (auto _ : state) {
        for (int from = 0; from < kDigitalGroupTotal; ++from) {
            for (int to = 0; to < kDigitalGroupTotal; ++to) {
                TPreset preset;
                preset.DigitalGroup = from;
                preset.PerfInUse[0] = true;
                preset.PerfMIDI[0]->Parameter = 40;
                DetermineDigitalGroup(preset, selections[static_cast<std::size_t>(to)]);
                benchmark::DoNotOptimize(preset.DigitalGroup);
            }
        }
    }
    state.SetItemsProcessed(state.iterations() * kDigitalGroupTotal * kDigitalGroupTotal);
}
BENCHMARK(DetermineDigitalGroupAllPairs)->Unit(benchmark::kMillisecond);

void EncodeTable(benchmark::State& state) {
    const Tmpt table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.Encode());
}
BENCHMARK(EncodeTable);
} // namespace

BENCHMARK_MAIN();
