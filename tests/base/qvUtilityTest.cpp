// The settings store and the shared utilities, as the windows use them.

#include "base/qvUtility.h"

#include "support/ReadOnlyFile.h"
#include "support/ScriptedDialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using testing::HasSubstr;

namespace {
const QString kPath = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");

QString ConfigFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString SettingsFile() {
    return ConfigFolder() + QStringLiteral("/Tamrix Vonel/Quellfarn.ini");
}

QByteArray SettingsText() {
    QFile file(SettingsFile());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteSettingsText(const QByteArray& text) {
    QDir().mkpath(ConfigFolder() + QStringLiteral("/Tamrix Vonel"));
    QFile file(SettingsFile());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ERegistryError& error) {
        return error.what();
    }
    return "(no error)";
}

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        QDir(ConfigFolder()).removeRecursively();
        store.SetRootKey(TRootKey::CurrentUser);
        store.Path = kPath;
    }
    TqvRegUtil store;
};
} // namespace

TEST_F(SettingsTest, EveryReadGivesItsDefaultWhenNothingIsStored) {
    EXPECT_EQ(store.GetString("MIDI_IN", false), QString());
    EXPECT_EQ(store.GetInteger("TMQReqDelay", false, 1000), 1000);
    EXPECT_FALSE(store.GetBool("PRE_PLENOVA", {.CanCreate = false, .Default = false}));
    EXPECT_TRUE(store.GetBool("PRE_PLENOVA", {.CanCreate = false, .Default = true}));
    EXPECT_EQ(store.GetStringAt(kPath + "\\Folders", "1", false), QString());
    EXPECT_FALSE(QFile::exists(SettingsFile()))
        << "reads without can-create must not create the key";

    EXPECT_EQ(store.GetInteger("LPW", true, 460), 460);
    EXPECT_TRUE(QFile::exists(SettingsFile())) << "a read with can-create creates the key";
}

TEST_F(SettingsTest, ValuesRoundTripUnderTheirNamesAndSubKeys) {
    store.PutString("MIDI_OUT", "Quellfarn Plenova (simulated)");
    store.PutInteger("MIDI_OUT_CH", 9);
    store.PutBool("PRE_PLENOVA", true);
    store.PutStringAt(kPath + "\\Folders", "1", "/home/bass/presets");
    store.PutStringAt(kPath + "\\Controllers", "4", "Left pedal");

    TqvRegUtil other; // a second store sees what the first wrote
    other.Path = kPath;
    EXPECT_EQ(other.GetString("MIDI_OUT", false), "Quellfarn Plenova (simulated)");
    EXPECT_EQ(other.GetInteger("MIDI_OUT_CH", false, 0), 9);
    EXPECT_TRUE(other.GetBool("PRE_PLENOVA", {.CanCreate = false, .Default = false}));
    EXPECT_EQ(other.GetStringAt(kPath + "\\Folders", "1", false), "/home/bass/presets");
    EXPECT_EQ(other.GetStringAt(kPath + "\\Controllers", "4", false), "Left pedal");

    const QByteArray text = SettingsText();
    EXPECT_THAT(text.toStdString(), HasSubstr("PRE_PLENOVA=1")) << "booleans are stored as 0 or 1";
    EXPECT_THAT(text.toStdString(), HasSubstr("[Folders]"));
    EXPECT_THAT(text.toStdString(), HasSubstr("[Controllers]"));
}

TEST_F(SettingsTest, DeletingAMissingValueCreatesNoKey) {
    store.DeleteValue("TMQ_REQ_DELAY");
    EXPECT_FALSE(QFile::exists(SettingsFile()));

    store.PutInteger("RECT_MAIN", 5);
    store.PutInteger("LPW", 300);
    store.DeleteValue("RECT_MAIN");
    store.DeleteValue("RECT_MPT");
    EXPECT_EQ(store.GetInteger("RECT_MAIN", false, -1), -1);
    EXPECT_EQ(store.GetInteger("LPW", false, -1), 300);
}

TEST_F(SettingsTest, OperationsOnAnEmptyPathAreRefused) {
    TqvRegUtil unset;
    const std::string expected = "Registry path not set";
    EXPECT_EQ(ErrorOf([&] { unset.GetString("MIDI_IN", true); }), expected);
    EXPECT_EQ(ErrorOf([&] { unset.PutString("MIDI_IN", "x"); }), expected);
    EXPECT_EQ(ErrorOf([&] { unset.GetInteger("LPW", true, 1); }), expected);
    EXPECT_EQ(ErrorOf([&] { unset.PutInteger("LPW", 1); }), expected);
    EXPECT_EQ(ErrorOf([&] { unset.GetBool("PRE_PLENOVA", {.CanCreate = true, .Default = false}); }),
              expected);
    EXPECT_EQ(ErrorOf([&] { unset.PutBool("PRE_PLENOVA", true); }), expected);
    EXPECT_EQ(ErrorOf([&] { unset.DeleteValue("LPW"); }), expected);
    QWidget window;
    window.setObjectName("frmMain");
    EXPECT_EQ(ErrorOf([&] { unset.SaveFormPosition(&window); }), expected);
    EXPECT_EQ(ErrorOf([&] { unset.RestoreFormPosition(&window); }), expected);
    EXPECT_FALSE(QFile::exists(SettingsFile()));

    // The "At" operations name their own key and need no path.
    unset.PutStringAt(kPath + "\\Folders", "1", "/tmp");
    EXPECT_EQ(unset.GetStringAt(kPath + "\\Folders", "1", false), "/tmp");
}

TEST_F(SettingsTest, AValueOfTheWrongTypeNamesTheValueThatFailed) {
    WriteSettingsText("[General]\nTMQReqDelay=soon\nPRE_PLENOVA=maybe\nLPW=460\n");
    EXPECT_EQ(
        ErrorOf([&] { store.GetInteger("TMQReqDelay", true, 1000); }),
        "Invalid data type for 'TMQReqDelay' Registry parameter \"TMQReqDelay\" read failed!");
    EXPECT_EQ(
        ErrorOf([&] { store.GetBool("PRE_PLENOVA", {.CanCreate = true, .Default = false}); }),
        "Invalid data type for 'PRE_PLENOVA' Registry parameter \"PRE_PLENOVA\" read failed!");
    EXPECT_EQ(store.GetInteger("LPW", true, 0), 460) << "the other values stay readable";
}

TEST_F(SettingsTest, AKeyThatCannotBeOpenedIsNoError) {
    // A folder where the settings file should be: nothing can be opened or written.
    QDir().mkpath(SettingsFile());
    EXPECT_EQ(store.GetInteger("LPW", true, 460), 460);
    EXPECT_EQ(store.GetString("MIDI_IN", true), QString());
    store.PutInteger("LPW", 300);
    store.DeleteValue("LPW");
    EXPECT_EQ(store.GetInteger("LPW", true, 460), 460);
}

TEST(SettingsLocation, KeyPathsMapToOneFileWithSubKeyGroups) {
    const QString base = ConfigFolder();
    const TSettingsLocation main = SettingsLocationOf(TRootKey::CurrentUser, kPath);
    EXPECT_EQ(main.FileName, base + "/Tamrix Vonel/Quellfarn.ini");
    EXPECT_EQ(main.Group, QString());
    const TSettingsLocation folders =
        SettingsLocationOf(TRootKey::CurrentUser, kPath + "\\Folders");
    EXPECT_EQ(folders.FileName, main.FileName);
    EXPECT_EQ(folders.Group, "Folders");
    EXPECT_FALSE(SettingsLocationOf(TRootKey::CurrentUser, "\\SOFTWARE\\").IsValid());
}

TEST(FormPosition, StoredPositionIsAppliedAndKeptOnScreen) {
    QDir(ConfigFolder()).removeRecursively();
    TqvRegUtil store;
    store.Path = kPath;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();

    QWidget window;
    window.setObjectName("frmMPTEdit");
    store.PutInteger("frmMPTEdit.Top", screen.height()); // beyond 90 %
    store.PutInteger("frmMPTEdit.Left", -40);            // negative stays
    store.PutInteger("frmMPTEdit.Height", 321);
    store.PutInteger("frmMPTEdit.Width", 456);
    store.RestoreFormPosition(&window);
    EXPECT_EQ(window.y(), static_cast<int>(0.9 * screen.height()));
    EXPECT_EQ(window.x(), -40);
    EXPECT_EQ(window.height(), 321);
    EXPECT_EQ(window.width(), 456);

    store.PutInteger("frmMPTEdit.Top", 10);
    store.PutInteger("frmMPTEdit.Left", screen.width() + 500);
    store.RestoreFormPosition(&window);
    EXPECT_EQ(window.x(), static_cast<int>(0.9 * screen.width()));
    EXPECT_EQ(window.y(), 10);

    window.move(33, 44);
    window.resize(500, 400);
    store.SaveFormPosition(&window);
    EXPECT_EQ(store.GetInteger("frmMPTEdit.Top", false, 0), 44);
    EXPECT_EQ(store.GetInteger("frmMPTEdit.Left", false, 0), 33);
    EXPECT_EQ(store.GetInteger("frmMPTEdit.Height", false, 0), 400);
    EXPECT_EQ(store.GetInteger("frmMPTEdit.Width", false, 0), 500);
}

// Saved sizes and places from other screens or a damaged file: a window is no larger than the
// screen and no smaller than 160 by 120, and one showing less than 32 pixels either way on any
// screen is put in the middle of the primary one.
TEST(FormPosition, SavedSizesAndPlacesAreKeptToTheScreen) {
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const auto middle = [&](int width, int height) {
        return QRect(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2,
                     width, height);
    };
    const struct {
        const char* Name;
        QRect Saved; // left, top, width, height
        QRect Expected;
    } cases[] = {
        {"as saved",
         {area.x() + 30, area.y() + 20, 400, 300},
         {area.x() + 30, area.y() + 20, 400, 300}},
        {"huge", {area.x(), area.y(), 30000, 30000}, area},
        {"far off", {-100000, -100000, 400, 300}, middle(400, 300)},
        {"far off and huge", {-100000, -100000, 30000, 30000}, area},
        // The 90 % rule brings it back.
        {"far below and right",
         {100000, 100000, 400, 300},
         {static_cast<int>(0.9 * screen.width()), static_cast<int>(0.9 * screen.height()), 400,
          300}},
        {"20 pixels showing", {area.x() - 380, area.y() + 20, 400, 300}, middle(400, 300)},
        {"32 pixels showing",
         {area.x() - 368, area.y() + 20, 400, 300},
         {area.x() - 368, area.y() + 20, 400, 300}},
        {"no size",
         {area.x() + 30, area.y() + 20, -5, 0},
         {area.x() + 30, area.y() + 20, 160, 120}},
    };
    for (const auto& test : cases) {
        QDir(ConfigFolder()).removeRecursively();
        TqvRegUtil store;
        store.Path = kPath;
        store.PutInteger("frmMain.Top", test.Saved.y());
        store.PutInteger("frmMain.Left", test.Saved.x());
        store.PutInteger("frmMain.Height", test.Saved.height());
        store.PutInteger("frmMain.Width", test.Saved.width());
        QWidget window;
        window.setObjectName("frmMain");
        store.RestoreFormPosition(&window);
        const QRect placed(window.pos(), window.size());
        EXPECT_EQ(placed, test.Expected) << test.Name;
    }
}

TEST(FormPosition, MissingValuesKeepTheWindowWhereItIs) {
    QDir(ConfigFolder()).removeRecursively();
    TqvRegUtil store;
    store.Path = kPath;
    QWidget window;
    window.setObjectName("frmMain");
    window.move(70, 80);
    window.resize(640, 480);
    store.RestoreFormPosition(&window);
    EXPECT_EQ(window.pos(), QPoint(70, 80));
    EXPECT_EQ(window.size(), QSize(640, 480));
}

TEST(Text, SanitizeFileNameReplacesEveryForbiddenCharacter) {
    EXPECT_EQ(SanitizeFileName("A/B:C*D\"E<F>G|H?I\\J"), "A-B C D'E F G H I-J");
    EXPECT_EQ(SanitizeFileName(" Slap.Bass  "), " Slap.Bass  ") << "no trimming, dots stay";
    EXPECT_EQ(SanitizeFileName("Fat Fretless 1.tmq007"), "Fat Fretless 1.tmq007");
}

TEST(Text, ReplaceAllNeverRescansInsertedText) {
    EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(ReplaceAll("abcabc", "bc", ""), "aa");
    EXPECT_EQ(ReplaceAll("xAx", "a", "b"), "xAx") << "case-sensitive";
    EXPECT_EQ(ReplaceAll("unchanged", "", "zz"), "unchanged");
}

TEST(Wait, ZeroStillProcessesPendingEventsOnce) {
    int runs = 0;
    QMetaObject::invokeMethod(
        qApp, [&] { ++runs; }, Qt::QueuedConnection);
    WaitMilliseconds(0);
    EXPECT_EQ(runs, 1);
}

TEST(Wait, TimersFireDuringTheWaitAndTheWaitLastsItsTime) {
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(5);
    QElapsedTimer clock;
    clock.start();
    WaitMilliseconds(100);
    EXPECT_GE(clock.elapsed(), 100);
    EXPECT_GE(ticks, 2);
}

TEST(Wait, NestedWaitsReturnInnermostFirst) {
    std::vector<int> order;
    QTimer::singleShot(0, [&] {
        WaitMilliseconds(10);
        order.push_back(1);
    });
    WaitMilliseconds(40);
    order.push_back(2);
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(Platform, DirectoryExistsAndOsDescription) {
    EXPECT_TRUE(DirectoryExists(QDir::tempPath()));
    EXPECT_FALSE(DirectoryExists(QDir::tempPath() + "/no-such-folder-here"));
    EXPECT_FALSE(DirectoryExists(QString()));
    EXPECT_THAT(OsDescription().toStdString(), testing::MatchesRegex(".+ [0-9]+\\.[0-9]+.*"));
}

TEST(Platform, AppTitleIsKeptForSettingsAndWindows) {
    SetAppTitle("Quellfarn");
    EXPECT_EQ(GetAppTitle(), "Quellfarn");
    EXPECT_EQ(QCoreApplication::applicationName(), "Quellfarn");
}

TEST_F(SettingsTest, WithAnErrorHandlerReadsGiveDefaultsAndAFailingFileIsToldOnce) {
    WriteSettingsText("[General]\nLPW=wide\nMIDI_OUT_CH=3\n");
    QStringList told;
    store.OnError = [&](const QString& text) { told << text; };
    EXPECT_EQ(store.GetInteger("LPW", true, 460), 460);
    EXPECT_EQ(store.GetInteger("MIDI_OUT_CH", true, 0), 3);
    ASSERT_EQ(told.size(), 1);
    EXPECT_THAT(told[0].toStdString(), HasSubstr("Registry parameter \"LPW\" read failed!"));

    {
        ReadOnlyFile locked(SettingsFile());
        if (!locked.Holds())
            GTEST_SKIP() << "no way to make a file read-only here";
        store.PutInteger("MIDI_OUT_CH", 4);
        store.PutString("MIDI_IN", "Loop A");
        store.DeleteValue("LPW");
        ASSERT_EQ(told.size(), 2) << "one report for a run of failed writes";
        EXPECT_THAT(told[1].toStdString(),
                    HasSubstr("Registry parameter \"MIDI_OUT_CH\" write failed!"));
    }
    store.PutInteger("MIDI_OUT_CH", 5);
    EXPECT_EQ(store.GetInteger("MIDI_OUT_CH", false, 0), 5);
    ReadOnlyFile lockedAgain(SettingsFile());
    store.PutInteger("MIDI_OUT_CH", 6);
    EXPECT_EQ(told.size(), 3) << "after a write that worked, the next failure is told again";
}

TEST(Application, AnErrorNoHandlerCaughtIsShownAndTheProgramGoesOn) {
    ScriptedDialogs dialogs;
    bool later = false;
    QTimer::singleShot(0, [] { throw ERegistryError("Invalid data type for 'LPW'"); });
    QTimer::singleShot(5, [&] { later = true; });
    QElapsedTimer clock;
    clock.start();
    while (!later && clock.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, "Invalid data type for 'LPW'");
    EXPECT_TRUE(later) << "events after it are still handled";
}
