#pragma once
// A copied effect block on the clipboard, as text, so that every editor and the library paste it
// and a user can see what was copied.

#include "model/EffectBlock.h"

#include <optional>

void PutBlockOnClipboard(const TEffectBlock& block);
// The block the clipboard holds; nothing when it holds anything else.
std::optional<TEffectBlock> BlockOnClipboard();
