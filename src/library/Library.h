#pragma once
// The library window: every slot of the unit as remembered and every preset file in one place —
// the sources on the left, a table of the chosen one on the right — searchable by what a preset
// does, with each slot's history. What it cannot do itself (open an editor, talk to the unit) it
// asks of the main window.

#include "base/UnitName.h"
#include "link/LinkHost.h"
#include "link/PlanWalk.h"
#include "model/SetList.h"
#include "store/LibraryRows.h"
#include "store/PlanBuilders.h"

#include <QDialog>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAbstractItemModel;
class QAction;
class QComboBox;
class QListWidget;
class QMenuBar;
class QMimeData;
class QProgressBar;
class QSpinBox;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTreeWidget;
class QTreeWidgetItem;
class QDropEvent;
class QStackedWidget;
class TLibraryModel;
class TNoteStore;
class TSetList;
class TSetListModel;
struct TSongFound;

// Where the library finds what it lists.
struct TLibraryPlaces {
    const TUnitMemory* Memory = nullptr; // null: no unit chosen, or its port is not open
    TUnitName Unit;                      // named in the title and before each write
    QString BackupFolder;                // backups are it and the folders in it
    QString PresetFolder;
    QString KeptFolder;
    QString SetListFolder; // the set lists are the files in it
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
    // Reads the slots again; how many were read and remembered.
    std::function<int(const std::vector<TPlace>& wanted)> OnFetch;
    // Walks the unit's banks into its memory: banks, request delay, a dated backup too.
    struct TReadChoice {
        std::array<bool, 4> Banks{true, true, true, true};
        int RequestDelay = 1000;
        bool AlsoBackUp = false;
    };
    std::function<void(const TReadChoice& choice)> OnReadUnit;
    // Whether the unit can be asked now (no job runs), and why not.
    std::function<QString()> OnBusyReason;
    // Carries out a plan the user confirmed: each slot kept, written, verified, one journal step.
    std::function<TPlanCounts(const TWritePlan& plan)> OnWrite;
    // Undo (true) or redo of the journal's step; the host asks about slots changed meanwhile.
    std::function<void(bool undo)> OnReplay;
    // The unit's journal, for what Undo and Redo name; null: none.
    std::function<const TWriteJournal*()> OnJournal;
    // A program table read from a .syx file, for the table editor.
    std::function<void(const TBytes& table)> OnOpenTable;
    // The unit's program table, asked of it now; none when it did not answer.
    std::function<std::optional<TBytes>()> OnReadTable;
    // The unit's program table as last seen, nothing asked; none when it is not known.
    std::function<std::optional<TBytes>()> OnKnownTable;
    // The set list in the file played in the gig view, from a song (0-based).
    std::function<void(const QString& path, int firstSong)> OnGigView;
    // A set list's table, for the table editor.
    struct TSetListTableMade {
        TBytes Table;
        QString SetList; // its name
        QString Kept;    // the file the unit's table was kept in, to put it back; empty: none
        int Bank = 0;    // the bank of the songs' slots, which the table's programs call up
    };
    // The table in the table editor for a last look; its send is read back and compared.
    std::function<void(const TSetListTableMade& made)> OnSetListTable;

    // The plan told and, once confirmed, carried out; false when cancelled or refused. Told:
    // the user has seen and confirmed what it writes already.
    bool Carry(const TWritePlan& plan, bool told = false);
    // Presets dropped on the shown row's slot (and the slots after it); with swap, the one slot
    // dragged and that slot trade places.
    bool DropOn(int shownRow, const QMimeData& data, bool swap);

    // Reads the sources again; the selection and the search stay.
    void Refresh();
    // What the unit's memory learnt about a slot, shown without reading everything again.
    // (bank, slot): a place of the unit, bank first, as everywhere.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void SlotChanged(int bank, int slot);
    // How a job of the unit goes, under the table; nothing: it ended.
    void ShowProgress(const std::optional<TLinkProgress>& progress);
    // Ctrl+C in the window: the running job stops (a write after the slot being written).
    std::function<void()> OnStop;
    // The commands as the selection and the unit's journal allow them (Undo names its step).
    void UpdateCommands();
    // The rows the table shows now, in its order.
    std::vector<const TLibraryRow*> ShownRows() const;
    std::vector<const TLibraryRow*> SelectedRows() const;
    // The source shown: "unit", "backup:<name>", "presets", "kept", "setlist:<file>".
    void ShowSource(const QString& source);
    // The set list shown, its file; empty when the presets are.
    QString ShownSetList() const;
    // Presets dropped into a set list as songs before the song `at` (-1: after the last),
    // each titled as its preset; false when none could be added (said why).
    bool AddSongs(const QString& setList, int at, const QMimeData& data);

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
    QProgressBar* prbJob;
    QLabel* lblJob;
    QStackedWidget* pgsShown; // the presets, or a set list's songs
    QLabel* lblSetList;       // the lines of the set list's file that are no song
    QTableView* tblSongs;
    QPushButton* btnMakeTable;
    QPushButton* btnPlace;
    QMenuBar* mnuLibrary;
    QAction* miUndo;
    QAction* miRedo;
    QAction* miRename;
    QAction* miSend;
    QAction* miCopyBank;
    QAction* miCompare;
    QAction* miImport;
    QAction* miExport;
    QAction* miNewSetList;
    QAction* miRenameSetList;
    QAction* miDuplicateSetList;
    QAction* miDeleteSetList;
    QAction* miMakeTable;
    QAction* miPlaceSetList;
    QAction* miGigView;
    QAction* miPrintSetSheet;
    QAction* miCopySetSheet;
    QAction* miExportSetNames;
    QAction* miMark;
    QAction* miChanges;
    QAction* miDuplicates;
    QAction* miApply;

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
    void Rename();
    void SendToUnit();
    void CopyBank();
    void PutBack(int bank, int slot, const TBytes& dump);
    void CompareSelected();
    void ImportSyx();
    void ExportSyx();
    // The set lists (LibrarySetLists.cpp).
    void BuildSetListActions();
    void ShowSetList(const QString& path);
    std::vector<TSongFound> FindSongs(const TSetList& list, const QString& path) const;
    // The change made to the set list's file as it stands and saved; nothing changes when the
    // file cannot be read or refuses it (said why).
    bool ChangeSetList(const QString& path, const std::function<void(TSetList&)>& change);
    // The songs of these rows moved together before the song `before` of the list as it is.
    void MoveSongs(const std::vector<int>& rows, int before);
    void MoveSelectedSongs(int step);
    void RemoveSelectedSongs();
    std::vector<int> SelectedSongs() const;
    // A name asked for a set list file in the folder; empty when cancelled (or said why not).
    QString AskSetListName(const QString& caption, const QString& proposed);
    void NewSetList();
    void RenameSetList();
    void DuplicateSetList();
    void DeleteSetList();
    void MakeTable();
    void PlaceSetList();
    void ExportSetListNames();
    bool DropOnSongs(QDropEvent& drop);
    bool DropOnSources(QDropEvent& drop);
    // The unit's state marked, and the changes since a mark (LibraryMarks.cpp).
    void MarkState();
    void ChangesSince();
    // Tags, ratings and notes, and the duplicates (LibraryNotes.cpp).
    void SetUpNotes();
    void ReloadNotes();
    void FindDuplicates();
    // One change for the chosen presets, previewed, then written (LibraryApply.cpp).
    void ApplyToSelected();
    // The set list shown, read now; none when it cannot be read or has lines that are no song
    // (each song's place counts: one left out moves every later one), which is said under the
    // caption.
    std::optional<TSetList> WholeSetList(const QString& caption);
    // Reads the slots again before a plan is built on what they hold; false (and said) when not
    // every one could be.
    bool ReadAgain(const std::vector<TPlace>& wanted);
    bool Carry(const TPlanOrRefusal& planned);
    // Dumps into consecutive slots from (bank, slot); false (said why) when they do not fit.
    bool PlaceFrom(int bank, int slot, const std::vector<TBytes>& dumps, const QString& what);
    QString CurrentSource() const;
    // The selected rows as indexes of the source's rows; selects again the kept ones that show.
    std::vector<int> SelectedIndexes() const;
    void Reselect(const std::vector<bool>& keep, int current = -1);

    std::unique_ptr<TLibraryModel> model;
    std::unique_ptr<TSetListModel> songs;
    std::unique_ptr<TNoteStore> notes;
    QString setListPath; // the set list shown
    TBackupIndex index;  // the backups found by the last Refresh
    TLibraryPlaces places;
    bool refreshing = false;
};
