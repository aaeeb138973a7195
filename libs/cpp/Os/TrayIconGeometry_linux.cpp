#include "TrayIconGeometry.h"

#include "X11Support_linux.h"

#include <QApplication>
#include <QSystemTrayIcon>
#include <QWidget>

#include <xcb/xcb.h>

namespace {

// Qt embeds the icon as a window of a private class; it is the only top-level of that kind. Where the program
// docks its icon itself, that window is named for it.
QWidget* iconWidget()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if ((qstrcmp(widget->metaObject()->className(), "QSystemTrayIconSys") == 0
                || widget->objectName() == QLatin1String("VireoTrayIcon"))
            && widget->testAttribute(Qt::WA_WState_Created) && widget->isVisible())
            return widget;
    }
    return nullptr;
}

// Where a window lies on the screen, whoever holds it.
QRect screenGeometry(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    if (!geometry)
        return {};
    xcb_translate_coordinates_reply_t* place = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, window, geometry->root, 0, 0), nullptr);
    QRect rect;
    if (place)
        rect = QRect(place->dst_x, place->dst_y, geometry->width, geometry->height);
    free(place);
    free(geometry);
    return rect;
}

} // namespace

TrayIconGeometry::TrayIconGeometry(QSystemTrayIcon* icon)
    : QObject(icon)
    , m_pIcon(icon)
{
    if (X11Support::connection())
        QCoreApplication::instance()->installNativeEventFilter(this);
}

TrayIconGeometry::~TrayIconGeometry()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(this);
}

QRect TrayIconGeometry::geometry()
{
    if (!X11Support::connection())
        return m_pIcon->geometry();
    QWidget* widget = iconWidget();
    const quint32 window = widget ? quint32(widget->winId()) : 0;
    if (window != m_nIconWindow) {
        m_nIconWindow = window;
        m_bStale = true;
        if (window)
            emit reembedded();
    }
    if (m_bStale) {
        // Listen first, then ask: a move between the two is then reported rather than lost.
        m_bStale = false;
        follow(window);
        const bool ownDock = widget && widget->objectName() == QLatin1String("VireoTrayIcon");
        m_rect = ownDock ? screenGeometry(X11Support::connection(), window) : m_pIcon->geometry();
    }
    return m_rect;
}

void TrayIconGeometry::follow(quint32 iconWindow)
{
    m_windows.clear();
    xcb_connection_t* connection = X11Support::connection();
    if (!connection || !iconWindow)
        return;
    // Qt listens to its own window already; the windows above it belong to the tray and the window manager, and
    // our interest in them is ours alone. The root window is Qt's business and is left as it is.
    m_windows << iconWindow;
    xcb_window_t window = iconWindow;
    const uint32_t structure = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    for (int depth = 0; depth < 16; ++depth) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
        if (!tree)
            break;
        const xcb_window_t parent = tree->parent;
        const bool top = parent == XCB_NONE || parent == tree->root;
        free(tree);
        if (top)
            break;
        xcb_change_window_attributes(connection, parent, XCB_CW_EVENT_MASK, &structure);
        m_windows << parent;
        window = parent;
    }
    xcb_flush(connection);
}

bool TrayIconGeometry::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    xcb_window_t changed = XCB_NONE;
    switch (event->response_type & ~0x80) {
    case XCB_CONFIGURE_NOTIFY:
        changed = reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window;
        break;
    case XCB_REPARENT_NOTIFY:
        changed = reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window;
        break;
    case XCB_MAP_NOTIFY:
        changed = reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
        break;
    case XCB_UNMAP_NOTIFY:
        changed = reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window;
        break;
    case XCB_DESTROY_NOTIFY:
        changed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window;
        break;
    default:
        return false;
    }
    const uint8_t type = event->response_type & ~0x80;
    if (changed != XCB_NONE && changed == m_nIconWindow && (type == XCB_REPARENT_NOTIFY || type == XCB_MAP_NOTIFY))
        emit reembedded();
    if (m_windows.contains(changed))
        m_bStale = true;
    return false; // only noted: Qt handles every event as before
}
