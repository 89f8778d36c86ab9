// The program table editor driven as a user drives it: typing into the grid, the pop-up menu,
// the buttons, files, printing into a PDF, and the simulated processor at the other end.

#include "base/PrintCommon.h"
#include "mpt/MPTRptOpt.h"
#include "mpt/mpt_edit.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PdfText.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"

#include <QDate>
#include <QFileInfo>
#include <QHeaderView>
#include <QPointer>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

using testing::HasSubstr;

namespace {
using Bytes = std::vector<std::uint8_t>;

struct TableWindow {
    explicit TableWindow(bool prePlenova = false) {
        SetPrePlenovaMode(prePlenova);
        SetAppTitle("Quellfarn");
        settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
        AppSettings = &settings;
        window = new TfrmMPTEdit;
        window->OnSendMessage = [this](std::istream& stream) {
            Sent.emplace_back(std::istreambuf_iterator<char>(stream),
                              std::istreambuf_iterator<char>());
            return QStringLiteral("MIDI data sent to MIDI Out");
        };
        window->show();
        QApplication::processEvents();
    }
    ~TableWindow() {
        if (!window.isNull()) {
            window->MptModified = false;
            window->close();
        }
        AppSettings = nullptr;
        SetPrePlenovaMode(false);
    }
    QTableWidgetItem* Cell(int programChange) const {
        return window->DataCells()[static_cast<std::size_t>(programChange - 1)];
    }
    QStringList Texts() const {
        QStringList texts;
        for (QTableWidgetItem* cell : window->DataCells())
            texts << cell->text();
        return texts;
    }
    // Types into a cell as a user does: select it, type, and Enter.
    void Type(int programChange, const QString& text) {
        QTableWidgetItem* cell = Cell(programChange);
        window->grdMPT->setCurrentItem(cell);
        window->grdMPT->editItem(cell);
        QApplication::processEvents();
        QWidget* editor = QApplication::focusWidget();
        ASSERT_NE(editor, nullptr);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        PressKey(editor, Qt::Key_Backspace);
        QTest::keyClicks(editor, text);
        PressKey(editor, Qt::Key_Return);
        QApplication::processEvents();
    }
    void GoTo(int programChange) {
        QTableWidgetItem* cell = Cell(programChange);
        window->grdMPT->scrollToItem(cell);
        QTest::mouseClick(window->grdMPT->viewport(), Qt::LeftButton, Qt::NoModifier,
                          window->grdMPT->visualItemRect(cell).center());
    }

    ScriptedDialogs dialogs;
    TqvRegUtil settings;
    QPointer<TfrmMPTEdit> window;
    std::vector<Bytes> Sent;
};
} // namespace

TEST(MptEditor, ANewTableAsksOnCloseAReceivedOneOnlyAfterAnEdit) {
    {
        TableWindow table;
        EXPECT_EQ(table.window->windowTitle(), "ZOL Quellfarn MPT Editor");
        EXPECT_EQ(table.Cell(1)->text(), "001");
        EXPECT_EQ(table.Cell(200)->text(), "200");
        EXPECT_EQ(table.window->RowLabel(20), "191-200");
        table.dialogs.Answers.push_back(QMessageBox::Cancel);
        EXPECT_FALSE(table.window->close()) << "new: it asks, Cancel keeps it";
        EXPECT_EQ(table.dialogs.Messages.back().Text, "Do you want to save your changes?");
    }
    TableWindow table;
    Tmpt received;
    received.MptEntries[4] = 16;
    const Bytes bytes = received.Encode();
    std::stringstream message(std::string(bytes.begin(), bytes.end()));
    table.window->LoadTable(message);
    EXPECT_EQ(table.Cell(5)->text(), "017");
    QPointer<TfrmMPTEdit> window = table.window;
    EXPECT_TRUE(window->close()) << "received and unedited: no question";
    EXPECT_TRUE(table.dialogs.Messages.empty());
}

TEST(MptEditor, CellsAreCheckedAsTheCursorLeavesThem) {
    TableWindow table;
    table.Type(3, "5");
    table.GoTo(4);
    EXPECT_EQ(table.Cell(3)->text(), "005");
    table.Type(12, "201");
    table.GoTo(13);
    ASSERT_FALSE(table.dialogs.Messages.empty());
    EXPECT_EQ(table.dialogs.Messages.back().Text,
              "Invalid preset number: 201 at location 12 (should be 001 thru 200)");
    EXPECT_EQ(table.dialogs.Messages.back().Caption, "Error found");
    EXPECT_EQ(table.window->grdMPT->currentItem(), table.Cell(12)) << "the cursor stays";
    const std::size_t shown = table.dialogs.Messages.size();
    table.Type(12, "");
    QTest::mouseClick(table.window->btnSendOut, Qt::LeftButton);
    EXPECT_EQ(table.dialogs.Messages.back().Text, "Invalid preset number:  at location 12");
    EXPECT_EQ(table.dialogs.Messages.size(), shown + 1) << "one message";
    EXPECT_TRUE(table.Sent.empty());
}

TEST(MptEditor, DefaultsInsertAndDeleteInBothModels) {
    {
        TableWindow table;
        table.window->grdMPT->setCurrentItem(table.Cell(13)); // row 2, column 3
        table.window->pmiInsertShiftRow->trigger();
        QStringList texts = table.Texts();
        EXPECT_EQ(texts.mid(10, 10),
                  (QStringList{"011", "012", "", "013", "014", "015", "016", "017", "018", "019"}));
        EXPECT_EQ(texts[20], "021") << "the next row is untouched";
        table.window->pmiSetToDefault->trigger();
        table.window->grdMPT->setCurrentItem(table.Cell(1));
        table.window->pmiDeleteShiftAll->trigger();
        texts = table.Texts();
        EXPECT_EQ(texts[0], "002");
        EXPECT_EQ(texts[198], "200");
        EXPECT_EQ(texts[199], "200") << "199 and 200 both show the old 200";
        table.window->pmiShowOffsets->trigger();
        EXPECT_EQ(table.window->RowLabel(2), "10 +");
    }
    TableWindow pre(true);
    EXPECT_EQ(pre.window->grdMPT->rowCount(), 13) << "13 rows of data";
    EXPECT_EQ(pre.window->DataCells().size(), 128u);
    EXPECT_EQ(pre.window->grdMPT->item(12, 8)->flags(), Qt::NoItemFlags) << "spare cells";
    pre.window->pmiSetToDefault->trigger();
    EXPECT_EQ(pre.Texts().last(), "128");
    EXPECT_TRUE(pre.window->grdMPT->item(12, 9)->text().isEmpty());
    pre.window->grdMPT->setCurrentItem(pre.Cell(1));
    pre.window->pmiDeleteShiftAll->trigger();
    EXPECT_EQ(pre.Texts().last(), "") << "128's successor is a spare, empty cell";
}

TEST(MptEditor, SavesWithTheSuggestedNameAndKeepsItsModel) {
    QTemporaryDir folder;
    TableWindow table;
    const QString saved = folder.filePath("bass.mpt");
    table.dialogs.Names.push_back(saved);
    table.window->pmiShowRanges->trigger();
    QTest::mouseClick(table.window->btnSaveAs, Qt::LeftButton);
    EXPECT_FALSE(table.window->MptModified);
    EXPECT_EQ(table.window->windowTitle(), "ZOL Quellfarn MPT Editor - " + saved);
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), 406);

    // The option switched while the window is open: the table keeps its size and command.
    SetPrePlenovaMode(true);
    table.dialogs.Names.push_back(folder.filePath("again.mpt"));
    QTest::mouseClick(table.window->btnSaveAs, Qt::LeftButton);
    QFile again(folder.filePath("again.mpt"));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    const QByteArray bytes = again.readAll();
    EXPECT_EQ(bytes.size(), 406);
    EXPECT_EQ(static_cast<unsigned char>(bytes[4]), 0x13);
    SetPrePlenovaMode(false);

    TableWindow fresh;
    fresh.dialogs.Names.push_back(QString()); // cancelled
    QTest::mouseClick(fresh.window->btnSaveAs, Qt::LeftButton);
    EXPECT_TRUE(fresh.dialogs.SaveSuggested.endsWith(
        "/Quellfarn_" + QDate::currentDate().toString("yyyyMMdd") + ".mpt"))
        << fresh.dialogs.SaveSuggested.toStdString();
    EXPECT_TRUE(fresh.window->MptModified) << "a cancelled save changes nothing";

    fresh.dialogs.Names.push_back(folder.filePath("no/such/folder/x.mpt"));
    QTest::mouseClick(fresh.window->btnSaveAs, Qt::LeftButton);
    EXPECT_THAT(fresh.dialogs.Messages.back().Text.toStdString(), HasSubstr("Cannot write"));
    EXPECT_TRUE(fresh.window->MptFileName.isEmpty()) << "a failed save keeps the name";
}

TEST(MptEditor, SendAsksFirstAndSendsTheWholeTable) {
    TableWindow table;
    table.Type(5, "17");
    table.dialogs.Answers.push_back(QMessageBox::No);
    PressKey(table.window->grdMPT, Qt::Key_F9);
    EXPECT_TRUE(table.Sent.empty()) << "No sends nothing";
    EXPECT_THAT(table.dialogs.Messages.back().Text.toStdString(),
                HasSubstr("Please confirm MPT update."));
    table.dialogs.Answers.push_back(QMessageBox::Yes);
    QTest::mouseClick(table.window->btnSendOut, Qt::LeftButton);
    ASSERT_EQ(table.Sent.size(), 1u);
    EXPECT_EQ(table.Sent[0].size(), 406u);
    EXPECT_EQ(table.Sent[0][5 + 2 * 4], 16) << "program change 5 selects preset 17 (index 16)";
    EXPECT_TRUE(table.window->MptModified) << "sending is no save";
}

// A cell's hint names the preset file it selects; the print-out lists it.
TEST(MptEditor, HintsNameThePresetFilesAndTheTablePrintsInBothStylesIntoAPdf) {
    QTemporaryDir folder;
    QFile(folder.filePath("Slap Funk.tmq017")).open(QIODevice::WriteOnly);
    TableWindow table;
    table.window->HintFolder = folder.path() + "/";
    table.Type(5, "17");
    table.GoTo(6); // leaving the cell writes it as three digits
    EXPECT_EQ(table.window->HintFor(1, 5), "Slap Funk.tmq017");
    EXPECT_EQ(table.window->HintFor(1, 6), folder.path() + "/*.tmq006") << "no file: the pattern";
    for (const int style : {0, 1}) {
        const QString pdf = folder.filePath(QStringLiteral("table%1.pdf").arg(style));
        table.dialogs.Names.push_back(pdf); // no printer here: it asks for a PDF file
        AnswerModal<TfrmMPTRptOpt>([style](TfrmMPTRptOpt& options) {
            options.SetStyle(style);
            QTest::mouseClick(options.btnOK, Qt::LeftButton);
        });
        IgnoreInstalledPrinters(true); // as on a machine with no printer
        QTest::mouseClick(table.window->btnPrint, Qt::LeftButton);
        const QString text = PdfText(pdf);
        ASSERT_FALSE(text.isEmpty()) << pdf.toStdString();
        EXPECT_THAT(text.toStdString(), HasSubstr("ZOL Quellfarn MPT Table"));
        EXPECT_THAT(text.toStdString(), HasSubstr("Page: 1"));
        EXPECT_THAT(
            text.toStdString(),
            HasSubstr(
                QLocale().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString()));
        EXPECT_EQ(table.settings.GetInteger("MPT_REPT_STYLE", false, -1), style);
        const QStringList lines = text.split('\n');
        if (style == 0) {
            const QStringList first = lines.filter(QRegularExpression("^\\s*1-10\\s"));
            ASSERT_EQ(first.size(), 1);
            EXPECT_TRUE(first[0].contains(QRegularExpression(
                "001\\s+\\|\\s+002\\s+\\|\\s+003\\s+\\|\\s+004\\s+\\|\\s+017\\s+\\|")))
                << first[0].toStdString();
            EXPECT_TRUE(first[0].contains(QRegularExpression("009\\s+\\|\\s+010\\s*$")))
                << "every column fits the page: " << first[0].toStdString();
            EXPECT_EQ(lines.filter(QRegularExpression("^\\s*191-200\\s")).size(), 1);
        } else {
            EXPECT_EQ(lines.filter(QRegularExpression("^\\s*\\d+\\s+\\|\\s+\\d{3}")).size(), 200)
                << "a line for every program change";
            EXPECT_THAT(text.toStdString(), HasSubstr("Page: 2")) << "a long list breaks pages";
            const QStringList five = lines.filter(QRegularExpression("^\\s*5\\s+\\|"));
            ASSERT_EQ(five.size(), 1);
            EXPECT_THAT(five[0].toStdString(), HasSubstr("Slap Funk.tmq017"));
            // The columns line up: the separators stand at the same place on every line.
            const QStringList body = lines.filter(QRegularExpression("^\\s*\\d+\\s+\\|\\s+\\d{3}"));
            const int column = body.first().indexOf('|');
            for (const QString& line : body)
                EXPECT_EQ(line.indexOf('|'), column) << line.toStdString();
        }
    }
    // Columns dragged to another place: still read in the order the grid shows.
    table.window->grdMPT->horizontalHeader()->moveSection(0, 9);
    EXPECT_EQ(table.Cell(1)->text(), "002");
}

TEST(MptEditor, TheFontButtonSetsTheGridsFontAndThePreviewShowsThePagesThePrinterWouldGet) {
    TableWindow table;
    QFont chosen(QStringLiteral("DejaVu Sans Mono"));
    chosen.setPointSize(9);
    table.dialogs.Fonts.push_back(chosen);
    QTest::mouseClick(table.window->btnFont, Qt::LeftButton);
    EXPECT_EQ(table.window->grdMPT->font().pointSize(), 9);
    QTest::mouseClick(table.window->btnFont, Qt::LeftButton); // cancelled: it stays
    EXPECT_EQ(table.window->grdMPT->font().pointSize(), 9);

    table.settings.PutInteger("MPT_REPT_STYLE", 1);
    int pages = 0;
    AnswerModal<QPrintPreviewDialog>([&pages](QPrintPreviewDialog& preview) {
        if (auto* view = preview.findChild<QPrintPreviewWidget*>())
            pages = view->pageCount();
    });
    QTest::mouseClick(table.window->btnPreview, Qt::LeftButton);
    EXPECT_GE(pages, 2) << "the list of 200 program changes takes more than a page";
}

// The main window hands received tables to table editors.
TEST(MptHandOff, TheUnitsTableIsEditedAndSentBack) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    window.miGetMptTable->trigger();
    ASSERT_TRUE(PumpUntil([&] { return rig.Log().filter("Sysex (406)").size() == 1; }));
    window.SetLogDblClickAction(1);
    window.pgcTab->setCurrentWidget(window.tsMonitor);
    const int line = rig.Log().indexOf(rig.Log().filter("Sysex (406)").first());
    const QPoint at = window.lbxLog->LineRect(line).center();
    QTest::mouseClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(window.TableEditors().size(), 1u);
    TfrmMPTEdit& editor = *window.TableEditors().front();
    EXPECT_FALSE(editor.MptModified);

    QTableWidgetItem* five = editor.DataCells()[4];
    editor.grdMPT->setCurrentItem(five);
    five->setText("17");
    rig.dialogs.Answers.push_back(QMessageBox::Yes);
    QTest::mouseClick(editor.btnSendOut, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] {
        return rig.Unit([](TPlenovaDevice& unit) { return unit.Table.MptEntries[4] == 16; });
    })) << "the unit's table maps 5 to 17";

    // Saved and opened again through the file pane, as a user does with a double-click.
    QTemporaryDir folder;
    rig.dialogs.Names.push_back(folder.filePath("unit.mpt"));
    QTest::mouseClick(editor.btnSaveAs, Qt::LeftButton);
    ASSERT_FALSE(editor.MptModified);
    window.pgcTab->setCurrentWidget(window.tsExplorer);
    window.GoToFolder(folder.path());
    QApplication::processEvents();
    QTreeWidgetItem* file = window.lvwFileList->findItems("unit.mpt", Qt::MatchExactly).value(0);
    ASSERT_NE(file, nullptr);
    const QPoint onFile = window.lvwFileList->visualItemRect(file).center();
    QTest::mouseClick(window.lvwFileList->viewport(), Qt::LeftButton, Qt::NoModifier, onFile);
    QTest::mouseDClick(window.lvwFileList->viewport(), Qt::LeftButton, Qt::NoModifier, onFile);
    ASSERT_EQ(window.TableEditors().size(), 2u);
    EXPECT_EQ(window.TableEditors().back()->DataCells()[4]->text(), "017");
    window.TableEditors().back()->close();

    // A 262-byte table opens only with the Pre-Plenova option, a 406-byte one only without.
    SetPrePlenovaMode(true);
    Tmpt small;
    const Bytes smallBytes = small.Encode();
    std::copy(smallBytes.begin(), smallBytes.end(), window.MessageBytes.begin());
    window.MessageByteCount = static_cast<int>(smallBytes.size());
    window.OpenBufferInEditor();
    EXPECT_EQ(window.TableEditors().size(), 3u);
    SetPrePlenovaMode(false);
    window.OpenBufferInEditor();
    EXPECT_EQ(window.TableEditors().size(), 3u) << "262 bytes are no table of this model";
    window.miPrePlenova->setChecked(false);
}

// The grid's columns, the other two shifts, offsets counted from 0 in a list report, the hint
// folder kept between windows, and Yes on closing saving the table.
TEST(MptEditor, ColumnsShiftsOffsetsHintFolderAndYesOnClosing) {
    QTemporaryDir folder;
    {
        TableWindow table;
        EXPECT_EQ(table.window->grdMPT->columnWidth(3), 40);
        table.window->grdMPT->setCurrentItem(table.Cell(199));
        table.window->pmiInsertShiftAll->trigger();
        QStringList texts = table.Texts();
        EXPECT_EQ(texts[198], "");
        EXPECT_EQ(texts[199], "199") << "the old 200 is dropped";
        table.window->pmiSetToDefault->trigger();
        table.window->grdMPT->setCurrentItem(table.Cell(13));
        table.window->pmiDeleteShiftRow->trigger();
        texts = table.Texts();
        EXPECT_EQ(texts.mid(10, 10), (QStringList{"011", "012", "014", "015", "016", "017", "018",
                                                  "019", "020", "020"}));
        EXPECT_EQ(texts[20], "021");

        table.window->pmiShowOffsets->trigger();
        const QString pdf = folder.filePath("offsets.pdf");
        table.dialogs.Names.push_back(pdf);
        AnswerModal<TfrmMPTRptOpt>([](TfrmMPTRptOpt& options) {
            options.SetStyle(1);
            QTest::mouseClick(options.btnOK, Qt::LeftButton);
        });
        IgnoreInstalledPrinters(true);
        QTest::mouseClick(table.window->btnPrint, Qt::LeftButton);
        QList<int> numbers;
        for (const QString& line : PdfText(pdf).split('\n')) {
            const auto match = QRegularExpression("^\\s*(\\d+)\\s+\\|\\s+\\d{3}").match(line);
            if (match.hasMatch())
                numbers << match.captured(1).toInt();
        }
        ASSERT_EQ(numbers.size(), 200);
        EXPECT_EQ(numbers.front(), 0);
        EXPECT_EQ(numbers.back(), 199);

        table.window->HintFolder = folder.path() + "/";
        const QString saved = folder.filePath("closing.mpt");
        table.dialogs.Names.push_back(saved);
        table.dialogs.Answers.push_back(QMessageBox::Yes);
        table.window->MptModified = true;
        EXPECT_TRUE(table.window->close());
        EXPECT_TRUE(QFileInfo::exists(saved)) << "Yes saves before closing";
        EXPECT_EQ(table.settings.GetString("MPT_HINT_DIR", false), folder.path() + "/");
    }
    TableWindow next;
    EXPECT_EQ(next.window->HintFolder, folder.path() + "/") << "read when the window is made";
}
