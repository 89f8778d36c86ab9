#pragma once
// Two presets side by side in words: every difference from the first to the second, as the
// editor names it, or that there is none.

#include "model/Protocol.h"

#include <QDialog>

class QLabel;
class QListWidget;

class TfrmCompare : public QDialog {
    Q_OBJECT
public:
    // (firstName, secondName): what each is, "A 017" or a file's name, first the one compared from.
    TfrmCompare(const QString& firstName, TByteView first, const QString& secondName,
                TByteView second, QWidget* parent = nullptr);
    QLabel* lblWhat;
    QListWidget* lstDiff;
    // The lines as listed.
    QStringList Lines() const;
};
