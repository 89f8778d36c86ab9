// The comparison of two presets in a box of its own.

#include "base/CompareDialog.h"

#include "model/PresetDiff.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

// (firstName, first, secondName, second): each preset after its name.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TfrmCompare::TfrmCompare(const QString& firstName, std::span<const std::uint8_t> first,
                         const QString& secondName, std::span<const std::uint8_t> second,
                         QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmCompare"));
    setWindowTitle(QStringLiteral("Compare %1 with %2").arg(firstName, secondName));
    const std::vector<TPresetChange> changes = DiffPresets(first, second);
    lblWhat = new QLabel(
        changes.empty() ? QStringLiteral("%1 and %2 are the same preset (the device byte aside).")
                              .arg(firstName, secondName)
                        : QStringLiteral("From %1 to %2, %3 difference%4:")
                              .arg(firstName, secondName)
                              .arg(changes.size())
                              .arg(changes.size() == 1 ? "" : "s"),
        this);
    lblWhat->setObjectName(QStringLiteral("lblWhat"));
    lblWhat->setWordWrap(true);
    lstDiff = new QListWidget(this);
    lstDiff->setObjectName(QStringLiteral("lstDiff"));
    lblWhat->setBuddy(lstDiff);
    for (const TPresetChange& change : changes)
        lstDiff->addItem(QString::fromStdString(change.Text()));
    lstDiff->setVisible(!changes.empty());
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblWhat);
    layout->addWidget(lstDiff, 1);
    layout->addLayout(buttons);
    resize(560, changes.empty() ? 120 : 420);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

QStringList TfrmCompare::Lines() const {
    QStringList lines;
    for (int row = 0; row < lstDiff->count(); ++row)
        lines << lstDiff->item(row)->text();
    return lines;
}
