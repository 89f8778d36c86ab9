// The library's tags, ratings and notes as kept: read again by a fresh store, following a preset
// into another slot and through an export and an import, marks on one copy alone, and a damaged
// file moved aside with nothing else lost.

#include "store/NoteStore.h"

#include "store/LibraryRows.h"
#include "store/UnitMemory.h"
#include "support/FileBytes.h"
#include "support/TestPresets.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
TPresetNotes Notes(std::vector<std::string> tags, int rating, std::string note) {
    return {std::move(tags), rating, std::move(note), {}};
}

QString NotesFile(const QTemporaryDir& folder) {
    return folder.filePath(QStringLiteral("data/preset notes.json"));
}

} // namespace

TEST(NoteStore, NotesSurviveARestartAndFollowThePresetIntoAnotherSlot) {
    QTemporaryDir folder;
    const TBytes slap = PresetWith({1}, {"Reverb 1"}).Encode();
    {
        TNoteStore store(NotesFile(folder));
        store.Load();
        ASSERT_EQ(store.Set(slap, Notes({"live", "church"}, 2, "for the church gig")), "");
    }
    // The preset placed into B 050 of a unit with another device byte, renamed there.
    TUnitMemory memory(folder.filePath(QStringLiteral("unit")));
    TBytes placed = Retitled(slap, "Slap (copy)");
    placed[DumpLayout::kDeviceByte] = 3;
    ASSERT_EQ(memory.Saw(1, 50, placed, TSeenHow::Stored), "");
    const TLibraryRow row = UnitRow(memory, 1, 50, false, {});

    TNoteStore restarted(NotesFile(folder));
    restarted.Load();
    EXPECT_TRUE(restarted.Problems().isEmpty());
    const TPresetNotes read = restarted.Get(row.Dump, NotesPlace(row, memory.Folder()));
    EXPECT_EQ(read.Tags, (std::vector<std::string>{"live", "church"}));
    EXPECT_EQ(read.Rating, 2);
    EXPECT_EQ(read.Note, "for the church gig");
    EXPECT_FALSE(read.Noted.empty()) << "a note is dated";
    // Another sound has notes of its own.
    TPreset other = PresetWith({1}, {"Reverb 1"});
    other.ParameterValues[6] += 1;
    EXPECT_TRUE(restarted.Get(other.Encode()).Empty());
}

TEST(NoteStore, AMarkStaysWithItsCopyAndTheTableEditKeepsIt) {
    QTemporaryDir folder;
    TNoteStore store(NotesFile(folder));
    const TBytes dump = TitledDump("Hymn");
    ASSERT_EQ(store.Set(dump, Notes({"live"}, 1, "")), "");
    ASSERT_EQ(store.Mark(dump, QStringLiteral("unit/B 017"), QStringLiteral("duplicate")), "");
    EXPECT_EQ(store.Get(dump, QStringLiteral("unit/B 017")).Tags,
              (std::vector<std::string>{"live", "duplicate"}));
    EXPECT_EQ(store.Get(dump, QStringLiteral("unit/A 001")).Tags, std::vector<std::string>{"live"});
    // The tags typed over in the table for the marked copy: the mark stays the copy's own.
    ASSERT_EQ(store.Set(dump, Notes({"live", "duplicate", "church"}, 1, ""),
                        QStringLiteral("unit/B 017")),
              "");
    EXPECT_EQ(store.Get(dump, QStringLiteral("unit/A 001")).Tags,
              (std::vector<std::string>{"live", "church"}));
    // Taken away from the copy, and a tag taken away in any case.
    TNoteStore::TTagChange change;
    change.Remove = {QStringLiteral("DUPLICATE"), QStringLiteral("Live")};
    change.Note = QStringLiteral("  ");
    ASSERT_EQ(store.Change(dump, change, QStringLiteral("unit/B 017")), "");
    EXPECT_EQ(store.Get(dump, QStringLiteral("unit/B 017")).Tags,
              std::vector<std::string>{"church"});
}

TEST(NoteStore, ExportedNotesComeBackOnImportWithoutLosingWhatIsThere) {
    QTemporaryDir folder;
    TNoteStore here(NotesFile(folder));
    const std::vector<TBytes> dumps = {TitledDump("One"), PresetWith({3}, {}).Encode(),
                                       PresetWith({5}, {}).Encode()};
    ASSERT_EQ(here.Set(dumps[0], Notes({"live"}, 3, "opener")), "");
    ASSERT_EQ(here.Set(dumps[1], Notes({"slap"}, 0, "")), "");
    const TExportedNotes exported = ExportedNotes(here, dumps);
    EXPECT_EQ(exported.Count, 2);
    EXPECT_EQ(NotesBeside(QStringLiteral("/gig/Set 1.syx")),
              QStringLiteral("/gig/Set 1.notes.json"));

    // Another machine, where the first preset has notes of its own already.
    TNoteStore there(folder.filePath(QStringLiteral("elsewhere/preset notes.json")));
    ASSERT_EQ(there.Set(dumps[0], Notes({"church"}, 1, "quiet")), "");
    const TImportedNotes imported = ReadExportedNotes(exported.Json, dumps);
    ASSERT_EQ(imported.Error, "");
    ASSERT_EQ(there.Merge(imported.Notes), "");
    const TPresetNotes first = there.Get(dumps[0]);
    EXPECT_EQ(first.Tags, (std::vector<std::string>{"church", "live"}));
    EXPECT_EQ(first.Rating, 1) << "the rating there stays";
    EXPECT_EQ(first.Note, "quiet\nopener") << "both notes are kept";
    EXPECT_EQ(there.Get(dumps[1]).Tags, std::vector<std::string>{"slap"});
    EXPECT_TRUE(there.Get(dumps[2]).Empty());
    // Merged twice, nothing doubles.
    ASSERT_EQ(there.Merge(imported.Notes), "");
    EXPECT_EQ(there.Get(dumps[0]).Note, "quiet\nopener");

    // A notes file for another .syx file (fewer presets) or of another kind is not taken.
    EXPECT_NE(ReadExportedNotes(exported.Json, {dumps[0]}).Error, "");
    EXPECT_TRUE(ReadExportedNotes(exported.Json, {dumps[0]}).Notes.empty());
    EXPECT_NE(ReadExportedNotes("{\"format\": 1}", dumps).Error, "");
}

TEST(NoteStore, ADamagedFileIsNamedAndMovedAsideAndNothingElseIsLost) {
    QTemporaryDir folder;
    const QString path = NotesFile(folder);
    const TBytes dump = TitledDump("Kept");
    const std::vector<QByteArray> damaged = {
        "{\"format\": \"Quellfarn preset notes\", \"version\": 1, \"presets\": {\"ab\": ",
        "{\"format\": \"Quellfarn preset notes\", \"version\": 1, \"presets\": {\"ab\": "
        "{\"tags\": [], \"rating\": 9, \"note\": \"\"}}}",
        "{\"format\": \"Quellfarn preset notes\", \"version\": 1, \"presets\": {\"ab\": "
        "{\"tags\": [3], \"rating\": 1, \"note\": \"\"}}}",
        QByteArray("\x00\xff\x10", 3),
    };
    for (const QByteArray& bytes : damaged) {
        QDir(folder.filePath(QStringLiteral("data"))).removeRecursively();
        WriteText(path, bytes);
        TNoteStore store(path);
        store.Load();
        ASSERT_EQ(store.Problems().size(), 1) << bytes.toStdString();
        EXPECT_TRUE(store.Problems().front().contains(QStringLiteral("preset notes.json")));
        EXPECT_TRUE(store.Problems().front().contains(QStringLiteral("moved to")));
        QFile aside(path + QStringLiteral(".damaged"));
        ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
        EXPECT_EQ(aside.readAll(), bytes);
        // The store goes on: what is noted now is written anew.
        ASSERT_EQ(store.Set(dump, Notes({"live"}, 0, "")), "");
        TNoteStore again(path);
        again.Load();
        EXPECT_TRUE(again.Problems().isEmpty());
        EXPECT_EQ(again.Get(dump).Tags, std::vector<std::string>{"live"});
    }

    // Damaged on disk after it was read: what the store held is kept, the file set aside.
    QDir(folder.filePath(QStringLiteral("data"))).removeRecursively();
    TNoteStore store(path);
    ASSERT_EQ(store.Set(dump, Notes({"live"}, 2, "")), "");
    WriteText(path, "not json");
    const TBytes other = PresetWith({3}, {}).Encode();
    ASSERT_EQ(store.Set(other, Notes({"new"}, 0, "")), "");
    EXPECT_EQ(store.Problems().size(), 1);
    TNoteStore reread(path);
    reread.Load();
    EXPECT_EQ(reread.Get(dump).Rating, 2);
    EXPECT_EQ(reread.Get(other).Tags, std::vector<std::string>{"new"});
}
