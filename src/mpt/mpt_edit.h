#pragma once
// The program table editor: the processor's MIDI program table as a grid of preset numbers,
// ten program changes a row, edited, checked, reset, shifted, saved as ".mpt", sent back to
// the unit, printed, and its programs named for foot controllers and DAWs.

#include "model/DeviceMode.h"
#include "model/Mpt.h"
#include "model/SetList.h"

#include <QWidget>
#include <functional>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QPushButton;
class QTableWidget;
class QTableWidgetItem;

class TfrmMPTEdit : public QWidget {
    Q_OBJECT
public:
    explicit TfrmMPTEdit(QWidget* parent = nullptr);
    ~TfrmMPTEdit() override;

    // Sends the table message (the stream, from its start) to the processor.
    std::function<QString(std::istream& stream)> OnSendMessage;

    // The titles of a bank's slots as the unit's memory holds them (slot, 1-based, to its title
    // in UTF-8); empty when none are known.
    std::function<std::map<int, std::string>(int bank)> OnPresetTitles;

    void SetFileName(const QString& name);
    void LoadTable(std::istream& stream); // a table message of the window's model; else raises
    bool Validate();
    void GridToTable();
    bool SaveToFile(); // true when a file was written
    void Send();
    void SetToDefault();
    void InsertCell(bool allToEnd);
    void DeleteCell(bool allToEnd);
    void ShowRowLabels(bool ranges);
    QString HintFor(int row, int column) const; // data cell 1-based
    void PrintTable();
    void PrintPreview();
    void ChooseFont();
    bool CloseQuery();
    // The programs as the grid has them, named by the presets' titles: written into a CSV or
    // MIDNAM file the user names, or put on the clipboard as text.
    void ExportNames();
    void CopyNames();

    // The data cells in reading order as the grid shows them now (rows and columns may have
    // been dragged), spare cells left out.
    std::vector<QTableWidgetItem*> DataCells() const;
    QString RowLabel(int row) const; // row 1-based, as the grid shows it

    Tmpt Table;
    // The model the window was opened with: its entry count and command byte stay with the
    // table even when the option is switched while the window is open.
    const TDeviceMode TableMode;
    bool MptModified = true;
    QString MptFileName;
    QString HintFolder;
    bool RowRanges = true;
    int NamesBank = 0; // the bank whose presets the table calls up, proposed when names are made

    QWidget* ToolBar1;
    QPushButton* btnSaveAs;
    QPushButton* btnSendOut;
    QPushButton* btnPrint;
    QPushButton* btnPreview;
    QPushButton* btnPrtSetup;
    QPushButton* btnFont;
    QPushButton* btnNames;
    QPushButton* btnExit;
    QTableWidget* grdMPT;
    QMenu* popMPTgrid;
    QAction* pmiShowRanges;
    QAction* pmiShowOffsets;
    QAction* pmiSetToDefault;
    QAction* pmiSelectFolder;
    QAction* pmiInsertShiftRow;
    QAction* pmiInsertShiftAll;
    QAction* pmiDeleteShiftRow;
    QAction* pmiDeleteShiftAll;
    QMenu* popNames;
    QAction* miExportNames;
    QAction* miCopyNames;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildGrid();
    void TableToGrid();
    void CellChanged(int row, int column);
    std::vector<QTableWidgetItem*> ShiftRange(bool allToEnd) const;
    void PrintAll(bool listStyle);
    void Headings(bool listStyle);
    bool IsSpare(int row, int column) const; // logical row/column, 0-based data coordinates
    // The grid's programs with their presets' titles, the bank asked where the unit has several;
    // none when a cell is wrong (said) or the user cancelled.
    std::optional<std::vector<TProgramName>> Names();

    int rows = 20;
    bool validating = false;
    bool filling = false;
};

// The window's caption.
inline constexpr const char* kMptEditorTitle = "ZOL Quellfarn MPT Editor";
