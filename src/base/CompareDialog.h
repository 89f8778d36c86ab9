#pragma once
// Two presets side by side in words: every difference from the first to the second, as the
// editor names it, or that there is none.

#include <QDialog>
#include <cstdint>
#include <span>

class QLabel;
class QListWidget;

class TfrmCompare : public QDialog {
    Q_OBJECT
public:
    // (firstName, secondName): what each is, "A 017" or a file's name, first the one compared from.
    TfrmCompare(const QString& firstName, std::span<const std::uint8_t> first,
                const QString& secondName, std::span<const std::uint8_t> second,
                QWidget* parent = nullptr);
    QLabel* lblWhat;
    QListWidget* lstDiff;
    // The lines as listed.
    QStringList Lines() const;
};
