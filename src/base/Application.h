#pragma once
// The program's application object. An exception that escapes an event handler would end
// the program on the spot; here the user is shown its text and the program goes on.

#include <QApplication>

class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

// The program's icon, drawn at the sizes desktops ask for.
QIcon ApplicationIcon();

// "Appearance": the desktop's own palette, or a light or a dark one of the program's.
enum class TAppearance { Desktop = 0, Light = 1, Dark = 2 };
// Every window takes the palette at once; the desktop's is the one the program started with.
void ApplyAppearance(TAppearance appearance);
