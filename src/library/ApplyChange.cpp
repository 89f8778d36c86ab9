// The apply dialog: the change chosen, and its preview over the chosen presets.

#include "library/ApplyChange.h"

#include "base/qvUtility.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "model/PresetDiff.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
enum TKindRow { kSetRow, kByRow, kPasteRow };

// The parameters of an effect as the apply dialog lists them ("left delay lgth").
std::vector<std::string> ApplyParameterNames(const QString& effect) {
    const std::string name = effect.toStdString();
    const std::vector<TParameterInfo>* parameters = nullptr;
    if (name == "Mix")
        parameters = &MixParameters();
    for (int block = 0; block < kAnalogBlockCount; ++block)
        if (AnalogBlocks()[static_cast<std::size_t>(block)].Name == name)
            parameters = &AnalogPages()[static_cast<std::size_t>(block)].Parameters;
    for (int digital = 0; digital < kDigitalEffectTotal; ++digital)
        if (DigitalEffectName(digital) == name)
            parameters = &DigitalEffectPages()[static_cast<std::size_t>(digital)].Parameters;
    std::vector<std::string> names;
    if (parameters != nullptr)
        for (const TParameterInfo& parameter : *parameters) {
            std::string listed(parameter.Name);
            std::replace(listed.begin(), listed.end(), '_', ' ');
            names.push_back(listed);
        }
    return names;
}
} // namespace

QString UnchangeableReason(const TLibraryRow& row) {
    if (row.Source == TLibrarySource::Backup)
        return QStringLiteral("a backup's copy is a record of what was: it is not changed");
    if (row.Source == TLibrarySource::Kept)
        return QStringLiteral("a kept copy is a record of what was: it is not changed");
    if (row.Dump.empty())
        return QStringLiteral("never read: fetch it first [F5]");
    return {};
}

TfrmApplyChange::TfrmApplyChange(std::vector<TLibraryRow> chosen, std::optional<TEffectBlock> block,
                                 QWidget* parent)
    : QDialog(parent), rows(std::move(chosen)), copied(std::move(block)) {
    setObjectName(QStringLiteral("frmApplyChange"));
    setWindowTitle(QStringLiteral("Apply to selected"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    cbxKind = new QComboBox(this);
    cbxKind->setObjectName(QStringLiteral("cbxKind"));
    cbxKind->addItems(
        {QStringLiteral("Set a parameter to"), QStringLiteral("Change a parameter by"),
         copied ? QStringLiteral("Paste the copied %1 block").arg(Latin1Text(copied->Name()))
                : QStringLiteral("Paste a copied block (none copied)")});
    cbxEffect = new QComboBox(this);
    cbxEffect->setObjectName(QStringLiteral("cbxEffect"));
    cbxEffect->addItem(QStringLiteral("Mix"));
    for (const TAnalogBlock& analog : AnalogBlocks())
        cbxEffect->addItem(Latin1Text(analog.Name));
    for (int digital = 0; digital < kDigitalEffectTotal; ++digital)
        cbxEffect->addItem(Latin1Text(DigitalEffectName(digital)));
    cbxParameter = new QComboBox(this);
    cbxParameter->setObjectName(QStringLiteral("cbxParameter"));
    edtValue = new QLineEdit(this);
    edtValue->setObjectName(QStringLiteral("edtValue"));
    edtValue->setToolTip(QStringLiteral("As the editor shows the value (\"50%\", \"Hall-1\", "
                                        "\"1.2 s\"), or an amount with its sign (\"-3 dB\")"));
    const auto row = [&](const QString& caption, QWidget* field) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        form->addRow(label, field);
    };
    row(QStringLiteral("&Change:"), cbxKind);
    row(QStringLiteral("&Effect:"), cbxEffect);
    row(QStringLiteral("&Parameter:"), cbxParameter);
    row(QStringLiteral("&Value:"), edtValue);
    layout->addLayout(form);
    auto* previewLabel = new QLabel(QStringLiteral("W&hat it does:"), this);
    lstPreview = new QListWidget(this);
    lstPreview->setObjectName(QStringLiteral("lstPreview"));
    lstPreview->setAccessibleName(QStringLiteral("What it does"));
    previewLabel->setBuddy(lstPreview);
    layout->addWidget(previewLabel);
    layout->addWidget(lstPreview, 1);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    layout->addWidget(lblSummary);
    btnsApply = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    btnsApply->setObjectName(QStringLiteral("btnsApply"));
    btnsApply->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&Apply"));
    layout->addWidget(btnsApply);
    connect(btnsApply, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(btnsApply, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(cbxKind, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    connect(cbxEffect, &QComboBox::currentIndexChanged, this, [this] {
        FillParameters();
        UpdatePreview();
    });
    connect(cbxParameter, &QComboBox::currentIndexChanged, this, [this] { UpdatePreview(); });
    connect(edtValue, &QLineEdit::textChanged, this, [this] { UpdatePreview(); });
    if (copied)
        cbxKind->setCurrentIndex(kPasteRow);
    FillParameters();
    UpdatePreview();
    resize(640, 520);
}

void TfrmApplyChange::FillParameters() {
    const QSignalBlocker quiet(cbxParameter);
    cbxParameter->clear();
    for (const std::string& name : ApplyParameterNames(cbxEffect->currentText()))
        cbxParameter->addItem(QString::fromStdString(name));
}

TPresetEditReading TfrmApplyChange::Edit() const {
    TPresetEditReading reading;
    TPresetEdit edit;
    if (cbxKind->currentIndex() == kPasteRow) {
        if (!copied) {
            reading.Error = "Copy a block in an editor first (Ctrl+Shift+C)";
            return reading;
        }
        edit.Kind = TPresetEdit::TKind::Paste;
        edit.Block = *copied;
    } else {
        edit.Kind =
            cbxKind->currentIndex() == kByRow ? TPresetEdit::TKind::By : TPresetEdit::TKind::Set;
        edit.Effect = cbxEffect->currentText().toStdString();
        edit.Parameter = cbxParameter->currentText().toStdString();
        std::string value = edtValue->text().trimmed().replace(QChar(0x2212), '-').toStdString();
        if (edit.Kind == TPresetEdit::TKind::By && !value.empty() && value[0] != '+' &&
            value[0] != '-')
            value = "+" + value;
        edit.Value = value;
    }
    reading.Error = CheckPresetEdit(edit);
    if (reading.Error.empty())
        reading.Edit = edit;
    return reading;
}

void TfrmApplyChange::UpdatePreview() {
    const bool paste = cbxKind->currentIndex() == kPasteRow;
    cbxEffect->setEnabled(!paste);
    cbxParameter->setEnabled(!paste);
    edtValue->setEnabled(!paste);
    lstPreview->clear();
    QPushButton* apply = btnsApply->button(QDialogButtonBox::Ok);
    const TPresetEditReading reading = Edit();
    if (!reading.Edit) {
        lblSummary->setText(QString::fromStdString(reading.Error));
        apply->setEnabled(false);
        return;
    }
    int changed = 0;
    QStringList skipped;
    for (const TLibraryRow& row : rows) {
        const QString name = row.Place() + QStringLiteral(" ") + row.Title;
        if (const QString reason = UnchangeableReason(row); !reason.isEmpty()) {
            skipped << name + QStringLiteral(": ") + reason;
            continue;
        }
        const TPresetEditOutcome outcome = ApplyPresetEdit(*reading.Edit, row.Dump);
        if (outcome.Dump.empty()) {
            skipped << name + QStringLiteral(": ") + QString::fromStdString(outcome.Skipped);
            continue;
        }
        ++changed;
        lstPreview->addItem(name);
        for (const TPresetChange& change : DiffPresets(row.Dump, outcome.Dump))
            lstPreview->addItem(QStringLiteral("    ") + QString::fromStdString(change.Text()));
        if (!outcome.Clamped.empty())
            lstPreview->addItem(QStringLiteral("    (") + QString::fromStdString(outcome.Clamped) +
                                QStringLiteral(")"));
    }
    if (!skipped.isEmpty()) {
        lstPreview->addItem(QStringLiteral("Left as they are:"));
        for (const QString& line : skipped)
            lstPreview->addItem(QStringLiteral("    ") + line);
    }
    lblSummary->setText(QStringLiteral("%1: %2 of %3 presets change")
                            .arg(QString::fromStdString(reading.Edit->Text()))
                            .arg(changed)
                            .arg(rows.size()));
    apply->setEnabled(changed > 0);
}

QStringList TfrmApplyChange::PreviewLines() const {
    QStringList lines;
    for (int i = 0; i < lstPreview->count(); ++i)
        lines << lstPreview->item(i)->text();
    return lines;
}
