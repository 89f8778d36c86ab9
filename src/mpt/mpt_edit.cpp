// The program table editor window: grid, checks, shifting, files, sending and the report.

#include "mpt/mpt_edit.h"

#include "base/Dialogs.h"
#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "mpt/MPTRptOpt.h"
#include "store/SetListFiles.h"
#include "store/WholeFile.h"

#include <QAbstractButton>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <sstream>

namespace {
constexpr int kColumns = 10;
const QString kFilter = QStringLiteral("Quellfarn mpt table (*.mpt)");

QString Number(int value) {
    return QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
}

// Cells take three digits at most, as the "000" edit mask of the grid allows.
class TPresetNumberDelegate : public QStyledItemDelegate {
public:
    TPresetNumberDelegate(QObject* parent, std::function<void()> editing)
        : QStyledItemDelegate(parent), editing(std::move(editing)) {}
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        auto* editor =
            qobject_cast<QLineEdit*>(QStyledItemDelegate::createEditor(parent, option, index));
        if (editor != nullptr) {
            editor->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral(" *[0-9]{0,3} *")), editor));
            editor->setMaxLength(3);
        }
        editing();
        return editor;
    }

private:
    std::function<void()> editing;
};

QString LastSaveFolder;
} // namespace

TfrmMPTEdit::TfrmMPTEdit(QWidget* parent) : QWidget(parent, Qt::Window), TableMode(Mode) {
    setObjectName(QStringLiteral("frmMPTEdit"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromLatin1(kMptEditorTitle));
    rows = (TableMode.MptEntryCount + kColumns - 1) / kColumns;

    auto* layout = new QVBoxLayout(this);
    ToolBar1 = new QWidget(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    auto* bar = new QHBoxLayout(ToolBar1);
    bar->setContentsMargins(0, 0, 0, 0);
    // A tool button: its component name, its caption and the hint shown over it.
    struct TButton {
        const char* Name;
        QString Caption;
        QString Hint;
    };
    const auto button = [this, bar](const TButton& item) {
        auto* made = new QPushButton(item.Caption, ToolBar1);
        made->setObjectName(QString::fromLatin1(item.Name));
        made->setToolTip(item.Hint);
        bar->addWidget(made);
        return made;
    };
    btnSaveAs = button({.Name = "btnSaveAs",
                        .Caption = QStringLiteral("&Save..."),
                        .Hint = QStringLiteral("Save this MPT to a file")});
    btnSendOut = button({.Name = "btnSendOut",
                         .Caption = QStringLiteral("Sen&d"),
                         .Hint = QStringLiteral("Send MPT to MIDI out (F9)")});
    btnPrint = button({.Name = "btnPrint",
                       .Caption = QStringLiteral("&Print"),
                       .Hint = QStringLiteral("Print the MPT")});
    btnPreview = button({.Name = "btnPreview",
                         .Caption = QStringLiteral("Print pre&view"),
                         .Hint = QStringLiteral("Show the pages the printer would get")});
    btnPrtSetup = button({.Name = "btnPrtSetup",
                          .Caption = QStringLiteral("Set&up"),
                          .Hint = QStringLiteral("Printer selection/configuration")});
    btnFont = button({.Name = "btnFont",
                      .Caption = QStringLiteral("&Font"),
                      .Hint = QStringLiteral("Font selection")});
    btnNames = button({.Name = "btnNames",
                       .Caption = QStringLiteral("&Names"),
                       .Hint = QStringLiteral("The programs named for foot controllers and DAWs")});
    popNames = new QMenu(btnNames);
    popNames->setObjectName(QStringLiteral("popNames"));
    miExportNames = popNames->addAction(QStringLiteral("&Export names..."));
    miExportNames->setObjectName(QStringLiteral("miExportNames"));
    miCopyNames = popNames->addAction(QStringLiteral("&Copy names as text"));
    miCopyNames->setObjectName(QStringLiteral("miCopyNames"));
    btnNames->setMenu(popNames);
    bar->addStretch(1);
    btnExit = button(
        {.Name = "btnExit", .Caption = QStringLiteral("&Exit"), .Hint = QStringLiteral("Close")});
    layout->addWidget(ToolBar1);
    connect(btnSaveAs, &QPushButton::clicked, this, [this] {
        if (Validate()) {
            GridToTable();
            MptModified = !SaveToFile() && MptModified;
        }
    });
    connect(btnSendOut, &QPushButton::clicked, this, [this] { Send(); });
    connect(btnPrint, &QPushButton::clicked, this, [this] { PrintTable(); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { PrintPreview(); });
    connect(btnPrtSetup, &QPushButton::clicked, this, [this] { PrinterSetup(this); });
    connect(btnFont, &QPushButton::clicked, this, [this] { ChooseFont(); });
    connect(btnExit, &QPushButton::clicked, this, &QWidget::close);
    connect(miExportNames, &QAction::triggered, this, [this] { ExportNames(); });
    connect(miCopyNames, &QAction::triggered, this, [this] { CopyNames(); });

    BuildGrid();
    layout->addWidget(grdMPT, 1);

    HintFolder = AppSettings != nullptr
                     ? AppSettings->GetString(QStringLiteral("MPT_HINT_DIR"), true)
                     : QString();
    if (HintFolder.isEmpty() || !DirectoryExists(HintFolder))
        HintFolder = DefaultUserFolder();
    resize(grdMPT->verticalHeader()->width() + 10 * 40 + 60, 620);
    if (windowState() == Qt::WindowNoState && AppSettings != nullptr)
        AppSettings->RestoreFormPosition(this);
    qApp->installEventFilter(this); // F9 anywhere in the window
    TableToGrid();
}

TfrmMPTEdit::~TfrmMPTEdit() {
    qApp->removeEventFilter(this);
}

void TfrmMPTEdit::BuildGrid() {
    grdMPT = new QTableWidget(rows, kColumns, this);
    grdMPT->setObjectName(QStringLiteral("grdMPT"));
    grdMPT->setAccessibleName(QStringLiteral("Program table"));
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(17);
    grdMPT->setFont(font);
    QStringList headers;
    for (int column = 1; column <= kColumns; ++column)
        headers << QStringLiteral("%1").arg(column, 3);
    grdMPT->setHorizontalHeaderLabels(headers);
    grdMPT->horizontalHeader()->setDefaultSectionSize(40);
    grdMPT->horizontalHeader()->setSectionsMovable(true);
    grdMPT->verticalHeader()->setSectionsMovable(true);
    grdMPT->verticalHeader()->setMinimumWidth(110);
    grdMPT->setMouseTracking(true);
    grdMPT->setTabKeyNavigation(true);
    // The corner names the row labels.
    if (auto* corner = grdMPT->findChild<QAbstractButton*>()) {
        auto* label = new QLabel(QStringLiteral("Prog Chg #"), corner);
        label->setObjectName(QStringLiteral("lblProgChg"));
        label->setAlignment(Qt::AlignCenter);
        auto* cornerLayout = new QHBoxLayout(corner);
        cornerLayout->setContentsMargins(2, 0, 2, 0);
        cornerLayout->addWidget(label);
    }
    grdMPT->setItemDelegate(new TPresetNumberDelegate(grdMPT, [this] { MptModified = true; }));
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem;
            item->setTextAlignment(Qt::AlignCenter);
            if (IsSpare(row, column))
                item->setFlags(Qt::NoItemFlags); // the 128-entry table ends at 121..128
            grdMPT->setItem(row, column, item);
        }

    // The signal's own parameters.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    connect(grdMPT, &QTableWidget::currentCellChanged, this, [this](int row, int column, int, int) {
        if (validating || filling || row < 0 || column < 0)
            return;
        Validate(); // moves back to the first bad cell, if any
    });
    connect(grdMPT, &QTableWidget::cellEntered, this, [this](int row, int column) {
        if (QTableWidgetItem* item = grdMPT->item(row, column);
            item != nullptr && !IsSpare(row, column))
            item->setToolTip(HintFor(row + 1, column + 1));
    });
    connect(grdMPT, &QTableWidget::cellChanged, this, [this](int, int) {
        if (!filling && !validating)
            MptModified = true;
    });

    popMPTgrid = new QMenu(this);
    popMPTgrid->setObjectName(QStringLiteral("popMPTgrid"));
    const auto item = [this](QMenu* menu, const char* name, const QString& caption) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    pmiShowRanges = item(popMPTgrid, "pmiShowRanges", QStringLiteral("Show row ranges"));
    pmiShowOffsets = item(popMPTgrid, "pmiShowOffsets", QStringLiteral("Show row offsets"));
    auto* views = new QActionGroup(this);
    for (QAction* view : {pmiShowRanges, pmiShowOffsets}) {
        view->setCheckable(true);
        views->addAction(view);
    }
    pmiShowRanges->setChecked(true);
    popMPTgrid->addSeparator();
    pmiSetToDefault = item(popMPTgrid, "pmiSetToDefault", QStringLiteral("Set to default presets"));
    pmiSelectFolder =
        item(popMPTgrid, "pmiSelectFolder", QStringLiteral("Select folder for file name hints..."));
    QMenu* insert = popMPTgrid->addMenu(QStringLiteral("Insert cell"));
    pmiInsertShiftRow = item(insert, "pmiInsertShiftRow", QStringLiteral("Shift to end of row"));
    pmiInsertShiftAll = item(insert, "pmiInsertShiftAll", QStringLiteral("Shift all"));
    QMenu* remove = popMPTgrid->addMenu(QStringLiteral("Delete cell"));
    pmiDeleteShiftRow = item(remove, "pmiDeleteShiftRow", QStringLiteral("Shift to end of row"));
    pmiDeleteShiftAll = item(remove, "pmiDeleteShiftAll", QStringLiteral("Shift all"));
    connect(pmiShowRanges, &QAction::triggered, this, [this] { ShowRowLabels(true); });
    connect(pmiShowOffsets, &QAction::triggered, this, [this] { ShowRowLabels(false); });
    connect(pmiSetToDefault, &QAction::triggered, this, [this] { SetToDefault(); });
    connect(pmiSelectFolder, &QAction::triggered, this, [this] {
        QString folder = MptFileName.isEmpty() ? HintFolder : QFileInfo(MptFileName).absolutePath();
        if (SelectFolder(QStringLiteral("Choose a folder below:"), folder))
            HintFolder = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    });
    connect(pmiInsertShiftRow, &QAction::triggered, this, [this] { InsertCell(false); });
    connect(pmiInsertShiftAll, &QAction::triggered, this, [this] { InsertCell(true); });
    connect(pmiDeleteShiftRow, &QAction::triggered, this, [this] { DeleteCell(false); });
    connect(pmiDeleteShiftAll, &QAction::triggered, this, [this] { DeleteCell(true); });
    ShowRowLabels(true);
    grdMPT->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grdMPT, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { popMPTgrid->exec(grdMPT->viewport()->mapToGlobal(at)); });
}

// Row, then column.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TfrmMPTEdit::IsSpare(int row, int column) const {
    return row * kColumns + column >= TableMode.MptEntryCount;
}

void TfrmMPTEdit::ShowRowLabels(bool ranges) {
    RowRanges = ranges;
    QStringList labels;
    for (int row = 1; row <= rows; ++row)
        labels << (ranges
                       ? QStringLiteral("%1-%2").arg((row - 1) * kColumns + 1).arg(row * kColumns)
                       : QStringLiteral("%1 +").arg((row - 1) * kColumns));
    grdMPT->setVerticalHeaderLabels(labels);
    (ranges ? pmiShowRanges : pmiShowOffsets)->setChecked(true);
}

QString TfrmMPTEdit::RowLabel(int row) const {
    const int logical = grdMPT->verticalHeader()->logicalIndex(row - 1);
    QTableWidgetItem* header = grdMPT->verticalHeaderItem(logical);
    return header != nullptr ? header->text() : QString();
}

std::vector<QTableWidgetItem*> TfrmMPTEdit::DataCells() const {
    std::vector<QTableWidgetItem*> cells;
    for (int visualRow = 0; visualRow < rows; ++visualRow) {
        const int row = grdMPT->verticalHeader()->logicalIndex(visualRow);
        for (int visualColumn = 0; visualColumn < kColumns; ++visualColumn) {
            const int column = grdMPT->horizontalHeader()->logicalIndex(visualColumn);
            if (!IsSpare(row, column))
                cells.push_back(grdMPT->item(row, column));
        }
    }
    return cells;
}

void TfrmMPTEdit::TableToGrid() {
    filling = true;
    const std::vector<QTableWidgetItem*> cells = DataCells();
    for (std::size_t i = 0; i < cells.size(); ++i)
        cells[i]->setText(Number(Table.MptEntries[i] + 1));
    filling = false;
}

void TfrmMPTEdit::SetFileName(const QString& name) {
    MptFileName = name;
    setWindowTitle(name.isEmpty()
                       ? QString::fromLatin1(kMptEditorTitle)
                       : QString::fromLatin1(kMptEditorTitle) + QStringLiteral(" - ") + name);
}

void TfrmMPTEdit::LoadTable(std::istream& stream) {
    Table.Load(stream, TableMode);
    TableToGrid();
    MptModified = false;
}

bool TfrmMPTEdit::Validate() {
    // A cell still being typed in counts with what it shows.
    for (auto* editor : grdMPT->viewport()->findChildren<QLineEdit*>())
        if (editor->isVisible()) {
            QMetaObject::invokeMethod(grdMPT, "commitData", Q_ARG(QWidget*, editor));
            QMetaObject::invokeMethod(
                grdMPT, "closeEditor", Q_ARG(QWidget*, editor),
                Q_ARG(QAbstractItemDelegate::EndEditHint, QAbstractItemDelegate::NoHint));
        }
    const std::vector<QTableWidgetItem*> cells = DataCells();
    validating = true;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        const QString text = cells[i]->text().trimmed();
        bool ok = false;
        const int number = text.toInt(&ok);
        QString error;
        if (!ok)
            error = QStringLiteral("Invalid preset number: ") + text +
                    QStringLiteral(" at location ") + QString::number(i + 1);
        else if (number < 1 || number > 200)
            error = QStringLiteral("Invalid preset number: ") + text +
                    QStringLiteral(" at location ") + QString::number(i + 1) +
                    QStringLiteral(" (should be 001 thru 200)");
        if (!error.isEmpty()) {
            grdMPT->setCurrentItem(cells[i]); // not checked again: the message is shown once
            validating = false;
            ShowMessage(this, error, QStringLiteral("Error found"));
            return false;
        }
        const QString tidy = Number(number);
        if (cells[i]->text() != tidy)
            cells[i]->setText(tidy);
    }
    validating = false;
    return true;
}

void TfrmMPTEdit::GridToTable() {
    const std::vector<QTableWidgetItem*> cells = DataCells();
    for (std::size_t i = 0; i < cells.size(); ++i)
        Table.MptEntries[i] = cells[i]->text().trimmed().toInt() - 1;
}

bool TfrmMPTEdit::SaveToFile() {
    const QString initial =
        !MptFileName.isEmpty()
            ? MptFileName
            : (LastSaveFolder.isEmpty() ? FolderForWriting(QDir::cleanPath(DefaultUserFolder()))
                                        : LastSaveFolder) +
                  QLatin1Char('/') + GetAppTitle() + QLatin1Char('_') +
                  QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) +
                  QStringLiteral(".mpt");
    const QString name =
        Dialogs().SaveFileName(this, QStringLiteral("Save MPT table as"), initial, kFilter);
    if (name.isEmpty())
        return false;
    const TBytes bytes = Table.Encode(TableMode);
    // All or nothing: a failed save leaves an existing file, the name and the state as they were.
    if (const QString error = WriteWholeFile(name, bytes); !error.isEmpty()) {
        ShowMessage(this, QStringLiteral("Cannot write ") + name + QStringLiteral(": ") + error,
                    QStringLiteral("Sorry..."));
        return false;
    }
    LastSaveFolder = QFileInfo(name).absolutePath();
    SetFileName(name);
    return true;
}

std::optional<std::vector<TProgramName>> TfrmMPTEdit::Names() {
    if (!Validate())
        return std::nullopt;
    GridToTable();
    int bank = 0;
    if (TableMode.BankCount > 1) {
        // The table calls up presets of the bank the unit is in: the user knows which that is.
        QStringList banks;
        for (int letter = 0; letter < TableMode.BankCount; ++letter)
            banks << QStringLiteral("Bank %1").arg(QLatin1Char(BankLetters[letter]));
        bool ok = false;
        const QString chosen =
            QInputDialog::getItem(this, QStringLiteral("Program names"),
                                  QStringLiteral("Name the programs by the presets of:"), banks,
                                  std::clamp(NamesBank, 0, TableMode.BankCount - 1), false, &ok);
        if (!ok || !banks.contains(chosen))
            return std::nullopt;
        bank = static_cast<int>(banks.indexOf(chosen));
        NamesBank = bank;
    }
    const std::map<int, std::string> titles =
        OnPresetTitles ? OnPresetTitles(bank) : std::map<int, std::string>();
    return ProgramNames(Table, titles, TableMode);
}

void TfrmMPTEdit::ExportNames() {
    const std::optional<std::vector<TProgramName>> names = Names();
    if (!names)
        return;
    const QString folder = LastSaveFolder.isEmpty()
                               ? FolderForWriting(QDir::cleanPath(DefaultUserFolder()))
                               : LastSaveFolder;
    const QString stem = MptFileName.isEmpty() ? QStringLiteral("Program names")
                                               : QFileInfo(MptFileName).completeBaseName();
    const QString name =
        Dialogs().SaveFileNameOfType(this, QStringLiteral("Export names"),
                                     folder + QLatin1Char('/') + stem + QStringLiteral(".csv"),
                                     QString::fromLatin1(kProgramNamesFilters));
    if (name.isEmpty())
        return;
    if (const QString error = SaveProgramNames(name, *names); !error.isEmpty()) {
        ShowMessage(this, QStringLiteral("Cannot write ") + name + QStringLiteral(": ") + error,
                    QStringLiteral("Sorry..."));
        return;
    }
    LastSaveFolder = QFileInfo(name).absolutePath();
}

void TfrmMPTEdit::CopyNames() {
    if (const std::optional<std::vector<TProgramName>> names = Names())
        QApplication::clipboard()->setText(QString::fromStdString(ProgramNamesText(*names)));
}

void TfrmMPTEdit::Send() {
    if (!Validate())
        return;
    GridToTable();
    const auto answer = Dialogs().MessageBox(
        this,
        QStringLiteral("Please confirm MPT update. This will replace all previous program mapping "
                       "assignments. Do you want to proceed?"),
        QStringLiteral("Confirm"), QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
    if (answer != QMessageBox::Yes || !OnSendMessage)
        return;
    std::stringstream stream;
    Table.Save(stream, TableMode);
    stream.seekg(0);
    OnSendMessage(stream);
}

void TfrmMPTEdit::SetToDefault() {
    filling = true;
    const std::vector<QTableWidgetItem*> cells = DataCells();
    for (std::size_t i = 0; i < cells.size(); ++i)
        cells[i]->setText(Number(static_cast<int>(i) + 1));
    filling = false;
    MptModified = true;
}

std::vector<QTableWidgetItem*> TfrmMPTEdit::ShiftRange(bool allToEnd) const {
    const std::vector<QTableWidgetItem*> cells = DataCells();
    QTableWidgetItem* current = grdMPT->currentItem();
    const auto at = std::find(cells.begin(), cells.end(), current);
    if (at == cells.end())
        return {};
    const auto first = static_cast<std::size_t>(at - cells.begin());
    std::size_t last = cells.size() - 1;
    if (!allToEnd)
        last = std::min(last, (first / kColumns) * kColumns + kColumns - 1);
    return {cells.begin() + static_cast<std::ptrdiff_t>(first),
            cells.begin() + static_cast<std::ptrdiff_t>(last) + 1};
}

void TfrmMPTEdit::InsertCell(bool allToEnd) {
    const std::vector<QTableWidgetItem*> range = ShiftRange(allToEnd);
    if (range.empty())
        return;
    filling = true;
    for (std::size_t i = range.size() - 1; i > 0; --i)
        range[i]->setText(range[i - 1]->text());
    range.front()->setText(QString());
    filling = false;
    MptModified = true;
}

void TfrmMPTEdit::DeleteCell(bool allToEnd) {
    const std::vector<QTableWidgetItem*> range = ShiftRange(allToEnd);
    if (range.empty())
        return;
    filling = true;
    for (std::size_t i = 0; i + 1 < range.size(); ++i)
        range[i]->setText(range[i + 1]->text());
    // With the 128-entry table the cell after the last is a spare, empty one.
    if (allToEnd && TableMode.MptEntryCount % kColumns != 0)
        range.back()->setText(QString());
    filling = false;
    MptModified = true;
}

// Row, then column.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TfrmMPTEdit::HintFor(int row, int column) const {
    const int logicalRow = grdMPT->verticalHeader()->logicalIndex(row - 1);
    const int logicalColumn = grdMPT->horizontalHeader()->logicalIndex(column - 1);
    QTableWidgetItem* item = grdMPT->item(logicalRow, logicalColumn);
    const QString pattern = QStringLiteral("*.tmq") + (item != nullptr ? item->text() : QString());
    const QStringList found =
        QDir(HintFolder)
            .entryList({pattern}, QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    return found.isEmpty() ? HintFolder + pattern : found.first();
}

void TfrmMPTEdit::ChooseFont() {
    QFont font = grdMPT->font();
    if (Dialogs().FixedPitchFont(this, font))
        grdMPT->setFont(font); // the print font too
}

void TfrmMPTEdit::Headings(bool listStyle) {
    const TFontStyle style = FontStyle();
    SetFontStyle({.Bold = true, .Underline = true});
    PrintLine(QStringLiteral("Prog Chg #"), LeftMargin);
    if (listStyle) {
        PrintLine(ColumnSeparator, LeftMargin + 10 * CharWidth);
        PrintLine(QStringLiteral("Preset#   "), LeftMargin + 15 * CharWidth);
        PrintLine(ColumnSeparator, LeftMargin + 25 * CharWidth);
        PrintLine(QStringLiteral("File name       "), LeftMargin + 30 * CharWidth);
    } else {
        int x = LeftMargin + 10 * CharWidth;
        for (int column = 0; column < kColumns; ++column) {
            const int logical = grdMPT->horizontalHeader()->logicalIndex(column);
            PrintLine(ColumnSeparator, x);
            PrintLine(grdMPT->horizontalHeaderItem(logical)->text(), x + 5 * CharWidth);
            x += 8 * CharWidth;
        }
    }
    SetFontStyle(style);
    CurrentY += LineHeight;
}

void TfrmMPTEdit::PrintAll(bool listStyle) {
    if (!PrintBegin(grdMPT->font()))
        return;
    // A report cut at the page's edge loses columns: the font gives way instead.
    PrintFitWidth(listStyle ? 30 + 20 : LabelChars + kColumns * (SeparatorChars + CellChars));
    const QString header = QString(10, QLatin1Char(' ')) + MptFileName;
    const QString title = QStringLiteral("ZOL Quellfarn MPT Table");
    const auto top = [&] {
        PrintPageHeader(header);
        PrintTitle(title);
        Headings(listStyle);
    };
    const auto pageCheck = [&] {
        if (CurrentY >= PageBottom) {
            PrintNewPage();
            top();
        }
    };
    top();
    const std::vector<QTableWidgetItem*> cells = DataCells();
    if (!listStyle) {
        SetFontStyle({.Bold = false, .Underline = true});
        for (int row = 1; row <= rows; ++row) {
            pageCheck();
            int x = LeftMargin;
            PrintLine(RowLabel(row), x);
            x += LabelChars * CharWidth;
            for (int column = 1; column <= kColumns; ++column) {
                const std::size_t index =
                    static_cast<std::size_t>((row - 1) * kColumns + column - 1);
                if (index >= cells.size())
                    break;
                PrintLine(ColumnSeparator, x);
                PrintLine(cells[index]->text(), x + SeparatorChars * CharWidth);
                x += (SeparatorChars + CellChars) * CharWidth;
            }
            CurrentY += LineHeight;
        }
    } else {
        for (std::size_t i = 0; i < cells.size(); ++i) {
            pageCheck();
            const int number = RowRanges ? static_cast<int>(i) + 1 : static_cast<int>(i);
            PrintLine(QString::number(number), LeftMargin);
            PrintLine(ColumnSeparator, LeftMargin + 10 * CharWidth);
            PrintLine(cells[i]->text(), LeftMargin + 15 * CharWidth);
            PrintLine(ColumnSeparator, LeftMargin + 25 * CharWidth);
            const QStringList found =
                QDir(HintFolder)
                    .entryList({QStringLiteral("*.tmq") + cells[i]->text()},
                               QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
            if (!found.isEmpty())
                PrintLine(found.first(), LeftMargin + 30 * CharWidth);
            CurrentY += LineHeight;
        }
    }
    PrintEnd();
}

void TfrmMPTEdit::PrintTable() {
    TfrmMPTRptOpt options(this);
    options.SetStyle(AppSettings != nullptr
                         ? AppSettings->GetInteger(QStringLiteral("MPT_REPT_STYLE"), true, 0)
                         : 0);
    if (options.exec() != QDialog::Accepted)
        return;
    if (AppSettings != nullptr)
        AppSettings->PutInteger(QStringLiteral("MPT_REPT_STYLE"), options.Style());
    if (!ChoosePrintTarget(this))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintAll(options.Style() == 1);
    QApplication::restoreOverrideCursor();
}

void TfrmMPTEdit::PrintPreview() {
    const bool listStyle = AppSettings != nullptr &&
                           AppSettings->GetInteger(QStringLiteral("MPT_REPT_STYLE"), true, 0) == 1;
    ::PrintPreview(this, [this, listStyle] { PrintAll(listStyle); });
}

bool TfrmMPTEdit::CloseQuery() {
    if (!MptModified)
        return true;
    const auto answer = Dialogs().MessageBox(
        this, QStringLiteral("Do you want to save your changes?"), QStringLiteral("Confirm"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    if (answer == QMessageBox::No)
        return true;
    if (answer != QMessageBox::Yes || !Validate())
        return false;
    GridToTable();
    return SaveToFile();
}

void TfrmMPTEdit::closeEvent(QCloseEvent* event) {
    if (!CloseQuery()) {
        event->ignore();
        return;
    }
    if (AppSettings != nullptr) {
        AppSettings->PutString(QStringLiteral("MPT_HINT_DIR"), HintFolder);
        AppSettings->SaveFormPosition(this);
    }
    event->accept();
}

bool TfrmMPTEdit::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched == grdMPT) {
        // Tab goes from cell to cell; Ctrl+Tab leaves the table, as it leaves any grid.
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) &&
            (key->modifiers() & Qt::ControlModifier) != 0) {
            focusNextPrevChild(key->key() == Qt::Key_Tab &&
                               (key->modifiers() & Qt::ShiftModifier) == 0);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if ((widget == this || isAncestorOf(widget)) &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_F9) {
            Send();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
