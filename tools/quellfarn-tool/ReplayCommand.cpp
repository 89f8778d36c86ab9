// undo, redo: a step of the unit's journal, its slots read first and asked about when changed.

#include "ReplayCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"

#include <iostream>

namespace {
TCommandInfo Info(bool undo) {
    if (undo)
        return {QStringLiteral("undo"), QStringLiteral("undo"),
                QStringLiteral("the journal's newest write, each slot read back")};
    return {QStringLiteral("redo"), QStringLiteral("redo"),
            QStringLiteral("the write undone last, again")};
}
} // namespace

TReplayCommand::TReplayCommand(bool undo, int argc, char* argv[])
    : TWriteCommand(Info(undo), {&ToolOptions::EvenIfChanged}, argc, argv), undo(undo) {}

std::optional<int> TReplayCommand::Read(const QCommandLineParser& parser) {
    if (!parser.positionalArguments().isEmpty())
        throw UsageError{Bytes(Name) + " needs no more words"};
    return std::nullopt;
}

int TReplayCommand::Run(TUnitHost& host) {
    const TJournalEntry* entry = undo ? host.Journal().ToUndo() : host.Journal().ToRedo();
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
    if (unitOptions.DryRun) {
        for (const QString& line : lines)
            std::cout << line.toStdString() << "\n";
        std::cout << "Dry run: would " << what.toStdString() << "; nothing was sent to the unit"
                  << std::endl;
        return 0;
    }
    if (!unitOptions.AssumeYes &&
        !host.Confirm(WriteQuestion(what.at(0).toUpper() + what.mid(1) + QLatin1Char('?'), lines,
                                    QStringLiteral("this would ") + what)))
        return 1;
    const auto ask = [&](const QStringList& changed) {
        if (unitOptions.EvenIfChanged)
            return true;
        if (unitOptions.AssumeYes) {
            std::cerr << "quellfarn-tool: these slots no longer hold what the step left:\n";
            for (const QString& line : changed)
                std::cerr << "  " << line.toStdString() << "\n";
            std::cerr << "quellfarn-tool: nothing was written: give --even-if-changed to write "
                         "them all the same"
                      << std::endl;
            return false;
        }
        return host.Confirm(
            WriteQuestion(QStringLiteral("These slots no longer hold what the step left. Go on?"),
                          changed, QStringLiteral("slots changed since")));
    };
    return host.Replay(undo, ask);
}
