#pragma once
// The tags, ratings and notes of the library's presets, one file in the program's data folder
// beside the units' memories, written whole or not at all. A preset's notes are kept under its
// content (its bytes apart from title and device byte), so they go with it wherever it goes: into
// another slot, into a file saved or exported, back in from an import, across a restart, and
// through a rename. A mark on one copy alone ("duplicate" on the extra copies of a preset) is
// kept under the content and the copy's place, and shows only there.

#include "model/PresetNotes.h"
#include "model/Protocol.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

// The key a preset's notes are kept under.
QString NotesKey(TByteView dump);

struct TNotesEntry {
    TPresetNotes Notes;
    QString Title; // the preset's title when last noted, for a reader of the file
};

class TNoteStore {
public:
    // "~/.local/share/Quellfarn/preset notes.json".
    static QString DefaultPath();

    explicit TNoteStore(QString path = DefaultPath());

    const QString& Path() const { return path; }
    // Reads the file; one that cannot be read is moved aside and named in Problems, and the
    // store starts empty.
    void Load();
    const QStringList& Problems() const { return problems; }

    // The preset's notes with the marks of its copy at the place ("" for none).
    TPresetNotes Get(TByteView dump, const QString& place = {}) const;
    // The notes as the user left them for the copy at the place: the tags marked on that copy
    // alone stay its own, the rest are the preset's. A changed note is dated now. Empty, or what
    // went wrong (nothing changes then).
    QString Set(TByteView dump, const TPresetNotes& notes, const QString& place = {});
    // The tag added to the copy at the place alone.
    QString Mark(TByteView dump, const QString& place, const QString& tag);
    // Tags added and taken away (from the preset and its copy at the place), a rating and a
    // note set where given, in one write.
    struct TTagChange {
        QStringList Add;
        QStringList Remove;
        std::optional<int> Rating;
        std::optional<QString> Note;
    };
    QString Change(TByteView dump, const TTagChange& change, const QString& place = {});
    // Notes brought in for these presets: tags joined, a rating or a note taken where the
    // preset has none, two different notes both kept. One write.
    QString Merge(const std::vector<std::pair<TBytes, TPresetNotes>>& imported);

    const std::map<QString, TNotesEntry>& Entries() const { return entries; }

private:
    // The file read again (another program may have written it), changed and written whole.
    QString Write(const std::function<void(std::map<QString, TNotesEntry>&)>& change);
    QString ReadFile(std::map<QString, TNotesEntry>& read) const;

    QString path;
    std::map<QString, TNotesEntry> entries;
    QStringList problems;
};

// The notes file written beside an exported .syx file: "Gig.syx" has "Gig.notes.json".
QString NotesBeside(const QString& syxPath);
// The notes of the exported presets (in the .syx file's order) as that file holds them, and how
// many of the presets have any.
struct TExportedNotes {
    QByteArray Json;
    int Count = 0;
};
TExportedNotes ExportedNotes(const TNoteStore& store, const std::vector<TBytes>& dumps);
// The notes such a file holds for the presets of its .syx file, by their order there; what went
// wrong in Error (then nothing is taken).
struct TImportedNotes {
    std::vector<std::pair<TBytes, TPresetNotes>> Notes;
    QString Error;
};
TImportedNotes ReadExportedNotes(const QByteArray& bytes, const std::vector<TBytes>& dumps);
