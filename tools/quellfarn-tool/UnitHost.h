#pragma once
// The backup from the command line, both ways: every preset of the chosen banks fetched from the
// unit into files, or a backup folder written back into the unit and read back, by the device
// link the main window uses, hosted here for a terminal or a log; and the list of the MIDI ports
// the tool can open.

#include "base/PresetListing.h"
#include "link/BackupWalk.h"
#include "link/DeviceLink.h"
#include "link/PlanWalk.h"
#include "link/RestoreWalk.h"
#include "midi/MidiIn.h"
#include "midi/MidiOut.h"
#include "midi/MidiService.h"
#include "midi/PortWatch.h"
#include "store/UnitMemory.h"

#include <QEventLoop>
#include <QSet>
#include <QString>
#include <QTimer>
#include <array>
#include <memory>
#include <string>
#include <vector>

// The command line of a backup or a restore; a restore leaves out what only fetching needs.
struct TBackupOptions {
    QString Directory;
    QString InputName;  // empty: the simulated unit
    QString OutputName; // empty: the simulated unit
    std::array<bool, 4> Banks{true, true, true, true};
    int First = 1;
    int Last = 200;
    QString UntitledName; // empty: untitled presets are skipped
    int RequestDelay = 1000;
    int MaxTries = 3;
    int TimeoutMilliseconds = 10000;
    QString ListingFile; // a PDF; empty: no listing
    bool PrePlenova = false;
    bool DryRun = false;    // restore: show the plan, send nothing
    bool AssumeYes = false; // restore: replace the presets without asking
    // undo, redo: write also into slots that no longer hold what the step left (--yes alone
    // does not answer that question)
    bool EvenIfChanged = false;
};

// How a run tells what it does: not at all, the link's log lines, or one line rewritten in place.
enum class TReportStyle { Quiet, Lines, ProgressLine };

// One backup or restore over a MIDI service. Needs an application object (a QApplication when
// a listing is printed).
class TBackup : public TLinkHost {
public:
    TBackup(MidiService& service, const TBackupOptions& options, TReportStyle style);
    ~TBackup() override;

    // The backup: 0 when every chosen preset arrived; 1 when the run stopped, the reason on
    // standard error.
    int Run();
    // What a restore of the options' folder would write and skip; sends nothing.
    std::vector<TRestoreItem> PlanRestore() const;
    // Whether to go ahead: asked on a terminal; without one (and without --yes) the answer is
    // no, said on standard error.
    bool ConfirmRestore(const std::vector<TRestoreItem>& plan);
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
    // A yes/no question on a terminal; without one the answer is no and refusal says why.
    bool Confirm(const QString& question, const QStringList& lines, const QString& refusal);
    // Ends the run as Ctrl+C does. Safe from a signal handler: the run looks at it shortly.
    static void RequestInterrupt();

    const TProcedureCounts& Counts() const { return link->Walk().Counts(); }
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
    TBackupOptions options;
    TReportStyle style;
    std::unique_ptr<TMidiInput> input;
    std::unique_ptr<TMidiOutput> output;
    std::unique_ptr<TPortWatch> portWatch;
    TChosenPort chosenIn{QStringLiteral("MIDI In")};
    TChosenPort chosenOut{QStringLiteral("MIDI Out")};
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
    bool restoring = false;
    bool sendFailed = false;
    TRestoreCounts restoreCounts;
    QSet<QString> shownLines; // already on the terminal: not repeated under the progress line
    QString lastLogLine;
    double walkMilliseconds = 0;
};

// quellfarn-tool backup, restore and devices, their command lines read: each returns the exit
// status; the application object and the MIDI service are their own.
int BackupCommand(int argc, char* argv[], const TBackupOptions& options);
int RestoreCommand(int argc, char* argv[], const TBackupOptions& options);
int DevicesCommand();
// place, swap, undo, redo and journal: the places are (bank, 1-based slot).
int PlaceCommand(int argc, char* argv[], const TBackupOptions& options, const QString& file,
                 TPlace place);
int SwapCommand(int argc, char* argv[], const TBackupOptions& options,
                const std::array<TPlace, 2>& places);
int ReplayCommand(int argc, char* argv[], const TBackupOptions& options, bool undo);
int JournalCommand(int argc, char* argv[], const TBackupOptions& options);
