// The preset editor end to end: the main window and quellfarn-sim as a process of its own,
// talking over JACK. What the editor shows is what the unit then plays and stores.

#include "base/StorePrompt.h"
#include "base/qvUtility.h"
#include "controls/qvTrackBar.h"
#include "editor/EffectChainPanel.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "support/JackRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/ScriptedDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>

namespace {
using Bytes = std::vector<std::uint8_t>;
}

TEST(PresetEditorOverJack, WhatTheEditorShowsIsWhatTheUnitPlaysAndStores) {
    JackRig rig(QUELLFARN_SIM, "QF Editor Test", "QuellfarnEditorTest");
    ASSERT_TRUE(rig.Ready);
    TfrmMain& window = *rig.window;
    ASSERT_EQ(window.MidiOutput()->ProductName(), "QF Editor Test:MIDI in");
    rig.Connect();

    // The unit's current preset, fetched with F10; a loaded machine may hold a request up.
    const auto dumps = [&] {
        std::vector<int> lines;
        for (int i = 0; i < window.lbxLog->LineCount(); ++i)
            if (window.lbxLog->LineText(i).startsWith("Sysex (258)"))
                lines.push_back(i);
        return lines;
    };
    const auto fetch = [&](const std::function<void()>& request) {
        const std::size_t before = dumps().size();
        for (int attempt = 0; attempt < 3 && dumps().size() == before; ++attempt) {
            request();
            PumpUntil([&] { return dumps().size() > before; }, 2000);
        }
        EXPECT_GT(dumps().size(), before);
        const TMyMidiEvent* event = window.lbxLog->LineEvent(dumps().back());
        return Bytes(event->SysexData.get(), event->SysexData.get() + 258);
    };
    const Bytes current = fetch([&] { PressKey(window.memMsgBuf, Qt::Key_F10); });

    // Double-click the logged dump: the editor opens on it.
    window.SetLogDblClickAction(1);
    window.pgcTab->setCurrentWidget(window.tsMonitor);
    window.show();
    QApplication::processEvents();
    const int line = dumps().back();
    const QPoint at = window.lbxLog->LineRect(line).center();
    QTest::mouseClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(window.lbxLog->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    ASSERT_EQ(window.PresetEditors().size(), 1u);
    TfrmPresetEditor& editor = *window.PresetEditors().front();
    const Bytes shown = editor.Document().Preset.Encode();
    EXPECT_EQ(Bytes(shown.begin() + 7, shown.end()), Bytes(current.begin() + 7, current.end()))
        << "the dump as received (its switch flags aside, which showing evaluates)";

    // Switch a block on (sent at once) and move a slider (sent a second later).
    QListWidgetItem* equalizer = editor.Chain().cklAnalogSelect->item(8);
    equalizer->setCheckState(equalizer->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    TqvTrackBar* dry = editor.Parameters().Find("trbMIXdry")->TrackBar;
    dry->setFocus();
    PressKey(dry, Qt::Key_Left);
    PressKey(dry, Qt::Key_Left);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return editor.lblStatus->text() == "Modified, Sent" &&
                   !editor.Document().ChangePending();
        },
        3000));
    PumpFor(300);
    const Bytes edited = editor.Document().Preset.Encode();
    EXPECT_EQ(fetch([&] { PressKey(window.memMsgBuf, Qt::Key_F10); }), edited)
        << "the unit's edit buffer equals the editor's record, byte for byte";

    // Store into slot 17, then fetch slot 17 back.
    AnswerModal<TfrmStorePrompt>([](TfrmStorePrompt& prompt) {
        prompt.edtPresetNo->setText("17");
        prompt.chkDoSend->setChecked(false);
        QTest::mouseClick(prompt.btnOK, Qt::LeftButton);
    });
    QTest::mouseClick(editor.btnStore, Qt::LeftButton);
    PumpFor(300);
    const std::optional<TBytes> held = window.Link->Store().Fetch(16);
    ASSERT_TRUE(held.has_value());
    EXPECT_EQ(*held, edited) << "slot 17 holds it";
    editor.hide();
    window.close();
}
