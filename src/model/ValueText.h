#pragma once
// Stored parameter values as the processor's own units: percentages, db, Hz, ms, seconds.
// Pure functions; decimals always use a point, as the processor's display does.

#include <string>

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
