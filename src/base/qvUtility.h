#pragma once
// The per-user settings store and the small utilities every window shares:
// application texts, file-name sanitising, replace-all, a message-pumping
// wait, window position persistence and an operating-system description.

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string_view>

class QKeyEvent;
class QWidget;

// Process-wide texts, set once at start-up before any window exists.
extern QString AppDescription;
extern QString AppVersion;
extern QString AppNotice;
extern QString AppCompanyName;

// The model's texts (names, titles: Latin-1, as the unit keeps them) for a window.
inline QString Latin1Text(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void SetAppTitle(const QString& title);
QString GetAppTitle();

// Raised by the settings store; its text names the value that failed.
class ERegistryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class TRootKey { CurrentUser, LocalMachine };

// Where a settings key lives on this platform: a file and a group inside it.
// Keys are written registry-style ("\SOFTWARE\Maker/Title\Sub"); the first
// component after SOFTWARE names the file, the rest are groups in it.
struct TSettingsLocation {
    QString FileName;
    QString Group;
    bool IsValid() const { return !FileName.isEmpty(); }
};
TSettingsLocation SettingsLocationOf(TRootKey root, const QString& keyPath);

class TRegistryAccessor;

// Typed values with defaults under one key (Path), plus sub-keys.
class TqvRegUtil : public QObject {
    Q_OBJECT
public:
    explicit TqvRegUtil(QObject* owner = nullptr);
    ~TqvRegUtil() override;

    // Key path of the application's settings, relative to the root key.
    QString Path;

    void SetRootKey(TRootKey root);

    QString GetString(const QString& name, bool canCreate);
    QString GetStringAt(const QString& keyPath, const QString& name, bool canCreate);
    void PutString(const QString& name, const QString& text);
    void PutStringAt(const QString& keyPath, const QString& name, const QString& text);
    int GetInteger(const QString& name, bool canCreate, int defaultValue);
    void PutInteger(const QString& name, int value);
    // How a flag is read: whether its key may be made, and the value when it is not there.
    struct TBoolRead {
        bool CanCreate = true;
        bool Default = false;
    };
    bool GetBool(const QString& name, const TBoolRead& read);
    void PutBool(const QString& name, bool value);
    void DeleteValue(const QString& name);

    void RestoreFormPosition(QWidget* window);
    void SaveFormPosition(QWidget* window);

    // Where failures go when the program should carry on instead of stopping. Unset, they are
    // raised as ERegistryError. Set, it hears the error's text; a read then gives its default
    // and a write is skipped. Of a run of failed writes (a read-only file makes every one
    // fail) only the first is told, until a write succeeds again.
    std::function<void(const QString& text)> OnError;

private:
    TRegistryAccessor& Registry();
    void CheckPath() const;
    QString ReadString(const QString& keyPath, const QString& name, bool canCreate,
                       const QString& label);
    void Fail(const std::string& text, bool writing);
    void Written() { writeFailureTold = false; }

    std::unique_ptr<TRegistryAccessor> registry;
    bool writeFailureTold = false;
};

// The one settings store of the running program; null until start-up made it.
extern TqvRegUtil* AppSettings;

// The program's settings store: the current user's key named after the maker and the
// application title. Its failures are shown to the user in a message box and the program
// goes on: an unreadable value is taken as its default, a write that fails is skipped.
std::unique_ptr<TqvRegUtil> CreateAppSettings(QObject* owner);

// The character a key press types into a field, or a null character when it types none:
// no text, or an editing key. X11 and Wayland give Delete the text U+007F, yet Delete edits
// the text, it types nothing; Backspace is left to each field's own rule.
QChar TypedCharacter(const QKeyEvent& key);
// For boxes that take digits only: true when the key types something else (backspace included)
// and is to be dropped. Keys that type nothing (arrows, Delete) and control characters other than
// backspace (Enter, Escape, Tab, Ctrl+C) belong to the box or the dialog.
bool DropsNonDigit(const QKeyEvent& key);

QString ReplaceAll(const QString& text, const QString& search, const QString& replacement);
QString SanitizeFileName(const QString& text);
void WaitMilliseconds(int count);
// Lets the user choose a folder, starting at the given one; true when one was chosen, which
// is then in folder (without a trailing separator unless it is a root).
bool SelectFolder(const QString& caption, QString& folder);
QString OsDescription();
bool DirectoryExists(const QString& path);
// Where the folders the user works in start when nothing is stored: "Quellfarn" in the user's
// documents folder, with a trailing separator. It is made only when something is written there:
// FolderForWriting makes it (with its parents) when handed that folder, and returns the folder.
QString DefaultUserFolder();
QString FolderForWriting(const QString& folder);
