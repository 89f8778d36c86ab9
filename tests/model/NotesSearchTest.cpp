// The search's terms on what the user noted: tags, ratings and notes, alone and with the other
// terms, what each term was read as, and what a term it cannot take says.

#include "model/PresetSearch.h"
#include "support/TestPresets.h"

#include <gtest/gtest.h>

namespace {
struct Noted {
    TPresetFacts Facts;
    TPresetNotes Notes;
    int Bank = -1;
};

std::vector<Noted> NotedPresets() {
    TPreset fretless = PresetWith({1}, {"Reverb 1"});
    fretless.Title = "Fretless Lead";
    TPreset slap = PresetWith({3}, {"Tapped DDL S"});
    slap.Title = "Slap Funk";
    TPreset hymn = PresetWith({}, {"Reverb 1"});
    hymn.Title = "Hymn";
    return {
        {FactsOf(fretless),
         {{"live", "Church"}, 2, "for the church gig", "2024-05-01T10:00:00"},
         0},
        {FactsOf(slap), {{"live set"}, 3, "", ""}, 1},
        {FactsOf(hymn), {{}, 0, "", ""}, 0},
    };
}
} // namespace

TEST(NotesSearch, TagsRatingsAndNotesCombineWithTheOtherTerms) {
    const std::vector<Noted> presets = NotedPresets();
    struct Case {
        const char* Query;
        std::vector<int> Found;
        std::vector<std::string> ReadAs;
    };
    const std::vector<Case> cases = {
        {"tag:live", {0}, {"tagged 'live'"}},
        {"TAG:church", {0}, {"tagged 'church'"}},
        {"tag:\"live set\"", {1}, {"tagged 'live set'"}},
        {"rating>=2", {0, 1}, {"rating >= 2 stars"}},
        {"rating=0", {2}, {"rating = 0 stars"}},
        {"rating < 3", {0, 2}, {"rating < 3 stars"}},
        {"note:church", {0}, {"'church' in the note"}},
        {"note:CHURCH reverb", {0}, {"'church' in the note", "'reverb' in the title or the chain"}},
        {"bank:A rating>=1", {0}, {"bank A", "rating >= 1 star"}},
        {"reverb rating>=2 tag:live",
         {0},
         {"'reverb' in the title or the chain", "rating >= 2 stars", "tagged 'live'"}},
        {"slap tag:live", {}, {"'slap' in the title or the chain", "tagged 'live'"}},
    };
    for (const Case& test : cases) {
        const TPresetQuery query(test.Query);
        EXPECT_TRUE(query.Errors().empty()) << test.Query << ": " << query.Errors().front();
        EXPECT_EQ(query.Readings(), test.ReadAs) << test.Query;
        std::vector<int> found;
        for (std::size_t i = 0; i < presets.size(); ++i)
            if (query.Matches(presets[i].Facts,
                              {.Bank = presets[i].Bank, .Notes = &presets[i].Notes}))
                found.push_back(static_cast<int>(i));
        EXPECT_EQ(found, test.Found) << test.Query;
    }
    // A preset nobody noted anything of has no tag and no stars.
    EXPECT_FALSE(TPresetQuery("tag:live").Matches(presets[0].Facts, {}));
    EXPECT_TRUE(TPresetQuery("rating=0").Matches(presets[0].Facts, {}));
}

TEST(NotesSearch, ATermWithoutWhatItNeedsSaysSoAndTheRestStillFilters) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"tag: live", "'tag:' needs a tag"},
        {"note:", "'note:' needs a word"},
        {"rating>=5", "'rating>=5' needs 0 to 3 stars"},
        {"rating>two", "'rating>two' needs 0 to 3 stars"},
        {"rating>=", "'rating>=' needs 0 to 3 stars"},
    };
    for (const auto& [text, error] : cases) {
        const TPresetQuery query(text);
        ASSERT_EQ(query.Errors().size(), 1u) << text;
        EXPECT_EQ(query.Errors().front(), error) << text;
    }
    const std::vector<Noted> presets = NotedPresets();
    const TPresetQuery query("rating>=9 tag:live");
    EXPECT_TRUE(query.Matches(presets[0].Facts, {.Notes = &presets[0].Notes}));
    EXPECT_FALSE(query.Matches(presets[2].Facts, {.Notes = &presets[2].Notes}));
}
