// The real dialogs.

#include "base/Dialogs.h"

#include <QFileDialog>
#include <QFontDialog>

namespace {
class TQtDialogs : public TDialogs {
public:
    QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) override {
        QMessageBox box(icon, caption, text, buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, caption, folder, filter);
    }
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, folder, filter);
    }
    QString ExistingFolder(QWidget* parent, const QString& caption,
                           const QString& folder) override {
        return QFileDialog::getExistingDirectory(parent, caption, folder);
    }
    bool FixedPitchFont(QWidget* parent, QFont& font) override {
        bool ok = false;
        const QFont chosen =
            QFontDialog::getFont(&ok, font, parent, QString(), QFontDialog::MonospacedFonts);
        if (ok)
            font = chosen;
        return ok;
    }
};

TQtDialogs realDialogs;
TDialogs* current = &realDialogs;
} // namespace

TDialogs& Dialogs() {
    return *current;
}

TDialogs* SetDialogs(TDialogs* dialogs) {
    TDialogs* previous = current;
    current = dialogs != nullptr ? dialogs : &realDialogs;
    return previous;
}

void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                 QMessageBox::Icon icon) {
    Dialogs().MessageBox(parent, text, caption, QMessageBox::Ok, icon);
}
