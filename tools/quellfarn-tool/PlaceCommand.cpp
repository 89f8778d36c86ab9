// place: one preset file written into the slot the line names.

#include "PlaceCommand.h"

#include "ToolErrors.h"
#include "model/DeviceMode.h"
#include "store/PlanBuilders.h"
#include "store/WholeFile.h"

#include <QFileInfo>

TPlaceCommand::TPlaceCommand(int argc, char* argv[])
    : TWriteCommand({QStringLiteral("place"), QStringLiteral("place FILE --bank B --slot N"),
                     QStringLiteral("a preset file into a slot, what the slot held kept first")},
                    {&ToolOptions::Bank, &ToolOptions::Slot}, argc, argv) {}

std::optional<int> TPlaceCommand::Read(const QCommandLineParser& parser) {
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1)
        throw UsageError{"place needs one FILE"};
    if (!parser.isSet(ToolOptions::Slot.Option) ||
        (!PrePlenovaMode && !parser.isSet(ToolOptions::Bank.Option)))
        throw UsageError{PrePlenovaMode ? "place needs --slot N"
                                        : "place needs --bank B and --slot N"};
    const int slot = Number(parser, ToolOptions::Slot, 1);
    if (PrePlenovaMode && slot > 128)
        throw UsageError{"--slot is 1 to 128 on a single-bank unit"};
    const int bank =
        PrePlenovaMode ? 0 : parser.value(ToolOptions::Bank.Option).toUpper().at(0).unicode() - 'A';
    place = {bank, slot};
    const QString file = QFileInfo(Text(words[0])).absoluteFilePath();
    const TFileRead read = ReadWholeFile(file, kLargestPresetFile);
    if (read.Missing)
        throw FileError{"Cannot read " + file.toStdString() + ": no such file"};
    if (!read.Error.isEmpty())
        throw FileError{"Cannot read " + read.Error.toStdString()};
    dump.assign(read.Bytes.begin(), read.Bytes.end());
    if (!IsPresetDump(dump) || !IsWellFormedSysex(dump))
        throw FileError{"Not a preset file: " + file.toStdString()};
    return std::nullopt;
}

int TPlaceCommand::Run(TUnitHost& host) {
    const TPlanOrRefusal planned =
        PlacePlan(&host.Memory(), place, {dump}, QStringLiteral("place"), PrePlenovaMode);
    if (!planned.Refusal.isEmpty())
        throw UsageError{planned.Refusal.toStdString()};
    return Carry(host, planned.Plan);
}
