#pragma once
// The link with the processor, below any window: the requests and their pacing, the replies
// it recognises, the request timer with its time-out and restart, and the automated walk
// through the presets of chosen banks (backup to files, listing). Whoever hosts it — the main
// window or the command-line tool — gives it the output port, a wait that lets input in, and
// a place for what it has to say.

#include "midi/MidiOut.h"
#include "midi/Miditype.h"
#include "link/ProcedureOptions.h"
#include "model/Protocol.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
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
    virtual void ListingLine(int bank, int number, const QString& title) {
        (void)bank, (void)number, (void)title;
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
    };
    virtual void Progress(const TProgress& progress) { (void)progress; }
    // The walk is over: every chosen preset was handled.
    virtual void ProcedureComplete() {}
    // The walk stopped for good: a file could not be written, or the unit stopped answering.
    virtual void ProcedureFailed(const QString& message) { (void)message; }
};

// Milliseconds of a steadily running clock, as the system tick count gives them.
double TickCount();

class TDeviceLink : public QObject {
    Q_OBJECT
public:
    explicit TDeviceLink(TLinkHost& host, QObject* parent = nullptr);
    ~TDeviceLink() override;

    // Single requests.
    void SendRequest(const std::vector<std::uint8_t>& message);
    void SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    void QueryParameter(std::uint8_t address);
    void PingDevice();
    int QueryCurrentPresetNumber();
    void RequestPreset();
    // A parameter reply while one is awaited: taken (true) and acted upon.
    bool HandleReply(const TMyMidiEvent& event);
    void SelectBank(int index);
    void StopProcedure();

    // The walk. Start returns false when it stopped before requesting anything.
    bool StartProcedure(const TProcedureOptions& options);
    // A 258-byte dump that arrived while the walk is on. True when it went into a file (the
    // caller then need not keep the message).
    bool ProcessProcedurePreset(TByteView dump);
    void NextChosenBank();
    void SetPrintFlag(bool value);
    // Ctrl+C: stops and says so.
    void AbortProcedure();

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
    double TimeoutMilliseconds = 10000;
    TProcedureCounts Counts;
    int Tries = 0; // requests of the preset being waited for

private:
    void TimerTick();
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
    int staleAnswers = 0; // answers to requests that timed out, which may still come
    TBytes lastDump;
};
