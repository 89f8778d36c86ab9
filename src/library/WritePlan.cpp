// The plan shown before a write.

#include "library/WritePlan.h"

#include "library/DialogRow.h"

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

TfrmWritePlan::TfrmWritePlan(const TWritePlan& plan, bool singleBank, const TUnitName& unit,
                             QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmWritePlan"));
    QString title = plan.Label;
    if (!title.isEmpty())
        title[0] = title[0].toUpper();
    setWindowTitle(title + unit.TitleSuffix());
    lblUnit = new QLabel(unit.IntoText(), this);
    lblUnit->setObjectName(QStringLiteral("lblUnit"));
    lblUnit->setWordWrap(true);
    lblUnit->setVisible(!lblUnit->text().isEmpty());
    const auto count = static_cast<int>(plan.Writes.size());
    lblPlan = new QLabel(
        QStringLiteral("%1 slot%2 of the unit will change. What each holds now is read and kept "
                       "first; each is read back after it is written. Undo [Ctrl+Z] puts "
                       "everything back.")
            .arg(count)
            .arg(count == 1 ? QStringLiteral("") : QStringLiteral("s")),
        this);
    lblPlan->setObjectName(QStringLiteral("lblPlan"));
    lblPlan->setWordWrap(true);
    lstPlan = new QListWidget(this);
    lstPlan->setObjectName(QStringLiteral("lstPlan"));
    lblPlan->setBuddy(lstPlan);
    for (const TPlannedWrite& write : plan.Writes)
        lstPlan->addItem(PlanLine(write, singleBank) +
                         (write.NowKnown ? QStringLiteral("  (kept)") : QString()));
    lstPlan->setCurrentRow(0);
    btnWrite = new QPushButton(QStringLiteral("&Write"), this);
    btnWrite->setObjectName(QStringLiteral("btnWrite"));
    QHBoxLayout* buttons = DialogRow(this, btnWrite);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblUnit);
    layout->addWidget(lblPlan);
    layout->addWidget(lstPlan, 1);
    layout->addLayout(buttons);
    resize(560, 360);
    connect(btnWrite, &QPushButton::clicked, this, &QDialog::accept);
}
