#pragma once
// The link's jobs and the link as they see it. A job (the backup walk, the verified store, the
// plan walk) is one class that implements TLinkJob and is built with a TJobLink: the narrow face
// of the link that sends, waits, asks the unit where it is and remembers what a slot holds. While
// a job runs, nothing else may change the unit's bank, its edit buffer or start another job; the
// running job sees what arrives first.

#include "link/AnswerLedger.h"
#include "link/LinkHost.h"
#include "store/Place.h"
#include "store/UnitMemory.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <type_traits>
#include <typeindex>

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

class TLinkJob {
public:
    TLinkJob() = default;
    virtual ~TLinkJob() = default;
    TLinkJob(const TLinkJob&) = delete;
    TLinkJob& operator=(const TLinkJob&) = delete;

    // An event that arrived while this job runs (bytes: its SysEx, empty for anything else):
    // what became of it, or nothing to leave it to the link, which takes the replies it awaits.
    virtual std::optional<TRouted> Route(const TMyMidiEvent& event, TByteView bytes) = 0;
    // What nobody took while this job runs goes to the host (false) or nowhere (true).
    virtual bool DropsTheRest() const { return false; }
    // Why nothing else may start while this job runs.
    virtual QString BusyReason() const = 0;
    // Ctrl+C: the job ends as soon as it safely can.
    virtual void Abort() = 0;
    // Whether that job may run as a part of this one while this one runs (a plan's stores).
    virtual bool Includes(const TLinkJob& part) const {
        (void)part;
        return false;
    }
};

class TJobLink {
public:
    TJobLink() = default;
    TJobLink(const TJobLink&) = delete;
    TJobLink& operator=(const TJobLink&) = delete;

    // The link's job of this type, built the first time it is asked for.
    template <class TJob> TJob& Job() {
        static_assert(std::is_base_of_v<TLinkJob, TJob>, "a job implements TLinkJob");
        const auto found = jobs.find(typeid(TJob));
        if (found != jobs.end())
            return static_cast<TJob&>(*found->second);
        auto job = std::make_unique<TJob>(*this);
        TJob& made = *job;
        jobs.emplace(typeid(TJob), std::move(job));
        return made;
    }

    virtual TLinkHost& Host() = 0;
    // The link as an object: the parent of a job's timers, and what a job's guard watches.
    virtual QObject& Owner() = 0;
    // Null once the link is gone (a wait may outlive it: the program closing).
    QPointer<QObject> Guard() { return &Owner(); }

    // The job running; none while idle.
    virtual const TLinkJob* Running() const = 0;
    bool Busy() const { return Running() != nullptr; }
    virtual QString BusyReason() const = 0;
    // Whether this job is running, or is a part of the one that is.
    bool PartOfRunning(const TLinkJob& job) const {
        const TLinkJob* running = Running();
        return running != nullptr && (running == &job || running->Includes(job));
    }
    // Begun and ended by TJobScope only.
    virtual void Begin(TLinkJob& job) = 0;
    virtual void End(const TLinkJob& job) = 0;

    // The clock, the pace and the port.
    virtual double Now() const = 0;
    virtual int RealMilliseconds(double milliseconds) const = 0;
    virtual void Wait(int milliseconds) = 0;
    // A wait of the link's own: no time-out counts it. Milliseconds of the link's clock.
    virtual void PacedWait(double milliseconds) = 0;
    virtual bool Pacing() const = 0;
    virtual const TLinkTimings& Timings() const = 0;
    int RequestDelay() const { return Timings().RequestDelay; }
    virtual void SetRequestDelay(int milliseconds) = 0;
    virtual const QString& PortMissing() const = 0;
    virtual const QString& Stranded() const = 0;
    virtual void StopWaiting() = 0;

    // What goes out.
    virtual bool SendRequest(const TBytes& message) = 0;
    virtual bool SendChannelMessage(std::uint8_t status, std::uint8_t data1,
                                    std::uint8_t data2) = 0;
    // Selects a bank whoever is busy: the jobs' own choice.
    virtual void SendBankSelect(int index) = 0;
    // The bank the jobs' stores and walks are in; -1 unknown.
    virtual int CurrentBank() const = 0;
    virtual void SetCurrentBank(int bank) = 0;

    // The answers the unit still owes.
    virtual TAnswerLedger& Ledger() = 0;
    // Asks the unit something harmless and waits for the reply: it answers in order, so once
    // it has replied, every request sent before has been answered or is lost. False when no
    // reply came within the time.
    virtual bool SettleAnswers(double timeout) = 0;
    // Replies to the ping still on their way must not be taken for the job's.
    virtual void ForgetReplies() = 0;

    // A dump names no slot, and a message choosing one can be lost on the way. So between
    // choosing a preset and asking for it, the jobs ask the unit where it is; it answers in
    // order, so the replies are in before the dump.
    virtual void AskPlace() = 0;
    // Waits for the replies to the last AskPlace (or AskBank) as long as such a question may
    // take; false when they did not come.
    virtual bool AwaitPlace() = 0;
    // What the replies to the last AskPlace said of (bank, number). A bank below 0 or a number
    // below 1 is not compared. A unit that has never told its place (it does not answer such
    // questions) is taken at its word; for one that has, a lost reply leaves it Unknown.
    enum class TWhere { Here, Unknown, OtherSlot, OtherBank };
    virtual TWhere PlaceOf(int bank, int number) const = 0;
    // No reply to the last AskPlace has come yet from a unit that answers it: a dump arriving
    // now was sent before them, so it answers something asked earlier, or came twice.
    virtual bool PlaceStillOwed() const = 0;
    // A store goes into a slot of whatever bank the unit is in, and the message choosing the bank
    // can be lost too. So before storing, the jobs ask the unit its bank (AskBank, sent while the
    // unit takes the dump, or ConfirmBank itself) and, while it reports another, choose the bank
    // again (twice at most, each given two request delays): Here once it says the bank (or when
    // it has never told its place), OtherBank when it would not change, Unknown when its replies
    // stayed away. chosenAgain: the bank was chosen again, which loads the edit buffer anew.
    virtual void AskBank() = 0;
    virtual TWhere ConfirmBank(int bank, bool asked, bool& chosenAgain) = 0;
    // What the unit last reported: its preset number (1-based) and its bank; -1 unknown.
    virtual int PresetAnswer() const = 0;
    virtual int BankAnswer() const = 0;
    // The unit has answered a question of where it is: a lost reply is not taken as its word.
    virtual bool PlacesTold() const = 0;

    // What the unit holds, remembered; none: nothing is remembered.
    virtual TUnitMemory* Memory() const = 0;
    // A preset seen in a slot (bank -1: the single bank): remembered, and its title noted.
    virtual void NoteSeen(int bank, int slot, TByteView dump, TSeenHow how) = 0;
    // Titles seen in the unit's slots this session, by place.
    virtual const std::map<TPlace, QString>& KnownTitles() const = 0;

protected:
    ~TJobLink() = default;
    // The link's jobs go before the rest of it does.
    void DropJobs() { jobs.clear(); }

private:
    std::map<std::type_index, std::unique_ptr<TLinkJob>> jobs;
};

// A job begun on the link for as long as the scope lasts, and ended on every way out. It begins
// when the link is idle; it joins as a part when the running job includes it; otherwise it is
// refused (false), and the running job's reason says why.
class TJobScope {
public:
    TJobScope(TJobLink& link, TLinkJob& job);
    ~TJobScope();
    TJobScope(const TJobScope&) = delete;
    TJobScope& operator=(const TJobScope&) = delete;
    explicit operator bool() const { return admitted; }

private:
    TJobLink& link;
    const TLinkJob& job;
    QPointer<QObject> alive;
    bool own = false;
    bool admitted = false;
};
