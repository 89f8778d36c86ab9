#pragma once
// Asks how the program table report is laid out: as the grid, or as a list with file names.

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;

class TfrmMPTRptOpt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmMPTRptOpt(QWidget* parent = nullptr);

    void SetStyle(int index); // an index outside -1..1 becomes -1 (no item)
    int Style() const;

    QGroupBox* regStyle;
    QPushButton* btnOK;
    QPushButton* btnCancel;

private:
    QButtonGroup* styleButtons;
};
