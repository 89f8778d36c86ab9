// swap: what two slots hold, read now, written each into the other.

#include "SwapCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"
#include "store/PlanBuilders.h"

#include <iostream>

TSwapCommand::TSwapCommand(int argc, char* argv[])
    : TWriteCommand({QStringLiteral("swap"), QStringLiteral("swap A012 A013"),
                     QStringLiteral("two slots' presets, each read first")},
                    {}, argc, argv) {}

std::optional<int> TSwapCommand::Read(const QCommandLineParser& parser) {
    const QStringList words = parser.positionalArguments();
    if (words.size() != 2)
        throw UsageError{"swap needs two slots, as in swap A012 A013"};
    places = {SlotWord(words[0]), SlotWord(words[1])};
    if (places[0] == places[1])
        throw UsageError{"swap needs two different slots"};
    return std::nullopt;
}

int TSwapCommand::Run(TUnitHost& host) {
    // What each holds is read now: a swap of what was remembered could put back an old preset.
    if (!unitOptions.DryRun && !host.ReadSlots({places[0], places[1]}))
        return 1;
    const TPlanOrRefusal planned = SwapPlan(&host.Memory(), places[0], places[1], PrePlenovaMode);
    if (!planned.Refusal.isEmpty()) {
        std::cout << places[0].Text(PrePlenovaMode).toStdString() << " \u2194 "
                  << places[1].Text(PrePlenovaMode).toStdString()
                  << ": not read yet; nothing was sent to the unit" << std::endl;
        return unitOptions.DryRun ? 0 : 1;
    }
    return Carry(host, planned.Plan);
}
