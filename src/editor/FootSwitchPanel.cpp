// The foot-controller switch panel and the rule that makes a switch usable.

#include "editor/FootSwitchPanel.h"

#include "editor/PresetDocument.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"

#include <QCheckBox>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// Analog blocks by their place in the chain list.
enum Block {
    kCompressor = 1,
    kExpander = 2,
    kDistortion = 3,
    kExciter = 4,
    kPreamp = 5,
    kEnvelopeFilter = 6,
    kNoiseGate = 7,
    kEqualizer = 8,
    kAes = 9
};

// In the order of the boxes; their names and captions are the record's (kFootSwitchNames).
struct TSwitch {
    int StateIndex;
    std::vector<int> Blocks;          // any of these analog blocks on makes it usable
    std::vector<const char*> Digital; // or any of these digital tabs (a selected effect's)
};

const std::array<TSwitch, kK27StateCount>& Switches() {
    static const std::array<TSwitch, kK27StateCount> switches{{
        {6, {kExciter}, {}},
        {7, {kCompressor}, {}},
        {8, {kDistortion, kPreamp}, {}},
        {0, {kEqualizer}, {"Low Pass"}},
        {9, {kExpander, kNoiseGate}, {}},
        {1, {}, {"Reverb", "Gate Verb"}},
        {2, {}, {"Tapped DDL", "Regen DDL", "Stereo DDL"}},
        {3, {}, {"Pitch Trans", "Dual PTr"}},
        {4, {}, {"Flanger", "Phaser", "Chorus"}},
        {5,
         {kAes, kEnvelopeFilter},
         {"Panner", "MIDI Pan", "Tuner", "Sampler", "Sampler+PTr", "Tremolo"}},
    }};
    return switches;
}
} // namespace

TFootSwitchPanel::TFootSwitchPanel(TPresetDocument& document, QWidget* parent)
    : QWidget(parent), document(document) {
    setObjectName(QStringLiteral("tsK27states"));
    auto* column = new QVBoxLayout(this);
    for (std::size_t box = 0; box < Switches().size(); ++box) {
        const TFootSwitchName& name =
            kFootSwitchNames[static_cast<std::size_t>(Switches()[box].StateIndex)];
        auto* check = new QCheckBox(QString::fromLatin1(name.Caption), this);
        check->setObjectName(QString::fromLatin1(name.Control));
        column->addWidget(check);
        K27Boxes[box] = check;
        connect(check, &QCheckBox::clicked, this,
                [this, box] { SwitchClicked(static_cast<int>(box)); });
    }
    column->addStretch(1);
    chkK27exc = K27Boxes[0];
    chkK27cmp = K27Boxes[1];
    chkK27dst = K27Boxes[2];
    chkK27equ = K27Boxes[3];
    chkK27exp = K27Boxes[4];
    chkK27rev = K27Boxes[5];
    chkK27dly = K27Boxes[6];
    chkK27ptr = K27Boxes[7];
    chkK27fla = K27Boxes[8];
    chkK27sfx = K27Boxes[9];
}

bool TFootSwitchPanel::SwitchUsable(int box) const {
    const TSwitch& rule = Switches()[static_cast<std::size_t>(box)];
    for (const int block : rule.Blocks)
        if (document.Preset.AnalogOn[static_cast<std::size_t>(block)])
            return true;
    for (const int effect : SelectedDigitalEffects(document.Preset)) {
        const std::string_view tab = DigitalEffectPages()[static_cast<std::size_t>(effect)].Caption;
        if (std::any_of(rule.Digital.begin(), rule.Digital.end(),
                        [tab](const char* caption) { return tab == caption; }))
            return true;
    }
    return false;
}

void TFootSwitchPanel::SwitchClicked(int box) {
    const TSwitch& rule = Switches()[static_cast<std::size_t>(box)];
    document.Preset.K27States[static_cast<std::size_t>(rule.StateIndex)] =
        K27Boxes[static_cast<std::size_t>(box)]->isChecked();
    // Adjusted by an evaluation, the state goes out with the chain edit that caused it: one
    // send for the edit, not one more for every switch it turned on.
    if (!evaluating)
        document.ImmediateChange();
}

void TFootSwitchPanel::ShowRecord() {
    // The states are the owner's: a preset opened and stored back, or merely looked at, keeps
    // every switch as it came, also one whose group the chain does not hold (shown, disabled).
    for (int box = 0; box < kK27StateCount; ++box) {
        QCheckBox* check = K27Boxes[static_cast<std::size_t>(box)];
        check->setEnabled(SwitchUsable(box));
        check->setChecked(document.Preset.K27States[static_cast<std::size_t>(
            Switches()[static_cast<std::size_t>(box)].StateIndex)]);
    }
}

void TFootSwitchPanel::Evaluate() {
    // A chain edit turns every usable switch on; the user may then turn single ones off. A
    // switch whose group the chain does not hold keeps the bit the record has.
    ShowRecord();
    evaluating = true;
    for (int box = 0; box < kK27StateCount; ++box) {
        QCheckBox* check = K27Boxes[static_cast<std::size_t>(box)];
        if (SwitchUsable(box) && !check->isChecked()) {
            check->setChecked(true);
            SwitchClicked(box);
        }
    }
    evaluating = false;
}
