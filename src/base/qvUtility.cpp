// Settings store on QSettings and the shared utilities.

#include "base/qvUtility.h"

#include "base/Dialogs.h"
#include "base/folderBrowse.h"
#include "model/FileNames.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QOperatingSystemVersion>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

QString AppDescription;
QString AppVersion;
QString AppNotice;
QString AppCompanyName;
TqvRegUtil* AppSettings = nullptr;

namespace {
QString& AppTitle() {
    static QString title;
    return title;
}
} // namespace

void SetAppTitle(const QString& title) {
    AppTitle() = title;
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::setApplicationName(title);
}

QString GetAppTitle() {
    return AppTitle();
}

TSettingsLocation SettingsLocationOf(TRootKey root, const QString& keyPath) {
    QStringList parts = keyPath.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() &&
        parts.first().compare(QLatin1String("SOFTWARE"), Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.isEmpty())
        return {};
    QString base;
    if (root == TRootKey::CurrentUser) {
        base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    } else {
        const QStringList all =
            QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
        base = all.isEmpty() ? QString() : all.last();
    }
    if (base.isEmpty())
        return {};
    // "Maker/Title" becomes the folder of the maker and the title's INI file.
    TSettingsLocation location;
    location.FileName = base + QLatin1Char('/') + parts.takeFirst() + QLatin1String(".ini");
    location.Group = parts.join(QLatin1Char('/'));
    return location;
}

// The platform's registry object: one key open at a time, as the store uses it.
class TRegistryAccessor {
public:
    TRootKey RootKey = TRootKey::CurrentUser;

    // False when the key does not exist and may not be created, or cannot be.
    bool OpenKey(const QString& keyPath, bool canCreate) {
        settings.reset();
        const TSettingsLocation location = SettingsLocationOf(RootKey, keyPath);
        if (!location.IsValid())
            return false;
        const QFileInfo file(location.FileName);
        if (file.exists() && !file.isFile())
            return false;
        if (!file.exists()) {
            if (!canCreate)
                return false;
            // An INI file can hold an empty group only by existing itself.
            if (!QDir().mkpath(file.absolutePath()))
                return false;
            QFile create(location.FileName);
            if (!create.open(QIODevice::WriteOnly | QIODevice::Append))
                return false;
        }
        settings = std::make_unique<QSettings>(location.FileName, QSettings::IniFormat);
        if (!location.Group.isEmpty()) {
            if (!canCreate && !GroupExists(location.Group)) {
                settings.reset();
                return false;
            }
            settings->beginGroup(location.Group);
        }
        if (settings->status() == QSettings::FormatError)
            throw ERegistryError("The settings file is damaged");
        return true;
    }

    void CloseKey() { settings.reset(); }

    bool ValueExists(const QString& name) const { return settings->contains(name); }

    QString ReadString(const QString& name) const { return settings->value(name).toString(); }

    int ReadInteger(const QString& name) const {
        bool ok = false;
        const int value = settings->value(name).toInt(&ok);
        if (!ok)
            throw ERegistryError("Invalid data type for '" + name.toStdString() + "'");
        return value;
    }

    bool ReadBool(const QString& name) const {
        const QVariant stored = settings->value(name);
        bool ok = false;
        const int value = stored.toInt(&ok);
        if (ok)
            return value != 0;
        const QString text = stored.toString().trimmed().toLower();
        if (text == QLatin1String("true"))
            return true;
        if (text == QLatin1String("false"))
            return false;
        throw ERegistryError("Invalid data type for '" + name.toStdString() + "'");
    }

    void Write(const QString& name, const QVariant& value) {
        settings->setValue(name, value);
        Flush();
    }

    void Delete(const QString& name) {
        settings->remove(name);
        Flush();
    }

private:
    bool GroupExists(const QString& group) const {
        const QStringList path = group.split(QLatin1Char('/'));
        QStringList prefix;
        for (const QString& part : path) {
            settings->beginGroup(prefix.join(QLatin1Char('/')));
            const bool found = settings->childGroups().contains(part);
            settings->endGroup();
            if (!found)
                return false;
            prefix << part;
        }
        return true;
    }

    void Flush() {
        settings->sync();
        if (settings->status() == QSettings::AccessError)
            throw ERegistryError("Failed to write to the settings file");
        if (settings->status() == QSettings::FormatError)
            throw ERegistryError("The settings file is damaged");
    }

    std::unique_ptr<QSettings> settings;
};

namespace {
std::string Quoted(const QString& text) {
    return "\"" + text.toStdString() + "\"";
}

std::string ReadFailure(const std::exception& error, const QString& what) {
    return std::string(error.what()) + " Registry parameter " + Quoted(what) + " read failed!";
}

std::string WriteFailure(const std::exception& error, const QString& name) {
    return std::string(error.what()) + " Registry parameter " + Quoted(name) + " write failed!";
}
} // namespace

void TqvRegUtil::Fail(const std::string& text, bool writing) {
    if (!OnError)
        throw ERegistryError(text);
    if (writing) {
        if (writeFailureTold)
            return;
        writeFailureTold = true;
    }
    OnError(QString::fromStdString(text));
}

TqvRegUtil::TqvRegUtil(QObject* owner) : QObject(owner) {}

TqvRegUtil::~TqvRegUtil() = default;

TRegistryAccessor& TqvRegUtil::Registry() {
    if (!registry)
        registry = std::make_unique<TRegistryAccessor>();
    return *registry;
}

void TqvRegUtil::CheckPath() const {
    if (Path.isEmpty())
        throw ERegistryError("Registry path not set");
}

void TqvRegUtil::SetRootKey(TRootKey root) {
    Registry().RootKey = root;
}

QString TqvRegUtil::GetString(const QString& name, bool canCreate) {
    CheckPath();
    return ReadString(Path, name, canCreate, name);
}

// Key path, then value name: the registry's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TqvRegUtil::GetStringAt(const QString& keyPath, const QString& name, bool canCreate) {
    return ReadString(keyPath, name, canCreate, keyPath + QLatin1Char(',') + name);
}

// Key path, then value name: the registry's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TqvRegUtil::ReadString(const QString& keyPath, const QString& name, bool canCreate,
                               const QString& label) {
    TRegistryAccessor& reg = Registry();
    try {
        QString result;
        if (reg.OpenKey(keyPath, canCreate) && reg.ValueExists(name))
            result = reg.ReadString(name);
        reg.CloseKey();
        return result;
    } catch (const std::exception& error) {
        reg.CloseKey();
        Fail(ReadFailure(error, label), false);
        return {};
    }
}

// Value name, then value: the registry's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TqvRegUtil::PutString(const QString& name, const QString& text) {
    CheckPath();
    PutStringAt(Path, name, text);
}

// Key path, value name, value: the registry's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TqvRegUtil::PutStringAt(const QString& keyPath, const QString& name, const QString& text) {
    TRegistryAccessor& reg = Registry();
    try {
        if (reg.OpenKey(keyPath, true)) {
            reg.Write(name, text);
            Written();
        }
        reg.CloseKey();
    } catch (const std::exception& error) {
        reg.CloseKey();
        Fail(WriteFailure(error, name), true);
    }
}

int TqvRegUtil::GetInteger(const QString& name, bool canCreate, int defaultValue) {
    CheckPath();
    TRegistryAccessor& reg = Registry();
    try {
        int result = defaultValue;
        if (reg.OpenKey(Path, canCreate) && reg.ValueExists(name))
            result = reg.ReadInteger(name);
        reg.CloseKey();
        return result;
    } catch (const std::exception& error) {
        reg.CloseKey();
        Fail(ReadFailure(error, name), false);
        return defaultValue;
    }
}

void TqvRegUtil::PutInteger(const QString& name, int value) {
    CheckPath();
    TRegistryAccessor& reg = Registry();
    try {
        if (reg.OpenKey(Path, true)) {
            reg.Write(name, value);
            Written();
        }
        reg.CloseKey();
    } catch (const std::exception& error) {
        reg.CloseKey();
        Fail(WriteFailure(error, name), true);
    }
}

bool TqvRegUtil::GetBool(const QString& name, const TBoolRead& read) {
    CheckPath();
    TRegistryAccessor& reg = Registry();
    try {
        bool result = read.Default;
        if (reg.OpenKey(Path, read.CanCreate) && reg.ValueExists(name))
            result = reg.ReadBool(name);
        reg.CloseKey();
        return result;
    } catch (const std::exception& error) {
        reg.CloseKey();
        Fail(ReadFailure(error, name), false);
        return read.Default;
    }
}

void TqvRegUtil::PutBool(const QString& name, bool value) {
    PutInteger(name, value ? 1 : 0);
}

void TqvRegUtil::DeleteValue(const QString& name) {
    CheckPath();
    TRegistryAccessor& reg = Registry();
    try {
        if (reg.OpenKey(Path, false) && reg.ValueExists(name))
            reg.Delete(name);
        reg.CloseKey();
    } catch (const std::exception& error) {
        reg.CloseKey();
        Fail(std::string(error.what()) + " Registry value " + Quoted(name) + " deletion failed!",
             true);
    }
}

namespace {
// The least size a restored window gets, and how much of it must show on a screen for it to stay
// where it was put.
constexpr QSize kSmallestWindow(160, 120);
constexpr int kSmallestShown = 32;

// Sizes and places are stored as they were and may come from other screens or a damaged file: a
// window larger than its screen keeps a backing store as large for the whole run, and one
// placed beyond every screen cannot be seen or reached. Such a window is made to fit the screen
// it is mostly on, and one hardly or not at all on any screen is put in the middle of the primary.
void KeepOnScreen(QWidget* window) {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr)
        return;
    const auto shown = [&](const QRect& frame, const QScreen* screen) {
        const QRect part = frame.intersected(screen->availableGeometry());
        return part.isEmpty() ? 0 : static_cast<qint64>(part.width()) * part.height();
    };
    const QRect saved(window->pos(), window->size());
    const QScreen* on = primary;
    for (const QScreen* screen : QGuiApplication::screens())
        if (shown(saved, screen) > shown(saved, on))
            on = screen;
    const QRect area = on->availableGeometry();
    window->resize(window->size().expandedTo(kSmallestWindow).boundedTo(area.size()));
    const QSize size = window->size(); // the window's own least size still holds
    const QRect part = QRect(window->pos(), size).intersected(area);
    if (part.width() < std::min(kSmallestShown, size.width()) ||
        part.height() < std::min(kSmallestShown, size.height()))
        window->move(area.x() + (area.width() - size.width()) / 2,
                     area.y() + (area.height() - size.height()) / 2);
}
} // namespace

void TqvRegUtil::RestoreFormPosition(QWidget* window) {
    const QString name = window->objectName();
    window->move(window->x(), GetInteger(name + QLatin1String(".Top"), true, window->y()));
    window->move(GetInteger(name + QLatin1String(".Left"), true, window->x()), window->y());
    window->resize(window->width(),
                   GetInteger(name + QLatin1String(".Height"), true, window->height()));
    window->resize(GetInteger(name + QLatin1String(".Width"), true, window->width()),
                   window->height());
    if (!window->isWindow())
        return;
    const QScreen* screen =
        window->screen() != nullptr ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect area = screen->geometry();
    const int maxLeft = static_cast<int>(0.9 * area.width());
    const int maxTop = static_cast<int>(0.9 * area.height());
    if (window->x() > maxLeft)
        window->move(maxLeft, window->y());
    if (window->y() > maxTop)
        window->move(window->x(), maxTop);
    KeepOnScreen(window);
}

void TqvRegUtil::SaveFormPosition(QWidget* window) {
    const QString name = window->objectName();
    PutInteger(name + QLatin1String(".Top"), window->y());
    PutInteger(name + QLatin1String(".Left"), window->x());
    PutInteger(name + QLatin1String(".Height"), window->height());
    PutInteger(name + QLatin1String(".Width"), window->width());
}

// Text, what to find, what to put: every replace's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString ReplaceAll(const QString& text, const QString& search, const QString& replacement) {
    return QString::fromStdString(
        ::ReplaceAll(text.toStdString(), search.toStdString(), replacement.toStdString()));
}

QString SanitizeFileName(const QString& text) {
    return QString::fromStdString(::SanitizeFileName(text.toStdString()));
}

void WaitMilliseconds(int count) {
    const auto start = std::chrono::steady_clock::now();
    if (QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(count));
        return;
    }
    // One pass always runs, so even a wait of 0 lets pending work through.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    const auto remaining = std::chrono::milliseconds(count) - elapsed;
    if (remaining.count() <= 0)
        return;
    // A nested loop sleeps until an event or the timer arrives instead of spinning.
    QEventLoop loop;
    QTimer::singleShot(remaining, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::AllEvents);
}

bool SelectFolder(const QString& caption, QString& folder) {
    TBrowseForFolder browser;
    browser.Caption = caption;
    browser.SetFolderName(folder); // a root keeps its separator, other folders lose it
    if (!browser.Execute())
        return false;
    folder = browser.FolderName();
    return true;
}

QString OsDescription() {
#ifdef Q_OS_WIN
    const QOperatingSystemVersion version = QOperatingSystemVersion::current();
    const QString name = QStringLiteral("Windows NT");
    const int build = version.microVersion();
    return QStringLiteral("%1 %2.%3 (Build %4)")
        .arg(name)
        .arg(version.majorVersion())
        .arg(version.minorVersion())
        .arg(build);
#else
    QString name = QSysInfo::kernelType();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    const QStringList numbers = QSysInfo::kernelVersion().split(QLatin1Char('.'));
    const int major = numbers.value(0).toInt();
    const int minor = numbers.value(1).toInt();
    return QStringLiteral("%1 %2.%3").arg(name).arg(major).arg(minor);
#endif
}

std::unique_ptr<TqvRegUtil> CreateAppSettings(QObject* owner) {
    auto store = std::make_unique<TqvRegUtil>(owner);
    store->SetRootKey(TRootKey::CurrentUser);
    store->Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/") + GetAppTitle();
    store->OnError = [](const QString& text) {
        ShowMessage(QApplication::activeWindow(), text, GetAppTitle());
    };
    return store;
}

QChar TypedCharacter(const QKeyEvent& key) {
    const QString text = key.text();
    if (text.isEmpty() || key.key() == Qt::Key_Delete || text.at(0) == QChar(0x7F))
        return {};
    return text.at(0);
}

bool DirectoryExists(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

QString DefaultUserFolder() {
    return QDir::cleanPath(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                           QStringLiteral("/Quellfarn")) +
           QLatin1Char('/');
}

QString FolderForWriting(const QString& folder) {
    const QString wanted = QDir::cleanPath(folder);
    if (!folder.isEmpty() && wanted == QDir::cleanPath(DefaultUserFolder()) &&
        !DirectoryExists(wanted))
        QDir().mkpath(wanted);
    return folder;
}

bool DropsNonDigit(const QKeyEvent& key) {
    const QChar typed = TypedCharacter(key);
    if (typed.isNull() || (typed.unicode() < 0x20 && typed != QLatin1Char('\b')))
        return false;
    return !(key.text().size() == 1 && typed.isDigit() && typed.unicode() < 128);
}
