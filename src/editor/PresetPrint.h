#pragma once
// The printed listing of a preset as an editor shows it: a heading, then three columns side by
// side (the analog effects, the digital effects, the mix and the performance MIDI assignments),
// every value in the words the editor shows for it.

#include <QString>

class QFont;
class QTabWidget;
class TParameterPages;
class TPerformancePanel;

class TPresetPrint {
public:
    TPresetPrint(TParameterPages& pages, QTabWidget& analogPages, QTabWidget& digitalPages,
                 TPerformancePanel& performance);

    // One job in the window's font through the shared print routines, into the target chosen
    // before.
    void Print(const QFont& font, const QString& fileName, const QString& title);

private:
    void PrintTabs(QTabWidget& tabs, int x);
    void PrintPerformanceMidi(int x);

    TParameterPages& pages;
    QTabWidget& analogPages;
    QTabWidget& digitalPages;
    TPerformancePanel& performance;
};
