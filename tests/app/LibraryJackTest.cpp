// "Read the unit..." of the library against quellfarn-sim on JACK, a process of its own: what
// the unit's memory holds afterwards is what the simulator writes of its banks, byte for byte.

#include "library/Library.h"
#include "library/ReadUnit.h"
#include "link/DeviceLink.h"
#include "model/FileNames.h"
#include "model/Mpt.h"
#include "mpt/mpt_edit.h"
#include "store/SetListFiles.h"
#include "store/UnitMemory.h"
#include "store/WholeFile.h"
#include "support/JackRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>
#include <gtest/gtest.h>

TEST(LibraryOverJack, ReadingTheWholeUnitRemembersEverySlotByteForByte) {
    QTemporaryDir truth;
    JackRig rig(QUELLFARN_SIM, "QF Library Test", "QuellfarnLibraryTest",
                {"--save", truth.path().toStdString()});
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    QDir(ProgramDataFolder()).removeRecursively();
    rig.Connect();
    TfrmLibrary& library = *window.Library();
    library.show();
    AnswerModal<TfrmReadUnit>([](TfrmReadUnit& dialog) {
        TypeOver(dialog.edtDelay, "2");
        QTest::mouseClick(dialog.btnOk, Qt::LeftButton);
    });
    QTest::mouseClick(library.btnRead, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return !window.Link->Busy(); }, 120000));
    TUnitMemory memory(TUnitMemory::FolderFor(window.MidiOutput()->ProductName(), 0));
    window.close();
    ASSERT_EQ(rig.sim.Stop(), 0);
    memory.Load();
    EXPECT_TRUE(memory.Problems().isEmpty());
    int compared = 0;
    for (int bank = 0; bank < 4; ++bank) {
        const QDir saved(truth.filePath(QStringLiteral("Bank %1").arg(QChar(u'A' + bank))));
        for (const QString& name : saved.entryList(QDir::Files)) {
            const auto slot = BackupPresetNumber(name.toStdString());
            ASSERT_TRUE(slot.has_value()) << name.toStdString();
            QFile file(saved.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            const TSlotMemory* remembered = memory.Slot(bank, *slot);
            ASSERT_NE(remembered, nullptr) << name.toStdString();
            EXPECT_EQ(remembered->Now()->Dump, TBytes(bytes.begin(), bytes.end()))
                << name.toStdString();
            ++compared;
        }
    }
    EXPECT_EQ(compared, 800);
    EXPECT_EQ(memory.Slots().size(), 800u);
}

// A set list of songs from bank B made into the program table from the library and sent over
// JACK: read back and compared, and the table the simulator saves is that table.
TEST(LibraryOverJack, ASetListMadeIntoTheProgramTableIsTheTableTheUnitKeeps) {
    QTemporaryDir truth;
    JackRig rig(QUELLFARN_SIM, "QF Table Test", "QuellfarnTableTest",
                {"--save", truth.path().toStdString()});
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    rig.Connect();
    QDir().mkpath(SetListFolder());
    const QString path = QDir(SetListFolder()).filePath("Jack gig.txt");
    ASSERT_EQ(WriteWholeFile(path, "Opener = B017\nBallad = B002 ; slow\nEncore = B150\n"), "");
    TfrmLibrary& library = *window.Library();
    library.show();
    library.Refresh();
    library.ShowSource("setlist:" + path);
    library.miMakeTable->trigger();
    ASSERT_TRUE(PumpUntil([&] { return !window.TableEditors().empty(); }, 10000));
    rig.dialogs.Answers.push_back(QMessageBox::Yes);
    QTest::mouseClick(window.TableEditors().front()->btnSendOut, Qt::LeftButton);
    const auto told = [&] {
        return rig.dialogs.Messages.empty() ? QString() : rig.dialogs.Messages.back().Text;
    };
    ASSERT_TRUE(PumpUntil([&] { return told().startsWith("The unit's program table"); }, 10000))
        << told().toStdString();
    window.close();
    ASSERT_EQ(rig.sim.Stop(), 0);
    QDir(SetListFolder()).removeRecursively();

    std::ifstream file(truth.filePath("Program table.mpt").toStdString(), std::ios::binary);
    Tmpt saved;
    saved.ResetEntries();
    saved.MptEntries[0] = -1;
    saved.Load(file);
    // Programs 1 to 3 call up B 017, B 002 and B 150; the others keep the unit's own table.
    EXPECT_EQ(saved.MptEntries[0], 16);
    EXPECT_EQ(saved.MptEntries[1], 1);
    EXPECT_EQ(saved.MptEntries[2], 149);
    for (int program = 4; program <= kMptEntryTotal; ++program)
        ASSERT_EQ(saved.MptEntries[static_cast<std::size_t>(program - 1)], program - 1) << program;
}
