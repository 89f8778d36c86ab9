// The parameter controls of the preset editor, made from the parameter table and bound to
// the preset's slots.

#include "editor/ParameterPages.h"

#include "base/qvUtility.h"
#include "controls/AccessibleValue.h"
#include "controls/qvLCDmeter.h"
#include "controls/qvRadioGroup.h"
#include "controls/qvTrackBar.h"
#include "editor/ValueEntry.h"
#include "model/EffectCatalogue.h"
#include "model/Preset.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

namespace {
constexpr int kBandTop = 12; // an equalizer band's scroll bar: its top is the highest gain
constexpr int kMaxItemsPerColumn = 7;

// The name without its three-letter kind prefix: "trbCMPdrive" → "CMPdrive".
QString WithoutKind(std::string_view control) {
    return Latin1Text(control.substr(3));
}

// A value label wide enough for the longest text the parameter can show, so values do not
// make the layout jump. Every editor would work the same widths out again: they are kept.
int ValueLabelWidth(const TParameterInfo& info, const QFont& font) {
    static std::map<std::pair<const TParameterInfo*, QString>, int> widths;
    const auto key = std::make_pair(&info, font.key());
    const auto known = widths.find(key);
    if (known != widths.end())
        return known->second;
    const QFontMetrics metrics(font);
    int widest = metrics.horizontalAdvance(QStringLiteral("0000 ms"));
    for (int value = info.Min; value <= info.Max; ++value)
        widest = std::max(widest, metrics.horizontalAdvance(
                                      QString::fromStdString(ParameterValueText(info, value))));
    widest += metrics.horizontalAdvance(QLatin1Char(' '));
    widths.emplace(key, widest);
    return widest;
}

// The parameters of a tab that several effects share: the longest page's order, then
// whatever the others have beyond it.
std::vector<const TParameterInfo*> TabParameters(const std::vector<const TEffectPage*>& pages) {
    const TEffectPage* longest = *std::max_element(
        pages.begin(), pages.end(), [](const TEffectPage* a, const TEffectPage* b) {
            return a->Parameters.size() < b->Parameters.size();
        });
    std::vector<const TParameterInfo*> parameters;
    const auto take = [&](const TEffectPage* page) {
        for (const TParameterInfo& info : page->Parameters)
            if (std::none_of(parameters.begin(), parameters.end(),
                             [&](const TParameterInfo* p) { return p->Control == info.Control; }))
                parameters.push_back(&info);
    };
    take(longest);
    for (const TEffectPage* page : pages)
        take(page);
    return parameters;
}
// What a screen reader calls a parameter: its effect and its name, "Reverb 1 type".
QString AccessibleName(const TParameterInfo& info) {
    static const std::map<const TParameterInfo*, QString> names = [] {
        std::map<const TParameterInfo*, QString> made;
        const auto name = [](std::string_view effect, const TParameterInfo& row) {
            return Latin1Text(effect) + QLatin1Char(' ') + Latin1Text(row.Name);
        };
        for (const TParameterInfo& row : MixParameters())
            made[&row] = name("Mix", row);
        for (const TEffectPage& page : AnalogPages())
            for (const TParameterInfo& row : page.Parameters)
                made[&row] = name(page.Caption, row);
        for (std::size_t effect = 0; effect < DigitalEffectPages().size(); ++effect)
            for (const TParameterInfo& row : DigitalEffectPages()[effect].Parameters)
                made[&row] = name(DigitalEffectName(static_cast<int>(effect)), row);
        return made;
    }();
    const auto found = names.find(&info);
    return found != names.end() ? found->second : ParameterCaption(info);
}

// The name and description a screen reader gives the control of a row.
void TellScreenReaders(TParameterControl& control, const TParameterInfo& info) {
    const QString name = AccessibleName(info);
    control.Widget->setAccessibleName(name);
    QString description = QString::fromStdString(ParameterValueHint(info));
    if (control.ValueLabel != nullptr || control.Kind == TControlKind::RadioGroup ||
        control.Kind == TControlKind::BaseKeyList)
        description += QStringLiteral("; Enter types a value");
    control.Widget->setAccessibleDescription(description);
}
} // namespace

QString ParameterCaption(const TParameterInfo& info) {
    QString caption = Latin1Text(info.Name);
    if (!caption.isEmpty())
        caption[0] = caption[0].toUpper();
    return caption;
}

int TParameterControl::StoredValue() const {
    switch (Kind) {
    case TControlKind::TrackBar:
        if (TrackBar->Cell() != nullptr)
            return *TrackBar->Cell();
        return TrackBar->Mirrored ? TrackBar->maximum() - TrackBar->value() : TrackBar->value();
    case TControlKind::RadioGroup:
        if (Radio->Cell() != nullptr)
            return *Radio->Cell();
        return Radio->ItemIndex() + Radio->DataAddend;
    case TControlKind::EqualizerBand:
        return Meter->Position();
    case TControlKind::CheckBox:
        return Check->isChecked() ? 1 : 0;
    case TControlKind::BaseKeyList:
        return List->currentRow();
    }
    return 0;
}

void TParameterControl::ShowValue() {
    if (ValueLabel == nullptr || Info == nullptr)
        return;
    const QString text = QString::fromStdString(ParameterValueText(*Info, StoredValue()));
    ValueLabel->setText(text);
    if (auto* slider = qobject_cast<QAbstractSlider*>(Widget))
        SetValueText(slider, text);
}

void TParameterControl::Take(int storedValue) {
    switch (Kind) {
    case TControlKind::TrackBar:
        TrackBar->setValue(TrackBar->Mirrored ? TrackBar->maximum() - storedValue : storedValue);
        break;
    case TControlKind::RadioGroup:
        Radio->SetItemIndex(storedValue - Radio->DataAddend);
        break;
    case TControlKind::EqualizerBand:
        ScrollBar->setValue(kBandTop - storedValue);
        break;
    case TControlKind::CheckBox:
        if (Check->isChecked() != (storedValue != 0))
            Check->click();
        break;
    case TControlKind::BaseKeyList:
        List->setCurrentRow(storedValue);
        break;
    }
}

// (mix, analog pages, digital pages): the editor's order, top to bottom.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TParameterPages::TParameterPages(QGroupBox* mixGroup, QTabWidget* analogPages,
                                 QTabWidget* digitalPages)
    : analogPages(analogPages), digitalPages(digitalPages),
      valueEntry(std::make_unique<TValueEntry>()) {
    InstallValueTextAccessibility();
    auto* mixLayout = new QGridLayout(mixGroup);
    int row = 0;
    for (const TParameterInfo& info : MixParameters()) {
        TParameterControl& control = Make(info, mixGroup, mixGroup, false);
        mixLayout->addWidget(control.Caption, row, 0);
        mixLayout->addWidget(control.TrackBar, row, 1);
        mixLayout->addWidget(control.ValueLabel, row, 2);
        ++row;
    }
    mixLayout->setColumnStretch(1, 1);

    const auto sheet = [](const TEffectPage& page) {
        auto* widget = new QWidget;
        widget->setObjectName(Latin1Text(page.Sheet));
        return widget;
    };
    analogSheets.reserve(::AnalogPages().size());
    for (const TEffectPage& page : ::AnalogPages()) {
        analogSheets.push_back({sheet(page), {&page}, false, false});
        analogPages->addTab(analogSheets.back().Widget, Latin1Text(page.Caption));
    }

    // Effects that share a tab (the reverbs, the delays in two lengths, ...) share its
    // controls; the tabs stand in the order of their first effect.
    std::vector<std::string> order;
    std::map<std::string, std::vector<const TEffectPage*>> pagesByCaption;
    for (const TEffectPage& page : DigitalEffectPages()) {
        const std::string caption(page.Caption);
        if (pagesByCaption.find(caption) == pagesByCaption.end())
            order.push_back(caption);
        pagesByCaption[caption].push_back(&page);
    }
    digitalSheets.reserve(order.size());
    for (const std::string& caption : order) {
        const std::vector<const TEffectPage*>& pages = pagesByCaption[caption];
        digitalSheets.push_back({sheet(*pages.front()), pages, true, false});
        QWidget* widget = digitalSheets.back().Widget;
        digitalTabs[caption] = widget;                            // found by its caption ("Reverb")
        digitalTabs[widget->objectName().toStdString()] = widget; // and by its name ("tsReverb")
        digitalPages->addTab(widget, QString::fromStdString(caption));
    }
    for (std::vector<TSheet>* sheets : {&analogSheets, &digitalSheets})
        for (TSheet& each : *sheets)
            for (const TEffectPage* page : each.Pages)
                for (const TParameterInfo& info : page->Parameters)
                    sheetOfControl[std::string(info.Control)] = &each;
}

TParameterPages::~TParameterPages() = default;

// (sheet, tab): the control's own page, then the tab that shows it.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
TParameterControl& TParameterPages::Make(const TParameterInfo& info, QWidget* sheet, QWidget* tab,
                                         bool digital) {
    auto control = std::make_unique<TParameterControl>();
    control->Name = std::string(info.Control);
    control->Kind = info.Kind;
    control->Info = &info;
    control->Tab = sheet;
    control->Digital = digital;
    TParameterControl* self = control.get();
    const auto deferred = [this] {
        if (OnDeferredChange)
            OnDeferredChange();
    };
    const QFontMetrics metrics(tab->font());

    if (info.Kind == TControlKind::TrackBar || info.Kind == TControlKind::EqualizerBand) {
        control->ValueLabel = new QLabel(tab);
        control->ValueLabel->setObjectName(QStringLiteral("txt") + WithoutKind(info.Control));
        control->ValueLabel->setMinimumWidth(ValueLabelWidth(info, tab->font()));
    }
    switch (info.Kind) {
    case TControlKind::TrackBar: {
        control->TrackBar = new TqvTrackBar(tab);
        control->TrackBar->setOrientation(Qt::Horizontal);
        control->TrackBar->setRange(info.Min, info.Max);
        control->TrackBar->Mirrored = info.Mirrored;
        control->TrackBar->setMinimumWidth(metrics.horizontalAdvance(QLatin1Char('x')) * 20);
        control->TrackBar->OnValueChanged = deferred;
        QObject::connect(control->TrackBar, &TqvTrackBar::Change, tab,
                         [self] { self->ShowValue(); });
        control->Widget = control->TrackBar;
        control->Caption = new QLabel(ParameterCaption(info), tab);
        control->Caption->setObjectName(QStringLiteral("lbl") + Latin1Text(info.Control.substr(3)));
        break;
    }
    case TControlKind::RadioGroup: {
        control->Radio = new TqvRadioGroup(tab);
        control->Radio->setTitle(ParameterCaption(info));
        QStringList items;
        for (std::string_view item : info.Items)
            items << Latin1Text(item);
        control->Radio->SetItems(items);
        control->Radio->DataAddend = info.DataAddend;
        control->Radio->SetColumns((static_cast<int>(info.Items.size()) + kMaxItemsPerColumn - 1) /
                                   kMaxItemsPerColumn);
        // A single fixed item ("Record ready") only tells the state; it is not a choice.
        control->Radio->setEnabled(info.Items.size() > 1);
        control->Radio->OnValueChanged = deferred;
        control->Widget = control->Radio;
        break;
    }
    case TControlKind::EqualizerBand: {
        control->Meter = new TqvLCDmeter(tab);
        control->Meter->setObjectName(QStringLiteral("lcd") + WithoutKind(info.Control));
        control->Meter->SetParams(info.Default, info.Min, info.Max);
        control->Meter->OnValueChanged = deferred;
        control->ScrollBar = new QScrollBar(Qt::Vertical, tab);
        control->ScrollBar->setRange(info.Min, info.Max);
        control->ScrollBar->setMinimumHeight(metrics.height() * 7);
        QObject::connect(control->ScrollBar, &QScrollBar::valueChanged, tab, [self](int position) {
            // The top of the bar is the highest gain.
            self->Meter->SetPosition(kBandTop - position);
            self->ShowValue();
        });
        control->Widget = control->ScrollBar;
        control->Caption = new QLabel(Latin1Text(info.Name), tab);
        control->Caption->setObjectName(QStringLiteral("lbl") + WithoutKind(info.Control));
        break;
    }
    case TControlKind::CheckBox: {
        control->Check = new QCheckBox(Latin1Text(info.Caption), tab);
        QObject::connect(control->Check, &QCheckBox::clicked, tab, [this, self](bool checked) {
            if (self->Slot < 0 || self->Check->property("cell").value<void*>() == nullptr)
                return;
            *static_cast<int*>(self->Check->property("cell").value<void*>()) = checked ? 1 : 0;
            if (OnImmediateChange)
                OnImmediateChange();
        });
        control->Widget = control->Check;
        break;
    }
    case TControlKind::BaseKeyList: {
        control->List = new QListWidget(tab);
        // The sampler's keys are the pitch transposer's.
        for (const std::string& name : BaseKeyNames())
            control->List->addItem(QString::fromLatin1(name.c_str()));
        control->List->setMinimumHeight(metrics.height() * 6);
        control->List->setMaximumWidth(metrics.horizontalAdvance(QStringLiteral("XXXXXXXXXXXX")));
        QObject::connect(control->List, &QListWidget::currentRowChanged, tab,
                         [this, self](int row) {
                             if (binding || self->Slot < 0 || row < 0)
                                 return;
                             void* cell = self->List->property("cell").value<void*>();
                             if (cell == nullptr)
                                 return;
                             *static_cast<int*>(cell) = row;
                             if (OnImmediateChange)
                                 OnImmediateChange();
                         });
        control->Widget = control->List;
        control->Caption = new QLabel(ParameterCaption(info), tab);
        control->Caption->setObjectName(QStringLiteral("lbl") + WithoutKind(info.Control));
        break;
    }
    }
    control->Widget->setObjectName(Latin1Text(info.Control));
    if (auto* slider = qobject_cast<QAbstractSlider*>(control->Widget))
        SetValueText(slider, {}); // before a screen reader first asks about it
    TellScreenReaders(*control, info);
    valueEntry->Watch(*control);
    byName[control->Name] = control.get();
    controls.push_back(std::move(control));
    return *self;
}

void TParameterPages::Build(TSheet& sheet) {
    if (sheet.Built)
        return;
    sheet.Built = true;
    // The sheet scrolls, so a large font never squeezes controls over each other.
    auto* frame = new QVBoxLayout(sheet.Widget);
    frame->setContentsMargins(0, 0, 0, 0);
    auto* scroller = new QScrollArea(sheet.Widget);
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus); // the keys belong to the controls it holds
    frame->addWidget(scroller);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    auto* radios = new QHBoxLayout;
    auto* checks = new QHBoxLayout;
    auto* bands = new QHBoxLayout;
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    int row = 0;
    std::vector<TParameterControl*> made;
    for (const TParameterInfo* info : TabParameters(sheet.Pages)) {
        TParameterControl& control = Make(*info, sheet.Widget, content, sheet.Digital);
        made.push_back(&control);
        switch (info->Kind) {
        case TControlKind::RadioGroup:
            radios->addWidget(control.Radio, 0, Qt::AlignTop);
            break;
        case TControlKind::CheckBox:
            checks->addWidget(control.Check);
            break;
        case TControlKind::EqualizerBand: {
            auto* band = new QVBoxLayout;
            band->addWidget(control.Caption, 0, Qt::AlignHCenter);
            auto* pair = new QHBoxLayout;
            pair->addWidget(control.ScrollBar);
            pair->addWidget(control.Meter);
            band->addLayout(pair, 1);
            band->addWidget(control.ValueLabel, 0, Qt::AlignHCenter);
            control.ValueLabel->setAlignment(Qt::AlignHCenter);
            bands->addLayout(band);
            break;
        }
        case TControlKind::TrackBar:
        case TControlKind::BaseKeyList:
            grid->addWidget(control.Caption, row, 0);
            grid->addWidget(control.Widget, row, 1);
            if (control.ValueLabel != nullptr)
                grid->addWidget(control.ValueLabel, row, 2);
            if (control.Name == "trbMPNpos") {
                btnMPNcenter = new QPushButton(QStringLiteral("&Center"), content);
                btnMPNcenter->setObjectName(QStringLiteral("btnMPNcenter"));
                grid->addWidget(btnMPNcenter, row, 3);
                TqvTrackBar* position = control.TrackBar;
                TParameterControl* self = &control;
                QObject::connect(btnMPNcenter, &QPushButton::clicked, content, [position, self] {
                    position->setValue(63);
                    self->ShowValue();
                });
            }
            if (control.Name == "trbREVdiffusion") {
                control.Caption->setObjectName(QStringLiteral("txtREVdifflbl"));
                control.Caption->setText(QStringLiteral("Diffusion:"));
            }
            ++row;
            break;
        }
    }
    // Rows that stayed empty on this page are not kept.
    const auto place = [layout](QBoxLayout* row, int stretch) {
        if (row->isEmpty()) {
            delete row;
            return;
        }
        if (stretch == 0)
            row->addStretch(1);
        layout->addLayout(row, stretch);
    };
    place(radios, 0);
    place(checks, 0);
    place(bands, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    scroller->setWidget(content);
    for (TParameterControl* control : made)
        BindAsBefore(*control);
    if (sheet.Digital)
        ApplyDiffusionRule();
}

QWidget* TParameterPages::TypedValueField() const {
    return valueEntry->Field();
}

void TParameterPages::CloseTypedValue() {
    valueEntry->Close();
}

TParameterControl* TParameterPages::Built(const std::string& name) const {
    const auto found = byName.find(name);
    return found == byName.end() ? nullptr : found->second;
}

TParameterControl* TParameterPages::Find(const std::string& name) {
    const auto sheet = sheetOfControl.find(name);
    if (sheet != sheetOfControl.end())
        Build(*sheet->second);
    return Built(name);
}

std::vector<TParameterControl*> TParameterPages::ControlsOn(const QWidget* sheet) const {
    std::vector<TParameterControl*> on;
    for (const auto& control : controls)
        if (control->Tab == sheet)
            on.push_back(control.get());
    return on;
}

QWidget* TParameterPages::DigitalTab(const std::string& caption) const {
    const auto found = digitalTabs.find(caption);
    return found == digitalTabs.end() ? nullptr : found->second;
}

QWidget* TParameterPages::AnalogTab(int block) const {
    return block >= 0 && block < static_cast<int>(analogSheets.size())
               ? analogSheets[static_cast<std::size_t>(block)].Widget
               : nullptr;
}

void TParameterPages::Show(TSheet& sheet, QTabWidget* pages, bool shown) {
    if (shown)
        Build(sheet);
    pages->setTabVisible(pages->indexOf(sheet.Widget), shown);
}

void TParameterPages::ShowAnalogTab(int block, bool shown) {
    if (block >= 0 && block < static_cast<int>(analogSheets.size()))
        Show(analogSheets[static_cast<std::size_t>(block)], analogPages, shown);
}

void TParameterPages::Bind(TParameterControl& control, const TParameterInfo& info, TPreset& preset,
                           int slot) {
    if (control.Info != &info)
        TellScreenReaders(control, info); // the tab's effect is another one now
    control.Info = &info;
    control.Slot = slot;
    int* cell = &preset.ParameterValues[static_cast<std::size_t>(slot)];
    switch (control.Kind) {
    case TControlKind::TrackBar:
        // Unbound while the range and mirroring change: a position that moves because of
        // them must not land in a slot that may by now hold another effect's parameter.
        // A position the new range clamps is no edit either: nobody is told.
        control.TrackBar->Bind(nullptr);
        {
            const auto told = std::exchange(control.TrackBar->OnValueChanged, nullptr);
            control.TrackBar->setRange(info.Min, info.Max);
            control.TrackBar->OnValueChanged = told;
        }
        control.TrackBar->Mirrored = info.Mirrored;
        control.TrackBar->Bind(cell);
        break;
    case TControlKind::RadioGroup: {
        control.Radio->Bind(nullptr);
        QStringList items;
        for (std::string_view item : info.Items)
            items << Latin1Text(item);
        if (items != control.Radio->Items())
            control.Radio->SetItems(items);
        control.Radio->DataAddend = info.DataAddend;
        control.Radio->Bind(cell);
        break;
    }
    case TControlKind::EqualizerBand: {
        control.Meter->Bind(cell);
        const QSignalBlocker quiet(control.ScrollBar);
        control.ScrollBar->setValue(kBandTop - control.Meter->Position());
        break;
    }
    case TControlKind::CheckBox:
        control.Check->setProperty("cell", QVariant::fromValue(static_cast<void*>(cell)));
        control.Check->setChecked(*cell != 0);
        break;
    case TControlKind::BaseKeyList: {
        binding = true;
        control.List->setProperty("cell", QVariant::fromValue(static_cast<void*>(cell)));
        control.List->setProperty("Tag", slot - kDigitalAreaStart);
        control.List->setCurrentRow(*cell >= 0 && *cell < control.List->count() ? *cell : -1);
        binding = false;
        break;
    }
    }
    control.ShowValue();
}

// A control made after the last binding takes the slot its kind was given there.
void TParameterPages::BindAsBefore(TParameterControl& control) {
    if (boundPreset == nullptr)
        return;
    if (!control.Digital) {
        Bind(control, *control.Info, *boundPreset, control.Info->Offset);
        return;
    }
    const auto found = digitalBinding.find(control.Name);
    if (found != digitalBinding.end())
        Bind(control, *found->second.first, *boundPreset, found->second.second);
}

void TParameterPages::BindFixed(TPreset& preset) {
    boundPreset = &preset;
    for (const auto& control : controls)
        if (!control->Digital)
            Bind(*control, *control->Info, preset, control->Info->Offset);
}

void TParameterPages::BindDigital(TPreset& preset, const std::vector<int>& selectedEffects) {
    boundPreset = &preset;
    selected = selectedEffects;
    // Every digital control lets go of its slot first: a control of an effect that left the
    // group must not keep writing where another effect's parameters now stand.
    for (auto& control : controls) {
        if (!control->Digital)
            continue;
        control->Slot = -1;
        if (control->TrackBar != nullptr)
            control->TrackBar->Bind(nullptr);
        if (control->Radio != nullptr)
            control->Radio->Bind(nullptr);
        if (control->Check != nullptr)
            control->Check->setProperty("cell", QVariant());
        if (control->List != nullptr)
            control->List->setProperty("cell", QVariant());
    }
    digitalBinding.clear();
    const int group = preset.DigitalGroup;
    int slot = kDigitalAreaStart;
    if (group >= 0 && group < kDigitalGroupTotal) {
        for (const int effect : GroupRow(group)) {
            if (effect < 0 || effect >= kDigitalEffectTotal)
                continue;
            for (const TParameterInfo& info :
                 DigitalEffectPages()[static_cast<std::size_t>(effect)].Parameters) {
                if (slot >= kParameterCount)
                    break;
                digitalBinding[std::string(info.Control)] = {&info, slot};
                if (TParameterControl* control = Built(std::string(info.Control)))
                    Bind(*control, info, preset, slot);
                ++slot;
            }
        }
    }
    for (TSheet& sheet : digitalSheets) {
        const bool shown = std::any_of(selected.begin(), selected.end(), [&sheet](int effect) {
            return std::find(sheet.Pages.begin(), sheet.Pages.end(),
                             &DigitalEffectPages()[static_cast<std::size_t>(effect)]) !=
                   sheet.Pages.end();
        });
        Show(sheet, digitalPages, shown);
    }
    digitalPages->setVisible(!selected.empty());
    ApplyDiffusionRule();
}

void TParameterPages::ApplyDiffusionRule() {
    constexpr int kReverb3 = 9;
    const bool diffusion = std::find(selected.begin(), selected.end(), kReverb3) != selected.end();
    if (TParameterControl* control = Built("trbREVdiffusion")) {
        control->TrackBar->setVisible(diffusion);
        control->Caption->setVisible(diffusion);
        control->ValueLabel->setVisible(diffusion);
    }
}
