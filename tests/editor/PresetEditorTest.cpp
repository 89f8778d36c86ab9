// The preset editor driven as a bassist drives it: keys on the sliders, clicks on the chain,
// the buttons, files, and the processor (simulated) at the other end of the main window.

#include "editor/PresetEditor.h"

#include "base/CompareDialog.h"
#include "base/PickList.h"
#include "base/StorePrompt.h"
#include "controls/qvLCDmeter.h"
#include "controls/qvRadioGroup.h"
#include "controls/qvTrackBar.h"
#include "editor/EffectChainPanel.h"
#include "editor/FootSwitchPanel.h"
#include "editor/ParameterPages.h"
#include "editor/PerformancePanel.h"
#include "editor/PresetDocument.h"
#include "model/EffectCatalogue.h"
#include "model/ParameterTable.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

namespace {
using Bytes = std::vector<std::uint8_t>;

// An editor on its own, its sends and the stores it asks for recorded.
struct Editor {
    Editor() {
        window = std::make_unique<TfrmPresetEditor>();
        window->Document().OnSendPreset = [this](std::istream& stream) {
            Sent.emplace_back(std::istreambuf_iterator<char>(stream),
                              std::istreambuf_iterator<char>());
            return QStringLiteral("MIDI data sent to MIDI Out");
        };
        window->OnGetPresetNumber = [this] { return CurrentSlot; };
        window->OnStorePreset = [this](const TStoreRequest& request) {
            Stores.push_back(request);
            return Outcome;
        };
    }
    void Load(const TPreset& preset) {
        const Bytes bytes = preset.Encode();
        std::stringstream stream(std::string(bytes.begin(), bytes.end()));
        window->SetUp();
        window->LoadDump(stream);
        window->Show();
    }
    void New() { window->Show(); }
    TParameterControl& Control(const std::string& name) {
        TParameterControl* control = window->Parameters().Find(name);
        EXPECT_NE(control, nullptr) << name;
        return *control;
    }
    // Arrow keys on the focused slider, as a user nudges it.
    void Nudge(const std::string& name, int times, Qt::Key key = Qt::Key_Right) {
        TqvTrackBar* bar = Control(name).TrackBar;
        bar->setFocus();
        for (int i = 0; i < times; ++i)
            PressKey(bar, key);
    }
    void CheckAnalog(int block, bool on) {
        QListWidgetItem* item = window->Chain().cklAnalogSelect->item(block);
        item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    }
    void Add(const QString& effect) {
        const auto found = window->Chain().lbxDigAvail->findItems(effect, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << effect.toStdString();
        window->Chain().lbxDigAvail->setCurrentItem(found.first());
        QTest::mouseClick(window->Chain().btnAddDfx, Qt::LeftButton);
    }
    void Remove(const QString& effect) {
        const auto found = window->Chain().lbxDigSel->findItems(effect, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << effect.toStdString();
        window->Chain().lbxDigSel->setCurrentItem(found.first());
        QTest::mouseClick(window->Chain().btnDelDfx, Qt::LeftButton);
    }
    QStringList Items(QListWidget* list) const {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    Bytes Record() const { return window->Document().Preset.Encode(); }

    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmPresetEditor> window;
    std::vector<Bytes> Sent;
    std::vector<TStoreRequest> Stores;
    TStoreResult Outcome = [] {
        TStoreResult stored;
        stored.Stored = true;
        return stored;
    }();
    int CurrentSlot = -1;
};

class EditorTest : public testing::Test {
protected:
    void SetUp() override { SetPrePlenovaMode(false); }
    void TearDown() override { SetPrePlenovaMode(false); }
};

} // namespace

TEST_F(EditorTest, ANewPresetShowsItsDefaultsAndAnEmptyHistory) {
    Editor editor;
    editor.New();
    TfrmPresetEditor& window = *editor.window;
    EXPECT_EQ(window.windowTitle(), "ZOL TMQ-Quellfarn Plenova Preset Editor <not saved>");
    EXPECT_EQ(window.Chain().lblDigGrp->text(), "Group #0");
    EXPECT_EQ(window.Chain().lbxDigSel->count(), 0);
    QStringList available = editor.Items(window.Chain().lbxDigAvail);
    EXPECT_EQ(available.size(), 25);
    QStringList sorted = available;
    sorted.sort();
    EXPECT_EQ(available, sorted) << "kept in alphabetical order";
    EXPECT_TRUE(window.pgcDigitalParams->isHidden());
    EXPECT_FALSE(window.btnUndo->isEnabled());
    EXPECT_EQ(window.btnUndo->toolTip(), "0 items in undo list   [Ctrl+Z]");
    EXPECT_EQ(editor.Control("trbCMPdrive").ValueLabel->text(), "78%");
    EXPECT_EQ(editor.Control("trbCMPoutput").ValueLabel->text(), "94%");
    EXPECT_TRUE(window.chkAutoSend->isChecked());
    EXPECT_TRUE(window.lblStatus->text().isEmpty());
    EXPECT_TRUE(editor.Sent.empty()) << "showing a preset sends nothing";
}

TEST_F(EditorTest, EveryControlStandsAsItsTableRowSays) {
    // Walks the built window: every row of the table has its control, range, slot, default and
    // the value texts of both ends of its range.
    Editor editor;
    TPreset preset = PresetWith({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {});
    editor.Load(preset);
    const auto check = [&](const TParameterInfo& info, int slot) {
        SCOPED_TRACE(std::string(info.Control));
        TParameterControl& control = editor.Control(std::string(info.Control));
        ASSERT_EQ(control.Widget->objectName().toStdString(), std::string(info.Control));
        EXPECT_EQ(control.Slot, slot);
        int& cell =
            editor.window->Document().Preset.ParameterValues[static_cast<std::size_t>(slot)];
        switch (info.Kind) {
        case TControlKind::TrackBar: {
            EXPECT_EQ(control.TrackBar->minimum(), info.Min);
            EXPECT_EQ(control.TrackBar->maximum(), info.Max);
            EXPECT_EQ(control.TrackBar->Cell(), &cell);
            EXPECT_EQ(cell, std::clamp(info.Default, info.Min, info.Max));
            const std::string name = std::string(info.Control).substr(3);
            EXPECT_EQ(control.ValueLabel->objectName().toStdString(), "txt" + name);
            control.TrackBar->setValue(control.TrackBar->minimum());
            EXPECT_EQ(control.ValueLabel->text().toStdString(),
                      ParameterValueText(info, info.Mirrored ? info.Max : info.Min));
            control.TrackBar->setValue(control.TrackBar->maximum());
            EXPECT_EQ(control.ValueLabel->text().toStdString(),
                      ParameterValueText(info, info.Mirrored ? info.Min : info.Max));
            break;
        }
        case TControlKind::RadioGroup: {
            EXPECT_EQ(control.Radio->Items().size(), static_cast<int>(info.Items.size()));
            EXPECT_EQ(control.Radio->DataAddend, info.DataAddend);
            EXPECT_EQ(cell, info.Default);
            const QList<QRadioButton*> buttons = control.Radio->Buttons();
            if (!buttons.isEmpty() && control.Radio->isEnabled()) {
                ClickBox(buttons.last());
                EXPECT_EQ(cell, static_cast<int>(info.Items.size()) - 1 + info.DataAddend);
                ClickBox(buttons.first());
                EXPECT_EQ(cell, info.DataAddend);
            }
            break;
        }
        case TControlKind::EqualizerBand:
            EXPECT_EQ(control.Meter->objectName().toStdString(),
                      "lcd" + std::string(info.Control).substr(3));
            EXPECT_EQ(control.Meter->Max(), info.Max);
            EXPECT_EQ(control.ScrollBar->value(), 12 - info.Default) << "the top is the highest";
            control.ScrollBar->setValue(0);
            EXPECT_EQ(cell, 12);
            EXPECT_EQ(control.ValueLabel->text().toStdString(), ParameterValueText(info, 12));
            control.ScrollBar->setValue(12);
            EXPECT_EQ(cell, 0);
            EXPECT_EQ(control.ValueLabel->text().toStdString(), ParameterValueText(info, 0));
            break;
        case TControlKind::CheckBox:
            EXPECT_EQ(control.Check->text().toStdString(), std::string(info.Caption));
            EXPECT_EQ(control.Check->isChecked(), info.Default != 0);
            ClickBox(control.Check);
            EXPECT_EQ(cell, info.Default != 0 ? 0 : 1);
            break;
        case TControlKind::BaseKeyList:
            break;
        }
    };
    for (const TParameterInfo& info : MixParameters())
        check(info, info.Offset);
    for (const TEffectPage& page : AnalogPages()) {
        editor.window->pgcAnalogParams->setCurrentWidget(editor.window->findChild<QWidget*>(
            QString::fromLatin1(page.Sheet.data(), static_cast<int>(page.Sheet.size()))));
        QApplication::processEvents(); // the page is laid out as a user would see it
        for (const TParameterInfo& info : page.Parameters)
            check(info, info.Offset);
    }

    // Each digital effect in a group of its own: its block from slot 37 on.
    for (int effect = 0; effect < kDigitalEffectTotal; ++effect) {
        const std::string name(DigitalEffectName(effect));
        SCOPED_TRACE(name);
        TPreset digital = PresetWith({}, {name.c_str()});
        Editor one;
        one.Load(digital);
        const std::vector<int>& row = GroupRow(digital.DigitalGroup);
        int slot = kDigitalAreaStart;
        for (const int before : row) {
            if (before == effect)
                break;
            slot += DigitalParameterCount(before);
        }
        EXPECT_FALSE(one.window->pgcDigitalParams->isHidden());
        const QString sheet = QString::fromLatin1(
            DigitalEffectPage(effect).data(), static_cast<int>(DigitalEffectPage(effect).size()));
        for (int tab = 0; tab < one.window->pgcDigitalParams->count(); ++tab)
            EXPECT_EQ(one.window->pgcDigitalParams->isTabVisible(tab),
                      one.window->pgcDigitalParams->widget(tab)->objectName() == sheet)
                << "only its own tab";
        EXPECT_EQ(one.window->pgcDigitalParams->currentWidget()->objectName(), sheet);
        for (const TParameterInfo& info :
             DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters) {
            TParameterControl& control = one.Control(std::string(info.Control));
            EXPECT_EQ(control.Slot, slot) << name << " ";
            if (control.TrackBar != nullptr) {
                EXPECT_EQ(control.TrackBar->minimum(), info.Min) << name << " ";
                EXPECT_EQ(control.TrackBar->maximum(), info.Max) << name << " ";
                EXPECT_EQ(control.TrackBar->Mirrored, info.Mirrored);
                EXPECT_EQ(
                    one.window->Document().Preset.ParameterValues[static_cast<std::size_t>(slot)],
                    std::clamp(info.Default, info.Min, info.Max))
                    << "defaults below the range are stored as clamped";
            }
            if (control.Radio != nullptr) {
                EXPECT_EQ(control.Radio->DataAddend, info.DataAddend);
                EXPECT_EQ(control.Radio->Items().size(), static_cast<int>(info.Items.size()));
            }
            ++slot;
        }
    }
}

TEST_F(EditorTest, SharedTabsTakeEachEffectsVariant) {
    Editor editor;
    editor.Load(PresetWith({}, {"Reverb 1"}));
    TParameterControl& type = editor.Control("ragREVtype");
    EXPECT_EQ(type.Radio->Items().first(), "Hall-1");
    EXPECT_EQ(type.Radio->DataAddend, 9);
    ClickBox(type.Radio->Buttons().first());
    EXPECT_EQ(*type.Radio->Cell(), 9) << "Hall-1 is 9 for every reverb";
    ClickBox(type.Radio->Buttons().last());
    EXPECT_EQ(*type.Radio->Cell(), 13) << "OFF is 13";
    EXPECT_TRUE(editor.Control("trbREVdiffusion").TrackBar->isHidden());

    editor.Remove("Reverb 1");
    editor.Add("Reverb 3");
    EXPECT_EQ(type.Radio->Items().size(), 13);
    ClickBox(type.Radio->Buttons().first());
    EXPECT_EQ(*type.Radio->Cell(), 1) << "Hall-3 is 1";
    EXPECT_FALSE(editor.Control("trbREVdiffusion").TrackBar->isHidden())
        << "diffusion only with Reverb 3";
    editor.Remove("Reverb 3");
    EXPECT_TRUE(editor.Control("trbREVdiffusion").TrackBar->isHidden());

    editor.Add("Gate Verb 1");
    EXPECT_EQ(editor.Control("trbGATdecay").TrackBar->maximum(), 4);
    editor.Remove("Gate Verb 1");
    editor.Add("Gate Verb 2");
    EXPECT_EQ(editor.Control("trbGATdecay").TrackBar->maximum(), 7);
    editor.Remove("Gate Verb 2");

    editor.Add("Tapped DDL S");
    EXPECT_EQ(editor.Control("trbTAPdelay").TrackBar->maximum(), 118);
    TParameterControl& fine = editor.Control("trbTAPfine");
    EXPECT_EQ(*fine.TrackBar->Cell(), 1) << "the default 0 is shown and stored as 1";
    editor.Remove("Tapped DDL S");
    editor.Add("Tapped DDL L");
    EXPECT_EQ(editor.Control("trbTAPdelay").TrackBar->maximum(), 122);
    editor.Remove("Tapped DDL L");
    editor.Add("Stereo DDL L");
    EXPECT_EQ(editor.Control("trbSDDright_delay_lgth").TrackBar->maximum(), 126);
    editor.Remove("Stereo DDL L");
    editor.Add("Sampler S");
    EXPECT_EQ(editor.Control("trbSMPlength").TrackBar->maximum(), 104);
    EXPECT_EQ(editor.Control("trbSMPlength").TrackBar->minimum(), 1);
    EXPECT_FALSE(editor.Control("ragSMPstate").Radio->isEnabled());
    editor.Remove("Sampler S");

    editor.Add("MIDI-Pan");
    TParameterControl& pan = editor.Control("trbMPNpos");
    pan.TrackBar->setFocus();
    PressKey(pan.TrackBar, Qt::Key_Home);
    EXPECT_EQ(*pan.TrackBar->Cell(), 127) << "the left end of the mirrored pan";
    EXPECT_EQ(pan.ValueLabel->text(), "127");
    QTest::mouseClick(editor.window->Parameters().btnMPNcenter, Qt::LeftButton);
    EXPECT_EQ(*pan.TrackBar->Cell(), 64);
    EXPECT_EQ(pan.ValueLabel->text(), "64");

    editor.Remove("MIDI-Pan");
    editor.Add("Flanger");
    TParameterControl& flanger = editor.Control("ragFLAtype");
    ClickBox(flanger.Radio->Buttons().first());
    EXPECT_EQ(*flanger.Radio->Cell(), 3);
    ClickBox(flanger.Radio->Buttons().last());
    EXPECT_EQ(*flanger.Radio->Cell(), 11);
}

TEST_F(EditorTest, BaseKeysAndLoopsAreSentAtOnce) {
    Editor editor;
    editor.Load(PresetWith({0}, {"Pitch-Trans"}));
    editor.window->chkAutoSend->setChecked(false);
    TParameterControl& keys = editor.Control("lstPTRbase_key");
    ASSERT_EQ(keys.List->count(), 128);
    EXPECT_EQ(keys.List->item(60)->text(), "C 4") << "the keys by their names";
    keys.List->setCurrentRow(60);
    EXPECT_EQ(editor.window->Document().Preset.ParameterValues[static_cast<std::size_t>(keys.Slot)],
              60);
    EXPECT_EQ(editor.Sent.size(), 1u) << "a base key is sent at once";
    ClickBox(editor.Control("chkPBYloop1").Check);
    EXPECT_EQ(editor.window->Document().Preset.ParameterValues[4], 0);
    EXPECT_EQ(editor.Sent.size(), 2u);

    editor.Remove("Pitch-Trans");
    editor.Add("Sampler+PTr");
    TParameterControl& samplerKeys = editor.Control("lstSPTbase_key");
    EXPECT_EQ(samplerKeys.List->count(), 128) << "copied from the pitch transposer's list";
    EXPECT_EQ(samplerKeys.List->property("Tag").toInt(), samplerKeys.Slot - 37);
}

TEST_F(EditorTest, ABurstOfSliderMovesIsOneSnapshotAndOneSend) {
    Editor editor;
    editor.Load(PresetWith({1}, {}));
    editor.Nudge("trbCMPdrive", 5);
    EXPECT_EQ(editor.window->lblStatus->text(), "Modified");
    PumpFor(300);
    editor.Nudge("trbCMPdrive", 3, Qt::Key_Left);
    EXPECT_TRUE(editor.Sent.empty()) << "nothing is sent while the burst goes on";
    ASSERT_TRUE(PumpUntil([&] { return !editor.Sent.empty(); }, 3000));
    EXPECT_EQ(editor.window->Document().UndoList().Count(), 2)
        << "the shown state and one snapshot";
    EXPECT_EQ(editor.window->lblStatus->text(), "Modified, Sent");
    EXPECT_EQ(editor.window->Document().Preset.ParameterValues[6], 24 + 2);

    editor.window->chkAutoSend->setChecked(false);
    editor.Nudge("trbCMPdrive", 4);
    PumpFor(1300);
    EXPECT_EQ(editor.Sent.size(), 1u) << "one send for the first burst, none without Auto send";
    EXPECT_EQ(editor.window->lblStatus->text(), "Modified");
}

TEST_F(EditorTest, ChainEditsAreSentAtOnceAndReshapeTheRecord) {
    Editor editor;
    editor.Load(PresetWith({}, {}));
    editor.window->chkAutoSend->setChecked(false);
    editor.Add("Tuner");
    EXPECT_EQ(editor.Sent.size(), 1u) << "added effects are sent even without Auto send";
    EXPECT_EQ(editor.Items(editor.window->Chain().lbxDigAvail), QStringList{"Low Pass"});
    EXPECT_EQ(editor.window->pgcDigitalParams->currentWidget()->objectName(), "tsTuner");
    EXPECT_FALSE(editor.window->Chain().btnAddDfx->isEnabled());
    editor.Remove("Tuner");
    EXPECT_EQ(editor.window->Chain().lbxDigAvail->count(), 25);
    EXPECT_EQ(editor.Sent.size(), 2u);

    editor.CheckAnalog(1, true);
    EXPECT_TRUE(editor.window->Document().Preset.AnalogOn[1]);
    EXPECT_EQ(editor.window->pgcAnalogParams->currentWidget()->objectName(), "tsCompressor");
    EXPECT_EQ(editor.Sent.size(), 3u);
    editor.Nudge("trbCMPdrive", 2);
    editor.CheckAnalog(1, false);
    editor.CheckAnalog(1, true);
    const auto& values = editor.window->Document().Preset.ParameterValues;
    EXPECT_EQ((std::vector<int>{values[6], values[7], values[8], values[9], values[10]}),
              (std::vector<int>{24, 3, 1, 3, 47}))
        << "switched on again, the compressor starts from its defaults";
    EXPECT_EQ(editor.Control("trbCMPdrive").TrackBar->value(), 24);
}

TEST_F(EditorTest, FiveEffectsFillTheDigitalArea) {
    Editor editor;
    editor.Load(PresetWith({}, {}));
    for (const char* effect : {"Low Pass", "Regen DDL S", "Reverb 2", "Flanger", "Panner"})
        editor.Add(effect);
    EXPECT_EQ(editor.window->Chain().lbxDigSel->count(), 5);
    EXPECT_EQ(editor.Control("trbPANspeed").Slot, 54) << "the last parameter of the last block";
    EXPECT_EQ(editor.Control("trbLPFfrequency").Slot, 37);
}

TEST_F(EditorTest, TheGroupPickerRemovesThenAddsEachStepSent) {
    Editor editor;
    editor.Load(PresetWith({}, {"Low Pass", "Flanger"}));
    editor.window->chkAutoSend->setChecked(false);
    AnswerModal<TfrmPickList>([&](TfrmPickList& dialog) {
        TfrmPickList* pick = &dialog;
        EXPECT_EQ(pick->windowTitle(), "Valid Digital Groups");
        auto* list = pick->findChild<QListWidget*>();
        EXPECT_EQ(list->item(0)->text(), "0. Low Pass, Stereo DDL L, Flanger, Panner");
        list->scrollToItem(list->item(46));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(list->item(46)).center());
        QTest::mouseClick(pick->findChild<QPushButton*>("btnOk"), Qt::LeftButton);
    });
    QTest::mouseClick(editor.window->Chain().btnDigGrp, Qt::LeftButton);
    EXPECT_EQ(editor.window->Document().Preset.DigitalGroup, 46);
    EXPECT_EQ(editor.window->Chain().lblDigGrp->text(), "Group #46");
    EXPECT_EQ(editor.Items(editor.window->Chain().lbxDigSel), (QStringList{"Low Pass", "Tuner"}));
    EXPECT_EQ(editor.Sent.size(), 2u) << "Flanger removed, Tuner added: each sent";
}

TEST_F(EditorTest, AGroupTheModelCannotRunIsReportedAndShownAsGroupZero) {
    TPreset preset = PresetWith({}, {"Phaser"});
    ASSERT_GE(preset.DigitalGroup, 47);
    SetPrePlenovaMode(true);
    Editor editor;
    editor.Load(preset);
    ASSERT_EQ(editor.dialogs.Messages.size(), 1u);
    EXPECT_EQ(editor.dialogs.Messages[0].Caption, "Preset error");
    EXPECT_THAT(
        editor.dialogs.Messages[0].Text.toStdString(),
        testing::StartsWith("Digital effect configuration is invalid and will be ignored."));
    EXPECT_EQ(editor.window->Chain().lblDigGrp->text(), "Group #0");
    EXPECT_EQ(editor.window->Chain().lbxDigSel->count(), 0);
    EXPECT_EQ(editor.window->Chain().lbxDigAvail->count(), 23);
}

TEST_F(EditorTest, UndoAndRedoWalkTheSnapshots) {
    Editor editor;
    editor.Load(PresetWith({1}, {}));
    const Bytes shown = editor.Record(); // as shown: the compressor's switch is on
    editor.window->chkAutoSend->setChecked(false);
    ClickBox(editor.Control("chkPBYloop1").Check);
    editor.CheckAnalog(3, true);
    EXPECT_EQ(editor.window->btnUndo->toolTip(), "2 items in undo list   [Ctrl+Z]");
    const std::size_t sends = editor.Sent.size();

    PressKey(editor.window->edtTitle, Qt::Key_Z, Qt::ControlModifier);
    PressKey(editor.window->edtTitle, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(editor.Record(), shown) << "back to the bytes first shown";
    EXPECT_EQ(editor.window->Document().RedoList().Count(), 2);
    EXPECT_EQ(editor.window->btnRedo->toolTip(), "2 items in redo list   [Ctrl+Y]");
    EXPECT_EQ(editor.window->edtTitle->text(), "Test preset")
        << "Ctrl+Z is the window's, not the title's";
    EXPECT_EQ(editor.Sent.size(), sends + 1)
        << "the first undo sends nothing (Auto send was off), the second does (Show checked it)";
    EXPECT_EQ(editor.Sent.back(), shown);

    PressKey(editor.window->edtTitle, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(editor.window->Document().RedoList().Count(), 2) << "only with Ctrl alone";
    PressKey(editor.window->edtTitle, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_TRUE(editor.window->Document().Preset.ParameterValues[4] == 0);
    EXPECT_EQ(editor.window->Document().RedoList().Count(), 1);
    ClickBox(editor.Control("chkPBYloop2").Check);
    EXPECT_EQ(editor.window->Document().RedoList().Count(), 0)
        << "a new edit empties the redo list";

    PressKey(editor.window->edtTitle, Qt::Key_F9, Qt::ShiftModifier);
    EXPECT_EQ(editor.Sent.back(), editor.Record()) << "F9 with any modifier sends";

    const Bytes edited = editor.Record();
    QTest::mouseClick(editor.window->btnUndo, Qt::LeftButton);
    EXPECT_NE(editor.Record(), edited);
    QTest::mouseClick(editor.window->btnRedo, Qt::LeftButton);
    EXPECT_EQ(editor.Record(), edited) << "the buttons do as the keys";
}

TEST_F(EditorTest, FilesAreOpenedSavedAndCheckedBeforeClosing) {
    TfrmPresetEditor::LastPresetFolder.clear(); // nothing saved yet in this run
    QTemporaryDir folder;
    Editor editor;
    editor.New();
    TfrmPresetEditor& window = *editor.window;
    editor.dialogs.Answers.push_back(QMessageBox::Cancel);
    EXPECT_FALSE(window.close()) << "a new preset asks; Cancel keeps it open";
    EXPECT_EQ(editor.dialogs.Messages.back().Text, "Do you want to save your changes?");

    const QString saved = folder.filePath("Bass.tmq");
    editor.dialogs.Names.push_back(saved);
    QTest::mouseClick(window.btnSaveAs, Qt::LeftButton);
    EXPECT_EQ(editor.dialogs.SaveSuggested,
              qEnvironmentVariable("QUELLFARN_TEST_DOCUMENTS") + "/Quellfarn/My new preset.tmq")
        << "a new document: its title in the default folder";
    EXPECT_TRUE(QFileInfo(qEnvironmentVariable("QUELLFARN_TEST_DOCUMENTS") + "/Quellfarn").isDir())
        << "made when first written to";
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.size(), 258);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.end()), editor.Record());
    EXPECT_EQ(window.windowTitle(), "ZOL TMQ-Quellfarn Plenova Preset Editor - " + saved);
    EXPECT_EQ(window.lblStatus->text(), "Saved");
    EXPECT_EQ(window.Document().UndoList().Count(), 0);
    EXPECT_FALSE(window.Document().HasEdits());
    editor.Nudge("trbMIXdry", 1, Qt::Key_Left);
    window.Document().RecordPending();
    EXPECT_TRUE(window.Document().HasEdits()) << "the first edit after a save is an edit";
    editor.Nudge("trbMIXdry", 1, Qt::Key_Right); // and back to what the file holds
    window.Document().RecordPending();
    editor.dialogs.Messages.clear();
    EXPECT_TRUE(window.close()) << "saved and unchanged: no question";
    EXPECT_TRUE(editor.dialogs.Messages.empty());

    window.Show();
    window.edtTitle->setText("Changed");
    editor.dialogs.Answers.push_back(QMessageBox::No);
    EXPECT_TRUE(window.close());
    EXPECT_EQ(editor.dialogs.Messages.size(), 1u) << "an edit after the save asks";

    // Undoing back over the save still counts as a change to the file.
    window.Show();
    editor.dialogs.Messages.clear();
    window.edtTitle->setText("Bass");
    editor.dialogs.Answers.push_back(QMessageBox::No);
    QTest::mouseClick(window.btnOpen, Qt::LeftButton);
    ASSERT_EQ(editor.dialogs.Messages.size(), 1u);

    const QString tooLong = folder.filePath("long.tmq");
    QFile longFile(tooLong);
    ASSERT_TRUE(longFile.open(QIODevice::WriteOnly));
    longFile.write(QByteArray(259, 0x11));
    longFile.close();
    editor.dialogs.Answers.push_back(QMessageBox::No);
    editor.dialogs.Names.push_back(tooLong);
    QTest::mouseClick(window.btnOpen, Qt::LeftButton);
    EXPECT_EQ(editor.dialogs.Messages.back().Text, "Not a valid preset file");
    EXPECT_EQ(window.Document().FileName(), saved) << "a failed open keeps the document's name";

    editor.dialogs.Answers.push_back(QMessageBox::No);
    editor.dialogs.Names.push_back(saved);
    QTest::mouseClick(window.btnOpen, Qt::LeftButton);
    EXPECT_EQ(window.edtTitle->text(), "My new preset");
    EXPECT_FALSE(window.Document().Preset.IsModified());

    editor.dialogs.Names.push_back(folder.filePath("no/such/folder/x.tmq"));
    window.edtTitle->setText("Other");
    QTest::mouseClick(window.btnSaveAs, Qt::LeftButton);
    EXPECT_THAT(editor.dialogs.Messages.back().Text.toStdString(),
                testing::HasSubstr("Cannot write"));
    EXPECT_EQ(window.Document().FileName(), saved) << "a failed save changes nothing";
}

// The store asked for: the slot the dialog proposes and the user chooses, and what its boxes say.
TEST_F(EditorTest, StoreProposesTheSlotAndAsksForItsStore) {
    struct Choice {
        int Slot;
        bool SendFirst;
        bool Keep;
        bool Verify;
    };
    const auto store = [](Editor& editor, const Choice& choice) {
        AnswerModal<TfrmStorePrompt>([choice](TfrmStorePrompt& prompt) {
            if (choice.Slot > 0)
                prompt.edtPresetNo->setText(QString::number(choice.Slot));
            prompt.chkDoSend->setChecked(choice.SendFirst);
            prompt.chkKeepReplaced->setChecked(choice.Keep);
            prompt.chkVerify->setChecked(choice.Verify);
            QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(editor.window->btnStore, Qt::LeftButton);
    };
    Editor editor;
    editor.New();
    editor.window->SetFileName("/presets/Slap.tmq017");
    int proposed = 0;
    AnswerModal<TfrmStorePrompt>([&](TfrmStorePrompt& prompt) {
        proposed = prompt.Location();
        prompt.chkDoSend->setChecked(true);
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor.window->btnStore, Qt::LeftButton);
    EXPECT_EQ(proposed, 17) << "the slot from the backup's file name";
    ASSERT_EQ(editor.Stores.size(), 1u);
    EXPECT_EQ(editor.Stores[0].Slot, 17);
    EXPECT_TRUE(editor.Stores[0].SendFirst) << "sent first, as the box asked";
    EXPECT_EQ(editor.Stores[0].Bank, -1) << "into the bank the unit is in";
    EXPECT_EQ(editor.Stores[0].Dump, editor.Record());
    EXPECT_EQ(editor.window->lblStatus->text(), "Stored in slot 17");

    for (const Choice& choice : {Choice{128, false, true, false}, Choice{129, true, false, true},
                                 Choice{200, false, true, true}}) {
        store(editor, choice);
        ASSERT_FALSE(editor.Stores.empty());
        const TStoreRequest& asked = editor.Stores.back();
        EXPECT_EQ(asked.Slot, choice.Slot);
        EXPECT_EQ(asked.SendFirst, choice.SendFirst) << choice.Slot;
        EXPECT_EQ(asked.Keep, choice.Keep) << choice.Slot;
        EXPECT_EQ(asked.Verify, choice.Verify) << choice.Slot;
    }
    const auto told = [&editor] {
        int shown = 0;
        AnswerModal<TfrmStorePrompt>([&shown](TfrmStorePrompt& prompt) {
            shown = prompt.Location();
            QTest::mouseClick(prompt.btnCancel, Qt::LeftButton);
        });
        QTest::mouseClick(editor.window->btnStore, Qt::LeftButton);
        return shown;
    };
    EXPECT_EQ(told(), 200) << "later uses keep the last number, not the file's";
    editor.CurrentSlot = 42; // the unit tells its current slot
    EXPECT_EQ(told(), 42);
    EXPECT_EQ(editor.Stores.size(), 4u) << "Cancel stores nothing";
}

TEST_F(EditorTest, SwitchesFollowTheChain) {
    Editor editor;
    TPreset preset = PresetWith({1}, {"Low Pass", "Regen DDL S"});
    for (const int state : {7, 0, 2})
        preset.K27States[static_cast<std::size_t>(state)] = true;
    editor.Load(preset);
    TfrmPresetEditor& window = *editor.window;
    const std::vector<QCheckBox*> on = {window.Switches().chkK27cmp, window.Switches().chkK27equ,
                                        window.Switches().chkK27dly};
    for (QCheckBox* box : window.Switches().K27Boxes) {
        const bool usable = std::find(on.begin(), on.end(), box) != on.end();
        EXPECT_EQ(box->isEnabled(), usable) << box->objectName().toStdString();
        EXPECT_EQ(box->isChecked(), usable) << box->objectName().toStdString();
    }
    EXPECT_TRUE(window.Document().Preset.K27States[7] && window.Document().Preset.K27States[0] &&
                window.Document().Preset.K27States[2]);
    window.chkAutoSend->setChecked(false);
    window.pgcPreset->setCurrentWidget(window.tsK27states);
    ClickBox(window.Switches().chkK27dly);
    EXPECT_FALSE(window.Document().Preset.K27States[2]);
    EXPECT_EQ(editor.Sent.size(), 1u) << "sent at once";
    editor.Add("Flanger");
    EXPECT_TRUE(window.Switches().chkK27dly->isChecked()) << "re-evaluated: usable switches go on";
    EXPECT_TRUE(window.Document().Preset.K27States[2]);
    EXPECT_TRUE(window.Switches().chkK27fla->isChecked());
}

TEST_F(EditorTest, ARadioValueWithoutAnItemIsKept) {
    TPreset preset = PresetWith({1}, {});
    preset.ParameterValues[7] = 40; // slope: no such item
    Editor editor;
    editor.Load(preset);
    TParameterControl& slope = editor.Control("ragCMPslope");
    for (QRadioButton* button : slope.Radio->Buttons())
        EXPECT_FALSE(button->isChecked());
    EXPECT_EQ(editor.window->Document().Preset.ParameterValues[7], 40);
    EXPECT_TRUE(editor.dialogs.Messages.empty());
}

namespace {
// F10 in the main window, then a double click on the dump in the monitor's log, as a user opens
// the unit's current preset: the editor that opens, or null.
TfrmPresetEditor* OpenTheUnitsPreset(MainRig& rig, TfrmMain& window) {
    QTest::keyClick(&window, Qt::Key_F10);
    if (!PumpUntil([&] { return rig.Log().filter("Sysex (258)").size() == 1; }))
        return nullptr;
    window.SetLogDblClickAction(1);
    window.pgcTab->setCurrentWidget(window.tsMonitor);
    const int line = rig.Log().indexOf(rig.Log().filter("Sysex (258)").first());
    window.lbxLog->SetCurrentLine(line);
    const QPoint at = window.lbxLog->LineRect(line).center();
    QTest::mouseClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    const std::vector<TfrmPresetEditor*> editors = window.PresetEditors();
    return editors.size() == 1 ? editors[0] : nullptr;
}
} // namespace

// The main window hands received presets to editors and gives them the processor.
TEST(PresetHandOff, ADumpFromTheUnitOpensEditsAndStoresInTheUnit) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    TfrmPresetEditor* opened = OpenTheUnitsPreset(rig, window);
    ASSERT_NE(opened, nullptr);
    TfrmPresetEditor& editor = *opened;
    ASSERT_TRUE(editor.isVisible());
    TPreset received;
    received.Decode(TByteView(window.MessageBytes.data(), 258));
    EXPECT_EQ(editor.Document().Preset.ParameterValues, received.ParameterValues)
        << "the dump as received";
    EXPECT_EQ(editor.Document().Preset.Title, received.Title);
    EXPECT_EQ(editor.edtTitle->text().toStdString(), received.Title);

    // Switch a block on (sent at once), move a slider (sent a second later).
    editor.Chain().cklAnalogSelect->item(8)->setCheckState(
        editor.Chain().cklAnalogSelect->item(8)->checkState() == Qt::Checked ? Qt::Unchecked
                                                                             : Qt::Checked);
    TParameterControl* master = editor.Parameters().Find("trbMIXdry");
    master->TrackBar->setFocus();
    PressKey(master->TrackBar, Qt::Key_Left);
    const Bytes edited = editor.Document().Preset.Encode();
    ASSERT_TRUE(PumpUntil(
        [&] {
            return rig.Unit([&](TPlenovaDevice& unit) {
                return Bytes(unit.EditBuffer.begin() + 5, unit.EditBuffer.end()) ==
                       Bytes(edited.begin() + 5, edited.end());
            });
        },
        4000))
        << "the unit's edit buffer holds what the editor shows";

    // Stored as the unit holds it: the edits went out as they were made.
    AnswerModal<TfrmStorePrompt>([](TfrmStorePrompt& prompt) {
        prompt.edtPresetNo->setText("17");
        prompt.chkDoSend->setChecked(false);
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor.btnStore, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return rig.Unit([&](TPlenovaDevice& unit) {
                const TBytes& slot = unit.Banks[static_cast<std::size_t>(unit.CurrentBank)][16];
                return Bytes(slot.begin() + 5, slot.end()) ==
                       Bytes(edited.begin() + 5, edited.end());
            });
        },
        4000))
        << "slot 17 holds the edited preset";

    // A second received preset while the first editor is shown: a second window; a hidden
    // one is reused.
    window.OpenBufferInEditor();
    EXPECT_EQ(window.PresetEditors().size(), 2u);
    window.PresetEditors()[1]->hide();
    window.OpenBufferInEditor();
    EXPECT_EQ(window.PresetEditors().size(), 2u);
    EXPECT_TRUE(window.PresetEditors()[1]->isVisible());
}

TEST(PresetHandOff, MenusAndTheEditItemFollowTheBuffer) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    QGuiApplication::clipboard()->clear();
    // The buffer's pop-up menu as the right mouse button opens it.
    const auto popUp = [&] {
        bool enabled = false;
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [&enabled, poll] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            for (QAction* item : menu->actions())
                if (item->objectName() == "pmiEdit")
                    enabled = item->isEnabled();
            menu->close();
            poll->deleteLater();
        });
        poll->start(10);
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(20, 20),
                                window.memMsgBuf->viewport()->mapToGlobal(QPoint(20, 20)));
        QApplication::sendEvent(window.memMsgBuf->viewport(), &click);
        return enabled;
    };
    window.MessageByteCount = 258;
    window.MessageBytes.fill(0);
    EXPECT_TRUE(popUp()) << "\"&Edit...\" for any 258 bytes";
    window.pmiEdit->trigger();
    EXPECT_TRUE(window.PresetEditors().empty()) << "but only a preset dump opens";
    window.MessageByteCount = 257;
    EXPECT_FALSE(popUp());
    window.MessageByteCount = 406;
    EXPECT_TRUE(popUp()) << "and for a table's length";

    TfrmPresetEditor* created = window.NewPresetEditor();
    EXPECT_TRUE(created->isVisible());
    created->edtTitle->setText("Unsaved");
    rig.dialogs.Answers.push_back(QMessageBox::Cancel);
    EXPECT_FALSE(window.close()) << "the editor's Cancel keeps the program running";
    EXPECT_TRUE(window.isVisible());
    rig.dialogs.Answers.push_back(QMessageBox::No);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(created->isVisible());
}

TEST_F(EditorTest, SwitchingBetweenVariantsOfATabIsNoEditOfItsOwn) {
    Editor editor;
    editor.Load(PresetWith({}, {"Gate Verb 2"}));
    editor.Remove("Gate Verb 2");
    editor.Add("Gate Verb 1"); // the decay slider's range shrinks from 0..7 to 0..4
    PumpFor(1300);
    EXPECT_EQ(editor.Sent.size(), 2u) << "the two chain edits, nothing more";
    EXPECT_EQ(editor.window->Document().UndoList().Count(), 3);
}

TEST_F(EditorTest, APresetThatDidNotGoOutIsNotReportedAsSent) {
    Editor editor;
    editor.window->Document().OnSendPreset = [](std::istream&) {
        return QStringLiteral("MIDI Out device not available");
    };
    editor.Load(PresetWith({}, {}));
    editor.Add("Tuner");
    EXPECT_EQ(editor.window->lblStatus->text(), "Modified");
    TypeOver(editor.window->edtTitle, "Dub ");
    QTest::sendKeyEvent(QTest::Press, editor.window->edtTitle, Qt::Key_Eacute, QString(QChar(0xE9)),
                        Qt::NoModifier);
    EXPECT_EQ(editor.window->edtTitle->text(), "Dub ") << "the title takes what the unit shows";
}

// Which foot switch each effect alone makes usable, the state index each switch stores to, and
// that undo and showing a preset leave the switches as the record has them.
TEST_F(EditorTest, EachSwitchIsUsableThroughItsEffectsAndStoresItsOwnState) {
    struct Rule {
        const char* Box;
        int State;
        std::vector<int> Analog;
        std::vector<std::string> Digital;
    };
    const Rule rules[] = {
        {"chkK27exc", 6, {4}, {}},
        {"chkK27cmp", 7, {1}, {}},
        {"chkK27dst", 8, {3, 5}, {}},
        {"chkK27equ", 0, {8}, {"Low Pass"}},
        {"chkK27exp", 9, {2, 7}, {}},
        {"chkK27rev",
         1,
         {},
         {"Reverb 1", "Reverb 2", "Reverb 3", "Gate Verb 1", "Gate Verb 2", "Gate Verb 3"}},
        {"chkK27dly",
         2,
         {},
         {"Tapped DDL S", "Tapped DDL L", "Regen DDL S", "Regen DDL L", "Stereo DDL S",
          "Stereo DDL L"}},
        {"chkK27ptr", 3, {}, {"Pitch-Trans", "Dual PTr"}},
        {"chkK27fla", 4, {}, {"Flanger", "Phaser", "Chorus"}},
        {"chkK27sfx",
         5,
         {9, 6},
         {"Panner", "MIDI-Pan", "Tuner", "Sampler S", "Sampler L", "Sampler+PTr", "Tremolo"}},
    };
    const auto usable = [](Editor& editor) {
        QStringList names;
        for (QCheckBox* box : editor.window->Switches().K27Boxes)
            if (box->isEnabled())
                names << box->objectName();
        return names;
    };
    for (const Rule& rule : rules) {
        for (const int block : rule.Analog) {
            Editor editor;
            editor.Load(PresetWith({block}, {}));
            EXPECT_EQ(usable(editor), QStringList{rule.Box}) << "analog block " << block;
        }
        for (const std::string& effect : rule.Digital) {
            Editor editor;
            editor.Load(PresetWith({}, {effect}));
            EXPECT_EQ(usable(editor), QStringList{rule.Box}) << effect;
        }
        Editor editor;
        editor.Load(rule.Analog.empty() ? PresetWith({}, {rule.Digital.front()})
                                        : PresetWith({rule.Analog.front()}, {}));
        auto* box = editor.window->findChild<QCheckBox*>(rule.Box);
        const auto before = editor.window->Document().Preset.K27States;
        editor.window->pgcPreset->setCurrentWidget(editor.window->tsK27states);
        ClickBox(box);
        auto expected = before;
        expected[static_cast<std::size_t>(rule.State)] =
            !before[static_cast<std::size_t>(rule.State)];
        EXPECT_EQ(editor.window->Document().Preset.K27States, expected) << rule.Box;
    }
}

TEST_F(EditorTest, UndoAndShowingAPresetLeaveTheSwitchesAsRecorded) {
    // A received preset whose switches of absent groups are on stays as it came.
    TPreset received = PresetWith({1}, {"Flanger"});
    received.K27States.fill(true);
    Editor editor;
    editor.Load(received);
    EXPECT_FALSE(editor.window->Document().Preset.IsModified()) << "showing changes nothing";
    EXPECT_EQ(editor.window->Document().Preset.K27States, received.K27States);
    EXPECT_TRUE(editor.window->Switches().chkK27rev->isChecked()) << "shown as stored";
    EXPECT_FALSE(editor.window->Switches().chkK27rev->isEnabled()) << "its group is absent";

    // Flanger/Chorus switched off, then a later edit undone: it stays off, on screen and at the
    // unit.
    editor.window->pgcPreset->setCurrentWidget(editor.window->tsK27states);
    ClickBox(editor.window->Switches().chkK27fla);
    ASSERT_FALSE(editor.window->Document().Preset.K27States[4]);
    editor.window->pgcPreset->setCurrentWidget(editor.window->tsAnalogEffects);
    editor.Nudge("trbCMPdrive", 3);
    PressKey(editor.window->edtTitle, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_FALSE(editor.window->Document().Preset.K27States[4]);
    EXPECT_FALSE(editor.window->Switches().chkK27fla->isChecked());
    EXPECT_EQ(editor.window->Document().Preset.ParameterValues[6], 24);
    EXPECT_EQ(editor.Sent.back(), editor.Record());
    EXPECT_TRUE(editor.window->Document().Preset.K27States[1])
        << "the absent group's bit is still kept";

    // The switch's own click undone and redone.
    PressKey(editor.window->edtTitle, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(editor.window->Switches().chkK27fla->isChecked());
    PressKey(editor.window->edtTitle, Qt::Key_Y, Qt::ControlModifier);
    // The redone preset is shown as recorded: the box shows what the record holds and what was
    // sent.
    EXPECT_EQ(editor.window->Switches().chkK27fla->isChecked(),
              editor.window->Document().Preset.K27States[4]);
    EXPECT_EQ(editor.Sent.back(), editor.Record());
}

// A preset opened and not edited is the preset that came in: its switches are shown as stored,
// an absent group's bit included, and nothing of it counts as an edit. The user's next chain
// edit turns the usable switches on; undoing it brings the stored ones back.
TEST_F(EditorTest, OpeningAPresetKeepsItsStoredSwitches) {
    const auto stored = [](TPreset preset, std::initializer_list<int> on) {
        for (const int state : on)
            preset.K27States[static_cast<std::size_t>(state)] = true;
        return preset.Encode();
    };
    struct Case {
        const char* Name;
        Bytes Dump;
        bool FromFile;
        QStringList Usable;
        int Block;               // the analog block the user then switches on
        const char* BlockSwitch; // the box it makes usable
    };
    const Case cases[] = {
        {"compressor, low pass, delay: only the delay on, reverb on without its group",
         stored(PresetWith({1}, {"Low Pass", "Stereo DDL S"}), {2, 1}), false,
         QStringList{"chkK27cmp", "chkK27equ", "chkK27dly"}, 4, "chkK27exc"},
        {"preamp and flanger all off, special effects on without its group, from a file",
         stored(PresetWith({5}, {"Flanger"}), {5}), true, QStringList{"chkK27dst", "chkK27fla"}, 7,
         "chkK27exp"},
        {"an empty chain, every switch on",
         stored(PresetWith({}, {}), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}), false, QStringList{}, 8,
         "chkK27equ"},
    };
    QTemporaryDir folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Editor editor;
        TfrmPresetEditor& window = *editor.window;
        if (c.FromFile) {
            const QString name = folder.filePath("stored.tmq");
            QFile file(name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(reinterpret_cast<const char*>(c.Dump.data()),
                       static_cast<qint64>(c.Dump.size()));
            file.close();
            editor.New();
            editor.dialogs.Answers.push_back(QMessageBox::No); // the new preset is let go
            editor.dialogs.Names.push_back(name);
            QTest::mouseClick(window.btnOpen, Qt::LeftButton);
            editor.dialogs.Messages.clear();
        } else {
            TPreset preset;
            preset.Decode(c.Dump);
            editor.Load(preset);
        }
        TPreset opened;
        opened.Decode(c.Dump);
        const auto storedOn = [&opened](QCheckBox* box) {
            const auto name = std::find_if(
                kFootSwitchNames.begin(), kFootSwitchNames.end(),
                [box](const TFootSwitchName& entry) { return box->objectName() == entry.Control; });
            return opened.K27States[static_cast<std::size_t>(name - kFootSwitchNames.begin())];
        };
        const auto shownAsStored = [&] {
            for (QCheckBox* box : window.Switches().K27Boxes)
                EXPECT_EQ(box->isChecked(), storedOn(box)) << box->objectName().toStdString();
        };

        EXPECT_EQ(editor.Record(), c.Dump);
        EXPECT_FALSE(window.Document().Preset.IsModified());
        EXPECT_TRUE(window.ChangeLines().isEmpty())
            << window.ChangeLines().join(" | ").toStdString();
        EXPECT_TRUE(editor.Sent.empty());
        EXPECT_TRUE(window.close()) << "Exit lets it go without a question";
        EXPECT_TRUE(editor.dialogs.Messages.empty());
        window.show();
        QStringList usable;
        for (QCheckBox* box : window.Switches().K27Boxes)
            if (box->isEnabled())
                usable << box->objectName();
        EXPECT_EQ(usable, c.Usable);
        shownAsStored();

        QListWidget* analog = window.Chain().cklAnalogSelect;
        analog->setCurrentRow(c.Block);
        analog->setFocus();
        PressKey(analog, Qt::Key_Space);
        ASSERT_TRUE(window.Document().Preset.AnalogOn[static_cast<std::size_t>(c.Block)]);
        for (QCheckBox* box : window.Switches().K27Boxes) {
            const std::string name = box->objectName().toStdString();
            const bool nowUsable = c.Usable.contains(box->objectName()) || name == c.BlockSwitch;
            EXPECT_EQ(box->isEnabled(), nowUsable) << name;
            EXPECT_EQ(box->isChecked(), nowUsable || storedOn(box)) << name;
        }
        ASSERT_FALSE(editor.Sent.empty());
        EXPECT_EQ(editor.Sent.back(), editor.Record()) << "the switches go out with the edit";

        PressKey(window.edtTitle, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(editor.Record(), c.Dump) << "undone back to the preset as opened";
        shownAsStored();
    }
}

// What a user reads in the editor, word for word.
TEST_F(EditorTest, CaptionsHintsAndNamesReadAsWritten) {
    Editor editor;
    editor.New();
    const std::vector<std::tuple<const char*, const char*, const char*>> buttons = {
        {"btnOpen", "&Open", "Open another preset..."},
        {"btnUndo", "&Undo", "0 items in undo list   [Ctrl+Z]"},
        {"btnRedo", "&Redo", "0 items in redo list   [Ctrl+Y]"},
        {"btnSaveAs", "&Save...", "Save this preset to a file"},
        {"btnSendOut", "Sen&d", "Send preset to MIDI out (F9)"},
        {"btnStore", "S&tore...", "Store the current preset at..."},
        {"btnPrint", "&Print", "Print preset data"},
        {"btnPrtSetup", "S&etup", "Printer selection/configuration"},
        {"btnExit", "E&xit", "Just what it says"},
        {"btnDigGrp", "Groups...", "View / select from list of valid digital groups"},
        {"btnPMIadd", "Add", "Add new controller"},
        {"btnK27left", "K27 &left",
         "This selects the default controller used by the K27's left pedal"},
        {"btnK27right", "K27 ri&ght",
         "This selects the default controller used by the K27's right pedal"},
    };
    for (const auto& [name, caption, hint] : buttons) {
        auto* button = editor.window->findChild<QAbstractButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), caption) << name;
        EXPECT_EQ(button->toolTip(), hint) << name;
    }
    const std::vector<std::pair<const char*, const char*>> hints = {
        {"chkAutoSend", "Check on to automatically send changes to MIDI out"},
        {"cklAnalogSelect", "Click on to add, off to remove effects"},
        {"lbxDigAvail", "Double-click (or use arrow) to add effect"},
        {"lbxDigSel", "Double-click (or use arrow) to remove effect"},
        {"lbxPMIdefctl", "Right-click for options..."},
        {"lblPMIcurrval", "The current value of the selected parameter"},
        {"scrLowValue", "The minimum parameter value (may be > max to specify a reversed range)"},
        {"scrHighValue", "The maximum parameter value (may be < min to specify a reversed range)"},
        {"grdPMctl", "The controller no. to be monitored for these parameter changes (you can key "
                     "in your own controller names)"},
    };
    for (const auto& [name, hint] : hints)
        EXPECT_EQ(editor.window->findChild<QWidget*>(name)->toolTip(), hint) << name;
    EXPECT_EQ(editor.Items(editor.window->Chain().cklAnalogSelect),
              (QStringList{"Patch Bay", "Compressor", "Expander", "Distortion", "Exciter", "Preamp",
                           "Envelope Filter", "Noise Gate", "Equalizer", "A.E.S.",
                           "Effect Crossover", "Prog. Level"}));
    QStringList tabs;
    for (int tab = 0; tab < editor.window->pgcAnalogParams->count(); ++tab)
        tabs << editor.window->pgcAnalogParams->tabText(tab);
    EXPECT_EQ(tabs, (QStringList{"Patch Bay", "Compressor", "Expander", "Distortion", "Exciter",
                                 "Preamp", "Envelope Filter", "NoiseGate", "Equalizer", "AES",
                                 "Effect Crossover", "Prog Level"}));
    QStringList switches;
    for (QCheckBox* box : editor.window->Switches().K27Boxes)
        switches << box->text();
    EXPECT_EQ(switches, (QStringList{"Exciter", "Compressor", "Distortion", "Equalizer",
                                     "Expander/Noise gate", "Reverb", "Delay", "Pitch Transposer",
                                     "Flanger/Chorus", "Special Effects"}));
    EXPECT_EQ(editor.window->Performance().pmiAddController->text(), "&Add controller");
    EXPECT_EQ(editor.window->Performance().pmiDeleteController->text(), "Delete Controller");
    EXPECT_EQ(editor.window->Chain().grpAnalogFX->title(), "Analog Effects");
    EXPECT_EQ(editor.window->Chain().grpDigFX->title(), "Digital Effects");
}

// Switching a block on sets its own parameters back to their defaults, and only those; off, the
// first visible tab becomes the active one.
TEST_F(EditorTest, SwitchingABlockResetsItsOwnParametersAndMovesTheTab) {
    for (int block = 0; block < kAnalogBlockCount; ++block) {
        TPreset preset = PresetWith({}, {});
        for (int slot = 0; slot < kDigitalAreaStart; ++slot)
            preset.ParameterValues[static_cast<std::size_t>(slot)] = 1; // nobody's default
        Editor editor;
        editor.Load(preset);
        editor.CheckAnalog(block, true);
        const TAnalogBlock& info = AnalogBlocks()[static_cast<std::size_t>(block)];
        for (int slot = 0; slot < kDigitalAreaStart; ++slot) {
            const bool own = slot >= info.FirstSlot && slot < info.FirstSlot + info.ParameterCount;
            EXPECT_EQ(
                editor.window->Document().Preset.ParameterValues[static_cast<std::size_t>(slot)],
                own ? DefaultParameterValue(slot) : 1)
                << "block " << block << ", slot " << slot;
        }
    }
    Editor editor;
    editor.Load(PresetWith({1, 3, 8}, {}));
    editor.window->pgcAnalogParams->setCurrentIndex(8);
    editor.CheckAnalog(3, false);
    EXPECT_EQ(editor.window->pgcAnalogParams->currentIndex(), 1) << "the first visible tab";
}

// The add and remove arrows are usable while their list holds a highlighted name and has the
// focus (or handed it to the arrow), whether the name was chosen by click or by keys.
TEST_F(EditorTest, TheChainArrowsFollowTheHighlightAndTheFocus) {
    Editor editor;
    editor.Load(PresetWith({}, {"Tuner"}));
    editor.window->activateWindow();
    QApplication::setActiveWindow(editor.window.get());
    QListWidget* available = editor.window->Chain().lbxDigAvail;
    available->setFocus();
    PressKey(available, Qt::Key_Down);
    EXPECT_TRUE(editor.window->Chain().btnAddDfx->isEnabled());
    editor.window->edtTitle->setFocus();
    EXPECT_FALSE(editor.window->Chain().btnAddDfx->isEnabled()) << "the focus went elsewhere";
    QListWidget* selected = editor.window->Chain().lbxDigSel;
    QTest::mouseClick(selected->viewport(), Qt::LeftButton, Qt::NoModifier,
                      selected->visualItemRect(selected->item(0)).center());
    EXPECT_TRUE(editor.window->Chain().btnDelDfx->isEnabled());
    QTest::mouseClick(editor.window->Chain().btnDelDfx, Qt::LeftButton);
    EXPECT_EQ(selected->count(), 0);
}

// A/B against the unit: F5 and the button show and send the preset as it was received and the
// edited one again, with no undo step and the modified state kept; a key that would edit goes
// back first. The changes list follows a slider, a block switched on and the title, and a click
// on a line shows its control.
TEST(PresetHandOff, CompareSwitchesTheUnitAndTheWindowAndTheChangesSayWhat) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    TfrmPresetEditor* opened = OpenTheUnitsPreset(rig, window);
    ASSERT_NE(opened, nullptr);
    TfrmPresetEditor& editor = *opened;
    const TBytes received = editor.Document().Reference();
    ASSERT_TRUE(IsPresetDump(received));
    const std::string title = PresetTitleOf(received);
    const auto unitHolds = [&](const TBytes& dump) {
        return PumpUntil([&] {
            return rig.Unit([&](TPlenovaDevice& unit) {
                return Bytes(unit.EditBuffer.begin() + 5, unit.EditBuffer.end()) ==
                       Bytes(dump.begin() + 5, dump.end());
            });
        });
    };

    TParameterControl* dry = editor.Parameters().Find("trbMIXdry");
    dry->TrackBar->setFocus();
    PressKey(dry->TrackBar, Qt::Key_Left);
    QListWidgetItem* block = editor.Chain().cklAnalogSelect->item(8);
    const bool wasOn = block->checkState() == Qt::Checked;
    block->setCheckState(wasOn ? Qt::Unchecked : Qt::Checked);
    editor.edtTitle->setFocus();
    editor.edtTitle->end(false);
    QTest::keyClicks(editor.edtTitle, "X");
    const std::string blockName(AnalogBlocks()[8].Name);
    // Besides the switches the chain edit turns on and the block's own parameters reset.
    const QStringList wanted = {
        QString::fromStdString("Title: " + title + " \u2192 " + title + "X"),
        QString::fromStdString(blockName + (wasOn ? " switched off" : " switched on")),
        "Mix \u00b7 Dry: 100% \u2192 96%"};
    ASSERT_TRUE(PumpUntil([&] {
        return std::all_of(wanted.begin(), wanted.end(), [&](const QString& line) {
            return editor.ChangeLines().contains(line);
        });
    })) << editor.ChangeLines().join(" | ").toStdString();
    EXPECT_EQ(editor.ChangeLines().indexOf(wanted[0]), 0) << "the title first, the chain next";
    EXPECT_EQ(editor.ChangeLines().indexOf(wanted[1]), 1);
    const QStringList listed = editor.ChangeLines();
    editor.Document().RecordPending();
    const TBytes edited = editor.Document().Preset.Encode();
    const std::size_t steps = editor.Document().UndoList().Count();
    ASSERT_TRUE(unitHolds(edited));

    // F5: the received preset, in the window and the unit; nothing recorded.
    PressKey(editor.edtTitle, Qt::Key_F5);
    EXPECT_TRUE(editor.Comparing());
    EXPECT_EQ(editor.lblStatus->text(), "Comparing with the loaded preset");
    EXPECT_EQ(editor.edtTitle->text().toStdString(), title);
    EXPECT_TRUE(unitHolds(received));
    EXPECT_EQ(editor.Document().UndoList().Count(), steps);
    EXPECT_TRUE(editor.Document().NeedsSaving());
    EXPECT_EQ(editor.ChangeLines(), listed) << "the list still tells the edited preset";
    // A key that would edit: back to the edited preset first, and the key does nothing else.
    PressKey(editor.edtTitle, Qt::Key_A);
    EXPECT_FALSE(editor.Comparing());
    EXPECT_EQ(editor.lblStatus->text(), "Back to the edited preset");
    EXPECT_EQ(editor.Document().Preset.Encode(), edited);
    EXPECT_TRUE(unitHolds(edited));

    // The button, twice.
    QTest::mouseClick(editor.btnCompare, Qt::LeftButton);
    EXPECT_TRUE(editor.Comparing() && editor.btnCompare->isChecked());
    EXPECT_TRUE(unitHolds(received));
    QTest::mouseClick(editor.btnCompare, Qt::LeftButton);
    EXPECT_FALSE(editor.Comparing() || editor.btnCompare->isChecked());
    EXPECT_EQ(editor.Document().Preset.Encode(), edited);
    EXPECT_EQ(editor.Document().UndoList().Count(), steps);

    // A click on a line shows its control.
    for (const auto& [text, control] :
         {std::pair{wanted[2], (QWidget*)dry->TrackBar},
          std::pair{wanted[1], (QWidget*)editor.Chain().cklAnalogSelect},
          std::pair{wanted[0], (QWidget*)editor.edtTitle}}) {
        QListWidgetItem* line = editor.lstChanges->item(listed.indexOf(text));
        editor.lstChanges->scrollToItem(line);
        QTest::mouseClick(editor.lstChanges->viewport(), Qt::LeftButton, Qt::NoModifier,
                          editor.lstChanges->visualItemRect(line).center());
        EXPECT_TRUE(control->hasFocus()) << line->text().toStdString();
    }

    // The slot it came from, read again: the unit's slot differs from the editor as the list says.
    QStringList fromUnit;
    QString said;
    AnswerModal<TfrmCompare>([&](TfrmCompare& compare) {
        fromUnit = compare.Lines();
        said = compare.lblWhat->text();
    });
    QTest::mouseClick(editor.btnCompareUnit, Qt::LeftButton);
    ASSERT_TRUE(PumpUntil([&] { return !said.isEmpty(); }));
    EXPECT_TRUE(said.contains(" in the unit to this editor, ")) << said.toStdString();
    EXPECT_EQ(fromUnit, listed);
}

// Values typed into the field that Enter on a control (or a double-click on its value text)
// opens: each kind of control takes its own texts and plain numbers; a refusal says what the
// control takes and changes nothing; Escape leaves the value as it was.
TEST_F(EditorTest, TypedValuesMoveTheControlAsTheUserWould) {
    struct Case {
        const char* control;
        const char* typed;
        std::optional<int> stored; // nothing: refused
        bool byDoubleClick = false;
    };
    const std::vector<Case> cases{
        {"trbCMPdrive", "82%", 25},
        {"trbCMPdrive", "100", 31, true},
        {"trbCMPdrive", "loud", std::nullopt, true},
        {"ragCMPslope", "limit", 5},
        {"scrEQU40Hz", "-12", 1},
        {"chkPBYloop1", "off", 0},
        {"lstPTRbase_key", "c 4", 60},
        {"trbPTRpitch", "+5", 17},
        {"trbPTRfine", "-4", 0},
    };
    Editor editor;
    editor.Load(PresetWith({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {"Pitch-Trans"}));
    editor.window->chkAutoSend->setChecked(false);
    TPreset& preset = editor.window->Document().Preset;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.control) + " \"" + c.typed + '"');
        TParameterControl& control = editor.Control(c.control);
        QTabWidget* tabs = qobject_cast<QTabWidget*>(control.Tab->parentWidget()->parentWidget());
        if (tabs != nullptr)
            tabs->setCurrentWidget(control.Tab);
        const std::size_t slot = static_cast<std::size_t>(control.Slot);
        const int before = preset.ParameterValues[slot];
        if (c.byDoubleClick) {
            ASSERT_NE(control.ValueLabel, nullptr);
            QTest::mouseDClick(control.ValueLabel, Qt::LeftButton);
        } else {
            // A radio group has the focus on its buttons; the key reaches the group from there.
            QWidget* focus =
                control.Radio != nullptr
                    ? static_cast<QWidget*>(control.Radio->findChildren<QRadioButton*>().first())
                    : control.Widget;
            focus->setFocus();
            PressKey(focus, Qt::Key_Return);
        }
        auto* field = qobject_cast<QLineEdit*>(editor.window->Parameters().TypedValueField());
        ASSERT_NE(field, nullptr) << "the field opened";
        EXPECT_EQ(field->text().toStdString(), ParameterValueText(*control.Info, before))
            << "it begins with the value shown";
        field->selectAll();
        QTest::keyClicks(field, QString::fromLatin1(c.typed));
        PressKey(field, Qt::Key_Return);
        if (!c.stored) {
            EXPECT_EQ(editor.window->Parameters().TypedValueField(), field) << "still open";
            EXPECT_EQ(field->toolTip().toStdString(), ParameterValueHint(*control.Info));
            EXPECT_EQ(preset.ParameterValues[slot], before);
            PressKey(field, Qt::Key_Escape);
            EXPECT_EQ(editor.window->Parameters().TypedValueField(), nullptr);
            EXPECT_EQ(preset.ParameterValues[slot], before);
            continue;
        }
        EXPECT_EQ(editor.window->Parameters().TypedValueField(), nullptr) << "closed";
        EXPECT_EQ(preset.ParameterValues[slot], *c.stored);
        if (control.ValueLabel != nullptr) {
            EXPECT_EQ(control.ValueLabel->text().toStdString(),
                      ParameterValueText(*control.Info, *c.stored));
        }
        EXPECT_TRUE(editor.window->lblStatus->text().startsWith("Modified")); // switches: and sent
    }
    EXPECT_EQ(editor.Control("scrEQU40Hz").Meter->Position(), 1);
}

// Only a store the unit was seen to hold takes the edits off the editor's hands; a store that
// could not be checked, or failed its check, leaves them unsaved, and so does undoing a store.
TEST_F(EditorTest, EditsCountAsUnsavedUntilTheUnitIsSeenToHoldThem) {
    struct Case {
        bool stored, verified;
        bool editsAfter;
    };
    for (const Case& c :
         {Case{true, true, false}, Case{true, false, true}, Case{false, false, true}}) {
        SCOPED_TRACE(std::to_string(c.stored) + std::to_string(c.verified));
        Editor editor;
        editor.Load(PresetWith({1}, {}));
        editor.window->chkAutoSend->setChecked(false);
        editor.window->edtTitle->setText("Edited");
        ASSERT_TRUE(editor.window->Document().HasEdits());
        editor.Outcome.Stored = c.stored;
        editor.Outcome.Verified = c.verified;
        editor.Outcome.Replaced = PresetWith({}, {}).Encode(); // kept: the store can be undone
        AnswerModal<TfrmStorePrompt>([](TfrmStorePrompt& prompt) {
            prompt.edtPresetNo->setText("5");
            QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
        });
        QTest::mouseClick(editor.window->btnStore, Qt::LeftButton);
        ASSERT_EQ(editor.Stores.size(), 1u);
        EXPECT_EQ(editor.window->Document().HasEdits(), c.editsAfter);
        if (!c.stored)
            continue;
        ASSERT_TRUE(editor.window->btnUndoStore->isEnabled());
        QTest::mouseClick(editor.window->btnUndoStore, Qt::LeftButton);
        EXPECT_TRUE(editor.window->Document().HasEdits()) << "the unit has its former preset back";
    }
}

TEST_F(EditorTest, ABlockCopiedInOneEditorIsPastedIntoAnotherAsOneSentUndoStep) {
    Editor from;
    TPreset ballad = PresetWith({1}, {"Chorus"});
    ballad.Title = "Ballad";
    ballad.ParameterValues[6] = 10; // Compressor drive
    ballad.ParameterValues[7] = 5;  // slope LIMIT
    from.Load(ballad);
    from.window->pgcAnalogParams->setCurrentIndex(1);
    PressKey(from.window->edtTitle, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(from.window->lblStatus->text(),
              "Compressor copied: paste it into another preset [Ctrl+Shift+V]");
    EXPECT_EQ(from.window->edtTitle->text(), "Ballad") << "the keys are the window's";

    Editor into;
    into.Load(PresetWith({1, 3}, {}));
    const Bytes before = into.Record();
    const int steps = into.window->Document().UndoList().Count();
    const std::size_t sends = into.Sent.size();
    PressKey(into.window->edtTitle, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(into.window->Document().Preset.ParameterValues[6], 10);
    EXPECT_EQ(into.window->Document().Preset.ParameterValues[7], 5);
    EXPECT_EQ(into.Control("trbCMPdrive").TrackBar->value(), 10) << "the controls show it";
    EXPECT_EQ(into.window->Document().UndoList().Count(), steps + 1);
    ASSERT_EQ(into.Sent.size(), sends + 1);
    EXPECT_EQ(into.Sent.back(), into.Record());
    EXPECT_EQ(into.window->lblStatus->text(), "Compressor pasted from Ballad, Sent");
    EXPECT_EQ(into.window->ChangeLines(),
              QStringList({QStringLiteral("Compressor \u00b7 Drive: 78% \u2192 34%"),
                           QStringLiteral("Compressor \u00b7 Slope: 4:1 \u2192 LIMIT")}));
    PressKey(into.window->edtTitle, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(into.Record(), before) << "one undo takes the whole paste back";

    // A preset without the effect is left alone, and told why.
    Editor lacking;
    lacking.Load(PresetWith({3}, {}));
    const Bytes untouched = lacking.Record();
    const std::size_t lackingSends = lacking.Sent.size();
    PressKey(lacking.window->edtTitle, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(lacking.Record(), untouched);
    EXPECT_EQ(lacking.Sent.size(), lackingSends);
    EXPECT_EQ(lacking.window->Document().UndoList().Count(), 1);
    EXPECT_EQ(lacking.window->lblStatus->text(),
              "Not pasted: this preset has no Compressor in its chain");
}

TEST_F(EditorTest, TheChainsMenuCopiesTheEffectUnderThePointer) {
    Editor from;
    TPreset source = PresetWith({}, {"Chorus"});
    const int chorus = EffectIndexByName("Chorus");
    source.ParameterValues[static_cast<std::size_t>(
        ParameterNumberOf(source, {TParameterOwner::Digital, chorus, 1}) - 1)] = 3; // width
    from.Load(source);
    QListWidget* selected = from.window->Chain().lbxDigSel;
    const auto found = selected->findItems(QStringLiteral("Chorus"), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    ASSERT_TRUE(ChoosePopupItem(selected, selected->visualItemRect(found.first()).center(),
                                QStringLiteral("actCopyBlock")));
    EXPECT_TRUE(QApplication::clipboard()->text().contains("effect: Chorus"));

    Editor into;
    into.Load(PresetWith({}, {"Chorus", "Low Pass"}));
    QListWidget* chain = into.window->Chain().cklAnalogSelect;
    ASSERT_TRUE(ChoosePopupItem(chain, chain->visualItemRect(chain->item(0)).center(),
                                QStringLiteral("actPasteBlock")));
    ASSERT_EQ(into.window->ChangeLines().size(), 1);
    EXPECT_TRUE(into.window->ChangeLines()[0].startsWith(QStringLiteral("Chorus \u00b7 Width")))
        << into.window->ChangeLines()[0].toStdString();
}
