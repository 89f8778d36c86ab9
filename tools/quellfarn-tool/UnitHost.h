#pragma once
// The device link hosted for a terminal or a log: the unit's ports, the connection, and each job
// the tool has the unit do — the backup walk, the restore of a backup folder, the library's
// writes and their undo and redo, the read of slots and the connection check — with what each
// says on standard output and standard error.

#include "base/PresetListing.h"
#include "link/BackupWalk.h"
#include "link/DeviceLink.h"
#include "link/PlanWalk.h"
#include "link/ProcedureOptions.h"
#include "link/RestoreWalk.h"
#include "midi/MidiService.h"
#include "midi/PortPair.h"
#include "store/UnitMemory.h"

#include <QEventLoop>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

// The command line of a command that talks to the unit.
struct TUnitOptions {
    QString InputName;  // empty: the simulated unit
    QString OutputName; // empty: the simulated unit
    // The backup's walk: its folder, banks, slots, untitled name and request delay. A restore
    // takes the folder, banks and slots; every job the request delay.
    TProcedureOptions Walk;
    int MaxTries = 3;
    int TimeoutMilliseconds = 10000;
    QString ListingFile; // a PDF; empty: no listing
    bool PrePlenova = false;
    bool DryRun = false;    // restore and the writes: show the plan, send nothing
    bool AssumeYes = false; // restore and the writes: go ahead without asking
    // undo, redo: write also into slots that no longer hold what the step left (--yes alone
    // does not answer that question)
    bool EvenIfChanged = false;
};

// How a run tells what it does: not at all, the link's log lines, or one line rewritten in place.
enum class TReportStyle { Quiet, Lines, ProgressLine };

// A yes/no question on a terminal: the lines shown before it, the question, what is said on
// standard error when there is no terminal to ask on, and when the answer is not yes.
struct TQuestion {
    QStringList Lines;
    QString Question;  // "This will replace 4 presets. Do you want to proceed?"
    QString Refusal;   // "this would replace 4 presets"
    QString Cancelled; // "restore cancelled; nothing was sent"
};

// Needs an application object (a QApplication when a listing is printed).
class TUnitHost : public TLinkHost {
public:
    TUnitHost(MidiService& service, const TUnitOptions& options, TReportStyle style);
    ~TUnitHost() override;
    TUnitHost(const TUnitHost&) = delete;
    TUnitHost& operator=(const TUnitHost&) = delete;

    // The backup: 0 when every chosen preset arrived; 1 when the run stopped, the reason on
    // standard error.
    int Run();
    // What a restore of the options' folder would write and skip; sends nothing.
    std::vector<TRestoreItem> PlanRestore() const;
    // Writes the plan into the unit, each preset read back: 0 when every item of the plan was
    // written and verified; 1 otherwise (a skipped file too), the reason on standard error.
    int Restore(std::vector<TRestoreItem>& plan);
    // The library's writes: the plan carried out (each slot kept, written, verified) as one
    // step of the unit's journal; 0 when every slot was written and verified.
    int Write(const TWritePlan& plan);
    // The journal's newest step undone (or the step after it redone), each slot read first;
    // changed slots are asked about (ask: the question's lines; true to go on).
    int Replay(bool undo, const TPlanWalk::TAsk& ask);
    // Reads these (bank, slot) of the unit into its memory; false (said why) when one did not
    // come. Connects first.
    bool ReadSlots(const std::vector<TPlace>& wanted);
    // The connection check (ports, question, answer) on standard output, one step a line, and
    // its verdict: 0 when the unit answers as Quellfarn is set.
    int Check();
    // The memory of the unit on the options' output port, read without opening any port.
    const TUnitMemory& Memory();
    TWriteJournal& Journal();
    // The name of the unit's output port as the options give it.
    QString OutputName() const;
    // Asked on a terminal (the progress line ended first); without one the answer is no and
    // the refusal says why. The lines shown are not shown again under the progress line.
    bool Confirm(const TQuestion& question);
    // Ends the run as Ctrl+C does. Safe from a signal handler: the run looks at it shortly.
    static void RequestInterrupt();

    const TProcedureCounts& Counts() const { return link->Job<TBackupWalk>().Counts(); }
    const TRestoreCounts& RestoreCounts() const { return restoreCounts; }
    // From the start of the walk or the restore (after the ping) to its end.
    double WalkMilliseconds() const { return walkMilliseconds; }

    // TLinkHost
    TMidiOutput* Output() override;
    bool OutputAvailable(bool switchToMonitor) override;
    void Wait(int milliseconds) override;
    void Status(const QString& text) override;
    void Log(const QString& text) override;
    void SendFailed(const QString& errorText) override;
    void BypassReported(bool on) override;
    bool ListingBegin() override;
    bool ListingLine(int bank, int number, const QString& title) override;
    void ListingEnd() override;
    void Progress(const TProgress& progress) override;
    void ProcedureComplete() override;
    void ProcedureFailed(const QString& message) override;

private:
    enum class TOutcome { Running, Complete, Failed, Aborted };
    // A write job (a plan, an undo, a redo) run with the progress line ended after it and its
    // refusal said.
    TPlanCounts RunWrite(const std::function<TPlanCounts()>& job);

    bool OpenPorts();
    // A port that goes is closed and waited for (the link's jobs pause), and opened again when
    // it is back.
    void PortsChanged();
    // Ports opened and the unit asked for its state; false (the reason said) when the run
    // cannot go on.
    bool Connect();
    // Connected to a unit that answers; false (said why) when it does not.
    bool ConnectForWriting();
    void CheckInterrupt();
    void Finish(TOutcome outcome);
    // A message for standard error; the progress line is ended first.
    void Complain(const QString& text);
    void EndProgressLine();

    MidiService& service;
    TUnitOptions options;
    TReportStyle style;
    bool portsTried = false; // opened, or tried: a second job of one run goes on with them
    TPortPair ports;
    std::unique_ptr<TUnitMemory> memory; // the link writes into it: it goes after the link
    std::unique_ptr<TDeviceLink> link;
    std::unique_ptr<TWriteJournal> journal;
    TPresetListing listing;
    QEventLoop loop;
    QTimer interruptPoll;
    TOutcome outcome = TOutcome::Running;
    bool interrupted = false;
    bool answered = false; // the unit answered the ping for its bypass state
    bool listingBegun = false;
    bool listingFailed = false;
    bool listingDelivered = false;
    bool progressShown = false;
    bool writing = false; // a restore or a plan: what goes wrong shows under the progress line
    bool sendFailed = false;
    TRestoreCounts restoreCounts;
    QSet<QString> shownLines; // already on the terminal: not repeated under the progress line
    double walkMilliseconds = 0;
};
