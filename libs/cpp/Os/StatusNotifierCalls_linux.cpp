#include "StatusNotifierCalls.h"

#include <QDBusMessage>

// Qt D-Bus calls these hooks in the main thread with each incoming method call, before the call is delivered.
// Exported by Qt D-Bus for exactly this kind of listening, though not declared in its public headers.
using QDBusSpyHook = void (*)(const QDBusMessage&);
extern void qDBusAddSpyHook(QDBusSpyHook);

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
        emit calls->scrolled(args.at(0).toInt(), horizontal ? Qt::Horizontal : Qt::Vertical);
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
