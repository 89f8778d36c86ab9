// preset new: the preset the editor starts from, written into a file.

#include "PresetNewCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "model/EffectCatalogue.h"
#include "model/Preset.h"

TPresetNewCommand::TPresetNewCommand()
    : TCommand({.Name = QStringLiteral("preset new"),
                .Synopsis = QStringLiteral("preset new"),
                .Description = QStringLiteral("a preset file with the unit's defaults")},
               {&ToolOptions::Output, &ToolOptions::DeviceId}) {}

int TPresetNewCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    if (!parser.isSet(ToolOptions::Output.Option) || !parser.positionalArguments().isEmpty())
        throw UsageError{"preset new needs -o FILE"};
    DeviceId = static_cast<std::uint8_t>(Number(parser, ToolOptions::DeviceId, 0));
    TPreset preset;
    DetermineDigitalGroup(preset, {});
    WriteFile(Bytes(parser.value(ToolOptions::Output.Option)), preset.Encode());
    return 0;
}
