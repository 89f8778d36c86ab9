// The input framer's and the hexadecimal reader's fuzz properties, over each of their seeds.

#include "FramerProperties.h"
#include "HexTextProperties.h"
#include "PresetDiffProperties.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <vector>

namespace {
namespace fs = std::filesystem;

struct TSeed {
    fs::path Path;
    std::vector<std::uint8_t> Bytes;
};

std::vector<TSeed> SeedsOf(const char* target) {
    std::vector<TSeed> seeds;
    for (const fs::directory_entry& entry :
         fs::directory_iterator(fs::path(QUELLFARN_FUZZ_CORPUS) / target)) {
        std::ifstream file(entry.path(), std::ios::binary);
        seeds.push_back({entry.path(),
                         {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()}});
    }
    return seeds;
}
} // namespace

TEST(FuzzSeeds, TheFramerGivesTheSameMessagesWholeOrInPiecesForEverySeed) {
    const std::vector<TSeed> seeds = SeedsOf("FramerFuzz");
    ASSERT_GE(seeds.size(), 10U);
    for (const TSeed& seed : seeds)
        EXPECT_EQ(CheckFramerProperties(seed.Bytes.data(), seed.Bytes.size()), "") << seed.Path;
}

TEST(FuzzSeeds, HexTextReadsBackAndIgnoresBlanksForEverySeed) {
    const std::vector<TSeed> seeds = SeedsOf("HexTextFuzz");
    ASSERT_GE(seeds.size(), 10U);
    for (const TSeed& seed : seeds)
        EXPECT_EQ(CheckHexTextProperties(seed.Bytes.data(), seed.Bytes.size()), "") << seed.Path;
}

TEST(FuzzSeeds, ThePresetDifferenceHoldsBothWaysForEverySeed) {
    const std::vector<TSeed> seeds = SeedsOf("PresetDiffFuzz");
    ASSERT_GE(seeds.size(), 5U);
    for (const TSeed& seed : seeds)
        EXPECT_EQ(CheckPresetDiffProperties(seed.Bytes.data(), seed.Bytes.size()), "") << seed.Path;
}
