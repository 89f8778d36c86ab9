// The preset editor's effect chain: the analog blocks switched on and off, the digital
// effects moved between "Available" and "Selected" within the groups the processor can run,
// and the group picker. Every change reshapes the record, rebinds the controls and is sent.

#include "base/Dialogs.h"
#include "base/PickList.h"
#include "editor/ParameterPages.h"
#include "editor/PresetEditor.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QString Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::vector<std::string> Names(const QListWidget& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.count(); ++i)
        names.push_back(list.item(i)->text().toStdString());
    return names;
}
} // namespace

QWidget* TfrmPresetEditor::BuildChain() {
    auto* chain = new QWidget(this);
    auto* row = new QHBoxLayout(chain);
    row->setContentsMargins(0, 0, 0, 0);

    grpAnalogFX = new QGroupBox(QStringLiteral("Analog Effects"), chain);
    grpAnalogFX->setObjectName(QStringLiteral("grpAnalogFX"));
    cklAnalogSelect = new QListWidget(grpAnalogFX);
    cklAnalogSelect->setObjectName(QStringLiteral("cklAnalogSelect"));
    cklAnalogSelect->setToolTip(QStringLiteral("Click on to add, off to remove effects"));
    // Two columns of six, as the blocks stand in the signal path.
    cklAnalogSelect->setFlow(QListView::TopToBottom);
    cklAnalogSelect->setWrapping(true);
    cklAnalogSelect->setResizeMode(QListView::Adjust);
    cklAnalogSelect->setUniformItemSizes(true);
    for (const TAnalogBlock& block : AnalogBlocks()) {
        auto* item = new QListWidgetItem(Text(block.Name), cklAnalogSelect);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(Qt::Unchecked);
    }
    // Two fixed columns wide enough for the longest name, so nothing is cut or scrolls.
    const int rowHeight = cklAnalogSelect->sizeHintForRow(0);
    const int columnWidth = cklAnalogSelect->sizeHintForColumn(0) +
                            cklAnalogSelect->fontMetrics().horizontalAdvance(QStringLiteral("xxx"));
    cklAnalogSelect->setGridSize(QSize(columnWidth, rowHeight));
    cklAnalogSelect->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    cklAnalogSelect->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int frame = 2 * cklAnalogSelect->frameWidth() + 2 * cklAnalogSelect->spacing() + 4;
    cklAnalogSelect->setFixedSize(2 * columnWidth + frame, 6 * rowHeight + frame);
    (new QVBoxLayout(grpAnalogFX))->addWidget(cklAnalogSelect);
    connect(cklAnalogSelect, &QListWidget::itemChanged, this,
            [this](QListWidgetItem* item) { AnalogSwitched(cklAnalogSelect->row(item)); });

    grpDigFX = new QGroupBox(QStringLiteral("Digital Effects"), chain);
    grpDigFX->setObjectName(QStringLiteral("grpDigFX"));
    auto* digital = new QGridLayout(grpDigFX);
    lbxDigAvail = new QListWidget(grpDigFX);
    lbxDigAvail->setObjectName(QStringLiteral("lbxDigAvail"));
    lbxDigAvail->setToolTip(QStringLiteral("Double-click (or use arrow) to add effect"));
    lbxDigSel = new QListWidget(grpDigFX);
    lbxDigSel->setObjectName(QStringLiteral("lbxDigSel"));
    lbxDigSel->setToolTip(QStringLiteral("Double-click (or use arrow) to remove effect"));
    for (QListWidget* list : {lbxDigAvail, lbxDigSel}) {
        list->setFixedHeight(rowHeight * 6 + 2 * list->frameWidth() + 6);
        list->setMinimumWidth(
            list->fontMetrics().horizontalAdvance(QStringLiteral("Stereo DDL SXX")));
    }
    btnAddDfx = new QToolButton(grpDigFX);
    btnAddDfx->setObjectName(QStringLiteral("btnAddDfx"));
    btnAddDfx->setArrowType(Qt::RightArrow);
    btnAddDfx->setEnabled(false);
    btnDelDfx = new QToolButton(grpDigFX);
    btnDelDfx->setObjectName(QStringLiteral("btnDelDfx"));
    btnDelDfx->setArrowType(Qt::LeftArrow);
    btnDelDfx->setEnabled(false);
    lblDigGrp = new QLabel(grpDigFX);
    lblDigGrp->setObjectName(QStringLiteral("lblDigGrp"));
    btnDigGrp = new QPushButton(QStringLiteral("Groups..."), grpDigFX);
    btnDigGrp->setObjectName(QStringLiteral("btnDigGrp"));
    btnDigGrp->setToolTip(QStringLiteral("View / select from list of valid digital groups"));
    auto* arrows = new QVBoxLayout;
    arrows->addStretch(1);
    arrows->addWidget(btnAddDfx);
    arrows->addWidget(btnDelDfx);
    arrows->addStretch(1);
    digital->addWidget(new QLabel(QStringLiteral("Available"), grpDigFX), 0, 0);
    digital->addWidget(new QLabel(QStringLiteral("Selected"), grpDigFX), 0, 2);
    digital->addWidget(lbxDigAvail, 1, 0);
    digital->addLayout(arrows, 1, 1);
    digital->addWidget(lbxDigSel, 1, 2);
    auto* groupColumn = new QVBoxLayout;
    groupColumn->addWidget(lblDigGrp);
    groupColumn->addWidget(btnDigGrp);
    groupColumn->addStretch(1);
    digital->addLayout(groupColumn, 1, 3);

    // An arrow is usable while its list holds a highlighted name and has the focus, or has
    // just handed it to the arrow.
    connect(lbxDigAvail, &QListWidget::currentRowChanged, this,
            [this](int row) { btnAddDfx->setEnabled(row >= 0); });
    connect(lbxDigSel, &QListWidget::currentRowChanged, this,
            [this](int row) { btnDelDfx->setEnabled(row >= 0); });
    connect(lbxDigAvail, &QListWidget::itemClicked, this, [this] { btnAddDfx->setEnabled(true); });
    connect(lbxDigSel, &QListWidget::itemClicked, this, [this] { btnDelDfx->setEnabled(true); });
    focusWatch = connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
        if (old == lbxDigAvail && now != btnAddDfx)
            btnAddDfx->setEnabled(false);
        if (old == lbxDigSel && now != btnDelDfx)
            btnDelDfx->setEnabled(false);
        if (now == lbxDigAvail && lbxDigAvail->currentItem() != nullptr)
            btnAddDfx->setEnabled(true);
        if (now == lbxDigSel && lbxDigSel->currentItem() != nullptr)
            btnDelDfx->setEnabled(true);
    });
    connect(btnAddDfx, &QToolButton::clicked, this, [this] { AddDigitalEffect(); });
    connect(btnDelDfx, &QToolButton::clicked, this, [this] { RemoveDigitalEffect(); });
    connect(lbxDigAvail, &QListWidget::itemDoubleClicked, this, [this] { AddDigitalEffect(); });
    connect(lbxDigSel, &QListWidget::itemDoubleClicked, this, [this] { RemoveDigitalEffect(); });
    connect(btnDigGrp, &QPushButton::clicked, this, [this] { PickDigitalGroup(); });

    row->addWidget(grpAnalogFX);
    row->addWidget(grpDigFX, 1);
    return chain;
}

std::vector<int> TfrmPresetEditor::SelectedDigitalEffects() const {
    std::vector<int> effects;
    for (const std::string& name : Names(*lbxDigSel)) {
        try {
            effects.push_back(EffectIndexByName(name));
        } catch (const std::exception&) {
            // a name of the other model's list: it has no tab here
        }
    }
    return effects;
}

void TfrmPresetEditor::ShowChain() {
    bool anyOn = false;
    int firstOn = -1;
    {
        const QSignalBlocker quiet(cklAnalogSelect);
        for (int block = 0; block < kAnalogBlockCount; ++block) {
            const bool on = Preset->AnalogOn[static_cast<std::size_t>(block)];
            cklAnalogSelect->item(block)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
            pgcAnalogParams->setTabVisible(block, on);
            if (on && firstOn < 0)
                firstOn = block;
            anyOn = anyOn || on;
        }
    }
    parameters->BindFixed(*Preset);
    pgcAnalogParams->setVisible(false);
    if (anyOn) {
        pgcAnalogParams->setCurrentIndex(firstOn);
        pgcAnalogParams->setVisible(true);
    }

    lbxDigSel->clear();
    if (Preset->DigitalGroup == -1)
        DetermineDigitalGroup(*Preset, {});
    if (Preset->DigitalGroup < 0 || Preset->DigitalGroup >= DigitalGroupCount) {
        ShowMessage(this,
                    QStringLiteral("Digital effect configuration is invalid and will be ignored.\n"
                                   "The remaining preset data will be shown as is.\n"
                                   "Saving this preset may cause loss of data (but it appears "
                                   "corrupted already)."),
                    QStringLiteral("Preset error"));
        Preset->DigitalGroup = 0;
        Preset->DigitalOn.fill(false);
    }
    lblDigGrp->setText(QStringLiteral("Group #%1").arg(Preset->DigitalGroup));
    const std::vector<int>& row = GroupRow(Preset->DigitalGroup);
    for (std::size_t position = 0; position < row.size(); ++position)
        if (Preset->DigitalOn[position])
            lbxDigSel->addItem(Text(DigitalEffectName(row[position])));
    RefreshAvailable();
    BindDigital();
    ShowFirstDigitalTab();
}

void TfrmPresetEditor::RefreshAvailable() {
    lbxDigAvail->clear();
    std::vector<std::string> available = AvailableDigitalEffects(*Preset, Names(*lbxDigSel));
    std::sort(available.begin(), available.end());
    for (const std::string& name : available)
        lbxDigAvail->addItem(QString::fromStdString(name));
    btnAddDfx->setEnabled(false);
}

void TfrmPresetEditor::BindDigital() {
    parameters->BindDigital(*Preset, SelectedDigitalEffects());
}

void TfrmPresetEditor::ShowFirstDigitalTab() {
    for (int tab = 0; tab < pgcDigitalParams->count(); ++tab)
        if (pgcDigitalParams->isTabVisible(tab)) {
            pgcDigitalParams->setCurrentIndex(tab);
            return;
        }
}

void TfrmPresetEditor::AnalogSwitched(int block) {
    if (Updating || block < 0 || block >= kAnalogBlockCount)
        return;
    const bool on = cklAnalogSelect->item(block)->checkState() == Qt::Checked;
    Preset->AnalogOn[static_cast<std::size_t>(block)] = on;
    if (on) {
        // A block switched on starts from its defaults; switched off, it keeps its values.
        const TAnalogBlock& info = AnalogBlocks()[static_cast<std::size_t>(block)];
        for (int slot = info.FirstSlot; slot < info.FirstSlot + info.ParameterCount; ++slot)
            Preset->ParameterValues[static_cast<std::size_t>(slot)] = DefaultParameterValue(slot);
        parameters->BindFixed(*Preset);
        pgcAnalogParams->setVisible(true);
    }
    pgcAnalogParams->setTabVisible(block, on);
    if (on)
        pgcAnalogParams->setCurrentIndex(block);
    RebuildControllerList();
    // A block switched off was the active tab for a moment: the first visible one takes over.
    if (!on || !pgcAnalogParams->isTabVisible(pgcAnalogParams->currentIndex())) {
        for (int tab = 0; tab < pgcAnalogParams->count(); ++tab)
            if (pgcAnalogParams->isTabVisible(tab)) {
                pgcAnalogParams->setCurrentIndex(tab);
                break;
            }
    }
    pgcAnalogParams->setVisible(pgcAnalogParams->isTabVisible(pgcAnalogParams->currentIndex()));
    EvaluateSwitches();
    ImmediateChange();
}

void TfrmPresetEditor::ChainChanged() {
    BindDigital();
    EvaluateSwitches();
    RebuildControllerList();
}

bool TfrmPresetEditor::Regroup(const std::function<void()>& takeBack) {
    try {
        DetermineDigitalGroup(*Preset, Names(*lbxDigSel));
    } catch (const std::exception& error) {
        // No group runs this selection: the lists go back to what they were.
        takeBack();
        RefreshAvailable();
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("Preset error"));
        return false;
    }
    lblDigGrp->setText(QStringLiteral("Group #%1").arg(Preset->DigitalGroup));
    RefreshAvailable();
    ChainChanged();
    return true;
}

void TfrmPresetEditor::AddDigitalEffect() {
    QListWidgetItem* item = lbxDigAvail->currentItem();
    if (item == nullptr)
        return;
    const QString name = item->text();
    lbxDigSel->addItem(name);
    delete lbxDigAvail->takeItem(lbxDigAvail->row(item));
    if (!Regroup([this] { delete lbxDigSel->takeItem(lbxDigSel->count() - 1); }))
        return;
    btnAddDfx->setEnabled(false);
    if (QWidget* tab = parameters->DigitalTab(
            std::string(DigitalEffectPage(EffectIndexByName(name.toStdString())))))
        pgcDigitalParams->setCurrentWidget(tab);
    ImmediateChange();
}

void TfrmPresetEditor::RemoveDigitalEffect() {
    QListWidgetItem* item = lbxDigSel->currentItem();
    if (item == nullptr)
        return;
    const QString name = item->text();
    const int row = lbxDigSel->row(item);
    lbxDigAvail->addItem(name);
    delete lbxDigSel->takeItem(row);
    if (!Regroup([this, row, name] { lbxDigSel->insertItem(row, name); }))
        return;
    lbxDigSel->setCurrentRow(-1);
    btnDelDfx->setEnabled(false);
    ImmediateChange();
}

void TfrmPresetEditor::PickDigitalGroup() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TfrmPickList pick(this);
    pick.setObjectName(QStringLiteral("frmPickList"));
    pick.setWindowTitle(QStringLiteral("Valid Digital Groups"));
    for (int group = 0; group < DigitalGroupCount; ++group) {
        QStringList names;
        for (const int effect : GroupRow(group))
            names << Text(DigitalEffectName(effect));
        pick.AddLine(QStringLiteral("%1. ").arg(group) + names.join(QStringLiteral(", ")));
    }
    QApplication::restoreOverrideCursor();
    if (pick.exec() != QDialog::Accepted || pick.ChosenIndex < 0)
        return;
    const int chosen = pick.ChosenIndex;
    for (int row = lbxDigSel->count() - 1; row >= 0; --row) {
        int effect = -1; // a name the model in use does not know belongs to no group of it
        try {
            effect = EffectIndexByName(lbxDigSel->item(row)->text().toStdString());
        } catch (const std::exception&) {
        }
        if (effect < 0 || !GroupContains(chosen, effect)) {
            lbxDigSel->setCurrentRow(row);
            RemoveDigitalEffect();
        }
    }
    for (const int effect : GroupRow(chosen)) {
        const QString name = Text(DigitalEffectName(effect));
        if (!lbxDigSel->findItems(name, Qt::MatchExactly).isEmpty())
            continue;
        const QList<QListWidgetItem*> available = lbxDigAvail->findItems(name, Qt::MatchExactly);
        if (available.isEmpty())
            continue;
        lbxDigAvail->setCurrentItem(available.first());
        AddDigitalEffect();
    }
}
