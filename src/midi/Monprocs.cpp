// Event text.

#include "midi/Monprocs.h"

#include "model/MidiFramer.h"

#include <cstdio>

namespace {
const char* const kChannelNames[] = {"Note Off",       "Note On",        "Key Aftertouch",
                                     "Control Change", "Program Change", "Channel Aftertouch",
                                     "Pitch Bend"};

const char* const kSystemNames[] = {"System Exclusive",
                                    "MTC Quarter Frame",
                                    "Song Position Pointer",
                                    "Song Select",
                                    "Undefined",
                                    "Undefined",
                                    "Tune Request",
                                    "System Exclusive End",
                                    "Timing Clock",
                                    "Undefined",
                                    "Start",
                                    "Continue",
                                    "Stop",
                                    "Undefined",
                                    "Active Sensing",
                                    "System Reset"};

template <class... Values> std::string Format(const char* format, Values... values) {
    char line[128];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}
} // namespace

std::string EventToText(const TMyMidiEvent& event) {
    const unsigned status = event.StatusByte;
    const unsigned timeHigh = event.TimeStamp >> 16;
    const unsigned timeLow = event.TimeStamp & 0xFFFF;
    if (status < 0x80)
        return "Unrecognized MIDI Event";
    if (status < 0xF0) {
        const char* name = kChannelNames[(status - 0x80) / 16];
        if (status >= 0xC0 && status < 0xE0)
            return Format("%s %2.2X %2.2X     %4.4X%4.4X", name, status, unsigned{event.DataByte1},
                          timeHigh, timeLow);
        return Format("%s %2.2X %2.2X %2.2X     %4.4X%4.4X", name, status,
                      unsigned{event.DataByte1}, unsigned{event.DataByte2}, timeHigh, timeLow);
    }
    const char* name = kSystemNames[status - 0xF0];
    switch (status) {
    case 0xF0:
        return Format("Sysex (%d): ", int{event.SysexSize}) +
               (event.SysexData ? BytesToHex(event.SysexData.get(), event.SysexSize)
                                : std::string());
    case 0xF1:
    case 0xF3:
        return Format("%s %2.2X %2.2X     %4.4X%4.4X", name, status, unsigned{event.DataByte1},
                      timeHigh, timeLow);
    case 0xF2:
        return Format("%s %2.2X %2.2X %2.2X     %4.4X%4.4X", name, status,
                      unsigned{event.DataByte1}, unsigned{event.DataByte2}, timeHigh, timeLow);
    default:
        return Format("%s %2.2X     %4.4X%4.4X", name, status, timeHigh, timeLow);
    }
}

std::uint16_t EventLength(const TMyMidiEvent& event) {
    if (event.StatusByte == 0xF0)
        return event.SysexSize;
    return static_cast<std::uint16_t>(MidiMessageLength(event.StatusByte));
}
