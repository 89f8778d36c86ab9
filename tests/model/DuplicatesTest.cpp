// Presets kept twice: a table of small libraries and the groups found in them, the same but for
// title and device byte, and within a step of one parameter.

#include "model/Duplicates.h"

#include "model/ParameterTable.h"
#include "support/TestPresets.h"

#include <gtest/gtest.h>

namespace {
constexpr int kCompressor = 1;

// The compressor's first track bar with a step: its drive, 32 positions, a step of one.
const TParameterInfo& Stepped() {
    for (const TParameterInfo& parameter : AnalogPages()[kCompressor].Parameters)
        if (parameter.Kind == TControlKind::TrackBar && parameter.Max - parameter.Min >= 20)
            return parameter;
    throw std::logic_error("no such parameter");
}

TPreset Fretless() {
    TPreset preset = PresetWith({kCompressor}, {"Reverb 1"});
    preset.Title = "Fretless";
    preset.ParameterValues[static_cast<std::size_t>(Stepped().Offset)] = Stepped().Min + 10;
    return preset;
}

TBytes Moved(int by, int slot = Stepped().Offset) {
    TPreset preset = Fretless();
    preset.ParameterValues[static_cast<std::size_t>(slot)] += by;
    return preset.Encode();
}

TBytes OtherDevice(TBytes dump) {
    dump[DumpLayout::kDeviceByte] = 7;
    return dump;
}

struct Case {
    const char* Name;
    std::vector<TBytes> Dumps;
    std::vector<std::vector<int>> Same;
    std::vector<std::vector<int>> Near;
};
} // namespace

TEST(Duplicates, GroupsBytesTheSameButForTitleDeviceByteOrOneSmallStep) {
    const TBytes base = Fretless().Encode();
    const int step = NearStep(Stepped());
    ASSERT_EQ(step, 1);
    // A parameter of the digital area no selected effect uses is not heard: no near duplicate.
    TPreset unused = Fretless();
    unused.DigitalOn.fill(false);
    const TBytes unusedDump = unused.Encode();
    unused.ParameterValues[kDigitalAreaStart] += 1;
    const TBytes unusedMoved = unused.Encode();
    const std::vector<Case> cases = {
        {"retitled and from another unit",
         {base, Retitled(base, "Copy"), OtherDevice(base)},
         {{0, 1, 2}},
         {}},
        {"a parameter within its step", {base, Moved(step)}, {}, {{0, 1}}},
        {"a parameter one past its step", {base, Moved(step + 1)}, {}, {}},
        {"a step down and retitled", {Retitled(Moved(-step), "Near"), base}, {}, {{0, 1}}},
        {"two parameters each a position apart",
         {base,
          [] {
              TPreset preset = Fretless();
              preset.ParameterValues[static_cast<std::size_t>(Stepped().Offset)] += 1;
              preset.ParameterValues[0] += 1;
              return preset.Encode();
          }()},
         {},
         {}},
        {"copies stand together in the near group",
         {base, Moved(step), Retitled(base, "Again"), TitledDump("Other")},
         {{0, 2}},
         {{0, 1, 2}}},
        {"a chain near by steps, each within its step of the next",
         {base, Moved(step), Moved(2 * step)},
         {},
         {{0, 1, 2}}},
        {"no preset and a short message are left out",
         {base, TBytes{0xF0, 0xF7}, base},
         {{0, 2}},
         {}},
        {"a parameter no effect of the chain uses", {unusedDump, unusedMoved}, {}, {}},
    };
    for (const Case& test : cases) {
        std::vector<TByteView> dumps(test.Dumps.begin(), test.Dumps.end());
        std::vector<std::vector<int>> same, near;
        for (const TDuplicateGroup& group : SameContentGroups(dumps))
            same.push_back(group.Members);
        for (const TDuplicateGroup& group : NearContentGroups(dumps))
            near.push_back(group.Members);
        EXPECT_EQ(same, test.Same) << test.Name;
        EXPECT_EQ(near, test.Near) << test.Name;
    }
}

TEST(Duplicates, NamesTheParameterANearGroupDiffersInAndStepsOnlyFineControls) {
    const TBytes base = Fretless().Encode();
    const std::vector<TBytes> dumps = {base, Moved(1)};
    const std::vector<TDuplicateGroup> near =
        NearContentGroups(std::vector<TByteView>(dumps.begin(), dumps.end()));
    ASSERT_EQ(near.size(), 1u);
    EXPECT_EQ(near[0].Parameters,
              std::vector<std::string>{std::string(AnalogPages()[kCompressor].Caption) +
                                       " \u00b7 " + std::string(Stepped().Name)});
    // A choice or a narrow range has no step: every position of it is another sound.
    TParameterInfo choice = Stepped();
    choice.Kind = TControlKind::RadioGroup;
    EXPECT_EQ(NearStep(choice), 0);
    TParameterInfo narrow = Stepped();
    narrow.Min = 0;
    narrow.Max = 19;
    EXPECT_EQ(NearStep(narrow), 0);
    narrow.Max = 63;
    EXPECT_EQ(NearStep(narrow), 1);
    narrow.Max = 127;
    EXPECT_EQ(NearStep(narrow), 2);
}
