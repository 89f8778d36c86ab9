// The main window's device link and processor menu.

#include "app/Main.h"

#include "app/KeyboardHelp.h"
#include "base/Application.h"
#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "editor/DraftStore.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "library/Library.h"
#include "link/ConnectionCheck.h"
#include "model/Protocol.h"
#include "mpt/mpt_edit.h"
#include "sim/SimulatedProcessor.h"
#include "sim/SimulatedUnitFile.h"
#include "store/UnitMemory.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDateTime>
#include <QKeySequence>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <iterator>
#include <mutex>
#include <sstream>
#include <utility>

TfrmMain::TfrmMain(MidiService& service, QWidget* parent)
    : TfrmMIDIExplorer(service, parent), Link(std::make_unique<TDeviceLink>(*this)),
      session(std::make_unique<TUnitSession>(*Link)),
      drafts(std::make_shared<TDraftStore>(DraftFolder())) {
    prbProcedure = new QProgressBar(this);
    prbProcedure->setObjectName(QStringLiteral("prbProcedure"));
    prbProcedure->setTextVisible(false);
    prbProcedure->setMaximumWidth(160);
    lblProgress = new QLabel(this);
    lblProgress->setObjectName(QStringLiteral("lblProgress"));
    stbStatBar->addPermanentWidget(lblProgress);
    stbStatBar->addPermanentWidget(prbProcedure);
    HideProgress();
    connect(Link.get(), &TDeviceLink::BusyChanged, this, [this](bool busy) {
        UpdateJobCommands();
        if (!busy)
            SendHeldPreset();
    });
    // The first start, with no ports stored: a silent first ping has the unit looked for.
    connect(Link.get(), &TDeviceLink::PingEnded, this, [this](bool answered) {
        if (std::exchange(findOnSilence, false) && !answered && PortsToFind())
            FindTheUnit(true);
    });
}

struct TfrmMain::TSimulatedSaves {
    TSimulatedSaves(const QString& folder, TfrmMain* window) : File(folder), Window(window) {}
    TSimulatedUnitFile File;
    std::mutex Mutex;
    TfrmMain* Window = nullptr; // told what went wrong while it is there
};

TfrmMain::~TfrmMain() {
    if (simulatedSaves) {
        const std::lock_guard lock(simulatedSaves->Mutex);
        simulatedSaves->Window = nullptr;
    }
    Link.reset(); // it sends through the ports and takes their input
    // The main window's own objects first, the last made first; then the explorer's part.
    while (!OwnedObjects.empty())
        OwnedObjects.pop_back();
    DestroyExplorer();
}

template <class T> T* TfrmMain::Own(std::unique_ptr<T> object) {
    T* raw = object.get();
    OwnedObjects.push_back(std::move(object));
    return raw;
}

void TfrmMain::InitializeExplorer(TqvRegUtil* store, const QString& caption) {
    TfrmMIDIExplorer::InitializeExplorer(store, caption);
    for (const char* obsolete : {"TMQ_REQ_DELAY", "LEFT_PANE_WIDTH", "RECT_MAIN", "RECT_MPT"})
        settings->DeleteValue(QString::fromLatin1(obsolete));

    miQuellfarnRequests = Own(std::make_unique<QMenu>(QStringLiteral("Quellfarn Requests")));
    miQuellfarnRequests->setObjectName(QStringLiteral("miQuellfarnRequests"));
    const auto item = [this](const char* name, const QString& caption) {
        QAction* action = Own(std::make_unique<QAction>(caption));
        action->setObjectName(QString::fromLatin1(name));
        miQuellfarnRequests->addAction(action);
        return action;
    };
    miGetCurrentPreset =
        item("miGetCurrentPreset", QStringLiteral("Get current preset only (F10)"));
    miGetEachPreset =
        item("miGetEachPreset", QStringLiteral("Get/Save each preset individually..."));
    miPrintPresetList = item("miPrintPresetList", QStringLiteral("Print list of presets..."));
    miSendPresets = item("miSendPresets", QStringLiteral("Send presets to the unit..."));
    miGetBulkDump = item("miGetBulkDump", QStringLiteral("Get preset bulk dump"));
    miQuellfarnRequests->addSeparator();
    miGetMptTable = item("miGetMptTable", QStringLiteral("Get MPT Table"));
    miBypass = item("miBypass", QStringLiteral("Bypass"));
    miBypass->setCheckable(true);
    miQuellfarnRequests->addSeparator();
    for (int bank = 0; bank < 4; ++bank) {
        miSelectBank[static_cast<std::size_t>(bank)] =
            item("", QStringLiteral("Select Bank &") + QLatin1Char(BankLetters[bank]));
        miSelectBank[static_cast<std::size_t>(bank)]->setObjectName(QStringLiteral("miSelectBank") +
                                                                    QLatin1Char(BankLetters[bank]));
        connect(miSelectBank[static_cast<std::size_t>(bank)], &QAction::triggered, this,
                [this, bank] { SelectBank(bank); });
    }
    miQuellfarnRequests->addSeparator();
    miPrePlenova = item("miPrePlenova", QStringLiteral("Use Pre-Plenova options"));
    miPrePlenova->setCheckable(true);
    miQuellfarnRequests->addSeparator();
    miCheckConnection = item("miCheckConnection", QStringLiteral("Check the connection..."));
    miFindUnit = item("miFindUnit", QStringLiteral("Find the unit..."));
    miQuellfarnRequests->addSeparator();
    miResetSimulatedUnit =
        item("miResetSimulatedUnit",
             QStringLiteral("Reset the simulated unit to its factory presets..."));
    miResetSimulatedUnit->setVisible(simulatedUnit != nullptr);
    connect(miResetSimulatedUnit, &QAction::triggered, this, [this] { ResetSimulatedUnit(); });
    connect(miGetEachPreset, &QAction::triggered, this, [this] { StartProcedure(true); });
    connect(miPrintPresetList, &QAction::triggered, this, [this] { StartProcedure(false); });
    connect(miSendPresets, &QAction::triggered, this, [this] { StartRestore(); });
    connect(miGetCurrentPreset, &QAction::triggered, this, [this] { RequestCurrentPreset(); });
    connect(miGetBulkDump, &QAction::triggered, this, [this] {
        if (!MidiOutAvailable(true))
            return;
        Link->SendRequest(RequestAllPresetsMessage(DeviceId));
        ShowStatus(QStringLiteral("All Preset Request issued"));
    });
    connect(miGetMptTable, &QAction::triggered, this, [this] {
        if (!MidiOutAvailable(true))
            return;
        Link->SendRequest(RequestProgramTableMessage(DeviceId));
        ShowStatus(QStringLiteral("MPT Request issued"));
    });
    connect(miCheckConnection, &QAction::triggered, this, [this] { CheckTheConnection(); });
    connect(miFindUnit, &QAction::triggered, this, [this] { FindTheUnit(); });
    connect(miKeyboard, &QAction::triggered, this, [this] {
        TfrmKeyboardHelp help(this);
        help.exec();
    });
    connect(miBypass, &QAction::triggered, this, [this] { ToggleBypass(); });
    connect(miPrePlenova, &QAction::triggered, this, [this] { ApplyModeOption(); });
    // Tried while a job runs, the disabled commands are explained.
    connect(miQuellfarnRequests, &QMenu::aboutToShow, this, [this] {
        if (Link->Busy())
            ShowStatus(Link->BusyReason());
    });

    miQuellfarnRequests->setEnabled(MidiInput()->DeviceCount() > 0 &&
                                    MidiOutput()->DeviceCount() > 0);
    miBypass->setChecked(false);
    miPrePlenova->setChecked(
        settings->GetBool(QStringLiteral("PRE_PLENOVA"), {.CanCreate = true, .Default = false}));
    AddMainMenu(miQuellfarnRequests);

    miPresets = Own(std::make_unique<QMenu>(QStringLiteral("Presets")));
    miPresets->setObjectName(QStringLiteral("miPresets"));
    miOpenPresetEditor =
        Own(std::make_unique<QAction>(QStringLiteral("Open current file in editor")));
    miOpenPresetEditor->setObjectName(QStringLiteral("miOpenPresetEditor"));
    miNewPreset = Own(std::make_unique<QAction>(QStringLiteral("New preset")));
    miNewPreset->setObjectName(QStringLiteral("miNewPreset"));
    miLibrary = Own(std::make_unique<QAction>(QStringLiteral("&Library...")));
    miLibrary->setObjectName(QStringLiteral("miLibrary"));
    miLibrary->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    miPresets->addAction(miOpenPresetEditor);
    miPresets->addAction(miNewPreset);
    miGigView = Own(std::make_unique<QAction>(QStringLiteral("&Gig view...")));
    miGigView->setObjectName(QStringLiteral("miGigView"));
    miGigView->setShortcut(QKeySequence(Qt::Key_F11));
    miPresets->addSeparator();
    miPresets->addAction(miLibrary);
    miPresets->addAction(miGigView);
    addAction(miLibrary); // its key works whatever menu is open
    addAction(miGigView);
    connect(miGigView, &QAction::triggered, this, [this] { ChooseGigSetList(); });
    connect(miLibrary, &QAction::triggered, this, [this] {
        Library()->show();
        Library()->raise();
        Library()->activateWindow();
    });
    miPresets->setEnabled(MidiInput()->DeviceCount() > 0 && MidiOutput()->DeviceCount() > 0);
    connect(miPresets, &QMenu::aboutToShow, this,
            [this] { miOpenPresetEditor->setEnabled(IsPresetDump()); });
    connect(miOpenPresetEditor, &QAction::triggered, this, [this] { OpenPresetEditor(); });
    connect(miNewPreset, &QAction::triggered, this, [this] { NewPresetEditor(); });
    AddMainMenu(miPresets);

    miMPT = Own(std::make_unique<QMenu>(QStringLiteral("MPT")));
    miMPT->setObjectName(QStringLiteral("miMPT"));
    miOpenMptEditor = Own(std::make_unique<QAction>(QStringLiteral("Open current file in editor")));
    miOpenMptEditor->setObjectName(QStringLiteral("miOpenMptEditor"));
    miNewMpt = Own(std::make_unique<QAction>(QStringLiteral("New MPT table")));
    miNewMpt->setObjectName(QStringLiteral("miNewMpt"));
    miMPT->addAction(miOpenMptEditor);
    miMPT->addAction(miNewMpt);
    miMPT->setEnabled(MidiInput()->DeviceCount() > 0 && MidiOutput()->DeviceCount() > 0);
    connect(miMPT, &QMenu::aboutToShow, this, [this] { miOpenMptEditor->setEnabled(IsMptDump()); });
    connect(miOpenMptEditor, &QAction::triggered, this, [this] {
        if (IsMptDump())
            OpenMptEditor();
    });
    connect(miNewMpt, &QAction::triggered, this, [this] { NewMptEditor(); });
    AddMainMenu(miMPT);

    pmiEdit = Own(std::make_unique<QAction>(QStringLiteral("&Edit...")));
    pmiEdit->setObjectName(QStringLiteral("pmiEdit"));
    connect(pmiEdit, &QAction::triggered, this, [this] { OpenBufferInEditor(); });
    AddBufferMenuItem(pmiEdit);

    Link->SetRequestDelay(settings->GetInteger(QStringLiteral("TMQReqDelay"), true, 1000));
    DeviceId = static_cast<std::uint8_t>(TransmitChannel());
    ApplyModeOption();
    Link->Attach(MidiInput());
    connect(Link.get(), &TDeviceLink::BusyChanged, this, [this](bool busy) {
        if (!busy && !library.isNull() && library->isVisible())
            library->Refresh(); // what a job read is in the memory now
    });
    miView = Own(std::make_unique<QMenu>(QStringLiteral("&View")));
    miView->setObjectName(QStringLiteral("miView"));
    QMenu* appearance = miView->addMenu(QStringLiteral("&Appearance"));
    auto* looks = new QActionGroup(this);
    const int stored = settings->GetInteger(QStringLiteral("APPEARANCE"), true, 0);
    const int look = stored >= 0 && stored <= 2 ? stored : 0; // a damaged value: the desktop's
    for (const auto& [name, text, chosen] :
         {std::tuple{"miLookDesktop", "As the &desktop", TAppearance::Desktop},
          std::tuple{"miLookLight", "&Light", TAppearance::Light},
          std::tuple{"miLookDark", "Dar&k", TAppearance::Dark}}) {
        auto* item = new QAction(QString::fromLatin1(text), this);
        appearance->addAction(item);
        item->setObjectName(QString::fromLatin1(name));
        item->setCheckable(true);
        item->setChecked(static_cast<int>(chosen) == look);
        looks->addAction(item);
        connect(item, &QAction::triggered, this, [this, chosen = chosen] {
            ApplyAppearance(chosen);
            if (settings != nullptr)
                settings->PutInteger(QStringLiteral("APPEARANCE"), static_cast<int>(chosen));
        });
    }
    if (look != 0)
        ApplyAppearance(static_cast<TAppearance>(look));
    AddMainMenu(miView);

    // Open at the very first start, and again when it was open at the end.
    followUnit =
        settings->GetBool(QStringLiteral("FOLLOW_UNIT"), {.CanCreate = true, .Default = false});
    if (settings->GetBool(QStringLiteral("LIBRARY_OPEN"), {.CanCreate = false, .Default = true}))
        QTimer::singleShot(0, this, [this] { Library()->show(); });
    if (!simulatedProblem.isEmpty())
        AddLogLine(std::exchange(simulatedProblem, QString()));
}

void TfrmMain::CheckTheConnection() {
    if (Link->Busy()) {
        ShowStatus(Link->BusyReason());
        return;
    }
    ShowStatus(QStringLiteral("Checking the connection..."));
    // Ten request delays to answer, as a ping has, but never less than a second.
    const TCheckResult result =
        CheckConnection(*Link, std::max(1000.0, 10.0 * Link->RequestDelay()));
    ShowStatus(result.Verdict);
    QStringList steps;
    for (const TCheckStep& step : result.Steps)
        steps << step.What + (step.Passed ? QStringLiteral(": ok") : QStringLiteral(": failed"));
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("CheckConnectionBox"));
    box.setWindowTitle(QStringLiteral("Check the connection"));
    box.setIcon(result.Answers ? QMessageBox::Information : QMessageBox::Warning);
    box.setText(result.Verdict);
    box.setInformativeText(steps.join(QLatin1Char('\n')));
    OfferDevice(box, result.FoundDevice);
}

void TfrmMain::OfferDevice(QMessageBox& box, int device) {
    QPushButton* use = nullptr;
    if (device >= 0 && device != DeviceId)
        use = box.addButton(QStringLiteral("Use device %1").arg(device), QMessageBox::AcceptRole);
    box.addButton(QMessageBox::Close);
    box.exec();
    if (use != nullptr && box.clickedButton() == use) {
        ChooseChannel(device); // stored as the device byte from now on
        DeviceId = static_cast<std::uint8_t>(device);
        ShowStatus(QStringLiteral("Quellfarn now talks to device %1").arg(device));
    }
}

void TfrmMain::FindTheUnit(bool quiet) {
    findOnSilence = false;
    if (Link->Busy()) {
        ShowStatus(Link->BusyReason());
        return;
    }
    if (finding) {
        ShowStatus(QStringLiteral("Already looking for the unit..."));
        return;
    }
    // While every port is tried, no other port may be chosen nor another search begun: the
    // search listens on all inputs and chooses the pair at its end.
    finding = true;
    HoldPorts(true);
    miFindUnit->setEnabled(false);
    const QPointer<TfrmMain> self(this);
    struct Done {
        std::function<void()> Run;
        ~Done() { Run(); }
    } done{[this, self] {
        if (self.isNull())
            return;
        finding = false;
        miFindUnit->setEnabled(true);
        HoldPorts(false);
    }};
    ShowStatus(QStringLiteral("Looking for the unit on every pair of ports..."));
    const QString wasIn =
        MidiInput()->PortState() == TPortState::Open ? MidiInput()->ProductName() : QString();
    const QString wasOut = MidiOutput()->PortState() == TMidiOutput::State::Open
                               ? MidiOutput()->ProductName()
                               : QString();
    // A port may not be open twice: ours are closed while every port is tried.
    try {
        MidiInput()->CloseDevice();
        MidiOutput()->CloseDevice();
    } catch (const std::exception& error) {
        ShowStatus(QString::fromStdString(error.what()));
        return;
    }
    const TFoundUnit found =
        FindUnit(Service(), *this, static_cast<int>(std::max(1000.0, 2.0 * Link->RequestDelay())));
    if (found.Found())
        ChoosePorts(found.Input, found.Output);
    else
        ChoosePorts(wasIn, wasOut); // what was chosen stays chosen
    const QString text = FoundText(found);
    ShowStatus(text);
    if (quiet) {
        AddLogLine(text);
        return;
    }
    QMessageBox box(this);
    box.setObjectName(QStringLiteral("FindUnitBox"));
    box.setWindowTitle(QStringLiteral("Find the unit"));
    box.setIcon(found.Found() ? QMessageBox::Information : QMessageBox::Warning);
    box.setText(text);
    OfferDevice(box, found.Device);
}

void TfrmMain::FollowTheUnit() {
    followPending = false;
    const std::vector<TfrmPresetEditor*> shown = childWindows.ShownReceivedEditors();
    if (shown.empty() || Link->Busy() || !MidiOutAvailable(false))
        return;
    int bank = 0;
    int slot = 0;
    if (!Link->WhereIsTheUnit(bank, slot)) {
        ShowStatus(QStringLiteral("The unit changed its preset but did not say which one"));
        return;
    }
    const QString place = SlotPlace(bank, slot, PrePlenovaMode);
    const TSlotMemory* held = nullptr;
    if (Memory() != nullptr && Link->Job<TVerifiedStore>().ReadSlots({{bank, slot}}) == 1 &&
        Memory() != nullptr)
        held = Memory()->Slot(bank, slot);
    if (held == nullptr || held->Now() == nullptr) {
        ShowStatus(QStringLiteral("The unit turned to %1, but its preset did not come").arg(place));
        return;
    }
    // The newest editor without unsaved changes takes it; unsaved changes are never dropped.
    TfrmPresetEditor* editor = nullptr;
    for (TfrmPresetEditor* candidate : shown)
        if (!candidate->Document().HasEdits())
            editor = candidate;
    const QString text = OpenSlotIn(editor, held->Now()->Dump, bank, slot);
    if (!text.isEmpty())
        ShowStatus(QStringLiteral("Following the unit: %1").arg(text));
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TfrmMain::OpenSlotIn(TfrmPresetEditor* editor, const TBytes& dump, int bank, int slot) {
    const QString place = SlotPlace(bank, slot, PrePlenovaMode);
    // Read once aside first: a dump that cannot be read leaves the editor as it was.
    try {
        std::stringstream trial(std::string(dump.begin(), dump.end()));
        TPreset().LoadFromStream(trial);
    } catch (const std::exception& error) {
        ShowStatus(place + QStringLiteral(": ") + QString::fromStdString(error.what()));
        return {};
    }
    QString why;
    if (editor == nullptr || editor->Document().HasEdits()) {
        editor = new TfrmPresetEditor(this); // a child of this window, which frees it
        childWindows.Add(editor, true);
        ConnectEditor(*editor);
        why = QStringLiteral(" in a window of its own: the editor's unsaved changes stay");
    }
    std::stringstream stream(std::string(dump.begin(), dump.end()));
    editor->SetUp(); // the preset before leaves its history, its file name and its home with it
    try {
        editor->LoadDump(stream);
    } catch (const std::exception& error) {
        ShowStatus(QString::fromStdString(error.what()));
        return {};
    }
    editor->Document().SetHomeSlot({PrePlenovaMode ? -1 : bank, slot});
    editor->Show();
    return place + QStringLiteral(" opened") + why;
}

void TfrmMain::StepSlot(TfrmPresetEditor& editor, int step) {
    const auto say = [this, &editor](const QString& text) {
        editor.Say(text);
        ShowStatus(text);
    };
    const TPresetDocument::THomeSlot home = editor.Document().HomeSlot();
    if (home.Slot < 1) {
        say(QStringLiteral("Ctrl+PgDown and Ctrl+PgUp step through the unit's slots from a "
                           "preset that came from one"));
        return;
    }
    if (Link->Busy()) {
        say(Link->BusyReason());
        return;
    }
    const int bank = PrePlenovaMode ? -1 : (home.Bank >= 0 ? home.Bank : Link->CurrentBank());
    const auto next = StepPlace(bank, home.Slot, step, PrePlenovaMode);
    if (!next) {
        const QString end = step > 0 ? QStringLiteral("last") : QStringLiteral("first");
        say(bank < 0 && !PrePlenovaMode
                ? QStringLiteral("%1 is the %2 slot of the bank the unit is in (its bank is not "
                                 "known)")
                      .arg(SlotPlace(bank, home.Slot, PrePlenovaMode), end)
                : QStringLiteral("%1 is the unit's %2 slot")
                      .arg(SlotPlace(bank, home.Slot, PrePlenovaMode), end));
        return;
    }
    const std::optional<TfrmPresetEditor::TReadSlot> read =
        editor.OnReadSlot ? editor.OnReadSlot(next->first, next->second) : std::nullopt;
    if (!read) {
        say(QStringLiteral("The unit did not send %1")
                .arg(SlotPlace(next->first, next->second, PrePlenovaMode)));
        return;
    }
    const QString text = OpenSlotIn(&editor, read->Dump, next->first, next->second);
    if (!text.isEmpty())
        say(text);
}

TUnitName TfrmMain::UnitInUse() const {
    TUnitName unit;
    unit.Port = ChosenOutput();
    unit.Simulated = unit.Port == QLatin1String(kSimulatedDeviceName);
    unit.Connected = !unit.Port.isEmpty() && MidiOutput() != nullptr &&
                     MidiOutput()->PortState() == TMidiOutput::State::Open &&
                     MidiOutput()->ProductName() == unit.Port;
    return unit;
}

void TfrmMain::OutputChanged() {
    unitTable.reset(); // another unit's, or not known to be the same
    // The library shows the unit behind the output now, not the one before; during a job it is
    // shown again when the job ends.
    if (!library.isNull() && Link != nullptr && !Link->Busy())
        library->Refresh();
}

QString TfrmMain::SimulatedUnitFolder() {
    return ProgramDataFolder() + QStringLiteral("/simulated-unit");
}

void TfrmMain::KeepSimulatedUnit(std::shared_ptr<TSimulatedProcessor> unit, const QString& folder) {
    if (simulatedUnit)
        simulatedUnit->SetMemoryKeeper({});
    if (simulatedSaves) {
        const std::lock_guard lock(simulatedSaves->Mutex);
        simulatedSaves->Window = nullptr;
    }
    simulatedUnit = std::move(unit);
    simulatedSaves = std::make_shared<TSimulatedSaves>(folder, this);
    const QString problem = simulatedUnit->WithDevice(
        [this](TPlenovaDevice& device) { return simulatedSaves->File.Load(device); });
    // On the unit's thread: the file is written there, what that said is told here.
    simulatedUnit->SetMemoryKeeper([saves = simulatedSaves](const TBytes& memory) {
        const QString error = saves->File.Save(memory);
        const std::lock_guard lock(saves->Mutex);
        if (TfrmMain* window = saves->Window)
            QMetaObject::invokeMethod(
                window, [window, error] { window->SimulatedUnitSaved(error); },
                Qt::QueuedConnection);
    });
    if (miResetSimulatedUnit != nullptr)
        miResetSimulatedUnit->setVisible(true);
    if (problem.isEmpty())
        return;
    if (Initialized())
        AddLogLine(problem);
    else
        simulatedProblem = problem;
}

void TfrmMain::SimulatedUnitSaved(const QString& error) {
    // Said once, not after every store that fails the same way.
    if (error == std::exchange(simulatedSaveError, error) || error.isEmpty())
        return;
    const QString text = QStringLiteral("The simulated unit's memory was not saved: ") + error;
    AddLogLine(text);
    ShowStatus(text);
}

void TfrmMain::ResetSimulatedUnit() {
    if (!simulatedUnit)
        return;
    if (Link->Busy()) {
        ShowStatus(Link->BusyReason());
        return;
    }
    if (Dialogs().MessageBox(
            this,
            QStringLiteral("Reset the simulated unit to its factory presets?\n\nEvery preset "
                           "stored into it, its program table and its bank are lost. The library "
                           "shows what it last read until the unit is read again."),
            QStringLiteral("Reset the simulated unit"), QMessageBox::Yes | QMessageBox::No,
            QMessageBox::Question) != QMessageBox::Yes)
        return;
    simulatedUnit->FactoryReset(); // and written to its file
    const QString text = QStringLiteral("The simulated unit holds its factory presets again");
    AddLogLine(text);
    ShowStatus(text);
}

void TfrmMain::MessageBufferPopupHook() {
    TfrmMIDIExplorer::MessageBufferPopupHook();
    if (pmiEdit != nullptr)
        pmiEdit->setEnabled(MessageByteCount == PresetDumpLength ||
                            MessageByteCount == MptDumpLength);
}

void TfrmMain::ConnectEditor(TfrmPresetEditor& editor) {
    editor.Document().OnSendPreset = [this](std::istream& stream) {
        return SendStreamToMidiOut(stream);
    };
    editor.OnGetPresetNumber = [this] { return QueryCurrentPresetNumber(); };
    editor.OnStorePreset = [this](const TStoreRequest& request) {
        return StoreFromEditor(request);
    };
    editor.OnSlotHolds = [this](int bank, int slot) { return SlotHoldsText(bank, slot); };
    editor.OnUnit = [this] { return UnitInUse(); };
    // (bank, slot): a place of the unit, bank first, as everywhere.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    editor.OnReadSlot = [this](int bank, int slot) -> std::optional<TfrmPresetEditor::TReadSlot> {
        const TUnitMemory* unit = Memory();
        const int read = PrePlenovaMode ? 0 : (bank >= 0 ? bank : Link->CurrentBank());
        if (unit == nullptr || read < 0 || !MidiOutAvailable(true) ||
            Link->Job<TVerifiedStore>().ReadSlots({{read, slot}}) != 1)
            return std::nullopt;
        const TSlotMemory* held = Memory()->Slot(read, slot);
        if (held == nullptr || held->Now() == nullptr)
            return std::nullopt;
        return TfrmPresetEditor::TReadSlot{SlotPlace(read, slot, PrePlenovaMode),
                                           held->Now()->Dump};
    };
    editor.SetUnitBusy(Link->Busy());
    editor.KeepDraftsIn(drafts);
    editor.SetFollowUnit(followUnit);
    editor.OnStepSlot = [this, at = &editor](int step) { StepSlot(*at, step); };
    editor.OnFollowUnit = [this](bool on) {
        followUnit = on;
        if (settings != nullptr)
            settings->PutBool(QStringLiteral("FOLLOW_UNIT"), on);
        for (TfrmPresetEditor* other : PresetEditors())
            other->SetFollowUnit(on);
    };
}

void TfrmMain::OpenPresetEditor() {
    if (!IsPresetDump())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TfrmPresetEditor* editor = childWindows.HiddenReceivedEditor();
    if (editor != nullptr) {
        editor->SetUp();
    } else {
        editor = new TfrmPresetEditor(this); // a child of this window, which frees it
        childWindows.Add(editor, true);
    }
    ConnectEditor(*editor);
    std::stringstream stream(
        std::string(reinterpret_cast<const char*>(MessageBytes.data()), PresetDumpLength));
    editor->SetFileName(LoadedFileName);
    try {
        editor->LoadDump(stream);
    } catch (const std::exception& error) {
        QApplication::restoreOverrideCursor();
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("Sorry..."));
        return;
    }
    editor->Show();
    QApplication::restoreOverrideCursor();
}

TfrmPresetEditor* TfrmMain::NewPresetEditor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* editor = new TfrmPresetEditor(this); // a child of this window, which frees it
    childWindows.Add(editor);
    ConnectEditor(*editor);
    editor->Show();
    QApplication::restoreOverrideCursor();
    return editor;
}

QString TfrmMain::SendStreamToMidiOut(std::istream& stream) {
    stream.clear();
    stream.seekg(0);
    const std::string bytes((std::istreambuf_iterator<char>(stream)),
                            std::istreambuf_iterator<char>());
    if (!MidiOutAvailable(false))
        return QStringLiteral("MIDI Out device not available");
    if (Link->Busy()) {
        // The unit's edit buffer belongs to the job until it ends; the last preset an editor
        // sent meanwhile goes out then.
        heldPreset.assign(bytes.begin(), bytes.end());
        return QStringLiteral("Held until the unit is free: ") + Link->BusyReason();
    }
    try {
        MidiOutput()->SendLong(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                               static_cast<std::uint16_t>(bytes.size()));
    } catch (const std::exception& error) {
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("MIDI Out error"));
        return QString::fromStdString(error.what());
    }
    return QString::fromLatin1(kSentText);
}

bool TfrmMain::CanCloseHook() {
    // An editor holding unsaved changes asks first; its Cancel keeps the program running.
    for (TfrmPresetEditor* editor : PresetEditors())
        if (editor->isVisible() && !editor->close())
            return false;
    for (const QPointer<TfrmMPTEdit>& table : TableEditors())
        if (!table.isNull() && !table->close())
            return false;
    return true;
}

void TfrmMain::ShowHook() {
    // Once the window is up, so the question stands in front of it.
    if (!std::exchange(recoveryOffered, true))
        QTimer::singleShot(0, this, [this] { OfferRecovery(); });
    // Only a ping that goes out can go unanswered. A stored port that is not there is waited
    // for: nothing else, the simulated unit least of all, is looked for in its place.
    findOnSilence = PortsToFind() && MidiOutput() != nullptr &&
                    MidiOutput()->PortState() == TMidiOutput::State::Open;
    PingDevice();
    TfrmMIDIExplorer::ShowHook();
}

bool TfrmMain::KeyHook(int key, Qt::KeyboardModifiers modifiers) {
    if (TfrmMIDIExplorer::KeyHook(key, modifiers))
        return true;
    if (key == Qt::Key_F10) {
        RequestCurrentPreset();
        return true;
    }
    const Qt::KeyboardModifiers held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (key == Qt::Key_C && held == Qt::ControlModifier && Link->Job<TBackupWalk>().Active()) {
        Link->Job<TBackupWalk>().Abort();
        HideProgress();
        return true;
    }
    if (key == Qt::Key_C && held == Qt::ControlModifier && Link->Job<TPlanWalk>().Running()) {
        Link->Job<TPlanWalk>().Abort(); // the slot being written is finished first
        ShowStatus(QStringLiteral("Stopping the writes..."));
        return true;
    }
    if (key == Qt::Key_C && held == Qt::ControlModifier && Link->Job<TRestoreWalk>().Running()) {
        Link->Job<TRestoreWalk>().Abort(); // the preset being written is finished first
        ShowStatus(QStringLiteral("Stopping the restore..."));
        return true;
    }
    return false;
}

void TfrmMain::CloseHook() {
    if (settings != nullptr) {
        settings->PutInteger(QStringLiteral("TMQReqDelay"), Link->RequestDelay());
        settings->PutBool(QStringLiteral("PRE_PLENOVA"),
                          miPrePlenova != nullptr && miPrePlenova->isChecked());
        settings->PutBool(QStringLiteral("LIBRARY_OPEN"),
                          !library.isNull() && library->isVisible());
    }
    TfrmMIDIExplorer::CloseHook();
}

void TfrmMain::OpenBufferInEditor() {
    if (IsPresetDump())
        OpenPresetEditor();
    else if (IsMptDump())
        OpenMptEditor();
}

TfrmMPTEdit* TfrmMain::OpenMptEditor() {
    return OpenMptEditor(TByteView(MessageBytes.data(), static_cast<std::size_t>(MptDumpLength)));
}

TfrmMPTEdit* TfrmMain::OpenMptEditor(TByteView table) {
    auto* editor = new TfrmMPTEdit(this); // a child of this window; frees itself when closed
    editor->OnSendMessage = [this](std::istream& stream) { return SendStreamToMidiOut(stream); };
    editor->OnPresetTitles = [this](int bank) { return PresetTitles(bank); };
    std::stringstream stream(std::string(table.begin(), table.end()));
    try {
        editor->LoadTable(stream);
    } catch (const std::exception& error) {
        editor->MptModified = false;
        editor->close();
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("Sorry..."));
        return nullptr;
    }
    childWindows.Add(editor);
    editor->show();
    return editor;
}

std::map<int, std::string> TfrmMain::PresetTitles(int bank) {
    const TUnitMemory* memory = Memory();
    return memory != nullptr ? BankTitles(*memory, bank) : std::map<int, std::string>();
}

TfrmMPTEdit* TfrmMain::NewMptEditor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* editor = new TfrmMPTEdit(this); // a child of this window; frees itself when closed
    editor->OnSendMessage = [this](std::istream& stream) { return SendStreamToMidiOut(stream); };
    editor->OnPresetTitles = [this](int bank) { return PresetTitles(bank); };
    childWindows.Add(editor);
    editor->show();
    QApplication::restoreOverrideCursor();
    return editor;
}

void TfrmMain::Unclaimed(std::unique_ptr<TMyMidiEvent> event) {
    // An editor learning a controller takes the number; the monitor logs it all the same.
    if (!event->SysexData && (event->StatusByte & 0xF0) == 0xB0)
        for (TfrmPresetEditor* editor : PresetEditors())
            if (editor->isVisible() && editor->Learning())
                editor->LearnController(event->DataByte1);
    // A program table from the unit: its present one, as far as the window knows.
    if (event->SysexData && ::IsMptDump(TByteView(event->SysexData.get(), event->SysexSize))) {
        unitTable = TBytes(event->SysexData.get(), event->SysexData.get() + event->SysexSize);
        ++tablesSeen;
    }
    // The unit's own program change: it is asked where it is once this input is handled.
    if (!event->SysexData && (event->StatusByte & 0xF0) == 0xC0 && followUnit && !followPending &&
        !Link->Busy() && !childWindows.ShownReceivedEditors().empty()) {
        followPending = true;
        QTimer::singleShot(0, this, [this] { FollowTheUnit(); });
    }
    LogReceived(std::move(event));
}

void TfrmMain::WalkPresetArriving(TByteView dump) {
    // The walk's preset goes through the message buffer, as a loaded one would.
    MessageBytes.fill(0);
    std::copy_n(dump.begin(), std::min<std::size_t>(dump.size(), MessageBytes.size()),
                MessageBytes.begin());
    MessageByteCount = static_cast<int>(dump.size());
}

void TfrmMain::InputFailed(const QString& error) {
    AddLogLine(error);
    ShowStatus(error);
}

void TfrmMain::SendFailed(const QString& errorText) {
    ShowMessage(this, errorText, QStringLiteral("MIDI Out error"));
}

void TfrmMain::BypassReported(bool on) {
    miBypass->setChecked(on);
}

void TfrmMain::RequestCurrentPreset() {
    if (MidiOutAvailable(true))
        Link->RequestCurrentPreset();
}

void TfrmMain::PingDevice() {
    if (MidiOutput() == nullptr || MidiOutput()->PortState() != TMidiOutput::State::Open)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    Link->PingDevice();
}

void TfrmMain::ToggleBypass() {
    // The check follows the click even when nothing can be sent.
    if (!MidiOutAvailable(false))
        return;
    const bool on = miBypass->isChecked();
    ShowStatus(on ? QStringLiteral("Bypass activation request sent")
                  : QStringLiteral("Bypass deactivation request sent"));
    Link->SendRequest(SetBypassMessage(DeviceId, on));
}

void TfrmMain::ApplyModeOption() {
    SetPrePlenovaMode(miPrePlenova->isChecked());
    UpdateJobCommands();
}

void TfrmMain::UpdateJobCommands() {
    // While a walk, a restore or a store runs, nothing else may choose another bank, change
    // the unit's model or start another transfer.
    const bool idle = !Link->Busy();
    for (QAction* bank : miSelectBank)
        if (bank != nullptr)
            bank->setEnabled(idle && !PrePlenovaMode);
    for (QAction* command :
         {miGetEachPreset, miPrintPresetList, miSendPresets, miGetBulkDump, miPrePlenova})
        if (command != nullptr)
            command->setEnabled(idle);
    for (TfrmPresetEditor* editor : PresetEditors())
        editor->SetUnitBusy(!idle);
}

void TfrmMain::SendHeldPreset() {
    if (heldPreset.empty())
        return;
    const std::string bytes(heldPreset.begin(), heldPreset.end());
    heldPreset.clear();
    std::stringstream stream(bytes);
    SendStreamToMidiOut(stream);
}

bool TfrmMain::IsPresetDump() {
    const bool dump =
        ::IsPresetDump(TByteView(MessageBytes.data(), static_cast<std::size_t>(MessageByteCount)));
    if (dump)
        ShowStatus(QStringLiteral("Preset loaded: ") + PresetTitleOf());
    return dump;
}

bool TfrmMain::IsMptDump() {
    return ::IsMptDump(TByteView(MessageBytes.data(), static_cast<std::size_t>(MessageByteCount)));
}

QString TfrmMain::PresetTitleOf() const {
    return QString::fromLatin1(
        ::PresetTitleOf(TByteView(MessageBytes.data(), PresetDumpLength)).c_str());
}
