#pragma once
// A plan told before anything is written: each slot that will change, from what to what.

#include "base/UnitName.h"
#include "store/WritePlan.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QPushButton;

class TfrmWritePlan : public QDialog {
    Q_OBJECT
public:
    TfrmWritePlan(const TWritePlan& plan, bool singleBank, const TUnitName& unit,
                  QWidget* parent = nullptr);
    QLabel* lblUnit;
    QLabel* lblPlan;
    QListWidget* lstPlan;
    QPushButton* btnWrite;
};
