// Every window as a keyboard and screen-reader user meets it: each control that takes the focus
// has a name a listener understands, and the underlined letters of what is shown at once are
// unique. Every tab of every tab widget is visited, as a user would turn to it.

#include "app/KeyboardHelp.h"
#include "app/Main.h"
#include "editor/ParameterPages.h"
#include "editor/PresetEditor.h"
#include "library/Library.h"
#include "mpt/mpt_edit.h"
#include "support/MainRig.h"
#include "support/ModalAnswer.h"
#include "support/PlatformEvents.h"
#include "support/PumpUntil.h"
#include "support/TestPresets.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAccessible>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTextBrowser>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>

namespace {
// The letters taken in one scope (a window as it shows, a menu): one used twice is a fault.
struct TKeys {
    QString Scope;
    std::map<QString, QString> Taken;
    void Take(const QString& text, const QString& what, std::set<QString>& faults) {
        const QString key = QKeySequence::mnemonic(text).toString(); // "Alt+O" for "&Open"
        if (key.isEmpty())
            return;
        const auto [at, added] = Taken.emplace(key, what);
        if (!added && at->second != what)
            faults.insert(
                QStringLiteral("%1: %2 twice, %3 and %4").arg(Scope, key, at->second, what));
    }
};

// What a widget shows with an access key: a button's text, a label's, a group box's title.
QString KeyedText(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (const auto* label = qobject_cast<const QLabel*>(widget))
        return label->buddy() != nullptr ? label->text() : QString();
    if (const auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->isCheckable() ? group->title() : QString();
    return {};
}

QString Describe(const QWidget* widget) {
    return QStringLiteral("%1 '%2'").arg(QString::fromLatin1(widget->metaObject()->className()),
                                         widget->objectName());
}

// Within each menu, as within a window, the letters are unique.
void InspectMenu(const QString& window, QMenu* menu, std::set<QString>& faults) {
    TKeys keys{window + QStringLiteral(" menu ") + menu->title(), {}};
    for (QAction* item : menu->actions()) {
        if (item->isVisible())
            keys.Take(item->text(), item->text(), faults);
        if (item->menu() != nullptr)
            InspectMenu(window, item->menu(), faults);
    }
}

// The faults of the window as it shows now.
void Inspect(QWidget* window, std::set<QString>& faults) {
    TKeys keys{window->objectName(), {}};
    if (auto* bar = window->findChild<QMenuBar*>())
        for (QAction* menu : bar->actions()) {
            keys.Take(menu->text(), QStringLiteral("menu ") + menu->text(), faults);
            if (menu->menu() != nullptr)
                InspectMenu(window->objectName(), menu->menu(), faults);
        }
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || widget->window() != window)
            continue;
        keys.Take(KeyedText(widget), Describe(widget) + QStringLiteral(" ") + KeyedText(widget),
                  faults);
        if (auto* tabs = qobject_cast<QTabWidget*>(widget))
            for (int tab = 0; tab < tabs->count(); ++tab)
                if (tabs->isTabVisible(tab))
                    keys.Take(tabs->tabText(tab), QStringLiteral("tab ") + tabs->tabText(tab),
                              faults);
        if (widget->focusPolicy() == Qt::NoFocus || !widget->isEnabled())
            continue;
        QAccessibleInterface* told = QAccessible::queryAccessibleInterface(widget);
        if (told == nullptr || told->text(QAccessible::Name).trimmed().isEmpty())
            faults.insert(window->objectName() + QStringLiteral(": no name for ") +
                          Describe(widget));
    }
}

// Every combination a user can reach by turning tabs, one tab widget at a time.
std::set<QString> Faults(QWidget* window) {
    std::set<QString> faults;
    Inspect(window, faults);
    for (QTabWidget* tabs : window->findChildren<QTabWidget*>()) {
        if (!tabs->isVisibleTo(window))
            continue;
        const int was = tabs->currentIndex();
        for (int tab = 0; tab < tabs->count(); ++tab) {
            if (!tabs->isTabVisible(tab))
                continue;
            tabs->setCurrentIndex(tab);
            Inspect(window, faults);
            // Tabs inside this tab are visited too.
            for (QTabWidget* inner : tabs->widget(tab)->findChildren<QTabWidget*>())
                for (int page = 0; page < inner->count(); ++page)
                    if (inner->isTabVisible(page)) {
                        inner->setCurrentIndex(page);
                        Inspect(window, faults);
                    }
        }
        tabs->setCurrentIndex(was);
    }
    return faults;
}

// The keys a window's actions and shortcuts carry that the help does not list for it.
void Unlisted(QWidget* window, const char* helpName, std::set<QString>& faults) {
    std::set<QString> listed;
    for (const TShortcut& key : KeyboardShortcuts())
        if (QString::fromLatin1(key.Window) == QString::fromLatin1(helpName))
            listed.insert(QString::fromLatin1(key.Keys));
    const auto own = [window](const QObject* object) {
        const auto* owner = qobject_cast<const QWidget*>(object->parent());
        return owner != nullptr && owner->window() == window; // not a child window's
    };
    QStringList carried;
    for (const QAction* action : window->findChildren<QAction*>())
        if (!action->shortcut().isEmpty() && own(action))
            carried << action->shortcut().toString(QKeySequence::PortableText);
    for (const QShortcut* shortcut : window->findChildren<QShortcut*>())
        if (own(shortcut))
            carried << shortcut->key().toString(QKeySequence::PortableText);
    for (const QString& key : carried)
        if (listed.count(key) == 0)
            faults.insert(QStringLiteral("%1: %2 is not in the keyboard help").arg(helpName, key));
}

// Tab from control to control round the window: every control that takes the focus by Tab and
// is shown now is reached.
void ReachedByTab(QWidget* window, std::set<QString>& faults) {
    QApplication::setActiveWindow(window); // the offscreen platform activates nothing itself
    std::set<QWidget*> due;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || !widget->isEnabled() ||
            (widget->focusPolicy() & Qt::TabFocus) == 0 || widget->focusProxy() != nullptr ||
            widget->window() != window)
            continue;
        // Of buttons that exclude each other, Tab goes to the one chosen; arrows to the others.
        if (auto* button = qobject_cast<QAbstractButton*>(widget);
            button != nullptr && (button->autoExclusive() || button->group() != nullptr) &&
            !button->isChecked())
            continue;
        due.insert(widget);
    }
    QWidget* first = *due.begin();
    first->setFocus(Qt::TabFocusReason);
    std::set<QWidget*> reached;
    for (std::size_t step = 0; step < 3 * due.size() + 10 && reached.size() < due.size(); ++step) {
        QWidget* focus = QApplication::focusWidget();
        if (focus == nullptr)
            break;
        if (due.count(focus) != 0)
            reached.insert(focus);
        // A grid that takes Tab from cell to cell is left by Ctrl+Tab.
        const auto* grid = qobject_cast<QAbstractItemView*>(focus);
        PressKey(focus, Qt::Key_Tab,
                 grid != nullptr && grid->tabKeyNavigation() ? Qt::ControlModifier
                                                             : Qt::NoModifier);
    }
    for (QWidget* widget : due)
        if (reached.count(widget) == 0)
            faults.insert(window->objectName() + QStringLiteral(": Tab never reaches ") +
                          Describe(widget));
}

std::string Lines(const std::set<QString>& faults) {
    std::ostringstream text;
    for (const QString& fault : faults)
        text << fault.toStdString() << '\n';
    return text.str();
}
} // namespace

TEST(KeyboardAccess, EveryWindowNamesItsControlsAndKeepsItsAccessKeysApart) {
    MainRig rig;
    TfrmMain& window = rig.Start();
    PumpFor(100);
    std::set<QString> faults = Faults(&window);

    TfrmPresetEditor* editor = window.NewPresetEditor();
    ASSERT_NE(editor, nullptr);
    TPreset preset = PresetWith({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, {"Pitch-Trans"});
    const TBytes bytes = preset.Encode();
    std::stringstream stream(std::string(bytes.begin(), bytes.end()));
    editor->SetUp();
    editor->LoadDump(stream);
    editor->Show();
    faults.merge(Faults(editor));

    TfrmMPTEdit* table = window.NewMptEditor();
    ASSERT_NE(table, nullptr);
    faults.merge(Faults(table));

    PressKey(&window, Qt::Key_L, Qt::ControlModifier);
    ASSERT_TRUE(
        PumpUntil([&] { return window.Library() != nullptr && window.Library()->isVisible(); }));
    faults.merge(Faults(window.Library()));
    ReachedByTab(&window, faults);
    ReachedByTab(editor, faults);
    ReachedByTab(window.Library(), faults);
    ReachedByTab(table, faults);
    Unlisted(&window, "Main window", faults);
    Unlisted(editor, "Preset editor", faults);
    Unlisted(table, "Program table editor", faults);
    Unlisted(window.Library(), "Library", faults);
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults:\n" << Lines(faults);

    QString shown;
    AnswerModal<TfrmKeyboardHelp>([&](TfrmKeyboardHelp& help) {
        shown = help.txtKeys->toPlainText();
        PressKey(help.txtKeys, Qt::Key_Escape);
    });
    window.activateWindow();
    window.miKeyboard->trigger();
    EXPECT_THAT(shown.toStdString(), testing::HasSubstr("Ctrl+PgDown"));
    EXPECT_THAT(shown.toStdString(), testing::HasSubstr("Program table editor"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr) << "Esc closed it";
}
