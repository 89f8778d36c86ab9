// The main window's side of drafts: where they are kept, and the offer at start of the unsaved
// edits a run that ended without closing its editors left behind.

#include "app/Main.h"
#include "base/Dialogs.h"
#include "editor/DraftStore.h"
#include "editor/PresetEditor.h"
#include "store/UnitMemory.h"

#include <QDir>
#include <QPointer>

QString TfrmMain::DraftFolder() {
    return ProgramDataFolder() + QStringLiteral("/drafts");
}

void TfrmMain::OfferRecovery() {
    TDraftStore::TOrphans orphans = drafts->Orphans();
    for (const QString& line : orphans.Damaged) {
        AddLogLine(line);
        ShowStatus(line);
    }
    const auto count = static_cast<int>(orphans.Drafts.size());
    if (count > 0) {
        QString text = count == 1 ? QStringLiteral("Recover 1 unsaved preset?")
                                  : QStringLiteral("Recover %1 unsaved presets?").arg(count);
        text += QStringLiteral("\n");
        for (const TDraftStore::TFound& found : orphans.Drafts)
            text += QStringLiteral("\n%1 \u2014 %2")
                        .arg(found.Draft.Title(),
                             found.Draft.Written.toString(QStringLiteral("yyyy-MM-dd hh:mm")));
        const QPointer<TfrmMain> self(this);
        const auto answer =
            Dialogs().MessageBox(this, text, QStringLiteral("Unsaved presets"),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Question);
        if (self.isNull())
            return; // the drafts stay for the next start
        if (answer == QMessageBox::Yes) {
            for (const TDraftStore::TFound& found : orphans.Drafts) {
                auto* editor = new TfrmPresetEditor(this); // a child of this window, which frees it
                childWindows.Add(editor);
                ConnectEditor(*editor);
                // The old draft goes only once the window keeps the edits in a draft of its own.
                if (editor->Recover(found.Draft))
                    TDraftStore::Remove(found.Path);
            }
        } else if (answer == QMessageBox::No) {
            // A box closed without an answer (the program ended meanwhile) leaves the drafts
            // where they are, to be offered at the next start.
            QStringList paths;
            for (const TDraftStore::TFound& found : orphans.Drafts)
                paths << found.Path;
            const QStringList kept = drafts->Decline(paths);
            const QString folder = QDir::toNativeSeparators(drafts->Folder() + "/declined");
            if (kept.size() == 1)
                AddLogLine(
                    QStringLiteral("1 unsaved preset not recovered is kept in %1").arg(folder));
            else if (!kept.isEmpty())
                AddLogLine(QStringLiteral("%1 unsaved presets not recovered are kept in %2")
                               .arg(kept.size())
                               .arg(folder));
            if (kept.size() < count)
                AddLogLine(QStringLiteral("%1 could not be moved there and stay in %2")
                               .arg(count - static_cast<int>(kept.size()))
                               .arg(QDir::toNativeSeparators(drafts->Folder())));
        }
    }
    drafts->Release();
}
