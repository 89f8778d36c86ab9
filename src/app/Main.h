#pragma once
// The main window: the MIDI explorer extended with everything that knows the processor —
// the device link (requests, replies, pacing, time-outs) and the processor menu.

#include "explorer/MIDIExplorer.h"

#include <QPointer>
#include <QTimer>
#include <array>
#include <istream>
#include <memory>
#include <vector>

class TfrmMPTEdit;
class TfrmPresetEditor;

// The preset editor windows opened from received data; each is freed with the list.
class TChildWindowList : public QObject {
public:
    std::vector<std::unique_ptr<TfrmPresetEditor>> Windows;
    ~TChildWindowList() override;
    void Clear();
};

class TfrmMain : public TfrmMIDIExplorer {
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
    void MidiInputArrived(TMidiInput& sender) override;
    void OpenBufferInEditor() override;
    void InitializeExplorer(TqvRegUtil* settings, const QString& caption) override;

    // The device link.
    void RequestCurrentPreset();
    void QueryParameter(std::uint8_t address);
    void PingDevice();
    int QueryCurrentPresetNumber();
    void RequestPreset();
    bool HandleReply(const TMyMidiEvent& event);
    void SelectBank(int index);
    void StopProcedure();
    void ApplyModeOption();
    bool IsPresetDump();
    bool IsMptDump();
    QString PresetTitleOf() const;

    // The preset editors.
    void OpenPresetEditor();
    TfrmPresetEditor* NewPresetEditor();
    QString SendStreamToMidiOut(std::istream& stream);
    std::vector<TfrmPresetEditor*> PresetEditors() const;
    // The table editors.
    TfrmMPTEdit* OpenMptEditor();
    TfrmMPTEdit* NewMptEditor();
    std::vector<QPointer<TfrmMPTEdit>> TableEditors; // each frees itself when closed
    TChildWindowList* ChildWindows = nullptr;

    QTimer* timPresetReq;
    QString OutputDirectory;
    std::uint8_t PresetIndex = 0;
    std::uint8_t LastIndex = 0;
    double LastPresetTime = 0; // milliseconds of the system tick count
    bool ProcedureActive = false;
    bool SaveFlag = false;
    bool PrintFlag = false;
    int PendingReplies = 0;
    int CurrentBank = -1;
    int BankAtStart = -1;
    std::array<bool, 4> BankChosen{};
    bool LoopByPresetNumber = true;
    QString UntitledName;
    int PresetAnswer = -1;
    int RequestDelay = 1000; // milliseconds

    // The processor menu.
    QMenu* miQuellfarnRequests = nullptr;
    QAction* miGetCurrentPreset = nullptr;
    QAction* miGetEachPreset = nullptr;
    QAction* miPrintPresetList = nullptr;
    QAction* miGetBulkDump = nullptr;
    QAction* miGetMptTable = nullptr;
    QAction* miBypass = nullptr;
    std::array<QAction*, 4> miSelectBank{};
    QAction* miPrePlenova = nullptr;
    QMenu* miPresets = nullptr;
    QAction* miOpenPresetEditor = nullptr;
    QAction* miNewPreset = nullptr;
    QAction* pmiEdit = nullptr;
    QMenu* miMPT = nullptr;
    QAction* miOpenMptEditor = nullptr;
    QAction* miNewMpt = nullptr;

    // What the window frees at its end, the last first.
    std::vector<std::unique_ptr<QObject>> OwnedObjects;

private:
    void TimerTick();
    void SendRequest(const std::vector<std::uint8_t>& message);
    void SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void ToggleBypass();
    template <class T> T* Own(std::unique_ptr<T> object);
    void ConnectEditor(TfrmPresetEditor& editor);
};

// Milliseconds of a steadily running clock, as the system tick count gives them.
double TickCount();
