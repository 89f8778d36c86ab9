// Program entry: brings the application up and down in a fixed order.

#include "base/qvUtility.h"

#include <QApplication>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    SetAppTitle(QStringLiteral("Quellfarn"));
    AppDescription = QStringLiteral("Librarian/Editor for the\nZOL Quellfarn Plenova Processor");
    AppVersion = QStringLiteral("2.5");
    AppNotice = QStringLiteral("No processor at hand? Try the simulated one.");
    AppCompanyName = QStringLiteral("zol");

    auto settings = std::make_unique<TqvRegUtil>();
    settings->SetRootKey(TRootKey::CurrentUser);
    settings->Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/") + GetAppTitle();
    AppSettings = settings.get();

    int result = 0;
    if (QApplication::topLevelWidgets().isEmpty()) {
        std::fprintf(stderr, "%s %s: settings ready; the main window is not part of this build yet.\n",
                     qPrintable(GetAppTitle()), qPrintable(AppVersion));
    } else {
        result = QApplication::exec();
    }

    AppSettings = nullptr;
    settings.reset();
    return result;
}
