// The library window's set lists: the files in the set lists' folder as sources, each shown as
// its songs; songs added by dropping presets, moved, removed and edited in place, the file saved
// whole after each change; and the two ways of playing the set from a foot controller — the
// program table made from it, or its presets placed into consecutive slots.

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "library/ChooseSlot.h"
#include "library/Library.h"
#include "library/LibraryModel.h"
#include "library/PresetDrag.h"
#include "library/SetListModel.h"
#include "library/SetSheet.h"
#include "model/DeviceMode.h"
#include "model/Mpt.h"
#include "store/SetListFiles.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <set>

namespace {
const QString kSetLists = QStringLiteral("Set lists");

QString Quoted(const std::string& title) {
    return QStringLiteral("\"%1\"").arg(QString::fromStdString(title));
}

// A copy of the drop's data: what it carries is used after the platform's drop handling ends.
std::shared_ptr<QMimeData> Kept(const QMimeData& data) {
    auto copy = std::make_shared<QMimeData>();
    for (const QString& format : data.formats())
        copy->setData(format, data.data(format));
    copy->setUrls(data.urls());
    return copy;
}

bool CarriesPresets(const QMimeData& data) {
    return data.hasFormat(PresetsMime()) || data.hasUrls();
}
} // namespace

void TfrmLibrary::BuildSetListActions() {
    // (object name, caption, key): an action of the set lists' menu.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    const auto action = [this](const char* name, const QString& caption, const QKeySequence& key) {
        auto* made = new QAction(caption, this);
        made->setObjectName(QString::fromLatin1(name));
        made->setShortcut(key);
        made->setShortcutContext(Qt::WindowShortcut);
        addAction(made);
        return made;
    };
    miNewSetList = action("miNewSetList", QStringLiteral("&New set list..."), {});
    miRenameSetList = action("miRenameSetList", QStringLiteral("&Rename set list..."), {});
    miDuplicateSetList = action("miDuplicateSetList", QStringLiteral("&Duplicate set list..."), {});
    miDeleteSetList = action("miDeleteSetList", QStringLiteral("De&lete set list..."), {});
    miMakeTable = action("miMakeTable", QStringLiteral("Make the program &table..."), {});
    miPlaceSetList = action("miPlaceSetList", QStringLiteral("&Place on the unit..."), {});
    miGigView = action("miGigView", QStringLiteral("&Gig view"), Qt::Key_F11);
    miPrintSetSheet = action("miPrintSetSheet", QStringLiteral("Print set &sheet..."), {});
    miCopySetSheet = action("miCopySetSheet", QStringLiteral("&Copy the set as text"), {});
    miExportSetNames = action("miExportSetNames", QStringLiteral("&Export names..."), {});
    QMenu* menu = mnuLibrary->addMenu(QStringLiteral("Set l&ists"));
    menu->addActions({miNewSetList, miRenameSetList, miDuplicateSetList, miDeleteSetList});
    menu->addSeparator();
    menu->addActions({miMakeTable, miPlaceSetList});
    menu->addSeparator();
    menu->addActions({miGigView, miPrintSetSheet, miCopySetSheet, miExportSetNames});
    tvwSources->setContextMenuPolicy(Qt::ActionsContextMenu);
    tvwSources->addActions({miNewSetList, miRenameSetList, miDuplicateSetList, miDeleteSetList});
    tblSongs->setContextMenuPolicy(Qt::ActionsContextMenu);
    tblSongs->addActions({miGigView, miMakeTable, miPlaceSetList, miPrintSetSheet, miCopySetSheet,
                          miExportSetNames});
    connect(miNewSetList, &QAction::triggered, this, [this] { NewSetList(); });
    connect(miRenameSetList, &QAction::triggered, this, [this] { RenameSetList(); });
    connect(miDuplicateSetList, &QAction::triggered, this, [this] { DuplicateSetList(); });
    connect(miDeleteSetList, &QAction::triggered, this, [this] { DeleteSetList(); });
    connect(miMakeTable, &QAction::triggered, this, [this] { MakeTable(); });
    connect(miPlaceSetList, &QAction::triggered, this, [this] { PlaceSetList(); });
    connect(miGigView, &QAction::triggered, this, [this] {
        if (OnGigView && !setListPath.isEmpty())
            OnGigView(setListPath, std::max(0, tblSongs->currentIndex().row()));
    });
    // (print): the shown set list's sheet printed, or copied as text.
    const auto sheet = [this](bool print) {
        const TSetListLoad load = LoadSetList(setListPath, Mode);
        if (!load.Error.isEmpty()) {
            ShowMessage(this, load.Error, QStringLiteral("Set sheet"));
            return;
        }
        const TSetSheet made = MakeSetSheet(load.Read.List, setListPath, places.Memory);
        if (print)
            PrintSetSheet(this, made);
        else
            CopySetSheet(made);
    };
    connect(miPrintSetSheet, &QAction::triggered, this, [sheet] { sheet(true); });
    connect(miCopySetSheet, &QAction::triggered, this, [sheet] { sheet(false); });
    connect(miExportSetNames, &QAction::triggered, this, [this] { ExportSetListNames(); });
    connect(btnMakeTable, &QPushButton::clicked, miMakeTable, &QAction::trigger);
    connect(btnPlace, &QPushButton::clicked, miPlaceSetList, &QAction::trigger);
    connect(tblSongs->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { UpdateCommands(); });
    // A set list in the sources takes presets dropped on it.
    tvwSources->viewport()->setAcceptDrops(true);
    tvwSources->viewport()->installEventFilter(this);
    // (row, column, text): a song's title or note as edited in place.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    songs->OnEdit = [this](int row, int column, const QString& text) {
        const int count = songs->rowCount();
        const bool saved = ChangeSetList(setListPath, [&](TSetList& list) {
            if (static_cast<int>(list.Songs.size()) != count)
                return; // changed elsewhere meanwhile: the row is no longer this song
            TSong& song = list.Songs[static_cast<std::size_t>(row)];
            (column == kSongTitle ? song.Title : song.Note) = text.trimmed().toStdString();
        });
        // Shown again once the editor has closed: the view still holds it now.
        QTimer::singleShot(0, this, [this] {
            if (!setListPath.isEmpty())
                ShowSetList(setListPath);
        });
        return saved;
    };
}

QString TfrmLibrary::ShownSetList() const {
    return setListPath;
}

std::vector<TSongFound> TfrmLibrary::FindSongs(const TSetList& list, const QString& path) const {
    std::vector<TSongFound> found;
    const std::string folder = QFileInfo(path).absolutePath().toStdString();
    for (const TSong& song : list.Songs) {
        TSongFound known;
        if (song.Preset.IsFile()) {
            const QString file = QString::fromStdString(song.Preset.PathFrom(folder));
            const TFileRead read = ReadWholeFile(file, kLargestPresetFile);
            const TBytes dump(read.Bytes.begin(), read.Bytes.end());
            if (read.Missing)
                known.Missing = QStringLiteral("the file %1 is gone").arg(file);
            else if (!read.Ok())
                known.Missing = read.Error;
            else if (!IsPresetDump(dump))
                known.Missing = QStringLiteral("%1 is not a preset file").arg(file);
            else
                known.Title = QString::fromStdString(PresetTitleOf(dump));
        } else if (places.Memory != nullptr) {
            const TPlace place{song.Preset.Bank, song.Preset.Slot};
            const TSlotMemory* slot = places.Memory->Slot(place);
            if (!place.Fits(places.SingleBank))
                known.Missing = QStringLiteral("the unit has no slot %1")
                                    .arg(QString::fromStdString(song.Preset.Text()));
            else if (slot == nullptr || slot->Now() == nullptr)
                known.Missing =
                    QStringLiteral("the library does not know what %1 holds: read it from the "
                                   "unit")
                        .arg(place.Text(places.SingleBank));
            else
                known.Title = QString::fromStdString(PresetTitleOf(slot->Now()->Dump));
        }
        found.push_back(known);
    }
    return found;
}

void TfrmLibrary::ShowSetList(const QString& path) {
    const bool same = path == setListPath;
    const std::vector<int> selected = same ? SelectedSongs() : std::vector<int>();
    const int current = same ? tblSongs->currentIndex().row() : -1;
    setListPath = path;
    model->Set({}); // the presets' commands have nothing to act on meanwhile
    pgsShown->setCurrentIndex(1);
    const TSetListLoad load = LoadSetList(path, Mode);
    QStringList problems;
    if (!load.Error.isEmpty())
        problems << load.Error;
    for (const TSetListProblem& problem : load.Read.Problems)
        problems << QString::fromStdString(problem.Text());
    lblSetList->setText(problems.isEmpty()
                            ? QString()
                            : (load.Error.isEmpty()
                                   ? QStringLiteral("These lines are no song; they are kept as "
                                                    "they are:\n")
                                   : QString()) +
                                  problems.join(QLatin1Char('\n')));
    lblSetList->setVisible(!problems.isEmpty());
    songs->Set(load.Read.List, FindSongs(load.Read.List, path));
    QItemSelection selection;
    for (const int row : selected)
        if (row < songs->rowCount())
            selection.select(songs->index(row, 0), songs->index(row, kSongColumns - 1));
    tblSongs->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current >= 0 && current < songs->rowCount())
        tblSongs->selectionModel()->setCurrentIndex(songs->index(current, kSongTitle),
                                                    QItemSelectionModel::NoUpdate);
    tblSongs->resizeColumnsToContents();
    lblCount->setText(QStringLiteral("%1 songs").arg(songs->rowCount()));
    UpdateCommands();
}

bool TfrmLibrary::ChangeSetList(const QString& path, const std::function<void(TSetList&)>& change) {
    // What the file holds now, so that a change made elsewhere meanwhile is not written over.
    const TSetListLoad load = LoadSetList(path, Mode);
    const QString name = QFileInfo(path).completeBaseName();
    if (!load.Error.isEmpty()) {
        ShowMessage(this, QStringLiteral("%1 was not changed: %2").arg(name, load.Error), kSetLists,
                    QMessageBox::Warning);
        return false;
    }
    TSetList changed = load.Read.List;
    change(changed);
    if (const QString error = SaveSetList(path, changed, Mode); !error.isEmpty()) {
        ShowMessage(this, QStringLiteral("%1 was not changed: %2").arg(name, error), kSetLists,
                    QMessageBox::Warning);
        return false;
    }
    return true;
}

std::vector<int> TfrmLibrary::SelectedSongs() const {
    std::vector<int> rows;
    for (const QModelIndex& index : tblSongs->selectionModel()->selectedRows())
        rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool TfrmLibrary::AddSongs(const QString& setList, int at, const QMimeData& data) {
    const std::vector<TDragged> dragged = DecodeDrag(data);
    std::vector<TSong> added;
    for (const TDragged& item : dragged) {
        TSong song;
        song.Title = QString::fromStdString(PresetTitleOf(item.Dump)).trimmed().toStdString();
        if (song.Title.empty())
            song.Title = "Untitled";
        if (item.Source == TLibrarySource::Unit) {
            const TPlace place = TPlace::Of(item.Bank, item.Slot);
            song.Preset.Bank = place.Bank;
            song.Preset.Slot = place.Slot;
        } else if (!item.Path.isEmpty()) {
            song.Preset.Path = QFileInfo(item.Path).absoluteFilePath().toStdString();
        } else {
            continue; // a preset of no place a song can refer to
        }
        added.push_back(std::move(song));
    }
    if (added.empty()) {
        ShowMessage(this,
                    QStringLiteral("A song plays a slot of the unit or a preset file: none of "
                                   "these is one"),
                    kSetLists);
        return false;
    }
    const bool saved = ChangeSetList(setList, [&](TSetList& list) {
        const auto where = at < 0 || at > static_cast<int>(list.Songs.size())
                               ? list.Songs.end()
                               : list.Songs.begin() + static_cast<std::ptrdiff_t>(at);
        list.Songs.insert(where, added.begin(), added.end());
    });
    if (saved && setList == setListPath)
        ShowSetList(setListPath);
    return saved;
}

void TfrmLibrary::MoveSongs(const std::vector<int>& rows, int before) {
    const std::set<int> moving(rows.begin(), rows.end());
    const int count = songs->rowCount();
    if (moving.empty() || *moving.begin() < 0 || *moving.rbegin() >= count)
        return;
    before = std::clamp(before, 0, count);
    // Where the block lands among the songs that stay.
    int at = before;
    for (const int row : moving)
        at -= row < before ? 1 : 0;
    std::vector<int> order;
    for (int row = 0; row < count; ++row)
        if (!moving.contains(row))
            order.push_back(row);
    order.insert(order.begin() + at, moving.begin(), moving.end());
    bool unchanged = true;
    for (int i = 0; i < count; ++i)
        unchanged = unchanged && order[static_cast<std::size_t>(i)] == i;
    if (unchanged)
        return;
    if (!ChangeSetList(setListPath, [&](TSetList& list) {
            if (static_cast<int>(list.Songs.size()) != count)
                return; // changed elsewhere meanwhile: the rows are no longer these songs
            std::vector<TSong> moved;
            for (const int row : order)
                moved.push_back(list.Songs[static_cast<std::size_t>(row)]);
            list.Songs = std::move(moved);
        }))
        return;
    ShowSetList(setListPath);
    QItemSelection selection;
    for (int row = at; row < at + static_cast<int>(moving.size()); ++row)
        selection.select(songs->index(row, 0), songs->index(row, kSongColumns - 1));
    tblSongs->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    tblSongs->selectionModel()->setCurrentIndex(songs->index(at, kSongTitle),
                                                QItemSelectionModel::NoUpdate);
}

void TfrmLibrary::MoveSelectedSongs(int step) {
    const std::vector<int> rows = SelectedSongs();
    if (rows.empty())
        return;
    MoveSongs(rows, step < 0 ? rows.front() - 1 : rows.back() + 2);
}

void TfrmLibrary::RemoveSelectedSongs() {
    const std::vector<int> rows = SelectedSongs();
    if (rows.empty())
        return;
    const int count = songs->rowCount();
    if (!ChangeSetList(setListPath, [&](TSetList& list) {
            if (static_cast<int>(list.Songs.size()) != count)
                return;
            // The lines kept above a song stay where they stood, above the next one.
            for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
                const auto at = list.Songs.begin() + *row;
                std::vector<std::string>& next =
                    at + 1 == list.Songs.end() ? list.LinesAfter : (at + 1)->LinesBefore;
                next.insert(next.begin(), at->LinesBefore.begin(), at->LinesBefore.end());
                list.Songs.erase(at);
            }
        }))
        return;
    tblSongs->selectionModel()->clearSelection();
    ShowSetList(setListPath);
    const int next = std::min(rows.front(), songs->rowCount() - 1);
    if (next >= 0)
        tblSongs->selectionModel()->setCurrentIndex(songs->index(next, kSongTitle),
                                                    QItemSelectionModel::ClearAndSelect |
                                                        QItemSelectionModel::Rows);
}

// (caption, proposed): the box's title, then the name it offers.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TfrmLibrary::AskSetListName(const QString& caption, const QString& proposed) {
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, caption, QStringLiteral("Name of the set list:"),
                              QLineEdit::Normal, proposed, &ok)
            .trimmed();
    if (!ok || name.isEmpty())
        return {};
    // The name becomes the file's: nothing that would put it elsewhere or hide it.
    if (name.startsWith(QLatin1Char('.')) || name.contains(QLatin1Char('/')) ||
        name.contains(QLatin1Char('\\')) || name.size() > 100) {
        ShowMessage(this,
                    QStringLiteral("\"%1\" cannot name a set list: no / or \\, not starting with "
                                   "a dot, up to 100 characters")
                        .arg(name),
                    caption);
        return {};
    }
    const QString path = QDir(places.SetListFolder).filePath(name + QLatin1String(kSetListSuffix));
    if (QFileInfo::exists(path)) {
        ShowMessage(this, QStringLiteral("There is a set list called \"%1\" already").arg(name),
                    caption);
        return {};
    }
    return path;
}

void TfrmLibrary::NewSetList() {
    if (places.SetListFolder.isEmpty())
        return;
    const QString path = AskSetListName(QStringLiteral("New set list"), QString());
    if (path.isEmpty())
        return;
    QDir().mkpath(places.SetListFolder);
    if (const QString error = SaveSetList(path, TSetList(), Mode); !error.isEmpty()) {
        ShowMessage(this, error, QStringLiteral("New set list"), QMessageBox::Warning);
        return;
    }
    Refresh();
    ShowSource(QStringLiteral("setlist:") + path);
}

void TfrmLibrary::RenameSetList() {
    const QString from = setListPath;
    if (from.isEmpty())
        return;
    const QString to =
        AskSetListName(QStringLiteral("Rename set list"), QFileInfo(from).completeBaseName());
    if (to.isEmpty())
        return;
    if (!QFile::rename(from, to)) {
        ShowMessage(this, QStringLiteral("%1 cannot be renamed").arg(from),
                    QStringLiteral("Rename set list"), QMessageBox::Warning);
        return;
    }
    Refresh();
    ShowSource(QStringLiteral("setlist:") + to);
}

void TfrmLibrary::DuplicateSetList() {
    const QString from = setListPath;
    if (from.isEmpty())
        return;
    const QString to = AskSetListName(QStringLiteral("Duplicate set list"),
                                      QFileInfo(from).completeBaseName() + QStringLiteral(" copy"));
    if (to.isEmpty())
        return;
    // The file as it stands, every line of it.
    const TFileRead read = ReadWholeFile(from, kLargestSetListFile);
    const QString error = read.Ok() ? WriteWholeFile(to, read.Bytes) : read.Error;
    if (!error.isEmpty()) {
        ShowMessage(this, error, QStringLiteral("Duplicate set list"), QMessageBox::Warning);
        return;
    }
    Refresh();
    ShowSource(QStringLiteral("setlist:") + to);
}

void TfrmLibrary::DeleteSetList() {
    const QString path = setListPath;
    if (path.isEmpty())
        return;
    if (Dialogs().MessageBox(this,
                             QStringLiteral("Delete the set list \"%1\"?\n\nIts presets stay "
                                            "where they are.")
                                 .arg(QFileInfo(path).completeBaseName()),
                             QStringLiteral("Delete set list"), QMessageBox::Yes | QMessageBox::No,
                             QMessageBox::Question) != QMessageBox::Yes)
        return;
    if (!QFile::remove(path)) {
        ShowMessage(this, QStringLiteral("%1 cannot be deleted").arg(path),
                    QStringLiteral("Delete set list"), QMessageBox::Warning);
        return;
    }
    setListPath.clear();
    Refresh();
}

std::optional<TSetList> TfrmLibrary::WholeSetList(const QString& caption) {
    const TSetListLoad load = LoadSetList(setListPath, Mode);
    if (load.Error.isEmpty() && load.Read.Problems.empty())
        return load.Read.List;
    ShowMessage(this,
                load.Error.isEmpty() ? QStringLiteral("The set list has lines that are no song: "
                                                      "make them songs or remove them first")
                                     : load.Error,
                caption);
    return std::nullopt;
}

void TfrmLibrary::MakeTable() {
    if (setListPath.isEmpty())
        return;
    const QString caption = QStringLiteral("Make the program table");
    // A song left out would put every later one on the wrong program.
    const std::optional<TSetList> whole = WholeSetList(caption);
    if (!whole)
        return;
    // The programs the set does not use keep what the unit's table has.
    const std::optional<TBytes> present = OnReadTable ? OnReadTable() : std::nullopt;
    Tmpt base;
    if (present)
        base.Decode(*present, Mode);
    const TSetListTable built = BuildSetListTable(*whole, base, Mode);
    if (!built.Refusals.empty()) {
        QStringList refusals;
        for (const std::string& refusal : built.Refusals)
            refusals << QString::fromStdString(refusal);
        ShowMessage(this,
                    QStringLiteral("No program table can call up these songs one program after "
                                   "another:\n\n") +
                        refusals.join(QLatin1Char('\n')) +
                        QStringLiteral("\n\nPlace on the unit... puts the songs' presets into "
                                       "consecutive slots instead."),
                    caption);
        return;
    }
    // The table it replaces is kept beside the unit's memory, to be sent back.
    QString kept;
    if (present && places.Memory != nullptr) {
        const QString folder = QDir(places.Memory->Folder()).filePath(QStringLiteral("tables"));
        kept = QDir(folder).filePath(
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")) +
            QStringLiteral(" before ") + QFileInfo(setListPath).completeBaseName() +
            QStringLiteral(".mpt"));
        const QString error = QDir().mkpath(folder)
                                  ? WriteWholeFile(kept, *present)
                                  : QStringLiteral("%1 cannot be made").arg(folder);
        if (!error.isEmpty()) {
            ShowMessage(this,
                        QStringLiteral("The unit's table could not be kept (%1): nothing was "
                                       "made")
                            .arg(error),
                        caption, QMessageBox::Warning);
            return;
        }
    }
    if (!present)
        ShowMessage(this,
                    QStringLiteral("The unit did not send its program table: the programs the "
                                   "set does not use are the default table's, and no table is "
                                   "kept to put back"),
                    caption, QMessageBox::Information);
    if (OnSetListTable)
        OnSetListTable({.Table = built.Table.Encode(Mode),
                        .SetList = QFileInfo(setListPath).completeBaseName(),
                        .Kept = kept,
                        .Bank = built.Bank});
}

void TfrmLibrary::ExportSetListNames() {
    if (setListPath.isEmpty())
        return;
    const QString caption = QStringLiteral("Export names");
    // A song left out would name every later program after the wrong song.
    const std::optional<TSetList> whole = WholeSetList(caption);
    if (!whole)
        return;
    TSetListTable built = BuildSetListTable(*whole, Tmpt(), Mode);
    if (!built.Refusals.empty()) {
        QStringList refusals;
        for (const std::string& refusal : built.Refusals)
            refusals << QString::fromStdString(refusal);
        ShowMessage(this,
                    QStringLiteral("No program table can call up these songs one program after "
                                   "another, so there are no programs to name:\n\n") +
                        refusals.join(QLatin1Char('\n')),
                    caption);
        return;
    }
    // The programs the set does not use are named as the unit's present table has them, as far
    // as it is known.
    std::optional<TBytes> present = OnReadTable ? OnReadTable() : std::nullopt;
    if (!present && OnKnownTable)
        present = OnKnownTable();
    if (present) {
        Tmpt base;
        base.Decode(*present, Mode);
        built = BuildSetListTable(*whole, base, Mode);
    }
    const std::map<int, std::string> titles = places.Memory != nullptr
                                                  ? BankTitles(*places.Memory, built.Bank)
                                                  : std::map<int, std::string>();
    const QString name = Dialogs().SaveFileNameOfType(
        this, caption,
        QDir(DefaultUserFolder())
            .filePath(QFileInfo(setListPath).completeBaseName() + QStringLiteral(".csv")),
        QString::fromLatin1(kProgramNamesFilters));
    if (name.isEmpty())
        return;
    if (const QString error =
            SaveProgramNames(name, SetListProgramNames(*whole, built, titles, Mode));
        !error.isEmpty())
        ShowMessage(this, QStringLiteral("Nothing was written: ") + error, caption,
                    QMessageBox::Warning);
}

void TfrmLibrary::PlaceSetList() {
    if (setListPath.isEmpty() || places.Memory == nullptr)
        return;
    const QString caption = QStringLiteral("Place on the unit");
    // A song left out would put every later one a slot too early.
    const std::optional<TSetList> whole = WholeSetList(caption);
    if (!whole)
        return;
    const QString name = QFileInfo(setListPath).completeBaseName();
    const std::string folder = QFileInfo(setListPath).absolutePath().toStdString();
    std::vector<TSetListSong> taken;
    for (const TSong& song : whole->Songs) {
        TSetListSong one{QString::fromStdString(song.Title), std::nullopt, {}};
        if (song.Preset.IsFile()) {
            const QString path = QString::fromStdString(song.Preset.PathFrom(folder));
            const QByteArray bytes = ReadWholeFile(path, kLargestPresetFile).Bytes;
            one.Dump.assign(bytes.begin(), bytes.end());
            if (!IsPresetDump(one.Dump) || !IsWellFormedSysex(one.Dump)) {
                ShowMessage(this,
                            QStringLiteral("Nothing was sent: %1 plays %2, which is not a preset "
                                           "file")
                                .arg(Quoted(song.Title), path),
                            caption);
                return;
            }
        } else {
            one.Slot = TPlace{song.Preset.Bank, song.Preset.Slot};
        }
        taken.push_back(std::move(one));
    }
    TfrmChooseSlot where(caption,
                         QStringLiteral("The presets of the %1 songs into consecutive slots from:")
                             .arg(taken.size()),
                         places.SingleBank, this);
    if (where.exec() != QDialog::Accepted)
        return;
    const TPlace from{places.SingleBank ? 0 : where.cbxBank->currentIndex(),
                      where.spnSlot->value()};
    TPlanOrRefusal planned = SetListPlan(places.Memory, from, taken, name, places.SingleBank);
    if (!planned.Refusal.isEmpty()) {
        Carry(planned);
        return;
    }
    // The songs' slots, and the target slots left out as holding their song already, are read
    // now: a preset changed on the unit since it was read is not copied as it was.
    const std::vector<TPlace> targets = SetListPlaces(from, taken.size(), places.SingleBank);
    std::set<TPlace> written;
    for (const TPlannedWrite& write : planned.Plan.Writes)
        written.insert({write.Bank, write.Slot});
    std::set<TPlace> wanted;
    for (std::size_t i = 0; i < taken.size(); ++i) {
        const bool inPlace = taken[i].Slot && *taken[i].Slot == targets[i];
        if (taken[i].Slot && !inPlace)
            wanted.insert(*taken[i].Slot);
        if (!inPlace && !written.contains(targets[i]))
            wanted.insert(targets[i]);
    }
    if (!wanted.empty() && !ReadAgain({wanted.begin(), wanted.end()}))
        return;
    planned = SetListPlan(places.Memory, from, taken, name, places.SingleBank);
    if (planned.Refusal.isEmpty() && planned.Plan.Writes.empty()) {
        ShowMessage(this,
                    QStringLiteral("Every song is already in its slot: nothing was sent to the "
                                   "unit"),
                    caption, QMessageBox::Information);
        return;
    }
    Carry(planned);
    ShowSource(QStringLiteral("setlist:") + setListPath);
}

bool TfrmLibrary::DropOnSongs(QDropEvent& drop) {
    const QMimeData& data = *drop.mimeData();
    const bool songsMoved = data.hasFormat(SongsMime()) && drop.source() == tblSongs;
    if (setListPath.isEmpty() || (!songsMoved && !CarriesPresets(data))) {
        drop.ignore();
        return true;
    }
    if (drop.type() != QEvent::Drop) {
        drop.acceptProposedAction();
        return true;
    }
    // Dropped on a song: before it; below the last: at the end.
    const QModelIndex under = tblSongs->indexAt(drop.position().toPoint());
    const int at = under.isValid() ? under.row() : songs->rowCount();
    drop.setDropAction(Qt::CopyAction); // the view removes nothing: the window moves the songs
    drop.accept();
    const auto kept = Kept(data);
    const QString path = setListPath;
    if (songsMoved) {
        // A song dragged down lands after the song it is dropped on.
        const std::vector<int> rows = DecodeSongs(*kept);
        const int before = !rows.empty() && at > rows.back() && under.isValid() ? at + 1 : at;
        QTimer::singleShot(0, this, [this, rows, before] { MoveSongs(rows, before); });
    } else {
        QTimer::singleShot(0, this, [this, kept, path, at] { AddSongs(path, at, *kept); });
    }
    return true;
}

bool TfrmLibrary::DropOnSources(QDropEvent& drop) {
    const QTreeWidgetItem* under = tvwSources->itemAt(drop.position().toPoint());
    const QString key = under == nullptr ? QString() : under->data(0, Qt::UserRole).toString();
    if (drop.type() == QEvent::DragEnter) {
        // Entered anywhere: the move over the items says where it may land.
        if (CarriesPresets(*drop.mimeData()))
            drop.acceptProposedAction();
        else
            drop.ignore();
        return true;
    }
    if (!key.startsWith(QStringLiteral("setlist:")) || !CarriesPresets(*drop.mimeData())) {
        drop.ignore();
        return true;
    }
    drop.setDropAction(Qt::CopyAction);
    drop.accept();
    if (drop.type() == QEvent::Drop) {
        const auto kept = Kept(*drop.mimeData());
        const QString path = key.mid(8);
        QTimer::singleShot(0, this, [this, kept, path] { AddSongs(path, -1, *kept); });
    }
    return true;
}
