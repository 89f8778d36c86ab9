// The "Performance MIDI" tab driven as a bassist drives it: assignments added and deleted,
// effect and parameter chosen by clicks, the range selectors moved, controllers named and
// learnt from the MIDI input.

#include "base/qvUtility.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetEditor.h"
#include "model/EffectCatalogue.h"
#include "support/MainRig.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
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
        window->OnSendPreset = [this](std::istream&) {
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
    void Add() { QTest::mouseClick(window->btnPMIadd, Qt::LeftButton); }
    TPerfMIDI& Current() {
        return *window->Preset->PerfMIDI[static_cast<std::size_t>(window->CurrentAssignment)];
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
    EXPECT_EQ(tab.Items(tab.window->lbxPMIdefctl), QStringList{"Controller #1"});
    EXPECT_EQ(tab.Current().Controller, 4);
    EXPECT_EQ(tab.Current().LowValue, 0);
    EXPECT_EQ(tab.Current().HighValue, 127);
    EXPECT_EQ(tab.Current().Parameter, 0);
    EXPECT_EQ(tab.window->lbxCtlParam->currentItem()->text(), "MIDI Monitor");
    EXPECT_EQ(tab.window->grdPMctl->item(4, 1)->text(), "Foot controller");
    tab.Add();
    EXPECT_EQ(tab.window->lbxPMIdefctl->count(), 2);
    tab.Click(tab.window->lbxPMIdefctl, "Controller #1");
    EXPECT_EQ(tab.window->btnPMIdel->toolTip(), "Delete Controller #1");
    QTest::mouseClick(tab.window->btnPMIdel, Qt::LeftButton);
    EXPECT_EQ(tab.Items(tab.window->lbxPMIdefctl), QStringList{"Controller #2"});
    EXPECT_FALSE(tab.window->Preset->PerfInUse[0]);
    tab.Add();
    EXPECT_EQ(tab.Items(tab.window->lbxPMIdefctl), (QStringList{"Controller #1", "Controller #2"}))
        << "the freed number is used again";
    for (int more = 0; more < 6; ++more)
        tab.Add();
    EXPECT_EQ(tab.window->lbxPMIdefctl->count(), 8);
    EXPECT_FALSE(tab.window->btnPMIadd->isEnabled()) << "eight at most";
}

TEST(PerformanceMidi, ParametersAreNumberedByTheirSlotAndShowTheirRange) {
    Tab tab(PresetWith({1, 3}, {"Reverb 1", "MIDI-Pan"}));
    tab.Add();
    tab.Click(tab.window->lbxCtlParam, "Compressor");
    tab.Click(tab.window->lbxParamNames, "output");
    EXPECT_EQ(tab.Current().Parameter, 11);
    EXPECT_EQ(tab.Current().LowValue, 0);
    EXPECT_EQ(tab.Current().HighValue, 50);
    EXPECT_EQ(tab.window->lblPMILowValue->text(), "0%");
    EXPECT_EQ(tab.window->lblPMIHighValue->text(), "100%");
    EXPECT_EQ(tab.window->lblPMIcurrval->text(), "94%");

    tab.Click(tab.window->lbxCtlParam, "Distortion");
    EXPECT_EQ(tab.Items(tab.window->lbxParamNames),
              (QStringList{"type", "drive", "bite", "thrust", "output"}));
    tab.Click(tab.window->lbxParamNames, "output");
    EXPECT_EQ(tab.Current().Parameter, 18);

    // A reversed range is stored as it is.
    tab.window->scrLowValue->setValue(25);
    tab.window->scrHighValue->setValue(5);
    EXPECT_EQ(tab.Current().LowValue, 25);
    EXPECT_EQ(tab.Current().HighValue, 5);

    {
        Tab lowPass(PresetWith({}, {"Low Pass"})); // the first effect of its group
        lowPass.Add();
        lowPass.Click(lowPass.window->lbxCtlParam, "Low Pass");
        lowPass.Click(lowPass.window->lbxParamNames, "frequency");
        EXPECT_EQ(lowPass.Current().Parameter, 38)
            << "the first parameter of the group's first effect";
    }

    tab.Click(tab.window->lbxCtlParam, "Reverb");
    tab.Click(tab.window->lbxParamNames, "type");
    EXPECT_EQ(tab.window->scrLowValue->minimum(), 9);
    EXPECT_EQ(tab.window->scrLowValue->maximum(), 13);
    EXPECT_EQ(tab.window->lblPMILowValue->text(), "Hall-1");
    EXPECT_EQ(tab.window->lblPMIHighValue->text(), "OFF");

    tab.Click(tab.window->lbxCtlParam, "MIDI Pan");
    tab.Click(tab.window->lbxParamNames, "pos");
    tab.window->scrLowValue->setFocus();
    PressKey(tab.window->scrLowValue, Qt::Key_Home);
    EXPECT_EQ(tab.Current().LowValue, 127) << "the mirrored pan's left end";
    EXPECT_EQ(tab.window->lblPMILowValue->text(), "127");
}

TEST(PerformanceMidi, AssignmentsFollowTheChain) {
    Tab tab(PresetWith({1}, {"Low Pass", "Flanger"}));
    tab.Add();
    tab.Click(tab.window->lbxCtlParam, "Compressor");
    tab.Click(tab.window->lbxParamNames, "drive");
    tab.Add();
    tab.Click(tab.window->lbxCtlParam, "Flanger");
    tab.Click(tab.window->lbxParamNames, "speed");

    // A group change moves the assignment along with its effect's block.
    const int group = tab.window->Preset->DigitalGroup;
    QListWidgetItem* other = nullptr;
    for (int i = 0; i < tab.window->lbxDigAvail->count() && other == nullptr; ++i) {
        TPreset scratch;
        const std::string name = tab.window->lbxDigAvail->item(i)->text().toStdString();
        DetermineDigitalGroup(scratch, {"Low Pass", "Flanger", name});
        if (scratch.DigitalGroup != group)
            other = tab.window->lbxDigAvail->item(i);
    }
    ASSERT_NE(other, nullptr);
    tab.window->lbxDigAvail->setCurrentItem(other);
    QTest::mouseClick(tab.window->btnAddDfx, Qt::LeftButton);
    ASSERT_NE(tab.window->Preset->DigitalGroup, group);
    EXPECT_TRUE(tab.window->Preset->PerfInUse[1]);
    const TParameterTarget target =
        DescribeParameterNumber(*tab.window->Preset, tab.window->Preset->PerfMIDI[1]->Parameter);
    EXPECT_EQ(target.Effect, "Flanger");
    EXPECT_EQ(target.Name, "speed");

    // Switching the compressor off frees the assignments on its parameters.
    tab.window->cklAnalogSelect->item(1)->setCheckState(Qt::Unchecked);
    EXPECT_FALSE(tab.window->Preset->PerfInUse[0]);
    EXPECT_EQ(tab.Items(tab.window->lbxPMIdefctl), QStringList{"Controller #2"});
}

TEST(PerformanceMidi, ControllerNamesAreKeptForTheNextWindow) {
    {
        Tab tab(PresetWith({}, {}));
        tab.Add();
        QTableWidgetItem* name = tab.window->grdPMctl->item(4, 1);
        name->setText("Left pedal");
        EXPECT_EQ(tab.settings.GetStringAt(tab.settings.Path + "\\Controllers", "4", false),
                  "Left pedal");
        QTest::mouseClick(tab.window->btnK27right, Qt::LeftButton);
        EXPECT_EQ(tab.Current().Controller, 11);
    }
    {
        Tab next(PresetWith({}, {}));
        EXPECT_EQ(next.window->grdPMctl->item(4, 1)->text(), "Left pedal");
        next.window->grdPMctl->item(4, 1)->setText("");
    }
    Tab after(PresetWith({}, {}));
    EXPECT_EQ(after.window->grdPMctl->item(4, 1)->text(), "Foot controller")
        << "the default is back";
}

TEST(PerformanceMidi, LearnTakesTheNextControllerFromTheMidiInput) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    rig.UseInput("Loop");
    TfrmPresetEditor* editor = window.NewPresetEditor();
    editor->pgcPreset->setCurrentWidget(editor->tsPerfMIDI);
    QTest::mouseClick(editor->btnPMIadd, Qt::LeftButton);
    QTest::mouseClick(editor->btnLearn, Qt::LeftButton);
    ASSERT_TRUE(editor->Learning());
    const std::uint8_t note[] = {0x90, 0x3C, 0x64};
    rig.virtualDevices.Inject("Loop", note, sizeof note);
    const std::uint8_t controller[] = {0xB0, 0x0B, 0x40};
    rig.virtualDevices.Inject("Loop", controller, sizeof controller);
    ASSERT_TRUE(PumpUntil([&] { return !editor->Learning(); }));
    EXPECT_EQ(editor->Preset->PerfMIDI[0]->Controller, 11) << "the expression controller";
    EXPECT_EQ(editor->grdPMctl->currentRow(), 11);
    EXPECT_TRUE(PumpUntil([&] { return rig.Log().filter("B0 0B 40").size() == 1; }))
        << "the monitor still logs it";
    QTest::mouseClick(editor->btnLearn, Qt::LeftButton);
    PressKey(editor->grdPMctl, Qt::Key_Escape);
    EXPECT_FALSE(editor->Learning()) << "Esc leaves learning";
    editor->edtTitle->setText("x");
    rig.dialogs.Answers.push_back(QMessageBox::No);
    editor->close();
}
