// The preset editor's foot-controller switches: one box per effect group of the K27, usable
// when the chain holds an effect of its group and switched on whenever the chain changes.

#include "editor/PresetEditor.h"

#include <QCheckBox>
#include <QListWidget>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

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

struct TSwitch {
    const char* Name;
    const char* Caption;
    int StateIndex;
    std::vector<int> Blocks;          // any of these analog blocks on makes it usable
    std::vector<const char*> Digital; // or any of these digital tabs visible
};

const std::array<TSwitch, kK27StateCount>& Switches() {
    static const std::array<TSwitch, kK27StateCount> switches{{
        {"chkK27exc", "Exciter", 6, {kExciter}, {}},
        {"chkK27cmp", "Compressor", 7, {kCompressor}, {}},
        {"chkK27dst", "Distortion", 8, {kDistortion, kPreamp}, {}},
        {"chkK27equ", "Equalizer", 0, {kEqualizer}, {"Low Pass"}},
        {"chkK27exp", "Expander/Noise gate", 9, {kExpander, kNoiseGate}, {}},
        {"chkK27rev", "Reverb", 1, {}, {"Reverb", "Gate Verb"}},
        {"chkK27dly", "Delay", 2, {}, {"Tapped DDL", "Regen DDL", "Stereo DDL"}},
        {"chkK27ptr", "Pitch Transposer", 3, {}, {"Pitch Trans", "Dual PTr"}},
        {"chkK27fla", "Flanger/Chorus", 4, {}, {"Flanger", "Phaser", "Chorus"}},
        {"chkK27sfx",
         "Special Effects",
         5,
         {kAes, kEnvelopeFilter},
         {"Panner", "MIDI Pan", "Tuner", "Sampler", "Sampler+PTr", "Tremolo"}},
    }};
    return switches;
}
} // namespace

void TfrmPresetEditor::BuildSwitches() {
    auto* column = new QVBoxLayout(tsK27states);
    for (std::size_t box = 0; box < Switches().size(); ++box) {
        auto* check = new QCheckBox(QString::fromLatin1(Switches()[box].Caption), tsK27states);
        check->setObjectName(QString::fromLatin1(Switches()[box].Name));
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

bool TfrmPresetEditor::DigitalTabVisible(const char* caption) const {
    for (int tab = 0; tab < pgcDigitalParams->count(); ++tab)
        if (pgcDigitalParams->tabText(tab) == QLatin1String(caption))
            return pgcDigitalParams->isTabVisible(tab);
    return false;
}

bool TfrmPresetEditor::SwitchUsable(int box) const {
    const TSwitch& rule = Switches()[static_cast<std::size_t>(box)];
    for (const int block : rule.Blocks)
        if (cklAnalogSelect->item(block)->checkState() == Qt::Checked)
            return true;
    for (const char* tab : rule.Digital)
        if (DigitalTabVisible(tab))
            return true;
    return false;
}

void TfrmPresetEditor::SwitchClicked(int box) {
    const TSwitch& rule = Switches()[static_cast<std::size_t>(box)];
    Preset->K27States[static_cast<std::size_t>(rule.StateIndex)] =
        K27Boxes[static_cast<std::size_t>(box)]->isChecked();
    // Adjusted by an evaluation, the state goes out with the chain edit that caused it: one
    // send for the edit, not one more for every switch it turned on.
    if (!evaluatingSwitches)
        ImmediateChange();
}

void TfrmPresetEditor::EvaluateSwitches() {
    // Every usable switch is turned on whenever the chain is evaluated; the user may then
    // turn single ones off. A switch whose group the chain does not hold is shown off but keeps
    // the bit the record has. Undo and redo show their snapshot as it was: only which switches
    // can be used follows the chain. The adjustments themselves leave no snapshots; the chain
    // edit that runs an evaluation records and sends them.
    const bool suppressed = SuppressSnapshots;
    SuppressSnapshots = true;
    evaluatingSwitches = true;
    for (int box = 0; box < kK27StateCount; ++box) {
        QCheckBox* check = K27Boxes[static_cast<std::size_t>(box)];
        const bool usable = SwitchUsable(box);
        const bool recorded = Preset->K27States[static_cast<std::size_t>(
            Switches()[static_cast<std::size_t>(box)].StateIndex)];
        check->setEnabled(usable);
        check->setChecked(usable && recorded);
        if (usable && !recorded && !restoringSnapshot) {
            check->setChecked(true);
            SwitchClicked(box);
        }
    }
    evaluatingSwitches = false;
    SuppressSnapshots = suppressed;
}
