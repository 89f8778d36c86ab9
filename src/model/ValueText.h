#pragma once
// Stored parameter values as the processor's own units: percentages, db, Hz, ms, seconds.
// Pure functions; decimals always use a point, as the processor's display does.

#include <optional>
#include <string>
#include <string_view>

std::string LevelPercentText(int value);
std::string RegenPercentText(int value);
std::string EqGainText(int value);
std::string ModSpeedText(int value);
std::string SemitoneText(int value);
std::string FineTuneText(int value);
std::string DelayLengthText(int value);
std::string SampleLengthText(int value);
std::string MasterLevelText(int value);
std::string MillisecondsText(int value);
std::string DiffusionText(int value);
std::string ReverbDecayText(int value);
std::string GateDecayText(int value);
std::string CutoffFrequencyText(int value);
std::string DampingText(int value);
std::string DetuneText(int value);

std::string ExciterTuningText(int value);
std::string EnvelopeTuningText(int value);
std::string DoubledPercentText(int value);
std::string ReverbPositionText(int value);

// A number with its unit, as value texts and typed values write them ("1.20 s", "82 %",
// "-12dB"): the number as written, and in one unit per kind (ms for times, Hz for frequencies).
// Case and spaces around the unit do not matter; a point stands before decimals whatever the
// user's locale. Nothing for anything else.
struct TQuantity {
    double Shown = 0; // "1.20 s" → 1.2
    double Value = 0; // "1.20 s" → 1200
    std::string Unit; // "", "%", "db", "hz", "ms"
};
std::optional<TQuantity> ReadQuantity(std::string_view text);
