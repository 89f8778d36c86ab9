// "Read the unit..." of the library against quellfarn-sim on JACK, a process of its own: what
// the unit's memory holds afterwards is what the simulator writes of its banks, byte for byte.

#include "library/Library.h"
#include "library/ReadUnit.h"
#include "link/DeviceLink.h"
#include "model/FileNames.h"
#include "store/UnitMemory.h"
#include "support/JackRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
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
