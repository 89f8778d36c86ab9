// LCD-style level meter.

#include "controls/qvLCDmeter.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kHintLength = 100;
}

TqvLCDmeter::TqvLCDmeter(QWidget* parent) : QWidget(parent) {
    ComputeWanted();
}

QColor TqvLCDmeter::BrightColor() const {
    return brightColor.isValid() ? brightColor : palette().color(QPalette::Highlight);
}

QColor TqvLCDmeter::DimColor() const {
    if (dimColor.isValid())
        return dimColor;
    // A quarter of the way from the base to the highlight: seen, but plainly unlit.
    const QColor base = palette().color(QPalette::Base);
    const QColor lit = palette().color(QPalette::Highlight);
    const auto mix = [](int from, int to) { return from + (to - from) / 4; };
    return QColor(mix(base.red(), lit.red()), mix(base.green(), lit.green()),
                  mix(base.blue(), lit.blue()));
}

void TqvLCDmeter::Bind(int* newCell) {
    cell = newCell;
    if (cell == nullptr)
        return;
    *cell = std::clamp(*cell, min, max);
    ApplyParams(*cell, min, max, false);
}

// Position, min, max: the order of the track bars' SetParams.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TqvLCDmeter::SetParams(int newPosition, int newMin, int newMax) {
    ApplyParams(newPosition, newMin, newMax, true);
}

void TqvLCDmeter::SetPosition(int newPosition) {
    SetParams(newPosition, min, max);
}

void TqvLCDmeter::SetMin(int newMin) {
    SetParams(position, newMin, max);
}

void TqvLCDmeter::SetMax(int newMax) {
    SetParams(position, min, newMax);
}

// Position, min, max, as SetParams has them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TqvLCDmeter::ApplyParams(int newPosition, int newMin, int newMax, bool notify) {
    if (newMax < newMin)
        throw ELCDError("Property Out Of Range");
    newPosition = std::clamp(newPosition, newMin, newMax);
    if (newMin != min || newMax != max) {
        min = newMin;
        max = newMax;
        repaintAll = true;
    }
    const bool moved = newPosition != position;
    position = newPosition;
    ComputeWanted();
    UpdateDisplay();
    if (!moved)
        return;
    if (cell != nullptr)
        *cell = position;
    if (auto report = OnValueChanged; notify && report)
        report();
}

void TqvLCDmeter::SetPipSize(int size) {
    pipSize = std::max(size, 2);
    repaintAll = true;
    ComputeWanted();
    UpdateDisplay();
}

void TqvLCDmeter::SetBrightColor(const QColor& color) {
    brightColor = color;
    colourChanged = true;
    UpdateDisplay();
}

void TqvLCDmeter::SetDimColor(const QColor& color) {
    dimColor = color;
    repaintAll = true;
    UpdateDisplay();
}

void TqvLCDmeter::SetOrientation(TLCDOrientation newOrientation) {
    orientation = newOrientation;
    repaintAll = true;
    ComputeWanted();
    UpdateDisplay();
}

int TqvLCDmeter::PipCount() const {
    const int length = orientation == TLCDOrientation::lcdVertical ? height() : width();
    return std::clamp(length / pipSize, 0, kMaxPips);
}

bool TqvLCDmeter::PipLit(int index) const {
    const int count = PipCount();
    return index >= 0 && index < count && PipState(index, count);
}

QSize TqvLCDmeter::sizeHint() const {
    const int across = kCellsAcross * pipSize;
    return orientation == TLCDOrientation::lcdVertical ? QSize(across, kHintLength)
                                                       : QSize(kHintLength, across);
}

// Which pip of how many: index, then count.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TqvLCDmeter::PipState(int index, int count) const {
    // An empty range has nothing above its minimum to light (and must not divide by zero).
    const auto lit = max > min ? static_cast<long long>(position - min) * count / (max - min) : 0LL;
    if (orientation == TLCDOrientation::lcdVertical)
        return index >= count - lit; // grows up from the bottom
    return index < lit;              // grows right from the left, the same count as upright
}

void TqvLCDmeter::ComputeWanted() {
    pipCount = PipCount();
    for (int i = 0; i < kMaxPips; ++i)
        wanted[i] = i < pipCount && PipState(i, pipCount);
}

QRect TqvLCDmeter::PipRect(int index) const {
    const int along = index * pipSize;
    const int across = kCellsAcross * pipSize;
    return orientation == TLCDOrientation::lcdVertical ? QRect(0, along, across, pipSize)
                                                       : QRect(along, 0, pipSize, across);
}

void TqvLCDmeter::UpdateDisplay() {
    if (!isEnabled() || !isVisible())
        return;
    if (colourChanged) {
        colourChanged = false;
        for (int i = 0; i < pipCount; ++i)
            if (wanted[i] || drawn[i])
                update(PipRect(i));
    } else if (repaintAll) {
        repaintAll = false;
        update();
    } else {
        for (int i = 0; i < pipCount; ++i)
            if (wanted[i] != drawn[i])
                update(PipRect(i));
    }
    drawn = wanted;
}

void TqvLCDmeter::paintEvent(QPaintEvent* event) {
    // Always from the current value: it may have changed while the meter was hidden or disabled.
    ComputeWanted();
    drawn = wanted;
    if (event->rect().contains(rect())) {
        repaintAll = false;
        colourChanged = false;
    }
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Base));
    const QColor bright = BrightColor();
    const QColor dim = DimColor();
    const int side = pipSize - 1;
    for (int i = 0; i < pipCount; ++i) {
        if (!event->rect().intersects(PipRect(i)))
            continue;
        const QColor& colour = drawn[i] ? bright : dim;
        for (int j = 0; j < kCellsAcross; ++j) {
            const int along = i * pipSize;
            const int across = j * pipSize;
            const QRect square = orientation == TLCDOrientation::lcdVertical
                                     ? QRect(across, along, side, side)
                                     : QRect(along, across, side, side);
            painter.fillRect(square, colour);
        }
    }
}

void TqvLCDmeter::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        repaintAll = true;
        update();
    }
    if (event->type() == QEvent::EnabledChange && isEnabled()) {
        repaintAll = true;
        UpdateDisplay();
    }
}

void TqvLCDmeter::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ComputeWanted();
    drawn = wanted; // a resize repaints the whole meter anyway
}
