#include "X11Support_linux.h"

#include <QGuiApplication>
#include <QList>

#include <algorithm>

namespace X11Support {

xcb_connection_t* connection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

int screenNumber()
{
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    const int colon = display.lastIndexOf(':');
    return dot > colon ? display.mid(dot + 1).toInt() : 0;
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name)
{
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr);
    const xcb_atom_t result = reply ? reply->atom : XCB_NONE;
    free(reply);
    return result;
}

xcb_window_t selectionOwner(const char* prefix)
{
    xcb_connection_t* x11 = connection();
    if (!x11)
        return XCB_NONE;
    const xcb_atom_t selection = atom(x11, QByteArray(prefix) + QByteArray::number(screenNumber()));
    if (selection == XCB_NONE)
        return XCB_NONE;
    xcb_get_selection_owner_reply_t* owner
        = xcb_get_selection_owner_reply(x11, xcb_get_selection_owner(x11, selection), nullptr);
    const xcb_window_t window = owner ? owner->owner : XCB_NONE;
    free(owner);
    return window;
}

// A window manager that reparents keeps a dock one level down, in a frame of its own: the top-level windows and
// their children are read, each request sent before any answer is waited for. A dock that is not mapped keeps no
// room; _NET_WM_STRUT is read where _NET_WM_STRUT_PARTIAL is not set.
QMargins dockStruts()
{
    xcb_connection_t* x11 = connection();
    if (!x11)
        return {};
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(x11));
    for (int n = screenNumber(); n > 0 && screens.rem > 1; --n)
        xcb_screen_next(&screens);
    const auto childrenOf = [x11](const QList<xcb_window_t>& parents) {
        QList<xcb_query_tree_cookie_t> asked;
        for (xcb_window_t parent : parents)
            asked << xcb_query_tree(x11, parent);
        QList<xcb_window_t> children;
        for (const xcb_query_tree_cookie_t& cookie : asked) {
            if (xcb_query_tree_reply_t* tree = xcb_query_tree_reply(x11, cookie, nullptr)) {
                const xcb_window_t* child = xcb_query_tree_children(tree);
                children += QList<xcb_window_t>(child, child + xcb_query_tree_children_length(tree));
                free(tree);
            }
        }
        return children;
    };
    QList<xcb_window_t> windows = childrenOf({ screens.data->root });
    windows += childrenOf(windows);

    const xcb_atom_t partial = atom(x11, QByteArrayLiteral("_NET_WM_STRUT_PARTIAL"));
    const xcb_atom_t whole = atom(x11, QByteArrayLiteral("_NET_WM_STRUT"));
    struct Asked
    {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t partial, whole;
    };
    QList<Asked> asked;
    for (xcb_window_t window : std::as_const(windows))
        asked << Asked { xcb_get_window_attributes(x11, window),
            xcb_get_property(x11, 0, window, partial, XCB_ATOM_CARDINAL, 0, 4),
            xcb_get_property(x11, 0, window, whole, XCB_ATOM_CARDINAL, 0, 4) };
    uint32_t room[4] = {}; // left, right, top, bottom
    for (const Asked& window : std::as_const(asked)) {
        xcb_get_window_attributes_reply_t* attributes
            = xcb_get_window_attributes_reply(x11, window.attributes, nullptr);
        const bool mapped = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        bool found = false;
        for (const xcb_get_property_cookie_t& cookie : { window.partial, window.whole }) {
            xcb_get_property_reply_t* strut = xcb_get_property_reply(x11, cookie, nullptr);
            if (strut && mapped && !found && strut->format == 32 && xcb_get_property_value_length(strut) >= 16) {
                const auto* sides = static_cast<const uint32_t*>(xcb_get_property_value(strut));
                for (int side = 0; side < 4; ++side)
                    room[side] = std::max(room[side], sides[side]);
                found = true;
            }
            free(strut);
        }
    }
    return QMargins(int(room[0]), int(room[2]), int(room[1]), int(room[3]));
}

} // namespace X11Support
