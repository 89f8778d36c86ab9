// Store prompt.

#include "base/StorePrompt.h"

#include "base/Dialogs.h"
#include "base/qvUtility.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TUpDown::TUpDown(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Up = new QToolButton(this);
    Up->setArrowType(Qt::UpArrow);
    Down = new QToolButton(this);
    Down->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {Up, Down}) {
        arrow->setFixedSize(18, 12);
        arrow->setAutoRepeat(true);
        layout->addWidget(arrow);
    }
    connect(Up, &QToolButton::clicked, this, [this] {
        SetPosition(position + 1);
        emit Clicked(position);
    });
    connect(Down, &QToolButton::clicked, this, [this] {
        SetPosition(position - 1);
        emit Clicked(position);
    });
}

void TUpDown::SetPosition(int value) {
    position = std::clamp(value, Min, Max);
}

TfrmStorePrompt::TfrmStorePrompt(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmStorePrompt"));
    setWindowTitle(QStringLiteral("Store Preset"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    chkDoSend = new QCheckBox(QStringLiteral("Send the current preset before storing"), this);
    chkDoSend->setObjectName(QStringLiteral("chkDoSend"));
    chkDoSend->setChecked(true);
    chkDoSend->setToolTip(
        QStringLiteral("Uncheck = store what's already loaded in the unit itself"));
    // Both on unless the user turned them off; the choice is kept for the next store.
    const auto remembered = [](const char* name) {
        return AppSettings == nullptr || AppSettings->GetBool(QString::fromLatin1(name),
                                                              {.CanCreate = true, .Default = true});
    };
    chkKeepReplaced = new QCheckBox(QStringLiteral("Keep the preset it replaces"), this);
    chkKeepReplaced->setObjectName(QStringLiteral("chkKeepReplaced"));
    chkKeepReplaced->setChecked(remembered("StoreKeepReplaced"));
    chkKeepReplaced->setToolTip(
        QStringLiteral("Fetch the slot's preset first and keep it, so the store can be undone"));
    chkVerify = new QCheckBox(QStringLiteral("Verify after storing"), this);
    chkVerify->setObjectName(QStringLiteral("chkVerify"));
    chkVerify->setChecked(remembered("StoreVerify"));
    chkVerify->setToolTip(QStringLiteral("Read the slot back and compare it with what was sent"));
    Label1 = new QLabel(QStringLiteral("Store current preset at location:"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    edtPresetNo = new QLineEdit(QStringLiteral("1"), this);
    edtPresetNo->setObjectName(QStringLiteral("edtPresetNo"));
    edtPresetNo->setFixedWidth(48);
    edtPresetNo->installEventFilter(this);
    updPresetNo = new TUpDown(this);
    updPresetNo->setObjectName(QStringLiteral("updPresetNo"));
    lblUnit = new QLabel(this);
    lblUnit->setObjectName(QStringLiteral("lblUnit"));
    lblUnit->hide();
    lblBank = new QLabel(this);
    lblBank->setObjectName(QStringLiteral("lblBank"));
    lblBank->hide();
    lblHolds = new QLabel(this);
    lblHolds->setObjectName(QStringLiteral("lblHolds"));
    lblHolds->hide();
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(lblUnit, 0, 0, 1, 5);
    layout->addWidget(chkDoSend, 1, 0, 1, 4);
    layout->addWidget(chkKeepReplaced, 2, 0, 1, 4);
    layout->addWidget(chkVerify, 3, 0, 1, 4);
    layout->addWidget(Label1, 4, 0, 1, 2);
    layout->addWidget(edtPresetNo, 4, 2);
    layout->addWidget(updPresetNo, 4, 3);
    layout->addWidget(lblBank, 4, 4);
    layout->addWidget(lblHolds, 5, 0, 1, 5);
    layout->addWidget(btnOK, 6, 1);
    layout->addWidget(btnCancel, 6, 2, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(updPresetNo, &TUpDown::Clicked, this,
            [this](int position) { edtPresetNo->setText(QString::number(position)); });
    connect(edtPresetNo, &QLineEdit::textChanged, this, [this] { ShowWhatItHolds(); });
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmStorePrompt::ShowWhatItHolds() {
    const int slot = Location();
    const QString text =
        OnSlotHolds && slot >= 1 && slot <= updPresetNo->Max ? OnSlotHolds(bank, slot) : QString();
    lblHolds->setText(text);
    lblHolds->setVisible(!text.isEmpty());
}

bool TfrmStorePrompt::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edtPresetNo && event->type() == QEvent::KeyPress) {
        // Only a character that is a number by itself is kept; backspace included, nothing else.
        return DropsNonDigit(*static_cast<QKeyEvent*>(event));
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmStorePrompt::SetUnit(const TUnitName& unit) {
    setWindowTitle(QStringLiteral("Store Preset") + unit.TitleSuffix());
    lblUnit->setText(unit.IntoText());
    lblUnit->setVisible(!lblUnit->text().isEmpty());
}

void TfrmStorePrompt::SetBank(int value) {
    bank = value >= 0 && value <= 3 ? value : -1;
    lblBank->setText(bank >= 0 ? QStringLiteral("in bank %1").arg(QChar(u'A' + bank)) : QString());
    lblBank->setVisible(bank >= 0);
    ShowWhatItHolds();
}

void TfrmStorePrompt::SetLocation(int location) {
    updPresetNo->SetPosition(location);
    edtPresetNo->setText(QString::number(updPresetNo->Position()));
}

int TfrmStorePrompt::Location() const {
    return edtPresetNo->text().toInt();
}

bool TfrmStorePrompt::SendFirst() const {
    return chkDoSend->isChecked();
}

bool TfrmStorePrompt::KeepReplaced() const {
    return chkKeepReplaced->isChecked();
}

bool TfrmStorePrompt::VerifyAfterStoring() const {
    return chkVerify->isChecked();
}

void TfrmStorePrompt::done(int result) {
    // OK and Cancel alike: the location must be a number within 1..200.
    bool ok = false;
    const QString text = edtPresetNo->text();
    const int location = text.toInt(&ok);
    if (!ok) {
        ShowMessage(this,
                    QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value"),
                    windowTitle());
        return;
    }
    SetLocation(location);
    if (edtPresetNo->text().toInt() != location) {
        ShowMessage(this, QStringLiteral("Preset number out of range"),
                    QStringLiteral("Invalid entry"));
        return;
    }
    if (result == QDialog::Accepted && AppSettings != nullptr) {
        AppSettings->PutBool(QStringLiteral("StoreKeepReplaced"), chkKeepReplaced->isChecked());
        AppSettings->PutBool(QStringLiteral("StoreVerify"), chkVerify->isChecked());
    }
    QDialog::done(result);
}
