#pragma once
// The gig view: a set list played on stage, full screen and readable from three metres — the
// song, its preset, its note, the next song and where in the set it is. Keys and the unit's own
// program changes step through the songs; each step turns the unit to the song's preset.

#include "model/SetList.h"

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;
class TDeviceLink;

class TfrmGig : public QWidget {
    Q_OBJECT
public:
    // link: the unit's (its memory gives the slots' titles); null, or a link whose output is
    // closed, and the songs step on without the unit.
    TfrmGig(const TSetList& list, const QString& setListPath, TDeviceLink* link,
            QWidget* parent = nullptr);

    // The song shown (0-based); -1 for a set list without songs.
    int Current() const { return current; }
    // Shows the song and turns the unit to its preset (a file's is sent to the edit buffer).
    void Go(int song);
    // The next (1) or the previous (-1) song; at either end the view stays and says so.
    void Step(int step);
    // The unit turned to another preset by itself, its program change says (0..127): the song
    // that uses the slot it is on is shown, the unit left as it is.
    void UnitChangedProgram(int program);

    QLabel* lblSetName;
    QLabel* lblPosition;
    QLabel* lblTitle;
    QLabel* lblPreset;
    QLabel* lblNote;
    QLabel* lblNext;
    QLabel* lblStatus;
    QLabel* lblKeys;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    enum class TSay { Quietly, Warning };
    void Show();
    void Say(const QString& text, TSay how = TSay::Quietly);
    // Turns the unit to the shown song's preset; what went wrong is said.
    void Select();
    // Why the unit cannot be talked to now; empty when it can.
    QString UnitAbsent() const;
    // The slot the unit says it is on, shown as its song's.
    void FollowTheUnit();
    void Restyle();

    TSetList list;
    QString folder; // a relative preset file stands from it
    QPointer<TDeviceLink> link;
    int current = -1;
    int steps = 0;              // the songs shown so far: a step meanwhile outdates an answer
    bool followPending = false; // a program change came: the unit is asked once it is handled
    int lastProgram = -1;
    bool warning = false; // the status is a warning
};

// Opens the gig view of a set list full screen, on the song given (0-based), and turns the unit
// to that song's preset; Esc closes it, and it frees itself. setListPath: the set list's file
// (its name is shown; relative preset files stand from its folder); link as for TfrmGig.
TfrmGig* ShowGigView(QWidget* parent, const TSetList& list, const QString& setListPath,
                     TDeviceLink* link, int firstSong = 0);
