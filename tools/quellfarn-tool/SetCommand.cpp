// set: a parameter set or changed by an amount, or a block pasted, in preset files or in slots.

#include "SetCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "model/PresetDiff.h"
#include "store/FileRewrite.h"
#include "store/PlanBuilders.h"
#include "store/WholeFile.h"

#include <iostream>
#include <set>

namespace {
// What the change does to one preset, as the compare says it, under its name.
void TellOutcome(const std::string& name, TByteView before, const TPresetEditOutcome& outcome) {
    if (outcome.Dump.empty()) {
        std::cout << name << ": left as it is: " << outcome.Skipped << "\n";
        return;
    }
    std::cout << name << ":\n";
    for (const TPresetChange& change : DiffPresets(before, outcome.Dump))
        std::cout << "  " << change.Text() << "\n";
    if (!outcome.Clamped.empty())
        std::cout << "  (" << outcome.Clamped << ")\n";
}
} // namespace

TSetCommand::TSetCommand(int argc, char* argv[])
    : TWriteCommand(
          {.Name = QStringLiteral("set"),
           .Synopsis = QStringLiteral("set \"EFFECT PARAMETER=VALUE\" FILE... | --slots A001-A050"),
           .Description = QStringLiteral(
               "one change made to many presets: a parameter set to a value as\n"
               "the editor shows it (\"Compressor drive=90%\"), changed by an amount\n"
               "in its unit (\"Prog Level master-=6%\", kept within its range), in\n"
               "preset files (each rewritten whole, its previous version kept as\n"
               "FILE.before-DATE; all or none) or in the slots of the unit (each\n"
               "kept, one step of the journal); presets without the effect in their\n"
               "chain are left as they are, and named")},
          {&ToolOptions::Slots}, argc, argv) {}

std::vector<TPlace> TSetCommand::SlotsWord(const QString& word) {
    std::vector<TPlace> named;
    std::set<TPlace> seen;
    const int perBank = PrePlenovaMode ? 128 : 200;
    for (const QString& piece : word.split(QLatin1Char(','))) {
        const QStringList ends = piece.trimmed().split(QLatin1Char('-'));
        if (ends.size() > 2 || ends[0].isEmpty())
            throw UsageError{"--slots takes slots and ranges of them, as in A001-A050,B017"};
        const TPlace first = SlotWord(ends[0].trimmed());
        const TPlace last = ends.size() == 2 ? SlotWord(ends[1].trimmed()) : first;
        if (last < first)
            throw UsageError{"--slots: " + Bytes(piece) + " ends before it starts"};
        // On from a bank's last slot into the next bank's first, as the unit's up switch steps.
        for (int at = first.Bank * perBank + first.Slot - 1;
             at <= last.Bank * perBank + last.Slot - 1; ++at) {
            const TPlace place{at / perBank, at % perBank + 1};
            if (seen.insert(place).second)
                named.push_back(place);
        }
    }
    return named;
}

std::optional<int> TSetCommand::Read(const QCommandLineParser& parser) {
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        throw UsageError{
            "set needs a change, as in \"Compressor drive=90%\", and FILEs or --slots"};
    const TPresetEditReading reading = ReadPresetEdit(Text(words[0]).toStdString());
    if (!reading.Edit)
        throw UsageError{"set: " + reading.Error};
    edit = *reading.Edit;
    const bool bySlots = parser.isSet(ToolOptions::Slots.Option);
    if (bySlots == (words.size() > 1))
        throw UsageError{bySlots ? "set takes FILEs or --slots, not both"
                                 : "set needs FILEs or --slots A001-A050"};
    if (bySlots) {
        places = SlotsWord(parser.value(ToolOptions::Slots.Option));
        return std::nullopt;
    }
    if (parser.isSet(ToolOptions::Yes.Option) || parser.isSet(ToolOptions::In.Option) ||
        parser.isSet(ToolOptions::Out.Option))
        throw UsageError{"set on FILEs talks to no unit: --yes, --in and --out are for --slots"};
    std::vector<std::string> paths;
    for (qsizetype i = 1; i < words.size(); ++i)
        paths.push_back(Bytes(words[i]));
    return SetFiles(paths);
}

int TSetCommand::SetFiles(const std::vector<std::string>& paths) const {
    std::vector<TFileChange> changes;
    for (const std::string& path : paths) {
        const TBytes before = ReadFile(path, kLargestPresetFile);
        if (!IsPresetDump(before))
            throw FileError{path + " is not a preset file; no file was changed"};
        const TPresetEditOutcome outcome = ApplyPresetEdit(edit, before);
        TellOutcome(path, before, outcome);
        if (!outcome.Dump.empty())
            changes.push_back({WritablePath(path), before, outcome.Dump});
    }
    const auto count = [](std::size_t n) {
        return std::to_string(n) + (n == 1 ? " file" : " files");
    };
    if (changes.empty()) {
        std::cout << "No file changes; nothing was written" << std::endl;
        return 0;
    }
    if (unitOptions.DryRun) {
        std::cout << "Dry run: would rewrite " << count(changes.size())
                  << ", each one's previous version kept; nothing was written" << std::endl;
        return 0;
    }
    const TFileRewrite rewrite = RewriteFiles(changes);
    if (!rewrite.Error.isEmpty()) {
        std::cerr << "quellfarn-tool: " << rewrite.Error.toStdString() << std::endl;
        return 1;
    }
    std::cout << "Rewrote " << count(changes.size()) << "; the previous versions are kept as:\n";
    for (const QString& kept : rewrite.Kept)
        std::cout << "  " << kept.toLocal8Bit().toStdString() << "\n";
    std::cout << std::flush;
    return 0;
}

int TSetCommand::Run(TUnitHost& host) {
    // What the slots hold is read now, so the change is made to what they hold, not to what was
    // remembered of them.
    if (!unitOptions.DryRun && !host.ReadSlots(places))
        return 1;
    const TUnitMemory& memory = host.Memory();
    for (const TPlace& place : places)
        if (const TSlotMemory* slot = memory.Slot(place); slot != nullptr && slot->Now() != nullptr)
            TellOutcome(place.Text(PrePlenovaMode).toStdString() + " " +
                            PresetTitleOf(slot->Now()->Dump),
                        slot->Now()->Dump, ApplyPresetEdit(edit, slot->Now()->Dump));
    const TPlanOrRefusal planned = EditPlan(&memory, places, edit, PrePlenovaMode);
    if (!planned.Refusal.isEmpty() && planned.Plan.Writes.empty() &&
        planned.Refusal.startsWith(QStringLiteral("No slot changes"))) {
        std::cout << planned.Refusal.toStdString() << "; nothing was sent to the unit" << std::endl;
        return 0;
    }
    if (!planned.Refusal.isEmpty()) {
        std::cerr << "quellfarn-tool: " << planned.Refusal.toStdString()
                  << "; nothing was sent to the unit" << std::endl;
        return 1;
    }
    return Carry(host, planned.Plan);
}
