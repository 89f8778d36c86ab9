#pragma once
// The MIDI explorer window the main window is built on: the hexadecimal message buffer on
// the left, the file pane and the monitor log on the right, the device and channel menus,
// the status bar, and the window's settings. Its code is split by concern over
// MessageBuffer.cpp, MonitorLog.cpp, FilePane.cpp and MIDIExplorer.cpp.

#include "explorer/LogView.h"
#include "midi/PortPair.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTreeWidgetItem>
#include <array>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QUrl;
class QActionGroup;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolButton;
class QTreeWidget;
class TqvRegUtil;
class TfrmMIDIExplorer;

inline constexpr int kMessageBufferSize = 10000;
inline constexpr int kLogLineLimit = 500;

// The message buffer's editor: hands typed keys and double clicks to the window first.
class TMessageEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TMessageEditor(TfrmMIDIExplorer& window);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TfrmMIDIExplorer& window;
};

// One entry of a device menu: its menu item and the device name.
class TqvMIDIMenuItem {
public:
    TqvMIDIMenuItem(QAction* item, const QString& name) : MenuItem(item), Name(name) {}
    ~TqvMIDIMenuItem();
    QAction* MenuItem;
    QString Name;
};

class TfrmMIDIExplorer : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmMIDIExplorer(MidiService& service, QWidget* parent = nullptr);
    ~TfrmMIDIExplorer() override;

    // The window's hooks, in the order the main window may override them.
    virtual void ShowHook();
    virtual void ActivateHook();
    virtual bool KeyHook(int key, Qt::KeyboardModifiers modifiers); // true: consumed
    virtual bool CanCloseHook() { return true; }                    // false keeps the window open
    virtual void CloseHook();
    virtual void LoadFileIntoBuffer(const QString& fileName);
    virtual void OpenBufferInEditor() = 0;
    virtual bool MidiOutAvailable(bool switchToMonitor);
    virtual void AddLogLine(const QString& text);
    virtual void DeleteLogLine(int index);
    virtual void MessageBufferPopupHook();
    virtual void InitializeExplorer(TqvRegUtil* settings, const QString& caption);

    void ShowStatus(const QString& text);
    int TransmitChannel() const { return transmitChannel; }
    void AddMainMenu(QMenu* menu);
    void AddBufferMenuItem(QAction* item);
    TMidiInput* MidiInput() const { return ports ? &ports->Input() : nullptr; }
    // The chosen port that has gone, as the user reads it ("MIDI Out 'USB MIDI Interface 1'"),
    // the output first; empty while both are there.
    QString MissingPort() const;
    // Watches the ports: the menus follow them, a chosen port that goes is waited for and
    // opened again when it is back.
    TPortWatch* PortWatch() const { return ports ? ports->Watch() : nullptr; }
    TMidiOutput* MidiOutput() const { return ports ? &ports->Output() : nullptr; }
    bool Initialized() const { return initialized; }
    // While held, the port menus take no choice and ports that come and go wait to be followed
    // until the hold ends (a search of every port holds them all open).
    void HoldPorts(bool held);
    // No port at all was stored at start (the first start) and nothing was chosen since: only
    // then may the start look for the unit and choose ports of its own.
    bool PortsToFind() const { return portsToFind; }
    // The output port chosen, by name, whether it is there or not; empty when none is.
    QString ChosenOutput() const { return ports ? ports->ChosenOut().Name : QString(); }

    // Message buffer.
    std::array<std::uint8_t, kMessageBufferSize> MessageBytes{};
    int MessageByteCount = 0;
    QString LoadedFileName;
    bool InsertMode = true;
    QString BaseCaption;

    bool MessageBufferEmpty() const;
    bool ParseMessageBuffer();
    void SendMessageBuffer();
    void SaveMessageBuffer();
    void SetMessageText(const QString& text);
    void LoadEventIntoBuffer(const TMyMidiEvent& event);
    void DropFiles(const QList<QUrl>& files); // the first one is loaded
    bool ClipboardHoldsHex() const;
    void SendBuffer(); // what "Send buffer to MIDI out" does: parse, then send

    // Monitor log. Events taken in by one wake-up of the input port reach the log together,
    // when the input handler is done with them or sooner, before anything else is shown.
    void LogEvent(std::unique_ptr<TMyMidiEvent> event);
    // Logs the event and tells how many bytes arrived, as every received event not taken
    // by the device link is reported.
    void LogReceived(std::unique_ptr<TMyMidiEvent> event);
    const TMyMidiEvent* SelectedEvent() const;
    void LogDoubleClick(bool onLine = true); // onLine false: on the log's empty space
    void SetLogDblClickAction(int action);
    int LogDblClickAction = 0;
    // Whether what the program sends is logged too, each line starting with "Sent ".
    void SetLogSentMessages(bool on);
    bool LogSentMessages = false;
    // The selected SysEx lines' bytes, in log order, into one file the user names.
    void SaveSelectedSysex();

    // File pane.
    void RefreshFileList();
    QStringList GetSelectedPathFileNames();
    void GoToFolder(const QString& folder);
    void UpOneFolder();
    void BrowseFolder();
    void DeleteSelectedFiles();
    void SetFileDblClickAction(int action);
    void SortByColumn(int column);
    QString CurrentFolder;
    int FileDblClickAction = 0;
    int SortColumn = 3;
    bool SortAscending = true;
    QStringList SelectedFileNames;

    // Components, named as the window names them.
    QMenu* miFile;
    QAction* miSaveAs;
    QAction* miClearOut;
    QAction* miExit;
    QMenu* miMIDIIn;
    QAction* miClearIn;
    QMenu* miMIDIOut;
    QAction* miSend;
    QMenu* miTransmitonchannel;
    std::array<QAction*, 16> miChannel{};
    QMenu* miHelp;
    QAction* miContents;
    QAction* miKeyboard; // the program's window shows the keys
    QAction* miAbout;
    TMessageEditor* memMsgBuf;
    QMenu* popMsgBuf;
    QAction* pmiUndo;
    QAction* pmiCut;
    QAction* pmiCopy;
    QAction* pmiPaste;
    QAction* pmiSelectAll;
    QAction* pmiBufClear;
    QAction* pmiSendtoMIDIOut;
    QAction* pmiSave;
    QSplitter* splVertical;
    QTabWidget* pgcTab;
    QWidget* tsExplorer;
    QWidget* tsMonitor;
    TLogView* lbxLog;
    QMenu* popInLog;
    QAction* pmiDelete;
    QAction* pmiClearinputLog;
    QAction* pmiCopySelectedText;
    QAction* pmiSaveSelectedSysex;
    QAction* pmiLogSentMessages;
    QMenu* pmiSetDblClickLogOpt;
    QAction* pmiSetLogLoadEvent;
    QAction* pmiSetLogEdit;
    QAction* pmiSetLogSend;
    QStatusBar* stbStatBar;
    QLabel* statusPanel0;
    QLabel* statusPanel1;
    QToolButton* btnBrowse;
    QToolButton* btnPrevFolder;
    QToolButton* btnFileDetails;
    QToolButton* btnFileList;
    QToolButton* btnFileIcons;
    QComboBox* cbxFolder;
    QTreeWidget* lvwFileList;
    QStatusBar* stbFileInfo;
    QLabel* fileInfoFiles;
    QLabel* fileInfoBytes;
    QMenu* popFileList;
    QAction* pmiRefresh;
    QAction* pmiDeleteFile;
    QMenu* pmiSetDblClickFileOpt;
    QAction* pmiSetFileEdit;
    QAction* pmiSetFileSend;

protected:
    // The channel the menu shows and the settings keep (the unit's device byte).
    void ChooseChannel(int channel);
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // The explorer's own part of the window's end; the main window runs its own first.
    void DestroyExplorer();
    // Reports input that was lost on its way in (a full queue, no free SysEx buffer).
    void ReportLostInput();
    // Whoever handles the input says how deep its handler is (0: done): inside it, what is
    // logged waits for the end of the batch, and losses are told once it has returned.
    void SetInputDepth(int depth);
    void FinishLogBatch(); // the batch's lines, then its status
    // Reports a message the output device could not send.
    void ReportSendError(const QString& errorText);
    // A chosen port went, or came back: MissingPort() tells what is missing now.
    virtual void MissingPortChanged() {}
    // The output opened, closed, or another one was chosen.
    virtual void OutputChanged() {}
    MidiService& Service() { return service; }
    // Chooses these ports as the menus do (opened, checked, stored); false when one is not
    // listed or would not open (said why).
    bool ChoosePorts(const QString& input, const QString& output);

    TqvRegUtil* settings = nullptr;

private:
    friend class TMessageEditor;
    void BuildMenus();
    void BuildMessageBuffer();
    void BuildMonitor();
    void BuildFilePane();
    void SetupFilePane();
    // The menu's items, one for each name, the open port's checked.
    void FillDeviceMenu(QMenu* menu, QActionGroup* group,
                        std::vector<std::unique_ptr<TqvMIDIMenuItem>>& items,
                        const QStringList& names, const QString& open,
                        const std::function<void(int)>& select);
    // The ports listed changed: the menus follow, a chosen port gone is closed and waited for,
    // one back is opened again.
    void PortsChanged();
    void OpenInputPort(const QString& name);  // throws what the port says
    void OpenOutputPort(const QString& name); // throws what the port says
    // A port opened: chosen, kept under the settings key, no longer missing.
    void Chosen(TChosenPort& port, const QString& name, const QString& key);
    // What the status says after a device's name once it is open, and the caption of the box
    // when it cannot be opened.
    struct TDeviceTexts {
        QString Opened;
        QString ErrorCaption;
    };
    void SelectDevice(std::vector<std::unique_ptr<TqvMIDIMenuItem>>& items, int index,
                      const std::function<void(const QString&)>& open,
                      const std::function<QString()>& openName, const TDeviceTexts& texts);
    void SelectInputDevice(int index);
    void SelectOutputDevice(int index);
    void OpenHelp();
    void LayOutPanes();
    void SetPaneWidth(int paneWidth);
    void SaveFolderHistory();
    bool EditorKey(QKeyEvent* event); // true: handled here
    bool TypeCharacter(QChar typed);  // false: discarded by the typing rules
    void DropText(const QString& text, const QPoint& at);
    bool DropEvent(QWidget* target, QEvent* event); // true: the window took it
    void ShowLogPopup(const QPoint& at);
    void AppendPendingLines();
    void LogSent(const std::uint8_t* bytes, std::size_t count);
    void ShowLineMeaning(int row);
    void ClearLog();
    void ShowFilePopup(const QPoint& at);
    void FileClicked(QTreeWidgetItem* item);
    void FileActivated();
    void FileRenamed(QTreeWidgetItem* item, int column);
    void MoveToTopOfHistory(const QString& folder);

    MidiService& service;
    // The input and output, the names chosen for them and their watch; made at initialization.
    std::unique_ptr<TPortPair> ports;
    std::vector<std::unique_ptr<TqvMIDIMenuItem>> inputItems;
    std::vector<std::unique_ptr<TqvMIDIMenuItem>> outputItems;
    QActionGroup* inputGroup;
    QActionGroup* outputGroup;
    int transmitChannel = 0;
    bool initialized = false;
    bool portsToFind = false;
    bool portsHeld = false;
    // No input was stored and the stored output is not there yet: the input is opened when the
    // output comes, the one of its name where there is one (an interface brings both).
    bool inputWithOutput = false;
    bool destroyed = false;
    std::uint32_t lostReported = 0;
    std::uint64_t lossLine = 0;         // serial of the one log line that counts lost input
    std::vector<TLogLine> pendingLines; // the batch not yet in the log
    QString pendingStatus;              // and what the status bar is to say after it
    bool appendingLines = false;
    QElapsedTimer inputClock; // the time base of received events, for the sent ones
    bool refreshingFiles = false;
    int takingInput = 0; // depth of the input handler: losses are reported once it is done
};

// Sizes as the file pane shows them.
QString FileSizeText(qint64 size);
QString TotalSizeText(qint64 total);
// A number with three significant digits, as a general format writes it: "1.07", "121", "1.02E03".
QString ThreeSignificantDigits(double value);
