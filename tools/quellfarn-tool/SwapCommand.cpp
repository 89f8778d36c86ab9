// swap: what two slots hold, read now, written each into the other.

#include "SwapCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"
#include "store/PlanBuilders.h"

#include <QRegularExpression>
#include <iostream>

namespace {
// "A012", "a 12", "D200"; "17" on a single-bank unit.
TPlace SlotWord(const QString& word) {
    static const QRegularExpression withBank(QStringLiteral("^([A-Da-d]) ?0*(\\d{1,3})$"));
    static const QRegularExpression plain(QStringLiteral("^0*(\\d{1,3})$"));
    const QRegularExpressionMatch match = (PrePlenovaMode ? plain : withBank).match(word);
    const int slot = match.hasMatch() ? match.captured(PrePlenovaMode ? 1 : 2).toInt() : 0;
    const int last = PrePlenovaMode ? 128 : 200;
    if (slot < 1 || slot > last)
        throw UsageError{"\"" + Bytes(word) + "\" is not a slot: " +
                         (PrePlenovaMode ? "1 to 128" : "a bank A to D and 1 to 200, as in A012")};
    return {PrePlenovaMode ? 0 : match.captured(1).toUpper().at(0).unicode() - 'A', slot};
}
} // namespace

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
