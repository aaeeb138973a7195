#pragma once

#include "DesktopSession.h"
#include "PulseServer.h"
#include "VireoTestMain.h"

#include <cstdio>
#include <memory>

// The desktop that the in-process end-to-end tests run the tray player on: an X server with a tray host and a
// PulseAudio null sink, started before the application object exists and stopped after it is gone.
namespace TestDesktop {

inline std::unique_ptr<DesktopSession> desktop;
inline std::unique_ptr<PulseServer> pulse;

template <typename TestObject> int run(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    qunsetenv("VIREO_AUDIO_SINK"); // the program's own choice of sink
    desktop = std::make_unique<DesktopSession>();
    pulse = std::make_unique<PulseServer>();
    const char* missing = !desktop->startX() ? "Xvfb"
        : !desktop->startTray()              ? "trayer"
        : !pulse->start()                    ? "PulseAudio"
                                             : nullptr;
    if (missing) {
        std::fprintf(stderr, "could not start the test desktop: %s did not come up\n", missing);
        return 1;
    }
    const int result = VireoTest::runTests<TestObject>(argc, argv);
    pulse.reset();
    desktop.reset();
    return result;
}

} // namespace TestDesktop
