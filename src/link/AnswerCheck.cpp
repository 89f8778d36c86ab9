// The one check of a dump against the request and the place it answers.

#include "link/AnswerCheck.h"

// (bank, number): a place of the unit, bank first, as everywhere.
TAnswerCheck::TVerdict TAnswerCheck::Check(TJobLink& link, TByteView dump,
                                           TAnswerLedger::TTicket ticket,
                                           int bank, // NOLINT(bugprone-easily-swappable-parameters)
                                           int number) {
    stray = false;
    if (link.PlaceStillOwed()) {
        link.Ledger().ArrivedEarly(ticket);
        return TVerdict::NotOurs;
    }
    if (link.Ledger().Arrived(dump, ticket) != TAnswerLedger::TVerdict::Take)
        return TVerdict::NotOurs;
    using TWhere = TJobLink::TWhere;
    place = link.PlaceOf(bank, number);
    // The message choosing the place was lost: the dump is another slot's. Where only the unit's
    // reply was lost, it is asked once more, and a second such dump is taken, lest a unit losing
    // every so many replies keep a job from ever ending; not so once it has answered from
    // elsewhere for this preset.
    if (place == TWhere::OtherSlot || place == TWhere::OtherBank ||
        (place == TWhere::Unknown && strays > 0)) {
        stray = true;
        ++strays;
        return TVerdict::AskAgain;
    }
    if (place == TWhere::Unknown && ++unplaced < 2)
        return TVerdict::AskAgain;
    return TVerdict::Take;
}
