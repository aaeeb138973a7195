#include "X11Support_linux.h"

#include <QGuiApplication>

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

} // namespace X11Support
