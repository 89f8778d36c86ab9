#pragma once
// A slot's history: every preset it has held, when and how it was seen; one opens in an editor.

#include "store/UnitMemory.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

class TfrmSlotHistory : public QDialog {
    Q_OBJECT
public:
    TfrmSlotHistory(const TSlotMemory& slot, QWidget* parent = nullptr);
    QTreeWidget* lvwVersions;
    QPushButton* btnOpen;
    QPushButton* btnPutBack;
    QPushButton* btnCompareNow;
    // The version chosen, when the dialog was accepted with Open or Put back.
    int Chosen = -1;
    bool PutBack = false;
    bool CompareNow = false; // the version chosen against what the slot holds now
};
