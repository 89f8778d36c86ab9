#pragma once
// The one place where the program asks the user something in a modal box: message boxes,
// file and folder choosers. The program uses the real Qt dialogs; tests put in answers.

#include <QFont>
#include <QMessageBox>
#include <QString>
#include <QStringList>

class QWidget;

class TDialogs {
public:
    virtual ~TDialogs() = default;
    virtual QMessageBox::StandardButton MessageBox(QWidget* parent, const QString& text,
                                                   const QString& caption,
                                                   QMessageBox::StandardButtons buttons,
                                                   QMessageBox::Icon icon) = 0;
    // Empty when cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // As SaveFileName among several file types (filters a ";;" apart): a name typed without a
    // suffix takes that of the type chosen, so the type the user chose is the file's. In
    // QFileDialog's order.
    // NOLINTNEXTLINE(bugprone-easily-swappable-parameters)
    virtual QString SaveFileNameOfType(QWidget* parent, const QString& caption,
                                       const QString& folder, const QString& filters) {
        return SaveFileName(parent, caption, folder, filters);
    }
    virtual QString OpenFileName(QWidget* parent, const QString& caption, const QString& folder,
                                 const QString& filter) = 0;
    // Empty when cancelled.
    virtual QString ExistingFolder(QWidget* parent, const QString& caption,
                                   const QString& folder) = 0;
    // A fixed-pitch font, starting from the given one; false when cancelled.
    virtual bool FixedPitchFont(QWidget* parent, QFont& font) = 0;
};

// The dialogs in use: the real ones unless a test installed others.
TDialogs& Dialogs();
// Installs other dialogs (null: the real ones again); returns the previous ones.
TDialogs* SetDialogs(TDialogs* dialogs);

// Shorthands for the boxes the program shows.
void ShowMessage(QWidget* parent, const QString& text, const QString& caption,
                 QMessageBox::Icon icon = QMessageBox::Warning);
