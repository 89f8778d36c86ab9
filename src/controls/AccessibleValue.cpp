// The accessible side of sliders with value texts.

#include "controls/AccessibleValue.h"

#include <QAbstractSlider>
#include <QAccessibleWidget>
#include <QSlider>
#include <QString>
#include <QVariant>

namespace {
constexpr const char* kValueText = "quellfarnValueText";

class TAccessibleValued : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit TAccessibleValued(QAbstractSlider* slider)
        : QAccessibleWidget(slider, qobject_cast<QSlider*>(slider) != nullptr
                                        ? QAccessible::Slider
                                        : QAccessible::ScrollBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text kind) const override {
        const QString value = Slider()->property(kValueText).toString();
        if (kind == QAccessible::Value)
            return value;
        if (kind == QAccessible::Description) {
            const QString more = QAccessibleWidget::text(kind);
            return more.isEmpty() ? value : value + QStringLiteral(". ") + more;
        }
        return QAccessibleWidget::text(kind);
    }

    QVariant currentValue() const override { return Slider()->value(); }
    void setCurrentValue(const QVariant& value) override { Slider()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return Slider()->maximum(); }
    QVariant minimumValue() const override { return Slider()->minimum(); }
    QVariant minimumStepSize() const override { return Slider()->singleStep(); }

private:
    QAbstractSlider* Slider() const { return static_cast<QAbstractSlider*>(widget()); }
};

QAccessibleInterface* Make(const QString&, QObject* object) {
    auto* slider = qobject_cast<QAbstractSlider*>(object);
    if (slider == nullptr || !slider->property(kValueText).isValid())
        return nullptr;
    return new TAccessibleValued(slider);
}
} // namespace

void InstallValueTextAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Make);
        return true;
    }();
    static_cast<void>(installed);
}

void SetValueText(QAbstractSlider* control, const QString& text) {
    const QVariant was = control->property(kValueText);
    if (was.isValid() && was.toString() == text)
        return;
    control->setProperty(kValueText, text);
    if (!QAccessible::isActive())
        return;
    QAccessibleValueChangeEvent changed(control, control->value());
    QAccessible::updateAccessibility(&changed);
    QAccessibleEvent described(control, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&described);
}
