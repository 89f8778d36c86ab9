// journal: the steps of the unit's journal listed, read from its file without asking the unit.

#include "JournalCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"

#include <iostream>

TJournalCommand::TJournalCommand(int argc, char* argv[])
    : TUnitCommand({QStringLiteral("journal"), QStringLiteral("journal"),
                    QStringLiteral("the unit's writes, newest first, that undo and redo act on")},
                   {&ToolOptions::In, &ToolOptions::Out, &ToolOptions::PrePlenova}, argc, argv) {}

std::optional<int> TJournalCommand::Read(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{"journal needs no more words"};
    unitOptions.DryRun = true; // the journal is read, the unit is not asked
    return std::nullopt;
}

int TJournalCommand::Run(TUnitHost& host) {
    // A journal that could not be read was named and moved aside: it is not "empty".
    if (host.Journal().Damaged())
        return 1;
    const std::vector<TJournalEntry>& entries = host.Journal().Entries();
    if (entries.empty())
        std::cout << "The journal of " << host.OutputName().toStdString() << " is empty\n";
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
