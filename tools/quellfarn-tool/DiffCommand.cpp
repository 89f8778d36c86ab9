// preset diff: two presets read — from files, or from the unit's places through the device link —
// and their difference printed as lines or JSON.

#include "DiffCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "model/PresetDiff.h"
#include "store/WholeFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <iostream>
#include <optional>

namespace {
// "unit:B017" (or "unit:17" on a single-bank unit): the slot it names.
std::optional<TPlace> UnitSlot(const QString& word) {
    if (!word.startsWith(QStringLiteral("unit:")))
        return std::nullopt;
    static const QRegularExpression withBank(QStringLiteral("^unit:([A-Da-d]) ?0*(\\d{1,3})$"));
    static const QRegularExpression plain(QStringLiteral("^unit:0*(\\d{1,3})$"));
    const QRegularExpressionMatch match = (PrePlenovaMode ? plain : withBank).match(word);
    const int slot = match.hasMatch() ? match.captured(PrePlenovaMode ? 1 : 2).toInt() : 0;
    if (slot < 1 || slot > (PrePlenovaMode ? 128 : 200))
        throw UsageError{"\"" + Bytes(word) + "\" is not a slot of the unit: " +
                         (PrePlenovaMode ? "unit:1 to unit:128" : "unit:A001 to unit:D200")};
    return TPlace{PrePlenovaMode ? 0 : match.captured(1).toUpper().at(0).unicode() - 'A', slot};
}

const char* KindName(TPresetChange::TKind kind) {
    switch (kind) {
    case TPresetChange::TKind::Value:
        return "value";
    case TPresetChange::TKind::Chain:
        return "chain";
    case TPresetChange::TKind::Switched:
        return "switched";
    case TPresetChange::TKind::Assigned:
        return "assigned";
    case TPresetChange::TKind::Other:
        return "other";
    }
    return "";
}
} // namespace

TPresetDiffCommand::TPresetDiffCommand(int argc, char* argv[])
    : TUnitCommand({.Name = QStringLiteral("preset diff"),
                    .Synopsis = QStringLiteral("preset diff A B"),
                    .Description = QStringLiteral(
                        "how two presets differ, in the editor's words; A or B may be a\n"
                        "slot of the unit, unit:B017 (exit 0 the same, 1 different)")},
                   {&ToolOptions::Json, &ToolOptions::In, &ToolOptions::Out, &ToolOptions::Delay,
                    &ToolOptions::Timeout, &ToolOptions::PrePlenova},
                   argc, argv) {}

std::optional<int> TPresetDiffCommand::Read(const QCommandLineParser& parser) {
    sides = parser.positionalArguments();
    if (sides.size() != 2)
        throw UsageError{"preset diff needs two presets, A and B"};
    json = parser.isSet(ToolOptions::Json.Option);
    places = {UnitSlot(sides[0]), UnitSlot(sides[1])};
    for (std::size_t i = 0; i < 2; ++i)
        if (!places[i]) {
            const TBytes bytes =
                ReadFile(Bytes(sides[static_cast<qsizetype>(i)]), 64 * kLargestPresetFile);
            if (!IsPresetDump(bytes) || !IsWellFormedSysex(bytes))
                throw FileError{"Not a valid preset file: " +
                                Bytes(sides[static_cast<qsizetype>(i)])};
            dumps[i] = bytes;
        }
    // Two files need no unit.
    if (!places[0] && !places[1])
        return Show();
    return std::nullopt;
}

int TPresetDiffCommand::Run(TUnitHost& host) {
    // The places are read now, as the library's "Fetch again" reads them.
    std::vector<TPlace> wanted;
    for (const auto& slot : places)
        if (slot)
            wanted.push_back(*slot);
    if (!host.ReadSlots(wanted))
        return 1;
    for (std::size_t i = 0; i < 2; ++i)
        if (places[i]) {
            const TSlotMemory* held = host.Memory().Slot(*places[i]);
            if (held == nullptr || held->Now() == nullptr)
                throw FileError{"The unit did not send " + Bytes(sides[static_cast<qsizetype>(i)])};
            dumps[i] = held->Now()->Dump;
        }
    return Show();
}

int TPresetDiffCommand::Show() const {
    const std::vector<TPresetChange> changes = DiffPresets(dumps[0], dumps[1]);
    if (json) {
        QJsonArray list;
        for (const TPresetChange& change : changes)
            list.append(
                QJsonObject{{QStringLiteral("kind"), QString::fromLatin1(KindName(change.Kind))},
                            {QStringLiteral("subject"), QString::fromStdString(change.Subject)},
                            {QStringLiteral("from"), QString::fromStdString(change.From)},
                            {QStringLiteral("to"), QString::fromStdString(change.To)},
                            {QStringLiteral("text"), QString::fromStdString(change.Text())}});
        std::cout << QJsonDocument(list).toJson().toStdString();
    } else {
        for (const TPresetChange& change : changes)
            std::cout << change.Text() << "\n";
    }
    std::cout << std::flush;
    return changes.empty() ? 0 : 1;
}
