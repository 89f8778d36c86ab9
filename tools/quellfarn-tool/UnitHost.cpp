// The device link hosted without a window: the ports, the connection and the tool's jobs.

#include "UnitHost.h"

#include "ToolRun.h"
#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "link/ConnectionCheck.h"
#include "link/VerifiedStore.h"
#include "model/DeviceMode.h"
#include "sim/SimulatedProcessor.h"

#include <QElapsedTimer>
#include <QFont>
#include <QGuiApplication>
#include <algorithm>
#include <atomic>
#include <iostream>
#include <unistd.h>

namespace {
std::atomic<bool> interruptRequested{false};
// How often the ports are listed again while the tool runs.
constexpr int kPortWatchInterval = 500;

QString Text(const std::string& text) {
    return QString::fromLocal8Bit(text.c_str());
}

// The names of the devices one side of the service offers, for a message.
QString KnownNames(MidiService& service, bool inputs) {
    QStringList names;
    const unsigned count = inputs ? service.InGetNumDevs() : service.OutGetNumDevs();
    for (unsigned index = 0; index < count; ++index) {
        std::string name;
        const MMRESULT result = inputs ? service.InGetDevName(index, name)
                                       : service.OutGetDevName(static_cast<int>(index), name);
        if (result == MMSYSERR_NOERROR)
            names << QLatin1Char('"') + Text(name) + QLatin1Char('"');
    }
    const QString side = inputs ? QStringLiteral("inputs") : QStringLiteral("outputs");
    if (names.isEmpty())
        return QStringLiteral("there are no MIDI ") + side;
    return QStringLiteral("the MIDI %1 are %2").arg(side, names.join(QStringLiteral(", ")));
}

double Milliseconds(const QElapsedTimer& clock) {
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}
} // namespace

TUnitHost::TUnitHost(MidiService& service, const TUnitOptions& options, TReportStyle style)
    : service(service), options(options), style(style), ports(service) {
    SetPrePlenovaMode(options.PrePlenova);
    link = std::make_unique<TDeviceLink>(*this);
    // For tests that run long delays: the link's waits and time-outs that many times faster.
    bool ok = false;
    const double speed = qEnvironmentVariable("QUELLFARN_CLOCK_SPEED").toDouble(&ok);
    if (ok && speed > 0)
        link->SetClockSpeed(speed);
    QObject::connect(&interruptPoll, &QTimer::timeout, [this] { CheckInterrupt(); });
}

TUnitHost::~TUnitHost() {
    interruptPoll.stop();
    link.reset(); // before the ports it sends through
}

void TUnitHost::RequestInterrupt() {
    interruptRequested = true;
}

QString TUnitHost::OutputName() const {
    return options.OutputName.isEmpty() ? QString::fromLatin1(kSimulatedDeviceName)
                                        : options.OutputName;
}

bool TUnitHost::OpenPorts() {
    portsTried = true;
    const QString inputName =
        options.InputName.isEmpty() ? QString::fromLatin1(kSimulatedDeviceName) : options.InputName;
    const QString outputName = OutputName();
    // The output first: a check then names the first of them that is missing.
    TMidiOutput& output = ports.Output();
    output.OnSendError = [this](TMidiOutput& sender, MMRESULT result) {
        SendFailed(sender.DriverErrorText(result));
    };
    try {
        output.SetProductName(outputName);
    } catch (const EmidioutputError&) {
        Complain(QStringLiteral("no MIDI output \"%1\"; %2")
                     .arg(outputName, KnownNames(service, false)));
        return false;
    }
    try {
        output.OpenDevice();
    } catch (const EmidioutputError& error) {
        Complain(QStringLiteral("cannot open the MIDI output \"%1\": %2")
                     .arg(outputName, QString::fromStdString(error.what())));
        return false;
    }
    TMidiInput& input = ports.Input();
    link->Attach(&input);
    try {
        input.SetProductName(inputName);
    } catch (const EMidiInputError&) {
        Complain(
            QStringLiteral("no MIDI input \"%1\"; %2").arg(inputName, KnownNames(service, true)));
        return false;
    }
    try {
        input.OpenDevice();
        input.StartInput();
    } catch (const EMidiInputError& error) {
        Complain(QStringLiteral("cannot open the MIDI input \"%1\": %2")
                     .arg(inputName, QString::fromStdString(error.what())));
        return false;
    }
    // What the walk reads and the restore writes is remembered, as the window remembers it.
    Memory();
    link->SetMemory(memory.get());
    ports.ChosenIn().Name = inputName;
    ports.ChosenOut().Name = outputName;
    TPortWatch& watch = ports.WatchPorts();
    QObject::connect(&watch, &TPortWatch::Changed, [this] { PortsChanged(); });
    watch.Start(kPortWatchInterval);
    return true;
}

void TUnitHost::PortsChanged() {
    for (const QString& text : ports.Follow())
        if (!text.isEmpty())
            Complain(text); // on standard error, whatever the style
    link->SetPortMissing(ports.Missing());
}

int TUnitHost::Check() {
    // A port that cannot be opened is said on standard error; the check names it as a step.
    OpenPorts();
    const TCheckResult result = CheckConnection(*link, options.TimeoutMilliseconds);
    for (const QString& line : CheckLines(result))
        std::cout << line.toStdString() << "\n";
    std::cout.flush();
    return result.Answers ? 0 : 1;
}

bool TUnitHost::Connect() {
    // A second step of one run (a swap reads, then writes) goes on with the ports it has.
    if (portsTried) {
        interruptPoll.start(50);
        return true;
    }
    if (!OpenPorts())
        return false;
    const int delay = options.Walk.RequestDelay;
    TLinkTimings timings;
    timings.RequestDelay = delay;
    timings.MaxTries = options.MaxTries;
    timings.TimeoutMilliseconds = options.TimeoutMilliseconds;
    // A walk looks for a stalled preset every ten request delays; a time-out shorter than that
    // is looked for often enough to hold within a quarter.
    timings.CheckInterval = std::min(delay * 10, std::max(10, options.TimeoutMilliseconds / 4));
    link->SetTimings(timings);
    interruptPoll.start(50);

    // A connection that is new may not carry the first message yet (JACK): ask more than once
    // before going on, and give the unit time to say its bank as well. The answers may
    // take longer than the request delay.
    const auto complete = [this] {
        return answered && (PrePlenovaMode || link->CurrentBank() >= 0);
    };
    for (int ping = 0; ping < 3 && !complete() && !interrupted; ++ping) {
        link->PingDevice();
        QElapsedTimer waited;
        waited.start();
        while (!complete() && !interrupted &&
               waited.elapsed() < std::max(1000, link->RealMilliseconds(2.0 * delay)))
            Wait(10);
    }
    if (interrupted) {
        interruptPoll.stop();
        Complain(QStringLiteral("aborted"));
        return false;
    }
    return true;
}

bool TUnitHost::ConnectForWriting() {
    if (!Connect())
        return false;
    if (answered)
        return true;
    // What cannot be read back cannot be verified: a unit that does not answer gets nothing.
    interruptPoll.stop();
    Complain(QStringLiteral("the unit does not answer; nothing was written"));
    return false;
}

int TUnitHost::Run() {
    const ToolRun::TCatchInterrupts catching;
    if (!Connect())
        return 1;
    if (!answered || (!PrePlenovaMode && link->CurrentBank() < 0))
        Complain(QStringLiteral("the unit does not answer; trying all the same"));

    TProcedureOptions procedure = options.Walk;
    procedure.Save = true;
    procedure.Print = !options.ListingFile.isEmpty();
    if (procedure.Print) {
        IgnoreInstalledPrinters(true);
        PrintToPdf(options.ListingFile);
    }
    QElapsedTimer walk;
    walk.start();
    const bool started = link->Job<TBackupWalk>().Start(procedure);
    if (started && listingFailed && link->Job<TBackupWalk>().Active()) {
        link->Job<TBackupWalk>().Stop();
        Complain(QStringLiteral("cannot print the listing into ") + options.ListingFile);
        Finish(TOutcome::Failed);
    }
    if (started && interrupted && link->Job<TBackupWalk>().Active()) {
        link->Job<TBackupWalk>().Abort();
        Finish(TOutcome::Aborted);
    }
    if (outcome == TOutcome::Running && link->Job<TBackupWalk>().Active())
        loop.exec();
    walkMilliseconds = Milliseconds(walk);
    interruptPoll.stop();
    if (outcome == TOutcome::Running) {
        link->Job<TBackupWalk>().Stop();
        if (!started)
            Complain(QStringLiteral("the backup did not start"));
        return 1;
    }
    if (outcome == TOutcome::Aborted) {
        Complain(QStringLiteral("aborted"));
        return 1;
    }
    if (outcome == TOutcome::Failed)
        return 1;
    if (procedure.Print && !listingDelivered) {
        Complain(QStringLiteral("cannot write the listing into ") + options.ListingFile);
        return 1;
    }
    return 0;
}

std::vector<TRestoreItem> TUnitHost::PlanRestore() const {
    return link->Job<TRestoreWalk>().Plan(options.Walk.OutputDirectory, options.Walk.Banks,
                                          options.Walk.First, options.Walk.Last);
}

int TUnitHost::Restore(std::vector<TRestoreItem>& plan) {
    const ToolRun::TCatchInterrupts catching;
    if (!Connect())
        return 1;
    // What cannot be read back cannot be verified: a unit that does not answer gets nothing.
    if (!answered) {
        interruptPoll.stop();
        Complain(QStringLiteral("the unit does not answer; nothing was restored"));
        return 1;
    }
    QElapsedTimer clock;
    clock.start();
    writing = true;
    restoreCounts = link->Job<TRestoreWalk>().Run(plan, &Journal());
    writing = false;
    walkMilliseconds = Milliseconds(clock);
    interruptPoll.stop();
    EndProgressLine();
    if (interrupted) {
        Complain(QStringLiteral("aborted"));
        return 1;
    }
    const int planned = TRestoreWalk::WrittenCount(plan);
    if (restoreCounts.Verified == planned && restoreCounts.Failed == 0 &&
        restoreCounts.Skipped == 0 && !sendFailed)
        return 0;
    Complain(
        QStringLiteral("not everything was restored: %1 of %2 presets verified, %3 failed, "
                       "%4 %5 skipped")
            .arg(restoreCounts.Verified)
            .arg(planned)
            .arg(restoreCounts.Failed)
            .arg(restoreCounts.Skipped)
            .arg(restoreCounts.Skipped == 1 ? QStringLiteral("file") : QStringLiteral("files")));
    return 1;
}

bool TUnitHost::ReadSlots(const std::vector<TPlace>& wanted) {
    if (!ConnectForWriting())
        return false;
    const int read = link->Job<TVerifiedStore>().ReadSlots(wanted);
    if (read == static_cast<int>(wanted.size()))
        return true;
    interruptPoll.stop();
    Complain(QStringLiteral("the unit did not send every slot asked for; nothing was written"));
    return false;
}

TPlanCounts TUnitHost::RunWrite(const std::function<TPlanCounts()>& job) {
    writing = true;
    const TPlanCounts counts = job();
    writing = false;
    interruptPoll.stop();
    EndProgressLine();
    if (!counts.Refused.isEmpty())
        Complain(counts.Refused);
    return counts;
}

int TUnitHost::Write(const TWritePlan& plan) {
    const ToolRun::TCatchInterrupts catching;
    if (!ConnectForWriting())
        return 1;
    const TPlanCounts counts =
        RunWrite([&] { return link->Job<TPlanWalk>().Run(plan, &Journal()); });
    if (!counts.Refused.isEmpty())
        return 1;
    if (interrupted) {
        Complain(QStringLiteral("aborted after ") + PlanCountsText(counts));
        return 1;
    }
    if (counts.Verified == static_cast<int>(plan.Writes.size()) && !sendFailed)
        return 0;
    Complain(QStringLiteral("not every slot was written and verified: ") + PlanCountsText(counts));
    return 1;
}

int TUnitHost::Replay(bool undo, const TPlanWalk::TAsk& ask) {
    const ToolRun::TCatchInterrupts catching;
    const TJournalEntry* entry = undo ? Journal().ToUndo() : Journal().ToRedo();
    if (entry == nullptr) {
        Complain(undo ? QStringLiteral("nothing to undo") : QStringLiteral("nothing to redo"));
        return 1;
    }
    const int id = entry->Id;
    const auto total = static_cast<int>(entry->Slots.size());
    if (!ConnectForWriting())
        return 1;
    const TPlanCounts counts = RunWrite([&] {
        return undo ? link->Job<TPlanWalk>().Undo(Journal(), id, ask)
                    : link->Job<TPlanWalk>().Redo(Journal(), id, ask);
    });
    if (!counts.Refused.isEmpty())
        return 1;
    if (counts.Verified == total && !interrupted)
        return 0;
    if (counts.Written > 0 || interrupted)
        Complain(QStringLiteral("not every slot was put back: ") + PlanCountsText(counts));
    return 1;
}

const TUnitMemory& TUnitHost::Memory() {
    if (!memory) {
        memory = std::make_unique<TUnitMemory>(TUnitMemory::FolderFor(OutputName(), DeviceId));
        memory->Load();
    }
    return *memory;
}

TWriteJournal& TUnitHost::Journal() {
    if (!journal) {
        journal = std::make_unique<TWriteJournal>(TWriteJournal::FileIn(Memory().Folder()));
        const QString problem = journal->Load();
        if (!problem.isEmpty())
            Complain(problem);
    }
    return *journal;
}

bool TUnitHost::Confirm(const TQuestion& question) {
    if (!isatty(STDIN_FILENO)) {
        std::cerr << "quellfarn-tool: " << question.Refusal.toStdString()
                  << "; nothing was sent: give --yes to go ahead without being asked" << std::endl;
        return false;
    }
    std::ostream& out = isatty(STDOUT_FILENO) ? std::cout : std::cerr;
    EndProgressLine();
    for (const QString& line : question.Lines) {
        out << line.toStdString() << "\n";
        shownLines.insert(line);
    }
    out << question.Question.toStdString() << " [y/N] " << std::flush;
    std::string answer;
    if (std::getline(std::cin, answer) && ToolRun::IsYes(answer))
        return true;
    std::cerr << "quellfarn-tool: " << question.Cancelled.toStdString() << std::endl;
    return false;
}

void TUnitHost::CheckInterrupt() {
    if (interrupted || !interruptRequested)
        return;
    interrupted = true;
    // The preset being written is finished first: a slot is never left half done.
    if (link->Job<TRestoreWalk>().Running())
        link->Job<TRestoreWalk>().Abort();
    if (link->Job<TPlanWalk>().Running())
        link->Job<TPlanWalk>().Abort();
    // Before the walk is on, or while it starts, the run ends it once the call returns.
    if (link->Job<TBackupWalk>().Active()) {
        link->Job<TBackupWalk>().Abort();
        Finish(TOutcome::Aborted);
    }
}

void TUnitHost::Finish(TOutcome end) {
    if (outcome == TOutcome::Running)
        outcome = end;
    loop.quit();
}

TMidiOutput* TUnitHost::Output() {
    return portsTried ? &ports.Output() : nullptr;
}

bool TUnitHost::OutputAvailable(bool) {
    return portsTried && ports.Output().PortState() == TMidiOutput::State::Open;
}

void TUnitHost::Wait(int milliseconds) {
    WaitMilliseconds(milliseconds);
}

void TUnitHost::Status(const QString&) {
    // Everything the status says is in the log lines or the progress line as well.
}

void TUnitHost::Log(const QString& text) {
    if (style == TReportStyle::Lines) {
        std::cout << text.toStdString() << std::endl;
        return;
    }
    // Under a write's progress line only what went wrong, and the summary, stay in view: a
    // slot written and verified is in the progress line already.
    if (style != TReportStyle::ProgressLine || !writing || shownLines.contains(text))
        return;
    if (const TStoreResult* slot = link->Job<TPlanWalk>().SlotTold();
        slot != nullptr && slot->Verified)
        return;
    EndProgressLine();
    std::cout << text.toStdString() << std::endl;
    shownLines.insert(text);
}

void TUnitHost::SendFailed(const QString& errorText) {
    sendFailed = true;
    Complain(QStringLiteral("MIDI out error: ") + errorText);
}

void TUnitHost::BypassReported(bool) {
    answered = true;
}

bool TUnitHost::ListingBegin() {
    listingBegun = listing.Begin(QGuiApplication::font(), !PrePlenovaMode);
    listingFailed = !listingBegun;
    return listingBegun;
}

// (bank, number): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TUnitHost::ListingLine(int bank, int number, const QString& title) {
    return listing.Line(bank, number, title);
}

void TUnitHost::ListingEnd() {
    listing.End();
    listingDelivered = LastJobDelivered();
}

void TUnitHost::Progress(const TProgress& progress) {
    if (style != TReportStyle::ProgressLine)
        return;
    std::cout << "\r" << progress.Text().toStdString() << "\033[K" << std::flush;
    progressShown = true;
}

void TUnitHost::ProcedureComplete() {
    if (style == TReportStyle::ProgressLine) {
        EndProgressLine();
        std::cout << "Backup complete: "
                  << TBackupWalk::CountsText(link->Job<TBackupWalk>().Counts()).toStdString()
                  << std::endl;
    } else if (style == TReportStyle::Lines) {
        std::cout << "Procedure is complete" << std::endl;
    }
    Finish(TOutcome::Complete);
}

void TUnitHost::ProcedureFailed(const QString& message) {
    Complain(message);
    Finish(TOutcome::Failed);
}

void TUnitHost::Complain(const QString& text) {
    EndProgressLine();
    std::cerr << "quellfarn-tool: " << text.toStdString() << std::endl;
}

void TUnitHost::EndProgressLine() {
    if (!progressShown)
        return;
    std::cout << "\n" << std::flush;
    progressShown = false;
}
