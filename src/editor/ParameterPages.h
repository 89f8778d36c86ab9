#pragma once
// The preset editor's parameter controls, made from the parameter table's rows: the mix
// sliders, one tab per analog block and one per digital effect page, each parameter with its
// caption, its control and its value text. Binding ties every control to its slot of the
// preset's parameter array; the digital controls follow the slots of the current group.

#include "model/ParameterTable.h"

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QScrollBar;
class QTabWidget;
class QWidget;
class TPreset;
class TqvLCDmeter;
class TqvRadioGroup;
class TqvTrackBar;

// One parameter's control with everything around it.
struct TParameterControl {
    std::string Name; // component name: "trbCMPdrive"
    TControlKind Kind = TControlKind::TrackBar;
    const TParameterInfo* Info = nullptr; // the row in force (variants differ per effect)
    QWidget* Tab = nullptr;               // the tab sheet it stands on
    QWidget* Widget = nullptr;            // the control itself
    TqvTrackBar* TrackBar = nullptr;
    TqvRadioGroup* Radio = nullptr;
    TqvLCDmeter* Meter = nullptr;
    QScrollBar* ScrollBar = nullptr; // drives an equalizer band's meter
    QCheckBox* Check = nullptr;
    QListWidget* List = nullptr; // base-key list
    QLabel* Caption = nullptr;
    QLabel* ValueLabel = nullptr; // "txt" + name without its kind prefix
    int Slot = -1;                // bound slot, -1 when unbound
    bool Digital = false;

    // The value as stored in the bound slot (or as the control shows it when unbound).
    int StoredValue() const;
    // Refreshes the value label from the control ("...Change" display handler).
    void ShowValue();
};

class TParameterPages {
public:
    // Builds every control: the mix sliders into mixGroup, the analog tabs into analogPages,
    // the digital tabs into digitalPages.
    TParameterPages(QGroupBox* mixGroup, QTabWidget* analogPages, QTabWidget* digitalPages);
    ~TParameterPages();
    TParameterPages(const TParameterPages&) = delete;
    TParameterPages& operator=(const TParameterPages&) = delete;

    // Binds the mix and analog controls to slots 0..36; changes made by the user then call
    // deferred (sliders, radio groups, equalizer bands) or immediate (check boxes).
    void BindFixed(TPreset& preset);
    // Binds the digital controls of the group's effects to their blocks from slot 37 on and
    // shows exactly the tabs of the selected effects.
    void BindDigital(TPreset& preset, const std::vector<int>& selectedEffects);
    // The diffusion controls are shown only with "Reverb 3" among the selected effects.
    void ApplyDiffusionRule(const std::vector<int>& selectedEffects);

    std::function<void()> OnDeferredChange;
    std::function<void()> OnImmediateChange;

    TParameterControl* Find(const std::string& name);
    const std::vector<std::unique_ptr<TParameterControl>>& Controls() const { return controls; }
    // The tab sheet of a digital page by caption ("Reverb") or name ("tsReverb"); of an analog
    // block by its index.
    QWidget* DigitalTab(const std::string& caption) const;
    QWidget* AnalogTab(int block) const;
    QTabWidget* AnalogPages() const { return analogPages; }
    QTabWidget* DigitalPages() const { return digitalPages; }
    QPushButton* btnMPNcenter = nullptr;

private:
    TParameterControl& Make(const TParameterInfo& info, QWidget* tab, bool digital);
    QWidget* BuildPage(const std::vector<const TEffectPage*>& pages, bool digital);
    void Bind(TParameterControl& control, const TParameterInfo& info, TPreset& preset, int slot);

    QTabWidget* analogPages;
    QTabWidget* digitalPages;
    std::vector<std::unique_ptr<TParameterControl>> controls;
    std::map<std::string, TParameterControl*> byName;
    std::map<std::string, QWidget*> digitalTabs;
    std::vector<QWidget*> analogTabs;
    bool binding = false;
};

// The caption a parameter's name is shown with: "base key" reads "Base key".
QString ParameterCaption(const TParameterInfo& info);
