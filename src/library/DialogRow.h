#pragma once
// The row of buttons the library's dialogs end with: the given default button and "Cancel",
// which rejects the dialog, on the right.

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

inline QHBoxLayout* DialogRow(QDialog* dialog, QPushButton* ok) {
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    return buttons;
}
