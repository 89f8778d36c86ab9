#pragma once
// The link with the processor, below any window: the requests and their pacing, the replies
// it recognises, the request timer with its time-out and restart, and the automated walk
// through the presets of chosen banks (backup to files, listing). Whoever hosts it — the main
// window or the command-line tool — gives it the output port, a wait that lets input in, and
// a place for what it has to say.

#include "link/AnswerLedger.h"
#include "link/ProcedureOptions.h"
#include "midi/MidiOut.h"
#include "midi/Miditype.h"
#include "model/Protocol.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

class TLinkHost {
public:
    virtual ~TLinkHost() = default;
    virtual TMidiOutput* Output() = 0;
    // Whether the output can be used; may tell the user why not (and show the monitor).
    virtual bool OutputAvailable(bool switchToMonitor) = 0;
    // Waits the time while input and everything else goes on.
    virtual void Wait(int milliseconds) = 0;
    virtual void Status(const QString& text) = 0;
    virtual void Log(const QString& text) = 0;
    // A send the output refused.
    virtual void SendFailed(const QString& errorText) = 0;
    virtual void BypassReported(bool on) { (void)on; }

    // The listing: begun when printing is turned on, ended when it is turned off. Begin
    // returns false when no print job could start. bank is -1 on a single-bank unit.
    virtual bool ListingBegin() { return true; }
    // False when the line could not be printed (another print ended the listing's job).
    virtual bool ListingLine(int bank, int number, const QString& title) {
        (void)bank, (void)number, (void)title;
        return true;
    }
    virtual void ListingEnd() {}

    // A procedure's progress: the bank (-1 single bank), the preset number requested, the last
    // number of the bank, the presets handled and the total, an estimate of the milliseconds
    // left, and how often this preset has been requested.
    struct TProgress {
        int Bank = -1;
        int Number = 0;
        int LastNumber = 0;
        int Done = 0;
        int Total = 0;
        double MillisecondsLeft = 0;
        int Tries = 1;
        bool Restoring = false; // a restore's slots need not run without gaps: it counts presets
        // "Bank A: preset 37 of 200 - about 3 min 10 s left", with the try after a time-out;
        // "Bank B: slot 17, preset 3 of 40 - ..." for a restore.
        QString Text() const;
    };
    virtual void Progress(const TProgress& progress) { (void)progress; }
    // The walk is over: every chosen preset was handled.
    virtual void ProcedureComplete() {}
    // The walk stopped for good: a file could not be written, or the unit stopped answering.
    virtual void ProcedureFailed(const QString& message) { (void)message; }
};

// One file of a restore and where it goes.
struct TRestoreItem {
    int Bank = -1; // -1: the single bank of a Pre-Plenova unit
    int Slot = 0;  // 1-based
    QString Path;
    TBytes Dump;
    QString FileTitle;
    QString UnitTitle; // what the slot held when last seen this session; empty when unknown
    QString Problem;   // why it is skipped; empty when it is sent
};

struct TRestoreCounts {
    int Written = 0;
    int Verified = 0;
    int Skipped = 0;
    int Failed = 0;
};

// Milliseconds of a steadily running clock, as the system tick count gives them.
double TickCount();

// What the link is busy with. While one of these runs, nothing else may change the unit's bank,
// its edit buffer or start another of them.
enum class TLinkJob { None, Walk, Store, Restore };

// What became of a received event the link was shown.
enum class TRouted {
    Taken,    // the link used it up (a walk's preset saved, a reply it waited for)
    Dropped,  // let go without a trace (anything but presets while a walk runs)
    Unclaimed // not the link's: the host shows it (the monitor)
};

class TDeviceLink : public QObject {
    Q_OBJECT
public:
    explicit TDeviceLink(TLinkHost& host, QObject* parent = nullptr);
    ~TDeviceLink() override;

    // Everything received goes through here first.
    TRouted Route(const TMyMidiEvent& event);

    // What the link is busy with, and why the user cannot start something else meanwhile
    // (empty while idle).
    TLinkJob Job() const { return job; }
    bool Busy() const { return job != TLinkJob::None; }
    QString BusyReason() const;

    // Single requests.
    void SendRequest(const std::vector<std::uint8_t>& message);
    // F10: the unit's current preset, for the monitor.
    void RequestCurrentPreset();
    void SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void QueryParameter(std::uint8_t address);
    void PingDevice();
    int QueryCurrentPresetNumber();
    void RequestPreset();
    // A parameter reply while one is awaited: taken (true) and acted upon.
    bool HandleReply(const TMyMidiEvent& event);
    // The menu's bank selection: refused (and said why) while a job runs.
    void SelectBank(int index);
    void StopProcedure();

    // The walk. Start returns false when it stopped before requesting anything (the reason
    // said), or when another job runs (see BusyReason).
    bool StartProcedure(const TProcedureOptions& options);
    // A 258-byte dump that arrived while the walk is on. True when it went into a file (the
    // caller then need not keep the message).
    bool ProcessProcedurePreset(TByteView dump);
    void NextChosenBank();
    void SetPrintFlag(bool value);
    // Ctrl+C: stops and says so.
    void AbortProcedure();

    // One preset of the current bank (0-based slot index): selected, asked for, and its dump
    // once it has come; nothing when it does not come within FetchTimeoutMilliseconds.
    std::optional<TBytes> FetchPreset(int index);
    bool Fetching() const { return fetching; }
    // A dump while fetching: true when it is the fetch's answer.
    bool FetchArrived(TByteView dump);
    double FetchTimeoutMilliseconds = 10000;

    // Stores the request's dump into its slot. A kept preset is fetched first (and the dump sent
    // again, since the fetch replaced the unit's edit buffer). The unit is given the request
    // delay between the dump and the store: how long it needs to take a dump is not known.
    TStoreResult StorePreset(const TStoreRequest& request);
    // Where kept presets go: the program's data folder, "replaced".
    QString ReplacedFolder;
    // The first byte where two dumps differ, the device byte aside; -1 when none does.
    static int FirstDifference(TByteView sent, TByteView held);

    // Restore: the plan for a folder as the backup writes it, the chosen banks and slots.
    std::vector<TRestoreItem> PlanRestore(const QString& folder, const std::array<bool, 4>& banks,
                                          int first, int last) const;
    // Writes every item without a problem, each verified; Ctrl+C (AbortRestore) stops it.
    TRestoreCounts Restore(std::vector<TRestoreItem>& plan);
    void AbortRestore() { restoreAborted = true; }
    bool Restoring() const { return restoring; }
    // Titles seen in the unit this session, by bank and slot.
    std::map<std::pair<int, int>, QString> KnownTitles;

    QTimer* timPresetReq;
    QString OutputDirectory;
    std::uint8_t PresetIndex = 0;
    std::uint8_t LastIndex = 0;
    double LastPresetTime = 0; // milliseconds of Clock
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

    // Beyond the request machinery.
    bool SkipExisting = false;
    // Time-outs of one preset after which the walk gives up; 0: never (the user ends it).
    int MaxTries = 0;
    // The clock time-outs are measured on; tests make it run fast.
    std::function<double()> Clock = TickCount;
    // Runs the link's clock, its waits and its timer that many times faster (tests).
    void SetClockSpeed(double speed);
    // A span of the link's clock in real milliseconds (at least 1).
    int RealMilliseconds(double milliseconds) const;
    double TimeoutMilliseconds = 10000;
    TProcedureCounts Counts;
    int Tries = 0; // requests of the preset being waited for

signals:
    // The link started or ended a job.
    void BusyChanged(bool busy);

private:
    void TimerTick();
    void SetJob(TLinkJob value);
    void SendBankSelect(int index);
    // A wait of the link's own: no time-out counts it. In milliseconds of the link's clock.
    void PacedWait(double milliseconds);
    // Asks the unit something harmless and waits for the reply: it answers in order, so once
    // it has replied, every request sent before has been answered or is lost. False when no
    // reply came.
    bool SettleAnswers(double timeout);
    // Requests PresetIndex, or the next slot of this bank that is wanted; false when the bank
    // has none left.
    bool RequestNextWanted();
    // Moves on to the next chosen bank, or completes the walk.
    void NextBankOrComplete();
    bool MakeBankFolder();
    QString BankFolder() const;
    void Fail(const QString& message);
    void ReportProgress();
    void LogCounts();
    void LoadExisting();

    TLinkHost& host;
    std::set<int> existing; // preset numbers already in the bank's folder
    int firstNumber = 1;
    int total = 0, done = 0;
    double startTime = 0;
    QString KeepReplaced(const TBytes& dump, int slot, QString& error) const;
    bool fetching = false;
    std::optional<TBytes> fetched;
    bool restoring = false;
    bool restoreAborted = false;
    TAnswerLedger ledger;
    TAnswerLedger::TTicket walkTicket = 0;  // the walk's wait for PresetIndex
    TAnswerLedger::TTicket fetchTicket = 0; // the fetch's
    int pacing = 0;                         // the link's own waits under way
    bool markerPending = false;             // SettleAnswers waits for its reply
    double clockSpeed = 1;
    TLinkJob job = TLinkJob::None;
};
