// The preset editor's effect blocks: one effect's parameters copied to the clipboard and pasted
// into another preset's same effect, from the keys or the chain's menu.

#include "base/BlockClipboard.h"
#include "base/qvUtility.h"
#include "editor/EffectChainPanel.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTabWidget>

void TfrmPresetEditor::BuildBlockCommands() {
    actCopyBlock = new QAction(QStringLiteral("&Copy block"), this);
    actCopyBlock->setObjectName(QStringLiteral("actCopyBlock"));
    actCopyBlock->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    actCopyBlock->setToolTip(QStringLiteral("Copy every parameter of this effect"));
    actPasteBlock = new QAction(QStringLiteral("&Paste block"), this);
    actPasteBlock->setObjectName(QStringLiteral("actPasteBlock"));
    actPasteBlock->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+V")));
    actPasteBlock->setToolTip(
        QStringLiteral("Put the copied effect's parameters into this preset's same effect"));
    // The keys are taken by the window's key filter, before any control: the actions only show
    // them in the menu.
    actCopyBlock->setShortcutContext(Qt::WidgetShortcut);
    actPasteBlock->setShortcutContext(Qt::WidgetShortcut);
    connect(actCopyBlock, &QAction::triggered, this, [this] { CopyEffectBlock(); });
    connect(actPasteBlock, &QAction::triggered, this, [this] { PasteEffectBlock(); });
    for (QListWidget* list : {chain->cklAnalogSelect, chain->lbxDigSel}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QListWidget::customContextMenuRequested, this, [this, list](QPoint at) {
            // The block under the pointer is the one the menu speaks of.
            if (QListWidgetItem* item = list->itemAt(at))
                list->setCurrentItem(item);
            list->setFocus(Qt::PopupFocusReason);
            QMenu menu(this);
            menu.addAction(actCopyBlock);
            menu.addAction(actPasteBlock);
            actCopyBlock->setEnabled(ChosenBlock().has_value());
            actPasteBlock->setEnabled(BlockOnClipboard().has_value());
            menu.exec(list->viewport()->mapToGlobal(at));
            actCopyBlock->setEnabled(true);
            actPasteBlock->setEnabled(true);
        });
    }
}

std::optional<TfrmPresetEditor::TChosenBlock> TfrmPresetEditor::ChosenBlock() const {
    const TPreset& preset = document->Preset;
    // A block of the chain's lists, when one of them has the focus.
    QWidget* focus = focusWidget();
    if (focus == chain->cklAnalogSelect && chain->cklAnalogSelect->currentRow() >= 0)
        return TChosenBlock{TParameterOwner::Analog, chain->cklAnalogSelect->currentRow()};
    if (focus == chain->lbxDigSel && chain->lbxDigSel->currentItem() != nullptr) {
        const std::string name = chain->lbxDigSel->currentItem()->text().toStdString();
        for (const int effect : SelectedDigitalEffects(preset))
            if (DigitalEffectName(effect) == name)
                return TChosenBlock{TParameterOwner::Digital, effect};
    }
    // Else the effect whose page is shown.
    if (pgcPreset->currentWidget() == tsAnalogEffects && pgcAnalogParams->isVisible()) {
        const int block = pgcAnalogParams->currentIndex();
        if (block >= 0 && block < kAnalogBlockCount &&
            preset.AnalogOn[static_cast<std::size_t>(block)])
            return TChosenBlock{TParameterOwner::Analog, block};
    }
    if (pgcPreset->currentWidget() == tsDigitalEffects)
        for (const int effect : SelectedDigitalEffects(preset))
            if (parameters->DigitalTab(std::string(DigitalEffectPage(effect))) ==
                pgcDigitalParams->currentWidget())
                return TChosenBlock{TParameterOwner::Digital, effect};
    return std::nullopt;
}

void TfrmPresetEditor::CopyEffectBlock() {
    EndCompare();
    document->RecordPending(); // a slider still moving is part of what is copied
    const std::optional<TChosenBlock> chosen = ChosenBlock();
    const std::optional<TEffectBlock> block =
        chosen ? CopyBlock(document->Preset.Encode(), chosen->Owner, chosen->Effect) : std::nullopt;
    if (!block) {
        Say(QStringLiteral("Nothing to copy: choose an effect of the chain, or show its page"));
        return;
    }
    PutBlockOnClipboard(*block);
    Say(QStringLiteral("%1 copied: paste it into another preset [Ctrl+Shift+V]")
            .arg(Latin1Text(block->Name())));
}

void TfrmPresetEditor::PasteEffectBlock() {
    EndCompare();
    document->RecordPending(); // the paste is an undo step of its own
    const std::optional<TEffectBlock> block = BlockOnClipboard();
    if (!block) {
        Say(QStringLiteral("Nothing to paste: copy an effect block first [Ctrl+Shift+C]"));
        return;
    }
    const QString name = Latin1Text(block->Name());
    const std::vector<int> where =
        BlockSlots(document->Preset.Encode(), block->Owner, block->Effect);
    if (where.size() != block->Values.size()) {
        Say(QStringLiteral("Not pasted: this preset has no %1 in its chain").arg(name));
        return;
    }
    bool changes = false;
    for (std::size_t i = 0; i < where.size(); ++i) {
        int& value = document->Preset.ParameterValues[static_cast<std::size_t>(where[i])];
        changes = changes || value != block->Values[i];
        value = block->Values[i];
    }
    if (!changes) {
        Say(QStringLiteral("Not pasted: the %1 already has these settings").arg(name));
        return;
    }
    // The controls show the record again, on the pages they were on.
    const bool autoSend = chkAutoSend->isChecked();
    const int presetPage = pgcPreset->currentIndex();
    const int analogPage = pgcAnalogParams->currentIndex();
    const int digitalPage = pgcDigitalParams->currentIndex();
    ShowDocument();
    if (pgcAnalogParams->isTabVisible(analogPage))
        pgcAnalogParams->setCurrentIndex(analogPage);
    if (pgcDigitalParams->isTabVisible(digitalPage))
        pgcDigitalParams->setCurrentIndex(digitalPage);
    pgcPreset->setCurrentIndex(presetPage);
    chkAutoSend->setChecked(autoSend);
    document->ImmediateChange();
    const bool sent = lblStatus->text().contains(QStringLiteral("Sent"));
    Say(QStringLiteral("%1 pasted%2%3")
            .arg(name,
                 block->From.empty() ? QString()
                                     : QStringLiteral(" from ") + Latin1Text(block->From),
                 sent ? QStringLiteral(", Sent") : QString()));
}
