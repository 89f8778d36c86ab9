#pragma once
// A track bar that writes its value into one bound integer cell and then tells its owner.

#include <QSlider>
#include <functional>

class TqvTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TqvTrackBar(QWidget* parent = nullptr);

    // Shows the cell's value; a value outside the range is clamped and the clamped value written
    // back silently, because merely showing a preset must not count as an edit. nullptr unbinds.
    void Bind(int* cell);
    int* Cell() const { return cell; }

    // The value as stored: maximum() - position when mirrored, else the position.
    int StoredValue() const;

    bool Mirrored = false;
    std::function<void()> OnValueChanged;

signals:
    // Runs after every position change (by the user or the program) once the cell is written,
    // and from Bind when the position already shows the cell's value.
    void Change();

protected:
    void sliderChange(SliderChange change) override;

private:
    void ChangeStep();

    int* cell = nullptr;
};
