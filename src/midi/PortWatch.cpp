// Listing the ports again, and telling when they changed.

#include "midi/PortWatch.h"

#include <QTimer>

TPortWatch::TPortWatch(MidiService& service, QObject* parent)
    : QObject(parent), service(service), timer(new QTimer(this)), inputs(InputNames(service)),
      outputs(OutputNames(service)) {
    connect(timer, &QTimer::timeout, this, [this] { Poll(); });
}

void TPortWatch::Start(int milliseconds) {
    if (milliseconds <= 0) {
        timer->stop();
        return;
    }
    timer->start(milliseconds);
}

bool TPortWatch::Poll() {
    QStringList nowIn = InputNames(service);
    QStringList nowOut = OutputNames(service);
    if (nowIn == inputs && nowOut == outputs)
        return false;
    inputs = std::move(nowIn);
    outputs = std::move(nowOut);
    emit Changed();
    return true;
}

QString TPortWatch::Follow(TChosenPort& port, const QStringList& names,
                           const std::function<void()>& close, const std::function<void()>& open) {
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
        // Tried again when the ports change next.
        return port.Text() + QStringLiteral(" is back but could not be opened: ") +
               QString::fromStdString(error.what());
    }
    port.Gone = false;
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
