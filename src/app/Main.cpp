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
#include <chrono>
#include <iterator>
#include <sstream>

double TickCount() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

TfrmMain::TfrmMain(MidiService& service, QWidget* parent) : TfrmMIDIExplorer(service, parent) {
    timPresetReq = new QTimer(this);
    timPresetReq->setObjectName(QStringLiteral("timPresetReq"));
    timPresetReq->setInterval(10000);
    connect(timPresetReq, &QTimer::timeout, this, [this] { TimerTick(); });
}

TfrmMain::~TfrmMain() {
    timPresetReq->stop();
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
    // The backup and the listing walk the banks themselves; they arrive with the procedures.
    miGetEachPreset->setEnabled(false);
    miPrintPresetList->setEnabled(false);

    connect(miGetCurrentPreset, &QAction::triggered, this, [this] { RequestCurrentPreset(); });
    connect(miGetBulkDump, &QAction::triggered, this, [this] {
        if (!MidiOutAvailable(true))
            return;
        SendRequest(RequestAllPresetsMessage(DeviceId));
        ShowStatus(QStringLiteral("All Preset Request issued"));
    });
    connect(miGetMptTable, &QAction::triggered, this, [this] {
        if (!MidiOutAvailable(true))
            return;
        SendRequest(RequestProgramTableMessage(DeviceId));
        ShowStatus(QStringLiteral("MPT Request issued"));
    });
    connect(miBypass, &QAction::triggered, this, [this] { ToggleBypass(); });
    connect(miPrePlenova, &QAction::triggered, this, [this] { ApplyModeOption(); });

    miQuellfarnRequests->setEnabled(MidiInput()->DeviceCount() > 0 &&
                                    MidiOutput()->DeviceCount() > 0);
    miBypass->setChecked(false);
    miPrePlenova->setChecked(settings->GetBool(QStringLiteral("PRE_PLENOVA"), true, false));
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

    RequestDelay = settings->GetInteger(QStringLiteral("TMQReqDelay"), true, 1000);
    if (RequestDelay == 0)
        RequestDelay = 1000;
    DeviceId = static_cast<std::uint8_t>(TransmitChannel());
    ApplyModeOption();
    CurrentBank = -1;
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
    editor.RequestDelay = RequestDelay;
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
    if (key == Qt::Key_C && held == Qt::ControlModifier && ProcedureActive) {
        StopProcedure();
        AddLogLine(QStringLiteral("Procedure aborted"));
        ShowStatus(QStringLiteral("Procedure aborted"));
        return true;
    }
    return false;
}

void TfrmMain::CloseHook() {
    if (settings != nullptr) {
        settings->PutInteger(QStringLiteral("TMQReqDelay"), RequestDelay);
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
        if (ProcedureActive)
            continue; // during a procedure only its presets count; they arrive with the procedures
        if (HandleReply(*event))
            continue;
        // An editor learning a controller takes the number; the monitor logs it all the same.
        if (!event->SysexData && (event->StatusByte & 0xF0) == 0xB0)
            for (TfrmPresetEditor* editor : PresetEditors())
                if (editor->isVisible() && editor->Learning())
                    editor->LearnController(event->DataByte1);
        LogReceived(std::move(event));
    }
}

bool TfrmMain::HandleReply(const TMyMidiEvent& event) {
    if (PendingReplies < 1 || event.StatusByte != 0xF0 || !event.SysexData)
        return false;
    const auto reply = ParseParameterReply(TByteView(event.SysexData.get(), event.SysexSize));
    if (!reply)
        return false;
    --PendingReplies;
    switch (reply->Address) {
    case kBypassAddress:
        ShowStatus(QStringLiteral("The Quellfarn is online!"));
        miBypass->setChecked(reply->Value == 1);
        break;
    case kBankAddress:
        CurrentBank = reply->Value;
        if (CurrentBank >= 0 && CurrentBank <= 3)
            ShowStatus(
                QStringLiteral("The Quellfarn is online! Your currently selected bank is: ") +
                QLatin1Char(BankLetters[CurrentBank]));
        else
            CurrentBank = -1;
        break;
    case kPresetNumberAddress:
        PresetAnswer = reply->Value + 1 + (reply->High == 1 ? 128 : 0);
        break;
    default:
        break;
    }
    return true;
}

void TfrmMain::SendRequest(const std::vector<std::uint8_t>& message) {
    try {
        MidiOutput()->SendLong(message.data(), static_cast<std::uint16_t>(message.size()));
    } catch (const std::exception& error) {
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("MIDI Out error"));
    }
}

void TfrmMain::SendChannelMessage(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    try {
        MidiOutput()->SendShort(status, data1, data2);
    } catch (const std::exception& error) {
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("MIDI Out error"));
    }
}

void TfrmMain::RequestCurrentPreset() {
    if (MidiOutAvailable(true))
        SendRequest(RequestCurrentPresetMessage(DeviceId));
}

void TfrmMain::QueryParameter(std::uint8_t address) {
    ++PendingReplies;
    SendRequest(RequestParameterMessage(DeviceId, address));
    WaitMilliseconds(RequestDelay); // the reply is normally taken during the wait
}

void TfrmMain::PingDevice() {
    if (MidiOutput() == nullptr || MidiOutput()->PortState() != TMidiOutput::State::Open)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestoreCursor {
        ~RestoreCursor() { QApplication::restoreOverrideCursor(); }
    } restore;
    timPresetReq->setInterval(RequestDelay * 10);
    timPresetReq->start();
    PendingReplies = 0;
    const QPointer<TfrmMain> self(this);
    QueryParameter(kBypassAddress);
    if (self.isNull())
        return;
    if (!PrePlenovaMode)
        QueryParameter(kBankAddress);
    QCoreApplication::processEvents();
}

int TfrmMain::QueryCurrentPresetNumber() {
    PresetAnswer = -1;
    QueryParameter(kPresetNumberAddress);
    QCoreApplication::processEvents();
    if (PresetAnswer == -1)
        WaitMilliseconds(RequestDelay);
    return PresetAnswer;
}

void TfrmMain::RequestPreset() {
    const TPresetIndexBytes index = SplitPresetIndex(PresetIndex);
    if (LoopByPresetNumber) {
        const auto select = SelectPresetMessage(DeviceId, PresetIndex);
        if (!select)
            return; // nothing else is sent either: it would fetch some other preset
        SendRequest(*select);
    } else {
        SendChannelMessage(0xB0, 0x00, 0x00);
        SendChannelMessage(0xB0, 0x20, index.High);
        SendChannelMessage(0xC0, index.Low, 0x00);
    }
    WaitMilliseconds(RequestDelay);
    SendRequest(RequestCurrentPresetMessage(DeviceId));
    ShowStatus(QStringLiteral("Requested preset #%1").arg(PresetIndex + 1));
}

void TfrmMain::TimerTick() {
    if (ProcedureActive) {
        // A preset that never arrives is asked for again on every tick until it comes.
        if (TickCount() - LastPresetTime > 10000) {
            AddLogLine(QStringLiteral("Last request timed out; restarting"));
            if (QListWidgetItem* current = lbxLog->currentItem())
                ShowStatus(current->text());
            AddLogLine(QStringLiteral("Press Ctrl-c to abort"));
            RequestPreset();
        }
        return;
    }
    if (PendingReplies > 0) {
        PendingReplies = 0;
        ShowStatus(
            QStringLiteral("No response received from Quellfarn - are you connected properly?"));
    }
    timPresetReq->stop();
}

void TfrmMain::StopProcedure() {
    SendChannelMessage(0xB0, 0x00, 0x00);
    SendChannelMessage(0xB0, 0x20, 0x00);
    ProcedureActive = false;
    SaveFlag = false;
    PrintFlag = false;
    timPresetReq->stop();
}

void TfrmMain::SelectBank(int index) {
    if (!MidiOutAvailable(false) || index < 0 || index > 3)
        return;
    SendRequest(SetBankMessage(DeviceId, index));
    ShowStatus(QStringLiteral("Bank ") + QLatin1Char(BankLetters[index]) +
               QStringLiteral(" selected"));
}

void TfrmMain::ToggleBypass() {
    // The check follows the click even when nothing can be sent.
    if (!MidiOutAvailable(false))
        return;
    const bool on = miBypass->isChecked();
    ShowStatus(on ? QStringLiteral("Bypass activation request sent")
                  : QStringLiteral("Bypass deactivation request sent"));
    SendRequest(SetBypassMessage(DeviceId, on));
}

void TfrmMain::ApplyModeOption() {
    SetPrePlenovaMode(miPrePlenova->isChecked());
    const bool banks = !PrePlenovaMode;
    for (QAction* bank : miSelectBank)
        bank->setEnabled(banks);
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
