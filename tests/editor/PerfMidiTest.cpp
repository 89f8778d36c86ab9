// The "Performance MIDI" tab driven as a bassist drives it: assignments added and deleted,
// effect and parameter chosen by clicks, the range selectors moved, controllers named and
// learnt from the MIDI input.

#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "controls/qvTrackBar.h"
#include "editor/EffectChainPanel.h"
#include "editor/ParameterPages.h"
#include "editor/PerformancePanel.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "model/EffectCatalogue.h"
#include "support/MainRig.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <sstream>

namespace {
using Bytes = std::vector<std::uint8_t>;

struct Tab {
    explicit Tab(const TPreset& preset) {
        settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
        AppSettings = &settings;
        window = std::make_unique<TfrmPresetEditor>();
        window->Document().OnSendPreset = [this](std::istream&) {
            ++sends;
            return QStringLiteral("MIDI data sent to MIDI Out");
        };
        const Bytes bytes = preset.Encode();
        std::stringstream stream(std::string(bytes.begin(), bytes.end()));
        window->LoadDump(stream);
        window->Show();
        window->pgcPreset->setCurrentWidget(window->tsPerfMIDI);
        QApplication::processEvents();
    }
    ~Tab() { AppSettings = nullptr; }
    void Click(QListWidget* list, const QString& text) {
        const auto found = list->findItems(text, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        list->scrollToItem(found.first());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list->visualItemRect(found.first()).center());
    }
    QStringList Items(QListWidget* list) const {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    void Add() { QTest::mouseClick(window->Performance().btnPMIadd, Qt::LeftButton); }
    TPerfMIDI& Current() {
        return *window->Document().Preset.PerfMIDI[static_cast<std::size_t>(
            window->Performance().CurrentAssignment())];
    }

    ScriptedDialogs dialogs;
    TqvRegUtil settings;
    std::unique_ptr<TfrmPresetEditor> window;
    int sends = 0;
};
} // namespace

TEST(PerformanceMidi, AssignmentsAreAddedWithTheirDefaultsAndNumbersReused) {
    Tab tab(PresetWith({}, {}));
    tab.Add();
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxPMIdefctl), QStringList{"Controller #1"});
    EXPECT_EQ(tab.Current().Controller, 4);
    EXPECT_EQ(tab.Current().LowValue, 0);
    EXPECT_EQ(tab.Current().HighValue, 127);
    EXPECT_EQ(tab.Current().Parameter, 0);
    EXPECT_EQ(tab.window->Performance().lbxCtlParam->currentItem()->text(), "MIDI Monitor");
    EXPECT_EQ(tab.window->Performance().grdPMctl->item(4, 1)->text(), "Foot controller");
    tab.Add();
    EXPECT_EQ(tab.window->Performance().lbxPMIdefctl->count(), 2);
    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller #1");
    EXPECT_EQ(tab.window->Performance().btnPMIdel->toolTip(), "Delete Controller #1");
    QTest::mouseClick(tab.window->Performance().btnPMIdel, Qt::LeftButton);
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxPMIdefctl), QStringList{"Controller #2"});
    EXPECT_FALSE(tab.window->Document().Preset.PerfInUse[0]);
    tab.Add();
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxPMIdefctl),
              (QStringList{"Controller #1", "Controller #2"}))
        << "the freed number is used again";
    for (int more = 0; more < 6; ++more)
        tab.Add();
    EXPECT_EQ(tab.window->Performance().lbxPMIdefctl->count(), 8);
    EXPECT_FALSE(tab.window->Performance().btnPMIadd->isEnabled()) << "eight at most";
}

TEST(PerformanceMidi, ParametersAreNumberedByTheirSlotAndShowTheirRange) {
    Tab tab(PresetWith({1, 3}, {"Reverb 1", "MIDI-Pan"}));
    tab.Add();
    tab.Click(tab.window->Performance().lbxCtlParam, "Compressor");
    tab.Click(tab.window->Performance().lbxParamNames, "output");
    EXPECT_EQ(tab.Current().Parameter, 11);
    EXPECT_EQ(tab.Current().LowValue, 0);
    EXPECT_EQ(tab.Current().HighValue, 50);
    EXPECT_EQ(tab.window->Performance().lblPMILowValue->text(), "0%");
    EXPECT_EQ(tab.window->Performance().lblPMIHighValue->text(), "100%");
    EXPECT_EQ(tab.window->Performance().lblPMIcurrval->text(), "94%");

    tab.Click(tab.window->Performance().lbxCtlParam, "Distortion");
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxParamNames),
              (QStringList{"type", "drive", "bite", "thrust", "output"}));
    tab.Click(tab.window->Performance().lbxParamNames, "output");
    EXPECT_EQ(tab.Current().Parameter, 18);

    // A reversed range is stored as it is.
    tab.window->Performance().scrLowValue->setValue(25);
    tab.window->Performance().scrHighValue->setValue(5);
    EXPECT_EQ(tab.Current().LowValue, 25);
    EXPECT_EQ(tab.Current().HighValue, 5);

    {
        Tab lowPass(PresetWith({}, {"Low Pass"})); // the first effect of its group
        lowPass.Add();
        lowPass.Click(lowPass.window->Performance().lbxCtlParam, "Low Pass");
        lowPass.Click(lowPass.window->Performance().lbxParamNames, "frequency");
        EXPECT_EQ(lowPass.Current().Parameter, 38)
            << "the first parameter of the group's first effect";
    }

    tab.Click(tab.window->Performance().lbxCtlParam, "Reverb");
    tab.Click(tab.window->Performance().lbxParamNames, "type");
    EXPECT_EQ(tab.window->Performance().scrLowValue->minimum(), 9);
    EXPECT_EQ(tab.window->Performance().scrLowValue->maximum(), 13);
    EXPECT_EQ(tab.window->Performance().lblPMILowValue->text(), "Hall-1");
    EXPECT_EQ(tab.window->Performance().lblPMIHighValue->text(), "OFF");

    tab.Click(tab.window->Performance().lbxCtlParam, "MIDI Pan");
    tab.Click(tab.window->Performance().lbxParamNames, "pos");
    tab.window->Performance().scrLowValue->setFocus();
    PressKey(tab.window->Performance().scrLowValue, Qt::Key_Home);
    EXPECT_EQ(tab.Current().LowValue, 127) << "the mirrored pan's left end";
    EXPECT_EQ(tab.window->Performance().lblPMILowValue->text(), "127");
}

TEST(PerformanceMidi, AssignmentsFollowTheChain) {
    Tab tab(PresetWith({1}, {"Low Pass", "Flanger"}));
    tab.Add();
    tab.Click(tab.window->Performance().lbxCtlParam, "Compressor");
    tab.Click(tab.window->Performance().lbxParamNames, "drive");
    tab.Add();
    tab.Click(tab.window->Performance().lbxCtlParam, "Flanger");
    tab.Click(tab.window->Performance().lbxParamNames, "speed");

    // A group change moves the assignment along with its effect's block.
    const int group = tab.window->Document().Preset.DigitalGroup;
    QListWidgetItem* other = nullptr;
    for (int i = 0; i < tab.window->Chain().lbxDigAvail->count() && other == nullptr; ++i) {
        TPreset scratch;
        const std::string name = tab.window->Chain().lbxDigAvail->item(i)->text().toStdString();
        DetermineDigitalGroup(scratch, {"Low Pass", "Flanger", name});
        if (scratch.DigitalGroup != group)
            other = tab.window->Chain().lbxDigAvail->item(i);
    }
    ASSERT_NE(other, nullptr);
    tab.window->Chain().lbxDigAvail->setCurrentItem(other);
    QTest::mouseClick(tab.window->Chain().btnAddDfx, Qt::LeftButton);
    ASSERT_NE(tab.window->Document().Preset.DigitalGroup, group);
    EXPECT_TRUE(tab.window->Document().Preset.PerfInUse[1]);
    const TParameterTarget target = DescribeParameterNumber(
        tab.window->Document().Preset, tab.window->Document().Preset.PerfMIDI[1]->Parameter);
    EXPECT_EQ(target.Effect, "Flanger");
    EXPECT_EQ(target.Name, "speed");

    // Switching the compressor off frees the assignments on its parameters.
    tab.window->Chain().cklAnalogSelect->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(tab.window->Document().Preset.PerfInUse[0]);
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxPMIdefctl), QStringList{"Controller #2"});
}

TEST(PerformanceMidi, ControllerNamesAreKeptForTheNextWindow) {
    {
        Tab tab(PresetWith({}, {}));
        tab.Add();
        QTableWidgetItem* name = tab.window->Performance().grdPMctl->item(4, 1);
        name->setText("Left pedal");
        EXPECT_EQ(tab.settings.GetStringAt(tab.settings.Path + "\\Controllers", "4", false),
                  "Left pedal");
        QTest::mouseClick(tab.window->Performance().btnK27right, Qt::LeftButton);
        EXPECT_EQ(tab.Current().Controller, 11);
    }
    {
        Tab next(PresetWith({}, {}));
        EXPECT_EQ(next.window->Performance().grdPMctl->item(4, 1)->text(), "Left pedal");
        next.window->Performance().grdPMctl->item(4, 1)->setText("");
    }
    Tab after(PresetWith({}, {}));
    EXPECT_EQ(after.window->Performance().grdPMctl->item(4, 1)->text(), "Foot controller")
        << "the default is back";
}

TEST(PerformanceMidi, LearnTakesTheNextControllerFromTheMidiInput) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    rig.UseInput("Loop");
    TfrmPresetEditor* editor = window.NewPresetEditor();
    editor->pgcPreset->setCurrentWidget(editor->tsPerfMIDI);
    QTest::mouseClick(editor->Performance().btnPMIadd, Qt::LeftButton);
    QTest::mouseClick(editor->Performance().btnLearn, Qt::LeftButton);
    ASSERT_TRUE(editor->Learning());
    const std::uint8_t note[] = {0x90, 0x3C, 0x64};
    rig.virtualDevices.Inject("Loop", note, sizeof note);
    const std::uint8_t controller[] = {0xB0, 0x0B, 0x40};
    rig.virtualDevices.Inject("Loop", controller, sizeof controller);
    ASSERT_TRUE(PumpUntil([&] { return !editor->Learning(); }));
    EXPECT_EQ(editor->Document().Preset.PerfMIDI[0]->Controller, 11) << "the expression controller";
    EXPECT_EQ(editor->Performance().grdPMctl->currentRow(), 11);
    EXPECT_TRUE(PumpUntil([&] { return rig.Log().filter("B0 0B 40").size() == 1; }))
        << "the monitor still logs it";
    QTest::mouseClick(editor->Performance().btnLearn, Qt::LeftButton);
    PressKey(editor->Performance().grdPMctl, Qt::Key_Escape);
    EXPECT_FALSE(editor->Learning()) << "Esc leaves learning";
    editor->edtTitle->setText("x");
    rig.dialogs.Answers.push_back(QMessageBox::No);
    editor->close();
}

namespace {
void Assign(TPreset& preset, int i, int parameter, int low, int high, int controller = 4) {
    preset.PerfInUse[static_cast<std::size_t>(i)] = true;
    TPerfMIDI& assignment = *preset.PerfMIDI[static_cast<std::size_t>(i)];
    assignment.Parameter = parameter;
    assignment.LowValue = low;
    assignment.HighValue = high;
    assignment.Controller = controller;
    assignment.RangeSet = true;
}
} // namespace

// An entry, an effect or a parameter chosen with the arrow keys or a right click is chosen.
TEST(PerformanceMidi, ChoicesByKeysAndRightClicksCountAsClicks) {
    Tab tab(PresetWith({2, 3}, {}));
    tab.Add();
    tab.Add();
    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller #1");
    PressKey(tab.window->Performance().lbxPMIdefctl, Qt::Key_Down);
    EXPECT_EQ(tab.window->Performance().CurrentAssignment(), 1);
    EXPECT_EQ(tab.window->Performance().btnPMIdel->toolTip(), "Delete Controller #2");
    QTest::mouseClick(tab.window->Performance().btnPMIdel, Qt::LeftButton);
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxPMIdefctl), QStringList{"Controller #1"});
    EXPECT_TRUE(tab.window->Document().Preset.PerfInUse[0]) << "#1 stays in use";
    EXPECT_FALSE(tab.window->Document().Preset.PerfInUse[1]);

    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller #1");
    tab.Click(tab.window->Performance().lbxCtlParam, "Distortion");
    PressKey(tab.window->Performance().lbxCtlParam, Qt::Key_Up); // to "Expander"
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxParamNames), (QStringList{"range", "ratio"}));
    tab.Click(tab.window->Performance().lbxParamNames, "ratio");
    EXPECT_EQ(tab.Current().Parameter, 13) << "the expander's ratio, slot 12";
    PressKey(tab.window->Performance().lbxParamNames, Qt::Key_Up);
    EXPECT_EQ(tab.Current().Parameter, 12) << "its range, chosen by key";

    tab.Add();
    QListWidget* entries = tab.window->Performance().lbxPMIdefctl;
    const QRect second =
        entries->visualItemRect(entries->findItems("Controller #1", Qt::MatchExactly).first());
    QTest::mouseClick(entries->viewport(), Qt::RightButton, Qt::NoModifier, second.center());
    EXPECT_EQ(tab.window->Performance().CurrentAssignment(), 0)
        << "a right click chooses the entry";
}

// Showing an assignment, choosing an effect and printing the assignments are no edits: nothing
// is sent, recorded for undo or marked modified.
TEST(PerformanceMidi, LookingAtOrPrintingAssignmentsChangesNothing) {
    TPreset preset = PresetWith({1}, {"Low Pass", "Flanger"});
    Assign(preset, 0, 11, 5, 40);
    Assign(preset, 1, 1, 31, 0, 11);
    Assign(preset, 2, 48, 0, 84, 7); // the flanger's speed: after Low Pass and Stereo DDL L
    preset.PerfMIDI[0]->Flags = 0;
    preset.K27States.fill(true); // as the editor would show them: the record stays as it came
    IgnoreInstalledPrinters(true);
    QTemporaryDir folder;
    Tab tab(preset);
    for (const char* entry : {"Controller #1", "Controller #2", "Controller #3"})
        tab.Click(tab.window->Performance().lbxPMIdefctl, entry);
    PressKey(tab.window->Performance().lbxPMIdefctl, Qt::Key_Up);
    EXPECT_EQ(tab.window->Performance().lbxCtlParam->currentItem()->text(), "Mix");
    tab.Click(tab.window->Performance().lbxCtlParam, "Compressor");
    tab.Click(tab.window->Performance().lbxCtlParam, "Mix");
    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller #3");
    EXPECT_EQ(tab.window->Performance().lbxCtlParam->currentItem()->text(), "Flanger")
        << "a digital parameter is shown on its effect's tab";
    EXPECT_EQ(tab.window->Performance().lbxParamNames->currentItem()->text(), "speed");
    tab.dialogs.Names.push_back(folder.filePath("assignments.pdf"));
    QTest::mouseClick(tab.window->btnPrint, Qt::LeftButton);
    EXPECT_TRUE(QFileInfo::exists(folder.filePath("assignments.pdf")));
    EXPECT_EQ(tab.sends, 0);
    EXPECT_EQ(tab.window->Document().UndoList().Count(), 1);
    EXPECT_FALSE(tab.window->Document().Preset.IsModified());
    EXPECT_TRUE(tab.window->lblStatus->text().isEmpty());

    // The flanger leaving the chain takes its assignment with it.
    tab.window->pgcPreset->setCurrentWidget(tab.window->tsDigitalEffects);
    QListWidget* selected = tab.window->Chain().lbxDigSel;
    selected->setCurrentItem(selected->findItems("Flanger", Qt::MatchExactly).first());
    QTest::mouseClick(tab.window->Chain().btnDelDfx, Qt::LeftButton);
    EXPECT_FALSE(tab.window->Document().Preset.PerfInUse[2]);
    EXPECT_EQ(tab.Items(tab.window->Performance().lbxPMIdefctl),
              (QStringList{"Controller #1", "Controller #2"}));
}

TEST(PerformanceMidi, DamagedAssignmentsAreReportedAndLeftAsTheyAre) {
    TPreset preset = PresetWith({1}, {});
    Assign(preset, 0, 11, 60, 40); // low beyond the compressor output's 0..50
    Assign(preset, 1, 11, 0, 70);  // high beyond it
    Assign(preset, 2, 11, 0, 50);
    Tab tab(preset);
    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller #1");
    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller #2");
    tab.window->Document().Preset.PerfMIDI[2]->Parameter = 200; // held by no effect
    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller #3");
    tab.window->Performance().lbxPMIdefctl->addItem("Controller");
    tab.Click(tab.window->Performance().lbxPMIdefctl, "Controller");
    EXPECT_EQ(
        tab.dialogs.Texts(),
        (QStringList{"Invalid low range value", "Invalid high range value",
                     "Performance MIDI controller data is invalid", "Invalid controller item"}));
    for (const ScriptedDialogs::Shown& shown : tab.dialogs.Messages)
        EXPECT_EQ(shown.Caption, "Preset error");
    EXPECT_EQ(tab.window->Document().Preset.PerfMIDI[0]->LowValue, 60) << "left as it is";
    EXPECT_EQ(tab.window->Document().Preset.PerfMIDI[1]->HighValue, 70);
}

// The selectors' value text: the parameter's own text, except where the rule says otherwise (the
// exciter's tuning and a sampler's start read as plain numbers here); a mirrored parameter at the
// value the position stands for. Each rule's text for every parameter and position is proven
// with the parameter table; here, that the selector shows it, a case of each kind.
TEST(PerformanceMidi, TheRangeSelectorsReadByTheirRules) {
    struct Case {
        std::vector<int> Analog;
        std::vector<std::string> Digital;
        const char* Effect;
        const char* Name;
        int Position;
        const char* Text;
    };
    const Case cases[] = {
        {{}, {"Tapped DDL S"}, "Tapped DDL", "delay", 10, "50 ms"},
        {{}, {"Pitch-Trans"}, "Pitch Trans", "base key", 60, "C 4"},
        {{1}, {}, "Compressor", "output", 10, "20%"},
        {{1}, {}, "Compressor", "slope", 4, "10:1"},
        {{0}, {}, "Patch Bay", "loop1", 1, "on"},
        {{4}, {}, "Exciter", "tuning", 3, "3"},
        {{}, {"Sampler S"}, "Sampler", "start", 10, "10"},
        {{}, {"MIDI-Pan"}, "MIDI Pan", "pos", 10, "117"},
        {{8}, {}, "Equalizer", "40Hz", 10, "+9 db"},
    };
    for (const Case& row : cases) {
        TPreset preset;
        for (int block : row.Analog)
            preset.AnalogOn[static_cast<std::size_t>(block)] = true;
        DetermineDigitalGroup(preset, row.Digital);
        Tab tab(preset);
        tab.Add();
        tab.Click(tab.window->Performance().lbxCtlParam, row.Effect);
        tab.Click(tab.window->Performance().lbxParamNames, row.Name);
        tab.window->Performance().scrLowValue->setValue(row.Position);
        EXPECT_EQ(tab.window->Performance().lblPMILowValue->text(), row.Text)
            << row.Effect << " " << row.Name;
    }
}

// Every analog page numbers its parameters after the pages before it, the last page too.
TEST(PerformanceMidi, EveryAnalogPageNumbersItsParametersAfterThePagesBefore) {
    TPreset preset;
    preset.AnalogOn.fill(true);
    DetermineDigitalGroup(preset, {});
    Tab tab(preset);
    tab.Add();
    const std::vector<std::tuple<const char*, const char*, int>> firsts = {
        {"Patch Bay", "drysource", 4},      {"Compressor", "drive", 7},
        {"Expander", "range", 12},          {"Distortion", "type", 14},
        {"Exciter", "range", 19},           {"Preamp", "type", 21},
        {"Envelope Filter", "type", 22},    {"NoiseGate", "range", 26},
        {"Equalizer", "40Hz", 27},          {"AES", "type", 34},
        {"Effect Crossover", "output", 35}, {"Prog Level", "master", 37},
    };
    for (const auto& [effect, name, number] : firsts) {
        tab.Click(tab.window->Performance().lbxCtlParam, effect);
        tab.Click(tab.window->Performance().lbxParamNames, name);
        EXPECT_EQ(tab.Current().Parameter, number) << effect;
    }
    tab.Click(tab.window->Performance().lbxCtlParam, "Effect Crossover");
    tab.Click(tab.window->Performance().lbxParamNames, "tuning");
    EXPECT_EQ(tab.Current().Parameter, 36);
}
