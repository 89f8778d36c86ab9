#pragma once
// Input as the window system delivers it, sent to the widget a user would reach: keys with
// the text X11 and Wayland give them (Delete comes with U+007F, Ctrl+letter with its control
// character), text typed over a box's text, clicks on a check box's box, drag and drop to the
// control under the cursor, and pop-up menus opened by the right mouse button.

#include "support/PumpUntil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <memory>

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

// Types the text over what the box holds, as a user does who has selected it all.
inline void TypeOver(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

// Clicks a check box or radio button where a user does: on its box, not in the space a wide
// button leaves beside its short text.
inline void ClickBox(QAbstractButton* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// Drags the data over the point of the window (its own coordinates) and drops it on the
// control found there, as a drag from a file manager does. False when the control under
// the cursor refused the drag, so there was nothing to drop on. The keys held (Shift) come
// with every event of the drag.
inline bool DropOn(QWidget& window, const QPoint& at, const QMimeData& data,
                   Qt::KeyboardModifiers held = Qt::NoModifier) {
    QWidget* target = window.childAt(at);
    if (target == nullptr)
        target = &window;
    // The drag goes to the innermost control that takes drops, else its parents.
    while (target != &window && !target->acceptDrops())
        target = target->parentWidget();
    const QPointF local = target->mapFrom(&window, at);
    QDragEnterEvent enter(local.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                          held);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(local.toPoint(), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                        held);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted())
        return false;
    QDropEvent drop(local, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, held);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// Right-clicks the point of the widget (its own coordinates) through its window, as the
// window system delivers the button, and in the pop-up menu that opens clicks the item with
// this object name, looking into submenus too. The menu is closed untouched when the item is
// missing or disabled. Returns whether the item was there and enabled. The window must be shown.
inline bool ChoosePopupItem(QWidget* widget, const QPoint& at, const QString& item) {
    auto chosen = std::make_shared<bool>(false);
    auto done = std::make_shared<bool>(false);
    auto* poll = new QTimer;
    auto waited = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, waited, item, chosen, done] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr && (*waited += 10) < 5000)
            return;
        poll->stop();
        poll->deleteLater();
        *done = true;
        if (menu == nullptr)
            return;
        QAction* action = nullptr;
        QAction* opener = nullptr; // the entry that opens the submenu holding the item
        for (QAction* entry : menu->actions()) {
            if (entry->objectName() == item)
                action = entry;
            else if (entry->menu() != nullptr)
                for (QAction* inner : entry->menu()->actions())
                    if (inner->objectName() == item) {
                        action = inner;
                        opener = entry;
                    }
        }
        if (action == nullptr || !action->isEnabled()) {
            menu->close();
            return;
        }
        QMenu* holder = menu;
        if (opener != nullptr) {
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(opener).center());
            holder = opener->menu();
        }
        *chosen = true;
        QTest::mouseClick(holder, Qt::LeftButton, {}, holder->actionGeometry(action).center());
    });
    poll->start(10);
    QWidget* window = widget->window();
    QTest::mouseClick(window->windowHandle(), Qt::RightButton, {}, widget->mapTo(window, at));
    // The menu runs its own loop inside the click; a platform that opens it on release, after.
    PumpUntil([&] { return *done; }, 6000);
    return *chosen;
}
