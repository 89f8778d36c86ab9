// The real dialogs.

#include "base/Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QRegularExpression>

namespace {
class TQtDialogs : public TDialogs {
public:
    // Text, then caption, as asked for.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& text,
                                           const QString& caption,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) override {
        QMessageBox box(icon, caption, text, buttons, parent);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }
    // QFileDialog's order.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, caption, folder, filter);
    }
    // QFileDialog's order.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    QString SaveFileNameOfType(QWidget* parent, const QString& caption, const QString& folder,
                               const QString& filters) override {
        QString chosen;
        QString name = QFileDialog::getSaveFileName(parent, caption, folder, filters, &chosen);
        // "CSV for foot controllers (*.csv)": its first pattern's suffix.
        const QRegularExpressionMatch suffix =
            QRegularExpression(QStringLiteral("\\(\\*(\\.[^ )]+)")).match(chosen);
        if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty() && suffix.hasMatch())
            name += suffix.captured(1);
        return name;
    }
    // QFileDialog's order.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                         const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, folder, filter);
    }
    // QFileDialog's order.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
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

// Text, then caption, as every box is asked for.
// NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                 QMessageBox::Icon icon) {
    Dialogs().MessageBox(parent, text, caption, QMessageBox::Ok, icon);
}
