#pragma once
// The files the file commands read and write: whole files of bytes, a new file written
// completely or not at all, and a preset file decoded.

#include "model/Preset.h"

#include <string>

// The file's bytes; a FileError when it cannot be opened.
TBytes ReadFile(const std::string& path);
// Written completely or not at all; a FileError when it cannot be.
void WriteFile(const std::string& path, const TBytes& bytes);
// The preset a .tmq file holds; a FileError with the reason when it holds none.
TPreset LoadPreset(const std::string& path);
