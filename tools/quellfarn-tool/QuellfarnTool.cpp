// quellfarn-tool: a command-line librarian for people who keep presets as files, the backup of a
// unit into such files and their restore into the unit.
//
//   quellfarn-tool preset show FILE [--json]
//   quellfarn-tool preset new -o FILE [--device-id N]
//   quellfarn-tool mpt show FILE [--pre-plenova]
//   quellfarn-tool mpt new -o FILE [--device-id N] [--pre-plenova]
//   quellfarn-tool list DIR
//   quellfarn-tool backup DIR [--in NAME] [--out NAME] [--banks ACD] [--first N] [--last N]
//                  [--untitled NAME] [--delay MS] [--retries N] [--timeout MS]
//                  [--print-list FILE.pdf] [--pre-plenova]
//   quellfarn-tool restore DIR [--in NAME] [--out NAME] [--banks ACD] [--first N] [--last N]
//                  [--delay MS] [--timeout MS] [--pre-plenova] [--dry-run] [--yes]
//   quellfarn-tool devices
//   quellfarn-tool library [--out NAME] [--device-id N] [--bank A] [--search EXPR]
//                  [--backups DIR] [--pre-plenova] [--json]
//   quellfarn-tool search EXPR DIR... [--pre-plenova] [--json]
//   quellfarn-tool syx split FILE.syx DIR [--pre-plenova]
//   quellfarn-tool syx join DIR FILE.syx [--pre-plenova]
//   quellfarn-tool setlist show FILE [--pre-plenova]
//   quellfarn-tool setlist table FILE OUT.mpt [--base TABLE.mpt] [--pre-plenova]
//   quellfarn-tool setlist place FILE --from SLOT [--in NAME] [--out NAME] [--delay MS]
//                  [--timeout MS] [--pre-plenova] [--dry-run] [--yes]
//   quellfarn-tool names [--table FILE.mpt] [--setlist FILE] --csv|--midnam OUT [--bank A]
//                  [--out NAME] [--device-id N] [--pre-plenova]
//   quellfarn-tool mark NAME [--table FILE.mpt] [--out NAME] [--device-id N] [--pre-plenova]
//   quellfarn-tool changes --since NAME [--table FILE.mpt] [--out NAME] [--device-id N]
//                  [--pre-plenova]
//   quellfarn-tool marks [--out NAME] [--device-id N]
//
// A bad file prints its message and exits with 1; a usage error exits with 2. A backup exits
// with 0 when every chosen preset arrived and with 1 when it stopped (a silent unit, a file it
// could not write, a port it could not open, Ctrl+C). A restore exits with 0 only when every
// file it found was written and read back unchanged: a file it had to skip, a slot that does
// not hold what was sent, a silent unit, a port it could not open, a question not answered yes
// and Ctrl+C give 1. library and search exit with 0 when they list a preset, 1 when none. syx
// split and syx join exit with 0 when every preset and table they found was written, the
// messages and files they skip only named; with 1 when they found none or a file could not be
// read or written (a split then writes nothing). setlist show exits with 1 when a line of the
// set list is no song; setlist table also when the songs make no table, and then writes nothing.
// changes exits with 0 when nothing changed since the snapshot, 1 when something did, and 2 when
// there is no snapshot of that name or it cannot be read, as diff(1) does.

#include "BackupCommand.h"
#include "CheckCommand.h"
#include "Command.h"
#include "DevicesCommand.h"
#include "DiffCommand.h"
#include "JournalCommand.h"
#include "LibraryCommand.h"
#include "ListCommand.h"
#include "MptNewCommand.h"
#include "MptShowCommand.h"
#include "NamesCommand.h"
#include "PlaceCommand.h"
#include "PresetNewCommand.h"
#include "PresetShowCommand.h"
#include "ReplayCommand.h"
#include "RestoreCommand.h"
#include "SetCommand.h"
#include "SetListCommand.h"
#include "SetListPlaceCommand.h"
#include "SnapshotCommand.h"
#include "SwapCommand.h"
#include "SyxCommand.h"
#include "TagCommand.h"
#include "ToolErrors.h"

#include <Version.h>
#include <exception>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr const char* kUsage =
    "usage: quellfarn-tool preset show FILE [--json]\n"
    "       quellfarn-tool preset new -o FILE [--device-id N]\n"
    "       quellfarn-tool preset diff A B [--json] [--in NAME] [--out NAME] [--delay MS]\n"
    "                      [--timeout MS] [--pre-plenova]\n"
    "       quellfarn-tool mpt show FILE [--pre-plenova]\n"
    "       quellfarn-tool mpt new -o FILE [--device-id N] [--pre-plenova]\n"
    "       quellfarn-tool list DIR\n"
    "       quellfarn-tool backup DIR [--in NAME] [--out NAME] [--banks ACD] [--first N]\n"
    "                      [--last N] [--untitled NAME] [--delay MS] [--retries N]\n"
    "                      [--timeout MS] [--print-list FILE.pdf] [--pre-plenova]\n"
    "       quellfarn-tool restore DIR [--in NAME] [--out NAME] [--banks ACD] [--first N]\n"
    "                      [--last N] [--delay MS] [--timeout MS] [--pre-plenova]\n"
    "                      [--dry-run] [--yes]\n"
    "       quellfarn-tool devices\n"
    "       quellfarn-tool check [--in NAME] [--out NAME] [--device-id N] [--timeout MS]\n"
    "                      [--pre-plenova]\n"
    "       quellfarn-tool library [--out NAME] [--device-id N] [--bank A] [--search EXPR]\n"
    "                      [--backups DIR] [--pre-plenova] [--json]\n"
    "       quellfarn-tool search EXPR DIR... [--pre-plenova] [--json]\n"
    "       quellfarn-tool syx split FILE.syx DIR [--pre-plenova]\n"
    "       quellfarn-tool syx join DIR FILE.syx [--pre-plenova]\n"
    "       quellfarn-tool place FILE --bank B --slot N [--in NAME] [--out NAME] [--delay MS]\n"
    "                      [--timeout MS] [--pre-plenova] [--dry-run] [--yes]\n"
    "       quellfarn-tool swap A012 A013 [--in NAME] [--out NAME] [--delay MS]\n"
    "                      [--timeout MS] [--pre-plenova] [--dry-run] [--yes]\n"
    "       quellfarn-tool undo|redo [--in NAME] [--out NAME] [--delay MS] [--timeout MS]\n"
    "                      [--pre-plenova] [--dry-run] [--yes]\n"
    "       quellfarn-tool journal [--in NAME] [--out NAME] [--pre-plenova]\n"
    "       quellfarn-tool setlist show FILE [--pre-plenova]\n"
    "       quellfarn-tool setlist table FILE OUT.mpt [--base TABLE.mpt] [--pre-plenova]\n"
    "       quellfarn-tool setlist place FILE --from SLOT [--in NAME] [--out NAME]\n"
    "                      [--delay MS] [--timeout MS] [--pre-plenova] [--dry-run] [--yes]\n"
    "       quellfarn-tool set \"EFFECT PARAMETER=VALUE\" FILE... [--dry-run] [--pre-plenova]\n"
    "       quellfarn-tool set \"EFFECT PARAMETER=VALUE\" --slots A001-A050 [--in NAME]\n"
    "                      [--out NAME] [--delay MS] [--timeout MS] [--pre-plenova]\n"
    "                      [--dry-run] [--yes]\n"
    "       quellfarn-tool names [--table FILE.mpt] [--setlist FILE] --csv|--midnam OUT\n"
    "                      [--bank A] [--out NAME] [--device-id N] [--pre-plenova]\n"
    "       quellfarn-tool mark NAME [--table FILE.mpt] [--out NAME] [--device-id N]\n"
    "                      [--pre-plenova]\n"
    "       quellfarn-tool changes --since NAME [--table FILE.mpt] [--out NAME]\n"
    "                      [--device-id N] [--pre-plenova]\n"
    "       quellfarn-tool marks [--out NAME] [--device-id N]\n"
    "       quellfarn-tool tag FILE|SLOT +TAG -TAG [--rating N] [--note TEXT] [--out NAME]\n"
    "                      [--device-id N] [--pre-plenova]\n"
    "       quellfarn-tool duplicates DIR...|unit [--out NAME] [--device-id N] [--pre-plenova]\n"
    "\n"
    "restore writes the DIR/Bank A..D files a backup made (DIR's own with --pre-plenova) into\n"
    "their slots, --first..--last of each chosen bank, and reads each one back. It asks first;\n"
    "without a terminal only --yes goes ahead. --dry-run shows the plan and sends nothing.\n"
    "It exits with 0 when every file was written and verified, and with 1 when any was not:\n"
    "a damaged file skipped, a slot that reads back different, a silent unit, no answer yes.\n"
    "\n"
    "EXPR is what the library's search box takes: words found in titles and effects\n"
    "(octaver \"slap funk\"), parameters compared with =, !=, <, <=, >, >= as the editor\n"
    "shows them (drive>50, \"reverb type=Hall-1\", \"delay time>=300 ms\"), bank:B, changed\n"
    "and untitled, and what the library noted (tag:live, rating>=2, note:church); every\n"
    "term has to hold.\n"
    "\n"
    "place, swap, undo and redo write as the library does: each slot is read and kept\n"
    "first, written, and read back; each run is one step of the unit's journal, which undo\n"
    "and redo act on, also in the window. They ask first; without a terminal only --yes goes\n"
    "ahead. Undo reads every slot first and asks again when one no longer holds what the\n"
    "step left. They exit with 0 when every slot was written and verified.\n"
    "\n"
    "A set list is a UTF-8 text file, one song a line: \"Title = B017\" (a slot) or\n"
    "\"Title = path/to/file.tmq\" (a preset file, a relative path from the set list's\n"
    "folder), a note after \" ; \"; blank lines and lines starting with # are kept as they\n"
    "are. setlist show and setlist table name each other line with its number and exit 1.\n"
    "names takes the titles of --bank's slots from the unit's memory, as library does;\n"
    "with --setlist, the set list's table on --table, its songs' programs by their titles.\n"
    "setlist place writes the songs' presets into consecutive slots from --from (A200 is\n"
    "followed by B001; nothing past the unit's last slot), as place writes: each slot kept,\n"
    "written and read back, one step of the journal. A song's slot is read again first and\n"
    "must have been read before; a slot that already holds its song is left out.\n"
    "\n"
    "set makes one change in many presets: \"Compressor drive=90%\" sets a parameter to a\n"
    "value as the editor shows it, \"Prog Level master-=6%\" changes it by an amount in\n"
    "its unit (kept within its range, and said so). Each preset's changes are listed in\n"
    "the words of preset diff; one without the effect in its chain is left as it is and\n"
    "named. FILEs are rewritten whole, all or none, each one's previous version kept as\n"
    "FILE.before-DATE; --slots are read again and written as place writes them, one step\n"
    "of the journal. It exits with 0 when done (or nothing needed changing), 1 when a\n"
    "file or slot could not be written, 2 for a change it cannot read.\n"
    "\n"
    "mark keeps what the unit's memory holds (every slot as last read) under a name;\n"
    "changes --since NAME lists each slot whose preset differs now, in the words of\n"
    "preset diff, and exits with 0 for no change, 1 for changes, 2 for no such snapshot.\n";

// Where --help lists each entry of its options: the options of one line, the first one's
// description.
const std::vector<std::vector<const TOption*>> kOptionLines = {
    {&ToolOptions::In, &ToolOptions::Out},
    {&ToolOptions::Banks},
    {&ToolOptions::First, &ToolOptions::Last},
    {&ToolOptions::Untitled},
    {&ToolOptions::Delay},
    {&ToolOptions::Retries},
    {&ToolOptions::Timeout},
    {&ToolOptions::PrintList},
    {&ToolOptions::PrePlenova},
    {&ToolOptions::DryRun},
    {&ToolOptions::Yes},
    {&ToolOptions::DeviceId},
    {&ToolOptions::Output},
    {&ToolOptions::Bank},
    {&ToolOptions::Slot},
    {&ToolOptions::Search},
    {&ToolOptions::Backups},
    {&ToolOptions::Base},
    {&ToolOptions::Table},
    {&ToolOptions::Csv},
    {&ToolOptions::Midnam},
    {&ToolOptions::From},
    {&ToolOptions::Slots},
    {&ToolOptions::Since},
    {&ToolOptions::Json},
    {&ToolOptions::Version, &ToolOptions::Help}};

// One entry of --help's lists: what it names, and the text about it.
struct THelpEntry {
    QString Name;
    QString Text;
};

// "  name               first line" and the further lines under the first: a name too long
// for its column keeps two spaces before the text.
std::string Shown(const THelpEntry& entry) {
    constexpr int kTextColumn = 21;
    QString line = QStringLiteral("  ") + entry.Name;
    line += line.size() <= kTextColumn - 2 ? QString(kTextColumn - line.size(), QLatin1Char(' '))
                                           : QStringLiteral("  ");
    line +=
        QString(entry.Text)
            .replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(kTextColumn, QLatin1Char(' ')));
    return line.toStdString() + "\n";
}

// What --help adds to the usage: each command and option in a sentence.
std::string Details(const std::vector<std::unique_ptr<TCommand>>& commands) {
    std::string text = "\nCommands:\n";
    for (const auto& command : commands)
        text += Shown({.Name = command->Synopsis, .Text = command->Description});
    text += "\nOptions:\n";
    for (const std::vector<const TOption*>& line : kOptionLines) {
        QStringList names;
        for (const TOption* option : line)
            names << option->Shown();
        text += Shown(
            {.Name = names.join(QStringLiteral(", ")), .Text = line.front()->Option.description()});
    }
    return text + "\nExit status: 0 done, 1 a file, port or unit failed (with a message) or\n"
                  "nothing found, 2 a usage error.\n";
}

// The command the words name and the words after its name; "preset show" and "mpt new" are
// two words, the second one chosen among the first one's.
TCommand& Choose(const std::vector<std::unique_ptr<TCommand>>& commands, QStringList& words) {
    const QString first = words.takeFirst();
    if (first.contains(QLatin1Char(' ')))
        throw UsageError{"unknown command " + Bytes(first)};
    QStringList second;
    for (const auto& command : commands) {
        if (command->Name == first)
            return *command;
        if (command->Name.startsWith(first + QLatin1Char(' ')))
            second << command->Name.mid(first.size() + 1);
    }
    if (second.isEmpty())
        throw UsageError{"unknown command " + Bytes(first)};
    if (words.isEmpty())
        throw UsageError{Bytes(first) + " needs " + Bytes(second.join(QStringLiteral(" or ")))};
    const QString name = first + QLatin1Char(' ') + words.takeFirst();
    for (const auto& command : commands)
        if (command->Name == name)
            return *command;
    throw UsageError{"unknown " + Bytes(first) + " command " + Bytes(name.mid(first.size() + 1))};
}
} // namespace

int main(int argc, char* argv[]) {
    std::vector<std::unique_ptr<TCommand>> commands;
    commands.push_back(std::make_unique<TPresetShowCommand>());
    commands.push_back(std::make_unique<TPresetNewCommand>());
    commands.push_back(std::make_unique<TPresetDiffCommand>(argc, argv));
    commands.push_back(std::make_unique<TMptShowCommand>());
    commands.push_back(std::make_unique<TMptNewCommand>());
    commands.push_back(std::make_unique<TListCommand>());
    commands.push_back(std::make_unique<TBackupCommand>(argc, argv));
    commands.push_back(std::make_unique<TRestoreCommand>(argc, argv));
    commands.push_back(std::make_unique<TDevicesCommand>());
    commands.push_back(std::make_unique<TCheckCommand>(argc, argv));
    commands.push_back(std::make_unique<TLibraryCommand>());
    commands.push_back(std::make_unique<TSearchCommand>());
    commands.push_back(std::make_unique<TSyxSplitCommand>());
    commands.push_back(std::make_unique<TSyxJoinCommand>());
    commands.push_back(std::make_unique<TPlaceCommand>(argc, argv));
    commands.push_back(std::make_unique<TSwapCommand>(argc, argv));
    commands.push_back(std::make_unique<TReplayCommand>(true, argc, argv));
    commands.push_back(std::make_unique<TReplayCommand>(false, argc, argv));
    commands.push_back(std::make_unique<TJournalCommand>(argc, argv));
    commands.push_back(std::make_unique<TSetListShowCommand>());
    commands.push_back(std::make_unique<TSetListTableCommand>());
    commands.push_back(std::make_unique<TSetListPlaceCommand>(argc, argv));
    commands.push_back(std::make_unique<TSetCommand>(argc, argv));
    commands.push_back(std::make_unique<TNamesCommand>());
    commands.push_back(std::make_unique<TMarkCommand>());
    commands.push_back(std::make_unique<TChangesCommand>());
    commands.push_back(std::make_unique<TMarksCommand>());
    commands.push_back(std::make_unique<TTagCommand>());
    commands.push_back(std::make_unique<TDuplicatesCommand>());

    QStringList words = ArgumentWords(argc, argv);
    try {
        if (words.isEmpty()) {
            std::cout << kUsage;
            return 2;
        }
        if (ToolOptions::Help.Is(words[0])) {
            std::cout << kUsage << Details(commands);
            return 0;
        }
        if (ToolOptions::Version.Is(words[0])) {
            std::cout << "quellfarn-tool " << QUELLFARN_VERSION << "\n";
            return 0;
        }
        TCommand& command = Choose(commands, words);
        return command.Execute(words);
    } catch (const UsageError& error) {
        std::cerr << "quellfarn-tool: " << error.Text << "\n" << kUsage;
        return 2;
    } catch (const FileError& error) {
        std::cerr << error.Text << "\n";
        return 1;
    } catch (const std::exception& error) {
        std::cerr << "quellfarn-tool: " << error.what() << "\n";
        return 1;
    }
}
