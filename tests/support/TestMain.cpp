// Shared main of every test program: the program's application object, offscreen, and settings
// and data folders of its own, so no test touches the user's real settings or kept presets.

#include "base/Application.h"

#include <QTemporaryDir>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir settingsFolder;
    if (!settingsFolder.isValid())
        return 1;
    setenv("XDG_CONFIG_HOME", settingsFolder.path().toLocal8Bit().constData(), 1);
    setenv("XDG_DATA_HOME", (settingsFolder.path() + "/data").toLocal8Bit().constData(), 1);
    // A home of its own too: the documents folder, where the program makes its "Quellfarn"
    // folder, is the test's.
    setenv("HOME", (settingsFolder.path() + "/home").toLocal8Bit().constData(), 1);
    setenv("QUELLFARN_TEST_DOCUMENTS",
           (settingsFolder.path() + "/home/Documents").toLocal8Bit().constData(), 1);
    TApplication application(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
