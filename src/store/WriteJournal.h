#pragma once
// What the writes into the unit did, step by step, so each can be taken back and done again —
// also after the program was closed. One step is one thing the user did (a drop, a swap, a
// rename, a store from the editor): for every slot it changed, what the slot held before and
// what was written. The journal keeps the newest steps in one file beside the unit's memory,
// written whole or not at all.

#include "model/Protocol.h"

#include <QDateTime>
#include <QString>
#include <vector>

struct TJournalSlot {
    int Bank = 0; // 0..3; -1 the single bank of a Pre-Plenova unit
    int Slot = 1; // 1-based
    TBytes Before;
    TBytes After;
    // The slot is in the journal before its store message leaves; it is verified once the unit
    // was seen to hold After in its memory. Undo of a slot not verified still puts Before back.
    bool Verified = true;
};

struct TJournalEntry {
    int Id = 0;
    QString Label; // "swap of A 012 and A 013"
    QDateTime When;
    std::vector<TJournalSlot> Slots; // in the order they were written
    bool Undone = false;
};

class TWriteJournal {
public:
    static constexpr int kKept = 50;

    TWriteJournal() = default;
    explicit TWriteJournal(QString file) : file(std::move(file)) {}
    // The journal of the unit whose memory is in this folder.
    static QString FileIn(const QString& memoryFolder);

    const QString& File() const { return file; }
    // Reads the file. One that cannot be read (damaged, too large, not a plain file) is moved
    // aside so that nothing writes over it; the journal is then empty and Damaged() true, and the
    // text says why and where the file went.
    QString Load();
    bool Damaged() const { return damaged; }
    // Writes the file whole; empty, or what went wrong.
    QString Save() const;

    // A step done: steps undone before it can no longer be redone; the oldest beyond kKept go.
    // Its id.
    int Add(TJournalEntry entry);
    const std::vector<TJournalEntry>& Entries() const { return entries; }
    TJournalEntry* Find(int id);
    // The step with this id, but only while it still changed these slots with these presets: an
    // id read from elsewhere (an editor's store, a draft) may name another step by now.
    TJournalEntry* Find(int id, const std::vector<TJournalSlot>& expected);

    // The newest step not undone, and the oldest undone one after it: what Undo and Redo act
    // on. Null when there is none.
    const TJournalEntry* ToUndo() const;
    const TJournalEntry* ToRedo() const;
    // "Undo swap of A 012 and A 013"; "Undo" alone when nothing can be.
    QString UndoText() const;
    QString RedoText() const;
    void SetUndone(int id, bool undone);
    void Remove(int id);

private:
    QString file;
    std::vector<TJournalEntry> entries; // oldest first
    int nextId = 1;
    bool damaged = false;
};
