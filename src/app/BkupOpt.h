#pragma once
// The options of a walk through the processor's presets: which banks and presets, whether each
// preset is saved to a file, listed on the printer, or both, and where the files go.

#include "link/ProcedureOptions.h"

#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TqvRadioGroup;
class TUpDown;

class TfrmBkupOpt : public QDialog {
    Q_OBJECT
public:
    // Shows the Pre-Plenova look when that mode is on: no bank choice, files straight into the
    // output folder.
    explicit TfrmBkupOpt(QWidget* parent = nullptr);

    // The backup starts with saving on, the listing with printing on. currentBank 0..3 is the
    // bank the processor reported, anything else unknown.
    void Prepare(bool save, int currentBank, const QString& folder, int requestDelay);
    TProcedureOptions Results() const;

    // The highest preset number the walk can reach with the chosen loop method.
    int UpperLimit() const;

    void done(int result) override;

    QLabel* lblCurrentBank;
    QGroupBox* grpBankOpts;
    QCheckBox* chkBankA;
    QCheckBox* chkBankB;
    QCheckBox* chkBankC;
    QCheckBox* chkBankD;
    TqvRadioGroup* ragLoopMethod;
    QLabel* Label1;
    QLineEdit* edtFirstNo;
    TUpDown* updFirstNo;
    QLabel* Label2;
    QLineEdit* edtLastNo;
    TUpDown* updLastNo;
    QCheckBox* chkUntitled;
    QLineEdit* edtUntitled;
    QCheckBox* chkSave;
    QCheckBox* chkSkipExisting;
    QCheckBox* chkPrint;
    QPushButton* btnPrtSetup;
    QLabel* lblReqDelay;
    QLineEdit* edtReqDelay;
    QLabel* lblOutPut;
    QLineEdit* edtPath;
    QPushButton* btnBrowse;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoopMethodClick();
    void SaveClick();
    void PrintClick();
    void UntitledClick();
    void BrowseClick();
    // The number in the box when it lies within 1..UpperLimit(); otherwise tells the user, puts
    // the focus back into the box and gives false.
    bool CheckPresetNumber(QLineEdit* edit);
    bool CheckRange();
    bool CheckRequestDelay();

    bool checking = false; // a number box is being checked; its message box takes the focus
};
