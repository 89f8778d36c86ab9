// What place, swap, undo and redo share: their options, the question and the plan carried out.

#include "WriteCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"

#include <QRegularExpression>
#include <iostream>

namespace {
std::vector<const TOption*> WriteOptions(const std::vector<const TOption*>& own) {
    std::vector<const TOption*> options{
        &ToolOptions::In,      &ToolOptions::Out,    &ToolOptions::PrePlenova, &ToolOptions::Delay,
        &ToolOptions::Timeout, &ToolOptions::DryRun, &ToolOptions::Yes};
    options.insert(options.end(), own.begin(), own.end());
    return options;
}
} // namespace

TWriteCommand::TWriteCommand(const TCommandInfo& info, const std::vector<const TOption*>& own,
                             int argc, char* argv[])
    : TUnitCommand(info, WriteOptions(own), argc, argv) {}

int TWriteCommand::Carry(TUnitHost& host, const TWritePlan& plan) const {
    QStringList lines;
    for (const TPlannedWrite& write : plan.Writes)
        lines << PlanLine(write, PrePlenovaMode);
    if (unitOptions.DryRun) {
        for (const QString& line : lines)
            std::cout << line.toStdString() << "\n";
        std::cout << "Dry run: would write " << plan.Writes.size()
                  << (plan.Writes.size() == 1 ? " slot" : " slots")
                  << ", each kept first; nothing was sent to the unit" << std::endl;
        return 0;
    }
    if (!unitOptions.AssumeYes &&
        !host.Confirm(WriteQuestion(QStringLiteral("Write %1?").arg(plan.Label), lines,
                                    QStringLiteral("this would write ") + plan.Label)))
        return 1;
    return host.Write(plan);
}

TQuestion TWriteCommand::WriteQuestion(const QString& question, const QStringList& lines,
                                       const QString& refusal) {
    TQuestion asked;
    for (const QString& line : lines)
        asked.Lines << QStringLiteral("  ") + line;
    asked.Question = question;
    asked.Refusal = refusal;
    asked.Cancelled = QStringLiteral("cancelled; nothing was written");
    return asked;
}

TPlace TWriteCommand::SlotWord(const QString& word) {
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
