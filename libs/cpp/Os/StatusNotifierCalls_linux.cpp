#include "StatusNotifierCalls.h"

#include "Os_Linux.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QHash>

// Qt D-Bus calls these hooks in the main thread with each incoming method call, before the call is delivered.
// Exported by Qt D-Bus for exactly this kind of listening, though not declared in its public headers.
using QDBusSpyHook = void (*)(const QDBusMessage&);
extern void qDBusAddSpyHook(QDBusSpyHook);

namespace {

// Hosts do not agree on what Scroll's number means. Qt's hosts (KDE Plasma, lxqt-panel) pass Qt's angle delta on:
// 120 a notch, up positive, a touchpad's parts of it. GTK's (xfce4-panel, GNOME Shell's AppIndicator extension,
// Cinnamon's xapp-sn-watcher, waybar) send scroll steps: -1 a notch up, 1 down, waybar at times 2 for one notch,
// and a touchpad's swipe as a run of small parts rounded to ±1. A host is read by what it sends, so one known by
// no name is read right too: a multiple of 120 marks an angle host for good, small numbers are steps until then.
// Only Qt's hosts are known by the program that calls, so that their touchpads' first small parts are angles.
enum class ScrollUnit { Angle, Steps };

struct Scroller
{
    ScrollUnit unit = ScrollUnit::Steps;
    bool named = false; // known by its program, not by what it sent
    QElapsedTimer lastPart; // steps: when the last part of the gesture came
    QElapsedTimer lastStep; // steps: when the gesture last changed anything
    int direction = 0;
};

bool isQtHost(const QString& sender)
{
    const QByteArray program = Os_Linux::programOf(sender);
    return program.endsWith("plasmashell") || program.endsWith("lxqt-panel");
}

// Qt's angle units for one call, or 0 where the call is a further part of a step host's gesture: a run of parts
// closer than 150 ms to each other is one gesture, which moves at most one step every quarter of a second (a
// touchpad's small swipe is one step, not ten; a wheel spun fast still moves). The parts are timed as they are
// delivered here, after whatever the program did in between (a step's volume change among it), so the gap allowed
// is wider than a touchpad's.
int angleOf(Scroller* scroller, int delta)
{
    if (scroller->unit == ScrollUnit::Steps && !scroller->named && delta % 120 == 0)
        scroller->unit = ScrollUnit::Angle;
    if (scroller->unit == ScrollUnit::Angle)
        return delta;
    const int direction = delta < 0 ? 1 : -1;
    const bool sameGesture
        = direction == scroller->direction && scroller->lastPart.isValid() && scroller->lastPart.elapsed() < 150;
    scroller->lastPart.start();
    scroller->direction = direction;
    if (sameGesture && scroller->lastStep.elapsed() < 250)
        return 0;
    scroller->lastStep.start();
    return direction * 120;
}

Scroller* scrollerOf(const QString& sender)
{
    static QHash<QString, Scroller> known;
    auto found = known.find(sender);
    if (found == known.end()) {
        Scroller scroller;
        if (isQtHost(sender)) {
            scroller.unit = ScrollUnit::Angle;
            scroller.named = true;
        }
        found = known.insert(sender, scroller);
    }
    return &*found;
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
        const int angle = angleOf(scrollerOf(message.service()), qBound(-120000, args.at(0).toInt(), 120000));
        if (angle != 0)
            emit calls->scrolled(angle, horizontal ? Qt::Horizontal : Qt::Vertical);
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
