// The commands' base, the options they take and the words of the command line.

#include "Command.h"

#include "ToolErrors.h"

#include <algorithm>
#include <charconv>

namespace {
// A check that the value is a whole number in min..max, saying so with the option's word.
// (min, max).
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::function<std::string(const QString&)> InRange(const char* word, int min, int max) {
    return [=](const QString& value) -> std::string {
        if (WholeNumber(value, min, max))
            return {};
        return std::string(word) + " takes a number from " + std::to_string(min) + " to " +
               std::to_string(max);
    };
}
} // namespace

namespace ToolOptions {
const TOption In{{QStringLiteral("in"),
                  QStringLiteral("the unit's MIDI ports (default: the built-in simulated unit\n"
                                 "\"Quellfarn Plenova (simulated)\"; see devices)"),
                  QStringLiteral("NAME")},
                 {}};
const TOption Out{{QStringLiteral("out"), In.Option.description(), QStringLiteral("NAME")}, {}};
const TOption Banks{{QStringLiteral("banks"), QStringLiteral("the banks to walk (default ABCD)"),
                     QStringLiteral("ACD")},
                    [](const QString& value) -> std::string {
                        if (BankChoice(value))
                            return {};
                        return "--banks takes letters from A to D, as in --banks ACD";
                    }};
const TOption First{
    {QStringLiteral("first"),
     QStringLiteral("the presets 1..200 to walk (backup: --first for the first bank)"),
     QStringLiteral("N")},
    InRange("--first", 1, 200)};
const TOption Last{{QStringLiteral("last"), First.Option.description(), QStringLiteral("N")},
                   InRange("--last", 1, 200)};
const TOption Untitled{
    {QStringLiteral("untitled"),
     QStringLiteral("save untitled presets under this name (default: skip them)"),
     QStringLiteral("NAME")},
    {}};
const TOption Delay{
    {QStringLiteral("delay"),
     QStringLiteral("pause between choosing a preset and asking for it (default 1000)"),
     QStringLiteral("MS")},
    InRange("--delay", 1, 10000)};
const TOption Retries{
    {QStringLiteral("retries"),
     QStringLiteral("time-outs of one preset before the backup gives up (default 3)"),
     QStringLiteral("N")},
    InRange("--retries", 1, 1000)};
const TOption Timeout{{QStringLiteral("timeout"),
                       QStringLiteral("how long an answer may take (default 10000)"),
                       QStringLiteral("MS")},
                      InRange("--timeout", 1, 3600000)};
const TOption PrintList{{QStringLiteral("print-list"),
                         QStringLiteral("also print the list of presets into that PDF"),
                         QStringLiteral("FILE.pdf")},
                        [](const QString& value) -> std::string {
                            if (!value.isEmpty())
                                return {};
                            return "--print-list needs a file name";
                        }};
const TOption PrePlenova{
    {QStringLiteral("pre-plenova"), QStringLiteral("the older single-bank unit")}, {}};
const TOption DryRun{
    {QStringLiteral("dry-run"),
     QStringLiteral(
         "restore, place, swap, undo, redo, set: show what would be\nwritten, write nothing")},
    {}};
const TOption Yes{
    {QStringLiteral("yes"), QStringLiteral("restore, place, swap, undo, redo, set: do not ask")},
    {}};
const TOption EvenIfChanged{
    {QStringLiteral("even-if-changed"),
     QStringLiteral("undo, redo: write also where the slots no longer hold\nwhat the step left "
                    "(what they hold is kept first)")},
    {}};
const TOption Json{{QStringLiteral("json"), QStringLiteral("the same as JSON")}, {}};
// The device ID is the MIDI channel the program transmits on.
const TOption DeviceId{{QStringLiteral("device-id"),
                        QStringLiteral("the device byte of a new preset or table, or of the\n"
                                       "remembered unit (0..15)"),
                        QStringLiteral("N")},
                       InRange("--device-id", 0, 15)};
const TOption Output{
    {QStringLiteral("o"), QStringLiteral("where a new file goes"), QStringLiteral("FILE")}, {}};
const TOption Bank{{QStringLiteral("bank"),
                    QStringLiteral("library: only this bank; place: the bank to write into;\n"
                                   "names: the bank whose titles name the programs (default A)"),
                    QStringLiteral("A")},
                   [](const QString& value) -> std::string {
                       if (value.size() == 1 && BankChoice(value))
                           return {};
                       return "--bank takes one letter from A to D";
                   }};
const TOption Slot{{QStringLiteral("slot"), QStringLiteral("place: the slot 1..200 to write"),
                    QStringLiteral("N")},
                   InRange("--slot", 1, 200)};
const TOption Search{{QStringLiteral("search"),
                      QStringLiteral("library: only the presets the search finds (see search)"),
                      QStringLiteral("EXPR")},
                     {}};
const TOption Rating{{QStringLiteral("rating"),
                      QStringLiteral("tag: the preset's rating, 0 (none) to 3 stars"),
                      QStringLiteral("N")},
                     InRange("--rating", 0, 3)};
const TOption Note{{QStringLiteral("note"),
                    QStringLiteral("tag: the preset's note (\"\" takes it away)"),
                    QStringLiteral("TEXT")},
                   {}};
const TOption Backups{{QStringLiteral("backups"),
                       QStringLiteral("library: tell each slot against the newest backup here"),
                       QStringLiteral("DIR")},
                      {}};
const TOption Base{{QStringLiteral("base"),
                    QStringLiteral("setlist table: the programs after the songs as in this\n"
                                   "table (default: program n calls up preset n)"),
                    QStringLiteral("TABLE.mpt")},
                   {}};
const TOption Table{{QStringLiteral("table"),
                     QStringLiteral("names: the program table to name (default: program n calls\n"
                                    "up preset n); mark, changes: the unit's table now"),
                     QStringLiteral("FILE.mpt")},
                    {}};
const TOption SetList{{QStringLiteral("setlist"),
                       QStringLiteral("names: the set list whose table to name, its songs'\n"
                                      "programs by the songs' titles"),
                       QStringLiteral("FILE")},
                      {}};
const TOption Csv{
    {QStringLiteral("csv"), QStringLiteral("names: write CSV (program, preset, name)")}, {}};
const TOption Midnam{
    {QStringLiteral("midnam"), QStringLiteral("names: write a MIDNAM document for DAWs")}, {}};
const TOption From{{QStringLiteral("from"),
                    QStringLiteral("setlist place: the first song's slot, as in D181; the\n"
                                   "others follow it, on into the next bank"),
                    QStringLiteral("SLOT")},
                   {}};
const TOption Slots{{QStringLiteral("slots"),
                     QStringLiteral("set: the slots to change, as in A001-A050 or A001-A010,C005"),
                     QStringLiteral("SLOTS")},
                    {}};
const TOption Since{{QStringLiteral("since"),
                     QStringLiteral("changes: the snapshot told against (see marks)"),
                     QStringLiteral("NAME")},
                    {}};
const TOption Version{{QStringLiteral("version"), QStringLiteral("print the version or this text")},
                      {}};
const TOption Help{
    {QStringList{QStringLiteral("help"), QStringLiteral("h")}, Version.Option.description()}, {}};
} // namespace ToolOptions

QString TOption::Word() const {
    const QString& name = Option.names().constFirst();
    return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
}

bool TOption::Is(const QString& word) const {
    for (const QString& name : Option.names())
        if (word == (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name)
            return true;
    return false;
}

QString TOption::Shown() const {
    return TakesValue() ? Word() + QLatin1Char(' ') + Option.valueName() : Word();
}

TCommand::TCommand(const TCommandInfo& info, std::vector<const TOption*> options)
    : Name(info.Name), Synopsis(info.Synopsis), Description(info.Description),
      options(std::move(options)) {}

TCommand::~TCommand() = default;

const TOption* TCommand::Find(const QString& word) const {
    for (const TOption* option : options)
        if (option->Is(word))
            return option;
    return nullptr;
}

void TCommand::Parse(QCommandLineParser& parser, const QStringList& arguments) const {
    // QCommandLineParser would take "-first" and "--first=5" and an end of options "--", name
    // unknown options before a bad value wherever they stand, and say it all in its own words.
    // The words are walked first against the same options, so the line's first mistake is the
    // one named, as users and their scripts know it; what passes parses the same either way.
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (word.size() < 2 || !word.startsWith(QLatin1Char('-')))
            continue; // a file, a folder, or "-"
        const TOption* option = Find(word);
        if (option == nullptr)
            throw UsageError{"unknown option " + Bytes(word)};
        if (!option->TakesValue())
            continue;
        if (++i == arguments.size())
            throw UsageError{Bytes(word) + " needs a value"};
        if (option->Mistake) {
            const std::string mistake = option->Mistake(arguments[i]);
            if (!mistake.empty())
                throw UsageError{mistake};
        }
    }
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const TOption* option : options)
        parser.addOption(option->Option);
    if (!parser.parse(QStringList{QStringLiteral("quellfarn-tool")} + arguments))
        throw UsageError{Bytes(parser.errorText())};
}

int TCommand::Number(const QCommandLineParser& parser, const TOption& option, int fallback) {
    if (!parser.isSet(option.Option))
        return fallback;
    return parser.value(option.Option).toInt();
}

bool TCommand::Takes(const TOption& option) const {
    return std::find(options.begin(), options.end(), &option) != options.end();
}

QStringList ArgumentWords(int argc, char* argv[]) {
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLatin1(argv[i]);
    return words;
}

std::string Bytes(const QString& word) {
    return word.toLatin1().toStdString();
}

QString Text(const QString& word) {
    return QString::fromLocal8Bit(word.toLatin1());
}

// (min, max).
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
std::optional<int> WholeNumber(const QString& word, int min, int max) {
    const std::string text = Bytes(word);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text[0] == '-' || error != std::errc() ||
        end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<std::array<bool, 4>> BankChoice(const QString& word) {
    std::array<bool, 4> banks{};
    for (const QChar letter : word) {
        const QChar upper = letter.toUpper();
        if (upper < QLatin1Char('A') || upper > QLatin1Char('D'))
            return std::nullopt;
        banks[static_cast<std::size_t>(upper.unicode() - 'A')] = true;
    }
    if (word.isEmpty())
        return std::nullopt;
    return banks;
}
