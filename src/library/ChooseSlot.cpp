// The choice of a bank and a first slot.

#include "library/ChooseSlot.h"

#include "library/DialogRow.h"
#include "model/Protocol.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

// (caption, what): the window's title, then the sentence above the choice.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TfrmChooseSlot::TfrmChooseSlot(const QString& caption, const QString& what, bool singleBank,
                               QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmChooseSlot"));
    setWindowTitle(caption);
    const bool copying = caption == QLatin1String("Copy bank");
    auto* layout = new QGridLayout(this);
    auto* label = new QLabel(what, this);
    layout->addWidget(label, 0, 0, 1, 2);
    const auto banks = [this] {
        auto* box = new QComboBox(this);
        for (int bank = 0; bank < 4; ++bank)
            box->addItem(QStringLiteral("Bank %1").arg(QLatin1Char(BankLetters[bank])));
        return box;
    };
    cbxFrom = banks();
    cbxFrom->setObjectName(QStringLiteral("cbxFrom"));
    cbxFrom->setVisible(copying);
    cbxBank = banks();
    cbxBank->setObjectName(QStringLiteral("cbxBank"));
    cbxBank->setEnabled(!singleBank);
    spnSlot = new QSpinBox(this);
    spnSlot->setObjectName(QStringLiteral("spnSlot"));
    spnSlot->setRange(1, singleBank ? 128 : 200);
    auto* onto =
        new QLabel(copying ? QStringLiteral("&onto bank:") : QStringLiteral("&Bank:"), this);
    onto->setBuddy(cbxBank);
    auto* at = new QLabel(QStringLiteral("&Slot:"), this);
    at->setBuddy(spnSlot);
    label->setBuddy(copying ? static_cast<QWidget*>(cbxFrom) : cbxBank);
    int row = 1;
    if (copying)
        layout->addWidget(cbxFrom, row++, 0, 1, 2);
    layout->addWidget(onto, row, 0);
    layout->addWidget(cbxBank, row++, 1);
    if (!copying) {
        layout->addWidget(at, row, 0);
        layout->addWidget(spnSlot, row++, 1);
    } else {
        at->hide();
        spnSlot->hide();
        cbxBank->setCurrentIndex(1);
    }
    btnOk = new QPushButton(QStringLiteral("&Next..."), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    layout->addLayout(DialogRow(this, btnOk), row, 0, 1, 2);
    connect(btnOk, &QPushButton::clicked, this, &QDialog::accept);
}
