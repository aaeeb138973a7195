#pragma once

#include "DesktopSession.h"
#include "PrivateBus.h"
#include "PulseServer.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QTest>

#include <cstdio>
#include <memory>

// What every test of the program on a desktop starts first and stops last: an X server, a PulseAudio null sink
// whose monitor the test records, and where asked a tray host (trayer) and a session bus of its own, which every
// part of the desktop, the program and the tools the test runs (playerctl, dbus-send, xdotool) talk on.
namespace SessionTest {

inline std::unique_ptr<DesktopSession> desktop;
inline std::unique_ptr<PulseServer> pulse;
inline std::unique_ptr<PrivateBus> bus;

struct Options
{
    QString screen = QStringLiteral("1024x768x24");
    // trayer along the top, for the tests that bring no panel of a desktop's own.
    bool tray = false;
    // A session bus of the test's own; without one (the tray player run inside the test) no bus is reached.
    bool privateBus = true;
    // Session services the bus may start (a panel's applets), in the bus's environment plus `busEnvironment`.
    QString services;
    QProcessEnvironment busEnvironment;
};

// The loudness the sink plays over `ms` from now.
inline double level(int ms)
{
    if (!pulse->startRecording())
        return 0;
    QTest::qWait(ms);
    return PulseServer::rms(pulse->takeRecording());
}

template <typename TestObject> int runInCoreApplication(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TestObject test;
    return QTest::qExec(&test, argc, argv);
}

// Starts the desktop, runs the cases of `TestObject` through `runTests` (in an application it makes), and takes
// the desktop down again.
template <typename TestObject>
int run(
    int argc, char** argv, const Options& options = {}, int (*runTests)(int, char**) = runInCoreApplication<TestObject>)
{
    desktop = std::make_unique<DesktopSession>();
    pulse = std::make_unique<PulseServer>();
    bus = std::make_unique<PrivateBus>();
    // What the bus starts runs on the test's display: its environment is taken once the X server is up.
    const auto startBus = [&] {
        QProcessEnvironment busEnvironment = QProcessEnvironment::systemEnvironment();
        busEnvironment.insert(options.busEnvironment);
        return bus->start(options.services, busEnvironment);
    };
    const char* missing = !desktop->startX(options.screen) ? "Xvfb"
        : options.tray && !desktop->startTray()            ? "trayer"
        : !pulse->start()                                  ? "PulseAudio"
        : options.privateBus && !startBus()                ? "the session bus"
                                                           : nullptr;
    if (missing) {
        std::fprintf(stderr, "could not start the test desktop: %s did not come up\n", missing);
        return 1;
    }
    if (options.privateBus)
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
    const int result = runTests(argc, argv);
    bus.reset();
    pulse.reset();
    desktop.reset();
    return result;
}

} // namespace SessionTest
