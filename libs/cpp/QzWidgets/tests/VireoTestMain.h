#pragma once

#include "App.h"

#include <QTemporaryDir>
#include <QTest>

namespace VireoTest {

// Points HOME and the XDG variables at a fresh temporary folder, so that no test reads or writes the real
// home of the machine. Returns the folder's path; the folder lives until the process ends.
inline QString useTemporaryHome()
{
    static QTemporaryDir home;
    const QByteArray path = home.path().toUtf8();
    qputenv("HOME", path);
    qputenv("XDG_CONFIG_HOME", path + "/.config");
    qputenv("XDG_DATA_HOME", path + "/.local/share");
    qputenv("XDG_CACHE_HOME", path + "/.cache");
    qunsetenv("XDG_CONFIG_DIRS");
    // No test reaches the machine's own buses; a test that needs one starts a private bus.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/vireo-test-bus");
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/vireo-test-bus");
    return home.path();
}

// Runs a QtTest object inside the program's own application object, on a temporary home.
template <typename TestObject> int runTests(int argc, char** argv)
{
    useTemporaryHome();
    QzWidgets::App app(argc, argv, QStringLiteral("Corvane"), QStringLiteral("Vireo"));
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

} // namespace VireoTest

#define VIREO_TEST_MAIN(TestObject)                                                                                    \
    int main(int argc, char** argv)                                                                                    \
    {                                                                                                                  \
        return VireoTest::runTests<TestObject>(argc, argv);                                                            \
    }
