#pragma once
// Keeps an eye on the ports the MIDI service lists: lists them again every so often and says
// when either list changed, so that menus follow the ports present and a chosen port that
// went away can be opened again when it is back.

#include "midi/MidiService.h"

#include <QObject>
#include <QStringList>
#include <functional>

// A port the user chose, kept by name: "MIDI In" or "MIDI Out", its name, and whether it has gone.
struct TChosenPort {
    explicit TChosenPort(QString what) : What(std::move(what)) {}
    QString What;
    QString Name;
    bool Gone = false;
    bool Refused = false; // back, but it would not open: tried again, said once
    // "MIDI Out 'USB MIDI Interface 1'"
    QString Text() const { return QStringLiteral("%1 '%2'").arg(What, Name); }
};

class TPortWatch : public QObject {
    Q_OBJECT
public:
    explicit TPortWatch(MidiService& service, QObject* parent = nullptr);

    // Lists the ports again every so many real milliseconds; 0 stops.
    void Start(int milliseconds);
    // Lists the ports now; true (and Changed) when either list differs from the last one, or
    // while Retry says a port that is back could not be opened yet.
    bool Poll();
    std::function<bool()> Retry;
    const QStringList& Inputs() const { return inputs; }
    const QStringList& Outputs() const { return outputs; }

    // The ports the service lists now, by name.
    static QStringList InputNames(MidiService& service);
    static QStringList OutputNames(MidiService& service);

    // Follows a chosen port against the ports listed now: one that has gone is closed and said
    // to be waited for; one that is back is opened again (open throws what the port says) and
    // said so. Returns the line to tell, or empty when nothing changed. A port that is back but
    // would not open stays gone, and the caller's Retry has it tried again.
    // The port that is missing as the user reads it, the output first; empty when neither is.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters): input first, as the menus stand
    static QString Missing(const TChosenPort& input, const TChosenPort& output) {
        return output.Gone ? output.Text() : input.Gone ? input.Text() : QString();
    }
    static QString Follow(TChosenPort& port, const QStringList& names,
                          const std::function<void()>& close, const std::function<void()>& open);

signals:
    void Changed();

private:
    void Schedule(int which);

    MidiService& service;
    int interval = 0;
    int round = 0;
    QStringList inputs;
    QStringList outputs;
};
