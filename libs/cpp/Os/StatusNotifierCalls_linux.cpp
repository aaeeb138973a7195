#include "StatusNotifierCalls.h"

#include "Os_Linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QHash>

// Qt D-Bus calls these hooks in the main thread with each incoming method call, before the call is delivered.
// Exported by Qt D-Bus for exactly this kind of listening, though not declared in its public headers.
using QDBusSpyHook = void (*)(const QDBusMessage&);
extern void qDBusAddSpyHook(QDBusSpyHook);

namespace {

// Hosts do not agree on what Scroll's number means. KDE Plasma passes Qt's angle delta on (120 a notch, up
// positive); xfce4-panel GTK's scroll steps (1 a notch, down positive); GNOME Shell's AppIndicator extension and
// waybar a notch as -1 up or 1 down, waybar at times 2 (a notch is then one step whatever the number). Known by
// the program that calls, asked once per caller; an unknown host is taken to follow KDE, whose item the protocol
// comes from.
enum class ScrollUnit { Angle, Steps, Notch };

ScrollUnit unitOf(const QString& sender)
{
    static QHash<QString, ScrollUnit> known;
    const auto found = known.constFind(sender);
    if (found != known.constEnd())
        return *found;
    ScrollUnit unit = ScrollUnit::Angle;
    const QDBusReply<uint> pid = Os_Linux::sessionBus().interface()->servicePid(sender);
    if (pid.isValid()) {
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid.value()));
        if (commandLine.open(QIODevice::ReadOnly)) {
            // The panel itself, or the wrapper it runs a plugin in ("…/xfce4/panel/wrapper-2.0").
            const QByteArray command = commandLine.read(4096);
            const QByteArray program = command.left(command.indexOf('\0'));
            if (command.contains("xfce4-panel") || command.contains("xfce4/panel"))
                unit = ScrollUnit::Steps;
            else if (program.endsWith("gnome-shell") || program.endsWith("waybar"))
                unit = ScrollUnit::Notch;
        }
    }
    known.insert(sender, unit);
    return unit;
}

} // namespace

void noteStatusNotifierCall(const QDBusMessage& message)
{
    if (message.interface() != QLatin1String("org.kde.StatusNotifierItem"))
        return;
    const QList<QVariant> args = message.arguments();
    StatusNotifierCalls* calls = StatusNotifierCalls::instance();
    if (message.member() == QLatin1String("Activate") && args.size() == 2) {
        // Hosts that know no position send (0, 0).
        calls->m_activationPoint = QPoint(args.at(0).toInt(), args.at(1).toInt());
    } else if (message.member() == QLatin1String("Scroll") && args.size() == 2 && args.at(0).toInt() != 0) {
        const bool horizontal = args.at(1).toString().compare(QLatin1String("horizontal"), Qt::CaseInsensitive) == 0;
        const qint64 delta = args.at(0).toInt();
        qint64 angle = delta;
        switch (unitOf(message.service())) {
        case ScrollUnit::Steps:
            angle = -delta * 120;
            break;
        case ScrollUnit::Notch:
            angle = delta < 0 ? 120 : -120;
            break;
        case ScrollUnit::Angle:
            break;
        }
        emit calls->scrolled(
            int(qBound(qint64(-120000), angle, qint64(120000))), horizontal ? Qt::Horizontal : Qt::Vertical);
    }
}

StatusNotifierCalls* StatusNotifierCalls::instance()
{
    static StatusNotifierCalls* calls = [] {
        qDBusAddSpyHook(&noteStatusNotifierCall);
        return new StatusNotifierCalls;
    }();
    return calls;
}

QPoint StatusNotifierCalls::takeActivationPoint()
{
    return std::exchange(m_activationPoint, QPoint());
}
