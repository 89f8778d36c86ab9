#pragma once
// Runs the user-interface thread's event loop until a condition holds or time runs out.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

inline bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (condition())
            return true;
        if (clock.elapsed() > timeoutMs)
            return false;
        QThread::usleep(200);
    }
}

// Lets whatever is already on its way arrive.
inline void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}
