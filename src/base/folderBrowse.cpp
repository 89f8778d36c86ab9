// Folder chooser.

#include "base/folderBrowse.h"

#include "base/Dialogs.h"

#include <QDir>
#include <QFileInfo>

namespace {
bool EndsWithSeparator(const QString& name) {
    return name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\'));
}
} // namespace

bool IsFolderRoot(const QString& name) {
    if (name.isEmpty())
        return false;
    if (name.size() <= 3 && name.size() >= 2 && name.at(1) == QLatin1Char(':') &&
        name.at(0).isLetter())
        return name.size() == 2 || EndsWithSeparator(name); // a drive
    return QDir(name).isRoot() && QDir::cleanPath(name) == QDir(name).absolutePath();
}

TBrowseForFolder::TBrowseForFolder(QWidget* owner) : owner(owner) {
    SetFolderName(QDir::rootPath());
}

void TBrowseForFolder::SetFolderName(const QString& name) {
    if (name.isEmpty()) {
        folderName.clear();
    } else if (IsFolderRoot(name)) {
        folderName = EndsWithSeparator(name) ? name : name + QDir::separator();
        if (name.size() == 2 && name.at(1) == QLatin1Char(':'))
            folderName = name + QLatin1Char('\\'); // "C:" is the drive root "C:\"
    } else {
        folderName = EndsWithSeparator(name) ? name.left(name.size() - 1) : name;
    }
}

bool TBrowseForFolder::Execute() {
    const QString chosen = Dialogs().ExistingFolder(owner, Caption, folderName);
    if (chosen.isEmpty())
        return false;
    SetFolderName(QDir::toNativeSeparators(chosen));
    const QFileInfo info(folderName);
    DisplayName = IsFolderRoot(folderName) ? folderName : info.fileName();
    return true;
}
