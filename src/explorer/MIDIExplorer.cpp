// The explorer window's frame: construction, menus, MIDI devices and channel, status bar,
// hooks, settings, help and the layout of the panes.

#include "explorer/MIDIExplorer.h"

#include "base/Dialogs.h"
#include "base/qvSplashAbout.h"
#include "base/qvUtility.h"
#include "midi/PortWatch.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <tuple>

namespace {
constexpr int kDesignedPaneWidth = 460;
// How often the ports are listed again: a port plugged in shows in the menus within two seconds.
constexpr int kPortWatchInterval = 1000;
constexpr int kMinimumEditorWidth = 50;

QAction* NamedAction(QObject* parent, const char* name, const QString& text) {
    auto* action = new QAction(text, parent);
    action->setObjectName(QString::fromLatin1(name));
    return action;
}
} // namespace

TqvMIDIMenuItem::~TqvMIDIMenuItem() {
    delete MenuItem;
}

TfrmMIDIExplorer::TfrmMIDIExplorer(MidiService& service, QWidget* parent)
    : QMainWindow(parent), service(service) {
    setObjectName(QStringLiteral("frmMain"));
    setAcceptDrops(true);
    resize(1000, 600);
    BuildMenus();

    splVertical = new QSplitter(Qt::Horizontal, this);
    splVertical->setObjectName(QStringLiteral("splVertical"));
    splVertical->setChildrenCollapsible(false);
    BuildMessageBuffer();
    pgcTab = new QTabWidget(splVertical);
    pgcTab->setObjectName(QStringLiteral("pgcTab"));
    pgcTab->setAccessibleName(QStringLiteral("Explorer pages"));
    pgcTab->setFocusPolicy(Qt::NoFocus); // its tab bar takes the focus
    BuildFilePane();
    BuildMonitor();
    memMsgBuf->setMinimumWidth(
        kMinimumEditorWidth); // the splitter itself never squeezes it further
    splVertical->addWidget(memMsgBuf);
    splVertical->addWidget(pgcTab);
    // The right-hand pane keeps its width when the window is resized; the buffer takes the rest.
    splVertical->setStretchFactor(0, 1);
    splVertical->setStretchFactor(1, 0);
    setCentralWidget(splVertical);
    connect(splVertical, &QSplitter::splitterMoved, this, [this] { LayOutPanes(); });

    stbStatBar = new QStatusBar(this);
    stbStatBar->setObjectName(QStringLiteral("stbStatBar"));
    statusPanel0 = new QLabel(stbStatBar);
    statusPanel0->setObjectName(QStringLiteral("statusPanel0"));
    statusPanel1 = new QLabel(QStringLiteral("Insert"), stbStatBar);
    statusPanel1->setObjectName(QStringLiteral("statusPanel1"));
    // The first panel follows the window's width and never holds the window wider: a long
    // status text is cut, not a reason for a wider window.
    statusPanel0->setMinimumWidth(1);
    statusPanel0->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusPanel1->setFixedWidth(70);
    stbStatBar->addWidget(statusPanel0, 1);
    stbStatBar->addPermanentWidget(statusPanel1);
    setStatusBar(stbStatBar);

    // The window sees keys before its controls.
    qApp->installEventFilter(this);
}

TfrmMIDIExplorer::~TfrmMIDIExplorer() {
    DestroyExplorer();
}

void TfrmMIDIExplorer::BuildMenus() {
    miFile = menuBar()->addMenu(QStringLiteral("&File"));
    miFile->setObjectName(QStringLiteral("miFile"));
    miSaveAs = NamedAction(this, "miSaveAs", QStringLiteral("Save message buffer &as..."));
    miClearOut = NamedAction(this, "miClearOut", QStringLiteral("&Clear message buffer"));
    miExit = NamedAction(this, "miExit", QStringLiteral("E&xit"));
    miFile->addAction(miSaveAs);
    miFile->addAction(miClearOut);
    miFile->addSeparator();
    miFile->addAction(miExit);
    connect(miSaveAs, &QAction::triggered, this, [this] {
        if (!MessageBufferEmpty())
            SaveMessageBuffer();
    });
    connect(miClearOut, &QAction::triggered, this, [this] {
        memMsgBuf->clear();
        MessageBytes.fill(0);
    });
    connect(miExit, &QAction::triggered, this, &QWidget::close);

    miMIDIIn = menuBar()->addMenu(QStringLiteral("MIDI &In"));
    miMIDIIn->setObjectName(QStringLiteral("miMIDIIn"));
    miClearIn = NamedAction(this, "miClearIn", QStringLiteral("&Clear input log"));
    miMIDIIn->addAction(miClearIn);
    miMIDIIn->addSeparator();
    connect(miClearIn, &QAction::triggered, this, [this] { ClearLog(); });
    inputGroup = new QActionGroup(this);

    miMIDIOut = menuBar()->addMenu(QStringLiteral("MIDI &Out"));
    miMIDIOut->setObjectName(QStringLiteral("miMIDIOut"));
    miSend = NamedAction(this, "miSend", QStringLiteral("&Send buffer to MIDI out (F9)"));
    miMIDIOut->addAction(miSend);
    connect(miSend, &QAction::triggered, this, [this] {
        if (!MessageBufferEmpty())
            SendBuffer();
    });
    miTransmitonchannel = miMIDIOut->addMenu(QStringLiteral("&Transmit on channel"));
    miTransmitonchannel->setObjectName(QStringLiteral("miTransmitonchannel"));
    auto* channels = new QActionGroup(this);
    for (int channel = 0; channel < 16; ++channel) {
        QAction* item = NamedAction(this, "", QString::number(channel + 1));
        item->setObjectName(QStringLiteral("miChannel%1").arg(channel + 1));
        item->setCheckable(true);
        item->setData(channel);
        channels->addAction(item);
        miTransmitonchannel->addAction(item);
        connect(item, &QAction::triggered, this, [this, channel] { ChooseChannel(channel); });
        miChannel[static_cast<std::size_t>(channel)] = item;
    }
    miMIDIOut->addSeparator();
    outputGroup = new QActionGroup(this);

    miHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    miHelp->setObjectName(QStringLiteral("miHelp"));
    miContents = NamedAction(this, "miContents", QStringLiteral("&Contents"));
    miAbout = NamedAction(this, "miAbout", QStringLiteral("&About"));
    miAbout->setToolTip(QStringLiteral("Hey... click me!"));
    miKeyboard = NamedAction(this, "miKeyboard", QStringLiteral("&Keyboard shortcuts"));
    miHelp->addAction(miContents);
    miHelp->addAction(miKeyboard);
    miHelp->addAction(miAbout);
    connect(miContents, &QAction::triggered, this, [this] { OpenHelp(); });
    connect(miAbout, &QAction::triggered, this, [this] { ShowSplash(this, true); });
}

void TfrmMIDIExplorer::ShowStatus(const QString& text) {
    // What the log has yet to show came first; this text replaces the batch's own status.
    AppendPendingLines();
    pendingStatus.clear();
    statusPanel0->setText(text);
    statusPanel1->setText(InsertMode ? QStringLiteral("Insert") : QStringLiteral("Overwrite"));
    stbStatBar->repaint();
    // Pending work runs now, input notifications included: callers must allow re-entry.
    QCoreApplication::processEvents();
}

bool TfrmMIDIExplorer::MidiOutAvailable(bool switchToMonitor) {
    if (ports && ports->Output().PortState() == TMidiOutput::State::Open) {
        if (switchToMonitor)
            pgcTab->setCurrentWidget(tsMonitor);
        return true;
    }
    ShowMessage(this, QStringLiteral("MIDI Out device not available"),
                QStringLiteral("MIDI communications error"));
    return false;
}

void TfrmMIDIExplorer::AddMainMenu(QMenu* menu) {
    menuBar()->removeAction(miHelp->menuAction());
    menuBar()->addMenu(menu);
    menuBar()->addMenu(miHelp);
}

void TfrmMIDIExplorer::AddBufferMenuItem(QAction* item) {
    popMsgBuf->addAction(item);
}

void TfrmMIDIExplorer::InitializeExplorer(TqvRegUtil* store, const QString& caption) {
    settings = store;
    BaseCaption = caption;
    QApplication::setOverrideCursor(Qt::WaitCursor);

    ports = std::make_unique<TPortPair>(service);
    TMidiInput& midiInput = ports->Input();
    TMidiOutput& midiOutput = ports->Output();
    midiInput.OnOverflow = [this](TMidiInput&) { ReportLostInput(); };
    const QString consult =
        QStringLiteral("Please consult your system documentation\r\n"
                       "for proper installation and configuration of MIDI devices.");
    if (midiInput.DeviceCount() == 0)
        ShowMessage(this, QStringLiteral("No MIDI input device can be detected. ") + consult,
                    QStringLiteral("Sorry..."));
    midiOutput.OnSendError = [this](TMidiOutput& sender, MMRESULT result) {
        ReportSendError(sender.DriverErrorText(result));
    };
    midiOutput.OnSent = [this](TMidiOutput&, const std::uint8_t* bytes, std::size_t count) {
        if (LogSentMessages)
            LogSent(bytes, count);
    };
    if (midiOutput.DeviceCount() == 0)
        ShowMessage(this, QStringLiteral("No MIDI output device can be detected. ") + consult,
                    QStringLiteral("Sorry..."));

    pgcTab->setCurrentWidget(tsExplorer);
    InsertMode = true;
    const QString storedIn = settings->GetString(QStringLiteral("MIDI_IN"), true);
    const QString storedOut = settings->GetString(QStringLiteral("MIDI_OUT"), true);
    const int paneWidth = settings->GetInteger(QStringLiteral("LPW"), true, kDesignedPaneWidth);

    const int channel = settings->GetInteger(QStringLiteral("MIDI_OUT_CH"), true, 0);
    if (channel < 0 || channel > 15) {
        // The stored channel is refused; the window goes on with channel 1.
        ShowMessage(this, QStringLiteral("Invalid MIDI channel (0 thru 15)"), GetAppTitle());
        transmitChannel = 0;
    } else {
        transmitChannel = channel;
    }
    miChannel[static_cast<std::size_t>(transmitChannel)]->setChecked(true);

    FileDblClickAction = settings->GetInteger(QStringLiteral("DBL_CLICK_FILE_ACTION"), true, 0);
    if (FileDblClickAction < 0 || FileDblClickAction > 1)
        FileDblClickAction = 0;
    LogDblClickAction = settings->GetInteger(QStringLiteral("DBL_CLICK_LOG_ACTION"), true, 0);
    if (LogDblClickAction < 0 || LogDblClickAction > 2)
        LogDblClickAction = 0;
    (FileDblClickAction == 0 ? pmiSetFileEdit : pmiSetFileSend)->setChecked(true);
    (LogDblClickAction == 0   ? pmiSetLogLoadEvent
     : LogDblClickAction == 1 ? pmiSetLogEdit
                              : pmiSetLogSend)
        ->setChecked(true);
    LogSentMessages = settings->GetBool(QStringLiteral("LOG_SENT_MESSAGES"),
                                        {.CanCreate = true, .Default = false});
    pmiLogSentMessages->setChecked(LogSentMessages);

    TPortWatch& watch = ports->WatchPorts();
    FillDeviceMenu(miMIDIIn, inputGroup, inputItems, watch.Inputs(), {},
                   [this](int index) { SelectInputDevice(index); });
    FillDeviceMenu(miMIDIOut, outputGroup, outputItems, watch.Outputs(), {},
                   [this](int index) { SelectOutputDevice(index); });
    // The stored port is opened, the first one where none is stored. A stored port that is
    // not there now stays the choice: nothing is opened in its place (the simulated unit least
    // of all), and it is opened as soon as it comes. An input not stored goes with the stored
    // output: the input of its name where there is one (an interface brings both), and when
    // the output is missing, once it comes.
    QStringList gone;
    inputWithOutput =
        storedIn.isEmpty() && !storedOut.isEmpty() && !watch.Outputs().contains(storedOut);
    TChosenPort* const chosenIn = &ports->ChosenIn();
    for (const auto& [names, stored, port, select] :
         {std::tuple{watch.Inputs(), storedIn, chosenIn,
                     std::function<void(int)>([this](int index) { SelectInputDevice(index); })},
          std::tuple{watch.Outputs(), storedOut, &ports->ChosenOut(),
                     std::function<void(int)>([this](int index) { SelectOutputDevice(index); })}}) {
        if (!stored.isEmpty() && !names.contains(stored)) {
            port->Name = stored;
            port->Gone = true;
            gone << port->Text() + QStringLiteral(" is gone - waiting for it to come back");
            continue;
        }
        if (port == chosenIn && inputWithOutput)
            continue;
        const QString& wanted = stored.isEmpty() && port == chosenIn ? storedOut : stored;
        if (!names.isEmpty())
            select(std::max(0, static_cast<int>(names.indexOf(wanted))));
    }
    portsToFind = storedIn.isEmpty() && storedOut.isEmpty();
    if (!gone.isEmpty())
        MissingPortChanged();
    connect(&watch, &TPortWatch::Changed, this, [this] { PortsChanged(); });
    watch.Start(kPortWatchInterval);

    QStringList unavailable;
    for (const std::string& system : service.UnavailableSystems())
        unavailable << QString::fromStdString(system);
    if (!unavailable.isEmpty())
        AddLogLine(QStringLiteral("Not available on this machine: ") +
                   unavailable.join(QStringLiteral(", ")));

    if (midiInput.DeviceCount() > 0 && midiOutput.DeviceCount() > 0)
        ShowStatus(QStringLiteral("MIDI devices opened"));
    else
        ShowStatus(QStringLiteral("No MIDI devices found - check installation"));
    for (const QString& line : gone) {
        AddLogLine(line);
        ShowStatus(line);
    }

    SetupFilePane();
    LoadedFileName.clear();

    QApplication::restoreOverrideCursor();
    setWindowTitle(BaseCaption);
    initialized = true;
    if (windowState() == Qt::WindowNoState)
        settings->RestoreFormPosition(this);
    // Only now that the window has its size: the pane is shown as wide as it was saved.
    SetPaneWidth(paneWidth);
}

void TfrmMIDIExplorer::SetPaneWidth(int paneWidth) {
    // The buffer has the only stretch, so the splitter gives the pane this width however the
    // window is laid out later.
    const int pane = std::max(paneWidth, 0);
    splVertical->setSizes({std::max(width() - pane, kMinimumEditorWidth), pane});
}

void TfrmMIDIExplorer::FillDeviceMenu(QMenu* menu, QActionGroup* group,
                                      std::vector<std::unique_ptr<TqvMIDIMenuItem>>& items,
                                      const QStringList& names, const QString& open,
                                      const std::function<void(int)>& select) {
    items.clear(); // each item takes its action with it
    for (int index = 0; index < names.size(); ++index) {
        auto* item = new QAction(names[index], this);
        item->setCheckable(true);
        item->setData(index);
        item->setChecked(!open.isEmpty() && names[index] == open);
        group->addAction(item);
        menu->addAction(item);
        connect(item, &QAction::triggered, this, [select, index] { select(index); });
        items.push_back(std::make_unique<TqvMIDIMenuItem>(item, names[index]));
    }
    menu->setEnabled(!items.empty() && !portsHeld);
}

void TfrmMIDIExplorer::HoldPorts(bool held) {
    portsHeld = held;
    miMIDIIn->setEnabled(!held && !inputItems.empty());
    miMIDIOut->setEnabled(!held && !outputItems.empty());
    if (!held && ports && ports->Watch() != nullptr)
        PortsChanged(); // what came or went meanwhile
}

QString TfrmMIDIExplorer::MissingPort() const {
    return ports ? ports->Missing() : QString();
}

void TfrmMIDIExplorer::PortsChanged() {
    if (portsHeld)
        return; // followed when the hold ends
    const QStringList& inputs = ports->Watch()->Inputs();
    const QStringList& outputs = ports->Watch()->Outputs();
    const TMidiInput& midiInput = ports->Input();
    const TMidiOutput& midiOutput = ports->Output();
    const QString wasMissing = MissingPort();
    const auto openOutput = [&midiOutput] {
        return midiOutput.PortState() == TMidiOutput::State::Open ? midiOutput.ProductName()
                                                                  : QString();
    };
    const QString wasOpen = openOutput();
    const QStringList said =
        ports->Follow({.Input = [this] { OpenInputPort(ports->ChosenIn().Name); },
                       .Output = [this] { OpenOutputPort(ports->ChosenOut().Name); }});
    // The link knows before anything is shown: showing lets the jobs run.
    if (MissingPort() != wasMissing)
        MissingPortChanged();
    const auto openName = [](bool open, const QString& name) { return open ? name : QString(); };
    FillDeviceMenu(miMIDIIn, inputGroup, inputItems, inputs,
                   openName(midiInput.PortState() == TPortState::Open, midiInput.ProductName()),
                   [this](int index) { SelectInputDevice(index); });
    FillDeviceMenu(
        miMIDIOut, outputGroup, outputItems, outputs,
        openName(midiOutput.PortState() == TMidiOutput::State::Open, midiOutput.ProductName()),
        [this](int index) { SelectOutputDevice(index); });
    if (inputWithOutput && ports->ChosenIn().Name.isEmpty() && !openOutput().isEmpty() &&
        !inputs.isEmpty()) {
        inputWithOutput = false;
        const auto named = static_cast<int>(inputs.indexOf(ports->ChosenOut().Name));
        SelectInputDevice(named >= 0 ? named : 0);
    }
    for (const QString& text : said) {
        if (text.isEmpty())
            continue;
        AddLogLine(text);
        ShowStatus(text);
    }
    if (openOutput().isEmpty() && !wasOpen.isEmpty())
        OutputChanged(); // an output that opens says so itself
}

// (input, output): as the menus stand, input first.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
bool TfrmMIDIExplorer::ChoosePorts(const QString& input, const QString& output) {
    const auto choose = [](std::vector<std::unique_ptr<TqvMIDIMenuItem>>& items,
                           const QString& name, const std::function<void(int)>& select,
                           const std::function<bool()>& open) {
        for (std::size_t index = 0; index < items.size(); ++index)
            if (items[index]->Name == name) {
                select(static_cast<int>(index));
                return open();
            }
        return false;
    };
    const bool in = choose(
        inputItems, input, [this](int index) { SelectInputDevice(index); },
        [this, input] {
            return ports->Input().PortState() == TPortState::Open &&
                   ports->Input().ProductName() == input;
        });
    const bool out = choose(
        outputItems, output, [this](int index) { SelectOutputDevice(index); },
        [this, output] {
            return ports->Output().PortState() == TMidiOutput::State::Open &&
                   ports->Output().ProductName() == output;
        });
    return in && out;
}

void TfrmMIDIExplorer::SelectDevice(std::vector<std::unique_ptr<TqvMIDIMenuItem>>& items, int index,
                                    const std::function<void(const QString&)>& open,
                                    const std::function<QString()>& openName,
                                    const TDeviceTexts& texts) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TqvMIDIMenuItem& chosen = *items[static_cast<std::size_t>(index)];
    try {
        open(chosen.Name);
        ShowStatus(chosen.Name + texts.Opened);
        chosen.MenuItem->setChecked(true);
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        // The check mark stays with the device that is open, if any.
        const QString name = openName();
        for (auto& item : items)
            item->MenuItem->setChecked(!name.isEmpty() && item->Name == name);
        ShowMessage(this, QString::fromStdString(error.what()), texts.ErrorCaption);
        return;
    }
    QApplication::restoreOverrideCursor();
}

void TfrmMIDIExplorer::OpenInputPort(const QString& name) {
    ports->OpenInput(name);
    inputClock.restart(); // received events are timed from here on
    Chosen(ports->ChosenIn(), name, QStringLiteral("MIDI_IN"));
}

void TfrmMIDIExplorer::OpenOutputPort(const QString& name) {
    // Told whether it opened or not: the port before is closed either way.
    struct Tell {
        TfrmMIDIExplorer& window;
        ~Tell() { window.OutputChanged(); }
    } tell{*this};
    ports->OpenOutput(name);
    Chosen(ports->ChosenOut(), name, QStringLiteral("MIDI_OUT"));
}

// (name, key): the port, then where the settings keep it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TfrmMIDIExplorer::Chosen(TChosenPort& port, const QString& name, const QString& key) {
    const QString wasMissing = MissingPort();
    port.Name = name;
    port.Gone = false;
    if (initialized)
        portsToFind = false; // the user's own choice is not second-guessed
    if (settings != nullptr)
        settings->PutString(key, name);
    if (MissingPort() != wasMissing)
        MissingPortChanged();
}

void TfrmMIDIExplorer::SelectInputDevice(int index) {
    SelectDevice(
        inputItems, index, [this](const QString& name) { OpenInputPort(name); },
        [this] {
            return ports->Input().PortState() == TPortState::Open ? ports->Input().ProductName()
                                                                  : QString();
        },
        {.Opened = QStringLiteral(" opened for input"),
         .ErrorCaption = QStringLiteral("MIDI In error")});
}

void TfrmMIDIExplorer::SelectOutputDevice(int index) {
    SelectDevice(
        outputItems, index, [this](const QString& name) { OpenOutputPort(name); },
        [this] {
            return ports->Output().PortState() == TMidiOutput::State::Open
                       ? ports->Output().ProductName()
                       : QString();
        },
        {.Opened = QStringLiteral(" opened for output"),
         .ErrorCaption = QStringLiteral("MIDI Out error")});
}

void TfrmMIDIExplorer::ChooseChannel(int channel) {
    if (channel < 0 || channel > 15) {
        ShowMessage(this, QStringLiteral("Invalid MIDI channel (0 thru 15)"), GetAppTitle());
        return;
    }
    transmitChannel = channel;
    if (settings != nullptr)
        settings->PutInteger(QStringLiteral("MIDI_OUT_CH"), channel);
    miChannel[static_cast<std::size_t>(channel)]->setChecked(true);
}

void TfrmMIDIExplorer::ShowHook() {}

void TfrmMIDIExplorer::ActivateHook() {
    if (!initialized) {
        ShowMessage(this, QStringLiteral("Not Initialized"), GetAppTitle(), QMessageBox::Critical);
        QCoreApplication::exit(1);
    }
}

bool TfrmMIDIExplorer::KeyHook(int key, Qt::KeyboardModifiers) {
    if (key == Qt::Key_F9) {
        miSend->trigger();
        return true;
    }
    if (key == Qt::Key_F5) {
        RefreshFileList();
        return true;
    }
    return false;
}

void TfrmMIDIExplorer::CloseHook() {
    // The chosen ports are kept by name, even while they are gone.
    if (ports) {
        if (!ports->ChosenIn().Name.isEmpty() && settings != nullptr)
            settings->PutString(QStringLiteral("MIDI_IN"), ports->ChosenIn().Name);
        try {
            ports->Input().CloseDevice();
        } catch (const std::exception& error) {
            ShowMessage(this, QString::fromStdString(error.what()),
                        QStringLiteral("MIDI In error"));
        }
    }
    if (ports) {
        if (!ports->ChosenOut().Name.isEmpty() && settings != nullptr)
            settings->PutString(QStringLiteral("MIDI_OUT"), ports->ChosenOut().Name);
        try {
            ports->Output().CloseDevice();
        } catch (const std::exception& error) {
            ShowMessage(this, QString::fromStdString(error.what()),
                        QStringLiteral("MIDI Out error"));
        }
        ShowStatus(QStringLiteral("MIDI devices closed"));
    }
    if (settings != nullptr) {
        settings->SaveFormPosition(this);
        settings->PutInteger(QStringLiteral("LPW"), pgcTab->width());
        SaveFolderHistory();
    }
}

void TfrmMIDIExplorer::DestroyExplorer() {
    if (destroyed)
        return;
    destroyed = true;
    qApp->removeEventFilter(this);
    inputItems.clear();
    outputItems.clear();
    ports.reset();
    pendingLines.clear();
    ClearLog();
    SelectedFileNames.clear();
}

void TfrmMIDIExplorer::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous())
        ShowHook();
}

void TfrmMIDIExplorer::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        ActivateHook();
}

void TfrmMIDIExplorer::closeEvent(QCloseEvent* event) {
    if (!CanCloseHook()) {
        event->ignore();
        return;
    }
    CloseHook();
    event->accept();
}

bool TfrmMIDIExplorer::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if ((type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) &&
        watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if ((widget == this || isAncestorOf(widget)) && DropEvent(widget, event))
            return true;
    }
    if (type == QEvent::MouseButtonDblClick && watched == lbxLog->viewport()) {
        // A double click below the last line reaches no line: it is answered all the same.
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (lbxLog->LineAt(mouse->position().toPoint()) < 0) {
            LogDoubleClick(false);
            return true;
        }
    }
    if (event->type() == QEvent::Resize && watched == splVertical) {
        QMetaObject::invokeMethod(
            this, [this] { LayOutPanes(); }, Qt::QueuedConnection);
        return false;
    }
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this || isAncestorOf(widget)) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (KeyHook(key->key(), key->modifiers()))
                return true;
            if (widget == lvwFileList &&
                key->key() == Qt::Key_Delete) { // an open rename editor has the keys itself
                DeleteSelectedFiles();
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMIDIExplorer::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayOutPanes();
}

void TfrmMIDIExplorer::LayOutPanes() {
    if (memMsgBuf->width() < kMinimumEditorWidth) {
        const int total = splVertical->width() - splVertical->handleWidth();
        splVertical->setSizes({kMinimumEditorWidth, std::max(total - kMinimumEditorWidth, 0)});
    }
}

bool TfrmMIDIExplorer::DropEvent(QWidget* target, QEvent* event) {
    // Files dropped anywhere on the window load into the buffer, whatever control is under
    // the cursor (the text panes would otherwise paste the file's address as text); text
    // dropped on the buffer is typed in.
    auto* drop = static_cast<QDropEvent*>(event);
    const QMimeData* data = drop->mimeData();
    bool files = false;
    if (data->hasUrls())
        for (const QUrl& url : data->urls())
            files = files || url.isLocalFile();
    const bool onBuffer = target == memMsgBuf || target == memMsgBuf->viewport();
    const bool text = onBuffer && !files && data->hasText();
    if (!files && !text) {
        if (!onBuffer)
            return false; // the control's own business
        drop->ignore();   // the buffer takes nothing else
        return true;
    }
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (event->type() != QEvent::Drop)
        return true;
    if (files)
        DropFiles(data->urls());
    else
        DropText(data->text(), drop->position().toPoint());
    return true;
}

void TfrmMIDIExplorer::DropFiles(const QList<QUrl>& files) {
    for (const QUrl& file : files)
        if (file.isLocalFile()) {
            LoadFileIntoBuffer(file.toLocalFile());
            return;
        }
}

void TfrmMIDIExplorer::OpenHelp() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Beside the program in a build folder; in the shared data folder once installed.
    const QDir programFolder(QCoreApplication::applicationDirPath());
    QString help = programFolder.filePath(QStringLiteral("contents.htm"));
    const QString installed =
        programFolder.filePath(QStringLiteral("../share/quellfarn/contents.htm"));
    if (!QFileInfo::exists(help) && QFileInfo::exists(installed))
        help = QDir::cleanPath(installed);
    QString failure;
    if (!QFileInfo::exists(help))
        failure = QStringLiteral("Help file \"contents.htm\" not found");
    else if (!QDesktopServices::openUrl(QUrl::fromLocalFile(help)))
        failure = QStringLiteral("Cannot find browser to view help file");
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty())
        ShowMessage(this, failure, QStringLiteral("Unable to open help"));
}

void TfrmMIDIExplorer::SetInputDepth(int depth) {
    takingInput = depth;
    if (depth == 0)
        ReportLostInput(); // after the events that did arrive
}

void TfrmMIDIExplorer::ReportLostInput() {
    if (!ports || takingInput > 0) // reported after the events that did arrive
        return;
    const std::uint32_t lost = ports->Input().LostCount();
    if (lost <= lostReported)
        return;
    lostReported = lost;
    // Under sustained overload every drain loses more: one line keeps the running count of
    // everything lost since the window opened and moves to the bottom, not a line per drain.
    if (lossLine != 0)
        DeleteLogLine(lbxLog->Lines().RowOf(lossLine));
    const QString text =
        QStringLiteral("%1 MIDI in message(s) lost: input arrived faster than it could be taken in")
            .arg(lost);
    AddLogLine(text);
    lossLine = lbxLog->Lines().LastSerial();
    ShowStatus(text);
}

void TfrmMIDIExplorer::ReportSendError(const QString& errorText) {
    const QString text = QStringLiteral("MIDI Out error: ") + errorText;
    // A device that has gone away fails every send: one line says so until something else happens.
    AppendPendingLines();
    const int newest = lbxLog->LineCount() - 1;
    if (newest < 0 || lbxLog->LineText(newest) != text)
        AddLogLine(text);
    ShowStatus(text);
}
