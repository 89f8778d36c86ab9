// Report options of the program table.

#include "mpt/MPTRptOpt.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

TfrmMPTRptOpt::TfrmMPTRptOpt(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmMPTRptOpt"));
    setWindowTitle(QStringLiteral("Select report options"));
    regStyle = new QGroupBox(QStringLiteral("Report Style"), this);
    regStyle->setObjectName(QStringLiteral("regStyle"));
    styleButtons = new QButtonGroup(this);
    auto* items = new QVBoxLayout(regStyle);
    const QString captions[] = {QStringLiteral("Grid layout"),
                                QStringLiteral("List with filenames")};
    for (int index = 0; index < 2; ++index) {
        auto* button = new QRadioButton(captions[index], regStyle);
        styleButtons->addButton(button, index);
        items->addWidget(button);
    }
    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(regStyle);
    layout->addLayout(buttons);
}

void TfrmMPTRptOpt::SetStyle(int index) {
    if (QAbstractButton* button = styleButtons->button(index)) {
        button->setChecked(true);
        return;
    }
    // An exclusive group keeps one button checked; it has to let go to show no item.
    styleButtons->setExclusive(false);
    for (QAbstractButton* button : styleButtons->buttons())
        button->setChecked(false);
    styleButtons->setExclusive(true);
}

int TfrmMPTRptOpt::Style() const {
    return styleButtons->checkedId();
}
