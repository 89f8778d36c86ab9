#pragma once
// A level meter drawn as a bar of small squares (pips), like an LCD, showing one bound integer
// cell.

#include <QColor>
#include <QWidget>
#include <array>
#include <functional>
#include <stdexcept>

enum class TLCDOrientation { lcdHorizontal, lcdVertical };

class ELCDError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TqvLCDmeter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMaxPips = 256;
    static constexpr int kCellsAcross = 10; // pips side by side across the bar

    explicit TqvLCDmeter(QWidget* parent = nullptr);

    // Shows the cell's value; a value outside Min..Max is clamped and written back silently,
    // because merely showing a preset must not count as an edit. nullptr unbinds.
    void Bind(int* cell);
    int* Cell() const { return cell; }

    // Raises ELCDError "Property Out Of Range" when max < min, and then changes nothing. The
    // position is clamped into min..max; a changed position goes into the cell and is reported.
    void SetParams(int position, int min, int max);
    void SetPosition(int position);
    void SetMin(int min);
    void SetMax(int max);
    int Position() const { return position; }
    int Min() const { return min; }
    int Max() const { return max; }

    void SetPipSize(int size); // below 2 becomes 2: single pixels two pixels apart
    int PipSize() const { return pipSize; }
    // The lit and the unlit pips. Unless set, they follow the palette: the highlight, and the
    // highlight faded into the base, on the base colour; so the meter reads in a dark desktop
    // as in a light one.
    void SetBrightColor(const QColor& color);
    QColor BrightColor() const;
    void SetDimColor(const QColor& color);
    QColor DimColor() const;
    void SetOrientation(TLCDOrientation orientation);
    TLCDOrientation Orientation() const { return orientation; }

    int PipCount() const;         // along the bar, from the current size
    bool PipLit(int index) const; // counted from the top or from the left

    QSize sizeHint() const override;

    std::function<void()> OnValueChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ApplyParams(int newPosition, int newMin, int newMax, bool notify);
    bool PipState(int index, int count) const;
    void ComputeWanted();
    void UpdateDisplay();
    QRect PipRect(int index) const;

    int* cell = nullptr;
    int position = 0;
    int min = 0;
    int max = 10;
    int pipSize = 3;
    QColor brightColor; // invalid: the palette's
    QColor dimColor;
    TLCDOrientation orientation = TLCDOrientation::lcdVertical;
    int pipCount = 0;
    std::array<bool, kMaxPips> wanted{};
    std::array<bool, kMaxPips> drawn{}; // what the screen shows, or is about to
    bool repaintAll = true;
    bool colourChanged = false;
};
