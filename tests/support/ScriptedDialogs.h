#pragma once
// Dialogs that answer from a script, so tests can drive the windows without a person:
// every message box is recorded, and each one takes the next scripted answer (OK when
// none is left); file and folder choosers return the next scripted name.

#include "base/Dialogs.h"

#include <deque>
#include <vector>

class ScriptedDialogs : public TDialogs {
public:
    struct Shown {
        QString Text;
        QString Caption;
        QMessageBox::Icon Icon = QMessageBox::NoIcon;
    };

    ScriptedDialogs() { previous = SetDialogs(this); }
    ~ScriptedDialogs() override { SetDialogs(previous); }

    QMessageBox::StandardButton MessageBox(QWidget*, const QString& text, const QString& caption,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::Icon icon) override {
        Messages.push_back({text, caption, icon});
        if (Answers.empty())
            return buttons.testFlag(QMessageBox::Ok) ? QMessageBox::Ok : QMessageBox::Yes;
        const QMessageBox::StandardButton answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    QString SaveFileName(QWidget*, const QString&, const QString& folder, const QString&) override {
        SaveSuggested = folder;
        return Next();
    }
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return Next();
    }
    QString ExistingFolder(QWidget*, const QString&, const QString& folder) override {
        FolderAsked = folder;
        return Next();
    }

    bool FixedPitchFont(QWidget*, QFont& font) override {
        if (Fonts.empty())
            return false;
        font = Fonts.front();
        Fonts.pop_front();
        return true;
    }

    QStringList Texts() const {
        QStringList texts;
        for (const Shown& shown : Messages)
            texts << shown.Text;
        return texts;
    }

    std::vector<Shown> Messages;
    std::deque<QMessageBox::StandardButton> Answers;
    std::deque<QString> Names;
    std::deque<QFont> Fonts;
    QString FolderAsked;
    QString SaveSuggested; // the name a save dialog was opened with

private:
    QString Next() {
        if (Names.empty())
            return QString();
        const QString name = Names.front();
        Names.pop_front();
        return name;
    }
    TDialogs* previous = nullptr;
};
