// The keyboard shortcuts and their help window.

#include "app/KeyboardHelp.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

const std::vector<TShortcut>& KeyboardShortcuts() {
    static const std::vector<TShortcut> keys{
        {"Every window", "Alt+underlined letter", "the menu, button or box of that letter"},
        {"Every window", "Tab, Shift+Tab", "the next or the previous control"},
        {"Every window", "Ctrl+Tab, Ctrl+Shift+Tab", "the next or the previous tab of a page"},
        {"Main window", "F10", "fetch the unit's current preset"},
        {"Main window", "F9", "send the message buffer to MIDI Out"},
        {"Main window", "F5", "read the file list again"},
        {"Main window", "Ctrl+L", "the library"},
        {"Main window", "F11", "the gig view of a set list"},
        {"Main window", "Ctrl+C", "stop the backup, the restore or the writes that run"},
        {"Main window", "Insert", "insert or overwrite in the message buffer"},
        {"Main window", "Del", "delete the files chosen in the file list"},
        {"Preset editor", "Enter", "type the value of the parameter control that has the focus"},
        {"Preset editor", "Esc", "leave a typed value as it was"},
        {"Preset editor", "Arrows, PgUp, PgDown, Home, End", "move the slider that has the focus"},
        {"Preset editor", "Ctrl+PgDown", "fetch the unit's next slot into the editor"},
        {"Preset editor", "Ctrl+PgUp", "fetch the unit's previous slot into the editor"},
        {"Preset editor", "Ctrl+Z", "undo"},
        {"Preset editor", "Ctrl+Y", "redo"},
        {"Preset editor", "F9", "send the preset to MIDI Out"},
        {"Preset editor", "Ctrl+Shift+C",
         "copy the effect chosen in the chain, or whose page is shown"},
        {"Preset editor", "Ctrl+Shift+V", "paste the copied effect into this preset's same one"},
        {"Preset editor", "F5", "compare with the preset as it was, and back"},
        {"Library", "Ctrl+F", "search"},
        {"Library", "Down", "from the search to what it found"},
        {"Library", "Enter", "open the chosen preset in an editor"},
        {"Library", "Ctrl+R", "read the unit"},
        {"Library", "F5", "fetch the chosen slots"},
        {"Library", "Ctrl+H", "the history of the chosen slot"},
        {"Library", "Ctrl+S", "save the chosen presets"},
        {"Library", "Ctrl+U", "send the chosen presets to the unit"},
        {"Library", "Ctrl+D", "compare the chosen presets"},
        {"Library", "F2", "rename the chosen preset"},
        {"Library", "Ctrl+I", "import a .syx file"},
        {"Library", "Ctrl+E", "export the chosen presets as .syx"},
        {"Library", "Ctrl+Z", "undo the last writes to the unit"},
        {"Library", "Ctrl+Y", "redo them"},
        {"Library", "Ctrl+C", "stop what runs"},
        {"Library", "F11", "play the set list shown in the gig view, from the chosen song"},
        {"Set list", "Alt+Up, Alt+Down", "move the chosen songs up or down"},
        {"Set list", "Delete", "remove the chosen songs from the set list"},
        {"Set list", "F2", "edit the chosen song's title (or its note)"},
        {"Gig view", "Space, PgDown, Right", "the next song, the unit turned to its preset"},
        {"Gig view", "Backspace, PgUp, Left", "the previous song"},
        {"Gig view", "Enter", "turn the unit to the song's preset again"},
        {"Gig view", "Esc", "leave the gig view"},
        {"Program table editor", "F9", "send the table to MIDI Out"},
        {"Program table editor", "Tab, Shift+Tab", "the next or the previous cell of the table"},
        {"Program table editor", "Ctrl+Tab, Ctrl+Shift+Tab",
         "out of the table: the next or the previous control"},
    };
    return keys;
}

TfrmKeyboardHelp::TfrmKeyboardHelp(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmKeyboardHelp"));
    setWindowTitle(QStringLiteral("Keyboard shortcuts"));
    txtKeys = new QTextBrowser(this);
    txtKeys->setObjectName(QStringLiteral("txtKeys"));
    txtKeys->setAccessibleName(QStringLiteral("Keyboard shortcuts"));
    QString html;
    QString window;
    for (const TShortcut& key : KeyboardShortcuts()) {
        if (QString::fromLatin1(key.Window) != window) {
            if (!window.isEmpty())
                html += QStringLiteral("</table>");
            window = QString::fromLatin1(key.Window);
            html +=
                QStringLiteral("<h3>%1</h3><table cellpadding=\"3\">").arg(window.toHtmlEscaped());
        }
        html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(QString::fromLatin1(key.Keys).toHtmlEscaped(),
                         QString::fromLatin1(key.Does).toHtmlEscaped());
    }
    txtKeys->setHtml(html + QStringLiteral("</table>"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btnClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtKeys);
    layout->addWidget(buttons);
    const QFontMetrics metrics(font());
    resize(metrics.horizontalAdvance(QLatin1Char('x')) * 80, metrics.height() * 36);
}
