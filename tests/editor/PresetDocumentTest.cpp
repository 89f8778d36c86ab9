// The preset document on its own, as A/B comparison and the library use it: changes recorded and
// sent, the undo and redo history, the .tmq file, and the store requests.

#include "editor/PresetDocument.h"

#include "support/FileBytes.h"
#include "support/PumpUntil.h"
#include "support/ReadOnlyFile.h"
#include "support/TestPresets.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

namespace {
using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kDrive = 6; // the compressor's drive slot

// A document as an editor holds it: loaded, its first snapshot taken; what it sends recorded.
struct Document {
    Document() {
        document.OnSendPreset = [this](std::istream& stream) {
            Sent.emplace_back(std::istreambuf_iterator<char>(stream),
                              std::istreambuf_iterator<char>());
            return QString::fromLatin1(answer);
        };
    }
    void Load(const TPreset& preset) {
        const Bytes bytes = preset.Encode();
        std::stringstream stream(std::string(bytes.begin(), bytes.end()));
        document.SetUp();
        document.LoadDump(stream);
        document.PushSnapshot();
    }
    // The compressor's drive moved, as a control writes its slot and tells the document.
    void Drive(int value, bool immediate = true) {
        document.Preset.ParameterValues[kDrive] = value;
        immediate ? document.ImmediateChange() : document.DeferredChange();
    }
    int Undos() const { return document.UndoList().Count(); }
    int Redos() const { return document.RedoList().Count(); }

    TPresetDocument document;
    std::vector<Bytes> Sent;
    const char* answer = kSentText;
};
} // namespace

TEST(PresetDocument, DiscreteEditsGoOutAtOnceSliderBurstsOnceTheyAreRecorded) {
    for (const bool autoSend : {true, false}) {
        Document one;
        one.Load(PresetWith({1}, {}));
        one.document.AutoSend = autoSend;
        QSignalSpy edited(&one.document, &TPresetDocument::Edited);
        one.Drive(10);
        EXPECT_EQ(one.Sent.size(), 1u) << "sent at once, Auto send or not";
        EXPECT_EQ(one.Undos(), 2);
        for (int value = 11; value < 15; ++value)
            one.Drive(value, false);
        EXPECT_EQ(edited.count(), 5);
        EXPECT_TRUE(one.document.ChangePending());
        EXPECT_EQ(one.Sent.size(), 1u) << "nothing while the burst goes on";
        ASSERT_TRUE(PumpUntil([&] { return !one.document.ChangePending(); }, 3000));
        EXPECT_EQ(one.Undos(), 3) << "one snapshot for the burst";
        EXPECT_EQ(one.Sent.size(), autoSend ? 2u : 1u) << autoSend;
        if (autoSend) {
            EXPECT_EQ(one.Sent.back(), one.document.Preset.Encode());
        }
    }

    // While the record is being shown, nothing counts as an edit.
    Document shown;
    shown.Load(PresetWith({1}, {}));
    shown.document.Updating = true;
    shown.Drive(3);
    shown.Drive(4, false);
    EXPECT_EQ(shown.Undos(), 1);
    EXPECT_FALSE(shown.document.ChangePending());
    EXPECT_TRUE(shown.Sent.empty());

    // A preset that did not go out is not reported as sent.
    Document lost;
    lost.answer = "MIDI Out device not available";
    QSignalSpy sent(&lost.document, &TPresetDocument::Sent);
    EXPECT_FALSE(lost.document.SendPreset());
    EXPECT_EQ(sent.count(), 0);
    lost.answer = kSentText;
    EXPECT_TRUE(lost.document.SendPreset());
    EXPECT_EQ(sent.count(), 1);
}

TEST(PresetDocument, ABurstIsRecordedASecondAfterItsFirstChange) {
    Document one;
    one.Load(PresetWith({1}, {}));
    QElapsedTimer clock;
    one.Drive(25, false);
    clock.start();
    PumpFor(600);
    one.Drive(26, false);
    // Restarted by each change, the timer would fire 1000 ms after the second: at 1600 ms.
    ASSERT_TRUE(PumpUntil([&] { return !one.Sent.empty(); }, 3000));
    EXPECT_LT(clock.elapsed(), 1450);
    EXPECT_EQ(one.document.Preset.ParameterValues[kDrive], 26);
}

TEST(PresetDocument, UndoAndRedoWalkTheHistoryAPendingChangeRecordedFirst) {
    Document one;
    const TPreset loaded = PresetWith({1}, {});
    one.Load(loaded);
    EXPECT_FALSE(one.document.Redo()) << "nothing to redo";
    EXPECT_FALSE(one.document.Undo()) << "the loaded state is all there is";
    one.Drive(10);
    one.Drive(11);
    ASSERT_TRUE(one.document.Undo());
    EXPECT_TRUE(one.document.NeedsSaving()) << "undo changes the record, not what it was loaded as";
    ASSERT_TRUE(one.document.Undo());
    EXPECT_EQ(one.document.Preset.Encode(), loaded.Encode());
    EXPECT_FALSE(one.document.NeedsSaving()) << "back as loaded";
    EXPECT_EQ(one.Redos(), 2);
    ASSERT_TRUE(one.document.Redo());
    EXPECT_EQ(one.document.Preset.ParameterValues[kDrive], 10);
    one.Drive(12);
    EXPECT_EQ(one.Redos(), 0) << "a new edit empties the redo list";

    // A slider change still waiting for its timer: undo takes back just it.
    one.Drive(13, false);
    ASSERT_TRUE(one.document.Undo());
    EXPECT_EQ(one.document.Preset.ParameterValues[kDrive], 12);
    EXPECT_EQ(one.Redos(), 1);
    // After an undo, an edit still waiting is recorded before a redo, which then finds
    // nothing left to redo.
    one.Drive(14, false);
    EXPECT_FALSE(one.document.Redo());
    EXPECT_EQ(one.document.Preset.ParameterValues[kDrive], 14);
    EXPECT_EQ(one.Redos(), 0);
    EXPECT_FALSE(one.document.ChangePending());

    // Nor does it make a new document an old one.
    Document fresh;
    fresh.document.PushSnapshot();
    fresh.Drive(5);
    ASSERT_TRUE(fresh.document.Undo());
    EXPECT_TRUE(fresh.document.IsNew());
}

TEST(PresetDocument, AFileIsWrittenWholeReadBackAndReadOnlyWhenItIsAPreset) {
    QTemporaryDir folder;
    ASSERT_TRUE(QDir(folder.path()).mkdir("locked"));
    const QString saved = folder.filePath("locked/Bass.tmq");
    Document one;
    one.document.PushSnapshot(); // a new document, shown
    EXPECT_TRUE(one.document.NeedsSaving()) << "new";
    ASSERT_EQ(one.document.WriteFile(saved), QString());
    const Bytes written = FileBytes(saved);
    EXPECT_EQ(written, one.document.Preset.Encode());
    EXPECT_FALSE(one.document.NeedsSaving()) << "compared with the file from now on";
    EXPECT_EQ(one.Undos(), 0) << "the next change is the first snapshot";
    one.Drive(5);
    EXPECT_TRUE(one.document.NeedsSaving()) << "edited after the save";

    // What is not a preset leaves the document as it was, its name included.
    WriteBytes(folder.filePath("bad.tmq"), Bytes(258, 0x11)); // a dump's length, not its frame
    EXPECT_EQ(one.document.ReadFile(folder.filePath("bad.tmq")), "Not a valid preset file");
    EXPECT_THAT(one.document.ReadFile(folder.filePath("none.tmq")).toStdString(),
                testing::StartsWith("Cannot open"));
    EXPECT_EQ(one.document.FileName(), saved);
    EXPECT_EQ(one.document.Preset.ParameterValues[kDrive], 5);

    ASSERT_EQ(one.document.ReadFile(saved), QString());
    EXPECT_EQ(one.document.Preset.Encode(), written);
    EXPECT_FALSE(one.document.NeedsSaving());
    EXPECT_EQ(one.Undos(), 1) << "opening keeps the history";

    // A file whose folder takes no new file is left as it was, and so is the document.
    one.Drive(6);
    ReadOnlyFile locked(folder.filePath("locked"));
    if (!locked.Holds())
        GTEST_SKIP() << "no way to make a folder read-only here";
    EXPECT_THAT(one.document.WriteFile(saved).toStdString(), testing::StartsWith("Cannot write"));
    EXPECT_EQ(FileBytes(saved), written) << "all or nothing";
    EXPECT_TRUE(one.document.NeedsSaving());
    EXPECT_EQ(one.Undos(), 2);
}

// What opens as a preset is read only when it is a plain file of at most 64 presets' length: a
// pipe, a device or a large file is refused by name, unread, and the document stays as it was.
TEST(PresetDocument, WhatIsNoPlainFileOrTooLargeIsRefusedUnread) {
    QTemporaryDir folder;
    const QString pipe = folder.filePath("pipe.tmq");
    const QString zero = folder.filePath("zero.tmq");
    const QString large = folder.filePath("large.tmq");
    const QString longer = folder.filePath("longer.tmq");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    WriteBytes(large, Bytes(16513, 0xF0));
    WriteBytes(longer, Bytes(16512, 0xF0));
    const std::pair<QString, QString> cases[] = {
        {zero, zero + " is not a plain file"},
        {pipe, pipe + " is not a plain file"},
        {large, large + " is too large (16513 bytes; at most 16512)"},
        {longer, "Not a valid preset file"},
    };
    Document one;
    one.Load(PresetWith({1}, {}));
    const Bytes before = one.document.Preset.Encode();
    for (const auto& [file, said] : cases) {
        EXPECT_EQ(one.document.ReadFile(file).toStdString(), said.toStdString());
        EXPECT_EQ(one.document.FileName(), QString()) << file.toStdString();
        EXPECT_EQ(one.document.Preset.Encode(), before) << file.toStdString();
    }
}

TEST(PresetDocument, StoreRequestsCarryTheRecordTheSlotAndWhatTheLastStoreReplaced) {
    const std::vector<std::pair<QString, int>> names = {
        {"", 1},
        {"/presets/Slap.tmq200", 200},
        {"/presets/Slap.tmq17", 17},
        {"/presets/Slap.tmq0", 1}, // a single character after it is not taken
        {"/presets/Slap.tmqABC", 1},
    };
    Document one;
    one.Load(PresetWith({1}, {}));
    for (const auto& [name, slot] : names) {
        one.document.SetFileName(name);
        EXPECT_EQ(one.document.SlotInFileName(), slot) << name.toStdString();
    }

    one.Drive(20, false);
    const TStoreRequest request = one.document.StoreRequest(42);
    EXPECT_FALSE(one.document.ChangePending()) << "the pending change is recorded first";
    EXPECT_EQ(one.Undos(), 2);
    EXPECT_EQ(request.Slot, 42);
    EXPECT_EQ(request.Dump, one.document.Preset.Encode());
    EXPECT_EQ(request.Bank, -1);

    TStoreResult stored;
    stored.Stored = true;
    one.document.StoreDone(request, stored);
    EXPECT_FALSE(one.document.CanUndoStore()) << "nothing was kept";
    stored.Replaced = PresetWith({}, {"Tuner"}).Encode();
    stored.Bank = 2;
    one.document.StoreDone(request, stored);
    ASSERT_TRUE(one.document.CanUndoStore());
    const TStoreRequest back = one.document.UndoStoreRequest();
    EXPECT_EQ(back.Dump, stored.Replaced);
    EXPECT_EQ(back.Slot, 42);
    EXPECT_EQ(back.Bank, 2) << "into the bank stored into";
    EXPECT_TRUE(back.Verify && back.SendFirst);
    TStoreResult unverified;
    unverified.Stored = true;
    one.document.UndoStoreDone(unverified);
    EXPECT_TRUE(one.document.CanUndoStore()) << "not verified: it can be tried again";
    one.document.SetUp();
    EXPECT_FALSE(one.document.CanUndoStore()) << "the next preset has no store to undo";
}
