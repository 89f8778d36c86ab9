// Presets kept twice, found by their bytes.

#include "model/Duplicates.h"

#include "model/ParameterTable.h"
#include "model/Preset.h"
#include "model/PresetSearch.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <numeric>
#include <set>

namespace {
using namespace DumpLayout;
constexpr std::size_t kParameterBytes = 2 * kParameterCount;

// The distinct contents of the dumps, in the order each first shows, with the dumps of each.
struct TDistinctContents {
    std::vector<TBytes> Bytes;
    std::vector<std::vector<int>> Members;
};

TDistinctContents DistinctContents(const std::vector<TByteView>& dumps) {
    TDistinctContents contents;
    std::map<TBytes, std::size_t> where;
    for (std::size_t i = 0; i < dumps.size(); ++i) {
        if (!IsPresetDump(dumps[i]))
            continue;
        TBytes bytes = ContentBytes(dumps[i]);
        const auto [found, added] = where.emplace(bytes, contents.Bytes.size());
        if (added) {
            contents.Bytes.push_back(std::move(bytes));
            contents.Members.emplace_back();
        }
        contents.Members[found->second].push_back(static_cast<int>(i));
    }
    return contents;
}

// Which of the contents belong together, joined pair by pair.
class TJoinedContents {
public:
    explicit TJoinedContents(std::size_t count) : parent(count) {
        std::iota(parent.begin(), parent.end(), std::size_t{0});
    }
    std::size_t Root(std::size_t at) {
        while (parent[at] != at)
            at = parent[at] = parent[parent[at]];
        return at;
    }
    // (a, b): either order joins the same two.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void Join(std::size_t a, std::size_t b) { parent[Root(a)] = Root(b); }

private:
    std::vector<std::size_t> parent;
};

// The one parameter slot in which two contents differ, when every other byte is the same. (a, b):
// either order tells the same.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
int OnlyDifferingSlot(const TBytes& a, const TBytes& b) {
    int slot = -1;
    for (std::size_t at = 0; at < kParameterBytes; at += 2) {
        const std::size_t offset = static_cast<std::size_t>(kParameterPairs) + at;
        if (a[offset] == b[offset] && a[offset + 1] == b[offset + 1])
            continue;
        if (slot >= 0)
            return -1;
        slot = static_cast<int>(at / 2);
    }
    return slot;
}
} // namespace

TBytes ContentBytes(TByteView dump) {
    TBytes bytes(dump.begin(), dump.end());
    if (bytes.size() > static_cast<std::size_t>(kDeviceByte))
        bytes[static_cast<std::size_t>(kDeviceByte)] = 0;
    const std::size_t titleEnd =
        std::min(bytes.size(), static_cast<std::size_t>(kTitleOffset + 2 * kTitleLength));
    for (std::size_t i = kTitleOffset; i < titleEnd; ++i)
        bytes[i] = 0;
    return bytes;
}

int NearStep(const TParameterInfo& parameter) {
    constexpr int kFewestSteppedPositions = 20;
    const int range = parameter.Max - parameter.Min;
    if ((parameter.Kind != TControlKind::TrackBar &&
         parameter.Kind != TControlKind::EqualizerBand) ||
        range < kFewestSteppedPositions)
        return 0;
    return std::max(1, range * 2 / 100);
}

std::vector<TDuplicateGroup> SameContentGroups(const std::vector<TByteView>& dumps) {
    std::vector<TDuplicateGroup> groups;
    for (std::vector<int>& members : DistinctContents(dumps).Members)
        if (members.size() >= 2)
            groups.push_back({std::move(members), {}});
    return groups;
}

std::vector<TDuplicateGroup> NearContentGroups(const std::vector<TByteView>& dumps) {
    const TDistinctContents contents = DistinctContents(dumps);
    // Only contents alike in every byte outside the parameters can be near: each such bucket is
    // compared pair by pair, and buckets are small next to the whole.
    std::map<TBytes, std::vector<std::size_t>> buckets;
    for (std::size_t i = 0; i < contents.Bytes.size(); ++i) {
        TBytes outside = contents.Bytes[i];
        std::fill_n(outside.begin() + kParameterPairs, kParameterBytes, std::uint8_t{0});
        buckets[std::move(outside)].push_back(i);
    }
    std::vector<std::unique_ptr<TPreset>> decoded(contents.Bytes.size());
    const auto record = [&](std::size_t content) -> const TPreset* {
        if (!decoded[content]) {
            auto preset = std::make_unique<TPreset>();
            try {
                preset->Decode(contents.Bytes[content]);
            } catch (const std::exception&) {
                return nullptr;
            }
            decoded[content] = std::move(preset);
        }
        return decoded[content].get();
    };
    TJoinedContents joined(contents.Bytes.size());
    std::vector<std::pair<std::size_t, std::string>> named; // a content of a pair, the parameter
    for (const auto& [outside, members] : buckets)
        for (std::size_t i = 0; i < members.size(); ++i)
            for (std::size_t j = i + 1; j < members.size(); ++j) {
                const int slot =
                    OnlyDifferingSlot(contents.Bytes[members[i]], contents.Bytes[members[j]]);
                const TPreset* a = slot < 0 ? nullptr : record(members[i]);
                const TPreset* b = slot < 0 ? nullptr : record(members[j]);
                if (a == nullptr || b == nullptr)
                    continue;
                // The chains are the same: every byte that sets them is.
                for (const TChainParameter& parameter : ChainParameters(*a)) {
                    if (parameter.Slot != slot)
                        continue;
                    const int step = NearStep(*parameter.Parameter);
                    const int moved = std::abs(a->ParameterValues[static_cast<std::size_t>(slot)] -
                                               b->ParameterValues[static_cast<std::size_t>(slot)]);
                    if (step > 0 && moved <= step) {
                        joined.Join(members[i], members[j]);
                        std::string name(parameter.Parameter->Name);
                        std::replace(name.begin(), name.end(), '_', ' ');
                        named.emplace_back(members[i], parameter.Effect + " \u00b7 " + name);
                    }
                    break;
                }
            }
    std::map<std::size_t, std::vector<std::size_t>> components;
    for (std::size_t i = 0; i < contents.Bytes.size(); ++i)
        components[joined.Root(i)].push_back(i);
    std::vector<TDuplicateGroup> groups;
    std::map<std::size_t, std::size_t> groupOf; // root to group
    for (const auto& [root, members] : components) {
        if (members.size() < 2)
            continue;
        TDuplicateGroup group;
        for (const std::size_t content : members)
            group.Members.insert(group.Members.end(), contents.Members[content].begin(),
                                 contents.Members[content].end());
        std::sort(group.Members.begin(), group.Members.end());
        groupOf[root] = groups.size();
        groups.push_back(std::move(group));
    }
    for (const auto& [content, name] : named) {
        std::vector<std::string>& names = groups[groupOf.at(joined.Root(content))].Parameters;
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    std::sort(groups.begin(), groups.end(), [](const TDuplicateGroup& a, const TDuplicateGroup& b) {
        return a.Members.front() < b.Members.front();
    });
    return groups;
}
