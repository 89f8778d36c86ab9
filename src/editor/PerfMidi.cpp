// The preset editor's "Performance MIDI" tab: up to eight assignments of a MIDI controller to an
// effect parameter with a low and a high value, the named controller list, and learning a
// controller from the MIDI input.

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "controls/qvLCDmeter.h"
#include "controls/qvRadioGroup.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetEditor.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "model/ValueText.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
constexpr int kControllerRows = 129;
constexpr int kLeftPedal = 4;
constexpr int kRightPedal = 11;
const QString kPresetError = QStringLiteral("Preset error");

QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// "trbCMPdrive" is listed as "drive", "lstPTRbase_key" as "base key".
QString ListedName(const std::string& control) {
    return QString::fromStdString(control.substr(6)).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString ControllersKey() {
    return AppSettings != nullptr ? AppSettings->Path + QStringLiteral("\\Controllers") : QString();
}

int AnalogCountBefore(int page) {
    int count = 0;
    for (int t = 0; t < page && t < kAnalogBlockCount; ++t)
        count += AnalogBlocks()[static_cast<std::size_t>(t)].ParameterCount;
    return count;
}

// Where an analog or digital ParameterNumber (4 and up) stands in the present layout: the
// analog block or the group's digital effect that holds it, and its index among that
// effect's parameters. Nothing holds it: both -1.
struct TPlace {
    int Block = -1;
    int Effect = -1;
    int Name = -1;
};

TPlace PlaceOf(const TPreset& preset, int number) {
    TPlace place;
    if (number >= 4 && number <= kDigitalAreaStart) {
        const int position = number - kFirstAnalogSlot;
        for (int t = 0; t < kAnalogBlockCount; ++t) {
            const int before = AnalogCountBefore(t);
            if (position <= before + AnalogBlocks()[static_cast<std::size_t>(t)].ParameterCount) {
                place.Block = t;
                place.Name = position - before - 1;
                break;
            }
        }
    } else if (number > kDigitalAreaStart && preset.DigitalGroup >= 0 &&
               preset.DigitalGroup < kDigitalGroupTotal) {
        const int position = number - kDigitalAreaStart;
        int sum = 0;
        for (const int effect : GroupRow(preset.DigitalGroup)) {
            const int count = DigitalParameterCount(effect);
            if (position <= sum + count) {
                place.Effect = effect;
                place.Name = position - sum - 1;
                break;
            }
            sum += count;
        }
    }
    return place;
}
} // namespace

void TfrmPresetEditor::BuildPerformanceTab() {
    auto* grid = new QGridLayout(tsPerfMIDI);
    const auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* made = new QPushButton(caption, tsPerfMIDI);
        made->setObjectName(QString::fromLatin1(name));
        made->setToolTip(hint);
        return made;
    };
    lbxPMIdefctl = new QListWidget(tsPerfMIDI);
    lbxPMIdefctl->setObjectName(QStringLiteral("lbxPMIdefctl"));
    lbxPMIdefctl->setToolTip(QStringLiteral("Right-click for options..."));
    lbxPMIdefctl->setSortingEnabled(true);
    popPMIctldef = new QMenu(this);
    popPMIctldef->setObjectName(QStringLiteral("popPMIctldef"));
    pmiAddController = popPMIctldef->addAction(QStringLiteral("&Add controller"));
    pmiAddController->setObjectName(QStringLiteral("pmiAddController"));
    pmiDeleteController = popPMIctldef->addAction(QStringLiteral("&Delete controller"));
    pmiDeleteController->setObjectName(QStringLiteral("pmiDeleteController"));
    lbxPMIdefctl->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbxPMIdefctl, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        UpdateCommands();
        popPMIctldef->exec(lbxPMIdefctl->viewport()->mapToGlobal(at));
    });
    btnPMIadd = button("btnPMIadd", QStringLiteral("Add"), QStringLiteral("Add new controller"));
    btnPMIdel = button("btnPMIdel", QStringLiteral("Delete"), QStringLiteral("Delete controller"));
    lbxCtlParam = new QListWidget(tsPerfMIDI);
    lbxCtlParam->setObjectName(QStringLiteral("lbxCtlParam"));
    lbxParamNames = new QListWidget(tsPerfMIDI);
    lbxParamNames->setObjectName(QStringLiteral("lbxParamNames"));
    lblPMIcurrval = new QLabel(tsPerfMIDI);
    lblPMIcurrval->setObjectName(QStringLiteral("lblPMIcurrval"));
    lblPMIcurrval->setToolTip(QStringLiteral("The current value of the selected parameter"));
    scrLowValue = new QScrollBar(Qt::Horizontal, tsPerfMIDI);
    scrLowValue->setObjectName(QStringLiteral("scrLowValue"));
    scrLowValue->setToolTip(
        QStringLiteral("The minimum parameter value (may be > max to specify a reversed range)"));
    lblPMILowValue = new QLabel(tsPerfMIDI);
    lblPMILowValue->setObjectName(QStringLiteral("lblPMILowValue"));
    scrHighValue = new QScrollBar(Qt::Horizontal, tsPerfMIDI);
    scrHighValue->setObjectName(QStringLiteral("scrHighValue"));
    scrHighValue->setToolTip(
        QStringLiteral("The maximum parameter value (may be < min to specify a reversed range)"));
    lblPMIHighValue = new QLabel(tsPerfMIDI);
    lblPMIHighValue->setObjectName(QStringLiteral("lblPMIHighValue"));
    grdPMctl = new QTableWidget(kControllerRows, 2, tsPerfMIDI);
    grdPMctl->setObjectName(QStringLiteral("grdPMctl"));
    grdPMctl->setToolTip(QStringLiteral("The controller no. to be monitored for these parameter "
                                        "changes (you can key in your own controller names)"));
    grdPMctl->horizontalHeader()->hide();
    grdPMctl->verticalHeader()->hide();
    grdPMctl->setColumnWidth(0, grdPMctl->fontMetrics().horizontalAdvance(QStringLiteral("XXXX")));
    grdPMctl->horizontalHeader()->setStretchLastSection(true);
    grdPMctl->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdPMctl->setSelectionMode(QAbstractItemView::SingleSelection);
    btnK27left =
        button("btnK27left", QStringLiteral("K27 &left"),
               QStringLiteral("This selects the default controller used by the K27's left pedal"));
    btnK27right =
        button("btnK27right", QStringLiteral("K27 &right"),
               QStringLiteral("This selects the default controller used by the K27's right pedal"));
    btnLearn = button("btnLearn", QStringLiteral("Lear&n"),
                      QStringLiteral("Move a controller on your MIDI input to choose it"));
    btnLearn->setCheckable(true);

    auto* assignments = new QVBoxLayout;
    assignments->addWidget(new QLabel(QStringLiteral("Assignments"), tsPerfMIDI));
    assignments->addWidget(lbxPMIdefctl, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnPMIadd);
    buttons->addWidget(btnPMIdel);
    assignments->addLayout(buttons);
    auto* parameter = new QVBoxLayout;
    parameter->addWidget(new QLabel(QStringLiteral("Effect"), tsPerfMIDI));
    parameter->addWidget(lbxCtlParam, 1);
    parameter->addWidget(new QLabel(QStringLiteral("Parameter"), tsPerfMIDI));
    parameter->addWidget(lbxParamNames, 1);
    // Each selector gets the column's whole width; its value text stands above it.
    auto* range = new QGridLayout;
    range->addWidget(new QLabel(QStringLiteral("Current value:"), tsPerfMIDI), 0, 0);
    range->addWidget(lblPMIcurrval, 0, 1);
    range->addWidget(new QLabel(QStringLiteral("Low:"), tsPerfMIDI), 1, 0);
    range->addWidget(lblPMILowValue, 1, 1);
    range->addWidget(scrLowValue, 2, 0, 1, 2);
    range->addWidget(new QLabel(QStringLiteral("High:"), tsPerfMIDI), 3, 0);
    range->addWidget(lblPMIHighValue, 3, 1);
    range->addWidget(scrHighValue, 4, 0, 1, 2);
    range->setColumnStretch(1, 1);
    parameter->addLayout(range);
    auto* controllers = new QVBoxLayout;
    controllers->addWidget(new QLabel(QStringLiteral("Controller"), tsPerfMIDI));
    controllers->addWidget(grdPMctl, 1);
    auto* pedals = new QHBoxLayout;
    pedals->addWidget(btnK27left);
    pedals->addWidget(btnK27right);
    pedals->addWidget(btnLearn);
    controllers->addLayout(pedals);
    grid->addLayout(assignments, 0, 0);
    grid->addLayout(parameter, 0, 1);
    grid->addLayout(controllers, 0, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);

    connect(pmiAddController, &QAction::triggered, this, [this] { AddAssignment(); });
    connect(btnPMIadd, &QPushButton::clicked, this, [this] { AddAssignment(); });
    connect(pmiDeleteController, &QAction::triggered, this, [this] { DeleteAssignment(); });
    connect(btnPMIdel, &QPushButton::clicked, this, [this] { DeleteAssignment(); });
    // A choice in a list is a choice however it was made: a click, a right click or the keys.
    // What the tab selects itself while showing an assignment is made with the lists quiet.
    connect(lbxPMIdefctl, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            ShowAssignment();
    });
    connect(lbxPMIdefctl, &QListWidget::itemSelectionChanged, this, [this] { UpdateCommands(); });
    connect(lbxCtlParam, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            ChooseEffect();
    });
    connect(lbxParamNames, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0)
            ChooseParameter();
    });
    connect(lbxParamNames, &QListWidget::itemClicked, this, [this] { ChooseParameter(); });
    connect(scrLowValue, &QScrollBar::valueChanged, this, [this] { RangeChanged(true); });
    connect(scrHighValue, &QScrollBar::valueChanged, this, [this] { RangeChanged(false); });
    connect(grdPMctl, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous, int) {
                if (row >= 0 && row != previous)
                    ChooseController(row);
            });
    connect(grdPMctl, &QTableWidget::cellClicked, this,
            [this](int row, int) { ChooseController(row); });
    connect(grdPMctl, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (column == 1 && !fillingControllers)
            RenameController(row);
    });
    connect(btnK27left, &QPushButton::clicked, this, [this] { ChooseController(kLeftPedal); });
    connect(btnK27right, &QPushButton::clicked, this, [this] { ChooseController(kRightPedal); });
    connect(btnLearn, &QPushButton::toggled, this, [this](bool down) {
        lblPMIcurrval->setText(down ? QStringLiteral("Move a controller...") : QString());
    });
    connect(pgcPreset, &QTabWidget::currentChanged, this, [this] { ResetTab(); });
}

void TfrmPresetEditor::PrepareControllers() {
    // The names are read once per window; an empty stored name brings the default back.
    if (controllersRead)
        return;
    controllersRead = true;
    fillingControllers = true;
    const QString key = ControllersKey();
    for (int row = 0; row < kControllerRows; ++row) {
        auto* number = new QTableWidgetItem(QString::number(row));
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grdPMctl->setItem(row, 0, number);
        QString name =
            key.isEmpty() ? QString() : AppSettings->GetStringAt(key, QString::number(row), false);
        if (name.isEmpty())
            name = Text(DefaultControllerName(row));
        grdPMctl->setItem(row, 1, new QTableWidgetItem(name));
    }
    fillingControllers = false;
}

void TfrmPresetEditor::RenameController(int row) {
    const QString key = ControllersKey();
    if (key.isEmpty() || row < 0 || row >= kControllerRows)
        return;
    AppSettings->PutStringAt(key, QString::number(row), grdPMctl->item(row, 1)->text());
}

TPerfMIDI& TfrmPresetEditor::Assignment() {
    return *Preset->PerfMIDI[static_cast<std::size_t>(CurrentAssignment)];
}

void TfrmPresetEditor::ResetTab() {
    {
        const QSignalBlocker quiet(lbxPMIdefctl);
        lbxPMIdefctl->clearSelection();
        lbxPMIdefctl->setCurrentRow(-1, QItemSelectionModel::Clear);
    }
    if (pgcPreset->currentWidget() != tsPerfMIDI)
        return;
    ClearParameter(true);
    for (QWidget* control :
         std::initializer_list<QWidget*>{lbxCtlParam, lbxParamNames, grdPMctl, btnK27left,
                                         btnK27right, scrLowValue, scrHighValue})
        control->setEnabled(false);
}

void TfrmPresetEditor::ClearParameter(bool rebuild) {
    const QSignalBlocker quietNames(lbxParamNames);
    const QSignalBlocker quietEffects(lbxCtlParam);
    lbxParamNames->clear();
    ListedControls.clear();
    armed = false;
    lblPMIcurrval->clear();
    lblPMILowValue->clear();
    lblPMIHighValue->clear();
    if (rebuild) {
        lbxCtlParam->clear();
        lbxCtlParam->addItem(QStringLiteral("MIDI Monitor"));
        lbxCtlParam->addItem(QStringLiteral("Mix"));
        for (int tab = 0; tab < pgcAnalogParams->count(); ++tab)
            if (pgcAnalogParams->isTabVisible(tab))
                lbxCtlParam->addItem(pgcAnalogParams->tabText(tab));
        for (int tab = 0; tab < pgcDigitalParams->count(); ++tab)
            if (pgcDigitalParams->isTabVisible(tab))
                lbxCtlParam->addItem(pgcDigitalParams->tabText(tab));
    }
    UpdateCommands();
}

int TfrmPresetEditor::GroupEffectOnTab(const QString& caption) const {
    const int group = Preset->DigitalGroup;
    if (group < 0 || group >= kDigitalGroupTotal)
        return -1;
    for (const int effect : GroupRow(group))
        if (Text(DigitalEffectPages()[static_cast<std::size_t>(effect)].Caption) == caption)
            return effect;
    return -1;
}

void TfrmPresetEditor::ChooseEffect() {
    ClearParameter(false);
    scrLowValue->setEnabled(false);
    scrHighValue->setEnabled(false);
    QListWidgetItem* chosen = lbxCtlParam->currentItem();
    if (chosen == nullptr)
        return;
    const QString effect = chosen->text();
    const QSignalBlocker quiet(lbxParamNames);
    if (effect == QLatin1String("MIDI Monitor")) {
        lbxParamNames->addItem(QStringLiteral("enabled"));
        ListedControls.push_back(nullptr);
        lbxParamNames->setCurrentRow(0);
        return;
    }
    const auto list = [this](const std::vector<TParameterInfo>& parameters) {
        for (const TParameterInfo& info : parameters) {
            TParameterControl* control = Parameters().Find(std::string(info.Control));
            if (control == nullptr || control->Widget->isHidden())
                continue;
            lbxParamNames->addItem(ListedName(control->Name));
            ListedControls.push_back(control);
        }
    };
    if (effect == QLatin1String("Mix")) {
        list(MixParameters());
    } else {
        bool found = false;
        for (int t = 0; t < pgcAnalogParams->count() && !found; ++t)
            if (pgcAnalogParams->isTabVisible(t) && pgcAnalogParams->tabText(t) == effect) {
                list(::AnalogPages()[static_cast<std::size_t>(t)].Parameters);
                found = true;
            }
        const int digital = found ? -1 : GroupEffectOnTab(effect);
        if (digital >= 0)
            list(DigitalEffectPages()[static_cast<std::size_t>(digital)].Parameters);
    }
    // Choosing an effect only lists its parameters: the record is not changed.
    lbxParamNames->setCurrentRow(-1);
}

void TfrmPresetEditor::ChooseParameter() {
    const int k = lbxParamNames->currentRow();
    QListWidgetItem* effectItem = lbxCtlParam->currentItem();
    if (k < 0 || effectItem == nullptr)
        return;
    const QString effect = effectItem->text();
    int number = -1;
    if (effect == QLatin1String("MIDI Monitor")) {
        number = 0;
    } else if (effect == QLatin1String("Mix")) {
        number = k + 1;
    } else {
        for (int t = 0; t < pgcAnalogParams->count() && number < 0; ++t)
            if (pgcAnalogParams->tabText(t) == effect)
                number = kFirstAnalogSlot + AnalogCountBefore(t) + k + 1;
        if (number < 0) {
            int before = 0;
            for (const int e : GroupRow(Preset->DigitalGroup)) {
                if (Text(DigitalEffectPages()[static_cast<std::size_t>(e)].Caption) == effect) {
                    number = kDigitalAreaStart + before + k + 1;
                    break;
                }
                before += DigitalParameterCount(e);
            }
        }
    }
    if (number < 0)
        return;
    TPerfMIDI& assignment = Assignment();
    const TPerfMIDI before = assignment;
    if (number != assignment.Parameter) {
        assignment.RangeSet = false;
        assignment.Parameter = number;
    }
    ShowRange(true);
    const int row = grdPMctl->currentRow();
    if (row >= 0)
        assignment.Controller = row;
    if (!(assignment == before))
        ImmediateChange();
}

void TfrmPresetEditor::ShowRange(bool choosing) {
    QListWidgetItem* effectItem = lbxCtlParam->currentItem();
    if (effectItem != nullptr && effectItem->text() == QLatin1String("MIDI Monitor")) {
        scrLowValue->setEnabled(false);
        scrHighValue->setEnabled(false);
        lblPMIcurrval->clear();
        lblPMILowValue->clear();
        lblPMIHighValue->clear();
        grdPMctl->setEnabled(true);
        btnK27left->setEnabled(true);
        btnK27right->setEnabled(true);
        return;
    }
    const int k = lbxParamNames->currentRow();
    if (k < 0 || k >= static_cast<int>(ListedControls.size()) ||
        ListedControls[static_cast<std::size_t>(k)] == nullptr)
        return;
    const TParameterControl& control = *ListedControls[static_cast<std::size_t>(k)];
    int minimum = 0;
    int maximum = 0;
    int current = 0;
    switch (control.Kind) {
    case TControlKind::TrackBar:
        minimum = control.TrackBar->minimum();
        maximum = control.TrackBar->maximum();
        current = control.TrackBar->value();
        break;
    case TControlKind::RadioGroup:
        minimum = control.Radio->DataAddend;
        maximum = control.Radio->DataAddend + static_cast<int>(control.Radio->Items().size()) - 1;
        current = control.Radio->ItemIndex() + control.Radio->DataAddend;
        break;
    case TControlKind::EqualizerBand:
        maximum = 12;
        current = control.Meter->Position();
        break;
    case TControlKind::BaseKeyList:
        maximum = control.List->count() - 1;
        current = control.List->currentRow();
        break;
    case TControlKind::CheckBox:
        maximum = 1;
        current = control.Check->isChecked() ? 1 : 0;
        break;
    }
    btnK27left->setEnabled(true);
    btnK27right->setEnabled(true);
    scrLowValue->setEnabled(true);
    scrHighValue->setEnabled(true);
    settingRange = true; // showing the range is no edit
    scrLowValue->setRange(minimum, maximum);
    scrHighValue->setRange(minimum, maximum);
    scrLowValue->setValue(current);
    lblPMIcurrval->setText(SelectorText(current, *scrLowValue));
    TPerfMIDI& assignment = Assignment();
    // A parameter just chosen gets its whole range; showing an assignment changes nothing.
    if (choosing) {
        if (!assignment.RangeSet) {
            assignment.LowValue = minimum;
            assignment.HighValue = maximum;
            assignment.RangeSet = true;
        }
        assignment.Flags = 255;
    }
    const bool mirrored = control.TrackBar != nullptr && control.TrackBar->Mirrored;
    scrLowValue->setValue(mirrored ? maximum - assignment.LowValue : assignment.LowValue);
    scrHighValue->setValue(mirrored ? maximum - assignment.HighValue : assignment.HighValue);
    lblPMILowValue->setText(SelectorText(scrLowValue->value(), *scrLowValue));
    lblPMIHighValue->setText(SelectorText(scrHighValue->value(), *scrHighValue));
    settingRange = false;
    armed = true;
}

void TfrmPresetEditor::RangeChanged(bool low) {
    if (settingRange)
        return;
    QScrollBar* selector = low ? scrLowValue : scrHighValue;
    if (armed) {
        const int k = lbxParamNames->currentRow();
        const TParameterControl* control = k >= 0 && k < static_cast<int>(ListedControls.size())
                                               ? ListedControls[static_cast<std::size_t>(k)]
                                               : nullptr;
        const bool mirrored =
            control != nullptr && control->TrackBar != nullptr && control->TrackBar->Mirrored;
        const int value = mirrored ? selector->maximum() - selector->value() : selector->value();
        (low ? Assignment().LowValue : Assignment().HighValue) = value;
        (low ? lblPMILowValue : lblPMIHighValue)
            ->setText(SelectorText(selector->value(), *selector));
    }
    DeferredChange();
}

QString TfrmPresetEditor::SelectorText(int x, const QScrollBar& selector) const {
    const int k = lbxParamNames->currentRow();
    if (k < 0 || k >= static_cast<int>(ListedControls.size()) ||
        ListedControls[static_cast<std::size_t>(k)] == nullptr)
        return {};
    const TParameterControl& control = *ListedControls[static_cast<std::size_t>(k)];
    const QString code = QString::fromStdString(control.Name.substr(3, 3));
    const QString name = ListedName(control.Name);
    const int index = x - selector.minimum();
    const auto s = [](const std::string& text) { return QString::fromStdString(text); };
    switch (control.Kind) {
    case TControlKind::RadioGroup:
        return control.Radio->Items().value(index);
    case TControlKind::BaseKeyList:
        return control.List->item(index) != nullptr ? control.List->item(index)->text() : QString();
    case TControlKind::CheckBox:
        return x == 1 ? QStringLiteral("on") : QStringLiteral("off");
    case TControlKind::EqualizerBand:
        return s(EqGainText(x));
    case TControlKind::TrackBar:
        break;
    }
    const int maximum = control.TrackBar->maximum();
    if (name.contains(QLatin1String("fine")))
        return code == QLatin1String("PTR") || code == QLatin1String("SPT") ||
                       code == QLatin1String("2PT")
                   ? s(FineTuneText(x))
                   : s(MillisecondsText(x));
    if (name.contains(QLatin1String("delay")))
        return code == QLatin1String("CHO") ? s(MillisecondsText(x)) : s(DelayLengthText(x));
    if (name.contains(QLatin1String("speed")))
        return s(ModSpeedText(x));
    if (name.contains(QLatin1String("pitch")))
        return s(SemitoneText(x));
    if (maximum == 31)
        return s(LevelPercentText(x));
    if (maximum == 63) {
        if (name == QLatin1String("tuning") && code == QLatin1String("ENV"))
            return s(EnvelopeTuningText(x));
        if (name.contains(QLatin1String("pan pos")))
            return QString::number(x);
        return s(RegenPercentText(x));
    }
    if (code == QLatin1String("LVL"))
        return s(MasterLevelText(x));
    if (name == QLatin1String("diffusion"))
        return s(DiffusionText(x));
    if (name == QLatin1String("output") && code == QLatin1String("CMP"))
        return s(DoubledPercentText(x));
    if (name == QLatin1String("decay"))
        return code == QLatin1String("REV") ? s(ReverbDecayText(x)) : s(GateDecayText(x));
    if (name == QLatin1String("length") &&
        (code == QLatin1String("SMP") || code == QLatin1String("SPT")))
        return s(SampleLengthText(x));
    if (code == QLatin1String("LPF"))
        return s(CutoffFrequencyText(x));
    if (name == QLatin1String("detune") && code != QLatin1String("REV"))
        return s(DetuneText(x));
    if (code == QLatin1String("REV") && name == QLatin1String("damping"))
        return s(DampingText(x));
    if (code == QLatin1String("REV") && name == QLatin1String("position"))
        return s(ReverbPositionText(x));
    return QString::number(code == QLatin1String("MPN") ? maximum - x : x);
}

void TfrmPresetEditor::ChooseController(int row) {
    if (row < 0 || row >= kControllerRows)
        return;
    {
        const QSignalBlocker quiet(grdPMctl);
        grdPMctl->setCurrentCell(row, 1);
    }
    if (!grdPMctl->isEnabled() || Assignment().Controller == row)
        return; // no assignment is shown, or it has this controller already
    Assignment().Controller = row;
    ImmediateChange();
}

void TfrmPresetEditor::LearnController(int controller) {
    if (!btnLearn->isChecked() || !grdPMctl->isEnabled())
        return;
    btnLearn->setChecked(false);
    ChooseController(controller);
}

bool TfrmPresetEditor::Learning() const {
    return btnLearn->isChecked();
}

void TfrmPresetEditor::ShowAssignment() {
    QListWidgetItem* entry = lbxPMIdefctl->currentItem();
    if (entry == nullptr)
        return;
    const qsizetype hash = entry->text().indexOf(QLatin1Char('#'));
    if (hash < 0 || hash + 1 >= entry->text().size()) {
        ShowMessage(this, QStringLiteral("Invalid controller item"), kPresetError);
        return;
    }
    const int number = entry->text().mid(hash + 1, 1).toInt();
    if (number < 1 || number > kPerfMidiCount) {
        ShowMessage(this, QStringLiteral("Invalid controller item"), kPresetError);
        return;
    }
    CurrentAssignment = number - 1;
    for (QWidget* control : std::initializer_list<QWidget*>{lbxCtlParam, lbxParamNames, grdPMctl,
                                                            btnK27left, btnK27right})
        control->setEnabled(true);
    TPerfMIDI& assignment = Assignment();
    const int p = assignment.Parameter;
    const auto choose = [this](const QString& effect, int name) {
        const auto found = lbxCtlParam->findItems(effect, Qt::MatchExactly);
        if (found.isEmpty())
            return false;
        {
            const QSignalBlocker quiet(lbxCtlParam);
            lbxCtlParam->setCurrentItem(found.first());
        }
        ChooseEffect();
        {
            const QSignalBlocker quiet(lbxParamNames);
            lbxParamNames->setCurrentRow(name);
        }
        ShowRange(false);
        return true;
    };
    if (p == 0) {
        choose(QStringLiteral("MIDI Monitor"), 0);
    } else if (p >= 1 && p <= 3) {
        choose(QStringLiteral("Mix"), p - 1);
    } else {
        const TPlace place = PlaceOf(*Preset, p);
        QString tab;
        if (place.Block >= 0)
            tab = pgcAnalogParams->tabText(place.Block);
        else if (place.Effect >= 0)
            tab = Text(DigitalEffectPages()[static_cast<std::size_t>(place.Effect)].Caption);
        const int name = place.Name;
        if (tab.isEmpty()) {
            ShowMessage(this, QStringLiteral("Performance MIDI controller data is invalid"),
                        kPresetError);
            return;
        }
        if (choose(tab, name)) {
            // The stored range must lie within what the parameter can take.
            if (assignment.LowValue < scrLowValue->minimum() ||
                assignment.LowValue > scrLowValue->maximum())
                ShowMessage(this, QStringLiteral("Invalid low range value"), kPresetError);
            if (assignment.HighValue < scrHighValue->minimum() ||
                assignment.HighValue > scrHighValue->maximum())
                ShowMessage(this, QStringLiteral("Invalid high range value"), kPresetError);
        }
    }
    const QSignalBlocker quiet(grdPMctl);
    grdPMctl->setCurrentCell(assignment.Controller, 1);
}

void TfrmPresetEditor::AddAssignment() {
    int free = -1;
    for (int i = 0; i < kPerfMidiCount && free < 0; ++i)
        if (!Preset->PerfInUse[static_cast<std::size_t>(i)])
            free = i;
    if (free >= 0) {
        auto* entry = new QListWidgetItem(QStringLiteral("Controller #%1").arg(free + 1));
        lbxPMIdefctl->addItem(entry);
        CurrentAssignment = free;
        Assignment().Reset();
        Preset->PerfInUse[static_cast<std::size_t>(free)] = true;
        {
            const QSignalBlocker quietGrid(grdPMctl);
            const QSignalBlocker quietList(lbxPMIdefctl);
            grdPMctl->setCurrentCell(Assignment().Controller, 1);
            lbxPMIdefctl->setCurrentItem(entry);
        }
        ShowAssignment();
    }
    UpdateCommands();
    ImmediateChange();
}

void TfrmPresetEditor::DeleteAssignment() {
    QListWidgetItem* entry = lbxPMIdefctl->currentItem();
    if (entry == nullptr)
        return;
    // The entry deleted is the one its text names, whichever was shown last.
    const qsizetype hash = entry->text().indexOf(QLatin1Char('#'));
    const int number = hash < 0 ? 0 : entry->text().mid(hash + 1, 1).toInt();
    if (number >= 1 && number <= kPerfMidiCount)
        CurrentAssignment = number - 1;
    {
        const QSignalBlocker quiet(lbxPMIdefctl);
        delete lbxPMIdefctl->takeItem(lbxPMIdefctl->row(entry));
    }
    Preset->PerfInUse[static_cast<std::size_t>(CurrentAssignment)] = false;
    Assignment().Reset();
    ResetTab();
    UpdateCommands();
    ImmediateChange();
}

void TfrmPresetEditor::UpdateCommands() {
    pmiAddController->setEnabled(lbxPMIdefctl->count() < kPerfMidiCount);
    QListWidgetItem* selected = lbxPMIdefctl->currentItem();
    const bool chosen = selected != nullptr && selected->isSelected();
    pmiDeleteController->setEnabled(chosen);
    pmiDeleteController->setText(chosen ? QStringLiteral("Delete ") + selected->text()
                                        : QStringLiteral("Delete Controller"));
    btnPMIdel->setToolTip(pmiDeleteController->text());
    btnPMIadd->setEnabled(pmiAddController->isEnabled());
    btnPMIdel->setEnabled(chosen);
}

void TfrmPresetEditor::RebuildAssignments() {
    const QSignalBlocker quiet(lbxPMIdefctl);
    lbxPMIdefctl->clear();
    const std::vector<int> selected = SelectedDigitalEffects();
    for (int i = 0; i < kPerfMidiCount; ++i) {
        if (!Preset->PerfInUse[static_cast<std::size_t>(i)])
            continue;
        const int p = Preset->PerfMIDI[static_cast<std::size_t>(i)]->Parameter;
        const TPlace place = PlaceOf(*Preset, p);
        const bool exists =
            p < 4 ||
            (place.Block >= 0 && cklAnalogSelect->item(place.Block)->checkState() == Qt::Checked) ||
            (place.Effect >= 0 &&
             std::find(selected.begin(), selected.end(), place.Effect) != selected.end());
        if (exists) {
            lbxPMIdefctl->addItem(QStringLiteral("Controller #%1").arg(i + 1));
        } else {
            // Its effect left the preset: the assignment goes with it.
            Preset->PerfInUse[static_cast<std::size_t>(i)] = false;
            Preset->PerfMIDI[static_cast<std::size_t>(i)]->Reset();
        }
    }
    ClearParameter(true);
}

bool TfrmPresetEditor::PerformanceKey(QKeyEvent* key) {
    if (key->key() == Qt::Key_Escape && btnLearn->isChecked()) {
        btnLearn->setChecked(false);
        return true;
    }
    return false;
}
