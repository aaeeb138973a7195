#include "TerminationSignals.h"

#include "OsLogging.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <csignal>

#include <glib-unix.h>

namespace {

gboolean onTerminationSignal(gpointer)
{
    qCDebug(lcOs) << "asked to terminate: quitting";
    QCoreApplication::quit();
    return G_SOURCE_CONTINUE;
}

} // namespace

// GLib turns the signal into an event of its main loop, which is Qt's here: the quit runs at the loop's next turn,
// never inside the signal handler.
void TerminationSignals::install()
{
    static bool s_installed = false;
    QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance();
    if (s_installed || !QCoreApplication::instance() || !loop)
        return;
    if (!loop->inherits("QEventDispatcherGlib")) {
        qCWarning(lcOs) << "termination signals cannot be watched without GLib's event loop (QT_NO_GLIB is set); "
                           "a logout may lose unsaved settings";
        return;
    }
    s_installed = true;
    for (const int signal : { SIGTERM, SIGINT, SIGHUP })
        g_unix_signal_add(signal, onTerminationSignal, nullptr);
}
