#pragma once
// "Help > Keyboard shortcuts": every key of every window, by window.

#include <QDialog>
#include <vector>

class QTextBrowser;

struct TShortcut {
    const char* Window; // "Preset editor"
    const char* Keys;   // "Ctrl+PgDown", as QKeySequence writes it where it is one
    const char* Does;
};

// The keys, window by window, in the order the help shows them.
const std::vector<TShortcut>& KeyboardShortcuts();

class TfrmKeyboardHelp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmKeyboardHelp(QWidget* parent = nullptr);
    QTextBrowser* txtKeys;
};
