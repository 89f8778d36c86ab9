// The program table editor's costs on the user-interface thread: opening a window on a received
// table, and checking a full table (every cell read, checked and written back).
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench/mpt_bench

#include "base/qvUtility.h"
#include "model/Mpt.h"
#include "mpt/mpt_edit.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sstream>

int main(int argc, char* argv[]) {
    QTemporaryDir settingsFolder;
    setenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit().constData(), 1);
    QApplication application(argc, argv);
    TqvRegUtil settings;
    settings.Path = QStringLiteral("\\SOFTWARE\\Tamrix Vonel/Quellfarn");
    AppSettings = &settings;
    const TBytes message = Tmpt().Encode();

    constexpr int kRounds = 20;
    double open = 0;
    double longestOpen = 0;
    double validate = 0;
    double longestValidate = 0;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        auto* window = new TfrmMPTEdit;
        std::stringstream stream(std::string(message.begin(), message.end()));
        window->LoadTable(stream);
        window->show();
        QApplication::processEvents();
        const double opened = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        open += opened;
        longestOpen = std::max(longestOpen, opened);
        clock.restart();
        window->Validate();
        const double checked = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        validate += checked;
        longestValidate = std::max(longestValidate, checked);
        window->MptModified = false;
        window->close();
        QApplication::processEvents();
    }
    std::printf("open a table window on a received table: %.2f ms on average, %.2f ms at most\n",
                open / kRounds, longestOpen);
    std::printf("check a full table: %.2f ms on average, %.2f ms at most\n", validate / kRounds,
                longestValidate);
    AppSettings = nullptr;
    return 0;
}
