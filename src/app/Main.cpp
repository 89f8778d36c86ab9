// The main window's device link and processor menu.

#include "app/Main.h"

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "editor/PresetEditor.h"
#include "model/Protocol.h"
#include "mpt/mpt_edit.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStatusBar>
#include <chrono>
#include <iterator>
#include <sstream>

TfrmMain::TfrmMain(MidiService& service, QWidget* parent)
    : TfrmMIDIExplorer(service, parent), Link(std::make_unique<TDeviceLink>(*this)) {
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
}

TfrmMain::~TfrmMain() {
    Link->timPresetReq->stop();
    // Table windows the user left open go with the program.
    for (const QPointer<TfrmMPTEdit>& table : TableEditors)
        delete table.data();
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
    miPresets->addAction(miOpenPresetEditor);
    miPresets->addAction(miNewPreset);
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

    Link->RequestDelay = settings->GetInteger(QStringLiteral("TMQReqDelay"), true, 1000);
    if (Link->RequestDelay == 0)
        Link->RequestDelay = 1000;
    DeviceId = static_cast<std::uint8_t>(TransmitChannel());
    ApplyModeOption();
    Link->CurrentBank = -1;
    ChildWindows = Own(std::make_unique<TChildWindowList>());
}

TChildWindowList::~TChildWindowList() {
    Clear();
}

void TChildWindowList::Clear() {
    while (!Windows.empty())
        Windows.pop_back();
}

void TfrmMain::MessageBufferPopupHook() {
    TfrmMIDIExplorer::MessageBufferPopupHook();
    if (pmiEdit != nullptr)
        pmiEdit->setEnabled(MessageByteCount == PresetDumpLength ||
                            MessageByteCount == MptDumpLength);
}

std::vector<TfrmPresetEditor*> TfrmMain::PresetEditors() const {
    std::vector<TfrmPresetEditor*> editors;
    if (ChildWindows != nullptr)
        for (const auto& window : ChildWindows->Windows)
            editors.push_back(window.get());
    for (const auto& owned : OwnedObjects)
        if (auto* editor = qobject_cast<TfrmPresetEditor*>(owned.get()))
            editors.push_back(editor);
    return editors;
}

void TfrmMain::ConnectEditor(TfrmPresetEditor& editor) {
    editor.OnSendPreset = [this](std::istream& stream) { return SendStreamToMidiOut(stream); };
    editor.OnSendSysEx = [this](const std::uint8_t* bytes, int count) {
        if (!MidiOutAvailable(false))
            return;
        try {
            MidiOutput()->SendLong(bytes, static_cast<std::uint16_t>(count));
        } catch (const std::exception& error) {
            ShowMessage(this, QString::fromStdString(error.what()),
                        QStringLiteral("MIDI Out error"));
        }
    };
    editor.OnGetPresetNumber = [this] { return QueryCurrentPresetNumber(); };
    editor.OnStorePreset = [this](const TStoreRequest& request) {
        return Link->StorePreset(request);
    };
    editor.RequestDelay = Link->RequestDelay;
    editor.SetUnitBusy(Link->Busy());
}

void TfrmMain::OpenPresetEditor() {
    if (!IsPresetDump())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TfrmPresetEditor* editor = nullptr;
    for (const auto& window : ChildWindows->Windows)
        if (!window->isVisible()) {
            editor = window.get();
            editor->SetUp();
            break;
        }
    if (editor == nullptr) {
        ChildWindows->Windows.push_back(std::make_unique<TfrmPresetEditor>());
        editor = ChildWindows->Windows.back().get();
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
    TfrmPresetEditor* editor = Own(std::make_unique<TfrmPresetEditor>());
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
    for (const QPointer<TfrmMPTEdit>& table : TableEditors)
        if (!table.isNull() && !table->close())
            return false;
    return true;
}

void TfrmMain::ShowHook() {
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
    if (key == Qt::Key_C && held == Qt::ControlModifier && Link->ProcedureActive) {
        Link->AbortProcedure();
        HideProgress();
        return true;
    }
    if (key == Qt::Key_C && held == Qt::ControlModifier && Link->Restoring()) {
        Link->AbortRestore(); // the preset being written is finished first
        ShowStatus(QStringLiteral("Stopping the restore..."));
        return true;
    }
    return false;
}

void TfrmMain::CloseHook() {
    if (settings != nullptr) {
        settings->PutInteger(QStringLiteral("TMQReqDelay"), Link->RequestDelay);
        settings->PutBool(QStringLiteral("PRE_PLENOVA"),
                          miPrePlenova != nullptr && miPrePlenova->isChecked());
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
    auto* editor = new TfrmMPTEdit; // frees itself when closed
    editor->OnSendMessage = [this](std::istream& stream) { return SendStreamToMidiOut(stream); };
    std::stringstream stream(std::string(reinterpret_cast<const char*>(MessageBytes.data()),
                                         static_cast<std::size_t>(MptDumpLength)));
    try {
        editor->LoadTable(stream);
    } catch (const std::exception& error) {
        editor->MptModified = false;
        editor->close();
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("Sorry..."));
        return nullptr;
    }
    TableEditors.emplace_back(editor);
    editor->show();
    return editor;
}

TfrmMPTEdit* TfrmMain::NewMptEditor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto* editor = new TfrmMPTEdit(this); // frees itself when closed
    editor->OnSendMessage = [this](std::istream& stream) { return SendStreamToMidiOut(stream); };
    TableEditors.emplace_back(editor);
    editor->show();
    QApplication::restoreOverrideCursor();
    return editor;
}

void TfrmMain::MidiInputArrived(TMidiInput& sender) {
    while (sender.PendingCount() > 0) {
        std::unique_ptr<TMyMidiEvent> event = sender.ReadEvent();
        if (!event)
            break;
        if (Link->ProcedureActive && event->SysexData && event->SysexSize == PresetDumpLength) {
            // The walk's preset goes through the message buffer, as a loaded one would.
            MessageBytes.fill(0);
            std::copy_n(event->SysexData.get(), PresetDumpLength, MessageBytes.begin());
            MessageByteCount = PresetDumpLength;
        }
        const TRouted routed = Link->Route(*event);
        if (routed == TRouted::Taken || routed == TRouted::Dropped)
            continue;
        // An editor learning a controller takes the number; the monitor logs it all the same.
        if (!event->SysexData && (event->StatusByte & 0xF0) == 0xB0)
            for (TfrmPresetEditor* editor : PresetEditors())
                if (editor->isVisible() && editor->Learning())
                    editor->LearnController(event->DataByte1);
        LogReceived(std::move(event));
    }
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
