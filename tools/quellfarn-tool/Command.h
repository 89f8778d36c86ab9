#pragma once
// The base of quellfarn-tool's commands: a name, what the command does, the options it takes on a
// QCommandLineParser and Execute; the options several commands take, declared once; and the
// conversions between the words of the command line and the texts and paths made of them.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One option and what its value may be.
struct TOption {
    QCommandLineOption Option;
    // The usage error a value gives, empty when the value will do; flags and options that take
    // any text have no check.
    std::function<std::string(const QString& value)> Mistake;

    // As the user types it: "--first", "-o".
    QString Word() const;
    // Whether the word is this option as typed: "--help" or "-h", never "-help" or "--h".
    bool Is(const QString& word) const;
    // As --help shows it: "--first N", "-o FILE".
    QString Shown() const;
    bool TakesValue() const { return !Option.valueName().isEmpty(); }
};

// Every option of quellfarn-tool, each declared once; a command lists those it takes.
namespace ToolOptions {
extern const TOption In, Out, Banks, First, Last, Untitled, Delay, Retries, Timeout, PrintList,
    PrePlenova, DryRun, Yes, EvenIfChanged, Json, DeviceId, Output, Bank, Slot, Search, Rating,
    Note, Backups, Base, Table, SetList, Csv, Midnam, From, Slots, Since, Version, Help;
}

// What a command is called and what --help says of it.
struct TCommandInfo {
    QString Name;        // the words that choose it: "preset show"
    QString Synopsis;    // the command as --help lists it: "preset show FILE"
    QString Description; // what it does, lines apart by '\n'
};

class TCommand {
public:
    TCommand(const TCommandInfo& info, std::vector<const TOption*> options);
    virtual ~TCommand();
    TCommand(const TCommand&) = delete;
    TCommand& operator=(const TCommand&) = delete;

    // Runs the command on the words after its name and returns the exit status. A usage error
    // is thrown as a UsageError, a file that cannot be read or written as a FileError.
    virtual int Execute(const QStringList& arguments) = 0;

    const QString Name;
    const QString Synopsis;
    const QString Description;

protected:
    // The words parsed into parser with the command's options. The first mistake in the order
    // the words were typed is thrown as a UsageError, in the tool's own words.
    void Parse(QCommandLineParser& parser, const QStringList& arguments) const;
    // Every value the option was given on the line, as a number; the last one counts.
    static int Number(const QCommandLineParser& parser, const TOption& option, int fallback);
    // Whether the command takes the option (a parser warns of one it was not given).
    bool Takes(const TOption& option) const;

private:
    const TOption* Find(const QString& word) const;

    std::vector<const TOption*> options;
};

// The command line is read byte for byte, one character a byte, so that a file name that is not
// valid in the locale's encoding still reaches the file it names.
QStringList ArgumentWords(int argc, char* argv[]);
// A word of the command line as the bytes it was typed as, for paths and messages.
std::string Bytes(const QString& word);
// A word of the command line as text in the locale's encoding, for names shown or compared.
QString Text(const QString& word);
// Digits only, min..max; anything else, however long, is nothing.
std::optional<int> WholeNumber(const QString& word, int min, int max);
// The banks named by letters A to D, either case ("ACD"); nothing for no letter or another one.
std::optional<std::array<bool, 4>> BankChoice(const QString& word);
