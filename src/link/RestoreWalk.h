#pragma once
// A backup folder written back into the unit: each preset of the plan stored into its slot and
// read back, with the question asked before and the counts told after — the same words in the
// window and in the tool.

#include "link/LinkJob.h"
#include "store/BackupFolder.h"

#include <QString>
#include <array>
#include <vector>

class TWriteJournal;

struct TRestoreCounts {
    int Written = 0;
    int Verified = 0;
    int Skipped = 0;
    int Failed = 0;
    int EntryId = 0; // the journal's step; 0: none
};

// A restore is carried out by the plan walk, for the restore: the link's busy reason is its.
class TRestoreWalk : public TLinkJob {
public:
    explicit TRestoreWalk(TJobLink& link);

    // The plan for a folder as the backup writes it, the chosen banks and slots; each item
    // knows what its slot held when last seen this session.
    std::vector<TRestoreItem> Plan(const QString& folder, const std::array<bool, 4>& banks,
                                   int first, int last) const;
    // Writes every item without a problem, each kept first and verified, as one step of the
    // journal (when given); Abort (Ctrl+C) stops it after the preset being written. Refused,
    // with the reason said, while another job runs.
    TRestoreCounts Run(std::vector<TRestoreItem>& plan, TWriteJournal* journal = nullptr);
    void Abort() override;
    bool Running() const;
    std::optional<TRouted> Route(const TMyMidiEvent& event, TByteView bytes) override {
        (void)event, (void)bytes;
        return std::nullopt;
    }
    QString BusyReason() const override {
        return QStringLiteral("A restore is running: wait for it to end or press Ctrl+C");
    }

    // "replace 4 presets in banks A, C": what the plan does to the unit.
    static QString ReplaceText(const std::vector<TRestoreItem>& plan);
    // "This will replace 4 presets in bank B. Do you want to proceed?"
    static QString Question(const std::vector<TRestoreItem>& plan);
    // "4 written, 4 verified, 0 skipped, 0 failed"
    static QString CountsText(const TRestoreCounts& counts);
    // The items that will be written.
    static int WrittenCount(const std::vector<TRestoreItem>& plan);
    // "Skipped /backup/Bank B/Broken.tmq001: not a 258-byte preset dump"
    static QString SkippedText(const TRestoreItem& item);

private:
    TJobLink& link;
    TLinkHost& host;
    bool running = false;
};
