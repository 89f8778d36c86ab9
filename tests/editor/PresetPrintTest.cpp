// The preset listing printed into a PDF and read back: the heading, the three columns side by
// side, the page break of a long column, and what the window shows deciding every line.

#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "controls/qvTrackBar.h"
#include "editor/ParameterPages.h"
#include "editor/PresetDocument.h"
#include "editor/PresetEditor.h"
#include "model/DeviceMode.h"
#include "model/EffectCatalogue.h"
#include "support/ModalAnswer.h"
#include "support/PdfText.h"
#include "support/ScriptedDialogs.h"
#include "support/TestPresets.h"

#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>

using testing::HasSubstr;
using testing::Not;

namespace {
// The PDF's text, its ligatures ("ﬀ" of "effects") spelt out.
QString Printed(const QString& pdf) {
    return PdfText(pdf).normalized(QString::NormalizationForm_KC);
}

// An editor on its own whose prints go into PDF files of a scratch folder.
struct PrintingEditor {
    PrintingEditor() {
        SetPrePlenovaMode(false);
        SetAppTitle("Quellfarn");
        IgnoreInstalledPrinters(true); // as on a machine with no printer: it asks for a PDF
        window = std::make_unique<TfrmPresetEditor>();
        window->Document().OnSendPreset = [](std::istream&) { return QStringLiteral("sent"); };
        window->OnGetPresetNumber = [] { return -1; };
    }
    void Load(const TPreset& preset) {
        const std::vector<std::uint8_t> bytes = preset.Encode();
        std::stringstream stream(std::string(bytes.begin(), bytes.end()));
        window->SetUp();
        window->LoadDump(stream);
        window->Show();
    }
    QString ValueText(const char* control) {
        return window->Parameters().Find(control)->ValueLabel->text();
    }
    // Prints with the button; the PDF's path.
    QString Print() {
        const QString pdf = folder.filePath(QStringLiteral("listing%1.pdf").arg(++prints));
        dialogs.Names.push_back(pdf);
        QTest::mouseClick(window->btnPrint, Qt::LeftButton);
        return pdf;
    }
    std::string PrintedText() { return Printed(Print()).toStdString(); }

    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<TfrmPresetEditor> window;
    int prints = 0;
};

TPreset FullChain() {
    return PresetWith({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11},
                      {"Low Pass", "Regen DDL S", "Reverb 3"});
}

// The first word of that text, with the page it stands on.
const PdfWord* Word(const std::vector<PdfWord>& words, const QString& text) {
    for (const PdfWord& word : words)
        if (word.Text == text)
            return &word;
    return nullptr;
}
} // namespace

// The heading and the three columns as the window shows them; a long column goes on overleaf and
// the next columns start there at the same height.
TEST(PresetPrint, ListsHeadingAndTheThreeColumnsAsTheWindowShowsThemOverTwoPages) {
    PrintingEditor editor;
    editor.Load(FullChain());
    editor.window->SetFileName(QStringLiteral("/presets/Slap.tmq005"));
    const QString pdf = editor.Print();
    const std::string text = Printed(pdf).toStdString();
    ASSERT_FALSE(text.empty());
    const auto shown = [&editor](const char* line, const char* control) {
        return (line + editor.ValueText(control)).toStdString();
    };
    for (const std::string& line : std::vector<std::string>{
             "Quellfarn Preset parameter listing", "Filename: /presets/Slap.tmq005",
             "Title: Test preset", "Analog effects", "Digital effects", "Mix", "Performance MIDI",
             // every analog block, each kind of control
             "PatchBay", "Compressor", "Expander", "Distortion", "Exciter", "Preamp",
             "EnvelopeFilter", "NoiseGate", "Equalizer", "AES", "Contour", "Level", "drive = 78%",
             "output = 94%", "Slope = 4:1", "Drysource = Input", "Loop 1 IN = on",
             shown("40Hz = ", "scrEQU40Hz"), shown("10KHz = ", "scrEQU10KHz"),
             shown("master = ", "trbLVLmaster"),
             // the digital tabs of the group, the reverb with its diffusion
             "LowPass", "RegenDDL", "Reverb", "frequency = THRU", "Type = Hall-3",
             shown("diffusion = ", "trbREVdiffusion"),
             // the texts beside the mix sliders
             "dry = 100%", "digital = 100%", "analog = 100%"})
        EXPECT_THAT(text, HasSubstr(line));
    EXPECT_THAT(text, Not(HasSubstr("Flanger"))) << "a tab of an effect not in the group";

    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    const PdfWord* analog = Word(words, "Analog");
    const PdfWord* digital = Word(words, "Digital");
    const PdfWord* mix = Word(words, "Mix");
    const PdfWord* lastBlock = Word(words, "Level");
    ASSERT_TRUE(analog && digital && mix && lastBlock);
    EXPECT_EQ(analog->Page, 1);
    EXPECT_EQ(lastBlock->Page, 2) << "twelve blocks do not fit one page";
    // The analog column's second page starts at the page's top, above the other columns.
    const PdfWord* firstOverleaf = nullptr;
    for (const PdfWord& word : words)
        if (word.Page == 2 && (firstOverleaf == nullptr || word.Top < firstOverleaf->Top))
            firstOverleaf = &word;
    ASSERT_NE(firstOverleaf, nullptr);
    EXPECT_LT(firstOverleaf->Top, analog->Top);
    EXPECT_LT(firstOverleaf->Left, digital->Left);
    // The digital and mix columns start on the page the analog column ended on, at the height
    // where the analog column started; each column further right than the one before.
    EXPECT_EQ(digital->Page, 2);
    EXPECT_EQ(mix->Page, 2);
    EXPECT_NEAR(digital->Top, analog->Top, 0.5);
    EXPECT_NEAR(mix->Top, analog->Top, 0.5);
    EXPECT_LT(analog->Left, digital->Left);
    EXPECT_LT(digital->Left, mix->Left);
    // The columns start 22 and 45 character widths in (the margin is a few printer dots).
    EXPECT_NEAR((mix->Left - analog->Left) / (digital->Left - analog->Left), 45.0 / 22.0, 0.015);
    for (const PdfWord& word : words)
        EXPECT_LE(word.Page, 2) << word.Text.toStdString();
}

TEST(PresetPrint, AnEmptyChainPrintsHeadingsMixAndPerformanceMidiOnly) {
    PrintingEditor editor;
    editor.Load(PresetWith({}, {}));
    const QString text = Printed(editor.Print());
    ASSERT_FALSE(text.isEmpty());
    EXPECT_FALSE(text.contains(QStringLiteral("Filename:"))) << "a new preset has no file";
    QStringList printed;
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            printed << line.simplified();
    EXPECT_EQ(printed.join(QLatin1Char('|')).toStdString(),
              "Quellfarn Preset parameter listing|Title: Test preset|"
              "Analog effects Digital effects Mix|"
              "dry = 100%|digital = 100%|analog = 100%|Performance MIDI");
}

TEST(PresetPrint, WhatTheWindowShowsDecidesTheLines) {
    PrintingEditor editor;
    // Reverb 2: the reverb is listed without its diffusion.
    editor.Load(PresetWith({}, {"Reverb 2"}));
    std::string text = editor.PrintedText();
    EXPECT_THAT(text, HasSubstr("Reverb"));
    EXPECT_THAT(text, HasSubstr("decay = "));
    EXPECT_THAT(text, Not(HasSubstr("diffusion")));

    // Reverb 3 in the same window: now with it.
    editor.Load(PresetWith({}, {"Reverb 3"}));
    text = editor.PrintedText();
    EXPECT_THAT(text, HasSubstr("diffusion = "));

    // The base key by its note name; a loop switched off; a value changed in the window.
    TPreset preset = PresetWith({0}, {"Pitch-Trans"});
    preset.ParameterValues[37 + 1 + 4 + 3] = 60; // after Low Pass and Regen DDL S
    preset.ParameterValues[5] = 0;
    editor.Load(preset);
    editor.window->Parameters().Find("trbMIXdry")->TrackBar->setValue(0);
    const QString pdf = editor.Print();
    text = Printed(pdf).toStdString();
    const QStringList lines = Printed(pdf).split(QLatin1Char('\n'));
    const QStringList tabs = lines.filter(QStringLiteral("PatchBay"));
    ASSERT_EQ(tabs.size(), 1);
    EXPECT_THAT(tabs.first().toStdString(), HasSubstr("PitchTrans")) << "columns side by side";
    EXPECT_EQ(PdfText(pdf).count(QLatin1Char('\f')), 1) << "one page";
    EXPECT_THAT(text, HasSubstr("PitchTrans"));
    EXPECT_THAT(text, HasSubstr("base key = C 4"));
    EXPECT_THAT(text, HasSubstr("Loop 1 IN = on"));
    EXPECT_THAT(text, HasSubstr("Loop 2 IN = off"));
    EXPECT_THAT(text, HasSubstr(("dry = " + editor.ValueText("trbMIXdry")).toStdString()));
    EXPECT_THAT(text, Not(HasSubstr("dry = 100%")));
}

TEST(PresetPrint, PrintingFromThePerformanceMidiTabShowsTheAnalogEffects) {
    PrintingEditor editor;
    editor.Load(PresetWith({1}, {}));
    TfrmPresetEditor& window = *editor.window;
    window.pgcPreset->setCurrentWidget(window.tsDigitalEffects);
    editor.Print();
    EXPECT_EQ(window.pgcPreset->currentWidget(), window.tsDigitalEffects) << "left as it was";
    window.pgcPreset->setCurrentWidget(window.tsPerfMIDI);
    editor.Print();
    EXPECT_EQ(window.pgcPreset->currentWidget(), window.tsAnalogEffects);
}

TEST(PresetPrint, NothingIsPrintedWhenNoFileIsNamedAndThePreviewShowsBothPages) {
    PrintingEditor editor;
    editor.Load(FullChain());
    editor.dialogs.Names.push_back(QString()); // the PDF name is cancelled
    QTest::mouseClick(editor.window->btnPrint, Qt::LeftButton);
    EXPECT_TRUE(QDir(editor.folder.path()).isEmpty());

    int pages = 0;
    AnswerModal<QPrintPreviewDialog>([&pages](QPrintPreviewDialog& preview) {
        if (auto* view = preview.findChild<QPrintPreviewWidget*>())
            pages = view->pageCount();
    });
    QTest::mouseClick(editor.window->btnPreview, Qt::LeftButton);
    EXPECT_EQ(pages, 2);
}

TEST(PresetPrint, PerformanceMidiAssignmentsArePrintedFourLinesEach) {
    PrintingEditor editor;
    TPreset preset = PresetWith({1, 3}, {});
    const auto assign = [&preset](int i, int parameter, int low, int high, int controller) {
        preset.PerfInUse[static_cast<std::size_t>(i)] = true;
        TPerfMIDI& assignment = *preset.PerfMIDI[static_cast<std::size_t>(i)];
        assignment.Parameter = parameter;
        assignment.LowValue = low;
        assignment.HighValue = high;
        assignment.Controller = controller;
    };
    assign(0, 11, 0, 50, 4);   // compressor output
    assign(1, 1, 31, 0, 11);   // mix dry, reversed
    assign(2, 15, 0, 31, 7);   // distortion drive
    assign(3, 0, 0, 127, 128); // the MIDI monitor
    editor.Load(preset);
    const std::string text = editor.PrintedText();
    EXPECT_THAT(text, HasSubstr("Controller #1"));
    EXPECT_THAT(text, HasSubstr("is controlling: Compressor: output"));
    EXPECT_THAT(text, HasSubstr("low range value = 0%"));
    EXPECT_THAT(text, HasSubstr("high range value = 100%"));
    EXPECT_THAT(text, HasSubstr("controller = #4 Foot controller"));
    EXPECT_THAT(text, HasSubstr("is controlling: Mix: dry"));
    EXPECT_THAT(text, HasSubstr("controller = #11 Expression ctlr"));
    EXPECT_THAT(text, HasSubstr("is controlling: Distortion: drive"));
    EXPECT_THAT(text, HasSubstr("is controlling: MIDI Monitor: enabled"));
    EXPECT_THAT(text, HasSubstr("controller = #128 OFF"));
    EXPECT_TRUE(editor.dialogs.Messages.empty()) << "valid assignments raise no message";
}
