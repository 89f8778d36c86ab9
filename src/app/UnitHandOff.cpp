// The main window's side of the unit: its memory and journal (kept by the unit session), undo
// and redo with their questions and boxes, an editor's store, the library window's wiring and
// the gig view.

#include "app/Main.h"
#include "base/Dialogs.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "library/GigView.h"
#include "library/Library.h"
#include "model/DeviceMode.h"
#include "mpt/mpt_edit.h"
#include "store/SetListFiles.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <sstream>

TUnitMemory* TfrmMain::Memory() {
    if (MidiOutput() == nullptr || MidiOutput()->PortState() != TMidiOutput::State::Open) {
        session->NoUnit();
        return nullptr;
    }
    if (session->UseUnit(MidiOutput()->ProductName(), DeviceId) && !library.isNull())
        QTimer::singleShot(0, library, [library = library] { library->Refresh(); });
    return session->Memory();
}

TWriteJournal* TfrmMain::Journal() {
    if (Memory() == nullptr)
        return nullptr;
    QString problem;
    TWriteJournal* steps = session->Journal(problem);
    if (!problem.isEmpty())
        ShowMessage(this, problem, QStringLiteral("Library"));
    return steps;
}

TPlanWalk::TAsk TfrmMain::AskChanged() {
    return [this](const QStringList& changed) {
        return Dialogs().MessageBox(
                   this,
                   QStringLiteral("These slots no longer hold what the step left:\n\n") +
                       changed.join(QLatin1Char('\n')) +
                       QStringLiteral("\n\nWhat they hold now is kept first. Go on?"),
                   QStringLiteral("Confirm"), QMessageBox::Yes | QMessageBox::No,
                   QMessageBox::Question) == QMessageBox::Yes;
    };
}

TPlanCounts TfrmMain::Replay(bool undo) {
    if (Journal() == nullptr || !MidiOutAvailable(true))
        return {};
    const QPointer<TfrmMain> self(this);
    QString label;
    const TPlanCounts counts = session->Replay(undo, 0, AskChanged(), label);
    if (self.isNull())
        return counts;
    if (label.isEmpty()) {
        ShowStatus(undo ? QStringLiteral("Nothing to undo") : QStringLiteral("Nothing to redo"));
        return counts;
    }
    HideProgress();
    if (!library.isNull())
        library->UpdateCommands();
    if (counts.Written > 0 || counts.Failed > 0)
        ShowMessage(this,
                    (undo ? QStringLiteral("Undo ") : QStringLiteral("Redo ")) + label +
                        QStringLiteral(": ") + PlanCountsText(counts) +
                        (counts.FailedSlots.isEmpty()
                             ? QString()
                             : QStringLiteral("\n\n") + counts.FailedSlots.join(QLatin1Char('\n'))),
                    undo ? QStringLiteral("Undo") : QStringLiteral("Redo"),
                    counts.Failed > 0 || counts.Aborted ? QMessageBox::Warning
                                                        : QMessageBox::Information);
    return counts;
}

// (bank, slot): a place of the unit, bank first, as everywhere.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
QString TfrmMain::SlotHoldsText(int bank, int slot) {
    Memory();
    return session->SlotHoldsText(bank, slot);
}

TStoreResult TfrmMain::StoreFromEditor(const TStoreRequest& request) {
    // What the store replaces and writes is remembered; a journal that cannot be read is said.
    if (Journal() == nullptr) {
        TStoreResult result;
        result.Message = "MIDI Out device not available";
        return result;
    }
    const QPointer<TfrmMain> self(this);
    const TStoreResult result = session->StoreFromEditor(request, AskChanged());
    if (self.isNull())
        return result;
    HideProgress();
    if (!library.isNull())
        library->UpdateCommands(); // Undo there names this store now
    return result;
}

TfrmLibrary* TfrmMain::Library() {
    if (!library.isNull())
        return library;
    library = new TfrmLibrary(this); // a child of this window, which frees it
    childWindows.Add(library);
    library->OnPlaces = [this] {
        TLibraryPlaces places;
        places.Memory = Memory();
        places.Unit = UnitInUse();
        places.BackupFolder = CurrentFolder;
        places.PresetFolder = TfrmPresetEditor::LastPresetFolder.isEmpty()
                                  ? DefaultUserFolder()
                                  : TfrmPresetEditor::LastPresetFolder;
        places.KeptFolder = KeptCopiesFolder();
        places.SetListFolder = SetListFolder();
        places.SingleBank = PrePlenovaMode;
        return places;
    };
    library->OnOpen = [this](const TLibraryRow& row) { OpenFromLibrary(row); };
    // What the unit's memory learns shows at once.
    connect(Link.get(), &TDeviceLink::SlotRemembered, library, &TfrmLibrary::SlotChanged);
    library->OnBusyReason = [this] { return Link->BusyReason(); };
    library->OnFetch = [this](const std::vector<TPlace>& wanted) {
        if (Memory() == nullptr || !MidiOutAvailable(false))
            return 0;
        const int read = Link->Job<TVerifiedStore>().ReadSlots(wanted);
        ShowStatus(QStringLiteral("%1 of %2 slots read").arg(read).arg(wanted.size()));
        return read;
    };
    library->OnReadUnit = [this](const TfrmLibrary::TReadChoice& choice) {
        ReadUnitIntoLibrary(choice.Banks, choice.RequestDelay, choice.AlsoBackUp);
    };
    library->OnWrite = [this](const TWritePlan& plan) {
        TWriteJournal* steps = Journal();
        if (steps == nullptr || !MidiOutAvailable(true))
            return TPlanCounts();
        const QPointer<TfrmMain> self(this);
        const TPlanCounts counts = Link->Job<TPlanWalk>().Run(plan, steps);
        if (!self.isNull())
            HideProgress();
        return counts;
    };
    library->OnReplay = [this](bool undo) { Replay(undo); };
    library->OnStop = [this] {
        if (Link->Job<TPlanWalk>().Running())
            Link->Job<TPlanWalk>().Abort(); // after the slot being written
        else if (Link->Job<TBackupWalk>().Active())
            Link->Job<TBackupWalk>().Abort();
        else
            return;
        ShowStatus(QStringLiteral("Stopping..."));
    };
    library->OnJournal = [this]() -> const TWriteJournal* { return Journal(); };
    library->OnOpenTable = [this](const TBytes& table) { OpenMptEditor(table); };
    library->OnGigView = [this](const QString& path, int firstSong) {
        PlayGigSetList(path, firstSong);
    };
    library->OnReadTable = [this] { return ReadProgramTable(); };
    library->OnKnownTable = [this] { return unitTable; };
    library->OnSetListTable = [this](const TfrmLibrary::TSetListTableMade& made) {
        OpenSetListTable(made);
    };
    return library;
}

std::optional<TBytes> TfrmMain::ReadProgramTable() {
    if (Link->Busy() || !MidiOutAvailable(false))
        return std::nullopt;
    const QPointer<TfrmMain> self(this);
    const int before = tablesSeen;
    if (!Link->SendRequest(RequestProgramTableMessage(DeviceId)))
        return std::nullopt;
    // A table is 406 bytes: an eighth of a second at DIN speed.
    for (int waited = 0; waited < 3000 && !self.isNull() && tablesSeen == before; waited += 10)
        Link->Wait(10);
    if (self.isNull() || tablesSeen == before)
        return std::nullopt;
    return unitTable;
}

TfrmMPTEdit* TfrmMain::OpenSetListTable(const TfrmLibrary::TSetListTableMade& made) {
    TfrmMPTEdit* editor = OpenMptEditor(made.Table);
    const QString setList = made.SetList;
    const QString kept = made.Kept;
    if (editor == nullptr)
        return nullptr;
    editor->setWindowTitle(QStringLiteral("%1 - %2").arg(setList, editor->windowTitle()));
    editor->NamesBank = made.Bank;
    const QPointer<TfrmMPTEdit> shown(editor);
    editor->OnSendMessage = [this, shown, setList, kept](std::istream& stream) {
        stream.clear();
        stream.seekg(0);
        const std::string bytes((std::istreambuf_iterator<char>(stream)),
                                std::istreambuf_iterator<char>());
        const QString sent = SendStreamToMidiOut(stream);
        if (sent != QString::fromLatin1(kSentText))
            return sent;
        // What the unit holds now, read back and compared program by program.
        const std::optional<TBytes> back = ReadProgramTable();
        Tmpt wanted, held;
        wanted.Decode(TByteView(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        if (back)
            held.Decode(*back);
        const QString putBack =
            kept.isEmpty() ? QString()
                           : QStringLiteral("\n\nThe table it replaced is kept in %1: open it in "
                                            "the table editor and send it to put it back.")
                                 .arg(kept);
        QWidget* parent = shown.isNull() ? static_cast<QWidget*>(this) : shown.data();
        if (!back)
            ShowMessage(parent,
                        QStringLiteral("The table was sent, but the unit did not answer when it "
                                       "was read back: it is not known whether it took it") +
                            putBack,
                        QStringLiteral("Program table"), QMessageBox::Warning);
        else if (held.MptEntries != wanted.MptEntries)
            ShowMessage(parent,
                        QStringLiteral("The unit's table read back is not the one sent: send it "
                                       "again") +
                            putBack,
                        QStringLiteral("Program table"), QMessageBox::Warning);
        else
            ShowMessage(parent,
                        QStringLiteral("The unit's program table now calls up the songs of %1, "
                                       "read back and compared")
                                .arg(setList) +
                            putBack,
                        QStringLiteral("Program table"), QMessageBox::Information);
        return sent;
    };
    return editor;
}

void TfrmMain::ReadUnitIntoLibrary(const std::array<bool, 4>& banks, int requestDelay,
                                   bool alsoBackUp) {
    if (Memory() == nullptr || !MidiOutAvailable(true))
        return;
    TProcedureOptions options;
    options.Banks = banks;
    options.RequestDelay = requestDelay;
    options.Save = alsoBackUp;
    // The library's backup is the whole unit: untitled presets too, under a name of their own.
    options.UntitledName = QStringLiteral("Untitled");
    if (alsoBackUp)
        options.OutputDirectory =
            FolderForWriting(CurrentFolder) +
            QDateTime::currentDateTime().toString(QStringLiteral("'Backup' yyyy-MM-dd hh.mm"));
    PingDevice(); // the bank to come back to
    if (Link->Job<TBackupWalk>().Start(options) && Link->Job<TBackupWalk>().Active())
        prbProcedure->show();
}

void TfrmMain::OpenFromLibrary(const TLibraryRow& row) {
    auto* editor = new TfrmPresetEditor(this); // a child of this window, which frees it
    childWindows.Add(editor);
    ConnectEditor(*editor);
    std::stringstream stream(std::string(row.Dump.begin(), row.Dump.end()));
    editor->SetFileName(row.Source == TLibrarySource::Unit ? QString() : row.Path);
    try {
        editor->LoadDump(stream);
    } catch (const std::exception& error) {
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("Sorry..."));
        return;
    }
    if (row.Source == TLibrarySource::Unit) // its store proposes the slot it came from
        editor->Document().SetHomeSlot({row.Bank, row.Slot});
    editor->Show();
}

std::vector<TfrmPresetEditor*> TChildWindowList::PresetEditors() const {
    std::vector<TfrmPresetEditor*> editors;
    for (const TEntry& entry : windows)
        if (auto* editor = qobject_cast<TfrmPresetEditor*>(entry.Window.data()))
            editors.push_back(editor);
    return editors;
}

std::vector<QPointer<TfrmMPTEdit>> TChildWindowList::TableEditors() const {
    // Only table windows free themselves: a null entry was one.
    std::vector<QPointer<TfrmMPTEdit>> tables;
    for (const TEntry& entry : windows)
        if (entry.Window.isNull() || qobject_cast<TfrmMPTEdit*>(entry.Window.data()) != nullptr)
            tables.emplace_back(qobject_cast<TfrmMPTEdit*>(entry.Window.data()));
    return tables;
}

TfrmPresetEditor* TChildWindowList::HiddenReceivedEditor() const {
    for (const TEntry& entry : windows)
        if (auto* editor = qobject_cast<TfrmPresetEditor*>(entry.Window.data()))
            if (entry.Received && !editor->isVisible())
                return editor;
    return nullptr;
}

std::vector<TfrmPresetEditor*> TChildWindowList::ShownReceivedEditors() const {
    std::vector<TfrmPresetEditor*> editors;
    for (const TEntry& entry : windows)
        if (auto* editor = qobject_cast<TfrmPresetEditor*>(entry.Window.data()))
            if (entry.Received && editor->isVisible())
                editors.push_back(editor);
    return editors;
}

void TfrmMain::OpenGigView(const TSetList& list, const QString& setListPath, int firstSong) {
    Memory(); // the unit on these ports: its memory gives the slots' titles
    ShowGigView(this, list, setListPath, Link.get(), firstSong);
}

void TfrmMain::ChooseGigSetList() {
    const QString path = Dialogs().OpenFileName(
        this, QStringLiteral("Gig view: choose a set list"), SetListFolder(),
        QStringLiteral("Set lists (*%1);;All files (*)").arg(QLatin1String(kSetListSuffix)));
    if (!path.isEmpty())
        PlayGigSetList(path);
}

void TfrmMain::PlayGigSetList(const QString& path, int firstSong) {
    const TSetListLoad load = LoadSetList(path);
    if (!load.Error.isEmpty()) {
        ShowMessage(this, load.Error, QStringLiteral("Gig view"));
        return;
    }
    // Before the set begins, not in the middle of it: a line that is no song leaves a song out.
    if (!load.Read.Problems.empty()) {
        QStringList lines;
        for (const TSetListProblem& problem : load.Read.Problems)
            lines << QString::fromStdString(problem.Text());
        ShowMessage(this,
                    QStringLiteral("These lines of %1 are no song and are left out:\n%2")
                        .arg(QFileInfo(path).fileName(), lines.join(QLatin1Char('\n'))),
                    QStringLiteral("Gig view"));
    }
    OpenGigView(load.Read.List, path, firstSong);
}
