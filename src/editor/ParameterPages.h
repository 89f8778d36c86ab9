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
class TValueEntry;

// One parameter's control with everything around it.
struct TParameterControl {
    std::string Name; // component name: "trbCMPdrive"
    TControlKind Kind = TControlKind::TrackBar;
    const TParameterInfo* Info = nullptr; // the row in force (variants differ per effect)
    QWidget* Tab = nullptr;               // the tab sheet it stands on (the mix group for the mix)
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
    // Moves the control to a stored value as the user would: the change counts as an edit.
    void Take(int storedValue);
};

class TParameterPages {
public:
    // Makes the mix sliders in mixGroup and one tab per analog block in analogPages and per
    // digital effect page in digitalPages. A tab's controls are made when it is first shown, so
    // an editor pays only for the effects its presets use.
    TParameterPages(QGroupBox* mixGroup, QTabWidget* analogPages, QTabWidget* digitalPages);
    ~TParameterPages();
    TParameterPages(const TParameterPages&) = delete;
    TParameterPages& operator=(const TParameterPages&) = delete;

    // Shows or hides the tab of an analog block.
    void ShowAnalogTab(int block, bool shown);
    // Binds the mix and analog controls to slots 0..36; changes made by the user then call
    // deferred (sliders, radio groups, equalizer bands) or immediate (check boxes).
    void BindFixed(TPreset& preset);
    // Binds the digital controls of the group's effects to their blocks from slot 37 on and
    // shows exactly the tabs of the selected effects.
    void BindDigital(TPreset& preset, const std::vector<int>& selectedEffects);
    // The diffusion controls are shown only with "Reverb 3" among the selected effects.
    void ApplyDiffusionRule();

    std::function<void()> OnDeferredChange;
    std::function<void()> OnImmediateChange;

    // The control of that name (its tab is made first if it has not been shown yet).
    TParameterControl* Find(const std::string& name);
    // The controls standing on a tab sheet, in the tab's order.
    std::vector<TParameterControl*> ControlsOn(const QWidget* sheet) const;
    // The tab sheet of a digital page by caption ("Reverb") or name ("tsReverb"); of an analog
    // block by its index.
    QWidget* DigitalTab(const std::string& caption) const;
    QWidget* AnalogTab(int block) const;
    QPushButton* btnMPNcenter = nullptr;
    // The field a value is typed into while it is open, else nullptr.
    QWidget* TypedValueField() const;
    // Closes that field, taking nothing: the record it was opened on is being replaced.
    void CloseTypedValue();

private:
    // A tab sheet and the pages of the effects that share it.
    struct TSheet {
        QWidget* Widget = nullptr;
        std::vector<const TEffectPage*> Pages;
        bool Digital = false;
        bool Built = false;
    };
    TParameterControl& Make(const TParameterInfo& info, QWidget* sheet, QWidget* content,
                            bool digital);
    void Build(TSheet& sheet);
    void Show(TSheet& sheet, QTabWidget* pages, bool shown);
    TParameterControl* Built(const std::string& name) const;
    void Bind(TParameterControl& control, const TParameterInfo& info, TPreset& preset, int slot);
    void BindAsBefore(TParameterControl& control);

    QTabWidget* analogPages;
    QTabWidget* digitalPages;
    std::vector<TSheet> analogSheets;
    std::vector<TSheet> digitalSheets;
    std::vector<std::unique_ptr<TParameterControl>> controls;
    std::map<std::string, TParameterControl*> byName;
    std::map<std::string, QWidget*> digitalTabs;
    std::map<std::string, TSheet*> sheetOfControl;
    // What a control made later is bound to: the record of the last binding, and the row and
    // slot of every digital control the group's blocks hold.
    TPreset* boundPreset = nullptr;
    std::map<std::string, std::pair<const TParameterInfo*, int>> digitalBinding;
    std::vector<int> selected;
    bool binding = false;
    std::unique_ptr<TValueEntry> valueEntry; // the typed-value field, shared by every control
};

// The caption a parameter's name is shown with: "base key" reads "Base key".
QString ParameterCaption(const TParameterInfo& info);
