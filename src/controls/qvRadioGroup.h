#pragma once
// A group of radio buttons, laid out in columns, whose chosen item plus an addend is written into
// one bound integer cell.

#include <QGroupBox>
#include <QList>
#include <QStringList>
#include <functional>

class QRadioButton;

class TqvRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TqvRadioGroup(QWidget* parent = nullptr);

    // Shows the cell's value minus DataAddend as the item index, taken as it is: a value outside
    // the items checks no button and the cell keeps it. nullptr unbinds.
    void Bind(int* cell);
    int* Cell() const { return cell; }

    void SetItems(const QStringList& items);
    QStringList Items() const { return items; }
    void SetItemIndex(int index);
    int ItemIndex() const { return itemIndex; }
    void SetColumns(int columns); // kept within 1..16
    int Columns() const { return columns; }
    QList<QRadioButton*> Buttons() const { return buttons; }

    int DataAddend = 0;
    std::function<void()> OnValueChanged;

signals:
    void Change();
    void Click();

private:
    void StoreItemIndex();
    void ButtonClicked(QRadioButton* button);
    void RebuildButtons();
    void CheckItemButton();
    void Arrange();

    QList<QRadioButton*> buttons;
    QStringList items;
    int itemIndex = -1;
    int columns = 1;
    int* cell = nullptr;
    bool updating = false; // set while the group checks a button itself
};
