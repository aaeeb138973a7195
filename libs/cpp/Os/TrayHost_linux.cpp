#include "TrayHost.h"

#include "OsLogging.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QHash>
#include <QTimer>

#include <xcb/xcb.h>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

xcb_connection_t* x11Connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

int x11ScreenNumber()
{
    // DISPLAY is ":display.screen"; the screen part is absent on nearly every desktop.
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    const int colon = display.lastIndexOf(':');
    return dot > colon ? display.mid(dot + 1).toInt() : 0;
}

// True when some client owns the X11 selection "<prefix><screen>" (the tray's or the compositor's).
bool selectionOwned(const char* prefix)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return false;
    const QByteArray name = QByteArray(prefix) + QByteArray::number(x11ScreenNumber());
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t* owner
        = xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}

bool statusNotifierHostRegistered()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService))
        return false;
    QDBusInterface watcher(watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService, bus);
    return watcher.property("IsStatusNotifierHostRegistered").toBool();
}

} // namespace

TrayHost::TrayHost(QObject* parent)
    : QObject(parent)
{ }

bool TrayHost::isAvailable()
{
    return statusNotifierHostRegistered() || selectionOwned("_NET_SYSTEM_TRAY_S");
}

bool TrayHost::isCompositing()
{
    return selectionOwned("_NET_WM_CM_S");
}

void TrayHost::watch()
{
    // A StatusNotifierItem host announces itself on the session bus; an X11 tray takes a selection, which is
    // looked at once a second until a host is there. Nothing here blocks the event loop.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        auto* services = new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForRegistration, this);
        connect(services, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            // The watcher comes up a moment before its host registers with it.
            QTimer::singleShot(500, this, &TrayHost::slotCheck);
        });
    }
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(1000);
    connect(m_pTimer, &QTimer::timeout, this, &TrayHost::slotCheck);
    m_pTimer->start();
}

void TrayHost::slotCheck()
{
    if (m_bAnnounced || !isAvailable())
        return;
    m_bAnnounced = true;
    m_pTimer->stop();
    qCDebug(lcOs) << "a system tray is available now";
    emit available();
}
