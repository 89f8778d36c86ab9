// The preset document: record, history, file, sending and store requests.

#include "editor/PresetDocument.h"

#include "editor/DraftStore.h"
#include "store/WholeFile.h"

#include <QDateTime>
#include <QTimer>
#include <algorithm>
#include <sstream>

namespace {
constexpr int kBurstMilliseconds = 1000;
}

TPresetDocument::TPresetDocument(QObject* parent) : QObject(parent), timSys(new QTimer(this)) {
    timSys->setObjectName(QStringLiteral("timSys"));
    timSys->setInterval(kBurstMilliseconds);
    timSys->setSingleShot(true);
    connect(timSys, &QTimer::timeout, this, [this] { TimerFired(); });
}

TPresetDocument::~TPresetDocument() = default;

void TPresetDocument::SetUp() {
    DiscardPending();
    undoList.Clear();
    edited = false;
    redoList.Clear();
    isNew = true;
    SetFileName(QString());
    // What belonged to the preset shown before ends here: a store of it is not this
    // document's to undo.
    lastStore = TStoreResult();
    lastStoreSlot = 0;
    homeSlot = {};
    reference.clear();
    referenceKind = TReference::None;
    emit HistoryChanged();
}

void TPresetDocument::LoadDump(std::istream& stream) {
    Preset.LoadFromStream(stream);
    isNew = false;
    edited = false;
    reference.assign(Preset.LoadedDump.begin(), Preset.LoadedDump.end());
    referenceKind = TReference::Loaded;
}

QString TPresetDocument::ReferenceWord() const {
    switch (referenceKind) {
    case TReference::Loaded:
        return QStringLiteral("loaded");
    case TReference::Saved:
        return QStringLiteral("saved");
    case TReference::Stored:
        return QStringLiteral("stored");
    case TReference::None:
        break;
    }
    return {};
}

void TPresetDocument::SetFileName(const QString& name) {
    fileName = name;
    emit FileNameChanged(name);
}

bool TPresetDocument::NeedsSaving() const {
    if (!comparedEdit.empty())
        return isNew || !Preset.HasLoadedDump ||
               !std::equal(comparedEdit.begin(), comparedEdit.end(), Preset.LoadedDump.begin(),
                           Preset.LoadedDump.end());
    return isNew || Preset.IsModified();
}

void TPresetDocument::ImmediateChange() {
    if (Updating)
        return;
    edited = true;
    emit Edited();
    PushSnapshot();
    redoList.Clear();
    SendPreset();
    emit HistoryChanged();
}

void TPresetDocument::DeferredChange() {
    if (Updating)
        return;
    edited = true;
    emit Edited();
    if (AutoSend)
        autoSendPending = true;
    // A burst of changes is recorded once, a second after its first change: a change within it
    // does not put the recording off.
    if (!timSys->isActive())
        timSys->start();
    emit HistoryChanged();
}

bool TPresetDocument::ChangePending() const {
    return timSys->isActive();
}

void TPresetDocument::RecordPending() {
    if (timSys->isActive())
        TimerFired();
}

void TPresetDocument::DiscardPending() {
    timSys->stop();
    autoSendPending = false;
}

void TPresetDocument::TimerFired() {
    timSys->stop();
    PushSnapshot();
    redoList.Clear();
    if (autoSendPending) {
        autoSendPending = false;
        SendPreset();
    }
    emit HistoryChanged();
}

std::unique_ptr<TStreamList::Stream> TPresetDocument::Snapshot() const {
    auto stream = std::make_unique<TStreamList::Stream>();
    Preset.SaveToStream(*stream);
    return stream;
}

void TPresetDocument::PushSnapshot() {
    undoList.Add(Snapshot());
}

bool TPresetDocument::SendPreset() {
    if (OnSendPreset) {
        auto stream = Snapshot();
        stream->seekg(0);
        // What did not go out (no output device, a device error) is not reported as sent.
        if (OnSendPreset(*stream) != QLatin1String(kSentText))
            return false;
    }
    emit Sent();
    return true;
}

void TPresetDocument::LoadSnapshot(TStreamList::Stream& snapshot) {
    // Undo and redo change the record, not what it was loaded or saved as: after undoing back
    // over a save or a load the document still needs saving.
    const auto loaded = Preset.LoadedDump;
    const bool hadLoaded = Preset.HasLoadedDump;
    snapshot.clear();
    snapshot.seekg(0);
    Preset.LoadFromStream(snapshot);
    Preset.LoadedDump = loaded;
    Preset.HasLoadedDump = hadLoaded;
}

// A change still waiting for its timer is recorded first: undo takes back just it, and redo
// finds nothing left to redo (recording it emptied the redo list).
bool TPresetDocument::Step(bool undo) {
    RecordPending();
    TStreamList& from = undo ? undoList : redoList;
    TStreamList& to = undo ? redoList : undoList;
    // The last snapshot of the undo list is the present state: undo needs one before it.
    if (from.Count() < (undo ? 2 : 1)) {
        emit HistoryChanged();
        return false;
    }
    LoadSnapshot(*from.Get(undo ? from.Count() - 2 : from.Count() - 1));
    to.Add(from.Delete(from.Count() - 1));
    emit HistoryChanged();
    return true;
}

bool TPresetDocument::Undo() {
    return Step(true);
}

bool TPresetDocument::Redo() {
    return Step(false);
}

QString TPresetDocument::ReadFile(const QString& name) {
    // More than a preset, so that a file of another length is told it is not one.
    const TFileRead read = ReadWholeFile(name, 64 * kLargestPresetFile);
    if (read.Missing)
        return QStringLiteral("Cannot open ") + name + QStringLiteral(": there is no such file");
    if (!read.Ok())
        return read.Error;
    // A failed read leaves the document as it was, its file name included.
    if (read.Bytes.size() != PresetDumpLength)
        return QStringLiteral("Not a valid preset file");
    std::stringstream stream(read.Bytes.toStdString());
    try {
        LoadDump(stream);
    } catch (const EPresetError& error) {
        return QString::fromStdString(error.what());
    }
    SetFileName(name);
    homeSlot = {};
    return {};
}

QString TPresetDocument::WriteFile(const QString& name) {
    const TBytes bytes = Preset.Encode();
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    // All or nothing: a failed save leaves an existing file and the document as they were.
    if (const QString error = WriteWholeFile(name, data); !error.isEmpty())
        return QStringLiteral("Cannot write ") + name + QStringLiteral(": ") + error;
    // What is compared from now on is what the file holds, read back.
    const QByteArray back = ReadWholeFile(name, kLargestPresetFile).Bytes;
    if (back != data)
        return name + QStringLiteral(" does not hold what was written");
    std::copy(back.begin(), back.end(), Preset.LoadedDump.begin());
    Preset.HasLoadedDump = true;
    reference = bytes;
    referenceKind = TReference::Saved;
    SetFileName(name);
    isNew = false;
    // The next recorded change is the first snapshot: undo comes back from the second change.
    undoList.Clear();
    edited = false;
    redoList.Clear();
    emit HistoryChanged();
    return {};
}

int TPresetDocument::SlotInFileName() const {
    int slot = 1;
    const qsizetype at = fileName.indexOf(QStringLiteral(".tmq"));
    if (at >= 0 && fileName.size() > at + 5) {
        bool ok = false;
        const int number = fileName.mid(at + 4, 3).toInt(&ok);
        if (ok)
            slot = number;
    }
    return slot;
}

TStoreRequest TPresetDocument::StoreRequest(int slot) {
    // An edit still waiting for its timer is part of what is stored.
    RecordPending();
    TStoreRequest request;
    request.Dump = Preset.Encode();
    request.Slot = slot;
    return request;
}

void TPresetDocument::StoreDone(const TStoreRequest& request, const TStoreResult& result) {
    if (result.Stored && homeSlot.Slot > 0)
        homeSlot = {request.Bank, request.Slot};
    if (result.Stored) {
        reference = request.Dump;
        referenceKind = TReference::Stored;
    }
    if (result.Verified)
        edited = false; // the unit holds it now, read back
    if (result.Stored && !result.Replaced.empty()) {
        lastStore = result;
        lastStoreSlot = request.Slot;
    }
}

TStoreRequest TPresetDocument::UndoStoreRequest() const {
    TStoreRequest request;
    request.Dump = lastStore.Replaced;
    request.Slot = lastStoreSlot;
    request.Bank = lastStore.Bank;
    request.Verify = true;
    request.SendFirst = true;
    request.UndoesStep = lastStore.JournalStep;
    return request;
}

void TPresetDocument::UndoStoreDone(const TStoreResult& result) {
    if (result.Verified || result.JournalStep < 0)
        lastStore = TStoreResult();
    if (result.Stored)
        edited = true; // the unit has its former preset again: the window alone holds these
}

TDraft TPresetDocument::Draft() const {
    TDraft draft;
    // While the window compares, the record holds the reference: the edit is kept aside.
    draft.Dump = comparedEdit.empty() ? Preset.Encode() : comparedEdit;
    if (Preset.HasLoadedDump)
        draft.Loaded.assign(Preset.LoadedDump.begin(), Preset.LoadedDump.end());
    draft.Reference = reference;
    draft.ReferenceKind = referenceKind;
    draft.IsNew = isNew;
    draft.FileName = fileName;
    draft.Home = homeSlot;
    draft.StoreReplaced = lastStore.Replaced;
    draft.StoreSlot = lastStoreSlot;
    draft.StoreBank = lastStore.Bank;
    draft.StoreJournalStep = lastStore.JournalStep;
    draft.StoreKeptFile = QString::fromStdString(lastStore.KeptFile);
    draft.Written = QDateTime::currentDateTime();
    return draft;
}

void TPresetDocument::RestoreDraft(const TDraft& draft) {
    SetUp();
    // The first step of the history is what the preset is compared with (the defaults of a new
    // one), so the recovered preset counts as edited and undo leads back there.
    if (!draft.Reference.empty())
        Preset.Decode(draft.Reference);
    else
        Preset = TPreset();
    PushSnapshot();
    Preset.Decode(draft.Dump);
    Preset.HasLoadedDump = !draft.Loaded.empty();
    if (Preset.HasLoadedDump)
        std::copy(draft.Loaded.begin(), draft.Loaded.end(), Preset.LoadedDump.begin());
    isNew = draft.IsNew;
    reference = draft.Reference;
    referenceKind = draft.ReferenceKind;
    homeSlot = draft.Home;
    lastStore.Stored = !draft.StoreReplaced.empty();
    lastStore.Replaced = draft.StoreReplaced;
    lastStore.Bank = draft.StoreBank;
    lastStore.JournalStep = draft.StoreJournalStep;
    lastStore.KeptFile = draft.StoreKeptFile.toStdString();
    lastStoreSlot = draft.StoreSlot;
    SetFileName(draft.FileName);
    edited = true;
    emit HistoryChanged();
}
