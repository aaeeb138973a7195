#include "TrayHost.h"

#include "OsLogging.h"
#include "Os_Linux.h"
#include "SessionBus_linux.h"
#include "StatusNotifierMenuItem_linux.h"
#include "TrayEmbedProbe.h"
#include "X11Support_linux.h"

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QTimer>
#include <QtMath>

#include <memory>

#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {

const QString watcherService = QStringLiteral("org.kde.StatusNotifierWatcher");

TrayHost::Protocol s_preferredProtocol = TrayHost::Protocol::Automatic;
TrayEmbedProbe::Verdict s_embedding = TrayEmbedProbe::Verdict::Unanswered;
// Long enough for a panel busy at login; a tray that embeds nothing in this time is taken to show icons as before.
constexpr int embedProbeTimeoutMs = 2000;

bool selectionOwned(const char* prefix)
{
    return X11Support::selectionOwner(prefix) != XCB_NONE;
}

// Asks the X server which process a client window belongs to; the request's type is taken from the call.
template <typename Client>
xcb_res_query_client_ids_cookie_t askProcessOf(xcb_connection_t* connection, xcb_window_t window,
    xcb_res_query_client_ids_cookie_t (*query)(xcb_connection_t*, uint32_t, const Client*))
{
    const Client client { window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID };
    return query(connection, 1, &client);
}

// The tray's owner is KDE's xembedsniproxy, which hands every embedded icon on as a StatusNotifierItem. Its
// selection window carries no name; the X server knows the process behind it (X-Resource), when it runs on
// this machine.
// GNOME Shell's AppIndicator extension draws the item's menu on every left click, whatever the item says it is,
// and asks for an activation on a double click: the one host whose item is a menu on X11 too. It is known by the
// program that owns the watcher; no call of its tells it apart before the first double click.
bool watcherIsGnomeShell()
{
    return Os_Linux::programOf(watcherService).endsWith("gnome-shell");
}

bool trayIsItemProxy()
{
    xcb_connection_t* connection = X11Support::connection();
    const xcb_window_t tray = X11Support::selectionOwner("_NET_SYSTEM_TRAY_S");
    if (!connection || tray == XCB_NONE)
        return false;
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(connection, &xcb_res_id);
    if (!res || !res->present)
        return false;
    xcb_res_query_client_ids_reply_t* reply = xcb_res_query_client_ids_reply(
        connection, askProcessOf(connection, tray, &xcb_res_query_client_ids), nullptr);
    if (!reply)
        return false;
    // Only the process was asked for: any value that came back is its number.
    uint32_t pid = 0;
    for (xcb_res_client_id_value_iterator_t it = xcb_res_query_client_ids_ids_iterator(reply); it.rem;
         xcb_res_client_id_value_next(&it)) {
        if (xcb_res_client_id_value_value_length(it.data) > 0)
            pid = *xcb_res_client_id_value_value(it.data);
    }
    free(reply);
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    return pid && comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "xembedsniproxy";
}

// Whether a compositing manager runs, learned once and then kept current by the X server, which reports every
// change of the selection's owner (XFixes). Asking instead would cost the idle program a round trip per look.
class CompositorWatch : public QObject, public QAbstractNativeEventFilter
{
public:
    explicit CompositorWatch(xcb_connection_t* connection)
        : QObject(qGuiApp)
        , m_pConnection(connection)
    {
        m_nSelection = X11Support::atom(
            connection, QByteArrayLiteral("_NET_WM_CM_S") + QByteArray::number(X11Support::screenNumber()));
        const xcb_query_extension_reply_t* xfixes = xcb_get_extension_data(connection, &xcb_xfixes_id);
        if (m_nSelection != XCB_NONE && xfixes && xfixes->present) {
            free(xcb_xfixes_query_version_reply(connection, xcb_xfixes_query_version(connection, 5, 0), nullptr));
            m_nNotifyEvent = uint8_t(xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY);
            xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection));
            for (int n = X11Support::screenNumber(); n > 0 && screen.rem > 1; --n)
                xcb_screen_next(&screen);
            xcb_xfixes_select_selection_input(connection, screen.data->root, m_nSelection,
                XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                    | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                    | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
            qGuiApp->installNativeEventFilter(this);
        }
        m_bCompositing = ask();
    }

    xcb_connection_t* connection() const
    {
        return m_pConnection;
    }

    bool compositing()
    {
        return m_nNotifyEvent ? m_bCompositing : ask();
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (eventType == "xcb_generic_event_t" && (event->response_type & ~0x80) == m_nNotifyEvent) {
            const auto* notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(event);
            if (notify->selection == m_nSelection)
                m_bCompositing = notify->owner != XCB_NONE;
        }
        return false;
    }

private:
    bool ask() const
    {
        xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
            m_pConnection, xcb_get_selection_owner(m_pConnection, m_nSelection), nullptr);
        const bool owned = owner && owner->owner != XCB_NONE;
        free(owner);
        return owned;
    }

    xcb_connection_t* m_pConnection;
    xcb_atom_t m_nSelection = XCB_NONE;
    uint8_t m_nNotifyEvent = 0; // 0: the server has no XFixes, and every look asks
    bool m_bCompositing = false;
};

// Whether the StatusNotifierWatcher has a host, kept current from its signals. The tray is looked at every second
// while there is none, and several times when the icon is made: asking the watcher each time would hold the user
// interface for as long as a watcher that hangs takes to answer. Only the first question waits, and not long.
class WatcherHosts : public QObject
{
    Q_OBJECT

public:
    static bool registered()
    {
        QDBusConnection bus = Os_Linux::sessionBus();
        if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcherService))
            return false;
        static QPointer<WatcherHosts> s_hosts;
        if (!s_hosts || s_hosts->m_strConnection != bus.name())
            s_hosts = new WatcherHosts(bus);
        return s_hosts->m_bRegistered;
    }

private:
    static constexpr int firstAnswerMs = 250;

    explicit WatcherHosts(QDBusConnection bus)
        : QObject(qApp)
        , m_strConnection(bus.name())
    {
        for (const char* change : { "StatusNotifierHostRegistered", "StatusNotifierHostUnregistered" })
            bus.connect(watcherService, QStringLiteral("/StatusNotifierWatcher"), watcherService, QLatin1String(change),
                this, SLOT(ask()));
        // A watcher that comes anew (the panel restarted) knows other hosts.
        auto* owners = new QDBusServiceWatcher(watcherService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(owners, &QDBusServiceWatcher::serviceOwnerChanged, this, [this] {
            m_bRegistered = false;
            ask();
        });
        const QDBusMessage reply = bus.call(question(), QDBus::Block, firstAnswerMs);
        if (reply.type() == QDBusMessage::ReplyMessage)
            take(reply);
        else
            ask();
    }

    static QDBusMessage question()
    {
        QDBusMessage call = QDBusMessage::createMethodCall(watcherService, QStringLiteral("/StatusNotifierWatcher"),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        call << watcherService << QStringLiteral("IsStatusNotifierHostRegistered");
        return call;
    }

    void take(const QDBusMessage& reply)
    {
        m_bRegistered
            = !reply.arguments().isEmpty() && reply.arguments().first().value<QDBusVariant>().variant().toBool();
    }

private slots:
    void ask()
    {
        if (m_bAsking)
            return;
        m_bAsking = true;
        auto* answer = new QDBusPendingCallWatcher(QDBusConnection(m_strConnection).asyncCall(question()), this);
        connect(answer, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
            call->deleteLater();
            m_bAsking = false;
            if (!call->isError())
                take(call->reply());
        });
    }

private:
    QString m_strConnection;
    bool m_bRegistered = false;
    bool m_bAsking = false;
};

bool statusNotifierHostRegistered()
{
    return WatcherHosts::registered();
}

} // namespace

TrayHost::TrayHost(QObject* parent)
    : QObject(parent)
{ }

bool TrayHost::isAvailable()
{
    return statusNotifierHostRegistered() || selectionOwned("_NET_SYSTEM_TRAY_S");
}

void TrayHost::setPreferredProtocol(Protocol protocol)
{
    s_preferredProtocol = protocol;
}

bool TrayHost::isStatusNotifierHost()
{
    return isWayland() || (statusNotifierHostRegistered() && !embedsIcon());
}

bool TrayHost::embedsIcon()
{
    if (isWayland() || !selectionOwned("_NET_SYSTEM_TRAY_S"))
        return false;
    switch (s_preferredProtocol) {
    case Protocol::Embedded:
        return true;
    case Protocol::StatusNotifier:
        return !statusNotifierHostRegistered();
    case Protocol::Automatic:
        break;
    }
    // Where the tray shows no window of the icon's, the desktop's other host draws the better icon: one that
    // looks like its neighbours, and that the pointer reaches.
    if (!statusNotifierHostRegistered())
        return true;
    return s_embedding != TrayEmbedProbe::Verdict::Elsewhere && !trayIsItemProxy();
}

bool TrayHost::embeddedIconReachable()
{
    return s_embedding != TrayEmbedProbe::Verdict::Elsewhere;
}

bool TrayHost::docksIconItself()
{
    return embedsIcon() && statusNotifierHostRegistered();
}

bool TrayHost::isWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool TrayHost::isCompositing()
{
    static QPointer<CompositorWatch> watch;
    xcb_connection_t* connection = X11Support::connection();
    if (!connection)
        return false;
    if (!watch || watch->connection() != connection)
        watch = new CompositorWatch(connection);
    return watch->compositing();
}

QRect TrayHost::workArea(const QScreen* screen)
{
    const QRect available = screen->availableGeometry();
    if (available != screen->geometry())
        return available;
    const QMargins struts = X11Support::dockStruts();
    const qreal ratio = screen->devicePixelRatio();
    const QMargins scaled(qCeil(struts.left() / ratio), qCeil(struts.top() / ratio), qCeil(struts.right() / ratio),
        qCeil(struts.bottom() / ratio));
    return available.intersected(screen->virtualGeometry().marginsRemoved(scaled));
}

void TrayHost::keepItemOnSessionBus(QSystemTrayIcon* icon)
{
    if (!isStatusNotifierHost())
        return;
    connect(SessionBus_linux::instance(), &SessionBus_linux::returned, icon, [icon] {
        if (!icon->isVisible())
            return;
        // Qt's item has a connection of its own, named after the item, that it never lets go once closed:
        // hidden, the item drops it; closed by name here, the item opens a new one when shown.
        icon->hide();
        for (const QString& name : StatusNotifierMenuItem_linux::qtItemConnectionNames()) {
            if (!QDBusConnection(name).isConnected())
                QDBusConnection::disconnectFromBus(name);
        }
        icon->show();
    });
}

void TrayHost::announceSubmenusAhead(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, menu, [menu] {
        // Qt's DBusMenu announces a submenu's layout as changed when an entry comes or goes; one that comes and
        // goes at once changes nothing the user sees.
        for (QAction* item : menu->actions()) {
            QMenu* submenu = item->menu<QMenu*>();
            if (submenu && item->isVisible())
                delete submenu->addAction(QString());
        }
    });
}

void TrayHost::letHostDrawMenu(QSystemTrayIcon* icon)
{
    if ((isWayland() || (isStatusNotifierHost() && watcherIsGnomeShell()))
        && !StatusNotifierMenuItem_linux::install(icon))
        qCWarning(lcOs) << "the tray item could not ask its host to draw the menu on a left click";
}

void TrayHost::watch()
{
    if (isAvailable()) {
        slotCheck();
        return;
    }
    // A StatusNotifierItem host announces itself on the session bus; an X11 tray takes a selection, which is
    // looked at once a second until a host is there. Nothing here blocks the event loop.
    QDBusConnection bus = Os_Linux::sessionBus();
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
    if (m_pTimer)
        m_pTimer->stop();
    if (embedsIcon() && s_embedding == TrayEmbedProbe::Verdict::Unanswered) {
        tryEmbedding();
        return;
    }
    qCDebug(lcOs) << "a system tray is available now";
    emit available();
}

void TrayHost::tryEmbedding()
{
    // Off the user interface's thread, on a connection of its own: the tray may take its time to answer.
    auto verdict = std::make_shared<TrayEmbedProbe::Verdict>(TrayEmbedProbe::Verdict::Unanswered);
    const QByteArray display = qgetenv("DISPLAY");
    QThread* probe
        = QThread::create([verdict, display] { *verdict = TrayEmbedProbe::run(display, embedProbeTimeoutMs); });
    QElapsedTimer clock;
    clock.start();
    connect(probe, &QThread::finished, this, [this, probe, verdict, clock] {
        probe->deleteLater();
        s_embedding = *verdict;
        qCDebug(lcOs) << "the X11 tray shows an embedded icon" << int(s_embedding) << "(0 in a panel, 1 elsewhere,"
                      << "2 no answer) after" << clock.elapsed() << "ms";
        emit available();
    });
    probe->start();
}

#include "TrayHost_linux.moc"
