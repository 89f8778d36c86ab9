// The answers the unit still owes.

#include "link/AnswerLedger.h"

#include <algorithm>

void TAnswerLedger::Requested(TTicket ticket) {
    owed.push_back({ticket, nextSerial++});
}

TAnswerLedger::TVerdict TAnswerLedger::Arrived(TByteView dump, TTicket waiting) {
    while (!owed.empty()) {
        const TRequest front = owed.front();
        owed.pop_front();
        if (front.Ticket == 0) { // the monitor's request (F10): its answer is nobody's
            Forget();
            return TVerdict::Unasked;
        }
        if (front.Ticket == waiting) {
            answers[waiting] = TBytes(dump.begin(), dump.end());
            Forget();
            return TVerdict::Take;
        }
        // A request of another wait is older than the waiting one's: the unit answers it first,
        // unless its answer was lost. Lost it must be when this dump differs from what that wait
        // was answered with; otherwise this is its late answer.
        const auto known = answers.find(front.Ticket);
        if (known != answers.end() && !SameDumpAnyDevice(known->second, dump))
            continue;
        Forget();
        return TVerdict::Late;
    }
    Forget();
    return TVerdict::Unasked;
}

TAnswerLedger::TVerdict TAnswerLedger::ArrivedEarly(TTicket waiting) {
    const auto latest = std::find_if(owed.rbegin(), owed.rend(),
                                     [waiting](const TRequest& r) { return r.Ticket == waiting; });
    if (owed.empty() || (latest != owed.rend() && latest.base() - 1 == owed.begin()))
        return TVerdict::Unasked; // nothing older is owed: the unit sent something twice
    owed.pop_front();
    Forget();
    return TVerdict::Late;
}

void TAnswerLedger::Settle(std::uint64_t mark) {
    owed.erase(std::remove_if(owed.begin(), owed.end(),
                              [mark](const TRequest& request) { return request.Serial < mark; }),
               owed.end());
    Forget();
}

void TAnswerLedger::Clear() {
    owed.clear();
    answers.clear();
}

int TAnswerLedger::OwedTo(TTicket ticket) const {
    return static_cast<int>(std::count_if(
        owed.begin(), owed.end(), [ticket](const TRequest& r) { return r.Ticket == ticket; }));
}

void TAnswerLedger::Forget() {
    for (auto answer = answers.begin(); answer != answers.end();)
        answer = OwedTo(answer->first) > 0 ? std::next(answer) : answers.erase(answer);
}
