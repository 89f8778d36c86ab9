#pragma once
// An editor's "Performance MIDI" tab: up to eight assignments of a MIDI controller to an effect
// parameter with a low and a high value, the named controller list, and learning a controller
// from the MIDI input.

#include <QString>
#include <QWidget>
#include <vector>

class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QScrollBar;
class QTableWidget;
class TParameterPages;
class TPerfMIDI;
class TPresetDocument;
struct TParameterControl;

class TPerformancePanel : public QWidget {
    Q_OBJECT
public:
    // One assignment as the tab shows it.
    struct TAssignmentView {
        QString Entry; // "Controller #1"
        QString Effect;
        QString Parameter;
        QString Low;
        QString High;
        int Controller = 0;
        QString ControllerName;
    };

    // The controller names are read from the settings once, here.
    TPerformancePanel(TPresetDocument& document, TParameterPages& pages, QWidget* parent);

    // The tab starts over whenever the pages switch: active, it is the page now shown.
    void ResetTab(bool active);
    void Disarm();
    // Lists the assignments in use whose parameters the chain still holds; frees the others.
    void RebuildAssignments();
    // Each assignment in turn, selected and shown as a user would pick it.
    std::vector<TAssignmentView> ShowEachAssignment();
    int CurrentAssignment() const { return currentAssignment; }

    // While "Learn" is down, the next controller message from the MIDI input chooses its row.
    bool Learning() const;
    void LearnController(int controller);
    bool StopLearning(); // false: it was not learning

    QListWidget* lbxPMIdefctl;
    QMenu* popPMIctldef;
    QAction* pmiAddController;
    QAction* pmiDeleteController;
    QPushButton* btnPMIadd;
    QPushButton* btnPMIdel;
    QListWidget* lbxCtlParam;
    QListWidget* lbxParamNames;
    QLabel* lblPMIcurrval;
    QScrollBar* scrLowValue;
    QLabel* lblPMILowValue;
    QScrollBar* scrHighValue;
    QLabel* lblPMIHighValue;
    QTableWidget* grdPMctl;
    QPushButton* btnK27left;
    QPushButton* btnK27right;
    QPushButton* btnLearn;

private:
    void ClearParameter(bool rebuild);
    void ChooseEffect();
    void ChooseParameter();
    // choosing: the parameter was just chosen and takes its range; otherwise only shown.
    void ShowRange(bool choosing);
    void ChooseController(int row);
    void ShowAssignment();
    void AddAssignment();
    void DeleteAssignment();
    void UpdateCommands();
    void ReadControllerNames();
    void RenameController(int row);
    void RangeChanged(bool low);
    TPerfMIDI& Assignment();
    const TParameterControl* ListedControl() const;
    QString SelectorText(int position) const;

    TPresetDocument& document;
    TParameterPages& pages;
    int currentAssignment = 0;
    std::vector<TParameterControl*> listedControls; // one per entry of lbxParamNames
    bool active = false;
    bool armed = false;
    bool settingRange = false;
    bool fillingControllers = false;
};
