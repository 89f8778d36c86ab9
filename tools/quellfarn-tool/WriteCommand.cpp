// What place, swap, undo and redo share: their options, the question and the plan carried out.

#include "WriteCommand.h"

#include "model/DeviceMode.h"

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
