// Event and buffer holder.

#include "midi/Miditype.h"

TMyMidiHdr::TMyMidiHdr(std::uint16_t size) {
    if (size == 0)
        return;
    HeaderBlock = std::make_unique<MIDIHDR>();
    DataBlock = std::make_unique<std::uint8_t[]>(size);
    HeaderBlock->lpData = DataBlock.get();
    HeaderBlock->dwBufferLength = size;
}
