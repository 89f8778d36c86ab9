#pragma once
#include "link/ProcedureOptions.h"
#include <QDialog>
class TfrmBkupOpt : public QDialog {
public:
    explicit TfrmBkupOpt(QWidget* parent = nullptr) : QDialog(parent) {}
    void Prepare(bool, int, const QString&, int) {}
    TProcedureOptions Results() const { return {}; }
};
