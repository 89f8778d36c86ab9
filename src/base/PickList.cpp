// Pick list.

#include "base/PickList.h"

#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>

TfrmPickList::TfrmPickList(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPickList"));
    setWindowTitle(QStringLiteral("Pick one..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    lbxPickList = new QListWidget(this);
    lbxPickList->setObjectName(QStringLiteral("lbxPickList"));
    btnOk = new QPushButton(QStringLiteral("OK"), this);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnOk->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Cancel"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnOk->setGeometry(40, 0, 75, 25);
    btnCancel->setGeometry(125, 0, 75, 25);
    btnOk->setEnabled(false);
    connect(lbxPickList, &QListWidget::itemClicked, this, [this] { btnOk->setEnabled(true); });
    connect(lbxPickList, &QListWidget::itemDoubleClicked, this, [this] {
        TakeChoice();
        accept();
    });
    connect(btnOk, &QPushButton::clicked, this, [this] {
        TakeChoice();
        accept();
    });
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    resize(240, 300);
}

void TfrmPickList::AddLine(const QString& text) {
    lbxPickList->addItem(text);
}

void TfrmPickList::TakeChoice() {
    ChosenIndex = lbxPickList->currentRow();
    ChosenText =
        lbxPickList->currentItem() != nullptr ? lbxPickList->currentItem()->text() : QString();
}

void TfrmPickList::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    const int clientWidth = width();
    lbxPickList->setGeometry(0, 0, clientWidth, height() - 36);
    const int top = lbxPickList->height() + 7;
    // The two buttons stay side by side, centred as a pair.
    const int okLeft = (clientWidth + btnOk->x() - btnCancel->width() - btnCancel->x()) / 2;
    btnOk->move(okLeft, top);
    btnCancel->move(clientWidth - okLeft - btnCancel->width(), top);
}
