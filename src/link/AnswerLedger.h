#pragma once
// The answers the unit still owes. A preset dump carries no slot number, so every request for
// the current preset is noted with the wait it was made for, and each dump that arrives is
// matched against those requests in the order they were sent: the unit answers in order.
// Whoever waits for a preset asks here whether a dump is the answer it waits for.

#include "model/Protocol.h"

#include <cstdint>
#include <deque>
#include <map>

class TAnswerLedger {
public:
    // A wait for one preset: every request made for it carries its ticket. 0 is nobody's.
    using TTicket = std::uint64_t;
    enum class TVerdict {
        Take,   // the answer to the wait's own request
        Late,   // the answer to an earlier request for another wait
        Unasked // the answer to no wait's request (the monitor's, or none at all)
    };

    TTicket NewTicket() { return ++lastTicket; }
    // A request for the current preset went out for this wait.
    void Requested(TTicket ticket);
    // A dump arrived while `waiting` waits for its answer (0: nobody waits).
    TVerdict Arrived(TByteView dump, TTicket waiting);
    // A dump that came before the unit could have answered the wait's latest request (it had
    // not yet replied to what was asked just before it): the answer to an older request, which
    // it settles (Late), or a second copy of one already answered (Unasked); never Take.
    TVerdict ArrivedEarly(TTicket waiting);
    // Everything requested so far: a later marker's reply settles it (see Settle).
    std::uint64_t Mark() const { return nextSerial; }
    // The unit has answered something sent after every request before `mark`: their answers
    // have come or are lost for good.
    void Settle(std::uint64_t mark);
    void Clear();
    // Requests whose answers have not come.
    int Owed() const { return static_cast<int>(owed.size()); }
    int OwedTo(TTicket ticket) const;

private:
    struct TRequest {
        TTicket Ticket = 0;
        std::uint64_t Serial = 0;
    };
    void Forget();

    std::deque<TRequest> owed;
    // What the waits with requests still owed were answered with: a dump that differs from a
    // wait's own answer cannot be a late answer to it.
    std::map<TTicket, TBytes> answers;
    TTicket lastTicket = 0;
    std::uint64_t nextSerial = 0;
};
