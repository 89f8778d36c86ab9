// Backup and listing options.

#include "app/BkupOpt.h"

#include "base/Dialogs.h"
#include "base/PrintCommon.h"
#include "base/StorePrompt.h"
#include "base/qvUtility.h"
#include "controls/qvRadioGroup.h"
#include "model/DeviceMode.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace {
constexpr int kPresetCount = 200;
// Program changes reach only 128 presets of a Pre-Plenova unit.
constexpr int kProgramChangeCount = 128;
constexpr int kMaxRequestDelay = 10000;
const QString kUntitled = QStringLiteral("Untitled");
const QString kBankLetters = QStringLiteral("ABCD");

// (object name, text), as every widget helper of this form takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QLineEdit* NumberBox(const QString& name, const QString& text, QWidget* parent) {
    auto* edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    edit->installEventFilter(parent);
    return edit;
}

TUpDown* UpDown(const QString& name, QLineEdit* edit, int position, QWidget* parent) {
    auto* upDown = new TUpDown(parent);
    upDown->setObjectName(name);
    upDown->SetPosition(position);
    QObject::connect(upDown, &TUpDown::Clicked, edit,
                     [edit](int value) { edit->setText(QString::number(value)); });
    // The arrows step on from what the box shows, typed or not.
    QObject::connect(edit, &QLineEdit::textChanged, upDown, [upDown](const QString& text) {
        bool ok = false;
        const int value = text.toInt(&ok);
        if (ok)
            upDown->SetPosition(value);
    });
    return upDown;
}

// (object name, caption), as every widget helper of this form takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QCheckBox* CheckBox(const QString& name, const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    return box;
}

// (object name, caption), as every widget helper of this form takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QLabel* Label(const QString& name, const QString& caption, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    return label;
}

// (object name, caption, hint), as every widget helper takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QPushButton* Button(const QString& name, const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    return button;
}

} // namespace

TfrmBkupOpt::TfrmBkupOpt(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmBkupOpt"));
    setWindowTitle(QStringLiteral("Automated backup and print options"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    lblCurrentBank = Label(QStringLiteral("lblCurrentBank"), QString(), this);

    grpBankOpts = new QGroupBox(QStringLiteral("Get presets for"), this);
    grpBankOpts->setObjectName(QStringLiteral("grpBankOpts"));
    chkBankA = CheckBox(QStringLiteral("chkBankA"), QStringLiteral("Bank &A"), grpBankOpts);
    chkBankB = CheckBox(QStringLiteral("chkBankB"), QStringLiteral("Bank &B"), grpBankOpts);
    chkBankC = CheckBox(QStringLiteral("chkBankC"), QStringLiteral("Bank &C"), grpBankOpts);
    chkBankD = CheckBox(QStringLiteral("chkBankD"), QStringLiteral("Bank &D"), grpBankOpts);
    auto* banks = new QGridLayout(grpBankOpts);
    banks->addWidget(chkBankA, 0, 0);
    banks->addWidget(chkBankB, 0, 1);
    banks->addWidget(chkBankC, 1, 0);
    banks->addWidget(chkBankD, 1, 1);

    ragLoopMethod = new TqvRadioGroup(this);
    ragLoopMethod->setObjectName(QStringLiteral("ragLoopMethod"));
    ragLoopMethod->setTitle(QStringLiteral("Loop thru presets"));
    ragLoopMethod->SetColumns(2);
    ragLoopMethod->SetItems(
        {QStringLiteral("By Preset Number"), QStringLiteral("By Program Change (MPT)")});
    ragLoopMethod->SetItemIndex(0);
    connect(ragLoopMethod, &TqvRadioGroup::Click, this, &TfrmBkupOpt::LoopMethodClick);

    Label1 = Label(QStringLiteral("Label1"), QStringLiteral("Start with preset no."), this);
    edtFirstNo = NumberBox(QStringLiteral("edtFirstNo"), QStringLiteral("1"), this);
    updFirstNo = UpDown(QStringLiteral("updFirstNo"), edtFirstNo, 1, this);
    Label2 = Label(QStringLiteral("Label2"), QStringLiteral("thru preset no."), this);
    edtLastNo = NumberBox(QStringLiteral("edtLastNo"), QString::number(kPresetCount), this);
    updLastNo = UpDown(QStringLiteral("updLastNo"), edtLastNo, kPresetCount, this);

    chkUntitled =
        CheckBox(QStringLiteral("chkUntitled"), QStringLiteral("&Save untitled presets as:"), this);
    edtUntitled = new QLineEdit(kUntitled, this);
    edtUntitled->setObjectName(QStringLiteral("edtUntitled"));
    edtUntitled->setEnabled(false);
    // The name stands where a title would: printable ASCII, as long as a title.
    edtUntitled->setMaxLength(kTitleLength);
    edtUntitled->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x20-\\x7E]*")), edtUntitled));
    connect(chkUntitled, &QCheckBox::clicked, this, &TfrmBkupOpt::UntitledClick);

    chkSave = CheckBox(QStringLiteral("chkSave"), QStringLiteral("Save to &files"), this);
    chkSkipExisting = CheckBox(QStringLiteral("chkSkipExisting"),
                               QStringLiteral("Skip presets already saved"), this);
    chkPrint = CheckBox(QStringLiteral("chkPrint"), QStringLiteral("&Print preset list"), this);
    connect(chkSave, &QCheckBox::clicked, this, &TfrmBkupOpt::SaveClick);
    connect(chkPrint, &QCheckBox::clicked, this, &TfrmBkupOpt::PrintClick);

    btnPrtSetup = Button(QStringLiteral("btnPrtSetup"), QStringLiteral("Set&up"), this);
    btnPrtSetup->setToolTip(QStringLiteral("Printer selection/configuration"));
    btnPrtSetup->setDefault(true);
    connect(btnPrtSetup, &QPushButton::clicked, this, [this] { PrinterSetup(this); });

    lblReqDelay = Label(QStringLiteral("lblReqDelay"), QStringLiteral("Request delay (ms)"), this);
    edtReqDelay = NumberBox(QStringLiteral("edtReqDelay"), QString::number(1000), this);
    lblReqDelay->setBuddy(edtReqDelay);

    lblOutPut = Label(QStringLiteral("lblOutPut"),
                      QStringLiteral("Output directory (bank subdirectories will be created as "
                                     "needed)"),
                      this);
    edtPath = new QLineEdit(this);
    edtPath->setObjectName(QStringLiteral("edtPath"));
    edtPath->setMinimumWidth(edtPath->fontMetrics().averageCharWidth() * 48);
    btnBrowse = Button(QStringLiteral("btnBrowse"), QStringLiteral("B&rowse"), this);
    connect(btnBrowse, &QPushButton::clicked, this, &TfrmBkupOpt::BrowseClick);

    btnOk = Button(QStringLiteral("btnOk"), QStringLiteral("OK"), this);
    btnCancel = Button(QStringLiteral("btnCancel"), QStringLiteral("Cancel"), this);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    if (PrePlenovaMode) {
        for (QCheckBox* bank : {chkBankA, chkBankB, chkBankC, chkBankD})
            bank->setEnabled(false);
        lblOutPut->setText(QStringLiteral("Output directory:"));
    }

    // Top to bottom: what is walked, what becomes of each preset, where the files go.
    auto* range = new QHBoxLayout;
    range->addWidget(Label1);
    range->addWidget(edtFirstNo);
    range->addWidget(updFirstNo);
    range->addSpacing(16);
    range->addWidget(Label2);
    range->addWidget(edtLastNo);
    range->addWidget(updLastNo);
    range->addStretch();

    auto* untitled = new QHBoxLayout;
    untitled->addWidget(chkUntitled);
    untitled->addWidget(edtUntitled, 1);

    auto* output = new QGridLayout;
    output->addWidget(chkSave, 0, 0);
    output->addWidget(chkSkipExisting, 0, 1);
    output->addWidget(chkPrint, 1, 0);
    output->addWidget(btnPrtSetup, 1, 1, Qt::AlignLeft);
    output->setColumnStretch(1, 1);

    auto* delay = new QHBoxLayout;
    delay->addWidget(lblReqDelay);
    delay->addWidget(edtReqDelay);
    delay->addStretch();

    auto* path = new QHBoxLayout;
    path->addWidget(edtPath, 1);
    path->addWidget(btnBrowse);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto* choices = new QHBoxLayout;
    choices->addWidget(grpBankOpts);
    choices->addWidget(ragLoopMethod, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblCurrentBank);
    layout->addLayout(choices);
    layout->addLayout(range);
    layout->addLayout(untitled);
    layout->addLayout(output);
    layout->addLayout(delay);
    layout->addWidget(lblOutPut);
    layout->addLayout(path);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    SaveClick();
}

void TfrmBkupOpt::Prepare(bool save, int currentBank, const QString& folder, int requestDelay) {
    chkSave->setChecked(save);
    SaveClick();
    chkPrint->setChecked(!save);
    PrintClick();
    if (PrePlenovaMode)
        lblCurrentBank->setText(QStringLiteral("Pre-Plenova unit - single bank"));
    else if (currentBank < 0 || currentBank > 3)
        lblCurrentBank->setText(QStringLiteral("Cannot determine current bank"));
    else
        lblCurrentBank->setText(QStringLiteral("Currently selected bank: ") +
                                kBankLetters[currentBank]);
    edtPath->setText(folder);
    chkBankA->setChecked(true);
    for (QCheckBox* bank : {chkBankB, chkBankC, chkBankD})
        bank->setChecked(!PrePlenovaMode);
    ragLoopMethod->SetItemIndex(0);
    LoopMethodClick();
    edtReqDelay->setText(QString::number(requestDelay));
}

TProcedureOptions TfrmBkupOpt::Results() const {
    TProcedureOptions options;
    options.Banks = {chkBankA->isChecked(), chkBankB->isChecked(), chkBankC->isChecked(),
                     chkBankD->isChecked()};
    options.LoopByPresetNumber = ragLoopMethod->ItemIndex() == 0;
    options.Save = chkSave->isChecked();
    options.Print = chkPrint->isChecked();
    options.OutputDirectory = edtPath->text();
    options.First = edtFirstNo->text().toInt();
    options.Last = edtLastNo->text().toInt();
    if (edtUntitled->isEnabled())
        options.UntitledName = edtUntitled->text().isEmpty() ? kUntitled : edtUntitled->text();
    options.SkipExisting = chkSave->isChecked() && chkSkipExisting->isChecked();
    options.RequestDelay = edtReqDelay->text().toInt();
    return options;
}

int TfrmBkupOpt::UpperLimit() const {
    return PrePlenovaMode && ragLoopMethod->ItemIndex() == 1 ? kProgramChangeCount : kPresetCount;
}

void TfrmBkupOpt::done(int result) {
    // Cancel too needs numbers in the boxes; only the range and the delay are left to OK.
    if (!CheckPresetNumber(edtFirstNo) || !CheckPresetNumber(edtLastNo))
        return;
    if (result == QDialog::Accepted && (!CheckRange() || !CheckRequestDelay()))
        return;
    QDialog::done(result);
}

bool TfrmBkupOpt::eventFilter(QObject* watched, QEvent* event) {
    const bool numberBox = watched == edtFirstNo || watched == edtLastNo || watched == edtReqDelay;
    if (!numberBox)
        return QDialog::eventFilter(watched, event);
    if (event->type() == QEvent::KeyPress)
        return DropsNonDigit(*static_cast<QKeyEvent*>(event));
    if (event->type() == QEvent::FocusOut && watched != edtReqDelay) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window taking over (the message box among them) is no leaving of the box;
        // neither is a press on OK or Cancel, whose close checks the box right after.
        const QWidget* next = QApplication::focusWidget();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            next != btnOk && next != btnCancel)
            CheckPresetNumber(static_cast<QLineEdit*>(watched));
    }
    return QDialog::eventFilter(watched, event);
}

void TfrmBkupOpt::LoopMethodClick() {
    const int limit = UpperLimit();
    updFirstNo->Max = limit;
    updLastNo->Max = limit;
    updFirstNo->SetPosition(updFirstNo->Position());
    edtLastNo->setText(QString::number(limit));
}

void TfrmBkupOpt::SaveClick() {
    const bool save = chkSave->isChecked();
    edtPath->setEnabled(save);
    btnBrowse->setEnabled(save);
    chkSkipExisting->setEnabled(save);
    PrintClick();
}

void TfrmBkupOpt::PrintClick() {
    btnOk->setEnabled(chkSave->isChecked() || chkPrint->isChecked());
}

void TfrmBkupOpt::UntitledClick() {
    const bool enable = chkUntitled->isChecked();
    if (enable && !edtUntitled->isEnabled() && edtUntitled->text().isEmpty())
        edtUntitled->setText(kUntitled);
    edtUntitled->setEnabled(enable);
}

void TfrmBkupOpt::BrowseClick() {
    QString folder = edtPath->text();
    if (!SelectFolder(QStringLiteral("Select output folder:"), folder))
        return;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    edtPath->setText(folder);
}

bool TfrmBkupOpt::CheckPresetNumber(QLineEdit* edit) {
    if (checking)
        return false;
    bool ok = false;
    const QString text = edit->text();
    const int number = text.toInt(&ok);
    if (ok && number >= 1 && number <= UpperLimit())
        return true;
    checking = true;
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    if (!ok)
        ShowMessage(this,
                    QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value"),
                    GetAppTitle());
    else
        ShowMessage(this, QStringLiteral("Invalid preset number"), GetAppTitle());
    checking = false;
    return false;
}

bool TfrmBkupOpt::CheckRange() {
    const int first = edtFirstNo->text().toInt();
    const int last = edtLastNo->text().toInt();
    if (last >= first && first >= 1 && last <= UpperLimit())
        return true;
    ShowMessage(this, QStringLiteral("Invalid preset number range"), QStringLiteral("Error"));
    return false;
}

bool TfrmBkupOpt::CheckRequestDelay() {
    bool ok = false;
    const int delay = edtReqDelay->text().toInt(&ok);
    if (ok && delay >= 1 && delay <= kMaxRequestDelay)
        return true;
    edtReqDelay->setFocus(Qt::OtherFocusReason);
    edtReqDelay->selectAll();
    ShowMessage(this, QStringLiteral("Request delay must be 1 to 10000 ms"),
                QStringLiteral("Error"));
    return false;
}
