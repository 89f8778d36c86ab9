#pragma once
// Where presets go into the unit: a bank and the first slot.

#include <QDialog>

class QComboBox;
class QPushButton;
class QSpinBox;

class TfrmChooseSlot : public QDialog {
    Q_OBJECT
public:
    TfrmChooseSlot(const QString& caption, const QString& what, bool singleBank,
                   QWidget* parent = nullptr);
    QComboBox* cbxBank;
    QSpinBox* spnSlot;
    QComboBox* cbxFrom; // Copy bank: the bank copied; hidden otherwise
    QPushButton* btnOk;
};
