// The preset editor window and its document's life: set-up, loading and showing, change
// notifications, snapshots for undo and redo, sending, opening, saving, storing and closing.

#include "editor/PresetEditor.h"

#include "base/Dialogs.h"
#include "base/PrintCommon.h"
#include "base/StorePrompt.h"
#include "base/qvUtility.h"
#include "editor/ParameterPages.h"
#include "model/DeviceMode.h"
#include "model/Protocol.h"

#include <QApplication>
#include <QPointer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSaveFile>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <sstream>

bool TfrmPresetEditor::SuppressSnapshots = false;
QString TfrmPresetEditor::LastPresetFolder;

namespace {
const QString kFilter = QStringLiteral("TMQ-Quellfarn presets (*.tmq*)");
const QString kSaveQuestion = QStringLiteral("Do you want to save your changes?");

std::unique_ptr<TfrmStorePrompt>& SharedStoreDialog() {
    static std::unique_ptr<TfrmStorePrompt> dialog;
    return dialog;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption,
                    const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

QString Title(const QString& suffix) {
    return QString::fromLatin1(kEditorTitle) + suffix;
}
} // namespace

TfrmStorePrompt* TfrmPresetEditor::StoreDialog() {
    if (!SharedStoreDialog())
        SharedStoreDialog() = std::make_unique<TfrmStorePrompt>();
    return SharedStoreDialog().get();
}

TfrmPresetEditor::TfrmPresetEditor(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmPresetEditor"));
    BuildWindow();
    parameters->OnDeferredChange = [this] { DeferredChange(); };
    parameters->OnImmediateChange = [this] { ImmediateChange(); };
    qApp->installEventFilter(this); // the window sees keys before its controls
    SetUp();
}

TfrmPresetEditor::~TfrmPresetEditor() {
    // The focus leaves the window's children as they go: not this class's business by then.
    disconnect(focusWatch);
    qApp->removeEventFilter(this);
    SharedStoreDialog().reset();
}

void TfrmPresetEditor::BuildWindow() {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BuildToolBar());

    auto* titleRow = new QHBoxLayout;
    auto* titleLabel = new QLabel(QStringLiteral("Title:"), this);
    edtTitle = new QLineEdit(this);
    edtTitle->setObjectName(QStringLiteral("edtTitle"));
    edtTitle->setMaxLength(kTitleLength);
    titleLabel->setBuddy(edtTitle);
    edtTitle->setMinimumWidth(edtTitle->fontMetrics().horizontalAdvance(QLatin1Char('W')) * 17);
    chkAutoSend = new QCheckBox(QStringLiteral("Auto send"), this);
    chkAutoSend->setObjectName(QStringLiteral("chkAutoSend"));
    chkAutoSend->setToolTip(QStringLiteral("Check on to automatically send changes to MIDI out"));
    lblStatus = new QLabel(this);
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    titleRow->addWidget(titleLabel);
    titleRow->addWidget(edtTitle);
    titleRow->addSpacing(titleLabel->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 3);
    titleRow->addWidget(chkAutoSend);
    titleRow->addSpacing(titleLabel->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 3);
    titleRow->addWidget(lblStatus, 1);
    layout->addLayout(titleRow);
    // A title holds what the unit shows: printable ASCII.
    edtTitle->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x20-\\x7E]*")), edtTitle));
    connect(edtTitle, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (Updating)
            return; // showing the record's title is no edit of it
        Preset->Title = text.toLatin1().toStdString();
        ImmediateChange();
    });

    layout->addWidget(BuildChain());

    auto* lower = new QHBoxLayout;
    pgcPreset = new QTabWidget(this);
    pgcPreset->setObjectName(QStringLiteral("pgcPreset"));
    const auto sheet = [this](const char* name, const QString& caption) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        pgcPreset->addTab(page, caption);
        return page;
    };
    tsAnalogEffects = sheet("tsAnalogEffects", QStringLiteral("Analog effects"));
    tsDigitalEffects = sheet("tsDigitalEffects", QStringLiteral("Digital effects"));
    tsPerfMIDI = sheet("tsPerfMIDI", QStringLiteral("Performance MIDI"));
    tsK27states = sheet("tsK27states", QStringLiteral("K27 states"));
    pgcAnalogParams = new QTabWidget(tsAnalogEffects);
    pgcAnalogParams->setObjectName(QStringLiteral("pgcAnalogParams"));
    (new QVBoxLayout(tsAnalogEffects))->addWidget(pgcAnalogParams);
    pgcDigitalParams = new QTabWidget(tsDigitalEffects);
    pgcDigitalParams->setObjectName(QStringLiteral("pgcDigitalParams"));
    (new QVBoxLayout(tsDigitalEffects))->addWidget(pgcDigitalParams);
    grpMix = new QGroupBox(QStringLiteral("Mix"), this);
    grpMix->setObjectName(QStringLiteral("grpMix"));
    parameters = std::make_unique<TParameterPages>(grpMix, pgcAnalogParams, pgcDigitalParams);
    connect(pgcDigitalParams, &QTabWidget::currentChanged, this, [this](int) {
        if (pgcDigitalParams->currentWidget() == parameters->DigitalTab("Reverb"))
            parameters->ApplyDiffusionRule(SelectedDigitalEffects());
    });
    BuildSwitches();
    BuildPerformanceTab();
    lower->addWidget(pgcPreset, 1);
    lower->addWidget(grpMix, 0, Qt::AlignTop);
    layout->addLayout(lower, 1);

    timSys = new QTimer(this);
    timSys->setObjectName(QStringLiteral("timSys"));
    timSys->setInterval(1000);
    timSys->setSingleShot(true);
    connect(timSys, &QTimer::timeout, this, [this] { TimerFired(); });
    resize(1000, 760);
}

QWidget* TfrmPresetEditor::BuildToolBar() {
    auto* bar = new QWidget(this);
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(0, 0, 0, 0);
    btnOpen =
        Button(bar, "btnOpen", QStringLiteral("&Open"), QStringLiteral("Open another preset..."));
    btnUndo =
        Button(bar, "btnUndo", QStringLiteral("&Undo"), QStringLiteral("Back out last change"));
    btnRedo =
        Button(bar, "btnRedo", QStringLiteral("&Redo"), QStringLiteral("Redo last undone change"));
    btnSaveAs = Button(bar, "btnSaveAs", QStringLiteral("&Save..."),
                       QStringLiteral("Save this preset to a file"));
    btnSendOut = Button(bar, "btnSendOut", QStringLiteral("Sen&d"),
                        QStringLiteral("Send preset to MIDI out (F9)"));
    btnStore = Button(bar, "btnStore", QStringLiteral("Sto&re..."),
                      QStringLiteral("Store the current preset at..."));
    btnUndoStore = Button(bar, "btnUndoStore", QStringLiteral("Undo last store"),
                          QStringLiteral("Put the preset the last store replaced back into its slot"));
    btnUndoStore->setEnabled(false);
    btnPrint =
        Button(bar, "btnPrint", QStringLiteral("&Print"), QStringLiteral("Print preset data"));
    btnPreview = Button(bar, "btnPreview", QStringLiteral("Print pre&view"),
                        QStringLiteral("Show the pages the printer would get"));
    btnPrtSetup = Button(bar, "btnPrtSetup", QStringLiteral("Set&up"),
                         QStringLiteral("Printer selection/configuration"));
    btnExit = Button(bar, "btnExit", QStringLiteral("&Exit"), QStringLiteral("Just what it says"));
    for (QPushButton* button : {btnOpen, btnUndo, btnRedo, btnSaveAs, btnSendOut, btnStore,
                                btnUndoStore, btnPrint, btnPreview, btnPrtSetup})
        row->addWidget(button);
    row->addStretch(1);
    row->addWidget(btnExit);
    connect(btnOpen, &QPushButton::clicked, this, [this] { Open(); });
    connect(btnUndo, &QPushButton::clicked, this, [this] { Undo(); });
    connect(btnRedo, &QPushButton::clicked, this, [this] { Redo(); });
    connect(btnSaveAs, &QPushButton::clicked, this, [this] { SaveAs(); });
    connect(btnSendOut, &QPushButton::clicked, this, [this] { SendPreset(); });
    connect(btnStore, &QPushButton::clicked, this, [this] { Store(); });
    connect(btnUndoStore, &QPushButton::clicked, this, [this] { UndoStore(); });
    connect(btnPrint, &QPushButton::clicked, this, [this] { PrintPreset(); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { PreviewPreset(); });
    connect(btnPrtSetup, &QPushButton::clicked, this, [this] { PrinterSetup(this); });
    connect(btnExit, &QPushButton::clicked, this, &QWidget::close);
    return bar;
}

void TfrmPresetEditor::SetUp() {
    setWindowTitle(Title(QStringLiteral(" <not saved>")));
    Updating = true;
    if (!Preset)
        Preset = std::make_unique<TPreset>();
    UndoList.Clear();
    SuppressSnapshots = false;
    RedoList.Clear();
    IsNew = true;
    PrepareControllers();
    FileName.clear();
    // What belonged to the preset the window showed before ends here: a store of it is not
    // this document's to undo.
    lastStore = TStoreResult();
    lastStoreSlot = 0;
    UpdateStoreButtons();
    Updating = false;
}

void TfrmPresetEditor::SetUnitBusy(bool busy) {
    unitBusy = busy;
    UpdateStoreButtons();
}

void TfrmPresetEditor::UpdateStoreButtons() {
    btnStore->setEnabled(!unitBusy);
    btnUndoStore->setEnabled(!unitBusy && !lastStore.Replaced.empty());
}

void TfrmPresetEditor::LoadDump(std::istream& stream) {
    Preset->LoadFromStream(stream);
    IsNew = false;
}

void TfrmPresetEditor::SetFileName(const QString& name) {
    FileName = name;
    setWindowTitle(name.isEmpty() ? Title(QStringLiteral(" <not saved>"))
                                  : Title(QStringLiteral(" - ") + name));
}

void TfrmPresetEditor::Show() {
    timSys->stop(); // a change still pending belongs to the document being replaced
    Updating = true;
    edtTitle->setText(
        QString::fromLatin1(Preset->Title.data(), static_cast<qsizetype>(Preset->Title.size())));
    ShowChain();
    EvaluateSwitches();
    pgcPreset->setCurrentWidget(tsAnalogEffects);
    DisarmPerformance();
    chkAutoSend->setChecked(true);
    AutoSendPending = false;
    timSys->stop();
    lblStatus->clear();
    RebuildControllerList();
    Updating = false;
    PushSnapshot();
    UpdateUndoButtons();
    if (!isVisible())
        show();
}

void TfrmPresetEditor::MarkModified(bool immediate) {
    if (Updating)
        return;
    lblStatus->setText(QStringLiteral("Modified"));
    if (chkAutoSend->isChecked() && !immediate && !AutoSendPending)
        AutoSendPending = true;
    if (immediate) {
        PushSnapshot();
        RedoList.Clear();
        SendPreset();
    } else if (!timSys->isActive()) {
        // A burst of changes is recorded once, a second after its first change.
        timSys->start();
    }
    UpdateUndoButtons();
}

void TfrmPresetEditor::TimerFired() {
    timSys->stop();
    PushSnapshot();
    RedoList.Clear();
    if (AutoSendPending) {
        AutoSendPending = false;
        SendPreset();
    }
    UpdateUndoButtons();
}

std::unique_ptr<TStreamList::Stream> TfrmPresetEditor::Snapshot() const {
    auto stream = std::make_unique<TStreamList::Stream>();
    Preset->SaveToStream(*stream);
    return stream;
}

void TfrmPresetEditor::PushSnapshot() {
    if (!SuppressSnapshots)
        UndoList.Add(Snapshot());
}

void TfrmPresetEditor::SendPreset() {
    if (OnSendPreset) {
        auto stream = Snapshot();
        stream->seekg(0);
        // What did not go out (no output device, a device error) is not reported as sent.
        if (OnSendPreset(*stream) != QLatin1String(kSentText))
            return;
    }
    QString status = lblStatus->text();
    if (!status.contains(QStringLiteral("Sent"))) {
        if (!status.isEmpty())
            status += QStringLiteral(", ");
        lblStatus->setText(status + QStringLiteral("Sent"));
    }
}

void TfrmPresetEditor::UpdateUndoButtons() {
    btnUndo->setEnabled(UndoList.Count() > 1);
    btnUndo->setToolTip(
        QStringLiteral("%1 items in undo list   [Ctrl+Z]").arg(std::max(UndoList.Count() - 1, 0)));
    btnRedo->setEnabled(RedoList.Count() > 0);
    btnRedo->setToolTip(QStringLiteral("%1 items in redo list   [Ctrl+Y]").arg(RedoList.Count()));
}

void TfrmPresetEditor::LoadSnapshot(TStreamList::Stream& snapshot) {
    // Undo and redo change the document, not what it was loaded or saved as: closing still
    // asks after undoing back over a save or a load.
    const auto loaded = Preset->LoadedDump;
    const bool hadLoaded = Preset->HasLoadedDump;
    const bool wasNew = IsNew;
    snapshot.clear();
    snapshot.seekg(0);
    LoadDump(snapshot);
    Preset->LoadedDump = loaded;
    Preset->HasLoadedDump = hadLoaded;
    IsNew = wasNew;
}

void TfrmPresetEditor::StepHistory(bool undo) {
    TStreamList& from = undo ? UndoList : RedoList;
    TStreamList& to = undo ? RedoList : UndoList;
    const bool autoSend = chkAutoSend->isChecked();
    const int presetPage = pgcPreset->currentIndex();
    const int analogPage = pgcAnalogParams->currentIndex();
    const int digitalPage = pgcDigitalParams->currentIndex();
    SuppressSnapshots = true;
    LoadSnapshot(*from.Get(undo ? from.Count() - 2 : from.Count() - 1));
    // The snapshot is shown as it was: its switches are not evaluated again.
    restoringSnapshot = true;
    Show();
    restoringSnapshot = false;
    if (pgcAnalogParams->isTabVisible(analogPage))
        pgcAnalogParams->setCurrentIndex(analogPage);
    if (pgcDigitalParams->isTabVisible(digitalPage))
        pgcDigitalParams->setCurrentIndex(digitalPage);
    pgcPreset->setCurrentIndex(presetPage);
    to.Add(from.Delete(from.Count() - 1));
    SuppressSnapshots = false;
    UpdateUndoButtons();
    // The processor plays what the window shows: the edit just taken back goes back there too.
    if (autoSend)
        SendPreset();
}

// A slider change still waiting for its timer is recorded first: undo takes back just it, and
// redo finds nothing left to redo (recording it emptied the redo list).
void TfrmPresetEditor::Undo() {
    if (timSys->isActive())
        TimerFired();
    if (UndoList.Count() > 1)
        StepHistory(true);
    else
        UpdateUndoButtons();
}

void TfrmPresetEditor::Redo() {
    if (timSys->isActive())
        TimerFired();
    if (RedoList.Count() > 0)
        StepHistory(false);
    else
        UpdateUndoButtons();
}

void TfrmPresetEditor::Open() {
    if (IsNew || Preset->IsModified()) {
        const auto answer = Dialogs().MessageBox(
            this, kSaveQuestion, QStringLiteral("Confirm"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !SaveAs()))
            return;
    }
    const QString folder =
        FileName.isEmpty() ? (LastPresetFolder.isEmpty() ? DefaultUserFolder() : LastPresetFolder)
                           : QFileInfo(FileName).absolutePath() + QLatin1Char('/');
    const QString name = Dialogs().OpenFileName(this, QStringLiteral("Open preset"),
                                                folder + QStringLiteral("*.tmq*"), kFilter);
    if (name.isEmpty())
        return;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(
            this, QStringLiteral("Cannot open ") + name + QStringLiteral(": ") + file.errorString(),
            QStringLiteral("Sorry..."));
        return;
    }
    // A failed open leaves the window as it was, its file name included.
    if (file.size() != PresetDumpLength) {
        ShowMessage(this, QStringLiteral("Not a valid preset file"), QStringLiteral("Sorry..."));
        return;
    }
    std::stringstream stream(file.readAll().toStdString());
    try {
        LoadDump(stream);
    } catch (const EPresetError& error) {
        ShowMessage(this, QString::fromStdString(error.what()), QStringLiteral("Sorry..."));
        return;
    }
    SetFileName(name);
    Show();
}

bool TfrmPresetEditor::SaveAs() {
    const QString initial =
        !FileName.isEmpty()
            ? FileName
            : FolderForWriting(LastPresetFolder.isEmpty() ? DefaultUserFolder()
                                                          : LastPresetFolder) +
                  SanitizeFileName(QString::fromLatin1(Preset->Title.data(),
                                                       static_cast<qsizetype>(Preset->Title.size()))
                                       .trimmed()) +
                  QStringLiteral(".tmq");
    const QString name =
        Dialogs().SaveFileName(this, QStringLiteral("Save preset as"), initial, kFilter);
    if (name.isEmpty())
        return false;
    const TBytes bytes = Preset->Encode();
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    // All or nothing: a failed save leaves an existing file and the window as they were.
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        ShowMessage(this,
                    QStringLiteral("Cannot write ") + name + QStringLiteral(": ") +
                        file.errorString(),
                    QStringLiteral("Sorry..."));
        return false;
    }
    // What is compared from now on is what the file holds, read back.
    QFile written(name);
    const QByteArray back = written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray();
    if (back != data) {
        ShowMessage(this, name + QStringLiteral(" does not hold what was written"),
                    QStringLiteral("Sorry..."));
        return false;
    }
    std::copy(back.begin(), back.end(), Preset->LoadedDump.begin());
    Preset->HasLoadedDump = true;
    SetFileName(name);
    LastPresetFolder = QFileInfo(name).absolutePath() + QLatin1Char('/');
    IsNew = false;
    lblStatus->setText(QStringLiteral("Saved"));
    UndoList.Clear();
    RedoList.Clear();
    UpdateUndoButtons();
    return true;
}

void TfrmPresetEditor::Store() {
    // An edit still waiting for its timer is part of what is stored, and goes to the unit now,
    // not in the middle of the store.
    if (timSys->isActive())
        TimerFired();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int current = OnGetPresetNumber ? OnGetPresetNumber() : -1;
    QApplication::restoreOverrideCursor();
    const bool first = !SharedStoreDialog();
    TfrmStorePrompt* dialog = StoreDialog();
    if (first && current == -1) {
        // A file named as the backup names presets ("Title.tmq017") tells its slot.
        int slot = 1;
        const qsizetype at = FileName.indexOf(QStringLiteral(".tmq"));
        if (at >= 0 && FileName.size() > at + 5) {
            bool ok = false;
            const int number = FileName.mid(at + 4, 3).toInt(&ok);
            if (ok)
                slot = number;
        }
        dialog->SetLocation(slot);
    } else if (current != -1) {
        dialog->SetLocation(current);
    }
    if (dialog->exec() != QDialog::Accepted)
        return;
    const int slot = dialog->Location();
    if (OnStorePreset) {
        const auto stream = Snapshot();
        const std::string text = stream->str();
        const TBytes dump(text.begin(), text.end());
        const QPointer<TfrmPresetEditor> self(this);
        TStoreRequest request;
        request.Dump = dump;
        request.Slot = slot;
        request.Keep = dialog->KeepReplaced();
        request.Verify = dialog->VerifyAfterStoring();
        request.SendFirst = dialog->SendFirst();
        const TStoreResult result = RunStore([&] { return OnStorePreset(request); });
        if (self.isNull())
            return;
        if (result.Stored && !result.Replaced.empty()) {
            lastStore = result;
            lastStoreSlot = slot;
        }
        UpdateStoreButtons();
        ReportStore(result, QStringLiteral("Stored in slot %1").arg(slot));
        return;
    }
    if (dialog->SendFirst()) {
        SendPreset();
        WaitMilliseconds(RequestDelay);
    }
    const auto message = StorePresetMessage(DeviceId, slot);
    if (message && OnSendSysEx)
        OnSendSysEx(message->data(), static_cast<int>(message->size()));
}

TStoreResult TfrmPresetEditor::RunStore(const std::function<TStoreResult()>& store) {
    // While the unit's slot and edit buffer belong to the store, the window edits and sends
    // nothing: what the store reads back or keeps must be the slot's, not this window's.
    const QPointer<TfrmPresetEditor> self(this);
    storing = true;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const TStoreResult result = store();
    QApplication::restoreOverrideCursor();
    if (!self.isNull()) {
        storing = false;
        setEnabled(true);
    }
    return result;
}

void TfrmPresetEditor::UndoStore() {
    if (!OnStorePreset || lastStore.Replaced.empty())
        return;
    if (timSys->isActive())
        TimerFired();
    const QPointer<TfrmPresetEditor> self(this);
    const TBytes replaced = lastStore.Replaced;
    const int bank = lastStore.Bank;
    TStoreRequest request;
    request.Dump = replaced;
    request.Slot = lastStoreSlot;
    request.Bank = bank;
    request.Verify = true;
    request.SendFirst = true;
    const TStoreResult result = RunStore([&] { return OnStorePreset(request); });
    if (self.isNull())
        return;
    if (result.Verified)
        lastStore = TStoreResult();
    UpdateStoreButtons();
    ReportStore(result, QStringLiteral("Slot %1 has its former preset again").arg(lastStoreSlot));
}

void TfrmPresetEditor::ReportStore(const TStoreResult& result, const QString& done) {
    if (result.Stored)
        lblStatus->setText(result.Verified ? done + QStringLiteral(" and verified")
                                           : done + (result.Message.empty()
                                                         ? QString()
                                                         : QStringLiteral(", not verified")));
    if (!result.Message.empty())
        ShowMessage(this, QString::fromStdString(result.Message), QStringLiteral("Store"));
}

bool TfrmPresetEditor::CloseQuery() {
    if (!IsNew && !Preset->IsModified())
        return true;
    const auto answer = Dialogs().MessageBox(
        this, kSaveQuestion, QStringLiteral("Confirm"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    if (answer == QMessageBox::Yes)
        return SaveAs();
    return answer == QMessageBox::No;
}

void TfrmPresetEditor::closeEvent(QCloseEvent* event) {
    // A closed editor is hidden, not destroyed: the main window reuses it. Not while it stores.
    if (!storing && CloseQuery())
        event->accept();
    else
        event->ignore();
}

bool TfrmPresetEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != this && !isAncestorOf(widget))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (storing)
        return true; // the window waits for its store
    if (PerformanceKey(key))
        return true;
    const Qt::KeyboardModifiers held = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                           Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_F9) {
        SendPreset();
        return true;
    }
    if (held == Qt::ControlModifier && key->key() == Qt::Key_Z) {
        Undo();
        return true;
    }
    if (held == Qt::ControlModifier && key->key() == Qt::Key_Y) {
        Redo();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
