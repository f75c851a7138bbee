#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

// Test discovery runs the program outside ctest's environment, so the
// offscreen platform is chosen here when nothing else was asked for.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // Nothing a test does may reach the real user's folders.
    QStandardPaths::setTestModeEnabled(true);
    // Nor the cache of remote sizes: a folder of the tests' own, which the programs they start inherit.
    const QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
