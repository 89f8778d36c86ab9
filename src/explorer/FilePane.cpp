// The file pane: one folder listed with sizes, types and times, a history of folders, and
// files loaded, opened, sent, renamed and deleted from it.

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "explorer/MIDIExplorer.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMimeDatabase>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace {
enum Column { kName, kSize, kType, kModified };
enum Role { kKindRole = Qt::UserRole, kPathRole, kBytesRole, kTimeRole };

QString WithSeparator(QString folder) {
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')) &&
        !folder.endsWith(QDir::separator()))
        folder += QLatin1Char('/');
    return folder;
}

// The combo box's text: Enter there goes to the folder typed.
class FolderBox : public QComboBox {
public:
    FolderBox(QWidget* parent, std::function<void(const QString&)> entered)
        : QComboBox(parent), entered(std::move(entered)) {
        setEditable(true);
        setInsertPolicy(QComboBox::NoInsert);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            !currentText().isEmpty()) {
            entered(currentText());
            return;
        }
        QComboBox::keyPressEvent(event);
    }

private:
    std::function<void(const QString&)> entered;
};
} // namespace

namespace {
// Size, type and date are what the file is, not names to edit.
class TReadOnlyColumn : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget*, const QStyleOptionViewItem&,
                          const QModelIndex&) const override {
        return nullptr;
    }
};
} // namespace

QString ThreeSignificantDigits(double value) {
    const QChar point = QLocale().decimalPoint().at(0);
    if (value == 0)
        return QStringLiteral("0");
    const int exponent = static_cast<int>(std::floor(std::log10(std::fabs(value))));
    if (exponent < 3) {
        const int decimals = std::max(0, 2 - exponent);
        QString text = QString::number(value, 'f', decimals);
        if (text.contains(QLatin1Char('.'))) {
            while (text.endsWith(QLatin1Char('0')))
                text.chop(1);
            if (text.endsWith(QLatin1Char('.')))
                text.chop(1);
        }
        if (text.size() > 3 && !text.contains(QLatin1Char('.')) &&
            text.size() - (text.startsWith('-') ? 1 : 0) > 3)
            return ThreeSignificantDigits(
                std::round(value)); // rounding carried into a fourth digit
        return text.replace(QLatin1Char('.'), point);
    }
    const double mantissa = value / std::pow(10.0, exponent);
    QString digits = QString::number(mantissa, 'f', 2);
    int shown = exponent;
    if (digits.startsWith(QStringLiteral("10"))) { // 9.995 rounds up to the next power
        digits = QString::number(mantissa / 10, 'f', 2);
        ++shown;
    }
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    if (digits.endsWith(QLatin1Char('.')))
        digits.chop(1);
    return digits.replace(QLatin1Char('.'), point) + QStringLiteral("E") +
           QStringLiteral("%1").arg(shown, 2, 10, QLatin1Char('0'));
}

QString FileSizeText(qint64 size) {
    if (size > 0 && size < 1024)
        size = 1024;
    return QString::number(size / 1024) + QStringLiteral(" KB");
}

QString TotalSizeText(qint64 total) {
    if (total < 0)
        return QString();
    if (total < 1024)
        return QString::number(total) + QStringLiteral(" Byte(s)");
    if (total < 1048576)
        return ThreeSignificantDigits(total / 1024.0) + QStringLiteral(" KByte");
    return ThreeSignificantDigits(total / 1048576.0) + QStringLiteral(" MByte");
}

void TfrmMIDIExplorer::BuildFilePane() {
    tsExplorer = new QWidget(pgcTab);
    tsExplorer->setObjectName(QStringLiteral("tsExplorer"));
    auto* layout = new QVBoxLayout(tsExplorer);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* bar = new QHBoxLayout;
    const auto button = [this, bar](const char* name, const QString& hint) {
        auto* tool = new QToolButton(tsExplorer);
        tool->setObjectName(QString::fromLatin1(name));
        tool->setToolTip(hint);
        tool->setText(hint);
        bar->addWidget(tool);
        return tool;
    };
    btnBrowse = button("btnBrowse", QStringLiteral("Browse..."));
    btnPrevFolder = button("btnPrevFolder", QStringLiteral("Previous folder"));
    btnFileDetails = button("btnFileDetails", QStringLiteral("File details"));
    btnFileList = button("btnFileList", QStringLiteral("File list"));
    btnFileIcons = button("btnFileIcons", QStringLiteral("Show icons"));
    for (QToolButton* view : {btnFileDetails, btnFileList, btnFileIcons}) {
        view->setCheckable(true);
        view->setAutoExclusive(true);
    }
    btnFileDetails->setChecked(true);
    btnBrowse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    btnPrevFolder->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    btnFileDetails->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    btnFileList->setIcon(style()->standardIcon(QStyle::SP_FileDialogListView));
    btnFileIcons->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    for (QToolButton* tool : {btnBrowse, btnPrevFolder, btnFileDetails, btnFileList, btnFileIcons})
        tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    cbxFolder = new FolderBox(tsExplorer, [this](const QString& typed) {
        const QString folder = WithSeparator(typed);
        if (cbxFolder->findText(folder) < 0)
            cbxFolder->insertItem(0, folder);
        cbxFolder->setCurrentIndex(cbxFolder->findText(folder));
        GoToFolder(folder);
    });
    cbxFolder->setObjectName(QStringLiteral("cbxFolder"));
    cbxFolder->setAccessibleName(QStringLiteral("Folder"));
    if (cbxFolder->lineEdit() != nullptr)
        cbxFolder->lineEdit()->setAccessibleName(QStringLiteral("Folder"));
    bar->addWidget(cbxFolder, 1);
    layout->addLayout(bar);

    lvwFileList = new QTreeWidget(tsExplorer);
    lvwFileList->setObjectName(QStringLiteral("lvwFileList"));
    lvwFileList->setAccessibleName(QStringLiteral("Files"));
    lvwFileList->setRootIsDecorated(false);
    lvwFileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    for (int column = kSize; column <= kModified; ++column)
        lvwFileList->setItemDelegateForColumn(column, new TReadOnlyColumn(lvwFileList));
    lvwFileList->setEditTriggers(QAbstractItemView::EditKeyPressed |
                                 QAbstractItemView::SelectedClicked);
    lvwFileList->setColumnCount(4);
    lvwFileList->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Size"),
                                  QStringLiteral("Type"), QStringLiteral("Modified")});
    lvwFileList->headerItem()->setTextAlignment(kSize, Qt::AlignRight);
    lvwFileList->header()->setSectionsClickable(true);
    layout->addWidget(lvwFileList, 1);

    stbFileInfo = new QStatusBar(tsExplorer);
    stbFileInfo->setObjectName(QStringLiteral("stbFileInfo"));
    stbFileInfo->setSizeGripEnabled(false);
    fileInfoFiles = new QLabel(stbFileInfo);
    fileInfoBytes = new QLabel(stbFileInfo);
    stbFileInfo->addWidget(fileInfoFiles, 1);
    stbFileInfo->addWidget(fileInfoBytes, 1);
    layout->addWidget(stbFileInfo);
    pgcTab->addTab(tsExplorer, QStringLiteral("File Explorer"));

    popFileList = new QMenu(this);
    popFileList->setObjectName(QStringLiteral("popFileList"));
    pmiRefresh =
        popFileList->addAction(QStringLiteral("Refresh"), this, [this] { RefreshFileList(); });
    pmiRefresh->setObjectName(QStringLiteral("pmiRefresh"));
    pmiDeleteFile =
        popFileList->addAction(QStringLiteral("Delete"), this, [this] { DeleteSelectedFiles(); });
    pmiDeleteFile->setObjectName(QStringLiteral("pmiDeleteFile"));
    pmiSetDblClickFileOpt = popFileList->addMenu(QStringLiteral("Set double-click action"));
    pmiSetDblClickFileOpt->setObjectName(QStringLiteral("pmiSetDblClickFileOpt"));
    auto* actions = new QActionGroup(this);
    pmiSetFileEdit = pmiSetDblClickFileOpt->addAction(QStringLiteral("Open in Editor"), this,
                                                      [this] { SetFileDblClickAction(0); });
    pmiSetFileEdit->setObjectName(QStringLiteral("pmiSetFileEdit"));
    pmiSetFileSend = pmiSetDblClickFileOpt->addAction(QStringLiteral("Send to MIDI Out"), this,
                                                      [this] { SetFileDblClickAction(1); });
    pmiSetFileSend->setObjectName(QStringLiteral("pmiSetFileSend"));
    for (QAction* action : {pmiSetFileEdit, pmiSetFileSend}) {
        action->setCheckable(true);
        actions->addAction(action);
    }
    lvwFileList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lvwFileList, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        popFileList->exec(lvwFileList->viewport()->mapToGlobal(at));
    });

    connect(btnBrowse, &QToolButton::clicked, this, [this] { BrowseFolder(); });
    connect(btnPrevFolder, &QToolButton::clicked, this, [this] { UpOneFolder(); });
    connect(btnFileDetails, &QToolButton::clicked, this, [this] {
        lvwFileList->setHeaderHidden(false);
        for (int column = 1; column < 4; ++column)
            lvwFileList->setColumnHidden(column, false);
        lvwFileList->setIconSize(QSize(16, 16));
    });
    connect(btnFileList, &QToolButton::clicked, this, [this] {
        lvwFileList->setHeaderHidden(true);
        for (int column = 1; column < 4; ++column)
            lvwFileList->setColumnHidden(column, true);
        lvwFileList->setIconSize(QSize(16, 16));
    });
    connect(btnFileIcons, &QToolButton::clicked, this, [this] {
        lvwFileList->setHeaderHidden(true);
        for (int column = 1; column < 4; ++column)
            lvwFileList->setColumnHidden(column, true);
        lvwFileList->setIconSize(QSize(32, 32));
    });
    connect(cbxFolder, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        const QString folder = cbxFolder->itemText(index);
        MoveToTopOfHistory(folder);
        GoToFolder(folder);
    });
    connect(lvwFileList->header(), &QHeaderView::sectionClicked, this,
            [this](int column) { SortByColumn(column); });
    connect(lvwFileList, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { FileClicked(item); });
    connect(lvwFileList, &QTreeWidget::itemActivated, this, [this] { FileActivated(); });
    connect(lvwFileList, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem* item, int column) { FileRenamed(item, column); });
}

void TfrmMIDIExplorer::SetupFilePane() {
    SortColumn = 3;
    SortAscending = true;
    for (int value = 1; value <= 9 && settings != nullptr; ++value) {
        const QString folder = settings->GetStringAt(settings->Path + QStringLiteral("\\Folders"),
                                                     QString::number(value), false);
        if (!folder.isEmpty() && DirectoryExists(folder) && cbxFolder->findText(folder) < 0)
            cbxFolder->addItem(folder);
    }
    if (cbxFolder->count() == 0)
        cbxFolder->addItem(DefaultUserFolder());
    cbxFolder->setCurrentIndex(0);
    CurrentFolder = cbxFolder->itemText(0);
    btnFileDetails->click();
    RefreshFileList();
}

void TfrmMIDIExplorer::MoveToTopOfHistory(const QString& folder) {
    const int at = cbxFolder->findText(folder);
    if (at > 0)
        cbxFolder->removeItem(at);
    if (at != 0)
        cbxFolder->insertItem(0, folder);
    cbxFolder->setCurrentIndex(0);
}

void TfrmMIDIExplorer::RefreshFileList() {
    if (!CurrentFolder.isEmpty()) {
        CurrentFolder = WithSeparator(CurrentFolder);
        MoveToTopOfHistory(CurrentFolder);
    }
    btnPrevFolder->setEnabled(true);
    refreshingFiles = true;
    lvwFileList->setUpdatesEnabled(false);
    lvwFileList->clear();
    struct Entry {
        QFileInfo Info;
        QString Size;
    };
    std::vector<Entry> entries;
    qint64 total = 0;
    const QFileInfoList found =
        QDir(CurrentFolder)
            .entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                           QDir::NoSort);
    for (const QFileInfo& info : found) {
        entries.push_back({info, info.isDir() ? QString() : FileSizeText(info.size())});
        if (!info.isDir())
            total += info.size();
    }
    // Folders and files in two groups by "Name" (its sub-item is "dir"/"file"), each by name.
    const auto compare = [this](const Entry& a, const Entry& b) {
        int order = 0;
        switch (SortColumn) {
        case 0: {
            const qint64 sizeA =
                a.Info.isDir() ? -1 : a.Size.section(QLatin1Char(' '), 0, 0).toLongLong();
            const qint64 sizeB =
                b.Info.isDir() ? -1 : b.Size.section(QLatin1Char(' '), 0, 0).toLongLong();
            order = sizeA < sizeB ? -1 : sizeA > sizeB ? 1 : 0;
            break;
        }
        case 2: {
            // Compared by the minute the list shows, which is what reading the text back gives.
            const qint64 minuteA = a.Info.lastModified().toSecsSinceEpoch() / 60;
            const qint64 minuteB = b.Info.lastModified().toSecsSinceEpoch() / 60;
            order = minuteA < minuteB ? -1 : minuteA > minuteB ? 1 : 0;
            break;
        }
        default: {
            const QString keyA =
                SortColumn == 1 ? QMimeDatabase().mimeTypeForFile(a.Info).comment()
                                : (a.Info.isDir() ? QStringLiteral("dir") : QStringLiteral("file"));
            const QString keyB =
                SortColumn == 1 ? QMimeDatabase().mimeTypeForFile(b.Info).comment()
                                : (b.Info.isDir() ? QStringLiteral("dir") : QStringLiteral("file"));
            order = keyA.compare(keyB);
            if (order == 0)
                order = a.Info.fileName().toUpper().compare(b.Info.fileName().toUpper());
            break;
        }
        }
        return SortAscending ? order < 0 : order > 0;
    };
    std::stable_sort(entries.begin(), entries.end(), compare);
    QFileIconProvider icons;
    QMimeDatabase types;
    const QLocale locale;
    for (const Entry& entry : entries) {
        auto* item = new QTreeWidgetItem(lvwFileList);
        item->setText(kName, entry.Info.fileName());
        item->setIcon(kName, icons.icon(entry.Info));
        item->setText(kSize, entry.Size);
        item->setTextAlignment(kSize, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(kType, entry.Info.isDir() ? QStringLiteral("Folder")
                                                : types.mimeTypeForFile(entry.Info).comment());
        const QDateTime modified = entry.Info.lastModified();
        item->setText(kModified, locale.toString(modified.date(), QLocale::ShortFormat) +
                                     QStringLiteral("  ") +
                                     locale.toString(modified.time(), QLocale::ShortFormat));
        item->setData(kName, kKindRole,
                      entry.Info.isDir() ? QStringLiteral("dir") : QStringLiteral("file"));
        item->setData(kName, kPathRole, CurrentFolder + entry.Info.fileName());
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    for (int column = 0; column < 4; ++column)
        lvwFileList->resizeColumnToContents(column);
    lvwFileList->setUpdatesEnabled(true);
    refreshingFiles = false;
    fileInfoFiles->setText(QStringLiteral("%1 Object(s)").arg(entries.size()));
    fileInfoBytes->setText(TotalSizeText(total));
}

void TfrmMIDIExplorer::SortByColumn(int column) {
    // The columns sort by: Name by the folder/file kind (then the name), Size, Type, Modified.
    static const int kSortColumnOf[] = {3, 0, 1, 2};
    const int sortColumn = kSortColumnOf[column];
    if (sortColumn == SortColumn)
        SortAscending = !SortAscending;
    else
        SortColumn = sortColumn;
    RefreshFileList();
}

QStringList TfrmMIDIExplorer::GetSelectedPathFileNames() {
    SelectedFileNames.clear();
    for (int index = 0; index < lvwFileList->topLevelItemCount(); ++index) {
        const QTreeWidgetItem* item = lvwFileList->topLevelItem(index);
        if (item->isSelected() && item->data(kName, kKindRole).toString() == QLatin1String("file"))
            SelectedFileNames << item->data(kName, kPathRole).toString();
    }
    return SelectedFileNames;
}

void TfrmMIDIExplorer::FileClicked(QTreeWidgetItem* item) {
    if (item == nullptr || item->data(kName, kKindRole).toString() != QLatin1String("file"))
        return;
    LoadFileIntoBuffer(item->data(kName, kPathRole).toString());
    if (isActiveWindow())
        lvwFileList->setFocus();
}

void TfrmMIDIExplorer::FileActivated() {
    QTreeWidgetItem* item = lvwFileList->currentItem();
    if (item == nullptr || lvwFileList->isPersistentEditorOpen(item))
        return;
    const QString path = item->data(kName, kPathRole).toString();
    if (item->data(kName, kKindRole).toString() == QLatin1String("dir")) {
        CurrentFolder = path;
        RefreshFileList();
        return;
    }
    if (!QFileInfo::exists(path)) {
        ShowMessage(this, QStringLiteral("Sorry, but the file doesn't exist ?!"), GetAppTitle());
        return;
    }
    for (const QString& file : GetSelectedPathFileNames()) {
        LoadFileIntoBuffer(file);
        if (FileDblClickAction == 0)
            OpenBufferInEditor();
        else
            SendBuffer();
    }
}

void TfrmMIDIExplorer::FileRenamed(QTreeWidgetItem* item, int column) {
    if (refreshingFiles || column != kName)
        return;
    const QString oldPath = item->data(kName, kPathRole).toString();
    const QString oldName = QFileInfo(oldPath).fileName();
    const QString newName = item->text(kName);
    if (newName == oldName || oldPath.isEmpty())
        return;
    if (QDir(CurrentFolder).rename(oldName, newName)) {
        item->setData(kName, kPathRole, CurrentFolder + newName);
        return;
    }
    refreshingFiles = true;
    item->setText(kName, oldName);
    refreshingFiles = false;
    ShowMessage(this,
                QStringLiteral("Filename could not be changed to ") + newName +
                    QStringLiteral("; (reverted to ") + oldName + QStringLiteral(")"),
                QStringLiteral("Error renaming file"));
}

void TfrmMIDIExplorer::DeleteSelectedFiles() {
    bool yesToAll = false;
    for (const QString& path : GetSelectedPathFileNames()) {
        if (!yesToAll) {
            const auto answer = Dialogs().MessageBox(
                this, QStringLiteral("Delete ") + path + QStringLiteral("?"), GetAppTitle(),
                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::YesToAll,
                QMessageBox::Question);
            if (answer == QMessageBox::Cancel)
                break;
            if (answer == QMessageBox::No)
                continue;
            yesToAll = answer == QMessageBox::YesToAll;
        }
        QFile::remove(path); // a failure shows in the refreshed list
    }
    RefreshFileList();
}

void TfrmMIDIExplorer::SetFileDblClickAction(int action) {
    FileDblClickAction = action;
    if (settings != nullptr)
        settings->PutInteger(QStringLiteral("DBL_CLICK_FILE_ACTION"), action);
    (action == 0 ? pmiSetFileEdit : pmiSetFileSend)->setChecked(true);
}

void TfrmMIDIExplorer::UpOneFolder() {
    QString folder = QDir::cleanPath(CurrentFolder);
    if (!CurrentFolder.isEmpty() && !QDir(folder).isRoot()) {
        const QString parent = WithSeparator(QFileInfo(folder).path());
        if (DirectoryExists(parent)) {
            CurrentFolder = parent;
            MoveToTopOfHistory(parent);
            RefreshFileList();
            lvwFileList->setFocus();
            if (lvwFileList->topLevelItemCount() > 0)
                lvwFileList->setCurrentItem(lvwFileList->topLevelItem(0));
            return;
        }
    }
    BrowseFolder();
}

void TfrmMIDIExplorer::BrowseFolder() {
    QString folder = CurrentFolder;
    if (!SelectFolder(QStringLiteral("Choose a folder below:"), folder))
        return;
    if (cbxFolder->findText(folder) < 0)
        cbxFolder->insertItem(0, folder);
    cbxFolder->setCurrentIndex(cbxFolder->findText(folder));
    GoToFolder(folder);
    lvwFileList->setFocus();
}

void TfrmMIDIExplorer::GoToFolder(const QString& folder) {
    if (!DirectoryExists(folder)) {
        ShowMessage(this, QStringLiteral("Invalid folder: ") + folder, QStringLiteral("Sorry..."));
        return;
    }
    CurrentFolder = WithSeparator(folder);
    RefreshFileList();
    if (lvwFileList->topLevelItemCount() > 0)
        lvwFileList->setCurrentItem(lvwFileList->topLevelItem(0));
}

void TfrmMIDIExplorer::SaveFolderHistory() {
    for (int index = 0; index < cbxFolder->count() && index < 7; ++index)
        settings->PutStringAt(settings->Path + QStringLiteral("\\Folders"),
                              QString::number(index + 1), cbxFolder->itemText(index));
}
