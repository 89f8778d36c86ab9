#pragma once
// The walk through the presets of the chosen banks: each preset selected, asked for and, when
// it has come, saved into its bank's folder and listed; a preset that does not come is asked
// for again. The backup and the preset listing are this walk.

#include "link/AnswerCheck.h"
#include "link/LinkJob.h"
#include "link/ProcedureOptions.h"
#include "store/BackupFolder.h"

#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <set>

class QTimer;

class TBackupWalk : public TLinkJob {
public:
    explicit TBackupWalk(TJobLink& link);
    ~TBackupWalk() override;

    // False when it stopped before asking for anything (the reason said), or when another job
    // runs.
    bool Start(const TProcedureOptions& options);
    // Ctrl+C: stops and says so.
    void Abort() override;
    // Ends the walk where it is (a listing ends with what it printed).
    void Stop();
    bool Active() const { return active; }
    bool Printing() const { return printing; }
    bool Saving() const { return saving; }
    const TProcedureCounts& Counts() const { return counts; }
    // "200 saved, 0 untitled skipped, 0 time-outs": the line a walk ends with.
    static QString CountsText(const TProcedureCounts& counts);
    // The timer that looks for a preset that does not come.
    const QTimer& CheckTimer() const { return *checkTimer; }

    // While the walk is on, only its presets count (and the replies the link asked for).
    std::optional<TRouted> Route(const TMyMidiEvent& event, TByteView bytes) override;
    bool DropsTheRest() const override { return active; }
    QString BusyReason() const override;

private:
    // A 258-byte dump that arrived while the walk is on: true when it went into a file (the
    // caller then need not keep the message).
    bool Arrived(TByteView dump);
    void Tick();
    void SetPrinting(bool value);
    void NextChosenBank();
    // Selects and asks for presetIndex.
    void RequestPreset();
    // Asks for presetIndex, or the next slot of this bank that is wanted; false when the bank
    // has none left.
    bool RequestNextWanted();
    // Moves on to the next chosen bank, or completes the walk.
    void NextBankOrComplete();
    bool MakeBankFolder();
    void Fail(const QString& message);
    void ReportProgress();
    void LogCounts();

    TJobLink& link;
    TLinkHost& host;
    std::unique_ptr<TJobScope> scope; // from Start to Stop
    QTimer* checkTimer;
    bool active = false;
    bool saving = false;
    bool printing = false;
    TBackupFolder folder;
    std::array<bool, 4> banksChosen{};
    bool byPresetNumber = true;
    QString untitledName;
    bool skipExisting = false;
    int bank = -1;        // the bank being walked; -1 the single bank of a Pre-Plenova unit
    int bankAtStart = -1; // chosen again at the end
    std::uint8_t presetIndex = 0;
    std::uint8_t lastIndex = 0;
    int firstNumber = 1;
    double requestedAt = 0; // when presetIndex was last asked for, on the link's clock
    int tries = 0;          // requests of the preset being waited for
    TAnswerCheck check;     // its dumps: the request's answer, from the slot asked for?
    int previousSlot = -1;  // the slot the unit named for the preset before; -1 unknown
    bool sameSlotAskedAgain = false;
    TAnswerLedger::TTicket ticket = 0;
    std::set<int> saved; // preset numbers already in the bank's folder
    TProcedureCounts counts;
    int total = 0, done = 0;
    double startTime = 0;
};
