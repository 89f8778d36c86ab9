// The library's writes on the device link alone, against the in-process simulated unit: a plan
// carried out slot by slot and journalled, undone after a restart and redone; an undo that finds
// a slot changed asks first; a slot that fails to verify in the middle of a plan.

#include "link/PlanWalk.h"
#include "store/PlanBuilders.h"
#include "support/LinkRig.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace {
QByteArray Hex(const TBytes& bytes) {
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()))
        .toHex();
}

TBytes Titled(const QString& title, int seed) {
    TBytes dump = TPlenovaDevice::FactoryPreset(3, seed, TDeviceMode::Plenova());
    return RetitledDump(dump, title);
}

struct PlanRig : LinkRig {
    PlanRig() {
        Link->PingDevice();
        Link->Job<TVerifiedStore>().ReplacedFolder = kept.path();
    }
    QString JournalFile() const { return folder.filePath("journal.json"); }
    QTemporaryDir folder, kept;
};

TWritePlan Plan(const QString& label, std::vector<std::tuple<int, int, TBytes>> writes) {
    TWritePlan plan;
    plan.Label = label;
    for (auto& [bank, slot, dump] : writes)
        plan.Writes.push_back({bank, slot, dump, {}, false});
    return plan;
}
} // namespace

// Three slots over two banks: written and verified, one step in the journal's file; a new
// journal read from that file (the program started again) undoes the step — every slot byte for
// byte as before, untouched slots too — and redoes it.
TEST(Plan, AStepIsUndoneAfterARestartAndRedone) {
    PlanRig rig;
    const TBytes a12 = rig.Slot(0, 12), a13 = rig.Slot(0, 13), b17 = rig.Slot(1, 17);
    const TBytes b18 = rig.Slot(1, 18);
    const TBytes x = Titled("Fretless Lead", 1), y = Titled("Slap Funk", 2), z = Titled("Dub", 3);
    {
        TWriteJournal journal(rig.JournalFile());
        const TPlanCounts counts = rig.Link->Job<TPlanWalk>().Run(
            Plan("drop of 3 presets", {{0, 12, x}, {0, 13, y}, {1, 17, z}}), &journal);
        EXPECT_EQ(PlanCountsText(counts), "3 written, 3 verified, 0 failed");
        EXPECT_EQ(counts.EntryId, 1);
        EXPECT_TRUE(rig.Lines.contains("Drop of 3 presets: 3 written, 3 verified, 0 failed"));
    }
    EXPECT_EQ(rig.Slot(0, 12), x);
    EXPECT_EQ(rig.Slot(1, 17), z);
    EXPECT_EQ(rig.Link->CurrentBank(), 0) << "the bank the unit was in is chosen again";

    TWriteJournal restarted(rig.JournalFile());
    ASSERT_EQ(restarted.Load(), "");
    EXPECT_EQ(restarted.UndoText(), "Undo drop of 3 presets");
    EXPECT_EQ(restarted.RedoText(), "Redo");
    int asked = 0;
    const auto ask = [&](const QStringList&) { return ++asked, true; };
    const TPlanCounts undone =
        rig.Link->Job<TPlanWalk>().Undo(restarted, restarted.ToUndo()->Id, ask);
    EXPECT_EQ(PlanCountsText(undone), "3 written, 3 verified, 0 failed");
    EXPECT_EQ(asked, 0) << "every slot held what the step left";
    EXPECT_EQ(rig.Slot(0, 12), a12);
    EXPECT_EQ(rig.Slot(0, 13), a13);
    EXPECT_EQ(rig.Slot(1, 17), b17);
    EXPECT_EQ(rig.Slot(1, 18), b18);
    EXPECT_EQ(restarted.UndoText(), "Undo");
    EXPECT_EQ(restarted.RedoText(), "Redo drop of 3 presets");

    TWriteJournal again(rig.JournalFile());
    ASSERT_EQ(again.Load(), "");
    ASSERT_NE(again.ToRedo(), nullptr) << "the undo was written to the file";
    const TPlanCounts redone = rig.Link->Job<TPlanWalk>().Redo(again, again.ToRedo()->Id, ask);
    EXPECT_EQ(redone.Verified, 3);
    EXPECT_EQ(rig.Slot(0, 13), y);
    EXPECT_EQ(rig.Slot(1, 17), z);
    EXPECT_EQ(again.UndoText(), "Undo drop of 3 presets");
}

// A slot changed on the unit after the step: undo reads every slot, names the changed one and
// asks; No writes nothing and keeps the step; Yes puts everything back.
TEST(Plan, UndoOfAChangedSlotAsksAndNoChangesNothing) {
    PlanRig rig;
    const TBytes a1 = rig.Slot(0, 1), a2 = rig.Slot(0, 2);
    TWriteJournal journal(rig.JournalFile());
    rig.Link->Job<TPlanWalk>().Run(Plan("swap of A 001 and A 002", {{0, 1, a2}, {0, 2, a1}}),
                                   &journal);
    const TBytes other = Titled("Changed", 5);
    rig.Unit([&](TPlenovaDevice& unit) { return unit.Banks[0][1] = other, true; });

    QStringList named;
    const int id = journal.ToUndo()->Id;
    const TPlanCounts no =
        rig.Link->Job<TPlanWalk>().Undo(journal, id, [&](const QStringList& changed) {
            named = changed;
            return false;
        });
    EXPECT_EQ(named, QStringList({"A 002: now holds Changed, not " +
                                  QString::fromStdString(PresetTitleOf(a1))}));
    EXPECT_EQ(no.Written, 0);
    EXPECT_EQ(rig.Slot(0, 1), a2);
    EXPECT_EQ(rig.Slot(0, 2), other);
    EXPECT_FALSE(journal.Find(id)->Undone);
    EXPECT_TRUE(rig.Statuses.back().endsWith("cancelled: nothing was written"));

    rig.Link->Job<TPlanWalk>().Undo(journal, id, [](const QStringList&) { return true; });
    EXPECT_EQ(rig.Slot(0, 1), a1);
    EXPECT_EQ(rig.Slot(0, 2), a2);
    EXPECT_TRUE(journal.Find(id)->Undone);
}

// The second of three slots does not verify (the unit changes what it stores): the first and
// third stay written, the failing one is named, and undo still puts all three back. The step is
// on file slot by slot, before the plan ends.
TEST(Plan, ASlotFailingToVerifyIsNamedAndUndoStillRestoresAll) {
    PlanRig rig;
    const TBytes a5 = rig.Slot(0, 5), a6 = rig.Slot(0, 6), a7 = rig.Slot(0, 7);
    // What a program stopped before the third slot would leave: the step with two slots.
    std::size_t onFileBeforeThird = 0;
    rig.OnProgress = [&](const TLinkProgress& progress) {
        rig.Unit([&](TPlenovaDevice& unit) { return unit.CorruptStores = progress.Done == 1; });
        TWriteJournal onFile(rig.JournalFile());
        if (progress.Done == 2 && onFile.Load().isEmpty() && onFile.Entries().size() == 1)
            onFileBeforeThird = onFile.Entries()[0].Slots.size();
    };
    TWriteJournal journal(rig.JournalFile());
    const TBytes x = Titled("One", 1), y = Titled("Two", 2), z = Titled("Three", 3);
    const TPlanCounts counts =
        rig.Link->Job<TPlanWalk>().Run(Plan("drop", {{0, 5, x}, {0, 6, y}, {0, 7, z}}), &journal);
    rig.OnProgress = nullptr;
    rig.Unit([](TPlenovaDevice& unit) { return unit.CorruptStores = false, true; });
    EXPECT_EQ(PlanCountsText(counts), "3 written, 2 verified, 1 failed");
    EXPECT_EQ(onFileBeforeThird, 2u);
    ASSERT_EQ(counts.FailedSlots.size(), 1);
    EXPECT_TRUE(counts.FailedSlots[0].startsWith("A 006: Slot 6 does not hold what was sent"))
        << counts.FailedSlots[0].toStdString();
    EXPECT_EQ(rig.Slot(0, 5), x);
    EXPECT_NE(rig.Slot(0, 6), y);
    EXPECT_EQ(rig.Slot(0, 7), z);

    QStringList named;
    rig.Link->Job<TPlanWalk>().Undo(journal, counts.EntryId, [&](const QStringList& changed) {
        named = changed;
        return true;
    });
    ASSERT_EQ(named.size(), 1);
    EXPECT_TRUE(named[0].startsWith("A 006: now holds")) << named[0].toStdString();
    EXPECT_EQ(rig.Slot(0, 5), a5);
    EXPECT_EQ(rig.Slot(0, 6), a6);
    EXPECT_EQ(rig.Slot(0, 7), a7);
}

// The journal holds each slot before its store message leaves; when the journal cannot be
// written (a full disk), nothing more is stored and the file is as it was; a step whose slot was
// never verified is undone all the same; a step naming a slot this unit lacks is refused.
TEST(Plan, NoSlotIsWrittenThatTheJournalDoesNotHold) {
    PlanRig rig;
    const TBytes a5 = rig.Slot(0, 5), a6 = rig.Slot(0, 6);
    const TBytes x = Titled("Fretless Lead", 1), y = Titled("Slap Funk", 2);
    TWriteJournal journal(rig.JournalFile());
    // The journal at the moment of the store message: the slot is in it, not verified.
    TStoreRequest request;
    std::vector<TJournalSlot> atStore;
    rig.processor->SetLog([&](const std::string& line) {
        if (line.rfind("<- ", 0) == 0 && line.find("store preset") != std::string::npos) {
            TWriteJournal onDisk(rig.JournalFile());
            onDisk.Load();
            if (!onDisk.Entries().empty())
                atStore = onDisk.Entries().back().Slots;
        }
    });
    EXPECT_EQ(rig.Link->Job<TPlanWalk>()
                  .Run(Plan("drop of Fretless Lead", {{0, 5, x}}), &journal)
                  .Verified,
              1);
    rig.processor->SetLog({});
    ASSERT_EQ(atStore.size(), 1u);
    EXPECT_FALSE(atStore[0].Verified);
    EXPECT_EQ(atStore[0].Before, a5);
    EXPECT_TRUE(journal.Entries().back().Slots[0].Verified) << "verified once read back";

    QFile file(rig.JournalFile());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    {
        // Room for the kept copies, none for a journal one step longer.
        rlimit was{};
        getrlimit(RLIMIT_FSIZE, &was);
        rlimit full = was;
        full.rlim_cur = static_cast<rlim_t>(before.size()) + 64;
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &full);
        const TPlanCounts counts = rig.Link->Job<TPlanWalk>().Run(
            Plan("drop of 2 presets", {{0, 6, y}, {0, 7, x}}), &journal);
        setrlimit(RLIMIT_FSIZE, &was);
        std::signal(SIGXFSZ, previous);
        EXPECT_EQ(PlanCountsText(counts), "0 written, 0 verified, 1 failed");
        EXPECT_TRUE(counts.Aborted);
        EXPECT_TRUE(rig.Lines.contains("The journal could not be written: the writes end here"));
    }
    EXPECT_EQ(rig.Slot(0, 6), a6);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();

    // A slot cut short before its read-back undoes like any other.
    TWriteJournal cut(rig.JournalFile());
    ASSERT_EQ(cut.Load(), "");
    cut.Find(1)->Slots[0].Verified = false;
    ASSERT_EQ(cut.Save(), "");
    const auto yes = [](const QStringList&) { return true; };
    EXPECT_EQ(rig.Link->Job<TPlanWalk>().Undo(cut, 1, yes).Verified, 1);
    EXPECT_EQ(rig.Slot(0, 5), a5);

    // Only the unit's own places are written: a bank of -1 is the single bank of the older unit,
    // not one of this one's; the last slot of bank D is.
    const TBytes d200 = rig.Slot(3, 200);
    const struct {
        int Bank, Slot;
        bool Written;
    } steps[] = {{-1, 7, false}, {0, 201, false}, {4, 1, false}, {0, 0, false}, {3, 200, true}};
    for (const auto& step : steps) {
        TWriteJournal foreign(rig.JournalFile());
        ASSERT_EQ(foreign.Load(), "");
        const int id = foreign.Add({0, "from elsewhere", {}, {{step.Bank, step.Slot, d200, d200}}});
        ASSERT_EQ(foreign.Save(), "");
        const TPlanCounts undone = rig.Link->Job<TPlanWalk>().Undo(foreign, id, yes);
        EXPECT_EQ(undone.Verified, step.Written ? 1 : 0) << step.Bank << " " << step.Slot;
        EXPECT_EQ(undone.Refused.isEmpty(), step.Written) << undone.Refused.toStdString();
        // Out of any unit's range, the journal read again under the lock is damaged and the
        // step gone; within the older unit's, it is refused for this one.
        if (step.Bank == -1) {
            EXPECT_EQ(undone.Refused, "Undo: the step names a slot this unit does not have; "
                                      "nothing was written");
        }
    }
    EXPECT_EQ(rig.Slot(3, 200), d200);
}

// The journal's file: steps undone are dropped by a new one, 50 are kept, a damaged file
// leaves an empty journal and says so.
TEST(Plan, TheJournalKeepsFiftyStepsAndRefusesADamagedFile) {
    QTemporaryDir folder;
    const QString file = folder.filePath("journal.json");
    TWriteJournal journal(file);
    const TBytes before = Titled("Before", 1), after = Titled("After", 2);
    for (int step = 1; step <= 52; ++step)
        journal.Add({0, QStringLiteral("step %1").arg(step), {}, {{1, step, before, after}}});
    ASSERT_EQ(journal.Entries().size(), 50u);
    EXPECT_EQ(journal.Entries().front().Label, "step 3");
    journal.SetUndone(52, true);
    journal.SetUndone(51, true);
    EXPECT_EQ(journal.RedoText(), "Redo step 51");
    journal.Add({0, "new", {}, {{0, 1, before, after}}});
    EXPECT_EQ(journal.Entries().size(), 49u) << "what was undone can no longer be redone";
    EXPECT_EQ(journal.RedoText(), "Redo");
    ASSERT_EQ(journal.Save(), "");
    TWriteJournal read(file);
    ASSERT_EQ(read.Load(), "");
    EXPECT_EQ(read.Entries().back().Slots[0].After, after);
    EXPECT_EQ(read.Add({0, "next", {}, {{0, 2, before, after}}}), 54);

    // What cannot be read is moved aside before anything new is written, and named.
    const QByteArray step = "{\"id\": 1, \"label\": \"x\", \"slots\": [{\"bank\": 0, \"slot\": 1, "
                            "\"before\": \"" +
                            Hex(before) + "\", \"after\": \"" + Hex(after) + "\"}]}";
    const struct {
        QByteArray Bytes;
        const char* Why;
    } damages[] = {
        {"{\"entries\": [{\"id\": 1, \"label\": \"x\", \"slots\": [{\"bank\": 0, \"slot\": 1, "
         "\"before\": \"f0\", \"after\": \"f0\"}]}]}",
         "a step names a slot or a preset that cannot be"},
        {"{\"entries\": [{\"id\": 1, \"label\": \"x\", \"slots\": []}]}",
         "a step has no slots, or an id another step has"},
        {"{\"entries\": [" + step + ", " + step + "]}",
         "a step has no slots, or an id another step has"},
        {QByteArray("{\"entries\": [" + QByteArray(step).replace("\"bank\": 0", "\"bank\": 7") +
                    "]}"),
         "a step names a slot or a preset that cannot be"},
        {"not json", "not a journal this program can read"},
        {QByteArray(9 * 1024 * 1024, ' '), "is too large"},
    };
    int moved = 0;
    for (const auto& damage : damages) {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(damage.Bytes);
        out.close();
        TWriteJournal damaged(file);
        const QString said = damaged.Load();
        EXPECT_TRUE(said.contains(QLatin1String(damage.Why))) << said.toStdString();
        const QString aside = file + ".damaged" + (moved++ == 0 ? "" : QString::number(moved));
        EXPECT_TRUE(said.endsWith("it was moved to " + aside)) << said.toStdString();
        EXPECT_TRUE(damaged.Damaged());
        EXPECT_TRUE(damaged.Entries().empty());
        EXPECT_FALSE(QFileInfo::exists(file)) << "nothing writes over it";
        QFile kept(aside);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), damage.Bytes);
    }
    // A link to a device is not read at all.
    ASSERT_TRUE(QFile::link("/dev/zero", file));
    TWriteJournal endless(file);
    EXPECT_TRUE(endless.Load().contains("is not a plain file"));
}

// The plan's lines and a rename's dump.
TEST(Plan, LinesNameEachSlotAndARenameChangesOnlyTheTitle) {
    const TBytes dump = Titled("Slap Funk", 4);
    EXPECT_EQ(PlanLine({1, 17, Titled("Fretless Lead", 1), "Slap Funk", true}, false),
              "B 017: Slap Funk \u2192 Fretless Lead");
    EXPECT_EQ(PlanLine({0, 5, dump, {}, false}, true), "005: (not read yet) \u2192 Slap Funk");
    EXPECT_EQ(PlanLine({3, 200, dump, "", true}, false), "D 200: (untitled) \u2192 Slap Funk");
    const TBytes renamed = RetitledDump(dump, QStringLiteral("A name too long\u00e9xx"));
    EXPECT_EQ(PresetTitleOf(renamed), "A name too long");
    const TBytes outside[] = {TBytes(renamed.begin(), renamed.begin() + 127),
                              TBytes(renamed.begin() + 159, renamed.end())};
    EXPECT_EQ(outside[0], TBytes(dump.begin(), dump.begin() + 127));
    EXPECT_EQ(outside[1], TBytes(dump.begin() + 159, dump.end()));
}

// A bank copied onto another: every slot read is planned, the last one too; slots that hold the
// same preset already are left out; a bank not read whole is refused.
TEST(Plan, ACopyOfABankTakesEverySlotThatDiffers) {
    QTemporaryDir folder;
    TUnitMemory memory(folder.path());
    for (int slot = 1; slot <= 200; ++slot)
        ASSERT_TRUE(
            memory.Saw(0, slot, Titled(QStringLiteral("A%1").arg(slot), slot % 7), TSeenHow::Read)
                .isEmpty());
    ASSERT_TRUE(memory.Saw(2, 9, Titled(QStringLiteral("A9"), 9 % 7), TSeenHow::Read).isEmpty());
    const TPlanOrRefusal copy = CopyBankPlan(&memory, 0, 2);
    EXPECT_TRUE(copy.Refusal.isEmpty()) << copy.Refusal.toStdString();
    ASSERT_EQ(copy.Plan.Writes.size(), 199u) << "C 009 holds A 009's preset already";
    EXPECT_EQ(copy.Plan.Writes.front().Slot, 1);
    EXPECT_EQ(copy.Plan.Writes.back().Slot, 200);
    EXPECT_EQ(copy.Plan.Writes.back().Bank, 2);
    EXPECT_EQ(CopyBankPlan(&memory, 1, 2).Refusal,
              "200 slots of bank B were never read: read the bank first [Ctrl+R]");
}

// Stepping from slot to slot: across banks on a unit of four, never past either end, and within
// its one bank on a unit of one or where the bank is not known.
TEST(SlotSteps, CrossBanksAndStopAtTheEnds) {
    using Place = std::optional<std::pair<int, int>>;
    struct Case {
        int bank, slot, step;
        bool singleBank;
        Place to;
    };
    const std::vector<Case> cases{
        {0, 1, 1, false, std::pair{0, 2}},      {0, 200, 1, false, std::pair{1, 1}},
        {1, 1, -1, false, std::pair{0, 200}},   {3, 200, 1, false, std::nullopt},
        {0, 1, -1, false, std::nullopt},        {-1, 200, 1, false, std::nullopt},
        {-1, 7, -1, false, std::pair{-1, 6}},   {-1, 128, 1, true, std::nullopt},
        {-1, 127, 1, true, std::pair{-1, 128}}, {0, 0, 1, false, std::nullopt},
        {0, 201, -1, false, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StepPlace(c.bank, c.slot, c.step, c.singleBank), c.to)
            << c.bank << " " << c.slot << " " << c.step << " " << c.singleBank;
}
