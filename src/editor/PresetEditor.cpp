// The preset editor window: its layout, showing the document, the tool bar's commands, the
// keys it takes before its controls, and closing.

#include "editor/PresetEditor.h"

#include "base/CompareDialog.h"
#include "base/Dialogs.h"
#include "base/PrintCommon.h"
#include "base/StorePrompt.h"
#include "base/qvUtility.h"
#include "editor/DraftStore.h"
#include "editor/EffectChainPanel.h"
#include "editor/FootSwitchPanel.h"
#include "editor/ParameterPages.h"
#include "editor/PerformancePanel.h"
#include "editor/PresetDocument.h"
#include "editor/PresetPrint.h"
#include "model/EffectCatalogue.h"
#include "model/PresetDiff.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

QString TfrmPresetEditor::LastPresetFolder;

namespace {
const QString kFilter = QStringLiteral("TMQ-Quellfarn presets (*.tmq*)");
const QString kSaveQuestion = QStringLiteral("Do you want to save your changes?");
// An edit is on disk at most this long after it was made; a burst of edits is written once.
constexpr int kDraftDelay = 1500;

std::unique_ptr<TfrmStorePrompt>& SharedStoreDialog() {
    static std::unique_ptr<TfrmStorePrompt> dialog;
    return dialog;
}

// (object name, caption, hint), as every widget helper takes them.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
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

QString TitleOf(const TPreset& preset) {
    return QString::fromLatin1(preset.Title.data(), static_cast<qsizetype>(preset.Title.size()));
}
} // namespace

TfrmStorePrompt* TfrmPresetEditor::StoreDialog() {
    if (!SharedStoreDialog())
        SharedStoreDialog() = std::make_unique<TfrmStorePrompt>();
    return SharedStoreDialog().get();
}

TfrmPresetEditor::TfrmPresetEditor(QWidget* parent)
    : QWidget(parent, Qt::Window), document(std::make_unique<TPresetDocument>()) {
    setObjectName(QStringLiteral("frmPresetEditor"));
    BuildWindow();
    BuildBlockCommands();
    changesTimer = new QTimer(this);
    changesTimer->setSingleShot(true);
    connect(changesTimer, &QTimer::timeout, this, [this] { UpdateChanges(); });
    draftTimer = new QTimer(this);
    draftTimer->setSingleShot(true);
    draftTimer->setInterval(kDraftDelay);
    connect(draftTimer, &QTimer::timeout, this, [this] { WriteDraft(); });
    connect(document.get(), &TPresetDocument::Edited, this, [this] {
        lblStatus->setText(QStringLiteral("Modified"));
        changesTimer->start(0); // a slider's moves are listed once they rest
        DraftDue();
    });
    connect(document.get(), &TPresetDocument::Sent, this, [this] { ShowSent(); });
    connect(document.get(), &TPresetDocument::HistoryChanged, this, [this] {
        UpdateUndoButtons();
        changesTimer->start(0);
    });
    connect(document.get(), &TPresetDocument::FileNameChanged, this, [this](const QString& name) {
        setWindowTitle(name.isEmpty() ? Title(QStringLiteral(" <not saved>"))
                                      : Title(QStringLiteral(" - ") + name));
    });
    parameters->OnDeferredChange = [this] { document->DeferredChange(); };
    parameters->OnImmediateChange = [this] { document->ImmediateChange(); };
    qApp->installEventFilter(this); // the window sees keys before its controls
    SetUp();
}

TfrmPresetEditor::~TfrmPresetEditor() {
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
        if (document->Updating)
            return; // showing the record's title is no edit of it
        document->Preset.Title = text.toLatin1().toStdString();
        document->ImmediateChange();
    });
    document->AutoSend = chkAutoSend->isChecked();
    connect(chkAutoSend, &QCheckBox::toggled, this, [this](bool on) { document->AutoSend = on; });

    chain = new TEffectChainPanel(*document, this);
    layout->addWidget(chain);
    connect(chain, &TEffectChainPanel::AnalogSwitched, this,
            [this](int block, bool on) { AnalogSwitched(block, on); });
    connect(chain, &TEffectChainPanel::DigitalChanged, this,
            [this](int added) { DigitalChanged(added); });

    auto* lower = new QHBoxLayout;
    pgcPreset = new QTabWidget(this);
    pgcPreset->setObjectName(QStringLiteral("pgcPreset"));
    pgcPreset->setAccessibleName(QStringLiteral("Preset pages"));
    pgcPreset->setFocusPolicy(Qt::NoFocus); // its tab bar takes the focus
    const auto sheet = [this](const char* name, const QString& caption) {
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(name));
        pgcPreset->addTab(page, caption);
        return page;
    };
    tsAnalogEffects = sheet("tsAnalogEffects", QStringLiteral("Analog effects"));
    tsDigitalEffects = sheet("tsDigitalEffects", QStringLiteral("Digital effects"));
    pgcAnalogParams = new QTabWidget(tsAnalogEffects);
    pgcAnalogParams->setObjectName(QStringLiteral("pgcAnalogParams"));
    pgcAnalogParams->setAccessibleName(QStringLiteral("Analog effect parameters"));
    pgcAnalogParams->setFocusPolicy(Qt::NoFocus); // its tab bar takes the focus
    (new QVBoxLayout(tsAnalogEffects))->addWidget(pgcAnalogParams);
    pgcDigitalParams = new QTabWidget(tsDigitalEffects);
    pgcDigitalParams->setObjectName(QStringLiteral("pgcDigitalParams"));
    pgcDigitalParams->setAccessibleName(QStringLiteral("Digital effect parameters"));
    pgcDigitalParams->setFocusPolicy(Qt::NoFocus); // its tab bar takes the focus
    (new QVBoxLayout(tsDigitalEffects))->addWidget(pgcDigitalParams);
    grpMix = new QGroupBox(QStringLiteral("Mix"), this);
    grpMix->setObjectName(QStringLiteral("grpMix"));
    parameters = std::make_unique<TParameterPages>(grpMix, pgcAnalogParams, pgcDigitalParams);
    connect(pgcDigitalParams, &QTabWidget::currentChanged, this, [this](int) {
        if (pgcDigitalParams->currentWidget() == parameters->DigitalTab("Reverb"))
            parameters->ApplyDiffusionRule();
    });
    performance = new TPerformancePanel(*document, *parameters, pgcPreset);
    tsPerfMIDI = performance;
    pgcPreset->addTab(performance, QStringLiteral("Performance MIDI"));
    switches = new TFootSwitchPanel(*document, pgcPreset);
    tsK27states = switches;
    pgcPreset->addTab(switches, QStringLiteral("K27 states"));
    connect(pgcPreset, &QTabWidget::currentChanged, this,
            [this] { performance->ResetTab(pgcPreset->currentWidget() == tsPerfMIDI); });
    lower->addWidget(pgcPreset, 1);
    auto* right = new QVBoxLayout;
    right->addWidget(grpMix);
    auto* changesLabel = new QLabel(QStringLiteral("C&hanges:"), this);
    lstChanges = new QListWidget(this);
    lstChanges->setObjectName(QStringLiteral("lstChanges"));
    lstChanges->setAccessibleName(QStringLiteral("Changes"));
    lstChanges->setToolTip(QStringLiteral("What differs from the preset as it was loaded, saved or "
                                          "stored; a click shows the control"));
    lstChanges->setWordWrap(true);
    lstChanges->setMinimumWidth(grpMix->sizeHint().width());
    changesLabel->setBuddy(lstChanges);
    right->addWidget(changesLabel);
    right->addWidget(lstChanges, 1);
    btnCompareUnit = new QPushButton(QStringLiteral("Compare &with the unit..."), this);
    btnCompareUnit->setObjectName(QStringLiteral("btnCompareUnit"));
    btnCompareUnit->setToolTip(QStringLiteral("Read the slot the preset came from (else the "
                                              "unit's current one) and list how this differs"));
    right->addWidget(btnCompareUnit);
    connect(btnCompareUnit, &QPushButton::clicked, this, [this] { CompareWithUnit(); });
    lower->addLayout(right);
    layout->addLayout(lower, 1);
    connect(lstChanges, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { ShowControl(lstChanges->row(item)); });
    connect(lstChanges, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { ShowControl(lstChanges->row(item)); });
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
    btnStore = Button(bar, "btnStore", QStringLiteral("S&tore..."),
                      QStringLiteral("Store the current preset at..."));
    btnCompare = Button(bar, "btnCompare", QStringLiteral("Co&mpare"),
                        QStringLiteral("Hear and see the preset as it was loaded, saved or stored, "
                                       "and back [F5]"));
    btnCompare->setCheckable(true);
    btnUndoStore =
        Button(bar, "btnUndoStore", QStringLiteral("Undo last store"),
               QStringLiteral("Put the preset the last store replaced back into its slot"));
    btnUndoStore->setEnabled(false);
    btnPrint =
        Button(bar, "btnPrint", QStringLiteral("&Print"), QStringLiteral("Print preset data"));
    btnPreview = Button(bar, "btnPreview", QStringLiteral("Print pre&view"),
                        QStringLiteral("Show the pages the printer would get"));
    btnPrtSetup = Button(bar, "btnPrtSetup", QStringLiteral("S&etup"),
                         QStringLiteral("Printer selection/configuration"));
    btnExit = Button(bar, "btnExit", QStringLiteral("E&xit"), QStringLiteral("Just what it says"));
    for (QPushButton* button : {btnOpen, btnUndo, btnRedo, btnCompare, btnSaveAs, btnSendOut,
                                btnStore, btnUndoStore, btnPrint, btnPreview, btnPrtSetup})
        row->addWidget(button);
    chkFollowUnit = new QCheckBox(QStringLiteral("&Follow the unit"), bar);
    chkFollowUnit->setObjectName(QStringLiteral("chkFollowUnit"));
    chkFollowUnit->setToolTip(QStringLiteral("When a preset is chosen on the unit itself, load it "
                                             "here (unsaved changes stay: it opens in a window of "
                                             "its own)"));
    row->addWidget(chkFollowUnit);
    row->addStretch(1);
    row->addWidget(btnExit);
    connect(chkFollowUnit, &QCheckBox::toggled, this, [this](bool on) {
        if (OnFollowUnit)
            OnFollowUnit(on);
    });
    connect(btnOpen, &QPushButton::clicked, this, [this] { Open(); });
    connect(btnUndo, &QPushButton::clicked, this, [this] { StepHistory(true); });
    connect(btnRedo, &QPushButton::clicked, this, [this] { StepHistory(false); });
    connect(btnSaveAs, &QPushButton::clicked, this, [this] { SaveAs(); });
    connect(btnSendOut, &QPushButton::clicked, this, [this] { document->SendPreset(); });
    connect(btnStore, &QPushButton::clicked, this, [this] { Store(); });
    connect(btnUndoStore, &QPushButton::clicked, this, [this] { UndoStore(); });
    // Whatever else the tool bar does is done to the edited preset: it comes back first.
    for (QPushButton* button : {btnOpen, btnUndo, btnRedo, btnSaveAs, btnSendOut, btnStore,
                                btnUndoStore, btnPrint, btnPreview, btnExit})
        connect(button, &QPushButton::pressed, this, [this] { EndCompare(); });
    connect(btnCompare, &QPushButton::clicked, this, [this] {
        Compare();
        btnCompare->setChecked(comparing);
    });
    connect(btnPrint, &QPushButton::clicked, this, [this] { PrintPreset(); });
    connect(btnPreview, &QPushButton::clicked, this, [this] { PreviewPreset(); });
    connect(btnPrtSetup, &QPushButton::clicked, this, [this] { PrinterSetup(this); });
    connect(btnExit, &QPushButton::clicked, this, &QWidget::close);
    return bar;
}

void TfrmPresetEditor::KeepDraftsIn(std::shared_ptr<TDraftStore> store) {
    drafts = std::move(store);
}

void TfrmPresetEditor::DraftDue() {
    if (!drafts)
        return;
    draftDue = true;
    // Not put off by the edits after it: a long burst is written while it goes on.
    if (!draftTimer->isActive())
        draftTimer->start();
}

bool TfrmPresetEditor::WriteDraft() {
    draftTimer->stop();
    if (!drafts || !draftDue)
        return false;
    if (!document->NeedsSaving()) { // undone back to what was saved
        DropDraft();
        return false;
    }
    if (draftPath.isEmpty())
        draftPath = drafts->NewPath();
    TDraft draft = document->Draft();
    draft.WindowTitle = windowTitle();
    const QString failure = drafts->Write(draftPath, draft);
    if (!failure.isEmpty()) {
        lblStatus->setText(failure); // and the next edit tries again
        return false;
    }
    draftDue = false;
    return true;
}

void TfrmPresetEditor::DropDraft() {
    draftTimer->stop();
    draftDue = false;
    if (!draftPath.isEmpty())
        TDraftStore::Remove(draftPath);
}

bool TfrmPresetEditor::Recover(const TDraft& draft) {
    DropDraft();
    comparing = false;
    btnCompare->setChecked(false);
    document->SetComparedEdit({});
    document->RestoreDraft(draft);
    ShowDocument();
    document->PushSnapshot();
    UpdateUndoButtons();
    UpdateStoreButtons();
    lblStatus->setText(QStringLiteral("Modified"));
    if (!isVisible())
        show();
    draftDue = drafts != nullptr;
    return WriteDraft();
}

void TfrmPresetEditor::SetUp() {
    DropDraft(); // what the window held before was saved or let go
    document->SetUp();
    UpdateStoreButtons();
}

void TfrmPresetEditor::SetUnitBusy(bool busy) {
    unitBusy = busy;
    UpdateStoreButtons();
}

void TfrmPresetEditor::UpdateStoreButtons() {
    btnStore->setEnabled(!unitBusy);
    btnUndoStore->setEnabled(!unitBusy && document->CanUndoStore());
}

void TfrmPresetEditor::LoadDump(std::istream& stream) {
    DropDraft(); // the window holds no unsaved edits where another preset is put in
    document->LoadDump(stream);
}

void TfrmPresetEditor::SetFileName(const QString& name) {
    document->SetFileName(name);
}

void TfrmPresetEditor::SetFollowUnit(bool on) {
    const QSignalBlocker quiet(chkFollowUnit);
    chkFollowUnit->setChecked(on);
}

bool TfrmPresetEditor::FollowsUnit() const {
    return chkFollowUnit->isChecked();
}

bool TfrmPresetEditor::Learning() const {
    return performance->Learning();
}

void TfrmPresetEditor::LearnController(int controller) {
    performance->LearnController(controller);
}

void TfrmPresetEditor::Show() {
    comparing = false;
    document->SetComparedEdit({});
    btnCompare->setChecked(false);
    ShowDocument();
    document->PushSnapshot();
    UpdateUndoButtons();
    if (!isVisible())
        show();
}

// Fills every control from the record.
void TfrmPresetEditor::ShowDocument() {
    parameters->CloseTypedValue(); // a value typed for the record before is not this one's
    document->DiscardPending();    // a change still pending belongs to the record being replaced
    document->Updating = true;
    TPreset& preset = document->Preset;
    edtTitle->setText(TitleOf(preset));
    chain->ShowRecord();
    bool anyOn = false;
    int firstOn = -1;
    for (int block = 0; block < kAnalogBlockCount; ++block) {
        const bool on = preset.AnalogOn[static_cast<std::size_t>(block)];
        parameters->ShowAnalogTab(block, on);
        if (on && firstOn < 0)
            firstOn = block;
        anyOn = anyOn || on;
    }
    parameters->BindFixed(preset);
    pgcAnalogParams->setVisible(false);
    if (anyOn) {
        pgcAnalogParams->setCurrentIndex(firstOn);
        pgcAnalogParams->setVisible(true);
    }
    parameters->BindDigital(preset, SelectedDigitalEffects(preset));
    ShowFirstDigitalTab();
    switches->ShowRecord();
    pgcPreset->setCurrentWidget(tsAnalogEffects);
    performance->Disarm();
    chkAutoSend->setChecked(true);
    lblStatus->clear();
    performance->RebuildAssignments();
    document->Updating = false;
    UpdateChanges();
}

void TfrmPresetEditor::Compare() {
    if (comparing) {
        EndCompare();
        return;
    }
    if (document->ReferenceKind() == TPresetDocument::TReference::None) {
        lblStatus->setText(QStringLiteral("Nothing to compare with: the preset is new"));
        return;
    }
    document->RecordPending(); // the edit under way is part of what comes back
    edited = document->Preset.Encode();
    document->SetComparedEdit(edited);
    comparing = true;
    ShowRecordOf(document->Reference(), chkAutoSend->isChecked());
    lblStatus->setText(
        QStringLiteral("Comparing with the %1 preset").arg(document->ReferenceWord()));
}

void TfrmPresetEditor::EndCompare() {
    if (!comparing)
        return;
    comparing = false;
    document->SetComparedEdit({});
    btnCompare->setChecked(false);
    ShowRecordOf(edited, chkAutoSend->isChecked());
    lblStatus->setText(QStringLiteral("Back to the edited preset"));
}

// Shows (and with Auto send sends) a dump without making it an edit: the record the preset was
// loaded or saved as stays what the modified state is told against.
void TfrmPresetEditor::ShowRecordOf(const TBytes& dump, bool autoSend) {
    TPreset& preset = document->Preset;
    const auto loaded = preset.LoadedDump;
    const bool hadLoaded = preset.HasLoadedDump;
    preset.Decode(dump);
    preset.LoadedDump = loaded;
    preset.HasLoadedDump = hadLoaded;
    const int page = pgcPreset->currentIndex();
    ShowDocument();
    pgcPreset->setCurrentIndex(page);
    chkAutoSend->setChecked(autoSend);
    if (autoSend)
        document->SendPreset();
}

void TfrmPresetEditor::UpdateChanges() {
    lstChanges->clear();
    changeControls.clear();
    if (document->ReferenceKind() == TPresetDocument::TReference::None)
        return;
    const TBytes now = comparing ? edited : document->Preset.Encode();
    for (const TPresetChange& change : DiffPresets(document->Reference(), now)) {
        lstChanges->addItem(QString::fromStdString(change.Text()));
        changeControls.push_back(change.Control);
    }
}

QStringList TfrmPresetEditor::ChangeLines() const {
    QStringList lines;
    for (int row = 0; row < lstChanges->count(); ++row)
        lines << lstChanges->item(row)->text();
    return lines;
}

void TfrmPresetEditor::CompareWithUnit() {
    if (!OnReadSlot)
        return;
    EndCompare();
    document->RecordPending();
    const TPresetDocument::THomeSlot home = document->HomeSlot();
    int slot = home.Slot;
    if (slot <= 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        slot = OnGetPresetNumber ? OnGetPresetNumber() : -1;
        QApplication::restoreOverrideCursor();
    }
    if (slot <= 0) {
        lblStatus->setText(QStringLiteral("The unit did not say which preset it is on"));
        return;
    }
    const QPointer<TfrmPresetEditor> self(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const std::optional<TReadSlot> read = OnReadSlot(home.Slot > 0 ? home.Bank : -1, slot);
    QApplication::restoreOverrideCursor();
    if (self.isNull())
        return;
    if (!read) {
        lblStatus->setText(QStringLiteral("The unit did not send slot %1").arg(slot));
        return;
    }
    TfrmCompare compare(read->Place + QStringLiteral(" in the unit"), read->Dump,
                        QStringLiteral("this editor"), document->Preset.Encode(), this);
    compare.exec();
}

void TfrmPresetEditor::ShowControl(int row) {
    if (row < 0 || row >= static_cast<int>(changeControls.size()))
        return;
    EndCompare();
    const QString name = QString::fromStdString(changeControls[static_cast<std::size_t>(row)]);
    if (name.isEmpty())
        return;
    // A parameter's page is built when first shown: its tab comes first, by the line's caption.
    const QString line = lstChanges->item(row)->text();
    const QString caption = line.section(QStringLiteral(" \u00b7 "), 0, 0);
    QWidget* control = findChild<QWidget*>(name);
    if (control == nullptr || !control->isVisibleTo(this)) {
        if (QWidget* tab = parameters->DigitalTab(caption.toStdString())) {
            pgcPreset->setCurrentWidget(tsDigitalEffects);
            pgcDigitalParams->setCurrentWidget(tab);
        }
        for (int tab = 0; tab < pgcAnalogParams->count(); ++tab)
            if (pgcAnalogParams->tabText(tab).remove(QLatin1Char('&')) == caption &&
                pgcAnalogParams->isTabVisible(tab)) {
                pgcPreset->setCurrentWidget(tsAnalogEffects);
                pgcAnalogParams->setCurrentIndex(tab);
            }
        control = findChild<QWidget*>(name);
    }
    if (control == nullptr)
        return;
    // Every page on the way to it comes to the front.
    for (QWidget* child = control; child != nullptr && child != this; child = child->parentWidget())
        if (auto* pages = qobject_cast<QTabWidget*>(
                child->parentWidget() != nullptr ? child->parentWidget()->parentWidget() : nullptr))
            if (pages->indexOf(child) >= 0)
                pages->setCurrentWidget(child);
    control->setFocus(Qt::OtherFocusReason);
}

void TfrmPresetEditor::ShowFirstDigitalTab() {
    for (int tab = 0; tab < pgcDigitalParams->count(); ++tab)
        if (pgcDigitalParams->isTabVisible(tab)) {
            pgcDigitalParams->setCurrentIndex(tab);
            return;
        }
}

void TfrmPresetEditor::AnalogSwitched(int block, bool on) {
    if (on) {
        parameters->BindFixed(document->Preset);
        pgcAnalogParams->setVisible(true);
    }
    parameters->ShowAnalogTab(block, on);
    if (on)
        pgcAnalogParams->setCurrentIndex(block);
    performance->RebuildAssignments();
    // A block switched off was the active tab for a moment: the first visible one takes over.
    if (!on || !pgcAnalogParams->isTabVisible(pgcAnalogParams->currentIndex())) {
        for (int tab = 0; tab < pgcAnalogParams->count(); ++tab)
            if (pgcAnalogParams->isTabVisible(tab)) {
                pgcAnalogParams->setCurrentIndex(tab);
                break;
            }
    }
    pgcAnalogParams->setVisible(pgcAnalogParams->isTabVisible(pgcAnalogParams->currentIndex()));
    switches->Evaluate();
}

void TfrmPresetEditor::DigitalChanged(int addedEffect) {
    parameters->BindDigital(document->Preset, SelectedDigitalEffects(document->Preset));
    switches->Evaluate();
    performance->RebuildAssignments();
    if (addedEffect >= 0)
        if (QWidget* tab = parameters->DigitalTab(std::string(DigitalEffectPage(addedEffect))))
            pgcDigitalParams->setCurrentWidget(tab);
}

void TfrmPresetEditor::ShowSent() {
    QString status = lblStatus->text();
    if (!status.contains(QStringLiteral("Sent"))) {
        if (!status.isEmpty())
            status += QStringLiteral(", ");
        lblStatus->setText(status + QStringLiteral("Sent"));
    }
}

void TfrmPresetEditor::UpdateUndoButtons() {
    const int undo = document->UndoList().Count();
    const int redo = document->RedoList().Count();
    btnUndo->setEnabled(undo > 1);
    btnUndo->setToolTip(
        QStringLiteral("%1 items in undo list   [Ctrl+Z]").arg(std::max(undo - 1, 0)));
    btnRedo->setEnabled(redo > 0);
    btnRedo->setToolTip(QStringLiteral("%1 items in redo list   [Ctrl+Y]").arg(redo));
}

void TfrmPresetEditor::StepHistory(bool undo) {
    const bool autoSend = chkAutoSend->isChecked();
    const int presetPage = pgcPreset->currentIndex();
    const int analogPage = pgcAnalogParams->currentIndex();
    const int digitalPage = pgcDigitalParams->currentIndex();
    if (!(undo ? document->Undo() : document->Redo()))
        return;
    ShowDocument();
    if (pgcAnalogParams->isTabVisible(analogPage))
        pgcAnalogParams->setCurrentIndex(analogPage);
    if (pgcDigitalParams->isTabVisible(digitalPage))
        pgcDigitalParams->setCurrentIndex(digitalPage);
    pgcPreset->setCurrentIndex(presetPage);
    UpdateUndoButtons();
    // The processor plays what the window shows: the edit just taken back goes back there too.
    if (autoSend)
        document->SendPreset();
    DraftDue();
}

void TfrmPresetEditor::Open() {
    if (document->NeedsSaving()) {
        const auto answer = Dialogs().MessageBox(
            this, kSaveQuestion, QStringLiteral("Confirm"),
            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !SaveAs()))
            return;
    }
    const QString& fileName = document->FileName();
    const QString folder =
        fileName.isEmpty() ? (LastPresetFolder.isEmpty() ? DefaultUserFolder() : LastPresetFolder)
                           : QFileInfo(fileName).absolutePath() + QLatin1Char('/');
    const QString name = Dialogs().OpenFileName(this, QStringLiteral("Open preset"),
                                                folder + QStringLiteral("*.tmq*"), kFilter);
    if (name.isEmpty())
        return;
    const QString failure = document->ReadFile(name);
    if (!failure.isEmpty()) {
        ShowMessage(this, failure, QStringLiteral("Sorry..."));
        return;
    }
    DropDraft(); // the edits before were saved or let go at the question
    Show();
}

bool TfrmPresetEditor::SaveAs() {
    const QString initial = !document->FileName().isEmpty()
                                ? document->FileName()
                                : FolderForWriting(LastPresetFolder.isEmpty() ? DefaultUserFolder()
                                                                              : LastPresetFolder) +
                                      SanitizeFileName(TitleOf(document->Preset).trimmed()) +
                                      QStringLiteral(".tmq");
    const QString name =
        Dialogs().SaveFileName(this, QStringLiteral("Save preset as"), initial, kFilter);
    if (name.isEmpty())
        return false;
    const QString failure = document->WriteFile(name);
    if (!failure.isEmpty()) {
        ShowMessage(this, failure, QStringLiteral("Sorry..."));
        return false;
    }
    LastPresetFolder = QFileInfo(name).absolutePath() + QLatin1Char('/');
    lblStatus->setText(QStringLiteral("Saved"));
    DropDraft();
    return true;
}

void TfrmPresetEditor::Store() {
    // An edit still waiting for its timer is part of what is stored, and goes to the unit now,
    // not in the middle of the store.
    document->RecordPending();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int current = OnGetPresetNumber ? OnGetPresetNumber() : -1;
    QApplication::restoreOverrideCursor();
    const bool first = !SharedStoreDialog();
    TfrmStorePrompt* dialog = StoreDialog();
    dialog->OnSlotHolds = OnSlotHolds;
    dialog->SetUnit(OnUnit ? OnUnit() : TUnitName());
    const TPresetDocument::THomeSlot home = document->HomeSlot();
    if (home.Slot > 0) // the slot it was read from, in its own bank
        dialog->SetLocation(home.Slot);
    else if (first && current == -1)
        dialog->SetLocation(document->SlotInFileName());
    else if (current != -1)
        dialog->SetLocation(current);
    dialog->SetBank(home.Slot > 0 ? home.Bank : -1);
    if (dialog->exec() != QDialog::Accepted || !OnStorePreset)
        return;
    TStoreRequest request = document->StoreRequest(dialog->Location());
    request.Bank = dialog->Bank();
    request.Keep = dialog->KeepReplaced();
    request.Verify = dialog->VerifyAfterStoring();
    request.SendFirst = dialog->SendFirst();
    const QPointer<TfrmPresetEditor> self(this);
    const TStoreResult result = RunStore(request);
    if (self.isNull())
        return;
    document->StoreDone(request, result);
    if (result.Verified)
        DropDraft(); // the unit holds the edits now, read back; unchecked, the draft stays
    UpdateChanges(); // what was stored is what is compared with now
    UpdateStoreButtons();
    ReportStore(result, QStringLiteral("Stored in slot %1").arg(request.Slot));
}

TStoreResult TfrmPresetEditor::RunStore(const TStoreRequest& request) {
    // While the unit's slot and edit buffer belong to the store, the window edits and sends
    // nothing: what the store reads back or keeps must be the slot's, not this window's.
    const QPointer<TfrmPresetEditor> self(this);
    storing = true;
    setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    TStoreResult result = OnStorePreset(request);
    QApplication::restoreOverrideCursor();
    if (!self.isNull()) {
        storing = false;
        setEnabled(true);
    }
    return result;
}

void TfrmPresetEditor::UndoStore() {
    if (!OnStorePreset || !document->CanUndoStore())
        return;
    document->RecordPending();
    const TStoreRequest request = document->UndoStoreRequest();
    const QPointer<TfrmPresetEditor> self(this);
    const TStoreResult result = RunStore(request);
    if (self.isNull())
        return;
    document->UndoStoreDone(result);
    if (result.Stored || (!draftPath.isEmpty() && QFileInfo::exists(draftPath)))
        DraftDue(); // the edits are the window's alone again; the draft keeps no undone store
    UpdateStoreButtons();
    ReportStore(result, QStringLiteral("Slot %1 has its former preset again").arg(request.Slot));
}

void TfrmPresetEditor::ReportStore(const TStoreResult& result, const QString& done) {
    if (result.Stored)
        lblStatus->setText(
            result.Verified
                ? done + QStringLiteral(" and verified")
                : done + (result.Message.empty() ? QString() : QStringLiteral(", not verified")));
    if (!result.Message.empty())
        ShowMessage(this, QString::fromStdString(result.Message), QStringLiteral("Store"));
}

void TfrmPresetEditor::PrintPreset() {
    if (!ChoosePrintTarget(this))
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintListing();
    QApplication::restoreOverrideCursor();
}

void TfrmPresetEditor::PreviewPreset() {
    ::PrintPreview(this, [this] { PrintListing(); });
}

void TfrmPresetEditor::PrintListing() {
    if (pgcPreset->currentWidget() == tsPerfMIDI)
        pgcPreset->setCurrentWidget(tsAnalogEffects);
    TPresetPrint(*parameters, *pgcAnalogParams, *pgcDigitalParams, *performance)
        .Print(font(), document->FileName(), edtTitle->text());
}

bool TfrmPresetEditor::CloseQuery() {
    if (!document->NeedsSaving())
        return true;
    const auto answer = Dialogs().MessageBox(
        this, kSaveQuestion, QStringLiteral("Confirm"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Question);
    if (answer == QMessageBox::Yes)
        return SaveAs();
    return answer == QMessageBox::No;
}

void TfrmPresetEditor::closeEvent(QCloseEvent* event) {
    EndCompare(); // what is kept or asked about is the edited preset
    // A closed editor is hidden, not destroyed: the main window reuses it. Not while it stores.
    if (!storing && CloseQuery()) {
        DropDraft(); // saved, or let go by the user
        event->accept();
    } else {
        event->ignore();
    }
}

bool TfrmPresetEditor::eventFilter(QObject* watched, QEvent* event) {
    // While the reference is shown its controls only show: a click on one returns to the edited
    // preset first, and does nothing else.
    if (comparing && event->type() == QEvent::MouseButtonPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if ((pgcPreset->isAncestorOf(widget) || grpMix->isAncestorOf(widget) ||
             chain->isAncestorOf(widget) || widget == edtTitle) &&
            !qobject_cast<QTabBar*>(widget)) {
            EndCompare();
            return true;
        }
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QWidget::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    if (widget != this && !isAncestorOf(widget))
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (storing)
        return true; // the window waits for its store
    if (widget == parameters->TypedValueField())
        return QWidget::eventFilter(watched, event); // the keys of a value being typed are its own
    if (key->key() == Qt::Key_F5) {
        Compare();
        btnCompare->setChecked(comparing);
        return true;
    }
    if (comparing) {
        // Moving about and leaving stay; Esc or any key that would edit goes back first.
        static const int kMoving[] = {Qt::Key_Tab,     Qt::Key_Backtab, Qt::Key_Shift,
                                      Qt::Key_Control, Qt::Key_Alt,     Qt::Key_Meta};
        if (std::find(std::begin(kMoving), std::end(kMoving), key->key()) != std::end(kMoving))
            return QWidget::eventFilter(watched, event);
        EndCompare();
        return true;
    }
    if (key->key() == Qt::Key_Escape && performance->StopLearning())
        return true;
    const Qt::KeyboardModifiers held = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier |
                                                           Qt::AltModifier | Qt::MetaModifier);
    if (key->key() == Qt::Key_F9) {
        document->SendPreset();
        return true;
    }
    if (held == Qt::ControlModifier && key->key() == Qt::Key_Z) {
        StepHistory(true);
        return true;
    }
    if (held == Qt::ControlModifier &&
        (key->key() == Qt::Key_PageDown || key->key() == Qt::Key_PageUp)) {
        if (OnStepSlot)
            OnStepSlot(key->key() == Qt::Key_PageDown ? 1 : -1);
        return true;
    }
    if (held == Qt::ControlModifier && key->key() == Qt::Key_Y) {
        StepHistory(false);
        return true;
    }
    if (held == (Qt::ControlModifier | Qt::ShiftModifier) &&
        (key->key() == Qt::Key_C || key->key() == Qt::Key_V)) {
        if (key->key() == Qt::Key_C)
            CopyEffectBlock();
        else
            PasteEffectBlock();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmPresetEditor::Say(const QString& text) {
    lblStatus->setText(text);
}
