#include "TerminationSignals.h"

#include "OsLogging.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The handler may do almost nothing; it writes one byte that the event loop reads at its next turn.
int s_signalPipe[2] = { -1, -1 };

void onTerminationSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(s_signalPipe[0], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    auto* notifier = new QSocketNotifier(s_signalPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::slotSignalled);
}

void TerminationSignals::install()
{
    if (s_signalPipe[0] >= 0 || !QCoreApplication::instance())
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, s_signalPipe) != 0) {
        qCWarning(lcOs) << "termination signals cannot be watched; a logout may lose unsaved settings";
        return;
    }
    new TerminationSignals(QCoreApplication::instance());
    struct sigaction action = {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : { SIGTERM, SIGINT, SIGHUP })
        sigaction(signal, &action, nullptr);
}

void TerminationSignals::slotSignalled()
{
    char byte = 0;
    [[maybe_unused]] const ssize_t got = ::read(s_signalPipe[1], &byte, 1);
    qCDebug(lcOs) << "asked to terminate: quitting";
    QCoreApplication::quit();
}
