// The duplicates of the library, in groups.

#include "library/DuplicatesDialog.h"

#include "base/CompareDialog.h"
#include "base/Dialogs.h"
#include "model/PresetDiff.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QTreeWidget* DuplicatesTree(QWidget* parent, const char* name, const QString& accessible) {
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(name));
    tree->setAccessibleName(accessible);
    tree->setColumnCount(3);
    tree->setHeaderLabels({QStringLiteral("Preset"), QStringLiteral("Title"),
                           QStringLiteral("Differs from the first")});
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    tree->header()->setStretchLastSection(true);
    return tree;
}

// The changes from one preset to another but for the title, in the compare's words.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): from, then to, as the compare reads
QString ChangesBesideTitle(const TLibraryRow& from, const TLibraryRow& to) {
    QStringList lines;
    for (const TPresetChange& change : DiffPresets(from.Dump, to.Dump))
        if (change.Control != "edtTitle")
            lines << QString::fromStdString(change.Text());
    return lines.join(QStringLiteral("; "));
}
} // namespace

QString DuplicateWhere(const TLibraryRow& row) {
    switch (row.Source) {
    case TLibrarySource::Unit:
        return QStringLiteral("unit ") + row.Place();
    case TLibrarySource::Kept:
        return QStringLiteral("kept: ") + row.Place();
    case TLibrarySource::Backup:
        return QStringLiteral("backup: ") + row.Path;
    case TLibrarySource::PresetFolder:
        break;
    }
    return QStringLiteral("presets: ") + row.Place();
}

TfrmDuplicates::TfrmDuplicates(std::vector<TLibraryRow> found, QWidget* parent)
    : QDialog(parent), rows(std::move(found)) {
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(QStringLiteral("Duplicates"));
    std::vector<TByteView> dumps;
    dumps.reserve(rows.size());
    for (const TLibraryRow& row : rows)
        dumps.emplace_back(row.Dump);
    same = SameContentGroups(dumps);
    near = NearContentGroups(dumps);

    lblSummary = new QLabel(this);
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setText(
        QStringLiteral("%1 presets looked at (the unit as remembered, the preset folder and the "
                       "kept copies): %2 kept more than once, %3 group%4 within a small step of "
                       "one parameter (at most 2 % of its range).")
            .arg(rows.size())
            .arg(same.size())
            .arg(near.size())
            .arg(near.size() == 1 ? "" : "s"));
    tabGroups = new QTabWidget(this);
    tabGroups->setObjectName(QStringLiteral("tabGroups"));
    tvwSame = DuplicatesTree(this, "tvwSame", QStringLiteral("The same but for the title"));
    tvwNear = DuplicatesTree(this, "tvwNear", QStringLiteral("Within a small step"));
    tabGroups->addTab(tvwSame, QStringLiteral("&The same but for the title (%1)").arg(same.size()));
    tabGroups->addTab(tvwNear, QStringLiteral("&Within a small step (%1)").arg(near.size()));
    Fill(tvwSame, same, false);
    Fill(tvwNear, near, true);

    btnOpen = new QPushButton(QStringLiteral("&Open"), this);
    btnOpen->setObjectName(QStringLiteral("btnOpen"));
    btnOpen->setToolTip(QStringLiteral("Open the chosen preset in an editor"));
    btnCompare = new QPushButton(QStringLiteral("&Compare..."), this);
    btnCompare->setObjectName(QStringLiteral("btnCompare"));
    btnCompare->setToolTip(QStringLiteral("Compare the chosen preset with its group's first"));
    btnMark = new QPushButton(QStringLiteral("&Mark the extra copies"), this);
    btnMark->setObjectName(QStringLiteral("btnMark"));
    btnMark->setToolTip(
        QStringLiteral("Tag every preset of the group but the first \"%1\"").arg(MarkTag()));
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {btnOpen, btnCompare, btnMark})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(tabGroups, 1);
    layout->addLayout(buttons);
    resize(900, 520);

    connect(btnOpen, &QPushButton::clicked, this, [this] { OpenChosen(); });
    connect(btnCompare, &QPushButton::clicked, this, [this] { CompareChosen(); });
    connect(btnMark, &QPushButton::clicked, this, [this] { MarkChosen(); });
    for (QTreeWidget* tree : {tvwSame, tvwNear}) {
        connect(tree, &QTreeWidget::currentItemChanged, this, [this] { UpdateButtons(); });
        connect(tree, &QTreeWidget::itemActivated, this, [this] { OpenChosen(); });
    }
    connect(tabGroups, &QTabWidget::currentChanged, this, [this] { UpdateButtons(); });
    UpdateButtons();
}

// (tree, groups, nearList): where the groups go, and whether they differ by a step.
void TfrmDuplicates::Fill(QTreeWidget* tree, const std::vector<TDuplicateGroup>& groups,
                          bool nearList) {
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const TDuplicateGroup& group = groups[g];
        const TLibraryRow& first = Row(group.Members.front());
        auto* item = new QTreeWidgetItem(tree);
        QString what = QStringLiteral("%1 presets").arg(group.Members.size());
        if (nearList) {
            QStringList names;
            for (const std::string& name : group.Parameters)
                names << QString::fromStdString(name);
            what += QStringLiteral(": ") + names.join(QStringLiteral(", "));
        }
        item->setText(0, what);
        item->setText(1, first.Title);
        item->setData(0, Qt::UserRole, static_cast<int>(g));
        item->setData(1, Qt::UserRole, -1);
        for (std::size_t m = 0; m < group.Members.size(); ++m) {
            const TLibraryRow& row = Row(group.Members[m]);
            auto* member = new QTreeWidgetItem(item);
            member->setText(0, DuplicateWhere(row) + (m == 0 ? QStringLiteral(" (first)") : ""));
            member->setText(1, row.Title);
            if (m > 0 && nearList)
                member->setText(2, ChangesBesideTitle(first, row));
            member->setData(0, Qt::UserRole, static_cast<int>(g));
            member->setData(1, Qt::UserRole, static_cast<int>(m));
        }
        item->setExpanded(true);
    }
    tree->resizeColumnToContents(0);
    tree->resizeColumnToContents(1);
    if (tree->topLevelItemCount() > 0)
        tree->setCurrentItem(tree->topLevelItem(0));
}

QTreeWidget* TfrmDuplicates::ShownTree() const {
    return tabGroups->currentIndex() == 0 ? tvwSame : tvwNear;
}

const TDuplicateGroup* TfrmDuplicates::ChosenGroup(int* member) const {
    const QTreeWidgetItem* item = ShownTree()->currentItem();
    if (item == nullptr)
        return nullptr;
    const std::vector<TDuplicateGroup>& groups = ShownTree() == tvwSame ? same : near;
    const int group = item->data(0, Qt::UserRole).toInt();
    if (group < 0 || group >= static_cast<int>(groups.size()))
        return nullptr;
    *member = item->data(1, Qt::UserRole).toInt();
    return &groups[static_cast<std::size_t>(group)];
}

void TfrmDuplicates::UpdateButtons() {
    int member = -1;
    const TDuplicateGroup* group = ChosenGroup(&member);
    btnOpen->setEnabled(group != nullptr);
    btnCompare->setEnabled(group != nullptr && member > 0);
    btnMark->setEnabled(group != nullptr);
}

void TfrmDuplicates::OpenChosen() {
    int member = -1;
    const TDuplicateGroup* group = ChosenGroup(&member);
    if (group != nullptr && OnOpen)
        OnOpen(Row(group->Members[static_cast<std::size_t>(std::max(member, 0))]));
}

void TfrmDuplicates::CompareChosen() {
    int member = -1;
    const TDuplicateGroup* group = ChosenGroup(&member);
    if (group == nullptr || member <= 0)
        return;
    const TLibraryRow& first = Row(group->Members.front());
    const TLibraryRow& other = Row(group->Members[static_cast<std::size_t>(member)]);
    TfrmCompare compare(DuplicateWhere(first), first.Dump, DuplicateWhere(other), other.Dump, this);
    compare.exec();
}

void TfrmDuplicates::MarkChosen() {
    int member = -1;
    const TDuplicateGroup* group = ChosenGroup(&member);
    if (group == nullptr || !OnMark)
        return;
    std::vector<const TLibraryRow*> copies;
    for (std::size_t m = 1; m < group->Members.size(); ++m)
        copies.push_back(&Row(group->Members[m]));
    const QString error = OnMark(copies, MarkTag());
    if (!error.isEmpty()) {
        ShowMessage(this, error, QStringLiteral("Mark the extra copies"));
        return;
    }
    QStringList names;
    for (const TLibraryRow* copy : copies)
        names << DuplicateWhere(*copy);
    ShowMessage(
        this, QStringLiteral("Marked \"%1\": %2").arg(MarkTag(), names.join(QStringLiteral(", "))),
        QStringLiteral("Mark the extra copies"), QMessageBox::Information);
}
