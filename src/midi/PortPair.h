#pragma once
// The unit's two ports together: the input and the output, the names chosen for them (kept while
// a port is gone), and the watch that lists the ports again, so that a chosen port that goes is
// closed and waited for, and opened again when it is back.

#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/PortWatch.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TPortPair {
public:
    explicit TPortPair(MidiService& service);
    ~TPortPair();
    TPortPair(const TPortPair&) = delete;
    TPortPair& operator=(const TPortPair&) = delete;

    TMidiInput& Input() const { return *input; }
    TMidiOutput& Output() const { return *output; }
    TChosenPort& ChosenIn() { return chosenIn; }
    TChosenPort& ChosenOut() { return chosenOut; }
    const TChosenPort& ChosenIn() const { return chosenIn; }
    const TChosenPort& ChosenOut() const { return chosenOut; }

    // The port of this name opened (the input started), the one open before closed first;
    // throws what the port says. Which port is chosen is the caller's to say.
    void OpenInput(const QString& name);
    void OpenOutput(const QString& name);

    // Makes the watch, which lists the ports now; it tries again while a chosen port that is
    // back would not open. The caller connects to its Changed and starts it.
    TPortWatch& WatchPorts();
    // Null until WatchPorts.
    TPortWatch* Watch() const { return watch.get(); }

    // How a port that is back is opened again; without one, OpenInput or OpenOutput of its name.
    struct TReopen {
        std::function<void()> Input;
        std::function<void()> Output;
    };
    // The chosen ports held against those the watch lists now: one that has gone is closed and
    // waited for, one that is back is opened again. The lines to tell, the input's first; empty
    // where nothing changed.
    QStringList Follow(const TReopen& reopen = {});
    // The chosen port that is missing, as the user reads it, the output first; empty when
    // neither is.
    QString Missing() const { return TPortWatch::Missing(chosenIn, chosenOut); }

private:
    MidiService& service;
    std::unique_ptr<TMidiInput> input;
    std::unique_ptr<TMidiOutput> output;
    std::unique_ptr<TPortWatch> watch;
    TChosenPort chosenIn{QStringLiteral("MIDI In")};
    TChosenPort chosenOut{QStringLiteral("MIDI Out")};
};
