#pragma once
// Input as the window system delivers it, sent to the widget a user would reach: keys with
// the text X11 and Wayland give them (Delete comes with U+007F, Ctrl+letter with its control
// character), and drag and drop to the control under the cursor.

#include <QApplication>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QTest>
#include <QWidget>

// The text X11 attaches to a key press.
inline QString PlatformKeyText(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    switch (key) {
    case Qt::Key_Delete:
        return QString(QChar(0x7F));
    case Qt::Key_Backspace:
        return QStringLiteral("\b");
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Escape:
        return QString(QChar(0x1B));
    case Qt::Key_Tab:
        return QStringLiteral("\t");
    default:
        break;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        if (modifiers & Qt::ControlModifier)
            return QString(QChar(key - Qt::Key_A + 1));
        const char letter =
            static_cast<char>(key - Qt::Key_A + ((modifiers & Qt::ShiftModifier) ? 'A' : 'a'));
        return QString(QLatin1Char(letter));
    }
    if (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde && !(modifiers & Qt::ControlModifier))
        return QString(QLatin1Char(static_cast<char>(key)));
    return {}; // Insert, arrows, function keys: no text
}

// Presses and releases a key on the widget that has the keyboard focus (or the one given).
inline void PressKey(QWidget* widget, Qt::Key key,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    const QString text = PlatformKeyText(key, modifiers);
    QTest::sendKeyEvent(QTest::Press, widget, key, text, modifiers);
    QTest::sendKeyEvent(QTest::Release, widget, key, text, modifiers);
}

// Drags the data over the point of the window (its own coordinates) and drops it on the
// control found there, as a drag from a file manager does. False when the control under
// the cursor refused the drag, so there was nothing to drop on.
inline bool DropOn(QWidget& window, const QPoint& at, const QMimeData& data) {
    QWidget* target = window.childAt(at);
    if (target == nullptr)
        target = &window;
    // The drag goes to the innermost control that takes drops, else its parents.
    while (target != &window && !target->acceptDrops())
        target = target->parentWidget();
    const QPointF local = target->mapFrom(&window, at);
    QDragEnterEvent enter(local.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(local.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(local, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}
