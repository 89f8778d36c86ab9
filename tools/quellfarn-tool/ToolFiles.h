#pragma once
// The files the file commands read and write: whole files of bytes, a new file written
// completely or not at all, and a preset file decoded.

#include "model/Mpt.h"
#include "model/Preset.h"

#include <QString>
#include <cstdint>
#include <string>

// The bytes of a plain file of at most `largest` bytes; a FileError naming the file when there is
// none, or when it is a link to a device, a pipe, a folder or larger, which is then not read.
TBytes ReadFile(const std::string& path, std::int64_t largest);
// The name of a file to be written whole (WriteWholeFile) as Qt needs it; a FileError when the
// bytes typed are no text in the locale's encoding, as Qt would write another file then.
QString WritablePath(const std::string& path);
// Written completely or not at all; a FileError when it cannot be.
void WriteFile(const std::string& path, const TBytes& bytes);
// The preset a .tmq file holds; a FileError with the reason when it holds none.
TPreset LoadPreset(const std::string& path);
// The program table an .mpt file of the current mode holds; a FileError when it holds none.
Tmpt LoadTable(const std::string& path);
