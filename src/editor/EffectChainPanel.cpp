// The effect chain panel: the lists, the arrows and the group picker.

#include "editor/EffectChainPanel.h"

#include "base/Dialogs.h"
#include "base/PickList.h"
#include "base/qvUtility.h"
#include "editor/PresetDocument.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"

#include <QApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
std::vector<std::string> Names(const QListWidget& list) {
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(list.count()));
    for (int i = 0; i < list.count(); ++i)
        names.push_back(list.item(i)->text().toStdString());
    return names;
}
} // namespace

TEffectChainPanel::TEffectChainPanel(TPresetDocument& document, QWidget* parent)
    : QWidget(parent), document(document) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);

    grpAnalogFX = new QGroupBox(QStringLiteral("Analog Effects"), this);
    grpAnalogFX->setObjectName(QStringLiteral("grpAnalogFX"));
    cklAnalogSelect = new QListWidget(grpAnalogFX);
    cklAnalogSelect->setObjectName(QStringLiteral("cklAnalogSelect"));
    cklAnalogSelect->setAccessibleName(QStringLiteral("Analog effects in the chain"));
    cklAnalogSelect->setToolTip(QStringLiteral("Click on to add, off to remove effects"));
    // Two columns of six, as the blocks stand in the signal path.
    cklAnalogSelect->setFlow(QListView::TopToBottom);
    cklAnalogSelect->setWrapping(true);
    cklAnalogSelect->setResizeMode(QListView::Adjust);
    cklAnalogSelect->setUniformItemSizes(true);
    for (const TAnalogBlock& block : AnalogBlocks()) {
        auto* item = new QListWidgetItem(Latin1Text(block.Name), cklAnalogSelect);
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
            [this](QListWidgetItem* item) { SwitchAnalog(cklAnalogSelect->row(item)); });

    grpDigFX = new QGroupBox(QStringLiteral("Digital Effects"), this);
    grpDigFX->setObjectName(QStringLiteral("grpDigFX"));
    auto* digital = new QGridLayout(grpDigFX);
    lbxDigAvail = new QListWidget(grpDigFX);
    lbxDigAvail->setObjectName(QStringLiteral("lbxDigAvail"));
    lbxDigAvail->setAccessibleName(QStringLiteral("Digital effects available"));
    lbxDigAvail->setToolTip(QStringLiteral("Double-click (or use arrow) to add effect"));
    lbxDigSel = new QListWidget(grpDigFX);
    lbxDigSel->setObjectName(QStringLiteral("lbxDigSel"));
    lbxDigSel->setAccessibleName(QStringLiteral("Digital effects selected"));
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
    focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
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
}

TEffectChainPanel::~TEffectChainPanel() {
    // The focus leaves the panel's children as they go: not the arrows' business by then.
    disconnect(focusWatch);
}

void TEffectChainPanel::ShowRecord() {
    TPreset& preset = document.Preset;
    {
        const QSignalBlocker quiet(cklAnalogSelect);
        for (int block = 0; block < kAnalogBlockCount; ++block)
            cklAnalogSelect->item(block)->setCheckState(
                preset.AnalogOn[static_cast<std::size_t>(block)] ? Qt::Checked : Qt::Unchecked);
    }
    lbxDigSel->clear();
    if (preset.DigitalGroup == -1)
        DetermineDigitalGroup(preset, {});
    if (preset.DigitalGroup < 0 || preset.DigitalGroup >= DigitalGroupCount) {
        ShowMessage(this,
                    QStringLiteral("Digital effect configuration is invalid and will be ignored.\n"
                                   "The remaining preset data will be shown as is.\n"
                                   "Saving this preset may cause loss of data (but it appears "
                                   "corrupted already)."),
                    QStringLiteral("Preset error"));
        preset.DigitalGroup = 0;
        preset.DigitalOn.fill(false);
    }
    lblDigGrp->setText(QStringLiteral("Group #%1").arg(preset.DigitalGroup));
    for (const int effect : SelectedDigitalEffects(preset))
        lbxDigSel->addItem(Latin1Text(DigitalEffectName(effect)));
    RefreshAvailable();
}

void TEffectChainPanel::RefreshAvailable() {
    lbxDigAvail->clear();
    std::vector<std::string> available =
        AvailableDigitalEffects(document.Preset, Names(*lbxDigSel));
    std::sort(available.begin(), available.end());
    for (const std::string& name : available)
        lbxDigAvail->addItem(QString::fromStdString(name));
    btnAddDfx->setEnabled(false);
}

void TEffectChainPanel::SwitchAnalog(int block) {
    if (document.Updating || block < 0 || block >= kAnalogBlockCount)
        return;
    const bool on = cklAnalogSelect->item(block)->checkState() == Qt::Checked;
    document.Preset.AnalogOn[static_cast<std::size_t>(block)] = on;
    if (on) {
        // A block switched on starts from its defaults; switched off, it keeps its values.
        const TAnalogBlock& info = AnalogBlocks()[static_cast<std::size_t>(block)];
        for (int slot = info.FirstSlot; slot < info.FirstSlot + info.ParameterCount; ++slot)
            document.Preset.ParameterValues[static_cast<std::size_t>(slot)] =
                DefaultParameterValue(slot);
    }
    emit AnalogSwitched(block, on);
    document.ImmediateChange();
}

bool TEffectChainPanel::Regroup(const std::function<void()>& takeBack) {
    try {
        DetermineDigitalGroup(document.Preset, Names(*lbxDigSel));
    } catch (const std::exception& error) {
        // No group runs this selection: the lists go back to what they were.
        takeBack();
        RefreshAvailable();
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("Preset error"));
        return false;
    }
    lblDigGrp->setText(QStringLiteral("Group #%1").arg(document.Preset.DigitalGroup));
    RefreshAvailable();
    return true;
}

void TEffectChainPanel::AddDigitalEffect() {
    QListWidgetItem* item = lbxDigAvail->currentItem();
    if (item == nullptr)
        return;
    const QString name = item->text();
    lbxDigSel->addItem(name);
    delete lbxDigAvail->takeItem(lbxDigAvail->row(item));
    if (!Regroup([this] { delete lbxDigSel->takeItem(lbxDigSel->count() - 1); }))
        return;
    btnAddDfx->setEnabled(false);
    emit DigitalChanged(EffectIndexByName(name.toStdString()));
    document.ImmediateChange();
}

void TEffectChainPanel::RemoveDigitalEffect() {
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
    emit DigitalChanged(-1);
    document.ImmediateChange();
}

void TEffectChainPanel::PickDigitalGroup() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TfrmPickList pick(this);
    pick.setObjectName(QStringLiteral("frmPickList"));
    pick.setWindowTitle(QStringLiteral("Valid Digital Groups"));
    for (int group = 0; group < DigitalGroupCount; ++group) {
        QStringList names;
        for (const int effect : GroupRow(group))
            names << Latin1Text(DigitalEffectName(effect));
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
        const QString name = Latin1Text(DigitalEffectName(effect));
        if (!lbxDigSel->findItems(name, Qt::MatchExactly).isEmpty())
            continue;
        const QList<QListWidgetItem*> available = lbxDigAvail->findItems(name, Qt::MatchExactly);
        if (available.isEmpty())
            continue;
        lbxDigAvail->setCurrentItem(available.first());
        AddDigitalEffect();
    }
}
