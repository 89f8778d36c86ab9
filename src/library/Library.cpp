// The library window.

#include "library/Library.h"

#include "base/CompareDialog.h"
#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "library/ChooseSlot.h"
#include "library/LibraryModel.h"
#include "library/PresetDrag.h"
#include "library/ReadUnit.h"
#include "library/SetListModel.h"
#include "library/SlotHistory.h"
#include "library/WritePlan.h"
#include "model/DeviceMode.h"
#include "model/FileNames.h"
#include "model/SyxFile.h"
#include "store/BackupFolder.h"
#include "store/NoteStore.h"
#include "store/SetListFiles.h"
#include "store/WholeFile.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDataStream>
#include <QDir>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <set>

namespace {
// (object name, caption, hint), as every widget helper takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    return button;
}
} // namespace

TfrmLibrary::TfrmLibrary(QWidget* parent)
    : QWidget(parent, Qt::Window), model(std::make_unique<TLibraryModel>()),
      songs(std::make_unique<TSetListModel>()) {
    setObjectName(QStringLiteral("frmLibrary"));
    setWindowTitle(QStringLiteral("Library"));

    tvwSources = new QTreeWidget(this);
    tvwSources->setObjectName(QStringLiteral("tvwSources"));
    tvwSources->setAccessibleName(QStringLiteral("Sources"));
    tvwSources->setHeaderHidden(true);
    tvwSources->setToolTip(QStringLiteral("Where the presets come from"));

    edtSearch = new QLineEdit(this);
    edtSearch->setObjectName(QStringLiteral("edtSearch"));
    edtSearch->setAccessibleName(QStringLiteral("Search"));
    edtSearch->setPlaceholderText(
        QStringLiteral("Search: words, drive>50, reverb type=Hall-1, bank:B, changed, untitled, "
                       "tag:live, rating>=2, note:church"));
    edtSearch->setClearButtonEnabled(true);
    edtSearch->setToolTip(QStringLiteral("Words find titles and effects; a parameter with =, !=, "
                                         "<, <=, >, >= compares its value as shown [Ctrl+F]"));
    lblSearch = new QLabel(this);
    lblSearch->setObjectName(QStringLiteral("lblSearch"));
    lblSearch->setWordWrap(true);
    lblSearch->hide();

    tblPresets = new QTableView(this);
    tblPresets->setObjectName(QStringLiteral("tblPresets"));
    tblPresets->setTabKeyNavigation(false); // Tab goes on to the next control, arrows within
    tblPresets->setAccessibleName(QStringLiteral("Presets"));
    tblPresets->setModel(model.get());
    tblPresets->setSortingEnabled(true);
    tblPresets->sortByColumn(kPlace, Qt::AscendingOrder);
    tblPresets->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblPresets->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tblPresets->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblPresets->verticalHeader()->hide();
    tblPresets->horizontalHeader()->setStretchLastSection(true);
    tblPresets->setWordWrap(false);
    // One line of text a row: a bank of 200 fits in fewer screens.
    tblPresets->verticalHeader()->setDefaultSectionSize(tblPresets->fontMetrics().height() + 6);
    tblPresets->installEventFilter(this);
    // Presets are dragged out of the table and dropped on a slot of the unit: the window plans
    // what a drop writes, so it takes the drop events itself.
    tblPresets->setDragDropMode(QAbstractItemView::DragDrop);
    tblPresets->setDefaultDropAction(Qt::CopyAction);
    tblPresets->viewport()->setAcceptDrops(true);
    tblPresets->viewport()->installEventFilter(this);
    SetUpNotes();

    btnOpen = Button(this, "btnOpen", QStringLiteral("&Open"),
                     QStringLiteral("Open the preset in an editor [Enter]"));
    btnRead = Button(this, "btnRead", QStringLiteral("&Read the unit..."),
                     QStringLiteral("Read banks of the unit into the library [Ctrl+R]"));
    btnFetch = Button(this, "btnFetch", QStringLiteral("&Fetch again"),
                      QStringLiteral("Read the selected slots of the unit again [F5]"));
    btnHistory = Button(this, "btnHistory", QStringLiteral("&History..."),
                        QStringLiteral("Every preset the slot has held [Ctrl+H]"));
    btnSave = Button(this, "btnSave", QStringLiteral("&Save to folder..."),
                     QStringLiteral("Write the selected presets as files [Ctrl+S]"));
    lblCount = new QLabel(this);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    prbJob = new QProgressBar(this);
    prbJob->setObjectName(QStringLiteral("prbJob"));
    prbJob->setMaximumWidth(200);
    prbJob->hide();
    lblJob = new QLabel(this);
    lblJob->setObjectName(QStringLiteral("lblJob"));
    lblJob->hide();

    auto* right = new QWidget(this);
    auto* column = new QVBoxLayout(right);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(edtSearch);
    column->addWidget(lblSearch);
    column->addWidget(tblPresets, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {btnOpen, btnHistory, btnFetch, btnRead, btnSave})
        buttons->addWidget(button);
    buttons->addStretch(1);
    buttons->addWidget(lblJob);
    buttons->addWidget(prbJob);
    buttons->addWidget(lblCount);
    column->addLayout(buttons);

    // A set list's songs in place of the presets while one is shown.
    lblSetList = new QLabel(this);
    lblSetList->setObjectName(QStringLiteral("lblSetList"));
    lblSetList->setWordWrap(true);
    lblSetList->hide();
    tblSongs = new QTableView(this);
    tblSongs->setObjectName(QStringLiteral("tblSongs"));
    tblSongs->setAccessibleName(QStringLiteral("Songs"));
    tblSongs->setTabKeyNavigation(false);
    tblSongs->setModel(songs.get());
    tblSongs->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblSongs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tblSongs->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                              QAbstractItemView::SelectedClicked);
    tblSongs->verticalHeader()->hide();
    tblSongs->horizontalHeader()->setStretchLastSection(true);
    tblSongs->setWordWrap(false);
    tblSongs->verticalHeader()->setDefaultSectionSize(tblSongs->fontMetrics().height() + 6);
    tblSongs->setToolTip(QStringLiteral(
        "Drop presets here to add songs; drag songs or press Alt+Up, Alt+Down to reorder them, "
        "Delete to remove them; double-click a song or its note to edit it"));
    // Songs are dragged within the list and presets dropped into it: the window saves the file
    // for each, so it takes the drop events itself.
    tblSongs->setDragDropMode(QAbstractItemView::DragDrop);
    tblSongs->setDefaultDropAction(Qt::MoveAction);
    tblSongs->viewport()->setAcceptDrops(true);
    tblSongs->viewport()->installEventFilter(this);
    tblSongs->installEventFilter(this);
    btnMakeTable = Button(this, "btnMakeTable", QStringLiteral("Make the program &table..."),
                          QStringLiteral("A program table in which program change 1 calls up "
                                         "the first song, 2 the second, and so on"));
    btnPlace = Button(this, "btnPlace", QStringLiteral("&Place on the unit..."),
                      QStringLiteral("The songs' presets into consecutive slots, so the unit's "
                                     "up switch steps through the set"));
    auto* setList = new QWidget(this);
    auto* songColumn = new QVBoxLayout(setList);
    songColumn->setContentsMargins(0, 0, 0, 0);
    songColumn->addWidget(lblSetList);
    songColumn->addWidget(tblSongs, 1);
    auto* songButtons = new QHBoxLayout;
    songButtons->addWidget(btnMakeTable);
    songButtons->addWidget(btnPlace);
    songButtons->addStretch(1);
    songColumn->addLayout(songButtons);
    pgsShown = new QStackedWidget(this);
    pgsShown->setObjectName(QStringLiteral("pgsShown"));
    pgsShown->addWidget(right);
    pgsShown->addWidget(setList);

    auto* split = new QSplitter(this);
    split->addWidget(tvwSources);
    split->addWidget(pgsShown);
    split->setStretchFactor(1, 1);
    split->setSizes({220, 880});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split);
    resize(1100, 640);

    mnuLibrary = new QMenuBar(this);
    mnuLibrary->setObjectName(QStringLiteral("mnuLibrary"));
    layout->setMenuBar(mnuLibrary);
    // (object name, caption, key): an action of the window's menus.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    const auto action = [this](const char* name, const QString& caption, const QKeySequence& key) {
        auto* made = new QAction(caption, this);
        made->setObjectName(QString::fromLatin1(name));
        made->setShortcut(key);
        made->setShortcutContext(Qt::WindowShortcut);
        addAction(made);
        return made;
    };
    miImport = action("miImport", QStringLiteral("&Import .syx..."), Qt::CTRL | Qt::Key_I);
    miExport = action("miExport", QStringLiteral("&Export as .syx..."), Qt::CTRL | Qt::Key_E);
    miUndo = action("miUndo", QStringLiteral("Undo"), Qt::CTRL | Qt::Key_Z);
    miRedo = action("miRedo", QStringLiteral("Redo"), Qt::CTRL | Qt::Key_Y);
    miRename = action("miRename", QStringLiteral("Re&name..."), Qt::Key_F2);
    miSend = action("miSend", QStringLiteral("&Send to the unit..."), Qt::CTRL | Qt::Key_U);
    miCopyBank = action("miCopyBank", QStringLiteral("&Copy bank..."), {});
    miCompare = action("miCompare", QStringLiteral("Co&mpare..."), Qt::CTRL | Qt::Key_D);
    miApply = action("miApply", QStringLiteral("&Apply to selected..."), {});
    QMenu* file = mnuLibrary->addMenu(QStringLiteral("&Library"));
    for (QPushButton* button : {btnRead, btnFetch, btnSave})
        connect(file->addAction(button->text()), &QAction::triggered, button, &QPushButton::click);
    file->addSeparator();
    file->addAction(miImport);
    file->addAction(miExport);
    file->addSeparator();
    miMark = action("miMark", QStringLiteral("Mark the unit's state..."), {});
    miChanges = action("miChanges", QStringLiteral("Changes since..."), {});
    file->addAction(miMark);
    file->addAction(miChanges);
    connect(miMark, &QAction::triggered, this, [this] { MarkState(); });
    connect(miChanges, &QAction::triggered, this, [this] { ChangesSince(); });
    miDuplicates = action("miDuplicates", QStringLiteral("Find &duplicates..."), {});
    file->addAction(miDuplicates);
    connect(miDuplicates, &QAction::triggered, this, [this] { FindDuplicates(); });
    file->addSeparator();
    connect(file->addAction(QStringLiteral("&Close")), &QAction::triggered, this, &QWidget::close);
    QMenu* edit = mnuLibrary->addMenu(QStringLiteral("&Edit"));
    edit->addAction(miUndo);
    edit->addAction(miRedo);
    edit->addSeparator();
    edit->addAction(miRename);
    edit->addAction(miSend);
    edit->addAction(miCopyBank);
    edit->addAction(miCompare);
    edit->addAction(miApply);
    connect(edit->addAction(btnHistory->text()), &QAction::triggered, btnHistory,
            &QPushButton::click);
    // What Undo and Redo name may have changed in another window.
    connect(edit, &QMenu::aboutToShow, this, [this] { UpdateCommands(); });
    tblPresets->setContextMenuPolicy(Qt::ActionsContextMenu);
    tblPresets->addActions({miRename, miSend, miCompare, miApply, miExport});
    connect(miUndo, &QAction::triggered, this, [this] {
        if (OnReplay)
            OnReplay(true);
        Refresh();
    });
    connect(miRedo, &QAction::triggered, this, [this] {
        if (OnReplay)
            OnReplay(false);
        Refresh();
    });
    connect(miRename, &QAction::triggered, this, [this] { Rename(); });
    connect(miSend, &QAction::triggered, this, [this] { SendToUnit(); });
    connect(miCopyBank, &QAction::triggered, this, [this] { CopyBank(); });
    connect(miCompare, &QAction::triggered, this, [this] { CompareSelected(); });
    connect(miApply, &QAction::triggered, this, [this] { ApplyToSelected(); });
    connect(miImport, &QAction::triggered, this, [this] { ImportSyx(); });
    connect(miExport, &QAction::triggered, this, [this] { ExportSyx(); });
    BuildSetListActions();

    connect(tvwSources, &QTreeWidget::currentItemChanged, this, [this] {
        if (!refreshing)
            LoadSource();
    });
    connect(edtSearch, &QLineEdit::textChanged, this, [this] { Search(); });
    connect(tblPresets, &QTableView::doubleClicked, this, [this](const QModelIndex& at) {
        if (model->flags(at).testFlag(Qt::ItemIsEditable))
            tblPresets->edit(at);
        else
            OpenSelected();
    });
    connect(tblPresets->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { UpdateCommands(); });
    connect(btnOpen, &QPushButton::clicked, this, [this] { OpenSelected(); });
    connect(btnRead, &QPushButton::clicked, this, [this] { ReadUnit(); });
    connect(btnFetch, &QPushButton::clicked, this, [this] { FetchSelected(); });
    connect(btnHistory, &QPushButton::clicked, this, [this] { ShowHistory(); });
    connect(btnSave, &QPushButton::clicked, this, [this] { SaveSelected(); });
    // The keys the buttons' hints name; a disabled button's key does nothing either.
    const auto key = [this](const QKeySequence& sequence, QPushButton* button) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isEnabled())
                button->click();
        });
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_R), btnRead);
    key(QKeySequence(Qt::Key_F5), btnFetch);
    key(QKeySequence(Qt::CTRL | Qt::Key_H), btnHistory);
    key(QKeySequence(Qt::CTRL | Qt::Key_S), btnSave);
    auto* stop = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_C), this);
    stop->setContext(Qt::WindowShortcut);
    connect(stop, &QShortcut::activated, this, [this] {
        if (OnStop)
            OnStop();
    });
    auto* find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        edtSearch->setFocus(Qt::ShortcutFocusReason);
        edtSearch->selectAll();
    });
    edtSearch->installEventFilter(this);
    UpdateCommands();
}

TfrmLibrary::~TfrmLibrary() = default;

void TfrmLibrary::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (tvwSources->topLevelItemCount() == 0)
        Refresh();
}

QString TfrmLibrary::CurrentSource() const {
    const QTreeWidgetItem* item = tvwSources->currentItem();
    return item == nullptr ? QStringLiteral("unit") : item->data(0, Qt::UserRole).toString();
}

void TfrmLibrary::BuildSources(const TLibraryPlaces& where) {
    const QString keep = CurrentSource();
    tvwSources->clear();
    // (text, key): what the item shows, then what it stands for.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    const auto add = [this](QTreeWidgetItem* parent, const QString& text, const QString& key) {
        auto* item =
            parent == nullptr ? new QTreeWidgetItem(tvwSources) : new QTreeWidgetItem(parent);
        item->setText(0, text);
        item->setData(0, Qt::UserRole, key);
        return item;
    };
    QTreeWidgetItem* unit = add(nullptr, QStringLiteral("The unit"), QStringLiteral("unit"));
    if (!where.SingleBank)
        for (int bank = 0; bank < 4; ++bank)
            add(unit, QStringLiteral("Bank %1").arg(QLatin1Char(BankLetters[bank])),
                QStringLiteral("unit:%1").arg(bank));
    QTreeWidgetItem* backupItem =
        add(nullptr, QStringLiteral("Backups"), QStringLiteral("backups"));
    backupItem->setFlags(backupItem->flags() & ~Qt::ItemIsSelectable);
    for (const TBackupInfo& backup : index.backups)
        add(backupItem, backup.Name, QStringLiteral("backup:") + backup.Path);
    add(nullptr, QStringLiteral("Preset folder"), QStringLiteral("presets"));
    add(nullptr, QStringLiteral("Kept copies"), QStringLiteral("kept"));
    QTreeWidgetItem* setLists =
        add(nullptr, QStringLiteral("Set lists"), QStringLiteral("setlists"));
    setLists->setFlags(setLists->flags() & ~Qt::ItemIsSelectable);
    if (!where.SetListFolder.isEmpty())
        for (const QString& file : SetListFiles(where.SetListFolder))
            add(setLists, QFileInfo(file).completeBaseName(), QStringLiteral("setlist:") + file);
    tvwSources->expandAll();
    QTreeWidgetItem* current = unit;
    for (QTreeWidgetItemIterator it(tvwSources); *it != nullptr; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == keep)
            current = *it;
    tvwSources->setCurrentItem(current);
}

void TfrmLibrary::Refresh() {
    places = OnPlaces ? OnPlaces() : TLibraryPlaces{};
    index = TBackupIndex(places.BackupFolder.isEmpty()
                             ? std::vector<TBackupInfo>()
                             : FindBackups(places.BackupFolder, places.SingleBank),
                         places.SingleBank);
    setWindowTitle(QStringLiteral("Library - ") + places.Unit.Text());
    ReloadNotes();
    refreshing = true;
    BuildSources(places);
    refreshing = false;
    LoadSource();
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TfrmLibrary::SlotChanged(int bank, int slot) {
    if (places.Memory == nullptr || !CurrentSource().startsWith(QStringLiteral("unit")))
        return;
    const int shownBank = places.SingleBank ? -1 : bank;
    for (TLibraryRow& row : model->Rows)
        if (row.Bank == shownBank && row.Slot == slot) {
            row = UnitRow(*places.Memory, bank, slot, places.SingleBank, index);
            Search(); // it may be found now, or no longer
            return;
        }
}

void TfrmLibrary::ShowSource(const QString& source) {
    for (QTreeWidgetItemIterator it(tvwSources); *it != nullptr; ++it)
        if ((*it)->data(0, Qt::UserRole).toString() == source)
            tvwSources->setCurrentItem(*it);
}

void TfrmLibrary::LoadSource() {
    // The selection survives: the same places are selected again.
    std::set<QString> selected;
    for (const TLibraryRow* row : SelectedRows())
        selected.insert(row->Place() + row->Path);
    const QString source = CurrentSource();
    if (source.startsWith(QStringLiteral("setlist:"))) {
        ShowSetList(source.mid(8));
        return;
    }
    setListPath.clear();
    pgsShown->setCurrentIndex(0);
    std::vector<TLibraryRow> rows;
    if (source.startsWith(QStringLiteral("unit"))) {
        if (places.Memory != nullptr) {
            rows = UnitRows(*places.Memory, places.SingleBank, index);
            if (source.startsWith(QStringLiteral("unit:"))) {
                const int bank = source.mid(5).toInt();
                rows.erase(
                    std::remove_if(rows.begin(), rows.end(),
                                   [bank](const TLibraryRow& row) { return row.Bank != bank; }),
                    rows.end());
            }
        }
    } else if (source.startsWith(QStringLiteral("backup:"))) {
        const QString path = source.mid(7);
        for (const TBackupInfo& backup : index.backups)
            if (backup.Path == path)
                rows = BackupRows(backup, places.SingleBank);
    } else if (source == QLatin1String("presets")) {
        rows = FileRows(places.PresetFolder, TLibrarySource::PresetFolder);
    } else if (source == QLatin1String("kept")) {
        rows = FileRows(places.KeptFolder, TLibrarySource::Kept);
    }
    model->Set(std::move(rows));
    Search();
    std::vector<bool> keep(model->Rows.size(), false);
    for (std::size_t i = 0; i < model->Rows.size(); ++i)
        keep[i] = selected.count(model->Rows[i].Place() + model->Rows[i].Path) > 0;
    Reselect(keep);
    tblPresets->resizeColumnsToContents();
}

void TfrmLibrary::Search() {
    // The rows selected stay selected where the query still finds them.
    std::vector<bool> keep(model->Rows.size(), false);
    for (const int row : SelectedIndexes())
        keep[static_cast<std::size_t>(row)] = true;
    const int current =
        tblPresets->currentIndex().isValid()
            ? model->Shown[static_cast<std::size_t>(tblPresets->currentIndex().row())]
            : -1;
    auto query = std::make_unique<TPresetQuery>(edtSearch->text().toStdString());
    QStringList errors;
    for (const std::string& error : query->Errors())
        errors << QString::fromStdString(error);
    lblSearch->setText(errors.join(QLatin1Char('\n')));
    lblSearch->setVisible(!errors.isEmpty());
    const std::vector<std::string> readingsOfQuery = query->Readings();
    model->SetQuery(std::move(query));
    Reselect(keep, current);
    lblCount->setText(QStringLiteral("%1 of %2").arg(model->rowCount()).arg(model->Rows.size()));
    QStringList readings;
    for (const std::string& reading : readingsOfQuery)
        readings << QString::fromStdString(reading);
    lblCount->setToolTip(readings.isEmpty()
                             ? QString()
                             : QStringLiteral("Read as: ") + readings.join(QStringLiteral("; ")));
    UpdateCommands();
}

std::vector<int> TfrmLibrary::SelectedIndexes() const {
    std::vector<int> rows;
    if (tblPresets->selectionModel() == nullptr)
        return rows;
    for (const QModelIndex& index : tblPresets->selectionModel()->selectedRows())
        if (index.row() >= 0 && index.row() < model->rowCount())
            rows.push_back(model->Shown[static_cast<std::size_t>(index.row())]);
    return rows;
}

void TfrmLibrary::Reselect(const std::vector<bool>& keep, int current) {
    // One range for every stretch of kept rows: selecting thousands one by one is slow.
    QItemSelection selection;
    int begin = -1;
    const int shown = model->rowCount();
    for (int row = 0; row <= shown; ++row) {
        const bool kept =
            row < shown &&
            keep[static_cast<std::size_t>(model->Shown[static_cast<std::size_t>(row)])];
        if (kept && begin < 0)
            begin = row;
        if (!kept && begin >= 0) {
            selection.select(model->index(begin, 0), model->index(row - 1, kColumns - 1));
            begin = -1;
        }
    }
    tblPresets->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    for (int row = 0; row < shown && current >= 0; ++row)
        if (model->Shown[static_cast<std::size_t>(row)] == current)
            tblPresets->selectionModel()->setCurrentIndex(model->index(row, 0),
                                                          QItemSelectionModel::NoUpdate);
}

std::vector<const TLibraryRow*> TfrmLibrary::ShownRows() const {
    std::vector<const TLibraryRow*> rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.push_back(&model->At(row));
    return rows;
}

std::vector<const TLibraryRow*> TfrmLibrary::SelectedRows() const {
    std::vector<const TLibraryRow*> rows;
    if (tblPresets->selectionModel() == nullptr)
        return rows;
    QModelIndexList chosen = tblPresets->selectionModel()->selectedRows();
    std::sort(chosen.begin(), chosen.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : chosen)
        if (index.row() >= 0 && index.row() < model->rowCount())
            rows.push_back(&model->At(index.row()));
    return rows;
}

void TfrmLibrary::UpdateCommands() {
    const std::vector<const TLibraryRow*> chosen = SelectedRows();
    bool anyDump = false, anySlot = false;
    for (const TLibraryRow* row : chosen) {
        anyDump = anyDump || !row->Dump.empty();
        anySlot = anySlot || row->Source == TLibrarySource::Unit;
    }
    btnOpen->setEnabled(chosen.size() == 1 && anyDump);
    btnSave->setEnabled(anyDump);
    btnFetch->setEnabled(anySlot);
    btnHistory->setEnabled(chosen.size() == 1 && chosen[0]->Source == TLibrarySource::Unit &&
                           places.Memory != nullptr &&
                           places.Memory->Slot(TPlace::Of(chosen[0]->Bank, chosen[0]->Slot)) !=
                               nullptr);
    btnRead->setEnabled(places.Memory != nullptr);
    const bool oneKnownSlot =
        chosen.size() == 1 && chosen[0]->Source == TLibrarySource::Unit && !chosen[0]->Dump.empty();
    miRename->setEnabled(oneKnownSlot ||
                         (!setListPath.isEmpty() && tblSongs->currentIndex().isValid()));
    miSend->setEnabled(anyDump && places.Memory != nullptr);
    miCopyBank->setEnabled(places.Memory != nullptr && !places.SingleBank);
    miApply->setEnabled(anyDump);
    miExport->setEnabled(model->rowCount() > 0);
    // Two presets with each other, or one with a preset file.
    int withDump = 0;
    for (const TLibraryRow* row : chosen)
        withDump += row->Dump.empty() ? 0 : 1;
    miCompare->setEnabled(withDump == static_cast<int>(chosen.size()) &&
                          (chosen.size() == 1 || chosen.size() == 2));
    const TWriteJournal* journal = OnJournal ? OnJournal() : nullptr;
    miUndo->setText(journal != nullptr ? journal->UndoText() : QStringLiteral("Undo"));
    miRedo->setText(journal != nullptr ? journal->RedoText() : QStringLiteral("Redo"));
    miUndo->setEnabled(journal != nullptr && journal->ToUndo() != nullptr);
    miRedo->setEnabled(journal != nullptr && journal->ToRedo() != nullptr);
    const bool setListShown = !setListPath.isEmpty();
    const bool anySongs = setListShown && songs->rowCount() > 0;
    miRenameSetList->setEnabled(setListShown);
    miDuplicateSetList->setEnabled(setListShown);
    miDeleteSetList->setEnabled(setListShown);
    miMakeTable->setEnabled(anySongs);
    btnMakeTable->setEnabled(anySongs);
    miPlaceSetList->setEnabled(anySongs && places.Memory != nullptr);
    miGigView->setEnabled(anySongs && OnGigView);
    miPrintSetSheet->setEnabled(anySongs);
    miCopySetSheet->setEnabled(anySongs);
    btnPlace->setEnabled(miPlaceSetList->isEnabled());
    miMark->setEnabled(places.Memory != nullptr);
    miChanges->setEnabled(places.Memory != nullptr);
}

void TfrmLibrary::ShowProgress(const std::optional<TLinkProgress>& progress) {
    prbJob->setVisible(progress.has_value());
    lblJob->setVisible(progress.has_value());
    if (!progress)
        return;
    prbJob->setRange(0, std::max(1, progress->Total));
    prbJob->setValue(std::min(progress->Done, progress->Total));
    lblJob->setText(progress->Text() + QStringLiteral(" [Ctrl+C stops]"));
}

void TfrmLibrary::OpenSelected() {
    const std::vector<const TLibraryRow*> chosen = SelectedRows();
    if (chosen.size() == 1 && !chosen[0]->Dump.empty() && OnOpen)
        OnOpen(*chosen[0]);
}

void TfrmLibrary::FetchSelected() {
    if (OnBusyReason && !OnBusyReason().isEmpty()) {
        ShowMessage(this, OnBusyReason(), QStringLiteral("Library"));
        return;
    }
    std::vector<TPlace> wanted;
    for (const TLibraryRow* row : SelectedRows())
        if (row->Source == TLibrarySource::Unit)
            wanted.push_back(TPlace::Of(row->Bank, row->Slot));
    if (!wanted.empty() && OnFetch) {
        OnFetch(wanted);
        Refresh();
    }
}

void TfrmLibrary::ShowHistory() {
    const std::vector<const TLibraryRow*> chosen = SelectedRows();
    if (chosen.size() != 1 || places.Memory == nullptr)
        return;
    const TSlotMemory* slot = places.Memory->Slot(TPlace::Of(chosen[0]->Bank, chosen[0]->Slot));
    if (slot == nullptr)
        return;
    TfrmSlotHistory history(*slot, this);
    if (history.exec() != QDialog::Accepted || history.Chosen < 0)
        return;
    const TBytes chosenDump = slot->Versions[static_cast<std::size_t>(history.Chosen)].Dump;
    if (history.PutBack) {
        PutBack(slot->Bank, slot->Slot, chosenDump);
        return;
    }
    if (history.CompareNow && slot->Now() != nullptr) {
        const TSlotVersion& version = slot->Versions[static_cast<std::size_t>(history.Chosen)];
        const QString place = SlotPlace(slot->Bank, slot->Slot, places.SingleBank);
        TfrmCompare compare(place + QStringLiteral(" as first seen ") + SeenText(version.FirstSeen),
                            version.Dump, place + QStringLiteral(" now"), slot->Now()->Dump, this);
        compare.exec();
        return;
    }
    if (!OnOpen)
        return;
    TLibraryRow version = *chosen[0];
    version.Dump = chosenDump;
    Describe(version);
    OnOpen(version);
}

void TfrmLibrary::ReadUnit() {
    if (OnBusyReason && !OnBusyReason().isEmpty()) {
        ShowMessage(this, OnBusyReason(), QStringLiteral("Library"));
        return;
    }
    TfrmReadUnit dialog(1000, places.SingleBank, this);
    if (dialog.exec() != QDialog::Accepted || !OnReadUnit)
        return;
    OnReadUnit(dialog.Choice());
    Refresh();
}

bool TfrmLibrary::eventFilter(QObject* watched, QEvent* event) {
    const bool dragging = event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
                          event->type() == QEvent::Drop;
    if (dragging && watched == tblSongs->viewport())
        return DropOnSongs(*static_cast<QDropEvent*>(event));
    if (dragging && watched == tvwSources->viewport())
        return DropOnSources(*static_cast<QDropEvent*>(event));
    if (watched == tblSongs && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool alt = key->modifiers() == Qt::AltModifier;
        if (alt && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
            MoveSelectedSongs(key->key() == Qt::Key_Up ? -1 : 1);
            return true;
        }
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            RemoveSelectedSongs();
            return true;
        }
    }
    if (watched == tblPresets->viewport() &&
        (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
         event->type() == QEvent::Drop)) {
        auto* drop = static_cast<QDropEvent*>(event);
        const QModelIndex under = tblPresets->indexAt(drop->position().toPoint());
        const bool onSlot =
            under.isValid() && places.Memory != nullptr &&
            model->At(under.row()).Source == TLibrarySource::Unit &&
            (drop->mimeData()->hasFormat(PresetsMime()) || drop->mimeData()->hasUrls());
        if (event->type() == QEvent::DragEnter) {
            // Entered anywhere: the move over the rows says where it may land.
            drop->acceptProposedAction();
            return true;
        }
        if (event->type() == QEvent::DragMove) {
            if (onSlot)
                drop->acceptProposedAction();
            else
                drop->ignore();
            return true;
        }
        if (onSlot) {
            drop->acceptProposedAction();
            // The plan runs its own dialog: not inside the platform's drop handling.
            const auto data = std::make_shared<QMimeData>();
            for (const QString& format : drop->mimeData()->formats())
                data->setData(format, drop->mimeData()->data(format));
            data->setUrls(drop->mimeData()->urls());
            const int row = under.row();
            const bool swap = drop->modifiers().testFlag(Qt::ShiftModifier);
            QTimer::singleShot(0, this, [this, data, row, swap] { DropOn(row, *data, swap); });
        } else {
            drop->ignore();
        }
        return true;
    }
    // Down from the search box goes on to what it found.
    if (watched == edtSearch && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Down && model->rowCount() > 0) {
        tblPresets->setFocus(Qt::TabFocusReason);
        if (!tblPresets->currentIndex().isValid())
            tblPresets->selectionModel()->setCurrentIndex(model->index(0, 0),
                                                          QItemSelectionModel::ClearAndSelect |
                                                              QItemSelectionModel::Rows);
        return true;
    }
    if (watched == tblPresets && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            OpenSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
