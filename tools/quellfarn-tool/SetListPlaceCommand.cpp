// setlist place: a set list's presets written in the order of the songs, each from its slot as
// read now or from its file.

#include "SetListPlaceCommand.h"

#include "SetListCommand.h"
#include "ToolErrors.h"
#include "ToolFiles.h"
#include "model/DeviceMode.h"
#include "store/WholeFile.h"

#include <QFileInfo>
#include <filesystem>
#include <iostream>
#include <set>

TSetListPlaceCommand::TSetListPlaceCommand(int argc, char* argv[])
    : TWriteCommand({.Name = QStringLiteral("setlist place"),
                     .Synopsis = QStringLiteral("setlist place FILE --from D181"),
                     .Description = QStringLiteral(
                         "the songs' presets into consecutive slots from --from, in the\n"
                         "set's order, each slot kept first; songs already in place are\n"
                         "left alone")},
                    {&ToolOptions::From}, argc, argv) {}

std::optional<int> TSetListPlaceCommand::Read(const QCommandLineParser& parser) {
    const QStringList words = parser.positionalArguments();
    if (words.size() != 1)
        throw UsageError{"setlist place needs one FILE"};
    if (!parser.isSet(ToolOptions::From.Option))
        throw UsageError{PrePlenovaMode ? "setlist place needs --from N, as in --from 101"
                                        : "setlist place needs --from SLOT, as in --from D181"};
    from = SlotWord(parser.value(ToolOptions::From.Option));
    const TSetListRead read = ReadSetListFile(words[0]);
    // A song left out would put every later one a slot too early.
    if (!read.Problems.empty())
        throw FileError{"Nothing was sent: the set list has lines that are no song"};
    name = QFileInfo(Text(words[0])).completeBaseName();
    const std::string folder = std::filesystem::path(Bytes(words[0])).parent_path().string();
    for (const TSong& song : read.List.Songs) {
        TSetListSong taken{QString::fromStdString(song.Title), std::nullopt, {}};
        if (song.Preset.IsFile()) {
            const std::string path = song.Preset.PathFrom(folder);
            taken.Dump = ReadFile(path, kLargestPresetFile);
            if (!IsPresetDump(taken.Dump) || !IsWellFormedSysex(taken.Dump))
                throw FileError{"Nothing was sent: \"" + song.Title + "\" plays " + path +
                                ", which is not a preset file"};
        } else {
            taken.Slot = TPlace{song.Preset.Bank, song.Preset.Slot};
        }
        songs.push_back(std::move(taken));
    }
    if (songs.empty())
        throw FileError{"Nothing was sent: the set list has no songs"};
    // Whether the set fits needs no unit.
    if (SetListPlaces(from, songs.size(), PrePlenovaMode).size() < songs.size())
        throw UsageError{
            SetListPlan(nullptr, from, songs, name, PrePlenovaMode).Refusal.toStdString()};
    return std::nullopt;
}

int TSetListPlaceCommand::Run(TUnitHost& host) {
    TPlanOrRefusal planned = SetListPlan(&host.Memory(), from, songs, name, PrePlenovaMode);
    if (!planned.Refusal.isEmpty()) {
        std::cerr << "quellfarn-tool: " << planned.Refusal.toStdString()
                  << "; nothing was sent to the unit" << std::endl;
        return 1;
    }
    if (!unitOptions.DryRun) {
        // What the songs' slots hold is read now, as swap reads its slots, so that a preset
        // changed on the unit since it was last read is not copied as it was; so are the target
        // slots that are left out as already holding their song.
        const std::vector<TPlace> places = SetListPlaces(from, songs.size(), PrePlenovaMode);
        std::set<TPlace> wanted;
        for (std::size_t i = 0; i < songs.size(); ++i)
            if (songs[i].Slot && *songs[i].Slot != places[i])
                wanted.insert(*songs[i].Slot);
        std::set<TPlace> written;
        for (const TPlannedWrite& write : planned.Plan.Writes)
            written.insert({write.Bank, write.Slot});
        for (std::size_t i = 0; i < songs.size(); ++i)
            if ((!songs[i].Slot || *songs[i].Slot != places[i]) && !written.contains(places[i]))
                wanted.insert(places[i]);
        if (!wanted.empty() && !host.ReadSlots({wanted.begin(), wanted.end()}))
            return 1;
        planned = SetListPlan(&host.Memory(), from, songs, name, PrePlenovaMode);
    }
    if (planned.Plan.Writes.empty()) {
        std::cout << "Every song is already in its slot; nothing was sent to the unit" << std::endl;
        return 0;
    }
    return Carry(host, planned.Plan);
}
