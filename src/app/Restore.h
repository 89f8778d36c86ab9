#pragma once
// "Send presets to the unit...": which backup folder, banks and slots go back into the unit,
// and the list of what will be written before anything is.

#include "store/BackupFolder.h"

#include <QDialog>
#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class TfrmRestore : public QDialog {
    Q_OBJECT
public:
    // plan: makes the list for a folder, banks and slot range (the device link's PlanRestore).
    using Planner = std::function<std::vector<TRestoreItem>(
        const QString& folder, const std::array<bool, 4>& banks, int first, int last)>;
    TfrmRestore(Planner plan, const QString& folder, QWidget* parent = nullptr);

    // The plan as the list shows it now.
    std::vector<TRestoreItem>& Plan() { return plan; }

    QLineEdit* edtFolder;
    QPushButton* btnBrowse;
    QCheckBox* chkBankA;
    QCheckBox* chkBankB;
    QCheckBox* chkBankC;
    QCheckBox* chkBankD;
    QLineEdit* edtFirstNo;
    QLineEdit* edtLastNo;
    QTreeWidget* lvwPlan;
    QLabel* lblSummary;
    QPushButton* btnOk;
    QPushButton* btnCancel;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Replan();
    void BrowseClick();

    Planner planner;
    std::vector<TRestoreItem> plan;
};
