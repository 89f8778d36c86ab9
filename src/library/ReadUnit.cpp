// "Read the unit...".

#include "library/ReadUnit.h"

#include "base/Dialogs.h"
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

TfrmReadUnit::TfrmReadUnit(int requestDelay, bool singleBank, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmReadUnit"));
    setWindowTitle(QStringLiteral("Read the unit"));
    auto* layout = new QGridLayout(this);
    auto* banks = new QHBoxLayout;
    for (int bank = 0; bank < 4; ++bank) {
        auto*& box = chkBanks[static_cast<std::size_t>(bank)];
        box = new QCheckBox(QStringLiteral("Bank &") + QLatin1Char(BankLetters[bank]), this);
        box->setObjectName(QStringLiteral("chkBank") + QLatin1Char(BankLetters[bank]));
        box->setChecked(true);
        box->setEnabled(!singleBank);
        banks->addWidget(box);
    }
    layout->addLayout(banks, 0, 0, 1, 2);
    auto* delayLabel = new QLabel(QStringLiteral("Request &delay (ms):"), this);
    edtDelay = new QLineEdit(QString::number(requestDelay), this);
    edtDelay->setObjectName(QStringLiteral("edtDelay"));
    delayLabel->setBuddy(edtDelay);
    layout->addWidget(delayLabel, 1, 0);
    layout->addWidget(edtDelay, 1, 1);
    chkBackUp = new QCheckBox(QStringLiteral("Also write a dated &backup folder"), this);
    chkBackUp->setObjectName(QStringLiteral("chkBackUp"));
    layout->addWidget(chkBackUp, 2, 0, 1, 2);
    btnOk = new QPushButton(QStringLiteral("&Read"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    layout->addLayout(DialogRow(this, btnOk), 3, 0, 1, 2);
    connect(btnOk, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const int delay = edtDelay->text().toInt(&ok);
        if (!ok || delay < 1 || delay > 10000) {
            ShowMessage(this, QStringLiteral("The request delay is 1 to 10000 ms"),
                        QStringLiteral("Read the unit"));
            return;
        }
        accept();
    });
}

TfrmLibrary::TReadChoice TfrmReadUnit::Choice() const {
    TfrmLibrary::TReadChoice choice;
    for (int bank = 0; bank < 4; ++bank)
        choice.Banks[static_cast<std::size_t>(bank)] =
            chkBanks[static_cast<std::size_t>(bank)]->isChecked();
    choice.RequestDelay = edtDelay->text().toInt();
    choice.AlsoBackUp = chkBackUp->isChecked();
    return choice;
}
