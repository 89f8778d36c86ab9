// The library window's marks of the unit's state: a named snapshot of what it remembers of every
// slot (and the program table when one is known), and what changed since one.

#include "base/Dialogs.h"
#include "base/qvUtility.h"
#include "library/ChangesDialog.h"
#include "library/Library.h"
#include "store/UnitSnapshot.h"

#include <QDateTime>
#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <algorithm>

void TfrmLibrary::MarkState() {
    if (places.Memory == nullptr)
        return;
    const QString caption = QStringLiteral("Mark the unit's state");
    bool ok = false;
    const QString name =
        QInputDialog::getText(
            this, caption,
            QStringLiteral("A name for the unit's state as the library knows it now:"),
            QLineEdit::Normal,
            QStringLiteral("Gig ") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")),
            &ok)
            .trimmed();
    if (!ok || name.isEmpty())
        return;
    if (const QString problem = SnapshotNameProblem(name); !problem.isEmpty()) {
        ShowMessage(this, problem, caption);
        return;
    }
    const std::optional<TBytes> table = OnKnownTable ? OnKnownTable() : std::nullopt;
    TUnitSnapshot snapshot = SnapshotOf(*places.Memory, table);
    snapshot.Name = name;
    if (const QString error = SaveSnapshot(places.Memory->Folder(), snapshot); !error.isEmpty()) {
        ShowMessage(this, QStringLiteral("Nothing was marked: ") + error, caption,
                    QMessageBox::Warning);
        return;
    }
    ShowMessage(this,
                QStringLiteral("Marked \"%1\": %2 slots%3")
                    .arg(name)
                    .arg(snapshot.Slots.size())
                    .arg(table ? QStringLiteral(" and the program table")
                               : QStringLiteral("; the program table is not known (Get MPT "
                                                "Table reads it)")),
                caption, QMessageBox::Information);
}

void TfrmLibrary::ChangesSince() {
    if (places.Memory == nullptr)
        return;
    const QString caption = QStringLiteral("Changes since");
    const QString folder = places.Memory->Folder();
    // Newest first: the last gig is the one usually asked about.
    std::vector<TUnitSnapshot> marks;
    QStringList problems;
    for (const QString& name : SnapshotNames(folder)) {
        TSnapshotLoad load = LoadSnapshot(folder, name);
        if (load.Ok())
            marks.push_back(std::move(load.Snapshot));
        else if (!load.Missing)
            problems << load.Error;
    }
    if (!problems.isEmpty())
        ShowMessage(this, problems.join(QLatin1Char('\n')), caption, QMessageBox::Warning);
    if (marks.empty()) {
        ShowMessage(this,
                    QStringLiteral("The unit's state was never marked: Mark the unit's state... "
                                   "makes a mark"),
                    caption, QMessageBox::Information);
        return;
    }
    std::stable_sort(
        marks.begin(), marks.end(),
        [](const TUnitSnapshot& a, const TUnitSnapshot& b) { return a.Taken > b.Taken; });
    QStringList items;
    for (const TUnitSnapshot& mark : marks)
        items << mark.Name + QStringLiteral("  (") +
                     QLocale().toString(mark.Taken, QLocale::ShortFormat) + QLatin1Char(')');
    bool ok = false;
    const QString chosen = QInputDialog::getItem(this, caption, QStringLiteral("Changes since:"),
                                                 items, 0, false, &ok);
    const auto at = items.indexOf(chosen);
    if (!ok || at < 0)
        return;
    const TUnitSnapshot& then = marks[static_cast<std::size_t>(at)];
    const std::optional<TBytes> table = OnKnownTable ? OnKnownTable() : std::nullopt;
    const TSnapshotChanges changes = CompareSnapshots(then, SnapshotOf(*places.Memory, table));
    QString heading = QStringLiteral("%1 since \"%2\", %3")
                          .arg(places.Unit.Text(), then.Name,
                               QLocale().toString(then.Taken, QLocale::ShortFormat));
    if (then.Table && !table)
        heading += QStringLiteral("; the program table is not known now, so it is not told "
                                  "(Get MPT Table reads it)");
    const QStringList lines = changes.Empty() ? QStringList(QStringLiteral("Nothing changed"))
                                              : ChangeLines(changes, places.SingleBank);
    TfrmChanges dialog({.Mark = then.Name, .Taken = then.Taken, .Heading = heading, .Lines = lines},
                       this);
    dialog.exec();
}
