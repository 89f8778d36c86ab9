// The write commands' lines read into the backup host's options and the places they name.

#include "WriteCommands.h"

#include "Backup.h"
#include "ToolErrors.h"
#include "model/DeviceMode.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace {
TCommandInfo Info(TWriteCommand::TKind kind) {
    using TKind = TWriteCommand::TKind;
    switch (kind) {
    case TKind::Place:
        return {QStringLiteral("place"), QStringLiteral("place FILE --bank B --slot N"),
                QStringLiteral("a preset file into a slot, what the slot held kept first")};
    case TKind::Swap:
        return {QStringLiteral("swap"), QStringLiteral("swap A012 A013"),
                QStringLiteral("two slots' presets, each read first")};
    case TKind::Undo:
        return {QStringLiteral("undo"), QStringLiteral("undo"),
                QStringLiteral("the journal's newest write, each slot read back")};
    case TKind::Redo:
        return {QStringLiteral("redo"), QStringLiteral("redo"),
                QStringLiteral("the write undone last, again")};
    case TKind::Journal:
        return {QStringLiteral("journal"), QStringLiteral("journal"),
                QStringLiteral("the unit's writes, newest first, that undo and redo act on")};
    }
    return {};
}

std::vector<const TOption*> OptionsOf(TWriteCommand::TKind kind) {
    std::vector<const TOption*> options{&ToolOptions::In, &ToolOptions::Out,
                                        &ToolOptions::PrePlenova};
    if (kind == TWriteCommand::TKind::Journal)
        return options;
    options.insert(options.end(), {&ToolOptions::Delay, &ToolOptions::Timeout, &ToolOptions::DryRun,
                                   &ToolOptions::Yes});
    if (kind == TWriteCommand::TKind::Place)
        options.insert(options.end(), {&ToolOptions::Bank, &ToolOptions::Slot});
    if (kind == TWriteCommand::TKind::Undo || kind == TWriteCommand::TKind::Redo)
        options.push_back(&ToolOptions::EvenIfChanged);
    return options;
}

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

TWriteCommand::TWriteCommand(TKind kind, int argc, char* argv[])
    : TCommand(Info(kind), OptionsOf(kind)), kind(kind), argc(argc), argv(argv) {}

int TWriteCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    TBackupOptions options;
    options.InputName = Text(parser.value(ToolOptions::In.Option));
    options.OutputName = Text(parser.value(ToolOptions::Out.Option));
    options.PrePlenova = parser.isSet(ToolOptions::PrePlenova.Option);
    SetPrePlenovaMode(options.PrePlenova);
    const QStringList words = parser.positionalArguments();
    const auto wants = [&](qsizetype count, const char* what) {
        if (words.size() != count)
            throw UsageError{Bytes(Name) + " needs " + what};
    };
    if (kind == TKind::Journal) {
        wants(0, "no more words");
        return JournalCommand(argc, argv, options);
    }
    options.RequestDelay = Number(parser, ToolOptions::Delay, options.RequestDelay);
    options.TimeoutMilliseconds = Number(parser, ToolOptions::Timeout, options.TimeoutMilliseconds);
    options.DryRun = parser.isSet(ToolOptions::DryRun.Option);
    options.AssumeYes = parser.isSet(ToolOptions::Yes.Option);
    options.EvenIfChanged = (kind == TKind::Undo || kind == TKind::Redo) &&
                            parser.isSet(ToolOptions::EvenIfChanged.Option);
    switch (kind) {
    case TKind::Place: {
        wants(1, "one FILE");
        if (!parser.isSet(ToolOptions::Slot.Option) ||
            (!PrePlenovaMode && !parser.isSet(ToolOptions::Bank.Option)))
            throw UsageError{PrePlenovaMode ? "place needs --slot N"
                                            : "place needs --bank B and --slot N"};
        const int slot = Number(parser, ToolOptions::Slot, 1);
        if (PrePlenovaMode && slot > 128)
            throw UsageError{"--slot is 1 to 128 on a single-bank unit"};
        const int bank =
            PrePlenovaMode ? 0
                           : parser.value(ToolOptions::Bank.Option).toUpper().at(0).unicode() - 'A';
        return PlaceCommand(argc, argv, options, QFileInfo(Text(words[0])).absoluteFilePath(),
                            {bank, slot});
    }
    case TKind::Swap:
        wants(2, "two slots, as in swap A012 A013");
        return SwapCommand(argc, argv, options, {SlotWord(words[0]), SlotWord(words[1])});
    case TKind::Undo:
    case TKind::Redo:
        wants(0, "no more words");
        return ReplayCommand(argc, argv, options, kind == TKind::Undo);
    case TKind::Journal:
        break;
    }
    return 2;
}
