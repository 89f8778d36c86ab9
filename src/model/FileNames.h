#pragma once
// File names the backup writes and reads: sanitised titles with the preset number after
// the ".tmq" extension, one folder per bank.

#include <optional>
#include <string>

// Replaces every occurrence, leftmost first, never searching the inserted text again.
std::string ReplaceAll(const std::string& text, const std::string& search,
                       const std::string& replacement);
// Characters a file system refuses become "-", " " or "'"; nothing else changes.
std::string SanitizeFileName(const std::string& text);

// title + ".tmq" + the number in three digits, sanitised: "Slap-Pop.tmq007".
std::string BackupFileName(const std::string& title, int presetNumber);
// The preset number of such a name, if it has one.
std::optional<int> BackupPresetNumber(const std::string& fileName);
// "Bank A" .. "Bank D".
std::string BankFolderName(int bank);
