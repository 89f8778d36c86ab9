// The typed-value field of the parameter controls.

#include "editor/ValueEntry.h"

#include "editor/ParameterPages.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolTip>

TValueEntry::TValueEntry(QObject* parent) : QObject(parent) {}

void TValueEntry::Watch(TParameterControl& control) {
    for (QObject* widget :
         {static_cast<QObject*>(control.Widget), static_cast<QObject*>(control.ValueLabel)}) {
        if (widget == nullptr)
            continue;
        watched[widget] = &control;
        widget->installEventFilter(this);
        connect(widget, &QObject::destroyed, this, [this](QObject* gone) { watched.erase(gone); });
    }
}

bool TValueEntry::eventFilter(QObject* object, QEvent* event) {
    if (!field.isNull() && object == static_cast<QObject*>(field.data())) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                Take();
                return true;
            }
            if (key == Qt::Key_Escape) {
                Close();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Leaving the field changes nothing; it closes once the focus has moved on.
            QMetaObject::invokeMethod(
                this, [this] { Close(); }, Qt::QueuedConnection);
        }
        return false;
    }
    const auto found = watched.find(object);
    if (found == watched.end())
        return false;
    TParameterControl& control = *found->second;
    const bool enter =
        event->type() == QEvent::KeyPress &&
        (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
         static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter) &&
        (static_cast<QKeyEvent*>(event)->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const bool doubleClick =
        event->type() == QEvent::MouseButtonDblClick && object == control.ValueLabel;
    if ((!enter && !doubleClick) || control.Info == nullptr || control.Slot < 0 ||
        !control.Widget->isEnabled())
        return false;
    Open(control);
    return true;
}

void TValueEntry::Open(TParameterControl& control) {
    Close();
    editing = &control;
    QWidget* over = control.ValueLabel != nullptr && control.ValueLabel->isVisible()
                        ? static_cast<QWidget*>(control.ValueLabel)
                        : control.Widget;
    field = new QLineEdit(over->parentWidget());
    field->setObjectName(QStringLiteral("edtTypedValue"));
    const QString caption = ParameterCaption(*control.Info);
    field->setAccessibleName(caption + QStringLiteral(" value"));
    field->setAccessibleDescription(
        QString::fromStdString(ParameterValueHint(*control.Info)) +
        QStringLiteral("; Enter takes the value, Escape leaves it as it is"));
    field->setText(
        QString::fromStdString(ParameterValueText(*control.Info, control.StoredValue())));
    const QFontMetrics metrics(field->font());
    const int width =
        std::max(over->width(), metrics.horizontalAdvance(QStringLiteral("0000.00 KHz")));
    field->setGeometry(over->x(), over->y() + (over->height() - field->sizeHint().height()) / 2,
                       width, field->sizeHint().height());
    field->installEventFilter(this);
    field->show();
    field->raise();
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
}

void TValueEntry::Take() {
    if (field.isNull() || editing == nullptr)
        return;
    const std::optional<int> value =
        ReadParameterValue(*editing->Info, field->text().toStdString());
    if (!value) {
        const QString hint = QString::fromStdString(ParameterValueHint(*editing->Info));
        field->setToolTip(hint);
        QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), hint, field);
        field->selectAll();
        return;
    }
    TParameterControl& control = *editing;
    Close();
    control.Take(*value);
}

void TValueEntry::Close() {
    if (field.isNull())
        return;
    QLineEdit* closing = field;
    field = nullptr;
    closing->removeEventFilter(this);
    const bool hadFocus = closing->hasFocus();
    closing->hide();
    closing->deleteLater();
    if (hadFocus && editing != nullptr && editing->Widget->isVisible())
        editing->Widget->setFocus(Qt::OtherFocusReason);
    editing = nullptr;
    QToolTip::hideText();
}
