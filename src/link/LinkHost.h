#pragma once
// What the device link asks of whoever hosts it — the main window or the command-line tool:
// the output port, a plain wait, a place for what it has to say, what it does not take of the
// input, and how its jobs go.

#include "midi/MidiOut.h"
#include "midi/Miditype.h"
#include "model/Protocol.h"

#include <QString>
#include <memory>

// Where a job is: the bank (-1 single bank), the preset number being asked for or written, the
// last number of the bank, the presets handled and the total, an estimate of the milliseconds
// left, and how often this preset has been asked for.
struct TLinkProgress {
    int Bank = -1;
    int Number = 0;
    int LastNumber = 0;
    int Done = 0;
    int Total = 0;
    double MillisecondsLeft = 0;
    int Tries = 1;
    bool Restoring = false; // a restore's slots need not run without gaps: it counts presets
    // "Bank A: preset 37 of 200 - about 3 min 10 s left", with the try after a time-out;
    // "Bank B: slot 17, preset 3 of 40 - ..." for a restore.
    QString Text() const;
};

class TLinkHost {
public:
    using TProgress = TLinkProgress;

    virtual ~TLinkHost() = default;
    virtual TMidiOutput* Output() = 0;
    // Whether the output can be used; may tell the user why not (and show the monitor).
    virtual bool OutputAvailable(bool switchToMonitor) = 0;
    // Waits the time while everything else goes on (the link adds what input needs).
    virtual void Wait(int milliseconds) = 0;
    virtual void Status(const QString& text) = 0;
    virtual void Log(const QString& text) = 0;
    // A send the output refused.
    virtual void SendFailed(const QString& errorText) = 0;
    virtual void BypassReported(bool on) { (void)on; }

    // Input the link did not take: the host shows it (the monitor) or lets it go.
    virtual void Unclaimed(std::unique_ptr<TMyMidiEvent> event) { (void)event; }
    // A preset a walk is about to take, as it arrived.
    virtual void WalkPresetArriving(TByteView dump) { (void)dump; }
    // The input handler's depth changed: 1 when it starts, 0 when it has returned; a wait
    // begun inside it lets a nested one in.
    virtual void InputDepth(int depth) { (void)depth; }
    // One drain of the input is done (what it took is one batch for the host).
    virtual void InputTaken() {}
    // Reading the input failed (the device would not take a buffer back).
    virtual void InputFailed(const QString& error) { (void)error; }

    // The listing: begun when printing is turned on, ended when it is turned off. Begin
    // returns false when no print job could start; Line false when the line was not printed
    // (another print ended the job). bank is -1 on a single-bank unit.
    virtual bool ListingBegin() { return true; }
    // (bank, number): a place of the unit, bank first, as everywhere.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    virtual bool ListingLine(int bank, int number, const QString& title) {
        (void)bank, (void)number, (void)title;
        return true;
    }
    virtual void ListingEnd() {}

    virtual void Progress(const TLinkProgress& progress) { (void)progress; }
    // The walk is over: every chosen preset was handled.
    virtual void ProcedureComplete() {}
    // The walk stopped for good: a file could not be written, or the unit stopped answering.
    virtual void ProcedureFailed(const QString& message) { (void)message; }
};
