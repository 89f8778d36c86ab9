#pragma once
// "Apply to selected...": one change for the chosen presets — a parameter set to a value in its
// control's words, changed by an amount in its unit, or the copied effect block pasted — and,
// before anything is written, what it does to each preset in the compare's words and which
// presets it leaves as they are, and why.

#include "model/PresetEdit.h"
#include "store/LibraryRows.h"

#include <QDialog>
#include <optional>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QListWidget;

class TfrmApplyChange : public QDialog {
    Q_OBJECT
public:
    // The rows chosen (each with its dump); the block on the clipboard, if any.
    TfrmApplyChange(std::vector<TLibraryRow> rows, std::optional<TEffectBlock> copied,
                    QWidget* parent);

    // The change as the dialog stands, or what is wrong with it.
    TPresetEditReading Edit() const;
    // The preview's lines as shown.
    QStringList PreviewLines() const;

    QComboBox* cbxKind;
    QComboBox* cbxEffect;
    QComboBox* cbxParameter;
    QLineEdit* edtValue;
    QListWidget* lstPreview;
    QLabel* lblSummary;
    QDialogButtonBox* btnsApply;

private:
    void FillParameters();
    void UpdatePreview();

    std::vector<TLibraryRow> rows;
    std::optional<TEffectBlock> copied;
};

// Why the library does not change a row: a backup's file or a kept copy is a record of what
// was; empty for a slot or a preset file.
QString UnchangeableReason(const TLibraryRow& row);
