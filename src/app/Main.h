#pragma once
// The main window: the MIDI explorer extended with everything that knows the processor —
// the device link (requests, replies, pacing, time-outs) and the processor menu.

#include "base/PresetListing.h"
#include "base/UnitName.h"
#include "base/qvUtility.h"
#include "explorer/MIDIExplorer.h"
#include "library/Library.h"
#include "link/BackupWalk.h"
#include "link/DeviceLink.h"
#include "link/PlanWalk.h"
#include "link/RestoreWalk.h"
#include "link/UnitSession.h"
#include "link/VerifiedStore.h"

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTimer>
#include <array>
#include <istream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QMessageBox;
class TDraftStore;
class TSimulatedProcessor;
class TSimulatedUnitFile;
class TfrmMPTEdit;
class TfrmPresetEditor;
class TSetList;
struct TLibraryRow;

// The windows the main window opened, in the order it opened them. Each is a Qt child of the
// main window, which frees them with itself: a preset editor is hidden when closed and used again
// for the next received preset, a table editor frees itself when closed (its entry reads null).
class TChildWindowList {
public:
    // received: an editor of received data, which the next received preset may use again.
    void Add(QWidget* window, bool received = false) { windows.push_back({window, received}); }
    std::vector<TfrmPresetEditor*> PresetEditors() const;
    std::vector<QPointer<TfrmMPTEdit>> TableEditors() const;
    // A hidden editor of received data; null when none is.
    TfrmPresetEditor* HiddenReceivedEditor() const;
    // The editors of received data on the screen, the newest last.
    std::vector<TfrmPresetEditor*> ShownReceivedEditors() const;

private:
    struct TEntry {
        QPointer<QWidget> Window;
        bool Received = false;
    };
    std::vector<TEntry> windows;
};

class TfrmMain : public TfrmMIDIExplorer, public TLinkHost {
    Q_OBJECT
public:
    explicit TfrmMain(MidiService& service, QWidget* parent = nullptr);
    ~TfrmMain() override;

    // The explorer's hooks.
    void ShowHook() override;
    bool KeyHook(int key, Qt::KeyboardModifiers modifiers) override;
    bool CanCloseHook() override;
    void CloseHook() override;
    void MessageBufferPopupHook() override;
    void OpenBufferInEditor() override;
    void InitializeExplorer(TqvRegUtil* settings, const QString& caption) override;

    // The device link: it takes the window's input; the window hands it the output port, the
    // waits, its status bar and log, and shows what the link does not take.
    std::unique_ptr<TDeviceLink> Link;
    void RequestCurrentPreset();
    void PingDevice(); // with the hourglass while it waits
    int QueryCurrentPresetNumber() { return Link->QueryCurrentPresetNumber(); }
    void SelectBank(int index) { Link->SelectBank(index); }
    // "Check the connection...": the check's steps and verdict in a box; a unit found under
    // another device byte is talked to under it from then on when the user says so.
    void CheckTheConnection();
    // Tries every pair of ports for the unit and chooses the pair that answers; quiet, as at
    // the first start, tells the status bar and the log instead of a box.
    void FindTheUnit(bool quiet = false);
    // "Follow the unit": a preset chosen on the unit itself (its program change) is fetched
    // into the editor that came from the unit, or into a window of its own where that editor
    // has unsaved changes.
    void FollowTheUnit();
    // The box of the check or the search, shown, with "Use device N" where the unit answers
    // under another device byte (-1: none found); the button makes Quellfarn talk to it.
    void OfferDevice(QMessageBox& box, int device);
    void ApplyModeOption();
    bool IsPresetDump();
    bool IsMptDump();
    QString PresetTitleOf() const;
    // "Get/Save each preset individually..." (save) and "Print list of presets...".
    void StartProcedure(bool save);
    // "Send presets to the unit...": a backup folder written back, each preset verified.
    void StartRestore();

    // TLinkHost
    TMidiOutput* Output() override { return MidiOutput(); }
    bool OutputAvailable(bool switchToMonitor) override {
        return MidiOutAvailable(switchToMonitor);
    }
    void Wait(int milliseconds) override { ::WaitMilliseconds(milliseconds); }
    void Status(const QString& text) override { ShowStatus(text); }
    void Log(const QString& text) override { AddLogLine(text); }
    void SendFailed(const QString& errorText) override;
    void BypassReported(bool on) override;
    void Unclaimed(std::unique_ptr<TMyMidiEvent> event) override;
    void WalkPresetArriving(TByteView dump) override;
    void InputDepth(int depth) override { SetInputDepth(depth); }
    void InputTaken() override { FinishLogBatch(); }
    void InputFailed(const QString& error) override;
    bool ListingBegin() override;
    bool ListingLine(int bank, int number, const QString& title) override;
    void ListingEnd() override;
    void Progress(const TProgress& progress) override;
    void ProcedureComplete() override;
    void ProcedureFailed(const QString& message) override;

    // The preset editors.
    void OpenPresetEditor();
    TfrmPresetEditor* NewPresetEditor();
    QString SendStreamToMidiOut(std::istream& stream);
    std::vector<TfrmPresetEditor*> PresetEditors() const { return childWindows.PresetEditors(); }
    // The library, made on first use; the unit's memory it shows and the link feeds, for the
    // output port chosen now.
    TfrmLibrary* Library();
    TUnitMemory* Memory();
    // The journal of the writes into that unit, beside its memory; null without a unit.
    TWriteJournal* Journal();
    // Undo (true) or redo of the journal's newest step, asking about slots changed meanwhile;
    // the counts are shown in a box.
    TPlanCounts Replay(bool undo);
    // An editor's store, a step of the journal; or its "Undo last store", the step undone.
    TStoreResult StoreFromEditor(const TStoreRequest& request);
    // "A 017 now holds: Slap Funk, read 2 days ago" (bank -1: the unit's current one).
    QString SlotHoldsText(int bank, int slot);
    // Where editors keep their unsaved edits: "drafts" in the program's data folder.
    static QString DraftFolder();
    // The unit the windows read and write now: the output port chosen, and whether it is the
    // simulated one.
    TUnitName UnitInUse() const;

    // The simulated unit inside the program keeps its memory across runs as a real one does:
    // taken from the folder now (a file that cannot be read is moved aside and named in the
    // log), written there after each change. Before InitializeExplorer, so that the ports
    // opened there find it as it was left.
    void KeepSimulatedUnit(std::shared_ptr<TSimulatedProcessor> unit,
                           const QString& folder = SimulatedUnitFolder());
    // "simulated-unit" in the program's data folder.
    static QString SimulatedUnitFolder();
    // "Reset the simulated unit to its factory presets", once the user said yes.
    void ResetSimulatedUnit();
    // Unsaved edits left by a run that ended without closing its editors (a crash, a kill, a
    // power cut), offered back; declined ones are moved aside, never deleted.
    void OfferRecovery();

    // The table editors.
    TfrmMPTEdit* OpenMptEditor();
    // A table message from elsewhere (an imported file) in an editor of its own.
    TfrmMPTEdit* OpenMptEditor(TByteView table);
    TfrmMPTEdit* NewMptEditor();
    std::vector<QPointer<TfrmMPTEdit>> TableEditors() const { return childWindows.TableEditors(); }
    // The unit's program table, asked of it now and waited for; none when it did not answer (or
    // a job runs).
    std::optional<TBytes> ReadProgramTable();
    // A set list's table in an editor of its own, whose send is read back and compared.
    TfrmMPTEdit* OpenSetListTable(const TfrmLibrary::TSetListTableMade& made);

    // The processor menu.
    QMenu* miQuellfarnRequests = nullptr;
    QAction* miGetCurrentPreset = nullptr;
    QAction* miGetEachPreset = nullptr;
    QAction* miPrintPresetList = nullptr;
    QAction* miSendPresets = nullptr;
    QAction* miGetBulkDump = nullptr;
    QAction* miGetMptTable = nullptr;
    QAction* miCheckConnection = nullptr;
    QAction* miFindUnit = nullptr;
    QAction* miResetSimulatedUnit = nullptr; // shown while a simulated unit is kept
    QAction* miBypass = nullptr;
    std::array<QAction*, 4> miSelectBank{};
    QAction* miPrePlenova = nullptr;
    QMenu* miPresets = nullptr;
    QAction* miOpenPresetEditor = nullptr;
    QAction* miNewPreset = nullptr;
    QAction* miLibrary = nullptr;
    QAction* miGigView = nullptr;
    QAction* pmiEdit = nullptr;
    QMenu* miView = nullptr; // Appearance
    QMenu* miMPT = nullptr;
    QAction* miOpenMptEditor = nullptr;
    QAction* miNewMpt = nullptr;

    // The procedures' progress, in the status bar while a walk is on.
    QProgressBar* prbProcedure = nullptr;
    QLabel* lblProgress = nullptr;

    // A row of the library in an editor of its own; a slot of the unit is its home slot.
    void OpenFromLibrary(const TLibraryRow& row);
    // The gig view of a set list (its file's path: the name shown, where relative preset files
    // stand from), on the song given (0-based), playing the unit on these ports.
    void OpenGigView(const TSetList& list, const QString& setListPath, int firstSong = 0);
    // "Gig view..." (F11): a set list chosen among the set lists' files, played in the gig view.
    void ChooseGigSetList();
    // The set list in the file played in the gig view from a song (0-based); lines that are no
    // song named first.
    void PlayGigSetList(const QString& path, int firstSong = 0);

    // What the window frees at its end, the last first.
    std::vector<std::unique_ptr<QObject>> OwnedObjects;

private:
    // The titles of a bank's slots as the unit's memory holds them, for the table editors.
    std::map<int, std::string> PresetTitles(int bank);
    void ToggleBypass();
    void UpdateJobCommands();
    void SendHeldPreset();
    TBytes heldPreset; // sent by an editor while the link was busy
    void HideProgress();
    // The job's progress, after what it waits for when a port has gone.
    void ShowProgressText();
    void MissingPortChanged() override;
    void OutputChanged() override;
    // What the simulated unit's last write of its memory said (empty: it was written).
    void SimulatedUnitSaved(const QString& error);
    std::shared_ptr<TSimulatedProcessor> simulatedUnit;
    // Where the unit's thread tells what a write of its memory said; the unit writes on after
    // this window is gone, until the program ends, so that no store is lost.
    struct TSimulatedSaves;
    std::shared_ptr<TSimulatedSaves> simulatedSaves;
    QString simulatedProblem; // said in the log once the window is up
    QString simulatedSaveError;
    QString progressText;
    bool followUnit = false; // the editors' "Follow the unit", kept in the settings
    // Loads a slot's dump into the editor, or into a window of its own where the editor holds
    // unsaved changes (or there is none): "B 017 opened[ in a window of its own: ...]".
    QString OpenSlotIn(TfrmPresetEditor* editor, const TBytes& dump, int bank, int slot);
    // Ctrl+PgDn, Ctrl+PgUp in an editor: the next or the previous slot of the unit.
    void StepSlot(TfrmPresetEditor& editor, int step);
    bool finding = false;       // every port is being tried
    bool findOnSilence = false; // the start's ping: no answer has the unit looked for
    bool followPending = false; // a program change came: the unit is asked once it is handled
    TPresetListing listing;
    template <class T> T* Own(std::unique_ptr<T> object);
    void ConnectEditor(TfrmPresetEditor& editor);
    TChildWindowList childWindows;
    void ReadUnitIntoLibrary(const std::array<bool, 4>& banks, int requestDelay, bool alsoBackUp);
    QPointer<TfrmLibrary> library;
    // The program table the unit last sent (or took, read back), for the marks of its state.
    std::optional<TBytes> unitTable;
    int tablesSeen = 0; // tables the unit sent this session: a read waits for the next
    // The unit on the ports chosen: its memory, journal and writes.
    std::unique_ptr<TUnitSession> session;
    // Asks the user about slots a step no longer finds as it left them.
    TPlanWalk::TAsk AskChanged();
    std::shared_ptr<TDraftStore> drafts; // shared with every preset editor, which may outlive it
    bool recoveryOffered = false;
};
