// The MIDI explorer window driven as a user drives it: typing, menus, keys, clicks, files,
// and MIDI in and out through virtual devices.

#include "app/Main.h"
#include "base/qvSplashAbout.h"
#include "base/qvUtility.h"
#include "midi/FakeMidiService.h"
#include "midi/MidiDeviceService.h"
#include "midi/RtMidiService.h"
#include "midi/VirtualMidiService.h"
#include "model/Preset.h"
#include "model/Protocol.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/QtPrinters.h"
#include "support/ReadOnlyFile.h"
#include "support/RecordingDevice.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPresets.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QSignalSpy>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolTip>
#include <QTreeWidget>
#include <chrono>
#include <fcntl.h>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <unistd.h>

using testing::HasSubstr;

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

const QString kPath = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");

QString SettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tamrix Vonel/Quellfarn.ini");
}

void WriteSettings(const QByteArray& text) {
    QDir().mkpath(QFileInfo(SettingsFile()).absolutePath());
    QFile file(SettingsFile());
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
}

void WriteFile(const QString& path, qint64 size, char fill = 0x11) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(QByteArray(static_cast<int>(size), fill));
}

// The main window on virtual devices "Loop A" and "Loop B" (loopbacks) and "Sink".
struct Explorer {
    explicit Explorer(std::vector<std::string> loops = {"Loop A", "Loop B"}, bool withSink = true)
        : devices(service.AddBackend(std::make_unique<VirtualMidiService>())) {
        for (const std::string& name : loops)
            devices.AddLoopback(name);
        if (withSink)
            devices.AttachDevice("Sink", sink);
        settings->Path = kPath;
    }
    TfrmMain& Start() {
        window = std::make_unique<TfrmMain>(service);
        window->InitializeExplorer(settings.get(), QStringLiteral("Quellfarn"));
        return *window;
    }
    // Started and shown at the monitor; the ping on showing goes to the sink.
    TfrmMain& StartAtTheMonitor() {
        Start();
        ChooseOutput("Sink");
        window->Link->SetRequestDelay(30);
        window->show();
        window->pgcTab->setCurrentWidget(window->tsMonitor);
        QApplication::processEvents();
        return *window;
    }
    // Near the line's start: a SysEx line runs far past the right edge.
    QPoint LineAt(int row) const { return {20, window->lbxLog->LineRect(row).center().y()}; }
    QString Status() const { return window->statusPanel0->text(); }
    void Type(const QString& text) {
        window->memMsgBuf->setFocus();
        QTest::keyClicks(window->memMsgBuf, text);
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(window->memMsgBuf, static_cast<Qt::Key>(key), modifiers);
    }
    QString Text() const { return window->memMsgBuf->toPlainText(); }
    void ChooseOutput(const QString& name) {
        for (QAction* item : window->miMIDIOut->actions())
            if (item->text() == name)
                item->trigger();
    }
    void ChooseInput(const QString& name) {
        for (QAction* item : window->miMIDIIn->actions())
            if (item->text() == name)
                item->trigger();
    }
    QStringList LogLines() const {
        QStringList lines;
        for (int i = 0; i < window->lbxLog->LineCount(); ++i)
            lines << window->lbxLog->LineText(i);
        return lines;
    }
    void Inject(const Bytes& bytes, const std::string& device = "Loop A") {
        devices.Inject(device, bytes.data(), bytes.size());
    }

    ScriptedDialogs dialogs;
    std::shared_ptr<RecordingDevice> sink = std::make_shared<RecordingDevice>();
    MidiDeviceService service;
    VirtualMidiService& devices;
    // Made as the program makes its store: failures are told in a message box.
    std::unique_ptr<TqvRegUtil> settings = CreateAppSettings(nullptr);
    std::unique_ptr<TfrmMain> window;
};

class ExplorerTest : public testing::Test {
protected:
    void SetUp() override {
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
            .removeRecursively();
    }
};
} // namespace

TEST_F(ExplorerTest, TypingKeepsTheHexColumns) {
    Explorer explorer;
    explorer.Start();
    explorer.Type("f0 f7");
    EXPECT_EQ(explorer.Text(), "F0 F7");
    explorer.Type("x7 1g2");
    EXPECT_EQ(explorer.Text(), "F0 F7 12") << "x and 7 fall in the separator column, g is no digit";
    explorer.Key(Qt::Key_Return);
    EXPECT_EQ(explorer.Text(), "F0 F7 12") << "no line breaks";
    explorer.Key(Qt::Key_Backspace);
    EXPECT_EQ(explorer.Text(), "F0 F7 1");

    explorer.window->SetMessageText("F0 7E F7");
    explorer.Key(Qt::Key_Insert);
    EXPECT_FALSE(explorer.window->InsertMode);
    EXPECT_EQ(explorer.window->statusPanel1->text(), "Overwrite");
    explorer.Type("12");
    EXPECT_EQ(explorer.Text(), "12 7E F7") << "overwrite replaces";
    explorer.window->SetMessageText("F07E");
    explorer.Key(Qt::Key_Right);
    explorer.Type("a");
    EXPECT_EQ(explorer.Text(), "FA07E")
        << "in the second digit column before a non-blank, it inserts";
    explorer.Key(Qt::Key_Insert);
    EXPECT_EQ(explorer.window->statusPanel1->text(), "Insert");
}

TEST_F(ExplorerTest, F9SendsTheBufferAsItStandsUpTo10000Bytes) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    explorer.ChooseOutput("Sink");
    explorer.window->SetMessageText("F0 7E 7F 06 01 F7");
    explorer.Key(Qt::Key_F9);
    EXPECT_EQ(explorer.Status(), "Message buffer sent to MIDI Out");
    ASSERT_TRUE(PumpUntil([&] { return explorer.sink->Received().size() == 6; }));
    EXPECT_EQ(explorer.sink->Received(), (Bytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}));

    window.SetMessageText("90 3C 64 80 3C 00");
    window.miSend->trigger();
    ASSERT_TRUE(PumpUntil([&] { return explorer.sink->Received().size() >= 12; }));
    PumpFor(50);
    ASSERT_EQ(explorer.sink->Received().size(), 12u) << explorer.sink->Chunks().size() << " chunks";
    const Bytes received = explorer.sink->Received();
    EXPECT_EQ(Bytes(received.begin() + 6, received.end()),
              (Bytes{0x90, 0x3C, 0x64, 0x80, 0x3C, 0x00}))
        << "no channel applied, nothing changed";

    window.SetMessageText(QString("7F ").repeated(10000));
    window.miSend->trigger();
    EXPECT_EQ(window.MessageByteCount, 10000);
    ASSERT_TRUE(PumpUntil([&] { return explorer.sink->Received().size() == 10012; }));

    // What cannot be sent is said, and the buffer keeps what it had.
    const std::tuple<QString, QString, bool> refused[] = {
        {"F0 7", "Invalid hex message data (2 chars required to represent each byte)", true},
        {"F0 +1 F7", "'+1' is not a valid integer value", false},
        {"F0 -1 F7", "'-1' is not a valid integer value", false},
        {QString("00 ").repeated(10001),
         "The message data holds 10001 bytes; the message buffer takes at most 10000 bytes", true}};
    for (const auto& [text, message, sorry] : refused) {
        window.SetMessageText(text);
        window.miSend->trigger();
        EXPECT_EQ(explorer.dialogs.Messages.back().Text, message);
        EXPECT_EQ(explorer.dialogs.Messages.back().Caption == "Sorry...", sorry)
            << message.toStdString();
        EXPECT_EQ(window.MessageByteCount, 10000);
    }
    PumpFor(50);
    EXPECT_EQ(explorer.sink->Received().size(), 10012u) << "nothing more was sent";
}

TEST_F(ExplorerTest, FilesLoadUpTo10000BytesAndSaveExactly) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    QTemporaryDir folder;
    const QString exact = folder.filePath("exact.syx");
    const QString larger = folder.filePath("larger.syx");
    const QString small = folder.filePath("small.syx");
    WriteFile(exact, 10000);
    WriteFile(larger, 10001);
    WriteFile(small, 300, 0x22);

    window.LoadFileIntoBuffer(exact);
    EXPECT_TRUE(explorer.dialogs.Messages.empty());
    EXPECT_EQ(window.MessageByteCount, 10000);
    EXPECT_EQ(explorer.Status(), "Read 10000 bytes from " + exact);
    EXPECT_EQ(window.windowTitle(), exact + " - Quellfarn");
    EXPECT_EQ(window.LoadedFileName, exact);

    window.LoadFileIntoBuffer(larger);
    ASSERT_EQ(explorer.dialogs.Messages.size(), 1u);
    EXPECT_EQ(explorer.dialogs.Messages[0].Text,
              larger + " filesize (10001 bytes) is too big for buffer.\nDo not save this file or "
                       "data loss will occur!");
    EXPECT_EQ(window.MessageByteCount, 10000);
    EXPECT_EQ(explorer.Status(),
              "Read 10000 bytes from " + larger + " (filesize 10001 is too big for buffer)");

    window.LoadFileIntoBuffer(small);
    const QString saved = folder.filePath("saved.syx");
    explorer.dialogs.Names.push_back(saved);
    window.miSaveAs->trigger();
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray(300, 0x22));
    EXPECT_EQ(explorer.Status(), "Saved 300 bytes to " + saved);

    explorer.dialogs.Names.push_back(folder.filePath("no-such-folder/x.syx"));
    window.miSaveAs->trigger();
    EXPECT_THAT(explorer.dialogs.Messages.back().Text.toStdString(), HasSubstr("Cannot write"));

    window.LoadFileIntoBuffer(folder.filePath("missing.syx"));
    EXPECT_THAT(explorer.dialogs.Messages.back().Text.toStdString(), HasSubstr("Cannot open"));
    EXPECT_EQ(window.MessageByteCount, 0);
}

// A pipe or a device under a file's name is refused by name, unread: the buffer stays empty.
TEST_F(ExplorerTest, WhatIsNoPlainFileIsNotLoaded) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    QTemporaryDir folder;
    const QString zero = folder.filePath("zero.syx");
    const QString pipe = folder.filePath("pipe.syx");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const QString& file : {zero, pipe}) {
        window.LoadFileIntoBuffer(file);
        ASSERT_FALSE(explorer.dialogs.Messages.empty());
        EXPECT_EQ(explorer.dialogs.Messages.back().Text, file + " is not a plain file");
        EXPECT_EQ(window.MessageByteCount, 0) << file.toStdString();
        EXPECT_EQ(explorer.Text(), "") << file.toStdString();
    }
}

TEST_F(ExplorerTest, DroppedTextIsTypedAndAFileDroppedAnywhereLoadsTheFirstOne) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    window.show();
    QApplication::processEvents();
    QMimeData text;
    text.setText("f0 zz 7e\nq7");
    ASSERT_TRUE(DropOn(window, window.memMsgBuf->mapTo(&window, QPoint(30, 30)), text));
    EXPECT_EQ(explorer.Text(), "F0 7E") << "letters beyond F, line breaks and stray blanks go";
    EXPECT_TRUE(window.LoadedFileName.isEmpty());

    QTemporaryDir folder;
    WriteFile(folder.filePath("first.syx"), 3, 0x7F);
    WriteFile(folder.filePath("second.syx"), 5);
    WriteFile(folder.filePath("third.syx"), 2, 0x33);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(folder.filePath("first.syx")),
                  QUrl::fromLocalFile(folder.filePath("second.syx"))});

    // On the message buffer, whose text editor would take a drop of its own.
    const QPoint onBuffer = window.memMsgBuf->mapTo(&window, QPoint(30, 30));
    ASSERT_TRUE(DropOn(window, onBuffer, data));
    EXPECT_EQ(window.LoadedFileName, folder.filePath("first.syx"));
    EXPECT_EQ(explorer.Text(), "7F 7F 7F ") << "the file's bytes, not its address";

    // On the monitor log.
    window.pgcTab->setCurrentWidget(window.tsMonitor);
    QApplication::processEvents();
    QMimeData third;
    third.setUrls({QUrl::fromLocalFile(folder.filePath("third.syx"))});
    ASSERT_TRUE(DropOn(window, window.lbxLog->mapTo(&window, QPoint(20, 20)), third));
    EXPECT_EQ(explorer.Text(), "33 33 ");
}

TEST_F(ExplorerTest,
       PastingTakesOnlyHexTextAndEditingKeysEditAndInsertWithAModifierPastesOrCopies) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    for (const char* hex : {"f0 f7", "F0F7"}) {
        window.memMsgBuf->clear();
        QApplication::clipboard()->setText(hex);
        explorer.Key(Qt::Key_V, Qt::ControlModifier);
        ASSERT_TRUE(window.ParseMessageBuffer()) << hex;
        EXPECT_EQ(window.MessageByteCount, 2) << hex;
        EXPECT_EQ(window.MessageBytes[0], 0xF0) << hex;
        EXPECT_EQ(window.MessageBytes[1], 0xF7) << hex;
    }
    window.memMsgBuf->clear();
    QApplication::clipboard()->setText("hello");
    EXPECT_FALSE(window.ClipboardHoldsHex());
    explorer.Key(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(explorer.Text(), "");
    window.MessageBufferPopupHook();
    EXPECT_FALSE(window.pmiPaste->isEnabled());
    EXPECT_FALSE(window.pmiSave->isEnabled()) << "nothing to save";

    explorer.Type("F0 7E F7");
    QTextCursor cursor = window.memMsgBuf->textCursor();
    cursor.setPosition(0);
    window.memMsgBuf->setTextCursor(cursor);
    PressKey(window.memMsgBuf, Qt::Key_Delete);
    EXPECT_EQ(explorer.Text(), "0 7E F7") << "Delete comes with U+007F and still deletes";
    PressKey(window.memMsgBuf, Qt::Key_End);
    PressKey(window.memMsgBuf, Qt::Key_Backspace);
    EXPECT_EQ(explorer.Text(), "0 7E F");

    window.SetMessageText("F0 F7");
    QGuiApplication::clipboard()->setText("7E 7F ");
    cursor = window.memMsgBuf->textCursor();
    cursor.setPosition(3);
    window.memMsgBuf->setTextCursor(cursor);
    PressKey(window.memMsgBuf, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(explorer.Text(), "F0 7E 7F F7") << "Shift+Insert pastes";
    EXPECT_TRUE(window.InsertMode) << "and leaves the typing mode alone";

    window.memMsgBuf->selectAll();
    QGuiApplication::clipboard()->clear();
    PressKey(window.memMsgBuf, Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "F0 7E 7F F7") << "Ctrl+Insert copies";
    EXPECT_TRUE(window.InsertMode);
    EXPECT_EQ(window.statusPanel1->text(), "Insert");
}

TEST_F(ExplorerTest, TheMonitorKeeps500EventLinesAndItsCaptionTellsOfNewOnes) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    ASSERT_EQ(window.pgcTab->currentWidget(), window.tsExplorer);
    const int monitor = window.pgcTab->indexOf(window.tsMonitor);
    window.AddLogLine("a progress line");
    for (int i = 0; i < 505; ++i)
        explorer.Inject({0xB0, 0x07, static_cast<std::uint8_t>(i % 128)});
    ASSERT_TRUE(PumpUntil([&] {
        return window.lbxLog->LineText(window.lbxLog->LineCount() - 1)
            .startsWith("Control Change B0 07 78");
    }));
    EXPECT_EQ(window.lbxLog->LineCount(), 500);
    EXPECT_EQ(window.lbxLog->LineText(0).left(23), "Control Change B0 07 05")
        << "the progress line and the oldest events went";
    EXPECT_EQ(window.pgcTab->tabText(monitor), "MIDI Monitor: events received");
    window.pgcTab->setCurrentIndex(monitor);
    EXPECT_EQ(window.pgcTab->tabText(monitor), "MIDI Monitor");

    Bytes sysex(100, 0x01);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    explorer.Inject(sysex);
    ASSERT_TRUE(PumpUntil([&] {
        return window.lbxLog->LineText(window.lbxLog->LineCount() - 1).startsWith("Sysex");
    }));
    EXPECT_EQ(window.lbxLog->LineText(window.lbxLog->LineCount() - 1).size(), 255);
    EXPECT_EQ(window.SelectedEvent()->SysexSize, 100) << "the whole message stays with its line";

    window.miClearIn->trigger();
    EXPECT_EQ(window.lbxLog->LineCount(), 0);

    for (int i = 0; i < 600; ++i)
        window.AddLogLine(QString("progress %1").arg(i));
    EXPECT_EQ(window.lbxLog->LineCount(), 500) << "progress and error lines count as well";
    EXPECT_EQ(window.lbxLog->LineText(0), "progress 100");
}

TEST_F(ExplorerTest, DoubleClickActionsOnLogLinesAndBelowThem) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    explorer.ChooseOutput("Sink");
    window.AddLogLine("Backup in progress");
    window.lbxLog->SetCurrentLine(0);
    window.SetLogDblClickAction(1);
    window.LogDoubleClick();
    EXPECT_EQ(explorer.Status(), "The selected item cannot be edited");
    window.SetLogDblClickAction(0);
    window.LogDoubleClick();
    EXPECT_EQ(explorer.Status(), "MIDI data is unavailable for the selected item");
    EXPECT_EQ(explorer.settings->GetInteger("DBL_CLICK_LOG_ACTION", false, -1), 0);

    explorer.Inject({0xC0, 0x05});
    ASSERT_TRUE(PumpUntil([&] { return window.lbxLog->LineCount() == 2; }));
    window.lbxLog->SetCurrentLine(1);
    window.LogDoubleClick();
    EXPECT_EQ(explorer.Text(), "C0 05 ");
    EXPECT_EQ(window.MessageByteCount, 3);

    explorer.Inject({0x90, 0x3C, 0x64});
    ASSERT_TRUE(PumpUntil([&] { return window.lbxLog->LineCount() == 3; }));
    window.pmiSetLogSend->trigger();
    EXPECT_EQ(window.LogDblClickAction, 2);
    window.lbxLog->SetCurrentLine(2);
    window.LogDoubleClick();
    ASSERT_TRUE(PumpUntil([&] { return explorer.sink->Received().size() == 3; }));
    EXPECT_EQ(explorer.sink->Received(), (Bytes{0x90, 0x3C, 0x64}));

    // A double click below the last line, a line above current.
    window.show();
    window.pgcTab->setCurrentWidget(window.tsMonitor);
    QApplication::processEvents();
    const QPoint below(20, window.lbxLog->viewport()->height() - 5);
    ASSERT_EQ(window.lbxLog->LineAt(below), -1);
    window.SetLogDblClickAction(0);
    window.lbxLog->SetCurrentLine(2);
    const QString buffer = explorer.Text();
    QTest::mouseDClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(explorer.Status(), "MIDI data is unavailable for the selected item");
    EXPECT_EQ(explorer.Text(), buffer) << "the line above was not loaded";
    window.SetLogDblClickAction(1);
    QTest::mouseDClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(explorer.Status(), "The selected item cannot be edited");
}

TEST_F(ExplorerTest, DeletingAndCopyingSelectedLines) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    for (int i = 1; i <= 6; ++i)
        window.AddLogLine(QString("line %1").arg(i));
    window.lbxLog->SelectLine(1);
    window.lbxLog->SelectLine(4);
    window.pmiCopySelectedText->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "line 2\r\nline 5\r\n");
    window.pmiDelete->trigger();
    EXPECT_EQ(explorer.LogLines(), (QStringList{"line 1", "line 3", "line 4", "line 6"}));
}

TEST_F(ExplorerTest, InputTakenInAtOnceIsLoggedAtOnceInOrderWithin500Lines) {
    Explorer explorer;
    TfrmMain& window = explorer.StartAtTheMonitor();
    // Controllers numbered through the controller number and value: 0..16383.
    const auto controllers = [](int first, int count) {
        Bytes bytes;
        for (int number = first; number < first + count; ++number)
            bytes.insert(bytes.end(), {0xB0, static_cast<std::uint8_t>(number / 128),
                                       static_cast<std::uint8_t>(number % 128)});
        return bytes;
    };
    const auto numberAt = [&](int row) {
        const TMyMidiEvent* event = window.lbxLog->LineEvent(row);
        return event != nullptr ? event->DataByte1 * 128 + event->DataByte2 : -1;
    };
    const auto numbered = [&](int first) {
        for (int row = 0; row < window.lbxLog->LineCount(); ++row)
            if (numberAt(row) != first + row)
                return false;
        return true;
    };
    // The status bar is drawn each time the status changes.
    struct PaintCount : QObject {
        int Paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            Paints += event->type() == QEvent::Paint;
            return false;
        }
    } statusPaints;
    window.stbStatBar->installEventFilter(&statusPaints);
    QSignalSpy appended(&window.lbxLog->Lines(), &QAbstractItemModel::rowsInserted);

    // The device's thread queues what one chunk brings before the window looks: one wake-up
    // finds all of it, however busy the machine is.
    const auto queued = [&](int count) {
        for (int waited = 0; waited < 5000 && window.MidiInput()->PendingCount() < count; ++waited)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    window.AddLogLine("before");
    explorer.Inject(controllers(0, 300));
    queued(300);
    ASSERT_TRUE(PumpUntil([&] { return window.lbxLog->LineCount() == 301; }));
    EXPECT_EQ(appended.size(), 2) << "the line, then the 300 events in one step";
    EXPECT_EQ(window.lbxLog->LineText(0), "before");
    EXPECT_EQ(window.lbxLog->LineText(300).left(23), "Control Change B0 02 2B");
    EXPECT_EQ(explorer.Status(), "Received 3 MIDI in bytes");
    EXPECT_LT(statusPaints.Paints, 10) << "not once per event";

    // Across the limit: the progress line and the oldest 100 events make room.
    explorer.Inject(controllers(300, 300));
    ASSERT_TRUE(PumpUntil([&] { return numberAt(499) == 599; }));
    EXPECT_EQ(window.lbxLog->LineCount(), 500);
    EXPECT_TRUE(numbered(100));

    // Longer than the limit on its own: its newest 500, in order.
    appended.clear();
    explorer.Inject(controllers(1000, 700));
    queued(700);
    ASSERT_TRUE(PumpUntil([&] { return numberAt(499) == 1699; }));
    EXPECT_EQ(window.lbxLog->LineCount(), 500);
    EXPECT_TRUE(numbered(1200));
    EXPECT_EQ(appended.size(), 1);
    EXPECT_EQ(window.lbxLog->CurrentLine(), 499) << "the newest line is the current one";
    const QRect shown = window.lbxLog->viewport()->rect();
    EXPECT_TRUE(shown.contains(QPoint(20, window.lbxLog->LineRect(499).bottom())))
        << "and it is in view";

    window.pgcTab->setCurrentWidget(window.tsExplorer);
    explorer.Inject(controllers(0, 3));
    ASSERT_TRUE(PumpUntil([&] { return numberAt(499) == 2; }));
    EXPECT_EQ(window.pgcTab->tabText(window.pgcTab->indexOf(window.tsMonitor)),
              "MIDI Monitor: events received");
}

TEST_F(ExplorerTest, ALineOfTheUnitsSaysWhatItMeansOthersKeepTheirText) {
    Explorer explorer;
    TfrmMain& window = explorer.StartAtTheMonitor();
    const Bytes named = TitledDump("Slap Bass");
    const Bytes untitled = TitledDump("");
    const Bytes foreign{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    const Bytes bank = ParameterReplyMessage(0, 9, 2, 0);
    // The ping on showing is not answered: once its time is up, the reply is nobody's and logged.
    ASSERT_TRUE(PumpUntil([&] { return !window.Link->ReplyTimer().isActive(); }, 5000));
    explorer.Inject(Join({named, foreign, untitled, bank}));
    ASSERT_TRUE(PumpUntil([&] { return window.lbxLog->LineCount() == 4; }));
    EXPECT_TRUE(window.lbxLog->LineText(0).startsWith("Sysex (258): F0 1A 00 13 05 "))
        << "the line itself as always";

    QWidget* lines = window.lbxLog->viewport();
    const auto tooltipAt = [&](int row) {
        const QPoint at = explorer.LineAt(row);
        QHelpEvent hover(QEvent::ToolTip, at, lines->mapToGlobal(at));
        QApplication::sendEvent(lines, &hover);
        const QString text = QToolTip::text();
        QToolTip::hideText();
        return text;
    };
    QTest::mouseClick(lines, Qt::LeftButton, {}, explorer.LineAt(0));
    EXPECT_EQ(explorer.Status(), "Preset dump: Slap Bass");
    EXPECT_EQ(tooltipAt(0), "Preset dump: Slap Bass");
    QTest::mouseClick(lines, Qt::LeftButton, {}, explorer.LineAt(1));
    EXPECT_EQ(explorer.Status(), "Preset dump: Slap Bass") << "nothing to tell of another's";
    EXPECT_EQ(tooltipAt(1), "Sysex (6): F0 7E 7F 06 01 F7 ");
    PressKey(window.lbxLog, Qt::Key_Down);
    EXPECT_EQ(window.lbxLog->CurrentLine(), 2);
    EXPECT_EQ(explorer.Status(), "Preset dump: (untitled)");
    PressKey(window.lbxLog, Qt::Key_Down);
    EXPECT_EQ(explorer.Status(), "Parameter reply: bank C");
    EXPECT_EQ(tooltipAt(3), "Parameter reply: bank C");
    EXPECT_EQ(window.lbxLog->LineText(3), "Sysex (9): F0 1A 00 13 03 09 02 00 F7 ");
}

TEST_F(ExplorerTest, SelectedSysexLinesAreSavedAsOneSyxFile) {
    Explorer explorer;
    TfrmMain& window = explorer.StartAtTheMonitor();
    const std::vector<Bytes> dumps{TitledDump("One"), TitledDump("Two"), TitledDump("Three")};
    explorer.Inject(Join({dumps[0], {0x90, 0x3C, 0x64}, dumps[1], dumps[2]}));
    ASSERT_TRUE(PumpUntil([&] { return window.lbxLog->LineCount() == 4; }));
    QWidget* lines = window.lbxLog->viewport();
    // Near the line's start: a SysEx line runs far past the right edge.
    QTest::mouseClick(lines, Qt::LeftButton, {}, explorer.LineAt(0));
    QTest::mouseClick(lines, Qt::LeftButton, Qt::ShiftModifier, explorer.LineAt(3));
    ASSERT_EQ(window.lbxLog->SelectedLines(), (std::vector<int>{0, 1, 2, 3}));

    QTemporaryDir folder;
    const QString all = folder.filePath("three.syx");
    explorer.dialogs.Names.push_back(all);
    ASSERT_TRUE(ChoosePopupItem(lines, explorer.LineAt(2), "pmiSaveSelectedSysex"));
    EXPECT_EQ(explorer.Status(), "3 messages saved to " + all + ", 1 line skipped (not SysEx)");
    QFile file(all);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    ASSERT_EQ(saved.size(), 774);
    const Bytes bytes(saved.begin(), saved.end());
    const auto pieces = SplitMidiMessages(bytes.data(), bytes.size());
    ASSERT_EQ(pieces.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(
            Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(pieces[i].first),
                  bytes.begin() + static_cast<std::ptrdiff_t>(pieces[i].first + pieces[i].second)),
            dumps[i]);

    // One dump, named without the extension: the file opens as the dump it holds.
    QTest::mouseClick(lines, Qt::LeftButton, {}, explorer.LineAt(2));
    explorer.dialogs.Names.push_back(folder.filePath("two"));
    ASSERT_TRUE(ChoosePopupItem(lines, explorer.LineAt(2), "pmiSaveSelectedSysex"));
    EXPECT_EQ(explorer.Status(), "1 message saved to " + folder.filePath("two.syx"));
    window.LoadFileIntoBuffer(folder.filePath("two.syx"));
    EXPECT_TRUE(window.IsPresetDump());
    EXPECT_EQ(window.PresetTitleOf(), "Two");

    // Nothing to save: no file is asked for.
    QTest::mouseClick(lines, Qt::LeftButton, {}, explorer.LineAt(1));
    ASSERT_TRUE(ChoosePopupItem(lines, explorer.LineAt(1), "pmiSaveSelectedSysex"));
    EXPECT_EQ(explorer.Status(), "No SysEx message among the selected lines: nothing saved");
    const QPoint below(20, lines->height() - 5);
    ASSERT_EQ(window.lbxLog->LineAt(below), -1);
    QTest::mouseClick(lines, Qt::LeftButton, {}, below);
    EXPECT_FALSE(ChoosePopupItem(lines, below, "pmiSaveSelectedSysex")) << "no line selected";

    explorer.dialogs.Names.push_back(folder.filePath("no-such-folder/x.syx"));
    QTest::mouseClick(lines, Qt::LeftButton, {}, explorer.LineAt(0));
    ASSERT_TRUE(ChoosePopupItem(lines, explorer.LineAt(0), "pmiSaveSelectedSysex"));
    EXPECT_THAT(explorer.dialogs.Messages.back().Text.toStdString(), HasSubstr("Cannot write"));
}

TEST_F(ExplorerTest, LostInputIsToldInOneLineAfterWhatArrivedAndSysexStillArrives) {
    Explorer explorer;
    explorer.service.InputSpillLimit = 0; // SysEx beyond the lent buffers is lost, and counted
    TfrmMain& window = explorer.Start();
    Bytes flood;
    for (int i = 0; i < 1100; ++i)
        flood.insert(flood.end(), {0xB0, 0x07, 0x10});
    for (std::uint8_t i = 0; i < 20; ++i) // more than there are SysEx buffers
        flood.insert(flood.end(), {0xF0, i, 0xF7});
    // The window takes nothing while this waits, so the queue fills up exactly.
    const auto arrivesUntaken = [&](std::uint32_t lost) {
        for (int i = 0; i < 5000 && window.MidiInput()->LostCount() < lost; ++i)
            QThread::usleep(1000);
        return window.MidiInput()->LostCount() == lost;
    };
    const auto newest = [&] { return explorer.LogLines().value(window.lbxLog->LineCount() - 1); };

    QSignalSpy appended(&window.lbxLog->Lines(), &QAbstractItemModel::rowsInserted);
    explorer.Inject(flood);
    ASSERT_TRUE(arrivesUntaken(96)) << "76 controllers and 20 SysEx";
    ASSERT_TRUE(PumpUntil([&] { return newest().startsWith("96 MIDI in message(s) lost"); }));
    PumpFor(50);
    EXPECT_EQ(appended.size(), 2) << "the events that came in as one step, then the report";
    explorer.Inject(flood);
    ASSERT_TRUE(arrivesUntaken(192));
    ASSERT_TRUE(PumpUntil([&] { return newest().startsWith("192 MIDI in message(s) lost"); }));
    EXPECT_EQ(newest(),
              "192 MIDI in message(s) lost: input arrived faster than it could be taken in");
    EXPECT_EQ(explorer.LogLines().filter("lost").size(), 1) << "one line keeps the running count";
    EXPECT_EQ(window.lbxLog->LineCount(), 500);

    explorer.Inject({0xF0, 0x01, 0x02, 0xF7});
    ASSERT_TRUE(PumpUntil([&] { return newest() == "Sysex (4): F0 01 02 F7 "; }))
        << "every SysEx buffer came back into use";
}

TEST_F(ExplorerTest, ASendTheDeviceCouldNotMakeIsReported) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    explorer.ChooseOutput("Sink");
    explorer.devices.SetUnplugged("Sink", true);
    window.SetMessageText("F0 7E 7F 06 01 F7");
    explorer.Key(Qt::Key_F9);
    const QString failure = "MIDI Out error: The MIDI device is not connected or has gone away.";
    ASSERT_TRUE(PumpUntil([&] { return explorer.Status() == failure; }));
    EXPECT_EQ(explorer.LogLines(), QStringList{failure});
    explorer.Key(Qt::Key_F9);
    ASSERT_TRUE(PumpUntil([&] { return explorer.Status() == failure; }));
    PumpFor(50);
    EXPECT_EQ(explorer.LogLines(), QStringList{failure}) << "one line while the device stays away";

    explorer.devices.SetUnplugged("Sink", false);
    explorer.Key(Qt::Key_F9);
    ASSERT_TRUE(PumpUntil([&] { return explorer.sink->Received().size() == 6; }));
    PumpFor(50);
    EXPECT_EQ(explorer.Status(), "Message buffer sent to MIDI Out");
    EXPECT_EQ(explorer.LogLines().size(), 1);
}

TEST_F(ExplorerTest, DeviceMenusOpenTheStoredDevicesAndKeepTheChoices) {
    {
        Explorer explorer;
        explorer.settings->PutString("MIDI_IN", "Loop B");
        explorer.settings->PutString("MIDI_OUT", "Sink");
        TfrmMain& window = explorer.Start();
        EXPECT_EQ(window.MidiInput()->ProductName(), "Loop B");
        EXPECT_EQ(window.MidiOutput()->ProductName(), "Sink");
        const QList<QAction*> inputs = window.miMIDIIn->actions();
        EXPECT_EQ(inputs.size(), 2 + 3) << "clear, separator, three devices";
        EXPECT_TRUE(inputs[3]->isChecked()) << "Loop B";
        EXPECT_FALSE(inputs[2]->isChecked());
        EXPECT_EQ(explorer.Status(), "MIDI devices opened");

        explorer.ChooseInput("Loop A");
        EXPECT_EQ(explorer.Status(), "Loop A opened for input");
        EXPECT_EQ(window.MidiOutput()->PortState(), TMidiOutput::State::Open)
            << "the output stays open";
        window.miChannel[9]->trigger();
        EXPECT_EQ(explorer.settings->GetInteger("MIDI_OUT_CH", false, -1), 9);
        EXPECT_TRUE(window.miChannel[9]->isChecked());
        EXPECT_EQ(window.TransmitChannel(), 9);

        window.show();
        QApplication::processEvents();
        window.splVertical->setSizes({30, window.splVertical->width() - 30});
        emit window.splVertical->splitterMoved(30, 1);
        QApplication::processEvents();
        EXPECT_EQ(window.splVertical->sizes().value(0), 50) << "the buffer keeps 50 pixels";
        window.close();
        EXPECT_EQ(explorer.Status(), "MIDI devices closed");
        EXPECT_EQ(explorer.settings->GetString("MIDI_IN", false), "Loop A");
        EXPECT_EQ(explorer.settings->GetString("MIDI_OUT", false), "Sink");
        EXPECT_EQ(explorer.settings->GetInteger("LPW", false, -1), window.pgcTab->width());
        EXPECT_EQ(explorer.settings->GetInteger("frmMain.Width", false, -1), window.width());
    }
    Explorer again; // the next start reads them back
    TfrmMain& window = again.Start();
    EXPECT_EQ(window.MidiInput()->ProductName(), "Loop A");
    EXPECT_TRUE(window.miChannel[9]->isChecked());
}

TEST_F(ExplorerTest, WithoutDevicesTheUserIsTold) {
    Explorer explorer({}, false);
    TfrmMain& window = explorer.Start();
    ASSERT_GE(explorer.dialogs.Messages.size(), 2u);
    EXPECT_EQ(explorer.dialogs.Messages[0].Text,
              "No MIDI input device can be detected. Please consult your system documentation\r\n"
              "for proper installation and configuration of MIDI devices.");
    EXPECT_TRUE(
        explorer.dialogs.Messages[1].Text.startsWith("No MIDI output device can be detected. "));
    EXPECT_FALSE(window.miMIDIIn->isEnabled());
    EXPECT_FALSE(window.miMIDIOut->isEnabled());
    EXPECT_EQ(explorer.Status(), "No MIDI devices found - check installation");
    window.SetMessageText("F0 F7");
    window.SendBuffer();
    EXPECT_EQ(explorer.dialogs.Messages.back().Text, "MIDI Out device not available");
    EXPECT_EQ(explorer.dialogs.Messages.back().Caption, "MIDI communications error");
}

TEST(FilePaneText, SizesAndTotals) {
    EXPECT_EQ(FileSizeText(1), "1 KB");
    EXPECT_EQ(FileSizeText(0), "0 KB");
    EXPECT_EQ(FileSizeText(2047), "1 KB");
    EXPECT_EQ(FileSizeText(4096), "4 KB");
    EXPECT_EQ(TotalSizeText(1100), "1.07 KByte");
    EXPECT_EQ(TotalSizeText(1023), "1023 Byte(s)");
    EXPECT_EQ(TotalSizeText(1024), "1 KByte");
    EXPECT_EQ(TotalSizeText(1536), "1.5 KByte");
    EXPECT_EQ(TotalSizeText(10 * 1024), "10 KByte");
    EXPECT_EQ(TotalSizeText(121 * 1048576), "121 MByte");
    EXPECT_EQ(TotalSizeText(1100LL * 1048576), "1.1E03 MByte");
    EXPECT_EQ(TotalSizeText(3210LL * 1048576), "3.21E03 MByte");
    EXPECT_EQ(TotalSizeText(-1), "");
}

TEST_F(ExplorerTest, TheFilePaneListsSortsAndNavigates) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    QTemporaryDir root;
    QDir(root.path()).mkpath("inner/deeper");
    QDir(root.path()).mkpath("Alpha");
    WriteFile(root.filePath("b.syx"), 500);
    WriteFile(root.filePath("A.syx"), 600);
    window.GoToFolder(root.path());
    EXPECT_EQ(window.CurrentFolder, root.path() + "/");
    EXPECT_EQ(window.fileInfoFiles->text(), "4 Object(s)");
    EXPECT_EQ(window.fileInfoBytes->text(), "1.07 KByte");
    const auto names = [&] {
        QStringList all;
        for (int i = 0; i < window.lvwFileList->topLevelItemCount(); ++i)
            all << window.lvwFileList->topLevelItem(i)->text(0);
        return all;
    };
    EXPECT_EQ(names(), (QStringList{"Alpha", "inner", "A.syx", "b.syx"}))
        << "folders first, by upper-cased name";
    window.SortByColumn(0);
    EXPECT_EQ(names(), (QStringList{"b.syx", "A.syx", "inner", "Alpha"}))
        << "the same column again reverses";
    window.SortByColumn(1);
    EXPECT_EQ(names().mid(0, 2), (QStringList{"A.syx", "b.syx"})) << "by size, still descending";
    EXPECT_EQ(window.lvwFileList->topLevelItem(0)->text(1), "1 KB");
    EXPECT_EQ(window.cbxFolder->itemText(0), root.path() + "/") << "the folder heads the history";
    window.GoToFolder(root.path());
    int found = 0;
    for (int i = 0; i < window.cbxFolder->count(); ++i)
        found += window.cbxFolder->itemText(i) == root.path() + "/" ? 1 : 0;
    EXPECT_EQ(found, 1) << "a folder already at the top stays there once";

    window.GoToFolder(root.filePath("inner/deeper"));
    window.UpOneFolder();
    EXPECT_EQ(window.CurrentFolder, root.filePath("inner") + "/");
    window.GoToFolder(root.filePath("nowhere"));
    EXPECT_EQ(explorer.dialogs.Messages.back().Text, "Invalid folder: " + root.filePath("nowhere"));
    EXPECT_EQ(window.CurrentFolder, root.filePath("inner") + "/");

    window.GoToFolder("/");
    explorer.dialogs.Names.push_back(root.path());
    window.UpOneFolder();
    EXPECT_EQ(explorer.dialogs.FolderAsked, "/") << "at the root it browses instead of going up";
    EXPECT_EQ(window.CurrentFolder, root.path() + "/");

    window.close();
    EXPECT_EQ(explorer.settings->GetStringAt(kPath + "\\Folders", "1", false), root.path() + "/");
}

TEST_F(ExplorerTest, FilesAreRenamedDeletedAndSentFromThePane) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    explorer.ChooseOutput("Sink");
    QTemporaryDir root;
    WriteFile(root.filePath("one.syx"), 2, 0x11);
    WriteFile(root.filePath("two.syx"), 2, 0x22);
    WriteFile(root.filePath("three.syx"), 2, 0x33);
    window.GoToFolder(root.path());
    const auto item = [&](const QString& name) {
        return window.lvwFileList->findItems(name, Qt::MatchExactly).value(0);
    };

    item("one.syx")->setText(0, "uno.syx");
    EXPECT_TRUE(QFile::exists(root.filePath("uno.syx")));
    item("uno.syx")->setText(0, "no/such/folder.syx");
    EXPECT_EQ(explorer.dialogs.Messages.back().Text,
              "Filename could not be changed to no/such/folder.syx; (reverted to uno.syx)");
    EXPECT_EQ(explorer.dialogs.Messages.back().Caption, "Error renaming file");
    EXPECT_NE(item("uno.syx"), nullptr);

    window.pmiSetFileSend->trigger();
    EXPECT_EQ(explorer.settings->GetInteger("DBL_CLICK_FILE_ACTION", false, -1), 1)
        << "written at once";
    window.lvwFileList->clearSelection();
    item("two.syx")->setSelected(true);
    item("three.syx")->setSelected(true);
    window.lvwFileList->setCurrentItem(item("two.syx"), 0, QItemSelectionModel::NoUpdate);
    emit window.lvwFileList->itemActivated(item("two.syx"), 0);
    ASSERT_TRUE(PumpUntil([&] { return explorer.sink->Received().size() == 4; }));
    Bytes both = explorer.sink->Received();
    std::sort(both.begin(), both.end());
    EXPECT_EQ(both, (Bytes{0x22, 0x22, 0x33, 0x33})) << "each selected file loaded and sent";

    window.show();
    for (int column = 1; column < 4; ++column) {
        window.lvwFileList->editItem(item("uno.syx"), column);
        EXPECT_EQ(window.lvwFileList->findChild<QLineEdit*>(), nullptr) << "column " << column;
    }
    window.lvwFileList->editItem(item("uno.syx"), 0);
    EXPECT_NE(window.lvwFileList->findChild<QLineEdit*>(), nullptr) << "only the name is edited";

    window.lvwFileList->selectAll();
    explorer.dialogs.Answers.push_back(QMessageBox::YesToAll);
    window.pmiDeleteFile->trigger();
    EXPECT_EQ(explorer.dialogs.Messages.back().Text.left(7), "Delete ");
    EXPECT_EQ(std::count_if(explorer.dialogs.Messages.begin(), explorer.dialogs.Messages.end(),
                            [](const auto& shown) { return shown.Text.startsWith("Delete "); }),
              1)
        << "one question for all three";
    EXPECT_TRUE(QDir(root.path()).entryList(QDir::Files).isEmpty());
    EXPECT_EQ(window.fileInfoFiles->text(), "0 Object(s)");
}

TEST(Splash, ClosesAboutASecondAfterTheMainWindowShows) {
    QPointer<TqvSplashAbout> splash = ShowSplash(nullptr, false);
    ASSERT_TRUE(splash);
    EXPECT_EQ(splash->lblFeedback->text(), "Initializing...");
    PumpFor(700);
    EXPECT_TRUE(splash) << "no main window yet: it stays";
    QWidget main;
    main.setObjectName("frmMain");
    main.show();
    main.activateWindow();
    QApplication::setActiveWindow(&main);
    ASSERT_TRUE(PumpUntil([&] { return MainWindowSeen; }, 3000));
    EXPECT_TRUE(splash) << "it lingers a moment";
    EXPECT_TRUE(PumpUntil([&] { return splash.isNull(); }, 3000));
}

TEST(Splash, ClosesWhereTheMainWindowIsNeverMadeActive) {
    QPointer<TqvSplashAbout> splash = ShowSplash(nullptr, false);
    ASSERT_TRUE(splash);
    QWidget main;
    main.setObjectName("frmMain");
    main.show();
    QWidget other; // the window system keeps another window active
    other.show();
    other.activateWindow();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    ASSERT_FALSE(main.isActiveWindow());
    PumpFor(1000);
    EXPECT_TRUE(splash) << "it waits a little for the activation";
    EXPECT_TRUE(PumpUntil([&] { return splash.isNull(); }, 5000))
        << "and closes a few seconds after the main window is visible";
    EXPECT_FALSE(main.isActiveWindow());
}

TEST(About, ShowsItsTextsAndClosesOnAClick) {
    AppVersion = "2.5";
    AppDescription = "Librarian/Editor for the\nZOL Quellfarn Plenova Processor";
    AppNotice = "";
    AppCompanyName = "zol";
    TqvSplashAbout about(nullptr, true);
    EXPECT_EQ(about.lblFeedback->text(), "Click to close");
    EXPECT_EQ(about.lblVersion->text(), "Version 2.5");
    EXPECT_EQ(about.DescriptionLines.size(), 2) << "an empty notice adds no line";
    EXPECT_TRUE(about.lblURL->text().endsWith("/zol"));
    EXPECT_TRUE(about.lblPhysMem->text().endsWith(" KB"));
    EXPECT_FALSE(about.imgIcon->pixmap().isNull()) << "the program's icon";
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    about.show();
    QTest::mouseClick(about.lblOSinfo, Qt::LeftButton);
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
    AppNotice = "A notice";
    TqvSplashAbout withNotice(nullptr, true);
    EXPECT_EQ(withNotice.DescriptionLines.last(), "A notice");
}

namespace {
// A service whose second input device is gone by the time the menus are built.
class VanishingService : public FakeMidiService {
public:
    VanishingService() { Inputs = {"Here", "Gone"}; }
    unsigned InGetNumDevs() override { return calls++ == 0 ? 2 : 1; }

private:
    int calls = 0;
};
} // namespace

TEST_F(ExplorerTest, DevicesThatVanishOrFailNeverBringTheWindowDown) {
    ScriptedDialogs dialogs;
    VanishingService service;
    TqvRegUtil settings;
    settings.Path = kPath;
    TfrmMain window(service);
    ASSERT_NO_THROW(window.InitializeExplorer(&settings, "Quellfarn"));
    EXPECT_EQ(window.MidiInput()->ProductName(), "Here");

    // The driver will not take a buffer back: the event stays, the user is told, nothing breaks.
    service.Fail["InAddBuffer"] = MMSYSERR_NOMEM;
    service.ReturnBuffer({0xF0, 0x01, 0xF7});
    ASSERT_TRUE(PumpUntil([&] { return window.lbxLog->LineCount() > 0; }));
    EXPECT_EQ(window.lbxLog->LineText(0), "There is not enough memory for the MIDI operation.");

    service.Fail["InClose"] = MMSYSERR_ERROR;
    window.close();
    EXPECT_EQ(dialogs.Messages.back().Caption, "MIDI In error");
}

TEST_F(ExplorerTest, ThePaneIsShownAsWideAsItWasSaved) {
    {
        Explorer explorer;
        // Within the offscreen screen's 800 by 600: a larger window is made to fit its screen.
        explorer.settings->PutInteger("frmMain.Width", 780);
        explorer.settings->PutInteger("frmMain.Height", 560);
        explorer.settings->PutInteger("LPW", 300);
        TfrmMain& window = explorer.Start();
        window.show();
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_EQ(window.width(), 780);
        EXPECT_EQ(window.pgcTab->width(), 300);
        window.close();
    }
    for (int start = 0; start < 3; ++start) { // and it stays so, start after start
        Explorer explorer;
        TfrmMain& window = explorer.Start();
        window.show();
        QApplication::processEvents();
        QApplication::processEvents();
        EXPECT_EQ(window.pgcTab->width(), 300) << "start " << start;
        window.close();
        EXPECT_EQ(explorer.settings->GetInteger("LPW", false, -1), 300);
    }
}

TEST_F(ExplorerTest, AnUnreadableSettingIsToldItsDefaultTakenAndTheWindowCanBeMadeNarrow) {
    WriteSettings("[General]\nLPW=wide\nMIDI_OUT_CH=3\n");
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    ASSERT_EQ(explorer.dialogs.Messages.size(), 1u);
    EXPECT_THAT(explorer.dialogs.Messages[0].Text.toStdString(),
                HasSubstr("Registry parameter \"LPW\" read failed!"));
    EXPECT_TRUE(window.Initialized()) << "the start goes on";
    EXPECT_EQ(window.TransmitChannel(), 3) << "the other values are still read";
    window.show();
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_EQ(window.pgcTab->width(), 460) << "the pane's designed width";

    // The window can be made narrow whatever the status says.
    window.resize(1400, 700);
    QApplication::processEvents();
    window.ShowStatus(QString("A long status text that says a great deal. ").repeated(8));
    window.resize(700, 600);
    QApplication::processEvents();
    EXPECT_EQ(window.width(), 700);
    EXPECT_LE(window.statusPanel0->width(), 700);
}

TEST_F(ExplorerTest, AReadOnlySettingsFileIsToldOnceAndTheCloseCompletes) {
    Explorer explorer;
    TfrmMain& window = explorer.Start();
    explorer.ChooseInput("Loop A");
    explorer.ChooseOutput("Sink");
    ASSERT_TRUE(QFile::exists(SettingsFile()));
    ReadOnlyFile locked(SettingsFile());
    if (!locked.Holds())
        GTEST_SKIP() << "no way to make a file read-only here";
    explorer.dialogs.Messages.clear();
    window.miChannel[4]->trigger();
    ASSERT_EQ(explorer.dialogs.Messages.size(), 1u);
    EXPECT_THAT(explorer.dialogs.Messages[0].Text.toStdString(),
                HasSubstr("Registry parameter \"MIDI_OUT_CH\" write failed!"));
    EXPECT_EQ(window.TransmitChannel(), 4) << "the channel is used all the same";

    window.close();
    EXPECT_EQ(explorer.dialogs.Messages.size(), 1u) << "one report for a file that takes nothing";
    EXPECT_EQ(window.MidiInput()->PortState(), TPortState::Closed);
    EXPECT_EQ(window.MidiOutput()->PortState(), TMidiOutput::State::Closed);
    EXPECT_EQ(explorer.Status(), "MIDI devices closed");
}

TEST_F(ExplorerTest, MidiSystemsThatCannotBeReachedAreNamedOnceNotShoutedOnTheTerminal) {
    // The terminal's error stream goes to a file while the devices are looked for.
    QTemporaryDir folder;
    const QString captured = folder.filePath("stderr.txt");
    std::fflush(stderr);
    const int saved = ::dup(2);
    const int file = ::open(QFile::encodeName(captured).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(file, 0);
    ::dup2(file, 2);
    ::close(file);
    std::vector<std::string> unavailable;
    QStringList lines;
    {
        ScriptedDialogs dialogs;
        MidiDeviceService service;
        service.AddBackend(std::make_unique<RtMidiService>("QuellfarnExplorerTest"));
        auto& devices = service.AddBackend(std::make_unique<VirtualMidiService>());
        devices.AddLoopback("Loop A");
        auto settings = CreateAppSettings(nullptr);
        settings->Path = kPath;
        TfrmMain window(service);
        window.InitializeExplorer(settings.get(), "Quellfarn");
        unavailable = service.UnavailableSystems();
        for (int i = 0; i < window.lbxLog->LineCount(); ++i)
            lines << window.lbxLog->LineText(i);
    }
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    QFile output(captured);
    ASSERT_TRUE(output.open(QIODevice::ReadOnly));
    const QByteArray printed = output.readAll();
    for (const char* noise : {"ALSA", "MidiIn", "MidiOut", "Cannot connect", "jack", "Jack"})
        EXPECT_FALSE(printed.contains(noise)) << printed.toStdString();
    if (unavailable.empty()) {
        EXPECT_TRUE(lines.filter("Not available").isEmpty());
    } else {
        ASSERT_EQ(lines.filter("Not available").size(), 1) << "said once";
        for (const std::string& system : unavailable)
            EXPECT_TRUE(lines.filter("Not available")[0].contains(QString::fromStdString(system)));
    }
    if (!QFileInfo::exists("/dev/snd")) {
        EXPECT_NE(std::find(unavailable.begin(), unavailable.end(), "ALSA sequencer"),
                  unavailable.end());
    }
}
