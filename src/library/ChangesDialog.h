#pragma once
// What changed on the unit since a mark: each slot and program in words, to read and to copy.

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TfrmChanges : public QDialog {
    Q_OBJECT
public:
    // (heading, lines): what was compared, then the changes a line each.
    TfrmChanges(const QString& heading, const QStringList& lines, QWidget* parent = nullptr);
    QLabel* lblWhat;
    QPlainTextEdit* memChanges;
    QPushButton* btnCopy;
    QPushButton* btnClose;
};
