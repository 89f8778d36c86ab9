// The preset listing: columns, tabs and the lines each kind of control prints.

#include "editor/PresetPrint.h"

#include "base/PrintCommon.h"
#include "base/qvUtility.h"
#include "controls/qvLCDmeter.h"
#include "controls/qvRadioGroup.h"
#include "editor/ParameterPages.h"
#include "editor/PerformancePanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QTabWidget>

namespace {
// Column starts, in characters of the job font.
constexpr int kDigitalColumn = 22;
constexpr int kMixColumn = 45;
// A control's name without its kind and effect prefix: "trbCMPdrive" → "drive".
constexpr int kKindAndEffectPrefix = 6;

// Every line of the listing goes through here: a column that reaches the page's bottom goes on
// at the top of a new page.
void PrintListingLine(const QString& text, int x) {
    if (CurrentY >= PageBottom)
        PrintNewPage();
    PrintLine(text, x);
    CurrentY += LineHeight;
}

void PrintHeadingLine(const QString& text, int x, bool underline) {
    const bool bold = FontBold(), underlined = FontUnderline();
    SetFontStyle({.Bold = true, .Underline = underline});
    PrintListingLine(text, x);
    SetFontStyle({.Bold = bold, .Underline = underlined});
}

QString ParameterName(const TParameterControl& control) {
    return QString::fromStdString(control.Name.substr(kKindAndEffectPrefix));
}

QString SelectedRadioItem(const TqvRadioGroup& radio) {
    const QStringList items = radio.Items();
    const int index = radio.ItemIndex();
    // A stored value outside the items checks no button: the line shows no item either.
    return index >= 0 && index < items.size() ? items[index] : QString();
}

// The line a control prints, or nothing for a control that has none.
QString ControlLine(const TParameterControl& control) {
    const QString indent(6, QLatin1Char(' '));
    switch (control.Kind) {
    case TControlKind::TrackBar:
    case TControlKind::EqualizerBand:
        return indent + ParameterName(control) + QStringLiteral(" = ") +
               (control.ValueLabel != nullptr ? control.ValueLabel->text() : QString());
    case TControlKind::RadioGroup:
        return indent + control.Radio->title() + QStringLiteral(" = ") +
               SelectedRadioItem(*control.Radio);
    case TControlKind::BaseKeyList: {
        const QListWidgetItem* item = control.List->currentItem();
        return indent + ParameterName(control).replace(QLatin1Char('_'), QLatin1Char(' ')) +
               QStringLiteral(" = ") + (item != nullptr ? item->text() : QString());
    }
    case TControlKind::CheckBox:
        return indent + control.Check->text() +
               (control.Check->isChecked() ? QStringLiteral(" = on") : QStringLiteral(" = off"));
    }
    return QString();
}

// Whether the control shows on its tab. The window need not be on screen, so this asks what
// was hidden, not what is painted.
bool Shown(const TParameterControl& control) {
    const QWidget* widget = control.Kind == TControlKind::EqualizerBand
                                ? static_cast<const QWidget*>(control.Meter)
                                : control.Widget;
    return widget != nullptr && !widget->isHidden();
}
} // namespace

// (analog pages, digital pages): the editor's order.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TPresetPrint::TPresetPrint(TParameterPages& pages, QTabWidget& analogPages,
                           QTabWidget& digitalPages, TPerformancePanel& performance)
    : pages(pages), analogPages(analogPages), digitalPages(digitalPages), performance(performance) {
}

// (file name, title): where it goes, then what it says.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void TPresetPrint::Print(const QFont& font, const QString& fileName, const QString& title) {
    if (!PrintBegin(font))
        return;
    const bool bold = FontBold(), underline = FontUnderline();

    SetFontStyle({.Bold = false, .Underline = false});
    PrintHeadingLine(GetAppTitle() + QStringLiteral(" Preset parameter listing"), LeftMargin, true);
    PrintListingLine(QString(), LeftMargin);
    if (!fileName.isEmpty()) {
        PrintListingLine(QStringLiteral("Filename: ") + fileName, LeftMargin);
        PrintListingLine(QString(), LeftMargin);
    }
    PrintHeadingLine(QStringLiteral("Title: ") + title, LeftMargin, true);
    PrintListingLine(QString(), LeftMargin);

    // Each column starts at this height, on the page the previous column ended on.
    const int top = CurrentY;
    PrintHeadingLine(QStringLiteral("Analog effects"), LeftMargin, false);
    PrintTabs(analogPages, LeftMargin);

    CurrentY = top;
    const int digitalX = kDigitalColumn * CharWidth;
    PrintHeadingLine(QStringLiteral("Digital effects"), digitalX, false);
    PrintTabs(digitalPages, digitalX);

    CurrentY = top;
    const int mixX = kMixColumn * CharWidth;
    PrintHeadingLine(QStringLiteral("Mix"), mixX, false);
    for (const char* name : {"dry", "digital", "analog"}) {
        const TParameterControl* control = pages.Find(std::string("trbMIX") + name);
        const QString value = control != nullptr && control->ValueLabel != nullptr
                                  ? control->ValueLabel->text()
                                  : QString();
        PrintListingLine(
            QStringLiteral("    ") + QLatin1String(name) + QStringLiteral(" = ") + value, mixX);
    }
    PrintListingLine(QString(), mixX);
    PrintHeadingLine(QStringLiteral("Performance MIDI"), mixX, false);
    PrintPerformanceMidi(mixX);

    SetFontStyle({.Bold = bold, .Underline = underline});
    PrintEnd();
}

void TPresetPrint::PrintTabs(QTabWidget& tabs, int x) {
    for (int tab = 0; tab < tabs.count(); ++tab) {
        if (!tabs.isTabVisible(tab))
            continue; // its effect is not in the chain
        const QWidget* sheet = tabs.widget(tab);
        PrintListingLine(QStringLiteral("   ") + sheet->objectName().mid(2), x);
        for (const TParameterControl* control : pages.ControlsOn(sheet)) {
            if (!Shown(*control))
                continue;
            const QString line = ControlLine(*control);
            if (!line.isEmpty())
                PrintListingLine(line, x);
        }
    }
}

void TPresetPrint::PrintPerformanceMidi(int x) {
    // Each assignment as the tab shows it.
    for (const TPerformancePanel::TAssignmentView& view : performance.ShowEachAssignment()) {
        PrintListingLine(view.Entry, x);
        PrintListingLine(QStringLiteral("    is controlling: ") + view.Effect +
                             QStringLiteral(": ") + view.Parameter,
                         x);
        PrintListingLine(QStringLiteral("    low range value = ") + view.Low, x);
        PrintListingLine(QStringLiteral("    high range value = ") + view.High, x);
        PrintListingLine(QStringLiteral("    controller = #") + QString::number(view.Controller) +
                             QLatin1Char(' ') + view.ControllerName,
                         x);
    }
}
