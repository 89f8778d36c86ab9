#pragma once
// Answers the next modal dialog of a kind as a user would, once it is open: a window that
// asks the unit something first (and so runs the event loop) opens its dialog later than a
// zero timer would fire.

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>

template <class Dialog>
void AnswerModal(std::function<void(Dialog&)> answer, int timeoutMs = 10000) {
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, waited, answer, timeoutMs] {
        *waited += 10;
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr && *waited < timeoutMs)
            return;
        poll->stop();
        poll->deleteLater();
        if (dialog == nullptr)
            return;
        answer(*dialog);
        if (dialog->isVisible())
            dialog->reject(); // never leave a test waiting on a box nobody closes
    });
    poll->start(10);
}
