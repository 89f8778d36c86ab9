#pragma once
// The preset editor window: shows one preset document and binds its controls to it. The window
// is the tool bar, the title with "Auto send" and the status, the effect chain panel, and the
// preset pages (the parameter tabs, the performance MIDI and the foot-switch panels) beside the
// mix; it opens, saves, sends and stores through the document and prints what it shows.

#include "base/UnitName.h"
#include "model/EffectCatalogue.h"
#include "model/StoreRequest.h"

#include <QWidget>
#include <functional>
#include <istream>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QListWidget;
class QTimer;
class TDraftStore;
class TEffectChainPanel;
class TFootSwitchPanel;
class TfrmStorePrompt;
class TParameterPages;
class TPerformancePanel;
class TPresetDocument;
struct TDraft;

inline const char* const kEditorTitle = "ZOL TMQ-Quellfarn Plenova Preset Editor";

class TfrmPresetEditor : public QWidget {
    Q_OBJECT
public:
    explicit TfrmPresetEditor(QWidget* parent = nullptr);
    ~TfrmPresetEditor() override;

    // What the main window hands every editor besides the document's sending: ask the unit's
    // current slot (1-based, -1 unknown); store a dump into a slot (keeping what it replaces,
    // verifying, sending it first, as the request says).
    std::function<int()> OnGetPresetNumber;
    std::function<TStoreResult(const TStoreRequest& request)> OnStorePreset;
    // Reads a slot of the unit (bank -1: the bank it is in) for "Compare with the unit": its
    // place as the library names it ("A 017") and its dump; nothing when it did not come.
    struct TReadSlot {
        QString Place;
        TBytes Dump;
    };
    std::function<std::optional<TReadSlot>(int bank, int slot)> OnReadSlot;
    // What a slot (bank -1: the unit's current one) holds as far as known, for the store prompt.
    std::function<QString(int bank, int slot)> OnSlotHolds;
    // The unit a store goes into, named in the store prompt.
    std::function<TUnitName()> OnUnit;
    // "Follow the unit" turned on or off by the user; SetFollowUnit shows the setting.
    std::function<void(bool on)> OnFollowUnit;
    // Ctrl+PgDn (step 1) and Ctrl+PgUp (-1): the next or the previous slot of the unit, from
    // the slot this preset came from.
    std::function<void(int step)> OnStepSlot;
    // A line for the user in the window's status text.
    void Say(const QString& text);
    void SetFollowUnit(bool on);
    bool FollowsUnit() const;

    // Where the window keeps its unsaved edits until they are saved, stored or let go; without
    // it nothing is kept.
    void KeepDraftsIn(std::shared_ptr<TDraftStore> store);
    // A draft of another run brought back: shown as it stood, modified, with what it compares
    // with and the store it can undo; it is this window's draft from now on. False when that
    // draft could not be written (the status says why).
    bool Recover(const TDraft& draft);

    void SetUp();
    void LoadDump(std::istream& stream);
    void SetFileName(const QString& name);
    void Show(); // fills the window from the document; also shows the window
    // Another job (a walk, a restore, another window's store) has the unit: no store now.
    void SetUnitBusy(bool busy);
    // While "Learn" is down, the next controller message from the MIDI input chooses its row.
    bool Learning() const;
    void LearnController(int controller);

    TPresetDocument& Document() { return *document; }
    TParameterPages& Parameters() { return *parameters; }
    TEffectChainPanel& Chain() { return *chain; }
    TFootSwitchPanel& Switches() { return *switches; }
    TPerformancePanel& Performance() { return *performance; }

    // The folder of the last save, shared by every editor window.
    static QString LastPresetFolder;

    // Components, named as the window names them.
    QPushButton* btnOpen;
    QPushButton* btnUndo;
    QPushButton* btnRedo;
    QPushButton* btnSaveAs;
    QPushButton* btnSendOut;
    QPushButton* btnStore;
    QPushButton* btnUndoStore;
    QPushButton* btnCompare;
    QPushButton* btnCompareUnit;
    QPushButton* btnPrint;
    QPushButton* btnPreview;
    QPushButton* btnPrtSetup;
    QPushButton* btnExit;
    QLineEdit* edtTitle;
    QCheckBox* chkAutoSend;
    QCheckBox* chkFollowUnit;
    QLabel* lblStatus;
    QGroupBox* grpMix;
    QTabWidget* pgcPreset;
    QWidget* tsAnalogEffects;
    QWidget* tsDigitalEffects;
    QWidget* tsPerfMIDI;
    QWidget* tsK27states;
    QTabWidget* pgcAnalogParams;
    QTabWidget* pgcDigitalParams;
    QListWidget* lstChanges;

    // A/B: the unit and the window show the preset's reference (as loaded, saved or stored)
    // instead of the edited preset, or the edited one again. No edit: no undo step, the modified
    // state unchanged.
    void Compare();
    bool Comparing() const { return comparing; }
    // What differs from the reference, as the list shows it.
    QStringList ChangeLines() const;

    // Ctrl+Shift+C: every parameter of the effect chosen in the chain, or else of the effect
    // whose page is shown, onto the clipboard. Ctrl+Shift+V: the copied block into this preset's
    // same effect, one edit sent like any other; a preset without that effect in its chain is
    // left as it is, and the status says so.
    void CopyEffectBlock();
    void PasteEffectBlock();
    QAction* actCopyBlock;
    QAction* actPasteBlock;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildWindow();
    QWidget* BuildToolBar();
    void ShowDocument();
    void AnalogSwitched(int block, bool on);
    void DigitalChanged(int addedEffect);
    void ShowFirstDigitalTab();
    void UpdateUndoButtons();
    void ShowSent();
    void StepHistory(bool undo);
    void Open();
    bool SaveAs(); // true when a file was written
    void Store();
    void UndoStore(); // the preset the last store replaced goes back into its slot
    TStoreResult RunStore(const TStoreRequest& request);
    // Tells what a store came to: the status, and a message when something went wrong.
    void ReportStore(const TStoreResult& result, const QString& done);
    void UpdateStoreButtons();
    bool CloseQuery(); // true: the window may close
    void PrintPreset();
    void PreviewPreset();
    void PrintListing();
    static TfrmStorePrompt* StoreDialog(); // made on first use, kept with its last number
    void EndCompare();
    void ShowRecordOf(const TBytes& dump, bool autoSend);
    void UpdateChanges();
    void CompareWithUnit();
    // The control a change names, on its tab, with the focus.
    void ShowControl(int row);
    // The chain's lists offer the block commands on a right click (PresetEditorBlocks.cpp).
    void BuildBlockCommands();
    struct TChosenBlock {
        TParameterOwner Owner = TParameterOwner::None;
        int Effect = -1;
    };
    std::optional<TChosenBlock> ChosenBlock() const;

    void DraftDue(); // an edit: the draft is written within the draft delay
    bool WriteDraft();
    void DropDraft(); // the edits are saved, stored or let go by the user

    std::unique_ptr<TPresetDocument> document;
    std::unique_ptr<TParameterPages> parameters;
    TEffectChainPanel* chain;
    TFootSwitchPanel* switches;
    TPerformancePanel* performance;
    bool storing = false;
    bool unitBusy = false;
    bool comparing = false;
    TBytes edited;                           // the edited preset while the reference is shown
    std::vector<std::string> changeControls; // the control of each line of the changes list
    QTimer* changesTimer;
    std::shared_ptr<TDraftStore> drafts;
    QString draftPath; // empty until the window first keeps a draft
    QTimer* draftTimer;
    bool draftDue = false;
};
