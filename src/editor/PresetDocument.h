#pragma once
// The preset an editor edits, apart from any window: the record and what it was loaded or saved
// as, the undo and redo history with the rule that records a burst of slider changes once, the
// ".tmq" file, sending the record to the unit, and the requests that store it into a slot.

#include "model/Preset.h"
#include "model/StoreRequest.h"
#include "model/StreamList.h"

#include <QObject>
#include <QString>
#include <functional>
#include <istream>
#include <memory>

class QTimer;
struct TDraft;

// What the main window answers when a preset went out.
inline const char* const kSentText = "MIDI data sent to MIDI Out";

class TPresetDocument : public QObject {
    Q_OBJECT
public:
    explicit TPresetDocument(QObject* parent = nullptr);
    ~TPresetDocument() override;

    // Ready for another preset: empty history, new, no file, no store to undo, nothing pending.
    // The record stays as it is until a dump is loaded.
    void SetUp();
    // The dump becomes the record and what it was loaded as (EPresetError: a stream that holds
    // no dump, and the record stays as it was).
    void LoadDump(std::istream& stream);
    void SetFileName(const QString& name);
    const QString& FileName() const { return fileName; }
    bool IsNew() const { return isNew; }
    // A new document, or a record that differs from what it was loaded or saved as.
    bool NeedsSaving() const;
    // Edited since it was loaded, saved or stored: a change recorded or pending, kept through
    // undo (an edit undone is still counted: what it could lose is never taken for nothing).
    bool HasEdits() const { return ChangePending() || edited; }

    // Discrete edits are recorded and sent at once. A slider's changes are recorded (and sent,
    // with AutoSend) once, 1000 ms after the first change of their burst.
    void ImmediateChange();
    void DeferredChange();
    bool ChangePending() const;
    void RecordPending();  // a change the timer still holds is recorded now
    void DiscardPending(); // the record is being replaced: its pending change goes with it
    void PushSnapshot();
    bool SendPreset(); // false: it did not go out
    // Both record a pending change first; false when there is nothing to take back or redo.
    bool Undo();
    bool Redo();
    const TStreamList& UndoList() const { return undoList; }
    const TStreamList& RedoList() const { return redoList; }

    // Both answer what the user is told when they fail, and nothing when they succeed. A file
    // is written whole or not at all and read back; from then on the record is compared with
    // what the file holds.
    [[nodiscard]] QString ReadFile(const QString& name);
    [[nodiscard]] QString WriteFile(const QString& name);

    // The slot a file named as the backup names presets ("Title.tmq017") tells; 1 otherwise.
    int SlotInFileName() const;
    // The slot of the unit the preset was read from (the library's), which a store proposes;
    // Slot 0: none. A store into another slot moves it there; another preset forgets it.
    struct THomeSlot {
        int Bank = -1; // 0..3, or -1: the bank the unit is in
        int Slot = 0;
    };
    void SetHomeSlot(const THomeSlot& home) { homeSlot = home; }
    const THomeSlot& HomeSlot() const { return homeSlot; }
    // The record, with a pending change recorded first, for the slot; the caller chooses what
    // else the store does.
    TStoreRequest StoreRequest(int slot);
    // What a store came to: one that kept the slot's former preset can be undone.
    void StoreDone(const TStoreRequest& request, const TStoreResult& result);
    bool CanUndoStore() const { return !lastStore.Replaced.empty(); }
    // The store that puts back what the last store replaced, into the same slot and bank.
    TStoreRequest UndoStoreRequest() const;
    void UndoStoreDone(const TStoreResult& result);

    // What the record is compared with: the preset as it was loaded, last saved or last stored.
    enum class TReference { None, Loaded, Saved, Stored };
    TReference ReferenceKind() const { return referenceKind; }
    const TBytes& Reference() const { return reference; }
    // "loaded", "saved", "stored".
    QString ReferenceWord() const;
    // While the window shows the reference, the edited preset it will come back to: what needs
    // saving is told by it. Empty: not comparing.
    void SetComparedEdit(const TBytes& edited) { comparedEdit = edited; }

    // Everything that makes the document what it is now, for a draft (the window title aside),
    // and the document made so again: the draft's preset, with edits to undo back to what it
    // is compared with.
    TDraft Draft() const;
    void RestoreDraft(const TDraft& draft);

    TPreset Preset;
    // Sends a 258-byte dump to the unit (the stream, from its start) and answers kSentText when
    // it went out. Unassigned, nothing is sent and the preset counts as sent.
    std::function<QString(std::istream& stream)> OnSendPreset;
    bool AutoSend = true;  // deferred changes are sent when they are recorded
    bool Updating = false; // the record is being shown: change notifications do nothing

signals:
    void Edited(); // a change was noticed
    void Sent();
    void HistoryChanged();
    void FileNameChanged(const QString& name);

private:
    void TimerFired();
    bool Step(bool undo);
    void LoadSnapshot(TStreamList::Stream& snapshot);
    std::unique_ptr<TStreamList::Stream> Snapshot() const;

    QTimer* timSys;
    TStreamList undoList;
    bool edited = false;
    TStreamList redoList;
    QString fileName;
    bool isNew = true;
    bool autoSendPending = false;
    TStoreResult lastStore; // the last store that kept what it replaced
    int lastStoreSlot = 0;
    THomeSlot homeSlot;
    TBytes reference;
    TReference referenceKind = TReference::None;
    TBytes comparedEdit;
};
