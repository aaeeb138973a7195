#pragma once

#include "DesktopSession.h"
#include "PrivateBus.h"
#include "PulseServer.h"

#include <QCoreApplication>
#include <QProcessEnvironment>
#include <QTest>

#include <cstdio>
#include <memory>

// What every test of the real program on a real desktop starts first and stops last: an X server, a PulseAudio
// null sink whose monitor the test records, and a session bus of its own, which every part of the desktop,
// the program and the tools the test runs (playerctl, dbus-send, xdotool) talk on.
namespace SessionTest {

inline std::unique_ptr<DesktopSession> desktop;
inline std::unique_ptr<PulseServer> pulse;
inline std::unique_ptr<PrivateBus> bus;

struct Options
{
    QString screen = QStringLiteral("1024x768x24");
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

template <typename TestObject> int run(int argc, char** argv, const Options& options = {})
{
    desktop = std::make_unique<DesktopSession>();
    pulse = std::make_unique<PulseServer>();
    bus = std::make_unique<PrivateBus>();
    if (!desktop->startX(options.screen) || !pulse->start()) {
        std::fprintf(stderr, "could not start the test desktop (Xvfb, PulseAudio)\n");
        return 1;
    }
    QProcessEnvironment busEnvironment = QProcessEnvironment::systemEnvironment();
    busEnvironment.insert(options.busEnvironment);
    if (!bus->start(options.services, busEnvironment)) {
        std::fprintf(stderr, "could not start the test's session bus\n");
        return 1;
    }
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        TestObject test;
        result = QTest::qExec(&test, argc, argv);
    }
    bus.reset();
    pulse.reset();
    desktop.reset();
    return result;
}

} // namespace SessionTest
