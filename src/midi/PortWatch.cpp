// Listing the ports again, and telling when they changed.

#include "midi/PortWatch.h"

#include <QTimer>
#include <algorithm>
#include <utility>

TPortWatch::TPortWatch(MidiService& service, QObject* parent)
    : QObject(parent), service(service), inputs(InputNames(service)),
      outputs(OutputNames(service)) {}

void TPortWatch::Start(int milliseconds) {
    interval = std::max(0, milliseconds);
    ++round; // a round scheduled before ends there
    if (interval > 0)
        Schedule(round);
}

void TPortWatch::Schedule(int which) {
    // A timer of its own each time: what Changed does may wait a long time (a job waiting for
    // the port), and a timer is not fired again while its last firing has not returned.
    QTimer::singleShot(interval, this, [this, which] {
        if (which != round || interval <= 0)
            return;
        Schedule(which);
        Poll();
    });
}

bool TPortWatch::Poll() {
    QStringList nowIn = InputNames(service);
    QStringList nowOut = OutputNames(service);
    if (nowIn == inputs && nowOut == outputs && !(Retry && Retry()))
        return false;
    inputs = std::move(nowIn);
    outputs = std::move(nowOut);
    emit Changed();
    return true;
}

// (close, open): in the order a port goes and comes back.
// NOLINTBEGIN(bugprone-easily-swappable-parameters)
QString TPortWatch::Follow(TChosenPort& port, const QStringList& names,
                           const std::function<void()>& close, const std::function<void()>& open) {
    // NOLINTEND(bugprone-easily-swappable-parameters)
    if (port.Name.isEmpty())
        return {};
    const bool listed = names.contains(port.Name);
    if (!port.Gone && !listed) {
        port.Gone = true;
        try {
            close();
        } catch (const std::exception&) {
            // a port that has gone may not close cleanly; it is opened afresh anyway
        }
        return port.Text() + QStringLiteral(" is gone - waiting for it to come back");
    }
    if (!port.Gone || !listed)
        return {};
    try {
        open();
    } catch (const std::exception& error) {
        if (std::exchange(port.Refused, true))
            return {};
        return port.Text() + QStringLiteral(" is back but could not be opened: ") +
               QString::fromStdString(error.what());
    }
    port.Gone = false;
    port.Refused = false;
    return port.Text() + QStringLiteral(" is back and open again");
}

namespace {
QStringList Listed(const std::vector<std::string>& names) {
    QStringList listed;
    for (const std::string& name : names)
        listed << QString::fromStdString(name);
    return listed;
}
} // namespace

QStringList TPortWatch::InputNames(MidiService& service) {
    return Listed(service.InNames());
}

QStringList TPortWatch::OutputNames(MidiService& service) {
    return Listed(service.OutNames());
}
