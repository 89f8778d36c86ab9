// A slot's history.

#include "library/SlotHistory.h"

#include "library/LibraryModel.h"
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

TfrmSlotHistory::TfrmSlotHistory(const TSlotMemory& slot, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSlotHistory"));
    setWindowTitle(QStringLiteral("History of %1 %2")
                       .arg(QLatin1Char(BankLetters[std::clamp(slot.Bank, 0, 3)]))
                       .arg(slot.Slot, 3, 10, QLatin1Char('0')));
    lvwVersions = new QTreeWidget(this);
    lvwVersions->setObjectName(QStringLiteral("lvwVersions"));
    lvwVersions->setRootIsDecorated(false);
    lvwVersions->setHeaderLabels({QStringLiteral("Title"), QStringLiteral("First seen"),
                                  QStringLiteral("How"), QStringLiteral("Last seen"),
                                  QStringLiteral("How"), QString()});
    for (std::size_t i = 0; i < slot.Versions.size(); ++i) {
        const TSlotVersion& version = slot.Versions[i];
        auto* item = new QTreeWidgetItem(lvwVersions);
        item->setText(0, QString::fromLatin1(PresetTitleOf(version.Dump).c_str()));
        item->setText(1, SeenText(version.FirstSeen));
        item->setText(2, QString::fromLatin1(SeenHowText(version.FirstHow)));
        item->setText(3, SeenText(version.LastSeen));
        item->setText(4, QString::fromLatin1(SeenHowText(version.LastHow)));
        item->setText(5, static_cast<int>(i) == slot.Current ? QStringLiteral("in the slot now")
                                                             : QString());
        item->setData(0, Qt::UserRole, static_cast<int>(i));
    }
    lvwVersions->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    btnOpen = new QPushButton(QStringLiteral("&Open"), this);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    btnPutBack = new QPushButton(QStringLiteral("&Put this version back"), this);
    btnPutBack->setObjectName(QStringLiteral("btnPutBack"));
    btnPutBack->setToolTip(QStringLiteral("Write this version into the slot again, what it holds "
                                          "now kept first"));
    btnCompareNow = new QPushButton(QStringLiteral("Co&mpare with now"), this);
    btnCompareNow->setObjectName(QStringLiteral("btnCompareNow"));
    btnCompareNow->setToolTip(QStringLiteral("What differs between this version and what the "
                                             "slot holds now"));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnCompareNow);
    buttons->addWidget(btnPutBack);
    buttons->addWidget(btnOpen);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lvwVersions, 1);
    layout->addLayout(buttons);
    resize(760, 320);
    const auto open = [this] {
        if (QTreeWidgetItem* item = lvwVersions->currentItem()) {
            Chosen = item->data(0, Qt::UserRole).toInt();
            accept();
        }
    };
    connect(btnOpen, &QPushButton::clicked, this, open);
    connect(btnPutBack, &QPushButton::clicked, this, [this, open] {
        PutBack = true;
        open();
    });
    connect(btnCompareNow, &QPushButton::clicked, this, [this, open] {
        CompareNow = true;
        open();
    });
    // The version the slot holds now is there already.
    const auto follow = [this, current = slot.Current] {
        const QTreeWidgetItem* item = lvwVersions->currentItem();
        btnPutBack->setEnabled(item != nullptr && item->data(0, Qt::UserRole).toInt() != current);
    };
    connect(lvwVersions, &QTreeWidget::currentItemChanged, this, follow);
    connect(lvwVersions, &QTreeWidget::itemActivated, this, open);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    if (lvwVersions->topLevelItemCount() > 0)
        lvwVersions->setCurrentItem(
            lvwVersions->topLevelItem(slot.Current >= 0 ? slot.Current : 0));
    follow();
}
