#pragma once
// An editor's effect chain: the analog blocks switched on and off in a check list, the digital
// effects moved between "Available" and "Selected" within the groups the processor can run, and
// the group picker. Every change reshapes the document's record and is recorded and sent.

#include <QWidget>
#include <functional>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;
class TPresetDocument;

class TEffectChainPanel : public QWidget {
    Q_OBJECT
public:
    TEffectChainPanel(TPresetDocument& document, QWidget* parent);
    ~TEffectChainPanel() override;

    // Fills the lists from the record. A digital group the unit's model cannot run is reported,
    // and the record goes on as group 0 with no digital effect switched on.
    void ShowRecord();

    QGroupBox* grpAnalogFX;
    QListWidget* cklAnalogSelect;
    QGroupBox* grpDigFX;
    QListWidget* lbxDigAvail;
    QListWidget* lbxDigSel;
    QToolButton* btnAddDfx;
    QToolButton* btnDelDfx;
    QLabel* lblDigGrp;
    QPushButton* btnDigGrp;

signals:
    // The record's chain has changed and the change is about to be recorded: whatever shows the
    // chain follows it now.
    void AnalogSwitched(int block, bool on);
    void DigitalChanged(int addedEffect); // -1 when an effect was removed

private:
    void SwitchAnalog(int block);
    void AddDigitalEffect();
    void RemoveDigitalEffect();
    void PickDigitalGroup();
    bool Regroup(const std::function<void()>& takeBack); // false: no group runs the selection
    void RefreshAvailable();

    TPresetDocument& document;
    QMetaObject::Connection focusWatch;
};
