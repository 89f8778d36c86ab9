// quellfarn-tool backup, restore and devices: the device link hosted without a window.

#include "Backup.h"

#include "ToolErrors.h"
#include "ToolRun.h"
#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "link/ConnectionCheck.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "midi/VirtualMidiService.h"
#include "model/DeviceMode.h"
#include "sim/SimulatedProcessor.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFont>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <csignal>
#include <iostream>
#include <map>
#include <unistd.h>

namespace {
std::atomic<bool> interruptRequested{false};
// How often the ports are listed again while the tool runs.
constexpr int kPortWatchInterval = 500;

void Interrupted(int) {
    TBackup::RequestInterrupt();
}

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

// "bank B", "banks A, C"; empty for a single-bank unit.
QString BankWords(const std::array<bool, 4>& banks) {
    QStringList letters;
    for (int bank = 0; bank < 4; ++bank)
        if (banks[static_cast<std::size_t>(bank)])
            letters << QString(QLatin1Char(BankLetters[bank]));
    if (PrePlenovaMode || letters.isEmpty())
        return QString();
    return (letters.size() == 1 ? QStringLiteral("bank ") : QStringLiteral("banks ")) +
           letters.join(QStringLiteral(", "));
}

// The line the link logs for a file it skips.
QString SkippedLine(const TRestoreItem& item) {
    return QStringLiteral("Skipped %1: %2").arg(item.Path, item.Problem);
}
} // namespace

TBackup::TBackup(MidiService& service, const TBackupOptions& options, TReportStyle style)
    : service(service), options(options), style(style) {
    SetPrePlenovaMode(options.PrePlenova);
    link = std::make_unique<TDeviceLink>(*this);
    // For tests that run long delays: the link's waits and time-outs that many times faster.
    bool ok = false;
    const double speed = qEnvironmentVariable("QUELLFARN_CLOCK_SPEED").toDouble(&ok);
    if (ok && speed > 0)
        link->SetClockSpeed(speed);
    QObject::connect(&interruptPoll, &QTimer::timeout, [this] { CheckInterrupt(); });
}

TBackup::~TBackup() {
    interruptPoll.stop();
    link.reset(); // before the ports it sends through
}

void TBackup::RequestInterrupt() {
    interruptRequested = true;
}

bool TBackup::OpenPorts() {
    const QString inputName =
        options.InputName.isEmpty() ? QString::fromLatin1(kSimulatedDeviceName) : options.InputName;
    const QString outputName = options.OutputName.isEmpty()
                                   ? QString::fromLatin1(kSimulatedDeviceName)
                                   : options.OutputName;
    // The output first: a check then names the first of them that is missing.
    output = std::make_unique<TMidiOutput>(service);
    output->OnSendError = [this](TMidiOutput& sender, MMRESULT result) {
        SendFailed(sender.DriverErrorText(result));
    };
    try {
        output->SetProductName(outputName);
    } catch (const EmidioutputError&) {
        Complain(QStringLiteral("no MIDI output \"%1\"; %2")
                     .arg(outputName, KnownNames(service, false)));
        return false;
    }
    try {
        output->OpenDevice();
    } catch (const EmidioutputError& error) {
        Complain(QStringLiteral("cannot open the MIDI output \"%1\": %2")
                     .arg(outputName, QString::fromStdString(error.what())));
        return false;
    }
    input = std::make_unique<TMidiInput>(service);
    link->Attach(input.get());
    try {
        input->SetProductName(inputName);
    } catch (const EMidiInputError&) {
        Complain(
            QStringLiteral("no MIDI input \"%1\"; %2").arg(inputName, KnownNames(service, true)));
        return false;
    }
    try {
        input->OpenDevice();
        input->StartInput();
    } catch (const EMidiInputError& error) {
        Complain(QStringLiteral("cannot open the MIDI input \"%1\": %2")
                     .arg(inputName, QString::fromStdString(error.what())));
        return false;
    }
    // What the walk reads and the restore writes is remembered, as the window remembers it.
    Memory();
    link->SetMemory(memory.get());
    chosenIn.Name = inputName;
    chosenOut.Name = outputName;
    portWatch = std::make_unique<TPortWatch>(service);
    QObject::connect(portWatch.get(), &TPortWatch::Changed, [this] { PortsChanged(); });
    portWatch->Retry = [this] { return chosenIn.Refused || chosenOut.Refused; };
    portWatch->Start(kPortWatchInterval);
    return true;
}

void TBackup::PortsChanged() {
    for (const QString& text :
         {TPortWatch::Follow(
              chosenIn, portWatch->Inputs(), [this] { input->CloseDevice(); },
              [this] {
                  input->SetProductName(chosenIn.Name);
                  input->OpenDevice();
                  input->StartInput();
              }),
          TPortWatch::Follow(
              chosenOut, portWatch->Outputs(), [this] { output->CloseDevice(); },
              [this] {
                  output->SetProductName(chosenOut.Name);
                  output->OpenDevice();
              })})
        if (!text.isEmpty())
            Complain(text); // on standard error, whatever the style
    link->SetPortMissing(TPortWatch::Missing(chosenIn, chosenOut));
}

int TBackup::Check() {
    // A port that cannot be opened is said on standard error; the check names it as a step.
    OpenPorts();
    const TCheckResult result = CheckConnection(*link, options.TimeoutMilliseconds);
    for (const QString& line : CheckLines(result))
        std::cout << line.toStdString() << "\n";
    std::cout.flush();
    return result.Answers ? 0 : 1;
}

bool TBackup::Connect() {
    // A second step of one run (a swap reads, then writes) goes on with the ports it has.
    if (output) {
        interruptPoll.start(50);
        return true;
    }
    if (!OpenPorts())
        return false;
    TLinkTimings timings;
    timings.RequestDelay = options.RequestDelay;
    timings.MaxTries = options.MaxTries;
    timings.TimeoutMilliseconds = options.TimeoutMilliseconds;
    // A walk looks for a stalled preset every ten request delays; a time-out shorter than that
    // is looked for often enough to hold within a quarter.
    timings.CheckInterval =
        std::min(options.RequestDelay * 10, std::max(10, options.TimeoutMilliseconds / 4));
    link->SetTimings(timings);
    interruptPoll.start(50);

    // A connection that is new may not carry the first message yet (JACK): ask more than once
    // before going on without knowing which bank to select again at the end. The answers may
    // take longer than the request delay.
    const auto complete = [this] {
        return answered && (PrePlenovaMode || link->CurrentBank() >= 0);
    };
    for (int ping = 0; ping < 3 && !complete() && !interrupted; ++ping) {
        link->PingDevice();
        QElapsedTimer waited;
        waited.start();
        while (!complete() && !interrupted &&
               waited.elapsed() <
                   std::max(1000, link->RealMilliseconds(2.0 * options.RequestDelay)))
            Wait(10);
    }
    if (interrupted) {
        interruptPoll.stop();
        Complain(QStringLiteral("aborted"));
        return false;
    }
    return true;
}

int TBackup::Run() {
    if (!Connect())
        return 1;
    if (!answered || (!PrePlenovaMode && link->CurrentBank() < 0))
        Complain(QStringLiteral("the unit does not answer; trying all the same"));

    TProcedureOptions procedure;
    procedure.Banks = options.Banks;
    procedure.LoopByPresetNumber = true;
    procedure.Save = true;
    procedure.Print = !options.ListingFile.isEmpty();
    procedure.OutputDirectory = options.Directory;
    procedure.First = options.First;
    procedure.Last = options.Last;
    procedure.UntitledName = options.UntitledName;
    procedure.RequestDelay = options.RequestDelay;
    if (procedure.Print) {
        IgnoreInstalledPrinters(true);
        PrintToPdf(options.ListingFile);
    }
    QElapsedTimer walk;
    walk.start();
    const bool started = link->Walk().Start(procedure);
    if (started && listingFailed && link->Walk().Active()) {
        link->Walk().Stop();
        Complain(QStringLiteral("cannot print the listing into ") + options.ListingFile);
        Finish(TOutcome::Failed);
    }
    if (started && interrupted && link->Walk().Active()) {
        link->Walk().Abort();
        Finish(TOutcome::Aborted);
    }
    if (outcome == TOutcome::Running && link->Walk().Active())
        loop.exec();
    walkMilliseconds = static_cast<double>(walk.nsecsElapsed()) / 1e6;
    interruptPoll.stop();
    if (outcome == TOutcome::Running) {
        link->Walk().Stop();
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

std::vector<TRestoreItem> TBackup::PlanRestore() const {
    return link->Restore().Plan(options.Directory, options.Banks, options.First, options.Last);
}

int TBackup::Restore(std::vector<TRestoreItem>& plan) {
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
    restoring = true;
    restoreCounts = link->Restore().Run(plan, &Journal());
    restoring = false;
    walkMilliseconds = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    interruptPoll.stop();
    EndProgressLine();
    if (interrupted) {
        Complain(QStringLiteral("aborted"));
        return 1;
    }
    const auto planned = std::count_if(
        plan.begin(), plan.end(), [](const TRestoreItem& item) { return item.Problem.isEmpty(); });
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

void TBackup::CheckInterrupt() {
    if (interrupted || !interruptRequested)
        return;
    interrupted = true;
    // The preset being written is finished first: a slot is never left half done.
    if (link->Restore().Running())
        link->Restore().Abort();
    if (link->Plans().Running())
        link->Plans().Abort();
    // Before the walk is on, or while it starts, the run ends it once the call returns.
    if (link->Walk().Active()) {
        link->Walk().Abort();
        Finish(TOutcome::Aborted);
    }
}

void TBackup::Finish(TOutcome end) {
    if (outcome == TOutcome::Running)
        outcome = end;
    loop.quit();
}

TMidiOutput* TBackup::Output() {
    return output.get();
}

bool TBackup::OutputAvailable(bool) {
    return output && output->PortState() == TMidiOutput::State::Open;
}

void TBackup::Wait(int milliseconds) {
    WaitMilliseconds(milliseconds);
}

void TBackup::Status(const QString&) {
    // Everything the status says is in the log lines or the progress line as well.
}

void TBackup::Log(const QString& text) {
    lastLogLine = text;
    if (style == TReportStyle::Lines) {
        std::cout << text.toStdString() << std::endl;
        return;
    }
    // Under a restore's progress line only what went wrong, and the summary, stay in view.
    if (style == TReportStyle::ProgressLine && restoring &&
        !text.endsWith(QStringLiteral(" written and verified")) && !shownLines.contains(text)) {
        EndProgressLine();
        std::cout << text.toStdString() << std::endl;
        shownLines.insert(text);
    }
}

void TBackup::SendFailed(const QString& errorText) {
    sendFailed = true;
    Complain(QStringLiteral("MIDI out error: ") + errorText);
}

void TBackup::BypassReported(bool) {
    answered = true;
}

bool TBackup::ListingBegin() {
    listingBegun = listing.Begin(QGuiApplication::font(), !PrePlenovaMode);
    listingFailed = !listingBegun;
    return listingBegun;
}

// (bank, number): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TBackup::ListingLine(int bank, int number, const QString& title) {
    return listing.Line(bank, number, title);
}

void TBackup::ListingEnd() {
    listing.End();
    listingDelivered = LastJobDelivered();
}

void TBackup::Progress(const TProgress& progress) {
    if (style != TReportStyle::ProgressLine)
        return;
    std::cout << "\r" << progress.Text().toStdString() << "\033[K" << std::flush;
    progressShown = true;
}

void TBackup::ProcedureComplete() {
    if (style == TReportStyle::ProgressLine) {
        EndProgressLine();
        std::cout << "Backup complete: " << lastLogLine.toStdString() << std::endl;
    } else if (style == TReportStyle::Lines) {
        std::cout << "Procedure is complete" << std::endl;
    }
    Finish(TOutcome::Complete);
}

void TBackup::ProcedureFailed(const QString& message) {
    Complain(message);
    Finish(TOutcome::Failed);
}

void TBackup::Complain(const QString& text) {
    EndProgressLine();
    std::cerr << "quellfarn-tool: " << text.toStdString() << std::endl;
}

void TBackup::EndProgressLine() {
    if (!progressShown)
        return;
    std::cout << "\n" << std::flush;
    progressShown = false;
}

int BackupCommand(int argc, char* argv[], const TBackupOptions& options) {
    // Qt is given no arguments of the user's: they are the tool's.
    static int applicationArgc = 1;
    static char* applicationArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    std::unique_ptr<QCoreApplication> application;
    if (options.ListingFile.isEmpty()) {
        application = std::make_unique<QCoreApplication>(applicationArgc, applicationArgv);
    } else {
        // Printing needs fonts and a paint engine, not a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QApplication>(applicationArgc, applicationArgv);
    }
    MidiDeviceService midi;
    std::shared_ptr<TSimulatedProcessor> processor;
    ToolRun::AddBackends(midi, options.PrePlenova, processor);
    TBackup backup(midi, options,
                   isatty(STDOUT_FILENO) ? TReportStyle::ProgressLine : TReportStyle::Lines);
    ToolRun::CatchInterrupts(true);
    const int status = backup.Run();
    ToolRun::CatchInterrupts(false);
    return status;
}

namespace {
// The dry run: where each file would go, and what would be skipped and why. 0 when a restore
// would write every file of the plan.
int ShowPlan(const std::vector<TRestoreItem>& plan) {
    for (const TRestoreItem& item : plan) {
        const QString bank =
            item.Bank >= 0 ? QStringLiteral("Bank %1").arg(QLatin1Char(BankLetters[item.Bank]))
                           : QStringLiteral("-");
        const QString name = QFileInfo(item.Path).fileName();
        const QString what =
            item.Problem.isEmpty()
                ? QStringLiteral("%1  %2").arg(item.FileTitle, -kTitleLength).arg(name)
                : QStringLiteral("skipped: %1: %2").arg(name, item.Problem);
        std::cout
            << QStringLiteral("%1  slot %2  %3").arg(bank).arg(item.Slot, 3).arg(what).toStdString()
            << "\n";
    }
    const int count = TRestoreWalk::WrittenCount(plan);
    const auto skipped = static_cast<int>(plan.size()) - count;
    QString summary = QStringLiteral("Dry run: would ") + TRestoreWalk::ReplaceText(plan);
    if (skipped > 0)
        summary += QStringLiteral("; %1 file%2 skipped").arg(skipped).arg(skipped == 1 ? "" : "s");
    std::cout << summary.toStdString() << "; nothing was sent to the unit" << std::endl;
    return count > 0 && skipped == 0 ? 0 : 1;
}

} // namespace

// The files that will be skipped are named before the question, so the answer is given knowing
// them.
bool TBackup::ConfirmRestore(const std::vector<TRestoreItem>& plan) {
    const QString replace = TRestoreWalk::ReplaceText(plan);
    if (!isatty(STDIN_FILENO)) {
        std::cerr << "quellfarn-tool: this would " << replace.toStdString()
                  << "; nothing was sent: give --yes to go ahead without being asked" << std::endl;
        return false;
    }
    std::ostream& out = isatty(STDOUT_FILENO) ? std::cout : std::cerr;
    for (const TRestoreItem& item : plan)
        if (!item.Problem.isEmpty()) {
            out << SkippedLine(item).toStdString() << "\n";
            shownLines.insert(SkippedLine(item));
        }
    out << "This will " << replace.toStdString() << ". Do you want to proceed? [y/N] "
        << std::flush;
    std::string answer;
    if (std::getline(std::cin, answer) && ToolRun::IsYes(answer))
        return true;
    std::cerr << "quellfarn-tool: restore cancelled; nothing was sent" << std::endl;
    return false;
}

int RestoreCommand(int argc, char* argv[], const TBackupOptions& options) {
    if (!QFileInfo(options.Directory).isDir())
        throw FileError{"Invalid folder: " + options.Directory.toStdString()};
    static int applicationArgc = 1;
    static char* applicationArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    const QCoreApplication application(applicationArgc, applicationArgv);
    MidiDeviceService midi;
    std::shared_ptr<TSimulatedProcessor> processor;
    // A dry run has nothing to say to any port.
    if (!options.DryRun)
        ToolRun::AddBackends(midi, options.PrePlenova, processor);
    TBackup restore(midi, options,
                    isatty(STDOUT_FILENO) ? TReportStyle::ProgressLine : TReportStyle::Lines);
    std::vector<TRestoreItem> plan = restore.PlanRestore();
    if (plan.empty()) {
        QString where = QStringLiteral("slots %1..%2").arg(options.First).arg(options.Last);
        const QString banks = BankWords(options.Banks);
        if (!banks.isEmpty())
            where += QStringLiteral(" of ") + banks;
        std::cerr << "quellfarn-tool: nothing to restore: no preset files for "
                  << where.toStdString() << " in " << options.Directory.toStdString() << std::endl;
        return 1;
    }
    if (options.DryRun)
        return ShowPlan(plan);
    if (TRestoreWalk::WrittenCount(plan) == 0) {
        for (const TRestoreItem& item : plan)
            std::cerr << SkippedLine(item).toStdString() << "\n";
        std::cerr << "quellfarn-tool: nothing to restore: every file is skipped" << std::endl;
        return 1;
    }
    if (!options.AssumeYes && !restore.ConfirmRestore(plan))
        return 1;
    ToolRun::CatchInterrupts(true);
    const int status = restore.Restore(plan);
    ToolRun::CatchInterrupts(false);
    return status;
}

int DevicesCommand() {
    MidiDeviceService midi;
    std::shared_ptr<TSimulatedProcessor> processor;
    ToolRun::AddBackends(midi, false, processor);
    std::cout << "MIDI inputs:\n";
    for (unsigned index = 0; index < midi.InGetNumDevs(); ++index) {
        std::string name;
        if (midi.InGetDevName(index, name) == MMSYSERR_NOERROR)
            std::cout << "  " << name << "\n";
    }
    std::cout << "MIDI outputs:\n";
    for (unsigned index = 0; index < midi.OutGetNumDevs(); ++index) {
        std::string name;
        if (midi.OutGetDevName(static_cast<int>(index), name) == MMSYSERR_NOERROR)
            std::cout << "  " << name << "\n";
    }
    const std::vector<std::string> unavailable = midi.UnavailableSystems();
    for (std::size_t i = 0; i < unavailable.size(); ++i)
        std::cout << (i == 0 ? "Not reachable here: " : ", ") << unavailable[i]
                  << (i + 1 == unavailable.size() ? "\n" : "");
    std::cout << std::flush;
    return 0;
}

// Real devices first, then the simulated unit at DIN MIDI speed, as the program offers them.
void ToolRun::AddBackends(MidiDeviceService& midi, bool prePlenova,
                          std::shared_ptr<TSimulatedProcessor>& processor) {
    midi.AddBackend(std::make_unique<RtMidiService>("Quellfarn Tool"));
    auto& virtualDevices = midi.AddBackend(std::make_unique<VirtualMidiService>());
    TSimulatorOptions simulator;
    simulator.ByteTime = kDinByteTime;
    simulator.PrePlenova = prePlenova;
    processor = AttachSimulatedProcessor(virtualDevices, simulator);
}

bool ToolRun::IsYes(std::string answer) {
    std::transform(answer.begin(), answer.end(), answer.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const auto first = answer.find_first_not_of(" \t\r");
    const auto last = answer.find_last_not_of(" \t\r");
    if (first == std::string::npos)
        return false;
    answer = answer.substr(first, last - first + 1);
    return answer == "y" || answer == "yes";
}

void ToolRun::CatchInterrupts(bool on) {
    std::signal(SIGINT, on ? Interrupted : SIG_DFL);
    std::signal(SIGTERM, on ? Interrupted : SIG_DFL);
}
