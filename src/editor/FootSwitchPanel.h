#pragma once
// An editor's "K27 states" tab: one box per effect group the K27 foot controller switches,
// usable when the chain holds an effect of its group and switched on whenever the user changes
// the chain.

#include "model/Preset.h"

#include <QWidget>
#include <array>

class QCheckBox;
class TPresetDocument;

class TFootSwitchPanel : public QWidget {
    Q_OBJECT
public:
    TFootSwitchPanel(TPresetDocument& document, QWidget* parent);

    // Which boxes can be used follows the record's chain; every box shows the record's state.
    // Changes nothing in the record.
    void ShowRecord();
    // After the user changed the chain: as ShowRecord, and every usable switch is turned on.
    void Evaluate();

    std::array<QCheckBox*, kK27StateCount> K27Boxes{}; // in the order of the switch table
    QCheckBox* chkK27exc;
    QCheckBox* chkK27cmp;
    QCheckBox* chkK27dst;
    QCheckBox* chkK27equ;
    QCheckBox* chkK27exp;
    QCheckBox* chkK27rev;
    QCheckBox* chkK27dly;
    QCheckBox* chkK27ptr;
    QCheckBox* chkK27fla;
    QCheckBox* chkK27sfx;

private:
    void SwitchClicked(int box);
    bool SwitchUsable(int box) const;

    TPresetDocument& document;
    bool evaluating = false;
};
