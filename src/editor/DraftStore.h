#pragma once
// Drafts: what an editor holds that is not saved or stored yet, kept in a folder of its own so
// that a program that dies (a crash, a kill, a power cut) loses no edit. Each draft is one small
// text file written whole or not at all; each running program holds a lock file in the folder,
// so a draft whose program is gone is told from one still being edited.

#include "editor/PresetDocument.h"
#include "model/Protocol.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QLockFile;

// Everything an editor needs to come back as it stood: the preset now, and what it compares,
// tells as modified and undoes a store with.
struct TDraft {
    TBytes Dump;      // the preset as it now stands: the bytes a save writes
    TBytes Loaded;    // what the modified state is told against; empty: never loaded or saved
    TBytes Reference; // what "Compare" shows; empty: nothing (a new preset)
    TPresetDocument::TReference ReferenceKind = TPresetDocument::TReference::None;
    bool IsNew = true;
    QString WindowTitle;
    QString FileName;
    TPresetDocument::THomeSlot Home;
    // The last store that kept what it replaced, for "Undo last store"; Replaced empty: none.
    TBytes StoreReplaced;
    int StoreSlot = 0;
    int StoreBank = -1;
    int StoreJournalStep = 0;
    QString StoreKeptFile;
    QDateTime Written;

    // The preset's title, or the window's where the preset has none.
    QString Title() const;
};

class TDraftStore {
public:
    explicit TDraftStore(QString folder);
    ~TDraftStore();
    TDraftStore(const TDraftStore&) = delete;
    TDraftStore& operator=(const TDraftStore&) = delete;

    const QString& Folder() const { return folder; }
    // A file name no other editor, of this program or of another one running, writes.
    QString NewPath();
    // Writes the draft whole (or leaves the file as it was); empty, or what went wrong.
    QString Write(const QString& path, const TDraft& draft);
    static bool Remove(const QString& path);
    // Reads a draft; what is wrong with it when it is damaged (the draft is then left as read).
    static QString Read(const QString& path, TDraft& draft);

    struct TFound {
        QString Path;
        TDraft Draft;
    };
    struct TOrphans {
        std::vector<TFound> Drafts; // oldest first
        QStringList Damaged;        // one line each: which, why, and the name it is kept under
    };
    // The drafts of programs no longer running. A damaged one is renamed "*.damaged" and named
    // in Damaged. Their programs' locks are held from now on, so no other program starting
    // meanwhile offers them too, until Release.
    TOrphans Orphans();
    // Moves drafts into the "declined" folder beside them; the paths they are kept under, or
    // nothing where a move failed (the draft then stays where it was).
    QStringList Decline(const QStringList& paths);
    void Release();

private:
    bool OwnLock();
    bool OwnerGone(const QString& owner);

    QString folder;
    QString owner; // this program's part of every draft's name
    int written = 0;
    std::unique_ptr<QLockFile> lock;
    std::vector<std::unique_ptr<QLockFile>> adopted; // locks of programs gone, held while
                                                     // their drafts are dealt with
};
