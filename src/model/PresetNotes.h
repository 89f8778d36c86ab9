#pragma once
// What the user says of a preset beyond its bytes: free tags, a rating of 0 to 3 stars and a
// dated note. The search reads them; the program's data folder keeps them.

#include <string>
#include <vector>

inline constexpr int kHighestRating = 3;

struct TPresetNotes {
    std::vector<std::string> Tags; // as typed, no two alike but for case
    int Rating = 0;                // 0 (none) to kHighestRating stars
    std::string Note;
    std::string Noted; // when the note was last changed, ISO 8601; empty without a note

    bool Empty() const { return Tags.empty() && Rating == 0 && Note.empty(); }
    bool operator==(const TPresetNotes&) const = default;
};
