#pragma once
// Asks for the preset location (1..200) the processor stores a preset at, and whether to
// send the preset first.

#include "base/UnitName.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The arrows beside the location: a position within a range.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent);
    int Min = 1;
    int Max = 200;
    int Position() const { return position; }
    void SetPosition(int value); // clamped, no wrap
    QToolButton* Up;
    QToolButton* Down;

signals:
    void Clicked(int position);

private:
    int position = 1;
};

class TfrmStorePrompt : public QDialog {
    Q_OBJECT
public:
    explicit TfrmStorePrompt(QWidget* parent = nullptr);

    void SetLocation(int location); // clamped into 1..200
    int Location() const;           // the edit's text as a number
    bool SendFirst() const;
    bool KeepReplaced() const;
    bool VerifyAfterStoring() const;
    // The bank the store goes into, shown beside the location: 0..3, or -1 for the one the unit
    // is in (nothing shown).
    void SetBank(int bank);
    int Bank() const { return bank; }
    // What a slot of a bank (-1: the one the unit is in) holds as far as known: "A 017 now
    // holds: Slap Funk, read 2 days ago". Shown under the location as it changes.
    std::function<QString(int bank, int slot)> OnSlotHolds;
    void ShowWhatItHolds();
    // The unit the store goes into, said above everything else; the simulated one in the
    // title too.
    void SetUnit(const TUnitName& unit);

    QCheckBox* chkDoSend;
    QCheckBox* chkKeepReplaced;
    QCheckBox* chkVerify;
    QLabel* Label1;
    QLabel* lblUnit;
    QLabel* lblBank;
    QLabel* lblHolds;
    QLineEdit* edtPresetNo;
    TUpDown* updPresetNo;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int bank = -1;
};
