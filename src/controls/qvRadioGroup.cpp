// Radio group bound to a cell.

#include "controls/qvRadioGroup.h"

#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

namespace {
constexpr int kMaxColumns = 16;
}

TqvRadioGroup::TqvRadioGroup(QWidget* parent) : QGroupBox(parent) {
    new QGridLayout(this);
}

void TqvRadioGroup::Bind(int* newCell) {
    cell = newCell;
    if (cell == nullptr)
        return;
    itemIndex = *cell - DataAddend;
    RebuildButtons();
    emit Change();
    emit Click();
}

void TqvRadioGroup::SetItems(const QStringList& newItems) {
    items = newItems;
    if (itemIndex >= items.size()) {
        itemIndex = static_cast<int>(items.size()) - 1;
        StoreItemIndex();
    }
    RebuildButtons();
}

void TqvRadioGroup::SetItemIndex(int index) {
    itemIndex = std::clamp(index, -1, static_cast<int>(buttons.size()) - 1);
    CheckItemButton();
    // Told even when the index stays, so the owner can treat every choice alike.
    StoreItemIndex();
}

void TqvRadioGroup::SetColumns(int newColumns) {
    newColumns = std::clamp(newColumns, 1, kMaxColumns);
    if (newColumns == columns)
        return;
    columns = newColumns;
    Arrange();
}

void TqvRadioGroup::StoreItemIndex() {
    // With no item chosen there is no value to store: writing DataAddend - 1 would put a value no
    // item stands for into the cell.
    if (cell == nullptr || itemIndex < 0)
        return;
    *cell = itemIndex + DataAddend;
    if (auto notify = OnValueChanged)
        notify();
}

void TqvRadioGroup::ButtonClicked(QRadioButton* button) {
    if (updating)
        return;
    const auto position = buttons.indexOf(button);
    if (position < 0)
        return; // a button on its way out after the items were replaced
    itemIndex = static_cast<int>(position);
    CheckItemButton();
    StoreItemIndex();
    emit Change();
    emit Click();
}

void TqvRadioGroup::RebuildButtons() {
    while (buttons.size() < items.size()) {
        auto* button = new QRadioButton(this);
        connect(button, &QRadioButton::clicked, this, [this, button] { ButtonClicked(button); });
        buttons.append(button);
    }
    while (buttons.size() > items.size()) {
        // Later, not now: the items may be replaced from inside one of these buttons' own click.
        QRadioButton* button = buttons.takeLast();
        button->hide();
        button->deleteLater();
    }
    for (qsizetype i = 0; i < buttons.size(); ++i)
        buttons[i]->setText(items[i]);
    CheckItemButton();
    Arrange();
}

void TqvRadioGroup::CheckItemButton() {
    updating = true;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        QRadioButton* button = buttons[i];
        const bool checked = i == itemIndex;
        if (button->isChecked() == checked)
            continue;
        // An exclusive radio button refuses to be unchecked while it is the checked one.
        button->setAutoExclusive(false);
        button->setChecked(checked);
        button->setAutoExclusive(true);
    }
    updating = false;
}

void TqvRadioGroup::Arrange() {
    // A fresh grid each time: a grid keeps the rows and columns it once had.
    delete layout();
    auto* grid = new QGridLayout(this);
    if (buttons.isEmpty())
        return;
    const auto count = static_cast<int>(buttons.size());
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        grid->addWidget(buttons[i], i % rows, i / rows);
        buttons[i]->show();
    }
    for (int column = 0; column < columns; ++column)
        grid->setColumnStretch(column, 1);
    for (int row = 0; row < rows; ++row)
        grid->setRowStretch(row, 1);
}
