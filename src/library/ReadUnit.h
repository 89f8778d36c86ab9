#pragma once
// "Read the unit...": the banks to read, the request delay, and whether to keep a backup too.

#include "library/Library.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;

class TfrmReadUnit : public QDialog {
    Q_OBJECT
public:
    TfrmReadUnit(int requestDelay, bool singleBank, QWidget* parent = nullptr);
    TfrmLibrary::TReadChoice Choice() const;
    std::array<QCheckBox*, 4> chkBanks{};
    QLineEdit* edtDelay;
    QCheckBox* chkBackUp;
    QPushButton* btnOk;
};
