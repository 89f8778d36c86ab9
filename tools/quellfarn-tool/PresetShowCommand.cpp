// preset show: a preset file's title, chain, every parameter with its value text, the
// performance MIDI and the foot switches, as text or as JSON.

#include "PresetShowCommand.h"

#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "model/Preset.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

namespace {
std::string Json(const std::string& text) {
    std::string quoted = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += static_cast<char>(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted += escape;
        } else if (c >= 0x80) {
            char escape[8]; // preset bytes are not UTF-8: keep them readable as Latin-1
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            quoted += escape;
        } else {
            quoted += static_cast<char>(c);
        }
    }
    return quoted + "\"";
}

struct ShownParameter {
    std::string Name;
    int Value;
    std::string Text;
};
struct ShownEffect {
    std::string Name;
    std::vector<ShownParameter> Parameters;
};

// Everything "preset show" prints, gathered once for both formats.
struct PresetReport {
    std::string Title;
    int Device = 0;
    int Group = 0;
    bool GroupValid = true;
    std::vector<std::string> GroupEffects;
    std::vector<std::string> AnalogChain;
    std::vector<std::string> DigitalChain;
    std::vector<ShownParameter> Mix;
    std::vector<ShownEffect> Effects;
    struct Assignment {
        int Number;
        int Controller;
        std::string ControllerName;
        int Parameter;
        std::string Target;
        int Low;
        int High;
    };
    std::vector<Assignment> Assignments;
    std::vector<std::pair<std::string, bool>> Switches;
};

ShownParameter Show(const TParameterInfo& parameter, int value) {
    return {std::string(parameter.Name), value, ParameterValueText(parameter, value)};
}

PresetReport Report(TPreset& preset) {
    PresetReport report;
    report.Title = preset.Title;
    report.Device = preset.Header[2];
    if (preset.DigitalGroup < 0 || preset.DigitalGroup >= DigitalGroupCount) {
        report.GroupValid = false;
        report.Group = preset.DigitalGroup;
        preset.DigitalGroup = 0; // as the editor does: ignore the digital configuration
        preset.DigitalOn.fill(false);
    } else {
        report.Group = preset.DigitalGroup;
    }
    for (int effect : GroupRow(preset.DigitalGroup))
        report.GroupEffects.emplace_back(DigitalEffectName(effect));
    for (const TParameterInfo& mix : MixParameters())
        report.Mix.push_back(
            Show(mix, preset.ParameterValues[static_cast<std::size_t>(mix.Offset)]));
    for (int block = 0; block < kAnalogBlockCount; ++block) {
        if (!preset.AnalogOn[static_cast<std::size_t>(block)])
            continue;
        report.AnalogChain.emplace_back(AnalogBlocks()[static_cast<std::size_t>(block)].Name);
        ShownEffect effect{std::string(AnalogBlocks()[static_cast<std::size_t>(block)].Name), {}};
        for (const TParameterInfo& parameter :
             AnalogPages()[static_cast<std::size_t>(block)].Parameters)
            effect.Parameters.push_back(Show(
                parameter, preset.ParameterValues[static_cast<std::size_t>(parameter.Offset)]));
        report.Effects.push_back(effect);
    }
    int start = kDigitalAreaStart;
    const std::vector<int>& row = GroupRow(preset.DigitalGroup);
    for (std::size_t k = 0; k < row.size(); ++k) {
        const int effect = row[k];
        const auto& page = DigitalEffectPages()[static_cast<std::size_t>(effect)];
        if (preset.DigitalOn[k]) {
            report.DigitalChain.emplace_back(DigitalEffectName(effect));
            ShownEffect shown{std::string(DigitalEffectName(effect)), {}};
            for (const TParameterInfo& parameter : page.Parameters)
                shown.Parameters.push_back(Show(
                    parameter,
                    preset.ParameterValues[static_cast<std::size_t>(start + parameter.Offset)]));
            report.Effects.push_back(shown);
        }
        start += static_cast<int>(page.Parameters.size());
    }
    for (int i = 0; i < kPerfMidiCount; ++i) {
        if (!preset.PerfInUse[static_cast<std::size_t>(i)])
            continue;
        const TPerfMIDI& assignment = *preset.PerfMIDI[static_cast<std::size_t>(i)];
        const TParameterTarget target = DescribeParameterNumber(preset, assignment.Parameter);
        report.Assignments.push_back(
            {i + 1, assignment.Controller,
             std::string(DefaultControllerName(assignment.Controller)), assignment.Parameter,
             target.Effect.empty() ? "(invalid)" : target.Effect + " " + target.Name,
             assignment.LowValue, assignment.HighValue});
    }
    static const std::pair<const char*, int> kSwitches[] = {
        {"Exciter", 6},        {"Compressor", 7},          {"Distortion", 8},
        {"Equalizer", 0},      {"Expander/Noise gate", 9}, {"Reverb", 1},
        {"Delay", 2},          {"Pitch Transposer", 3},    {"Flanger/Chorus", 4},
        {"Special Effects", 5}};
    for (const auto& [caption, index] : kSwitches)
        report.Switches.emplace_back(caption, preset.K27States[static_cast<std::size_t>(index)]);
    return report;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text.empty() ? "(none)" : text;
}

void PrintText(const PresetReport& report) {
    std::cout << "Title:          " << report.Title << "\n";
    std::cout << "Device byte:    " << report.Device << "\n";
    if (report.GroupValid) {
        std::cout << "Digital group:  " << report.Group << " (" << Joined(report.GroupEffects)
                  << ")\n";
    } else {
        std::cout << "Digital group:  " << report.Group
                  << " - Digital effect configuration is invalid and will be ignored.\n";
    }
    std::cout << "Analog chain:   " << Joined(report.AnalogChain) << "\n";
    std::cout << "Digital chain:  " << Joined(report.DigitalChain) << "\n";
    std::cout << "Mix:           ";
    for (const ShownParameter& mix : report.Mix)
        std::cout << " " << mix.Name << " " << mix.Text;
    std::cout << "\n";
    for (const ShownEffect& effect : report.Effects) {
        std::cout << "\n" << effect.Name << "\n";
        for (const ShownParameter& parameter : effect.Parameters)
            std::printf("  %-18s %s\n", parameter.Name.c_str(), parameter.Text.c_str());
    }
    std::cout << "\nPerformance MIDI\n";
    if (report.Assignments.empty())
        std::cout << "  (none)\n";
    for (const auto& assignment : report.Assignments) {
        std::cout << "  Controller #" << assignment.Number << ": controller "
                  << assignment.Controller;
        if (!assignment.ControllerName.empty())
            std::cout << " (" << assignment.ControllerName << ")";
        std::cout << " -> " << assignment.Target << ", low " << assignment.Low << ", high "
                  << assignment.High << "\n";
    }
    std::cout << "\nK27 switches\n";
    for (const auto& [caption, on] : report.Switches)
        std::printf("  %-20s %s\n", caption.c_str(), on ? "on" : "off");
}

void PrintJson(const PresetReport& report) {
    const auto list = [](const std::vector<std::string>& names) {
        std::string text = "[";
        for (std::size_t i = 0; i < names.size(); ++i)
            text += (i ? ", " : "") + Json(names[i]);
        return text + "]";
    };
    const auto parameters = [](const std::vector<ShownParameter>& all) {
        std::string text = "[";
        for (std::size_t i = 0; i < all.size(); ++i)
            text += std::string(i ? ", " : "") + "{\"name\": " + Json(all[i].Name) +
                    ", \"value\": " + std::to_string(all[i].Value) +
                    ", \"text\": " + Json(all[i].Text) + "}";
        return text + "]";
    };
    std::cout << "{\n";
    std::cout << "  \"title\": " << Json(report.Title) << ",\n";
    std::cout << "  \"device\": " << report.Device << ",\n";
    std::cout << "  \"digitalGroup\": " << report.Group << ",\n";
    std::cout << "  \"digitalGroupValid\": " << (report.GroupValid ? "true" : "false") << ",\n";
    std::cout << "  \"groupEffects\": " << list(report.GroupEffects) << ",\n";
    std::cout << "  \"analogChain\": " << list(report.AnalogChain) << ",\n";
    std::cout << "  \"digitalChain\": " << list(report.DigitalChain) << ",\n";
    std::cout << "  \"mix\": " << parameters(report.Mix) << ",\n";
    std::cout << "  \"effects\": [";
    for (std::size_t i = 0; i < report.Effects.size(); ++i)
        std::cout << (i ? "," : "") << "\n    {\"name\": " << Json(report.Effects[i].Name)
                  << ", \"parameters\": " << parameters(report.Effects[i].Parameters) << "}";
    std::cout << "\n  ],\n  \"performanceMidi\": [";
    for (std::size_t i = 0; i < report.Assignments.size(); ++i) {
        const auto& a = report.Assignments[i];
        std::cout << (i ? "," : "") << "\n    {\"assignment\": " << a.Number
                  << ", \"controller\": " << a.Controller
                  << ", \"controllerName\": " << Json(a.ControllerName)
                  << ", \"parameter\": " << a.Parameter << ", \"target\": " << Json(a.Target)
                  << ", \"low\": " << a.Low << ", \"high\": " << a.High << "}";
    }
    std::cout << "\n  ],\n  \"k27Switches\": {";
    for (std::size_t i = 0; i < report.Switches.size(); ++i)
        std::cout << (i ? ", " : "") << Json(report.Switches[i].first) << ": "
                  << (report.Switches[i].second ? "true" : "false");
    std::cout << "}\n}\n";
}

} // namespace

TPresetShowCommand::TPresetShowCommand()
    : TCommand({.Name = QStringLiteral("preset show"),
                .Synopsis = QStringLiteral("preset show FILE"),
                .Description =
                    QStringLiteral("the preset in a .tmq file: title, chain and every parameter\n"
                                   "(--json: the same as JSON)")},
               {&ToolOptions::Json}) {}

int TPresetShowCommand::Execute(const QStringList& arguments) {
    QCommandLineParser parser;
    Parse(parser, arguments);
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        throw UsageError{"preset show needs one FILE"};
    TPreset preset = LoadPreset(Bytes(files[0]));
    const PresetReport report = Report(preset);
    if (parser.isSet(ToolOptions::Json.Option))
        PrintJson(report);
    else
        PrintText(report);
    return 0;
}
