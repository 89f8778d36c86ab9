#pragma once
// "Find duplicates": groups of presets kept more than once across the unit and the preset
// folders, the same but for their titles, and, as a second list, the same but for the title and
// one parameter moved by a small step. From a group a preset is opened, compared with the
// group's first, or the group's extra copies are marked.

#include "model/Duplicates.h"
#include "store/LibraryRows.h"

#include <QDialog>
#include <functional>
#include <vector>

class QLabel;
class QPushButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

// How a row's preset is named in the list: "unit A 017", "presets: Slap.tmq".
QString DuplicateWhere(const TLibraryRow& row);

class TfrmDuplicates : public QDialog {
    Q_OBJECT
public:
    TfrmDuplicates(std::vector<TLibraryRow> rows, QWidget* parent = nullptr);

    // Opens the preset in an editor.
    std::function<void(const TLibraryRow& row)> OnOpen;
    // Marks the copies (each with the tag); empty, or what went wrong.
    std::function<QString(const std::vector<const TLibraryRow*>& copies, const QString& tag)>
        OnMark;

    // The tag the extra copies are marked with.
    static QString MarkTag() { return QStringLiteral("duplicate"); }

    QLabel* lblSummary;
    QTabWidget* tabGroups;
    QTreeWidget* tvwSame;
    QTreeWidget* tvwNear;
    QPushButton* btnOpen;
    QPushButton* btnCompare;
    QPushButton* btnMark;

    const std::vector<TDuplicateGroup>& SameGroups() const { return same; }
    const std::vector<TDuplicateGroup>& NearGroups() const { return near; }
    const TLibraryRow& Row(int index) const { return rows[static_cast<std::size_t>(index)]; }

private:
    void Fill(QTreeWidget* tree, const std::vector<TDuplicateGroup>& groups, bool nearList);
    QTreeWidget* ShownTree() const;
    // The group of the chosen item, and the member chosen (-1: the group itself).
    const TDuplicateGroup* ChosenGroup(int* member) const;
    void UpdateButtons();
    void OpenChosen();
    void CompareChosen();
    void MarkChosen();

    std::vector<TLibraryRow> rows;
    std::vector<TDuplicateGroup> same;
    std::vector<TDuplicateGroup> near;
};
