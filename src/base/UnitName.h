#pragma once
// The unit a window reads and writes, named where the user looks before writing: the output
// port it is behind, and plainly so when it is the simulated unit inside this program.

#include <QString>

struct TUnitName {
    QString Port;           // the output port chosen; empty: none
    bool Simulated = false; // the program's own simulated unit
    bool Connected = false; // the port is there and open

    // "USB MIDI Interface 1", "USB MIDI Interface 1 (not connected)", "no unit chosen".
    QString Text() const;
    // The line of a dialog that writes: "Into the unit on MIDI Out 'USB MIDI Interface 1'", or
    // for the simulated unit that no processor is written. Empty without a port.
    QString IntoText() const;
    // What a writing dialog's title ends with: " - simulated unit" for the simulated one.
    QString TitleSuffix() const;
};
