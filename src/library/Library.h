#pragma once
// The library window: every slot of the unit as remembered and every preset file in one place —
// the sources on the left, a table of the chosen one on the right — searchable by what a preset
// does, with each slot's history. What it cannot do itself (open an editor, talk to the unit) it
// asks of the main window.

#include "link/LibraryRows.h"

#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class QAbstractItemModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class TLibraryModel;

// Where the library finds what it lists.
struct TLibraryPlaces {
    const TUnitMemory* Memory = nullptr; // null: no unit chosen
    QString BackupFolder;                // backups are it and the folders in it
    QString PresetFolder;
    QString KeptFolder;
    bool SingleBank = false;
};

class TfrmLibrary : public QWidget {
    Q_OBJECT
public:
    explicit TfrmLibrary(QWidget* parent = nullptr);
    ~TfrmLibrary() override;

    std::function<TLibraryPlaces()> OnPlaces;
    // Opens a preset in an editor (a slot's: its store proposes that slot).
    std::function<void(const TLibraryRow& row)> OnOpen;
    // Reads these wanted (bank, slot) of the unit again.
    std::function<void(const std::vector<std::pair<int, int>>& wanted)> OnFetch;
    // Walks the unit's banks into its memory: banks, request delay, a dated backup too.
    struct TReadChoice {
        std::array<bool, 4> Banks{true, true, true, true};
        int RequestDelay = 1000;
        bool AlsoBackUp = false;
    };
    std::function<void(const TReadChoice& choice)> OnReadUnit;
    // Whether the unit can be asked now (no job runs), and why not.
    std::function<QString()> OnBusyReason;

    // Reads the sources again; the selection and the search stay.
    void Refresh();
    // What the unit's memory learnt about a slot, shown without reading everything again.
    // (bank, slot): a place of the unit, bank first, as everywhere.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void SlotChanged(int bank, int slot);
    // The rows the table shows now, in its order.
    std::vector<const TLibraryRow*> ShownRows() const;
    std::vector<const TLibraryRow*> SelectedRows() const;
    // The source shown: "unit", "backup:<name>", "presets", "kept".
    void ShowSource(const QString& source);

    QTreeWidget* tvwSources;
    QLineEdit* edtSearch;
    QLabel* lblSearch;
    QTableView* tblPresets;
    QPushButton* btnOpen;
    QPushButton* btnRead;
    QPushButton* btnFetch;
    QPushButton* btnHistory;
    QPushButton* btnSave;
    QLabel* lblCount;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BuildSources(const TLibraryPlaces& places);
    void LoadSource();
    void Search();
    void OpenSelected();
    void FetchSelected();
    void ShowHistory();
    void SaveSelected();
    void ReadUnit();
    void UpdateCommands();
    QString CurrentSource() const;
    // The selected rows as indexes of the source's rows; selects again the kept ones that show.
    std::vector<int> SelectedIndexes() const;
    void Reselect(const std::vector<bool>& keep, int current = -1);

    std::unique_ptr<TLibraryModel> model;
    TBackupIndex index; // the backups found by the last Refresh
    TLibraryPlaces places;
    bool refreshing = false;
};

// A slot's history: every preset it has held, when and how it was seen; one opens in an editor.
class TfrmSlotHistory : public QDialog {
    Q_OBJECT
public:
    TfrmSlotHistory(const TSlotMemory& slot, QWidget* parent = nullptr);
    QTreeWidget* lvwVersions;
    QPushButton* btnOpen;
    // The version chosen to open, when the dialog was accepted with Open.
    int Chosen = -1;
};

// "Read the unit...": the banks to read, the request delay, and whether to keep a backup too.
class TfrmReadUnit : public QDialog {
    Q_OBJECT
public:
    TfrmReadUnit(int requestDelay, bool singleBank, QWidget* parent = nullptr);
    TfrmLibrary::TReadChoice Choice() const;
    std::array<QCheckBox*, 4> chkBanks{};
    QLineEdit* edtDelay;
    QCheckBox* chkBackUp;
    QPushButton* btnOk;
};
