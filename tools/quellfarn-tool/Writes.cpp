// quellfarn-tool place, swap, undo, redo and journal: the library's writes from the command line,
// through the same plan, verification and journal as the window's.

#include "Backup.h"
#include "ToolErrors.h"
#include "ToolRun.h"
#include "link/VerifiedStore.h"
#include "midi/MidiDeviceService.h"
#include "model/DeviceMode.h"
#include "sim/SimulatedProcessor.h"
#include "store/PlanBuilders.h"
#include "store/WholeFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <iostream>
#include <unistd.h>

namespace {
QString OutputNameOf(const TBackupOptions& options) {
    return options.OutputName.isEmpty() ? QString::fromLatin1(kSimulatedDeviceName)
                                        : options.OutputName;
}

QString Place(TPlace place) {
    return place.Text(PrePlenovaMode);
}

// One application, the MIDI systems and a host for a command that may talk to the unit.
struct TRun {
    TRun(int argc, char* argv[], const TBackupOptions& options)
        : application(applicationArgc, Arguments(argc, argv)) {
        // A dry run has nothing to say to any port.
        if (!options.DryRun)
            ToolRun::AddBackends(midi, options.PrePlenova, processor);
        host = std::make_unique<TBackup>(midi, options,
                                         isatty(STDOUT_FILENO) ? TReportStyle::ProgressLine
                                                               : TReportStyle::Lines);
    }
    static char** Arguments(int argc, char* argv[]) {
        static char* arguments[] = {argc > 0 ? argv[0] : nullptr, nullptr};
        return arguments;
    }
    static inline int applicationArgc = 1;
    QCoreApplication application;
    MidiDeviceService midi;
    std::shared_ptr<TSimulatedProcessor> processor;
    std::unique_ptr<TBackup> host;
};

// The plan's lines, then what a dry run says or the question and the writes.
int Carry(TRun& run, const TBackupOptions& options, const TWritePlan& plan) {
    QStringList lines;
    for (const TPlannedWrite& write : plan.Writes)
        lines << PlanLine(write, PrePlenovaMode);
    if (options.DryRun) {
        for (const QString& line : lines)
            std::cout << line.toStdString() << "\n";
        std::cout << "Dry run: would write " << plan.Writes.size()
                  << (plan.Writes.size() == 1 ? " slot" : " slots")
                  << ", each kept first; nothing was sent to the unit" << std::endl;
        return 0;
    }
    if (!options.AssumeYes && !run.host->Confirm(QStringLiteral("Write %1?").arg(plan.Label), lines,
                                                 QStringLiteral("this would write ") + plan.Label))
        return 1;
    ToolRun::CatchInterrupts(true);
    const int status = run.host->Write(plan);
    ToolRun::CatchInterrupts(false);
    return status;
}
} // namespace

const TUnitMemory& TBackup::Memory() {
    if (!memory) {
        memory =
            std::make_unique<TUnitMemory>(TUnitMemory::FolderFor(OutputNameOf(options), DeviceId));
        memory->Load();
    }
    return *memory;
}

TWriteJournal& TBackup::Journal() {
    if (!journal) {
        journal = std::make_unique<TWriteJournal>(TWriteJournal::FileIn(Memory().Folder()));
        const QString problem = journal->Load();
        if (!problem.isEmpty())
            Complain(problem);
    }
    return *journal;
}

bool TBackup::Confirm(const QString& question, const QStringList& lines, const QString& refusal) {
    if (!isatty(STDIN_FILENO)) {
        std::cerr << "quellfarn-tool: " << refusal.toStdString()
                  << "; nothing was sent: give --yes to go ahead without being asked" << std::endl;
        return false;
    }
    std::ostream& out = isatty(STDOUT_FILENO) ? std::cout : std::cerr;
    EndProgressLine();
    for (const QString& line : lines)
        out << "  " << line.toStdString() << "\n";
    out << question.toStdString() << " [y/N] " << std::flush;
    std::string answer;
    if (std::getline(std::cin, answer) && ToolRun::IsYes(answer))
        return true;
    std::cerr << "quellfarn-tool: cancelled; nothing was written" << std::endl;
    return false;
}

bool TBackup::ConnectForWriting() {
    if (!Connect())
        return false;
    if (answered)
        return true;
    // What cannot be read back cannot be verified: a unit that does not answer gets nothing.
    interruptPoll.stop();
    Complain(QStringLiteral("the unit does not answer; nothing was written"));
    return false;
}

bool TBackup::ReadSlots(const std::vector<TPlace>& wanted) {
    if (!ConnectForWriting())
        return false;
    const int read = link->Job<TVerifiedStore>().ReadSlots(wanted);
    if (read == static_cast<int>(wanted.size()))
        return true;
    interruptPoll.stop();
    Complain(QStringLiteral("the unit did not send every slot asked for; nothing was written"));
    return false;
}

int TBackup::Write(const TWritePlan& plan) {
    if (!ConnectForWriting())
        return 1;
    restoring = true;
    const TPlanCounts counts = link->Job<TPlanWalk>().Run(plan, &Journal());
    restoring = false;
    interruptPoll.stop();
    EndProgressLine();
    if (!counts.Refused.isEmpty()) {
        Complain(counts.Refused);
        return 1;
    }
    if (interrupted) {
        Complain(QStringLiteral("aborted after ") + PlanCountsText(counts));
        return 1;
    }
    if (counts.Verified == static_cast<int>(plan.Writes.size()) && !sendFailed)
        return 0;
    Complain(QStringLiteral("not every slot was written and verified: ") + PlanCountsText(counts));
    return 1;
}

int TBackup::Replay(bool undo, const TPlanWalk::TAsk& ask) {
    const TJournalEntry* entry = undo ? Journal().ToUndo() : Journal().ToRedo();
    if (entry == nullptr) {
        Complain(undo ? QStringLiteral("nothing to undo") : QStringLiteral("nothing to redo"));
        return 1;
    }
    const int id = entry->Id;
    const auto total = static_cast<int>(entry->Slots.size());
    if (!ConnectForWriting())
        return 1;
    restoring = true;
    const TPlanCounts counts = undo ? link->Job<TPlanWalk>().Undo(Journal(), id, ask)
                                    : link->Job<TPlanWalk>().Redo(Journal(), id, ask);
    restoring = false;
    interruptPoll.stop();
    EndProgressLine();
    if (!counts.Refused.isEmpty()) {
        Complain(counts.Refused);
        return 1;
    }
    if (counts.Verified == total && !interrupted)
        return 0;
    if (counts.Written > 0 || interrupted)
        Complain(QStringLiteral("not every slot was put back: ") + PlanCountsText(counts));
    return 1;
}

int PlaceCommand(int argc, char* argv[], const TBackupOptions& options, const QString& file,
                 TPlace place) {
    const TFileRead read = ReadWholeFile(file, kLargestPresetFile);
    if (read.Missing)
        throw FileError{"Cannot read " + file.toStdString() + ": no such file"};
    if (!read.Error.isEmpty())
        throw FileError{"Cannot read " + read.Error.toStdString()};
    const TBytes dump(read.Bytes.begin(), read.Bytes.end());
    if (!IsPresetDump(dump) || !IsWellFormedSysex(dump))
        throw FileError{"Not a preset file: " + file.toStdString()};
    TRun run(argc, argv, options);
    const TPlanOrRefusal planned =
        PlacePlan(&run.host->Memory(), place, {dump}, QStringLiteral("place"), PrePlenovaMode);
    if (!planned.Refusal.isEmpty())
        throw UsageError{planned.Refusal.toStdString()};
    return Carry(run, options, planned.Plan);
}

int SwapCommand(int argc, char* argv[], const TBackupOptions& options,
                const std::array<TPlace, 2>& places) {
    if (places[0] == places[1])
        throw UsageError{"swap needs two different slots"};
    TRun run(argc, argv, options);
    // What each holds is read now: a swap of what was remembered could put back an old preset.
    if (!options.DryRun && !run.host->ReadSlots({places[0], places[1]}))
        return 1;
    const TPlanOrRefusal planned =
        SwapPlan(&run.host->Memory(), places[0], places[1], PrePlenovaMode);
    if (!planned.Refusal.isEmpty()) {
        std::cout << Place(places[0]).toStdString() << " \u2194 " << Place(places[1]).toStdString()
                  << ": not read yet; nothing was sent to the unit" << std::endl;
        return options.DryRun ? 0 : 1;
    }
    return Carry(run, options, planned.Plan);
}

int ReplayCommand(int argc, char* argv[], const TBackupOptions& options, bool undo) {
    TRun run(argc, argv, options);
    const TJournalEntry* entry = undo ? run.host->Journal().ToUndo() : run.host->Journal().ToRedo();
    const QString verb = undo ? QStringLiteral("undo") : QStringLiteral("redo");
    if (entry == nullptr) {
        std::cerr << "quellfarn-tool: nothing to " << verb.toStdString() << std::endl;
        return 1;
    }
    QStringList lines;
    for (const TJournalSlot& slot : entry->Slots)
        lines << SlotPlace(slot.Bank, slot.Slot, PrePlenovaMode) + QStringLiteral(": ") +
                     QString::fromLatin1(PresetTitleOf(undo ? slot.After : slot.Before).c_str()) +
                     QStringLiteral(" \u2192 ") +
                     QString::fromLatin1(PresetTitleOf(undo ? slot.Before : slot.After).c_str());
    const QString what = verb + QLatin1Char(' ') + entry->Label;
    if (options.DryRun) {
        for (const QString& line : lines)
            std::cout << line.toStdString() << "\n";
        std::cout << "Dry run: would " << what.toStdString() << "; nothing was sent to the unit"
                  << std::endl;
        return 0;
    }
    if (!options.AssumeYes &&
        !run.host->Confirm(what.at(0).toUpper() + what.mid(1) + QLatin1Char('?'), lines,
                           QStringLiteral("this would ") + what))
        return 1;
    const auto ask = [&](const QStringList& changed) {
        if (options.EvenIfChanged)
            return true;
        if (options.AssumeYes) {
            std::cerr << "quellfarn-tool: these slots no longer hold what the step left:\n";
            for (const QString& line : changed)
                std::cerr << "  " << line.toStdString() << "\n";
            std::cerr << "quellfarn-tool: nothing was written: give --even-if-changed to write "
                         "them all the same"
                      << std::endl;
            return false;
        }
        return run.host->Confirm(
            QStringLiteral("These slots no longer hold what the step left. Go on?"), changed,
            QStringLiteral("slots changed since"));
    };
    ToolRun::CatchInterrupts(true);
    const int status = run.host->Replay(undo, ask);
    ToolRun::CatchInterrupts(false);
    return status;
}

int JournalCommand(int argc, char* argv[], const TBackupOptions& options) {
    TBackupOptions quiet = options;
    quiet.DryRun = true; // the journal is read, the unit is not asked
    TRun run(argc, argv, quiet);
    // A journal that could not be read was named and moved aside: it is not "empty".
    if (run.host->Journal().Damaged())
        return 1;
    const std::vector<TJournalEntry>& entries = run.host->Journal().Entries();
    if (entries.empty())
        std::cout << "The journal of " << OutputNameOf(options).toStdString() << " is empty\n";
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
        QStringList places;
        for (const TJournalSlot& slot : entry->Slots)
            places << SlotPlace(slot.Bank, slot.Slot, PrePlenovaMode) +
                          (slot.Verified ? QString() : QStringLiteral(" (not verified)"));
        std::cout << QStringLiteral("%1  %2  %3%4: %5")
                         .arg(entry->Id, 3)
                         .arg(entry->When.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                              entry->Label, entry->Undone ? QStringLiteral(" (undone)") : QString(),
                              places.join(QStringLiteral(", ")))
                         .toStdString()
                  << "\n";
    }
    std::cout << std::flush;
    return 0;
}
