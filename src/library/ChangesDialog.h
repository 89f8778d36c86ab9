#pragma once
// What changed on the unit since a mark: each slot and program in words, to read, to copy and to
// print.

#include <QDateTime>
#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

struct TChangesReport {
    QString Mark;    // the snapshot's name
    QDateTime Taken; // when it was taken
    QString Heading; // what was compared: the unit, the mark, its date and what is not told
    QStringList Lines;
};

class TfrmChanges : public QDialog {
    Q_OBJECT
public:
    explicit TfrmChanges(const TChangesReport& report, QWidget* parent = nullptr);
    // The report on the printer, or in a PDF the user names; false when cancelled or the job did
    // not end well.
    bool Print();

    QLabel* lblWhat;
    QPlainTextEdit* memChanges;
    QPushButton* btnCopy;
    QPushButton* btnPrint;
    QPushButton* btnClose;

private:
    TChangesReport report;
};
