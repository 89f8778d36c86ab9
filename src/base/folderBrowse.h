#pragma once
// The folder chooser behind SelectFolder: the platform's folder dialog, with the folder
// name kept as the program expects it (a root keeps its separator, other folders have none).

#include <QObject>
#include <QString>

class QWidget;

class TBrowseForFolder : public QObject {
    Q_OBJECT
public:
    enum class TFlag {
        BrowseForComputer,
        BrowseForPrinter,
        DontGoBelowDomain,
        StatusText,
        ReturnFsAncestors,
        ReturnOnlyFsDirs,
        EditBox
    };
    enum class TRoot { None, Item, SpecialFolder };

    explicit TBrowseForFolder(QWidget* owner = nullptr);

    QString Caption = QStringLiteral("Select Folder");
    QString StatusText = QStringLiteral("Plase select folder");
    QString DisplayName;
    unsigned Flags = 0;
    TRoot Root = TRoot::None;

    QString FolderName() const { return folderName; }
    void SetFolderName(const QString& name);

    // Shows the dialog; true when the user confirmed a folder, which is then in FolderName.
    bool Execute();

private:
    QWidget* owner;
    QString folderName;
};

// True for a file system root: "/" here, a drive ("C:", "C:\") on Windows.
bool IsFolderRoot(const QString& name);
