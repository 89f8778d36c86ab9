#pragma once
// The printed list of presets a walk through the processor produces: one line of bank, number
// and title for each preset, under column headings on the first page.

#include <QString>

class QFont;

// One print job from Begin to End, on the shared print routines.
class TPresetListing {
public:
    TPresetListing() = default;
    TPresetListing(const TPresetListing&) = delete;
    TPresetListing& operator=(const TPresetListing&) = delete;
    ~TPresetListing(); // ends a job still open, so its pages are not lost

    // Starts the job: page header, title and the column headings. False, and nothing started,
    // when the printer cannot begin. A Pre-Plenova unit has one bank: no bank column.
    bool Begin(const QFont& font, bool withBankColumn);
    // bank 0..3 stands for A..D; without the bank column it is not printed.
    // False when nothing was printed: another print has ended the job.
    bool Line(int bank, int number, const QString& title);
    void End();
    // Its job is under way: no other print has ended it.
    bool Active() const;

private:
    void PrintHead();
    void PrintHeadings();

    bool active = false;
    int job = 0;
    bool bankColumn = true;
};
