#pragma once
// Typing a parameter's value: Enter on a parameter control, or a double-click on its value text,
// opens a small field over the value that takes the value as the window shows it ("82%",
// "1.2 s", "Hall-1") or a plain number. Enter takes the nearest value the parameter allows, as
// if the control had been moved to it; text that fits no value is refused with a tool tip saying
// what the control takes, and nothing changes. Escape, or leaving the field, changes nothing.

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <map>

struct TParameterControl;

class TValueEntry : public QObject {
    Q_OBJECT
public:
    explicit TValueEntry(QObject* parent = nullptr);

    // Watches the control (and its value text) for the keys and clicks that open the field.
    void Watch(TParameterControl& control);
    // The field while it is open, else nullptr.
    QLineEdit* Field() const { return field; }
    // Closes the field, if open, taking nothing.
    void Close();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Open(TParameterControl& control);
    void Take();

    std::map<QObject*, TParameterControl*> watched;
    QPointer<QLineEdit> field;
    TParameterControl* editing = nullptr;
};
