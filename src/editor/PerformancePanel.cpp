// The performance MIDI panel: the assignments, the parameter each one moves and its range, the
// controller list with its names, and learning a controller.

#include "editor/PerformancePanel.h"

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "controls/qvLCDmeter.h"
#include "controls/qvRadioGroup.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"

#include <QAction>
#include <QCheckBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int kControllerRows = 129;
constexpr int kLeftPedal = 4;
constexpr int kRightPedal = 11;
const QString kPresetError = QStringLiteral("Preset error");
// What an entry of the effect list stands for: its TParameterOwner and its block or effect.
constexpr int kOwnerRole = Qt::UserRole;
constexpr int kEffectRole = Qt::UserRole + 1;

// "trbCMPdrive" is listed as "drive", "lstPTRbase_key" as "base key".
QString ListedName(const std::string& control) {
    return QString::fromStdString(control.substr(6)).replace(QLatin1Char('_'), QLatin1Char(' '));
}

QString ControllersKey() {
    return AppSettings != nullptr ? AppSettings->Path + QStringLiteral("\\Controllers") : QString();
}

TParameterPlace PlaceOf(const QListWidgetItem& entry, int index) {
    return {static_cast<TParameterOwner>(entry.data(kOwnerRole).toInt()),
            entry.data(kEffectRole).toInt(), index};
}
} // namespace

TPerformancePanel::TPerformancePanel(TPresetDocument& document, TParameterPages& pages,
                                     QWidget* parent)
    : QWidget(parent), document(document), pages(pages) {
    setObjectName(QStringLiteral("tsPerfMIDI"));
    auto* grid = new QGridLayout(this);
    // (object name, caption, hint), as every widget helper takes them.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    const auto button = [this](const char* name, const QString& caption, const QString& hint) {
        auto* made = new QPushButton(caption, this);
        made->setObjectName(QString::fromLatin1(name));
        made->setToolTip(hint);
        return made;
    };
    lbxPMIdefctl = new QListWidget(this);
    lbxPMIdefctl->setObjectName(QStringLiteral("lbxPMIdefctl"));
    lbxPMIdefctl->setAccessibleName(QStringLiteral("Controllers"));
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
    lbxCtlParam = new QListWidget(this);
    lbxCtlParam->setObjectName(QStringLiteral("lbxCtlParam"));
    lbxParamNames = new QListWidget(this);
    lbxParamNames->setObjectName(QStringLiteral("lbxParamNames"));
    lblPMIcurrval = new QLabel(this);
    lblPMIcurrval->setObjectName(QStringLiteral("lblPMIcurrval"));
    lblPMIcurrval->setToolTip(QStringLiteral("The current value of the selected parameter"));
    scrLowValue = new QScrollBar(Qt::Horizontal, this);
    scrLowValue->setObjectName(QStringLiteral("scrLowValue"));
    scrLowValue->setToolTip(
        QStringLiteral("The minimum parameter value (may be > max to specify a reversed range)"));
    lblPMILowValue = new QLabel(this);
    lblPMILowValue->setObjectName(QStringLiteral("lblPMILowValue"));
    scrHighValue = new QScrollBar(Qt::Horizontal, this);
    scrHighValue->setObjectName(QStringLiteral("scrHighValue"));
    scrHighValue->setToolTip(
        QStringLiteral("The maximum parameter value (may be < min to specify a reversed range)"));
    lblPMIHighValue = new QLabel(this);
    lblPMIHighValue->setObjectName(QStringLiteral("lblPMIHighValue"));
    grdPMctl = new QTableWidget(kControllerRows, 2, this);
    grdPMctl->setObjectName(QStringLiteral("grdPMctl"));
    grdPMctl->setTabKeyNavigation(false); // Tab goes on to the next control, arrows within
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
        button("btnK27right", QStringLiteral("K27 ri&ght"),
               QStringLiteral("This selects the default controller used by the K27's right pedal"));
    btnLearn = button("btnLearn", QStringLiteral("Lear&n"),
                      QStringLiteral("Move a controller on your MIDI input to choose it"));
    btnLearn->setCheckable(true);

    auto* assignments = new QVBoxLayout;
    assignments->addWidget(new QLabel(QStringLiteral("Assignments"), this));
    assignments->addWidget(lbxPMIdefctl, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnPMIadd);
    buttons->addWidget(btnPMIdel);
    assignments->addLayout(buttons);
    auto* parameter = new QVBoxLayout;
    parameter->addWidget(new QLabel(QStringLiteral("Effect"), this));
    parameter->addWidget(lbxCtlParam, 1);
    parameter->addWidget(new QLabel(QStringLiteral("Parameter"), this));
    parameter->addWidget(lbxParamNames, 1);
    // Each selector gets the column's whole width; its value text stands above it.
    auto* range = new QGridLayout;
    range->addWidget(new QLabel(QStringLiteral("Current value:"), this), 0, 0);
    range->addWidget(lblPMIcurrval, 0, 1);
    range->addWidget(new QLabel(QStringLiteral("Low:"), this), 1, 0);
    range->addWidget(lblPMILowValue, 1, 1);
    range->addWidget(scrLowValue, 2, 0, 1, 2);
    range->addWidget(new QLabel(QStringLiteral("High:"), this), 3, 0);
    range->addWidget(lblPMIHighValue, 3, 1);
    range->addWidget(scrHighValue, 4, 0, 1, 2);
    range->setColumnStretch(1, 1);
    parameter->addLayout(range);
    auto* controllers = new QVBoxLayout;
    controllers->addWidget(new QLabel(QStringLiteral("Controller"), this));
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
    ReadControllerNames();
}

void TPerformancePanel::ReadControllerNames() {
    // The names are read once per window; an empty stored name brings the default back.
    fillingControllers = true;
    const QString key = ControllersKey();
    for (int row = 0; row < kControllerRows; ++row) {
        auto* number = new QTableWidgetItem(QString::number(row));
        number->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        grdPMctl->setItem(row, 0, number);
        QString name =
            key.isEmpty() ? QString() : AppSettings->GetStringAt(key, QString::number(row), false);
        if (name.isEmpty())
            name = Latin1Text(DefaultControllerName(row));
        grdPMctl->setItem(row, 1, new QTableWidgetItem(name));
    }
    fillingControllers = false;
}

void TPerformancePanel::RenameController(int row) {
    const QString key = ControllersKey();
    if (key.isEmpty() || row < 0 || row >= kControllerRows)
        return;
    AppSettings->PutStringAt(key, QString::number(row), grdPMctl->item(row, 1)->text());
}

TPerfMIDI& TPerformancePanel::Assignment() {
    return *document.Preset.PerfMIDI[static_cast<std::size_t>(currentAssignment)];
}

void TPerformancePanel::ResetTab(bool nowActive) {
    active = nowActive;
    {
        const QSignalBlocker quiet(lbxPMIdefctl);
        lbxPMIdefctl->clearSelection();
        lbxPMIdefctl->setCurrentRow(-1, QItemSelectionModel::Clear);
    }
    if (!active)
        return;
    ClearParameter(true);
    for (QWidget* control :
         std::initializer_list<QWidget*>{lbxCtlParam, lbxParamNames, grdPMctl, btnK27left,
                                         btnK27right, scrLowValue, scrHighValue})
        control->setEnabled(false);
}

void TPerformancePanel::Disarm() {
    armed = false;
}

void TPerformancePanel::ClearParameter(bool rebuild) {
    const QSignalBlocker quietNames(lbxParamNames);
    const QSignalBlocker quietEffects(lbxCtlParam);
    lbxParamNames->clear();
    listedControls.clear();
    armed = false;
    lblPMIcurrval->clear();
    lblPMILowValue->clear();
    lblPMIHighValue->clear();
    if (rebuild) {
        // The effects in the chain, as their tabs stand: the analog blocks switched on, then the
        // tabs of the selected digital effects.
        using O = TParameterOwner;
        const auto add = [this](const QString& text, O owner, int effect) {
            auto* entry = new QListWidgetItem(text, lbxCtlParam);
            entry->setData(kOwnerRole, static_cast<int>(owner));
            entry->setData(kEffectRole, effect);
        };
        lbxCtlParam->clear();
        add(QStringLiteral("MIDI Monitor"), O::Monitor, -1);
        add(QStringLiteral("Mix"), O::Mix, -1);
        const TPreset& preset = document.Preset;
        for (int block = 0; block < kAnalogBlockCount; ++block)
            if (preset.AnalogOn[static_cast<std::size_t>(block)])
                add(Latin1Text(AnalogPages()[static_cast<std::size_t>(block)].Caption), O::Analog,
                    block);
        std::vector<int> selected = SelectedDigitalEffects(preset);
        // Effects that share a tab stand next to each other in the catalogue: in their order,
        // the tabs come in the pages' order.
        std::sort(selected.begin(), selected.end());
        for (const int effect : selected) {
            const QString tab =
                Latin1Text(DigitalEffectPages()[static_cast<std::size_t>(effect)].Caption);
            if (lbxCtlParam->findItems(tab, Qt::MatchExactly).isEmpty())
                add(tab, O::Digital, effect);
        }
    }
    UpdateCommands();
}

void TPerformancePanel::ChooseEffect() {
    ClearParameter(false);
    scrLowValue->setEnabled(false);
    scrHighValue->setEnabled(false);
    QListWidgetItem* chosen = lbxCtlParam->currentItem();
    if (chosen == nullptr)
        return;
    const TParameterPlace place = PlaceOf(*chosen, -1);
    const QSignalBlocker quiet(lbxParamNames);
    if (place.Owner == TParameterOwner::Monitor) {
        lbxParamNames->addItem(QStringLiteral("enabled"));
        listedControls.push_back(nullptr);
        lbxParamNames->setCurrentRow(0);
        return;
    }
    const std::vector<TParameterInfo>* parameters = nullptr;
    if (place.Owner == TParameterOwner::Mix)
        parameters = &MixParameters();
    else if (place.Owner == TParameterOwner::Analog)
        parameters = &AnalogPages()[static_cast<std::size_t>(place.Effect)].Parameters;
    else if (place.Owner == TParameterOwner::Digital)
        parameters = &DigitalEffectPages()[static_cast<std::size_t>(place.Effect)].Parameters;
    if (parameters != nullptr)
        for (const TParameterInfo& info : *parameters) {
            TParameterControl* control = pages.Find(std::string(info.Control));
            if (control == nullptr || control->Widget->isHidden())
                continue;
            lbxParamNames->addItem(ListedName(control->Name));
            listedControls.push_back(control);
        }
    // Choosing an effect only lists its parameters: the record is not changed.
    lbxParamNames->setCurrentRow(-1);
}

void TPerformancePanel::ChooseParameter() {
    const int k = lbxParamNames->currentRow();
    QListWidgetItem* effect = lbxCtlParam->currentItem();
    if (k < 0 || effect == nullptr)
        return;
    const int number = ParameterNumberOf(document.Preset, PlaceOf(*effect, k));
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
        document.ImmediateChange();
}

const TParameterControl* TPerformancePanel::ListedControl() const {
    const int k = lbxParamNames->currentRow();
    return k >= 0 && k < static_cast<int>(listedControls.size())
               ? listedControls[static_cast<std::size_t>(k)]
               : nullptr;
}

void TPerformancePanel::ShowRange(bool choosing) {
    QListWidgetItem* effect = lbxCtlParam->currentItem();
    if (effect != nullptr && PlaceOf(*effect, -1).Owner == TParameterOwner::Monitor) {
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
    const TParameterControl* listed = ListedControl();
    if (listed == nullptr)
        return;
    const TParameterControl& control = *listed;
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
    lblPMIcurrval->setText(SelectorText(current));
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
    lblPMILowValue->setText(SelectorText(scrLowValue->value()));
    lblPMIHighValue->setText(SelectorText(scrHighValue->value()));
    settingRange = false;
    armed = true;
}

void TPerformancePanel::RangeChanged(bool low) {
    if (settingRange)
        return;
    QScrollBar* selector = low ? scrLowValue : scrHighValue;
    if (armed) {
        const TParameterControl* control = ListedControl();
        const bool mirrored =
            control != nullptr && control->TrackBar != nullptr && control->TrackBar->Mirrored;
        const int value = mirrored ? selector->maximum() - selector->value() : selector->value();
        (low ? Assignment().LowValue : Assignment().HighValue) = value;
        (low ? lblPMILowValue : lblPMIHighValue)->setText(SelectorText(selector->value()));
    }
    document.DeferredChange();
}

QString TPerformancePanel::SelectorText(int position) const {
    const TParameterControl* control = ListedControl();
    if (control == nullptr || control->Info == nullptr)
        return {};
    return QString::fromStdString(RangeValueText(*control->Info, position));
}

void TPerformancePanel::ChooseController(int row) {
    if (row < 0 || row >= kControllerRows)
        return;
    {
        const QSignalBlocker quiet(grdPMctl);
        grdPMctl->setCurrentCell(row, 1);
    }
    if (!grdPMctl->isEnabled() || Assignment().Controller == row)
        return; // no assignment is shown, or it has this controller already
    Assignment().Controller = row;
    document.ImmediateChange();
}

void TPerformancePanel::LearnController(int controller) {
    if (!btnLearn->isChecked() || !grdPMctl->isEnabled())
        return;
    btnLearn->setChecked(false);
    ChooseController(controller);
}

bool TPerformancePanel::Learning() const {
    return btnLearn->isChecked();
}

bool TPerformancePanel::StopLearning() {
    if (!btnLearn->isChecked())
        return false;
    btnLearn->setChecked(false);
    return true;
}

void TPerformancePanel::ShowAssignment() {
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
    currentAssignment = number - 1;
    for (QWidget* control : std::initializer_list<QWidget*>{lbxCtlParam, lbxParamNames, grdPMctl,
                                                            btnK27left, btnK27right})
        control->setEnabled(true);
    TPerfMIDI& assignment = Assignment();
    const TParameterPlace place =
        DescribeParameterNumber(document.Preset, assignment.Parameter).Place;
    if (place.Owner == TParameterOwner::None) {
        ShowMessage(this, QStringLiteral("Performance MIDI controller data is invalid"),
                    kPresetError);
        return;
    }
    // The entry of the place's effect; none when its effect is not in the chain.
    QListWidgetItem* effect = nullptr;
    for (int row = 0; row < lbxCtlParam->count() && effect == nullptr; ++row) {
        const TParameterPlace listed = PlaceOf(*lbxCtlParam->item(row), place.Index);
        if (listed.Owner == place.Owner &&
            (listed.Effect == place.Effect || place.Owner == TParameterOwner::Monitor ||
             place.Owner == TParameterOwner::Mix))
            effect = lbxCtlParam->item(row);
    }
    if (effect != nullptr) {
        {
            const QSignalBlocker quiet(lbxCtlParam);
            lbxCtlParam->setCurrentItem(effect);
        }
        ChooseEffect();
        {
            const QSignalBlocker quiet(lbxParamNames);
            lbxParamNames->setCurrentRow(place.Index);
        }
        ShowRange(false);
        // The stored range must lie within what the parameter can take.
        if (place.Owner == TParameterOwner::Analog || place.Owner == TParameterOwner::Digital) {
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

void TPerformancePanel::AddAssignment() {
    int free = -1;
    for (int i = 0; i < kPerfMidiCount && free < 0; ++i)
        if (!document.Preset.PerfInUse[static_cast<std::size_t>(i)])
            free = i;
    if (free >= 0) {
        auto* entry = new QListWidgetItem(QStringLiteral("Controller #%1").arg(free + 1));
        lbxPMIdefctl->addItem(entry);
        currentAssignment = free;
        Assignment().Reset();
        document.Preset.PerfInUse[static_cast<std::size_t>(free)] = true;
        {
            const QSignalBlocker quietGrid(grdPMctl);
            const QSignalBlocker quietList(lbxPMIdefctl);
            grdPMctl->setCurrentCell(Assignment().Controller, 1);
            lbxPMIdefctl->setCurrentItem(entry);
        }
        ShowAssignment();
    }
    UpdateCommands();
    document.ImmediateChange();
}

void TPerformancePanel::DeleteAssignment() {
    QListWidgetItem* entry = lbxPMIdefctl->currentItem();
    if (entry == nullptr)
        return;
    // The entry deleted is the one its text names, whichever was shown last.
    const qsizetype hash = entry->text().indexOf(QLatin1Char('#'));
    const int number = hash < 0 ? 0 : entry->text().mid(hash + 1, 1).toInt();
    if (number >= 1 && number <= kPerfMidiCount)
        currentAssignment = number - 1;
    {
        const QSignalBlocker quiet(lbxPMIdefctl);
        delete lbxPMIdefctl->takeItem(lbxPMIdefctl->row(entry));
    }
    document.Preset.PerfInUse[static_cast<std::size_t>(currentAssignment)] = false;
    Assignment().Reset();
    ResetTab(active);
    UpdateCommands();
    document.ImmediateChange();
}

void TPerformancePanel::UpdateCommands() {
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

void TPerformancePanel::RebuildAssignments() {
    const QSignalBlocker quiet(lbxPMIdefctl);
    lbxPMIdefctl->clear();
    TPreset& preset = document.Preset;
    const std::vector<int> selected = SelectedDigitalEffects(preset);
    for (int i = 0; i < kPerfMidiCount; ++i) {
        if (!preset.PerfInUse[static_cast<std::size_t>(i)])
            continue;
        const int p = preset.PerfMIDI[static_cast<std::size_t>(i)]->Parameter;
        const TParameterPlace place = DescribeParameterNumber(preset, p).Place;
        const bool exists =
            p < 4 ||
            (place.Owner == TParameterOwner::Analog &&
             preset.AnalogOn[static_cast<std::size_t>(place.Effect)]) ||
            (place.Owner == TParameterOwner::Digital &&
             std::find(selected.begin(), selected.end(), place.Effect) != selected.end());
        if (exists) {
            lbxPMIdefctl->addItem(QStringLiteral("Controller #%1").arg(i + 1));
        } else {
            // Its effect left the preset: the assignment goes with it.
            preset.PerfInUse[static_cast<std::size_t>(i)] = false;
            preset.PerfMIDI[static_cast<std::size_t>(i)]->Reset();
        }
    }
    ClearParameter(true);
}

std::vector<TPerformancePanel::TAssignmentView> TPerformancePanel::ShowEachAssignment() {
    std::vector<TAssignmentView> views;
    for (int entry = 0; entry < lbxPMIdefctl->count(); ++entry) {
        lbxPMIdefctl->setCurrentRow(entry);
        ShowAssignment();
        const QListWidgetItem* effect = lbxCtlParam->currentItem();
        const QListWidgetItem* parameter = lbxParamNames->currentItem();
        TAssignmentView view;
        view.Entry = lbxPMIdefctl->item(entry)->text();
        view.Effect = effect != nullptr ? effect->text() : QString();
        view.Parameter = parameter != nullptr ? parameter->text() : QString();
        view.Low = lblPMILowValue->text();
        view.High = lblPMIHighValue->text();
        view.Controller = Assignment().Controller;
        const QTableWidgetItem* name = grdPMctl->item(view.Controller, 1);
        view.ControllerName = name != nullptr ? name->text() : QString();
        views.push_back(view);
    }
    return views;
}
