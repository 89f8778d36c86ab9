// Value texts. Inputs outside a table's range give an empty text rather than reading
// past the table.

#include "model/ValueText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

namespace {
// With a point before the decimals whatever the user's locale, as the processor shows them.
std::string Fixed(double value, int decimals) {
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value,
                                       std::chars_format::fixed, decimals);
    return std::string(text.data(), written.ptr);
}

template <std::size_t N> bool InTable(const std::array<int, N>&, int value) {
    return value >= 0 && static_cast<std::size_t>(value) < N;
}

constexpr std::array<int, 64> kRegenPercent = {
    0,  3,  4,  6,  7,  9,  10, 12, 14, 15, 17, 18, 20, 21, 23, 25, 26, 28, 29, 31, 32, 34,
    35, 37, 39, 40, 42, 43, 45, 46, 48, 50, 51, 53, 54, 56, 57, 59, 60, 62, 64, 65, 67, 68,
    70, 71, 73, 75, 76, 78, 79, 81, 82, 84, 85, 87, 89, 90, 92, 93, 95, 96, 98, 100};

constexpr std::array<int, 13> kEqMagnitude = {15, 12, 9, 6, 4, 2, 0, 2, 4, 6, 9, 12, 15};

constexpr std::array<double, 53> kFastSpeeds = {
    1.36, 1.44, 1.52, 1.6,  1.72, 1.8,  1.92, 2.04, 2.16, 2.28, 2.4,  2.56, 2.72, 2.88,
    3.04, 3.24, 3.4,  3.64, 3.84, 4.08, 4.32, 4.56, 4.84, 5.12, 5.44, 5.76, 6.08, 6.44,
    6.84, 7.24, 7.68, 8.12, 8.6,  9.12, 9.68, 10.2, 10.8, 11.4, 12.1, 12.9, 13.6, 14.4,
    15.3, 16.2, 17.2, 18.2, 19.3, 20.4, 21.6, 23.0, 24.3, 25.8, 27.3};

constexpr std::array<int, 30> kCutoffHz = {
    630,  708,  794,  891,  1000, 1120, 1260, 1410, 1580, 1780,  2000,  2240,  2510,  2820,  3160,
    3550, 3980, 4470, 5010, 5620, 6310, 7080, 7940, 8910, 10000, 11200, 12600, 14100, 15800, 17800};

constexpr std::array<int, 7> kExciterHz = {330, 500, 700, 1000, 1300, 1800, 2500};

std::string TwoDigits(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}
} // namespace

std::string LevelPercentText(int value) {
    if (value == 0)
        return "0%";
    const int n = value + 1;
    return std::to_string(n / 8 * 25 + n % 8 * 3) + "%";
}

std::string RegenPercentText(int value) {
    return InTable(kRegenPercent, value)
               ? std::to_string(kRegenPercent[static_cast<std::size_t>(value)]) + "%"
               : "";
}

std::string EqGainText(int value) {
    if (!InTable(kEqMagnitude, value))
        return "";
    const std::string magnitude = std::to_string(kEqMagnitude[static_cast<std::size_t>(value)]);
    if (value < 6)
        return "-" + magnitude + " db";
    if (value == 6)
        return "0 db";
    return "+" + magnitude + " db";
}

std::string ModSpeedText(int value) {
    double speed = 0;
    if (value >= 0 && value <= 31)
        speed = (value + 1) * 0.04;
    else if (value >= 32 && value <= 84)
        speed = kFastSpeeds[static_cast<std::size_t>(value - 32)];
    else
        return "";
    return Fixed(speed, 2) + "Hz";
}

std::string SemitoneText(int value) {
    if (value < 12)
        return "-" + std::to_string(12 - value);
    if (value == 12)
        return "0";
    return "+" + std::to_string(value - 12);
}

std::string FineTuneText(int value) {
    if (value == 0)
        return "-4.00";
    const int w = value - 63;
    const int d = w / 4; // both truncate towards zero
    const int m = w % 4;
    std::string text = Fixed(d * 0.25 + m * 0.06, 2);
    if (text == "-0.00")
        text = "0.00";
    return text;
}

std::string DelayLengthText(int value) {
    if (value >= 0 && value <= 70)
        return std::to_string(value * 5) + " ms";
    if (value >= 71 && value <= 105)
        return std::to_string((value - 70) * 10 + 350) + " ms";
    if (value >= 106 && value <= 119)
        return std::to_string((value - 105) * 20 + 700) + " ms";
    if (value >= 120 && value <= 126)
        return "1." + TwoDigits((value - 120) * 5) + " s";
    return "";
}

std::string SampleLengthText(int value) {
    const int quarters = value / 4; // whole steps of 0.05 s, then 0.01 s for each step over
    return Fixed(quarters * 0.05 + value % 4 * 0.01, 2) + "s";
}

std::string MasterLevelText(int value) {
    return std::to_string(value / 12 * 25 + value % 12 * 2) + "%";
}

std::string MillisecondsText(int value) {
    return std::to_string(value) + " ms";
}

std::string DiffusionText(int value) {
    return std::to_string(value * 20 + 40) + "%";
}

std::string ReverbDecayText(int value) {
    double seconds = 0;
    if (value <= 10)
        seconds = value * 0.1;
    else if (value <= 20)
        seconds = 1.0 + (value - 10) * 0.2;
    else if (value <= 30)
        seconds = 3.0 + (value - 20) * 0.5;
    else
        seconds = 8.0 + (value - 30) * 1.0;
    return Fixed(seconds, 1) + "s";
}

std::string GateDecayText(int value) {
    return "0." + TwoDigits((value + 1) * 5) + "s";
}

std::string CutoffFrequencyText(int value) {
    if (value == 30)
        return "THRU";
    if (!InTable(kCutoffHz, value))
        return "";
    const int hz = kCutoffHz[static_cast<std::size_t>(value)];
    if (hz < 1000)
        return std::to_string(hz) + " Hz";
    return Fixed(hz / 1000.0, 2) + " KHz";
}

std::string DampingText(int value) {
    return std::to_string(value <= 3 ? value * 7 : value * 7 + 1) + "%";
}

std::string DetuneText(int value) {
    if (value < 50)
        return "-" + Fixed((50 - value) * 0.04, 2);
    if (value == 50)
        return "0.00";
    return "+" + Fixed((value - 50) * 0.04, 2);
}

std::string ExciterTuningText(int value) {
    return InTable(kExciterHz, value)
               ? std::to_string(kExciterHz[static_cast<std::size_t>(value)]) + " Hz"
               : "";
}

std::string EnvelopeTuningText(int value) {
    const double hz = 120.0 * std::pow(80.0 / 3.0, value / 63.0);
    return std::to_string(static_cast<long>(std::lround(hz))) + " Hz";
}

std::string DoubledPercentText(int value) {
    return std::to_string(value * 2) + "%";
}

std::string ReverbPositionText(int value) {
    static const char* const kPositions[] = {"Front", "17%", "33%", "50%", "67%", "83%", "Rear"};
    return value >= 0 && value <= 6 ? kPositions[value] : "";
}

std::optional<TQuantity> ReadQuantity(std::string_view text) {
    std::string lower;
    for (const char c : text)
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto space = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    lower.erase(lower.begin(), std::find_if_not(lower.begin(), lower.end(), space));
    lower.erase(std::find_if_not(lower.rbegin(), lower.rend(), space).base(), lower.end());
    std::size_t at = 0;
    if (at < lower.size() && (lower[at] == '+' || lower[at] == '-'))
        ++at;
    while (at < lower.size() &&
           (std::isdigit(static_cast<unsigned char>(lower[at])) != 0 || lower[at] == '.'))
        ++at;
    const std::size_t start = !lower.empty() && lower[0] == '+' ? 1 : 0;
    TQuantity quantity;
    const auto [end, fault] =
        std::from_chars(lower.data() + start, lower.data() + at, quantity.Shown);
    if (at == start || fault != std::errc() || end != lower.data() + at)
        return std::nullopt; // no number, or "8.2.1", "1.", "+-1"
    std::string unit = lower.substr(at);
    unit.erase(unit.begin(), std::find_if_not(unit.begin(), unit.end(), space));
    static const std::map<std::string, std::pair<std::string, double>> kUnits = {
        {"", {"", 1}},         {"%", {"%", 1}},   {"db", {"db", 1}},   {"hz", {"hz", 1}},
        {"khz", {"hz", 1000}}, {"ms", {"ms", 1}}, {"s", {"ms", 1000}}, {"sec", {"ms", 1000}},
    };
    const auto known = kUnits.find(unit);
    if (known == kUnits.end())
        return std::nullopt;
    quantity.Unit = known->second.first;
    quantity.Value = quantity.Shown * known->second.second;
    return quantity;
}
