#pragma once
// The borderless window that serves as the splash at start-up and as the about window.

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

class QLabel;
class QTimer;

// Set once the main window has been seen active and visible by a splash.
extern bool MainWindowSeen;

// The maker, as the about window shows it.
extern const char* const kMakerName;
extern const char* const kMakerMail;
extern const char* const kMakerWeb;

class TqvSplashAbout : public QDialog {
    Q_OBJECT
public:
    TqvSplashAbout(QWidget* owner, bool aboutMode);

    QLabel* lblAppTitle;
    QLabel* lblVersion;
    QLabel* imgIcon;
    QLabel* lblFeedback;
    QLabel* lblThatsMe;
    QLabel* lblCustomDev;
    QLabel* lblEMail;
    QLabel* lblURL;
    QLabel* lblOSinfo;
    QLabel* lblMem;
    QLabel* lblPhysMem;
    QStringList DescriptionLines;
    QTimer* CloseTimer = nullptr;
    // Since when the main window has been visible, active or not.
    QElapsedTimer MainWindowVisible;
    static constexpr int kLongestWaitForActivation = 2000; // milliseconds

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    void CloseTimerTick();

private:
    bool aboutMode;
};

// Shows the window: in splash mode without waiting (it closes itself about a second after
// the main window is up), in about mode modally. Returns the splash window in splash mode.
TqvSplashAbout* ShowSplash(QWidget* owner, bool aboutMode);

// Physical memory in kilobytes as "#,### KB".
QString PhysicalMemoryText();
