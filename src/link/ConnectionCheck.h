#pragma once
// Whether the unit can be reached, step by step: both ports open, a harmless question sent (the
// bypass state), then whether anything comes back at all, whether it is SysEx, from a Quellfarn
// processor, with the device byte Quellfarn is set to; and one verdict saying what to do. A unit
// silent to its own device byte is asked under every other one, so one set to another device is
// found.

#include <QString>
#include <QStringList>
#include <vector>

class TDeviceLink;

struct TCheckStep {
    QString What; // "MIDI Out open"
    bool Passed = false;
};

struct TCheckResult {
    std::vector<TCheckStep> Steps; // those run, in order; the check stops at the first failure
    QString Verdict;
    bool Answers = false; // the unit answers as Quellfarn is set
    int FoundDevice = -1; // the device byte the unit answers as when it is another one
};

// Runs the check; milliseconds (the link's clock): how long an answer may take. Refused (no
// steps, the reason as the verdict) while the link has a job.
TCheckResult CheckConnection(TDeviceLink& link, double milliseconds);
// The steps, one a line ("ok      MIDI Out open", "failed  Anything received"), then the verdict.
QStringList CheckLines(const TCheckResult& result);
