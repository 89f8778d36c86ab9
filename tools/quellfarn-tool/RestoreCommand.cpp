// restore: the files of a backup folder into their slots, after a question or --yes.

#include "RestoreCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"

#include <QFileInfo>
#include <iostream>

namespace {
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

// The files that will be skipped are named before the question, so the answer is given knowing
// them.
TQuestion Question(const std::vector<TRestoreItem>& plan) {
    const QString replace = TRestoreWalk::ReplaceText(plan);
    TQuestion question;
    for (const TRestoreItem& item : plan)
        if (!item.Problem.isEmpty())
            question.Lines << TRestoreWalk::SkippedText(item);
    question.Question = QStringLiteral("This will %1. Do you want to proceed?").arg(replace);
    question.Refusal = QStringLiteral("this would ") + replace;
    question.Cancelled = QStringLiteral("restore cancelled; nothing was sent");
    return question;
}
} // namespace

TRestoreCommand::TRestoreCommand(int argc, char* argv[])
    : TUnitCommand({.Name = QStringLiteral("restore"),
                    .Synopsis = QStringLiteral("restore DIR"),
                    .Description =
                        QStringLiteral("a backup folder back into the unit, each slot read back")},
                   FolderOptions({&ToolOptions::DryRun, &ToolOptions::Yes}), argc, argv) {}

std::optional<int> TRestoreCommand::Read(const QCommandLineParser& parser) {
    ReadFolder(parser);
    if (!QFileInfo(unitOptions.Walk.OutputDirectory).isDir())
        throw FileError{"Invalid folder: " + unitOptions.Walk.OutputDirectory.toStdString()};
    return std::nullopt;
}

int TRestoreCommand::Run(TUnitHost& host) {
    const TProcedureOptions& walk = unitOptions.Walk;
    std::vector<TRestoreItem> plan = host.PlanRestore();
    if (plan.empty()) {
        QString where = QStringLiteral("slots %1..%2").arg(walk.First).arg(walk.Last);
        const QString banks = BankWords(walk.Banks);
        if (!banks.isEmpty())
            where += QStringLiteral(" of ") + banks;
        std::cerr << "quellfarn-tool: nothing to restore: no preset files for "
                  << where.toStdString() << " in " << walk.OutputDirectory.toStdString()
                  << std::endl;
        return 1;
    }
    if (unitOptions.DryRun)
        return ShowPlan(plan);
    if (TRestoreWalk::WrittenCount(plan) == 0) {
        for (const TRestoreItem& item : plan)
            std::cerr << TRestoreWalk::SkippedText(item).toStdString() << "\n";
        std::cerr << "quellfarn-tool: nothing to restore: every file is skipped" << std::endl;
        return 1;
    }
    if (!unitOptions.AssumeYes && !host.Confirm(Question(plan)))
        return 1;
    return host.Restore(plan);
}
