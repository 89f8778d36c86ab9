#pragma once
// Whether the unit can be reached, step by step: both ports open, a harmless question sent (the
// bypass state), then whether anything comes back at all, whether it is SysEx, from a Quellfarn
// processor, with the device byte Quellfarn is set to; and one verdict saying what to do. A unit
// silent to its own device byte is asked under every other one, so one set to another device is
// found.

#include <QString>
#include <QStringList>
#include <vector>

class MidiService;
class TDeviceLink;
class TLinkHost;

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

// Where the unit is: the input and output it answered on, the device byte it answered as, and
// its model as its program table's request showed it.
struct TFoundUnit {
    QString Input, Output; // empty: no pair answered
    int Device = -1;
    bool ModeKnown = false;
    bool PrePlenova = false;
    bool Found() const { return !Output.isEmpty(); }
};

// Finds the unit among the service's ports: listens on every input at once and asks, output by
// output, the harmless question of the bypass state under every device byte (the one set first),
// in two rounds where the first found nothing (a connection just made may lose its first
// message); the first output whose question is answered, and the input the answer came in at,
// are the unit's. Only that question goes to the other ports; the unit itself is then asked for its
// program table in each model's words, and the answer's length tells the model. milliseconds
// (real): how long each output's answer may take. The ports the host has open should be closed
// first: a port may not be open twice.
TFoundUnit FindUnit(MidiService& service, TLinkHost& host, int milliseconds);
// What was found, for the user: the ports, the model and the device byte where they differ from
// what Quellfarn is set to.
QString FoundText(const TFoundUnit& found);
