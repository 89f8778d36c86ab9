#pragma once
// The link with the processor, below any window. It takes the input (one handler, never nested
// by a steady stream, and a wait that lets in the replies it waits for), routes what arrives
// (the running job first, then the replies it awaits, then the host), sends the requests and
// paces them, and keeps account of the answers the unit still owes. The jobs built on it — the
// backup walk, the verified store and the restore — are classes of their own that it owns.

#include "link/AnswerLedger.h"
#include "link/LinkHost.h"
#include "model/StoreRequest.h"
#include "store/Place.h"
#include "store/UnitMemory.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>

class TMidiInput;
class TBackupWalk;
class TVerifiedStore;
class TRestoreWalk;
class TPlanWalk;

// Milliseconds of a steadily running clock, as the system tick count gives them.
double TickCount();

// What became of a received event.
enum class TRouted {
    Taken,    // the link used it up (a walk's preset saved, a reply it waited for)
    Dropped,  // let go without a trace (anything but presets while a walk runs)
    Unclaimed // not the link's: the host shows it (the monitor)
};

// The link's pacing and patience, in milliseconds of its clock.
struct TLinkTimings {
    int RequestDelay = 1000;            // between choosing a preset and asking for it
    double TimeoutMilliseconds = 10000; // how long an answer may take before it is asked again
    int MaxTries = 0;                   // requests of one preset before a walk gives up; 0: never
    int CheckInterval = 0;              // how often a walk looks for a stall; 0: ten delays
};

// An estimate of what is left of a job: from the pace so far once something is done, else from
// a guess per preset.
double TimeLeft(double elapsed, int done, int total, double guessPerPreset);

class TDeviceLink : public QObject {
    Q_OBJECT
public:
    explicit TDeviceLink(TLinkHost& host, QObject* parent = nullptr);
    ~TDeviceLink() override;

    // The link takes what arrives at this port from now on; nullptr: nothing.
    void Attach(TMidiInput* input);
    TMidiInput* Input() const { return input; }
    // Sees every event that arrives before the link takes it (the connection check); empty: none.
    void SetObserver(std::function<void(const TMyMidiEvent&)> observer) {
        observe = std::move(observer);
    }
    TLinkHost& Host() { return host; }
    // Waits while everything goes on. A wait begun by the input handler itself (a request made
    // for a received event) still takes the input that arrives meanwhile, so the reply it waits
    // for reaches it. Real milliseconds.
    void Wait(int milliseconds);

    TLinkJob Job() const { return job; }
    bool Busy() const { return job != TLinkJob::None; }
    // Why nothing else may start now; empty while idle.
    QString BusyReason() const;

    // Requests.
    // False when the message did not go out (no port, a send refused, a port that did not come
    // back).
    bool SendRequest(const TBytes& message);
    bool SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2);
    // F10: the unit's current preset, for the monitor. With the unit's memory kept, the bank and
    // the number are asked for first: the dump then is remembered in its slot.
    void RequestCurrentPreset();
    void QueryParameter(std::uint8_t address);
    void PingDevice();
    int QueryCurrentPresetNumber();
    // Asks the unit its bank and slot (1-based; bank 0 on a single-bank unit) and waits for both
    // replies; the link's bank is the unit's from then on. False when a reply did not come or a
    // job runs.
    bool WhereIsTheUnit(int& bank, int& slot);
    // The menu's bank selection: refused (and said why) while a job runs.
    void SelectBank(int index);

    // What the unit last told, and what is still awaited.
    int CurrentBank() const { return currentBank; }
    int PendingReplies() const { return pendingReplies; }
    // Runs after a ping; when it ends with replies still missing, the user is told.
    const QTimer& ReplyTimer() const { return *replyTimer; }
    // Titles seen in the unit's slots this session, by place.
    const std::map<TPlace, QString>& KnownTitles() const { return knownTitles; }

    const TLinkTimings& Timings() const { return timings; }
    void SetTimings(const TLinkTimings& value) { timings = value; }
    int RequestDelay() const { return timings.RequestDelay; }
    void SetRequestDelay(int milliseconds);
    // The link's clock (milliseconds); tests make it, the waits and the timers run faster. It
    // stands still while a port is missing, so no time-out counts the wait for it.
    double Now() const;
    void SetClockSpeed(double speed);
    // A span of the link's clock in real milliseconds (at least 1).
    int RealMilliseconds(double milliseconds) const;

    // A port of the link has gone ("MIDI Out 'USB MIDI Interface 1'"), or is back (empty). While
    // it is missing, a job's messages and paced waits wait for it to come back; after
    // kPortPatience of the link's clock without it, the link gives up: Stranded() says why and
    // the jobs stop with that reason. A port back, or the next job, begins afresh.
    void SetPortMissing(const QString& what);
    const QString& PortMissing() const { return missing; }
    const QString& Stranded() const { return stranded; }
    // Ctrl+C while a job waits for a port: the wait ends, and the job with it.
    void StopWaiting();
    static constexpr double kPortPatience = 120000;

    // What the unit holds, remembered: every preset the link can tie to a slot goes there (a
    // walk's, a store's kept and read-back ones, a restore's). None: nothing is remembered.
    void SetMemory(TUnitMemory* memory) { unitMemory = memory; }
    TUnitMemory* Memory() const { return unitMemory; }

    TBackupWalk& Walk() { return *walk; }
    const TBackupWalk& Walk() const { return *walk; }
    TVerifiedStore& Store() { return *store; }
    TRestoreWalk& Restore() { return *restore; }
    // The library's writes: planned, verified, journalled.
    TPlanWalk& Plans() { return *plans; }

signals:
    // The link started or ended a job.
    void BusyChanged(bool busy);
    // The unit's memory learnt what a slot holds.
    void SlotRemembered(int bank, int slot);
    // A ping's time is up: were all its questions answered?
    void PingEnded(bool answered);

private:
    friend class TBackupWalk;
    friend class TVerifiedStore;
    friend class TRestoreWalk;
    friend class TPlanWalk;

    // For the jobs.
    void SetJob(TLinkJob value);
    // Selects a bank whoever is busy: the jobs' own choice.
    void SendBankSelect(int index);
    // A wait of the link's own: no time-out counts it. Milliseconds of the link's clock.
    void PacedWait(double milliseconds);
    bool Pacing() const { return pacing > 0; }
    // Asks the unit something harmless and waits for the reply: it answers in order, so once
    // it has replied, every request sent before has been answered or is lost. False when no
    // reply came within the time.
    bool SettleAnswers(double timeout);
    TAnswerLedger& Ledger() { return ledger; }
    // A dump names no slot, and a message choosing one can be lost on the way. So between
    // choosing a preset and asking for it, the jobs ask the unit where it is; it answers in
    // order, so the replies are in before the dump.
    void AskPlace();
    // What the replies to the last AskPlace said of (bank, number). A bank below 0 or a number
    // below 1 is not compared. A unit that has never told its place (it does not answer such
    // questions) is taken at its word; for one that has, a lost reply leaves it Unknown.
    enum class TWhere { Here, Unknown, OtherSlot, OtherBank };
    TWhere PlaceOf(int bank, int number) const;
    // No reply to the last AskPlace has come yet from a unit that answers it: a dump arriving
    // now was sent before them, so it answers something asked earlier, or came twice.
    bool PlaceStillOwed() const { return placesTold && numberOwed && (bankOwed || PrePlenovaMode); }
    // A store goes into a slot of whatever bank the unit is in, and the message choosing the bank
    // can be lost too. So before storing, the jobs ask the unit its bank (AskBank, sent while the
    // unit takes the dump, or ConfirmBank itself) and, while it reports another, choose the bank
    // again (twice at most, each given two request delays): Here once it says the bank (or when
    // it has never told its place), OtherBank when it would not change, Unknown when its replies
    // stayed away. chosenAgain: the bank was chosen again, which loads the edit buffer anew.
    void AskBank();
    TWhere ConfirmBank(int bank, bool asked, bool& chosenAgain);
    // The preset number the unit last reported; -1 unknown.
    int PresetAnswer() const { return presetAnswer; }
    // (bank, slot): a place of the unit, bank first, as everywhere.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void NoteTitle(int bank, int slot, const QString& title) {
        knownTitles[TPlace::Of(bank, slot)] = title;
    }
    // A preset seen in a slot (bank -1: the single bank): remembered, and its title noted.
    void NoteSeen(int bank, int slot, TByteView dump, TSeenHow how);
    // The bank the jobs' stores and walks are in; -1 unknown.
    void SetCurrentBank(int bank) { currentBank = bank; }
    void ForgetReplies() {
        pendingReplies = 0;
        bankOwed = numberOwed = false;
    }

    // While a job runs and a port is missing: waits for it (false when the link gave up).
    bool AwaitPort();
    void TakeInput(TMidiInput& sender);
    TRouted Route(const TMyMidiEvent& event);
    // A parameter reply while one is awaited: taken (true) and acted upon.
    bool HandleReply(const TMyMidiEvent& event);
    void ReplyTimerTick();

    TLinkHost& host;
    TMidiInput* input = nullptr;
    std::function<void(const TMyMidiEvent&)> observe;
    int takingInput = 0;  // depth of the input handler
    int waitingInput = 0; // of those, the ones suspended in a wait that takes input
    QTimer* replyTimer;
    TLinkTimings timings;
    double clockSpeed = 1;
    QString missing;  // the port that is gone; empty: none
    QString stranded; // why the jobs stop: a port that did not come back
    // The clock stands still while a job waits for a missing port: since when, and how long it
    // stood still before (real milliseconds).
    bool still = false;
    double stillSince = 0;
    double stillBefore = 0;
    void UpdateClock();
    int pendingReplies = 0;
    int currentBank = -1;
    int presetAnswer = -1;
    int bankAnswer = -1; // the bank the unit last reported
    // A reply owed to a job's question of where the unit is, one flag a question: a reply that
    // comes twice cannot stand in for the other question's.
    bool bankOwed = false;
    bool numberOwed = false;
    bool placesTold = false; // the unit has answered such a question
    // F10 asked with the unit's memory kept: the bank and number asked for just before it tell
    // the slot its answer came from.
    struct TCurrentAsked {
        TAnswerLedger::TTicket Ticket = 0;
    } currentAsked;
    bool markerPending = false; // SettleAnswers waits for its reply
    int pacing = 0;             // the link's own waits under way
    TLinkJob job = TLinkJob::None;
    TAnswerLedger ledger;
    std::map<TPlace, QString> knownTitles;
    TUnitMemory* unitMemory = nullptr;
    std::unique_ptr<TVerifiedStore> store;
    std::unique_ptr<TBackupWalk> walk;
    std::unique_ptr<TRestoreWalk> restore;
    std::unique_ptr<TPlanWalk> plans;
};
