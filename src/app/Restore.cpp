// The restore dialog: folder, banks and slots, and the list of what will be written.

#include "app/Restore.h"

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "link/RestoreWalk.h"
#include "model/DeviceMode.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

TfrmRestore::TfrmRestore(Planner plan, const QString& folder, QWidget* parent)
    : QDialog(parent), planner(std::move(plan)) {
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(QStringLiteral("Send presets to the unit"));

    auto* folderLabel =
        new QLabel(PrePlenovaMode ? QStringLiteral("Backup folder (preset files in it):")
                                  : QStringLiteral("Backup folder (with its bank sub-folders):"),
                   this);
    edtFolder = new QLineEdit(folder, this);
    edtFolder->setObjectName(QStringLiteral("edtFolder"));
    btnBrowse = new QPushButton(QStringLiteral("B&rowse"), this);
    btnBrowse->setObjectName(QStringLiteral("btnBrowse"));

    auto* banks = new QGroupBox(QStringLiteral("Send presets to"), this);
    auto* bankRow = new QHBoxLayout(banks);
    QCheckBox** boxes[] = {&chkBankA, &chkBankB, &chkBankC, &chkBankD};
    for (int bank = 0; bank < 4; ++bank) {
        const QChar letter = QLatin1Char(BankLetters[bank]);
        *boxes[bank] = new QCheckBox(QStringLiteral("Bank &") + letter, banks);
        (*boxes[bank])->setObjectName(QStringLiteral("chkBank") + letter);
        (*boxes[bank])->setChecked(true);
        (*boxes[bank])->setEnabled(!PrePlenovaMode);
        bankRow->addWidget(*boxes[bank]);
        connect(*boxes[bank], &QCheckBox::toggled, this, [this] { Replan(); });
    }

    auto* range = new QHBoxLayout;
    edtFirstNo = new QLineEdit(QStringLiteral("1"), this);
    edtFirstNo->setObjectName(QStringLiteral("edtFirstNo"));
    edtLastNo = new QLineEdit(QStringLiteral("200"), this);
    edtLastNo->setObjectName(QStringLiteral("edtLastNo"));
    for (QLineEdit* edit : {edtFirstNo, edtLastNo}) {
        edit->setFixedWidth(48);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this] { Replan(); });
    }
    range->addWidget(new QLabel(QStringLiteral("Slots"), this));
    range->addWidget(edtFirstNo);
    range->addWidget(new QLabel(QStringLiteral("thru"), this));
    range->addWidget(edtLastNo);
    range->addStretch(1);

    lvwPlan = new QTreeWidget(this);
    lvwPlan->setObjectName(QStringLiteral("lvwPlan"));
    lvwPlan->setRootIsDecorated(false);
    lvwPlan->setHeaderLabels({QStringLiteral("Slot"), QStringLiteral("Title in the file"),
                              QStringLiteral("Now in the unit"), QStringLiteral("File")});
    lvwPlan->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));

    btnOk = new QPushButton(QStringLiteral("&Send"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);

    auto* layout = new QGridLayout(this);
    layout->addWidget(folderLabel, 0, 0, 1, 2);
    layout->addWidget(edtFolder, 1, 0);
    layout->addWidget(btnBrowse, 1, 1);
    layout->addWidget(banks, 2, 0, 1, 2);
    layout->addLayout(range, 3, 0, 1, 2);
    layout->addWidget(lvwPlan, 4, 0, 1, 2);
    layout->addWidget(lblSummary, 5, 0, 1, 2);
    layout->addLayout(buttons, 6, 0, 1, 2);
    resize(720, 520);

    connect(edtFolder, &QLineEdit::textChanged, this, [this] { Replan(); });
    connect(btnBrowse, &QPushButton::clicked, this, [this] { BrowseClick(); });
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    Replan();
}

bool TfrmRestore::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == edtFirstNo || watched == edtLastNo) && event->type() == QEvent::KeyPress)
        return DropsNonDigit(*static_cast<QKeyEvent*>(event));
    return QDialog::eventFilter(watched, event);
}

void TfrmRestore::BrowseClick() {
    QString folder = edtFolder->text();
    if (SelectFolder(QStringLiteral("Select the backup folder:"), folder))
        edtFolder->setText(folder);
}

void TfrmRestore::Replan() {
    bool firstOk = false, lastOk = false;
    const int first = edtFirstNo->text().toInt(&firstOk);
    const int last = edtLastNo->text().toInt(&lastOk);
    lvwPlan->clear();
    plan.clear();
    const bool rangeOk = firstOk && lastOk && first >= 1 && last <= 200 && first <= last;
    if (rangeOk && !edtFolder->text().isEmpty())
        plan = planner(edtFolder->text(),
                       {chkBankA->isChecked(), chkBankB->isChecked(), chkBankC->isChecked(),
                        chkBankD->isChecked()},
                       first, last);
    for (const TRestoreItem& item : plan) {
        const QString slot = item.Bank >= 0
                                 ? QStringLiteral("%1 %2")
                                       .arg(QLatin1Char(BankLetters[item.Bank]))
                                       .arg(item.Slot, 3, 10, QLatin1Char('0'))
                                 : QStringLiteral("%1").arg(item.Slot, 3, 10, QLatin1Char('0'));
        auto* row = new QTreeWidgetItem(lvwPlan);
        row->setText(0, slot);
        row->setText(1, item.Problem.isEmpty() ? item.FileTitle
                                               : QStringLiteral("skipped: ") + item.Problem);
        row->setText(2, item.UnitTitle);
        row->setText(3, item.Path);
        if (!item.Problem.isEmpty())
            row->setForeground(1, palette().brush(QPalette::Disabled, QPalette::Text));
    }
    const int written = TRestoreWalk::WrittenCount(plan);
    const int skipped = static_cast<int>(plan.size()) - written;
    if (!rangeOk)
        lblSummary->setText(
            QStringLiteral("The slots run from 1 to 200, the first not after the last"));
    else if (plan.empty())
        lblSummary->setText(QStringLiteral("No preset files for these banks and slots"));
    else
        lblSummary->setText(
            QStringLiteral("%1 presets will be written%2")
                .arg(written)
                .arg(skipped > 0 ? QStringLiteral(", %1 files skipped").arg(skipped) : QString()));
    btnOk->setEnabled(written > 0);
}
