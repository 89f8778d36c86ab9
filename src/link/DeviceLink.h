#pragma once
// The link with the processor, below any window. It takes the input (one handler, never nested
// by a steady stream, and a wait that lets in the replies it waits for), routes what arrives
// (the running job first, then the replies it awaits, then the host), sends the requests and
// paces them, and keeps account of the answers the unit still owes. Its jobs (link/LinkJob.h) are
// classes of their own, built on its narrow face for them, TJobLink, and owned by it.

#include "link/AnswerLedger.h"
#include "link/LinkHost.h"
#include "link/LinkJob.h"
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

// Milliseconds of a steadily running clock, as the system tick count gives them.
double TickCount();

// An estimate of what is left of a job: from the pace so far once something is done, else from
// a guess per preset.
double TimeLeft(double elapsed, int done, int total, double guessPerPreset);

class TDeviceLink : public QObject, public TJobLink {
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
    TLinkHost& Host() override { return host; }
    // Waits while everything goes on. A wait begun by the input handler itself (a request made
    // for a received event) still takes the input that arrives meanwhile, so the reply it waits
    // for reaches it. Real milliseconds.
    void Wait(int milliseconds) override;

    // The job running (TJobLink::Job<T>() gives each), and why nothing else may start now; empty
    // while idle.
    const TLinkJob* Running() const override { return running; }
    QString BusyReason() const override;
    // Ctrl+C: the running job ends as soon as it safely can.
    void Abort();

    // Whether the output port is open; asked without telling the user anything.
    bool OutputOpen() const;

    // Requests.
    // False when the message did not go out (no port, a send refused, a port that did not come
    // back).
    bool SendRequest(const TBytes& message) override;
    bool SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
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
    int CurrentBank() const override { return currentBank; }
    int PendingReplies() const { return pendingReplies; }
    // Runs after a ping; when it ends with replies still missing, the user is told.
    const QTimer& ReplyTimer() const { return *replyTimer; }
    // Titles seen in the unit's slots this session, by place.
    const std::map<TPlace, QString>& KnownTitles() const override { return knownTitles; }

    const TLinkTimings& Timings() const override { return timings; }
    void SetTimings(const TLinkTimings& value) { timings = value; }
    void SetRequestDelay(int milliseconds) override;
    // The link's clock (milliseconds); tests make it, the waits and the timers run faster. It
    // stands still while a port is missing, so no time-out counts the wait for it.
    double Now() const override;
    void SetClockSpeed(double speed);
    // A span of the link's clock in real milliseconds (at least 1).
    int RealMilliseconds(double milliseconds) const override;

    // A port of the link has gone ("MIDI Out 'USB MIDI Interface 1'"), or is back (empty). While
    // it is missing, a job's messages and paced waits wait for it to come back; after
    // kPortPatience of the link's clock without it, the link gives up: Stranded() says why and
    // the jobs stop with that reason. A port back, or the next job, begins afresh.
    void SetPortMissing(const QString& what);
    const QString& PortMissing() const override { return missing; }
    const QString& Stranded() const override { return stranded; }
    // Ctrl+C while a job waits for a port: the wait ends, and the job with it.
    void StopWaiting() override;
    static constexpr double kPortPatience = 120000;

    // What the unit holds, remembered: every preset the link can tie to a slot goes there (a
    // walk's, a store's kept and read-back ones, a restore's). None: nothing is remembered.
    void SetMemory(TUnitMemory* memory) { unitMemory = memory; }
    TUnitMemory* Memory() const override { return unitMemory; }

signals:
    // The link started or ended a job.
    void BusyChanged(bool busy);
    // The unit's memory learnt what a slot holds.
    void SlotRemembered(int bank, int slot);
    // A ping's time is up: were all its questions answered?
    void PingEnded(bool answered);
    // A program change that no job took: the unit turned to another preset by itself (its own
    // switches, or a foot controller playing through it). program: 0..127 as it came.
    void ProgramChangeArrived(int program);

private:
    // The face the jobs see (TJobLink).
    QObject& Owner() override { return *this; }
    void Begin(TLinkJob& job) override;
    void End(const TLinkJob& job) override;
    void SendBankSelect(int index) override;
    void PacedWait(double milliseconds) override;
    bool Pacing() const override { return pacing > 0; }
    bool SettleAnswers(double timeout) override;
    TAnswerLedger& Ledger() override { return ledger; }
    void AskPlace() override;
    bool AwaitPlace() override;
    TWhere PlaceOf(int bank, int number) const override;
    bool PlaceStillOwed() const override {
        return placesTold && numberOwed && (bankOwed || PrePlenovaMode);
    }
    void AskBank() override;
    TWhere ConfirmBank(int bank, bool asked, bool& chosenAgain) override;
    int PresetAnswer() const override { return presetAnswer; }
    int BankAnswer() const override { return bankAnswer; }
    bool PlacesTold() const override { return placesTold; }
    void NoteSeen(int bank, int slot, TByteView dump, TSeenHow how) override;
    void SetCurrentBank(int bank) override { currentBank = bank; }
    void ForgetReplies() override {
        pendingReplies = 0;
        bankOwed = numberOwed = false;
    }
    // (bank, slot): a place of the unit, bank first, as everywhere.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    void NoteTitle(int bank, int slot, const QString& title) {
        knownTitles[TPlace::Of(bank, slot)] = title;
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
    TLinkJob* running = nullptr;
    TAnswerLedger ledger;
    std::map<TPlace, QString> knownTitles;
    TUnitMemory* unitMemory = nullptr;
};
