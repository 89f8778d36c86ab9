#pragma once
// The preset editor window: one preset, its document, edited through the effect chain, the
// parameter controls and the foot-controller switches, sent to the processor as it changes,
// recorded for undo and redo, opened from and saved to ".tmq" files and stored into a slot.
// Its code is split over PresetEditor.cpp (the document's life), EffectChain.cpp (the chain),
// K27Switches.cpp (the switches), ParameterPages.cpp (the parameter controls) and
// PresetPrint.cpp (the printed listing).

#include "model/Preset.h"
#include "model/StoreRequest.h"
#include "model/StreamList.h"

#include <QWidget>
#include <array>
#include <functional>
#include <istream>
#include <memory>
#include <vector>

class QAction;
class QCheckBox;
class QKeyEvent;
class QMenu;
class QScrollBar;
class QTableWidget;
struct TParameterControl;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTimer;
class QToolButton;
class TfrmStorePrompt;
class TParameterPages;

inline const char* const kEditorTitle = "ZOL TMQ-Quellfarn Plenova Preset Editor";
// What the main window answers when a preset went out.
inline const char* const kSentText = "MIDI data sent to MIDI Out";

class TfrmPresetEditor : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPresetEditor(QWidget* parent = nullptr);
    ~TfrmPresetEditor() override;

    // What the main window hands every editor: send a 258-byte dump (the stream, from its
    // start), send one SysEx message, ask the processor's current slot (1-based, -1 unknown).
    std::function<QString(std::istream& stream)> OnSendPreset;
    std::function<void(const std::uint8_t* bytes, int count)> OnSendSysEx;
    std::function<int()> OnGetPresetNumber;
    // Stores a dump into a slot (1-based): keep what it replaces, verify by reading it back,
    // send it first; bank 0..3 is selected first, -1 is the current one.
    std::function<TStoreResult(const TStoreRequest& request)> OnStorePreset;
    // How long the processor is given after a send before a store (the request delay).
    int RequestDelay = 1000;

    void SetUp();
    void LoadDump(std::istream& stream);
    void SetFileName(const QString& name);
    void Show(); // fills the window from the document; also shows the window

    void ImmediateChange() { MarkModified(true); }
    void DeferredChange() { MarkModified(false); }
    void MarkModified(bool immediate);
    void PushSnapshot();
    void SendPreset();
    void UpdateUndoButtons();
    void Undo();
    void Redo();
    void Open();
    bool SaveAs(); // true when a file was written
    void Store();
    void UndoStore(); // the preset the last store replaced goes back into its slot
    // Another job (a walk, a restore, another window's store) has the unit: no store now.
    void SetUnitBusy(bool busy);
    bool CloseQuery(); // true: the window may close

    // The effect chain.
    void AnalogSwitched(int block);
    void AddDigitalEffect();
    void RemoveDigitalEffect();
    void PickDigitalGroup();
    std::vector<int> SelectedDigitalEffects() const;
    // The foot-controller switches.
    void EvaluateSwitches();
    // The performance MIDI tab.
    void ResetTab();
    void ClearParameter(bool rebuild);
    void ChooseEffect();
    void ChooseParameter();
    // choosing: the parameter was just chosen and takes its range; otherwise only shown.
    void ShowRange(bool choosing);
    void ChooseController(int row);
    void ShowAssignment();
    void AddAssignment();
    void DeleteAssignment();
    void UpdateCommands();
    void RebuildAssignments();
    // While "Learn" is down, the next controller message from the MIDI input chooses its row.
    bool Learning() const;
    void LearnController(int controller);
    int CurrentAssignment = 0;
    std::vector<TParameterControl*> ListedControls;
    // The printed listing of what the window shows: to the chosen printer or PDF, or into a
    // preview.
    void PrintPreset();
    void PreviewPreset();

    std::unique_ptr<TPreset> Preset;
    TStreamList UndoList;
    TStreamList RedoList;
    bool Updating = false;
    QString FileName;
    bool IsNew = true;
    bool AutoSendPending = false;

    // Shared by every editor window.
    static bool SuppressSnapshots;
    static QString LastPresetFolder;
    static TfrmStorePrompt* StoreDialog(); // made on first use, kept with its last number

    // Components, named as the window names them.
    QPushButton* btnOpen;
    QPushButton* btnUndo;
    QPushButton* btnRedo;
    QPushButton* btnSaveAs;
    QPushButton* btnSendOut;
    QPushButton* btnStore;
    QPushButton* btnUndoStore;
    QPushButton* btnPrint;
    QPushButton* btnPreview;
    QPushButton* btnPrtSetup;
    QPushButton* btnExit;
    QLineEdit* edtTitle;
    QCheckBox* chkAutoSend;
    QLabel* lblStatus;
    QTimer* timSys;
    QGroupBox* grpAnalogFX;
    QListWidget* cklAnalogSelect;
    QGroupBox* grpDigFX;
    QListWidget* lbxDigAvail;
    QListWidget* lbxDigSel;
    QToolButton* btnAddDfx;
    QToolButton* btnDelDfx;
    QLabel* lblDigGrp;
    QPushButton* btnDigGrp;
    QGroupBox* grpMix;
    QTabWidget* pgcPreset;
    QWidget* tsAnalogEffects;
    QWidget* tsDigitalEffects;
    QWidget* tsPerfMIDI;
    QWidget* tsK27states;
    QTabWidget* pgcAnalogParams;
    QTabWidget* pgcDigitalParams;
    std::array<QCheckBox*, kK27StateCount> K27Boxes{}; // in the order of the switch table
    QCheckBox* chkK27exc;
    QCheckBox* chkK27cmp;
    QCheckBox* chkK27dst;
    QCheckBox* chkK27equ;
    QCheckBox* chkK27exp;
    QCheckBox* chkK27rev;
    QCheckBox* chkK27dly;
    QCheckBox* chkK27ptr;
    QCheckBox* chkK27fla;
    QCheckBox* chkK27sfx;
    QListWidget* lbxPMIdefctl;
    QMenu* popPMIctldef;
    QAction* pmiAddController;
    QAction* pmiDeleteController;
    QPushButton* btnPMIadd;
    QPushButton* btnPMIdel;
    QListWidget* lbxCtlParam;
    QListWidget* lbxParamNames;
    QLabel* lblPMIcurrval;
    QScrollBar* scrLowValue;
    QLabel* lblPMILowValue;
    QScrollBar* scrHighValue;
    QLabel* lblPMIHighValue;
    QTableWidget* grdPMctl;
    QPushButton* btnK27left;
    QPushButton* btnK27right;
    QPushButton* btnLearn;

    TParameterPages& Parameters() { return *parameters; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    QWidget* BuildToolBar();
    QWidget* BuildChain();
    void BuildSwitches();
    void PrintListing();
    void PrintTabs(QTabWidget* pages, int x);
    // The performance MIDI assignments, in the listing's third column.
    void PrintPerformanceMidi(int x);
    void ShowChain();
    void BindDigital();
    void ChainChanged();
    bool Regroup(const std::function<void()>& takeBack); // false: no group runs the selection
    void TimerFired();
    void LoadSnapshot(TStreamList::Stream& snapshot);
    void StepHistory(bool undo);
    std::unique_ptr<TStreamList::Stream> Snapshot() const;
    // Tells what a store came to: the status, and a message when something went wrong.
    void ReportStore(const TStoreResult& result, const QString& done);
    TStoreResult lastStore; // the last store that kept what it replaced
    int lastStoreSlot = 0;
    TStoreResult RunStore(const std::function<TStoreResult()>& store);
    void UpdateStoreButtons();
    bool storing = false;
    bool unitBusy = false;
    bool restoringSnapshot = false; // undo or redo is showing a snapshot
    QMetaObject::Connection focusWatch;
    void RefreshAvailable();
    void ShowFirstDigitalTab();
    void SwitchClicked(int box);
    bool SwitchUsable(int box) const;
    bool DigitalTabVisible(const char* caption) const;
    void PrepareControllers();
    void RebuildControllerList() { RebuildAssignments(); }
    void DisarmPerformance() { armed = false; }
    void BuildPerformanceTab();
    TPerfMIDI& Assignment();
    int GroupEffectOnTab(const QString& caption) const;
    QString SelectorText(int x, const QScrollBar& selector) const;
    void RangeChanged(bool low);
    void RenameController(int row);
    bool PerformanceKey(QKeyEvent* key);

    std::unique_ptr<TParameterPages> parameters;
    bool evaluatingSwitches = false;
    bool armed = false;
    bool settingRange = false;
    bool fillingControllers = false;
    bool controllersRead = false;
};
