// Track bar bound to a cell.

#include "controls/qvTrackBar.h"

#include <algorithm>

TqvTrackBar::TqvTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {}

int TqvTrackBar::StoredValue() const {
    return Mirrored ? maximum() - value() : value();
}

void TqvTrackBar::Bind(int* newCell) {
    cell = newCell;
    if (cell == nullptr)
        return;
    const int wanted = Mirrored ? maximum() - *cell : *cell;
    const int position = std::clamp(wanted, minimum(), maximum());
    if (position != wanted)
        *cell = Mirrored ? maximum() - position : position;
    if (position == value())
        ChangeStep(); // the owner's display handler must run even though nothing moves
    else
        setValue(position);
}

void TqvTrackBar::sliderChange(SliderChange change) {
    QSlider::sliderChange(change);
    if (change == SliderValueChange)
        ChangeStep();
}

void TqvTrackBar::ChangeStep() {
    if (cell != nullptr) {
        const int stored = StoredValue();
        if (stored != *cell) {
            *cell = stored;
            // A copy, so the owner may replace its handler from inside it.
            if (auto notify = OnValueChanged)
                notify();
        }
    } else if (auto notify = OnValueChanged) {
        notify();
    }
    emit Change();
}
