#include "XEmbedTrayIcon.h"

#include "OsLogging.h"
#include "X11Support_linux.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <xcb/xcb.h>

namespace {

using X11Support::atom;

constexpr uint32_t systemTrayRequestDock = 0;

// The tray names the visual its icons should use; a 32-bit one means it draws them translucent over itself.
bool trayWantsTranslucentIcons(xcb_connection_t* connection, xcb_window_t tray)
{
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection,
        xcb_get_property(connection, 0, tray, atom(connection, "_NET_SYSTEM_TRAY_VISUAL"), XCB_ATOM_VISUALID, 0, 1),
        nullptr);
    const xcb_visualid_t visual
        = reply && xcb_get_property_value_length(reply) == 4 ? *static_cast<xcb_visualid_t*>(xcb_get_property_value(reply)) : 0;
    free(reply);
    if (!visual)
        return false;
    for (xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(connection)); screen.rem;
         xcb_screen_next(&screen)) {
        for (xcb_depth_iterator_t depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem;
             xcb_depth_next(&depth)) {
            for (xcb_visualtype_iterator_t type = xcb_depth_visuals_iterator(depth.data); type.rem;
                 xcb_visualtype_next(&type)) {
                if (type.data->visual_id == visual)
                    return depth.data->depth == 32;
            }
        }
    }
    return false;
}

} // namespace

XEmbedTrayIcon::XEmbedTrayIcon()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint)
{
    setObjectName(QStringLiteral("VireoTrayIcon"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_QuitOnClose, false);
    // The size trays and GNOME have long agreed on; the tray resizes the window to its own.
    setGeometry(QRect(0, 0, 22, 22));
    setMinimumSize(22, 22);
    xcb_connection_t* connection = X11Support::connection();
    if (!connection)
        return;
    m_nSelection = atom(connection, "_NET_SYSTEM_TRAY_S" + QByteArray::number(X11Support::screenNumber()));
    m_nManager = atom(connection, "MANAGER");
    m_nOpcode = atom(connection, "_NET_SYSTEM_TRAY_OPCODE");
    QCoreApplication::instance()->installNativeEventFilter(this);
    dock();
}

XEmbedTrayIcon::~XEmbedTrayIcon()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

void XEmbedTrayIcon::setIcon(const QIcon& icon)
{
    m_icon = icon;
    update();
}

QIcon XEmbedTrayIcon::icon() const
{
    return m_icon;
}

void XEmbedTrayIcon::dock()
{
    xcb_connection_t* connection = X11Support::connection();
    const xcb_window_t tray = connection ? X11Support::selectionOwner("_NET_SYSTEM_TRAY_S") : XCB_NONE;
    if (tray == XCB_NONE) {
        hide();
        return;
    }
    // A tray without translucent icons shows the window over its own background: the window takes its
    // parent's as its own, and the icon is painted over a copy of it.
    const bool translucent = trayWantsTranslucentIcons(connection, tray);
    if (testAttribute(Qt::WA_TranslucentBackground) != translucent) {
        destroy();
        setAttribute(Qt::WA_TranslucentBackground, translucent);
    }
    const xcb_window_t window = xcb_window_t(winId());
    if (!translucent) {
        const uint32_t parentRelative = XCB_BACK_PIXMAP_PARENT_RELATIVE;
        xcb_change_window_attributes(connection, window, XCB_CW_BACK_PIXMAP, &parentRelative);
    }
    // The tray sizes its socket from the window's size hints as it embeds it, and may not look again; Qt writes
    // them only when it shows the window, which races with the tray. They are there before the request.
    uint32_t hints[18] = {};
    hints[0] = (1u << 4) | (1u << 8); // a minimum and a base size
    hints[5] = hints[15] = uint32_t(minimumWidth());
    hints[6] = hints[16] = uint32_t(minimumHeight());
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS,
        32, 18, hints);
    m_background = QPixmap();
    xcb_client_message_event_t request {};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = tray;
    request.type = m_nOpcode;
    request.data.data32[0] = XCB_CURRENT_TIME;
    request.data.data32[1] = systemTrayRequestDock;
    request.data.data32[2] = window;
    xcb_send_event(connection, 0, tray, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&request));
    xcb_flush(connection);
    qCDebug(lcOs) << "asked the X11 tray" << tray << "to embed the icon" << window;
}

bool XEmbedTrayIcon::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & ~0x80) {
    case XCB_CLIENT_MESSAGE: {
        // A tray took the selection (started, or restarted): it announces itself on the root window.
        const auto* announce = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (announce->type == m_nManager && announce->data.data32[1] == m_nSelection)
            dock();
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        // A tray that went away hands its icons back to the root window, where this one would sit as a stray
        // square until the next tray comes.
        const auto* reparent = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        if (internalWinId() && reparent->window == internalWinId()) {
            xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(X11Support::connection()));
            if (reparent->parent == screen.data->root) {
                hide();
            } else if (!isVisible()) {
                // Shown only once embedded: mapped by the program before, the window can be taken by the tray
                // for one that maps itself, which the tray then leaves at no size.
                show();
            }
        }
        break;
    }
    default:
        break;
    }
    return false;
}

void XEmbedTrayIcon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (testAttribute(Qt::WA_TranslucentBackground)) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else {
        if (m_background.isNull()) {
            // The server paints the tray's background into the window on a clear; the copy is taken once.
            xcb_connection_t* connection = X11Support::connection();
            xcb_clear_area(connection, 0, xcb_window_t(winId()), 0, 0, 0, 0);
            m_background = screen()->grabWindow(winId(), 0, 0, width(), height());
        }
        painter.drawPixmap(0, 0, m_background);
    }
    m_icon.paint(&painter, rect());
}

void XEmbedTrayIcon::resizeEvent(QResizeEvent* event)
{
    m_background = QPixmap();
    QWidget::resizeEvent(event);
}
