#include "TrayEmbedProbe.h"

#include <QDeadlineTimer>

#include <memory>
#include <poll.h>
#include <xcb/xcb.h>

namespace {

constexpr uint32_t systemTrayRequestDock = 0;
constexpr uint32_t xembedMapped = 1;
// How long the tray may take to give up the slot it made for the window, once the window went.
constexpr int slotReleaseTimeoutMs = 500;

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&free)>;

template <typename Reply> Owned<Reply> own(Reply* reply)
{
    return Owned<Reply>(reply, &free);
}

xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name)
{
    auto reply = own(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, uint16_t(name.size()), name.constData()), nullptr));
    return reply ? reply->atom : XCB_NONE;
}

bool isDock(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t type, xcb_atom_t dock)
{
    auto reply = own(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, type, XCB_ATOM_ATOM, 0, 16), nullptr));
    if (!reply || reply->format != 32)
        return false;
    const auto* types = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    for (int n = 0; n < count; ++n) {
        if (types[n] == dock)
            return true;
    }
    return false;
}

// Waits for an event that `wanted` accepts; false when the time ran out or the server went.
template <typename Wanted> bool waitFor(xcb_connection_t* connection, int timeoutMs, Wanted wanted)
{
    const QDeadlineTimer deadline(timeoutMs);
    pollfd fd { xcb_get_file_descriptor(connection), POLLIN, 0 };
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const bool found = wanted(event);
            free(event);
            if (found)
                return true;
        }
        if (xcb_connection_has_error(connection) || deadline.hasExpired())
            return false;
        fd.revents = 0;
        poll(&fd, 1, int(qMax<qint64>(1, deadline.remainingTime())));
    }
}

xcb_window_t parentOf(xcb_connection_t* connection, xcb_window_t window)
{
    auto tree = own(xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    return tree ? tree->parent : XCB_NONE;
}

} // namespace

TrayEmbedProbe::Verdict TrayEmbedProbe::run(const QByteArray& display, int timeoutMs)
{
    int screenNumber = 0;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(display.isEmpty() ? nullptr : display.constData(), &screenNumber), &xcb_disconnect);
    xcb_connection_t* c = connection.get();
    if (xcb_connection_has_error(c))
        return Verdict::Unanswered;
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int n = screenNumber; n > 0 && screen.rem > 1; --n)
        xcb_screen_next(&screen);
    const xcb_window_t root = screen.data->root;
    auto owner = own(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, atom(c, "_NET_SYSTEM_TRAY_S" + QByteArray::number(screenNumber))), nullptr));
    const xcb_window_t tray = owner ? owner->owner : XCB_NONE;
    if (tray == XCB_NONE)
        return Verdict::Unanswered;

    // An empty window that says it wants to be shown: the tray treats it as any icon, for the moment it is here.
    const xcb_window_t window = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, root, 0, 0, 22, 22, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
        screen.data->root_visual, XCB_CW_EVENT_MASK, &events);
    const xcb_atom_t xembedInfo = atom(c, "_XEMBED_INFO");
    const uint32_t info[2] = { 0, xembedMapped };
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, xembedInfo, xembedInfo, 32, 2, info);
    xcb_client_message_event_t request {};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = tray;
    request.type = atom(c, "_NET_SYSTEM_TRAY_OPCODE");
    request.data.data32[0] = XCB_CURRENT_TIME;
    request.data.data32[1] = systemTrayRequestDock;
    request.data.data32[2] = window;
    xcb_send_event(c, 0, tray, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&request));
    xcb_flush(c);

    const bool embedded = waitFor(c, timeoutMs, [window, root](const xcb_generic_event_t* event) {
        const auto* reparent = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        return (event->response_type & ~0x80) == XCB_REPARENT_NOTIFY && reparent->window == window
            && reparent->parent != root;
    });
    if (!embedded) {
        xcb_destroy_window(c, window);
        xcb_flush(c);
        return Verdict::Unanswered;
    }
    // A panel may sit in a frame of the window manager's, or hold the icon a few windows deep: any window between
    // the icon and the root that is a dock will do.
    const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE");
    const xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    Verdict verdict = Verdict::Elsewhere;
    for (xcb_window_t at = parentOf(c, window); at != XCB_NONE && at != root; at = parentOf(c, at)) {
        if (isDock(c, at, type, dock)) {
            verdict = Verdict::InPanel;
            break;
        }
    }
    // The tray takes the slot it made away again when the window goes; the real icon is docked after that, so
    // that it does not move along the panel a moment after it came.
    const xcb_window_t slot = parentOf(c, window);
    xcb_change_window_attributes(c, slot, XCB_CW_EVENT_MASK, &events);
    xcb_destroy_window(c, window);
    xcb_flush(c);
    waitFor(c, slotReleaseTimeoutMs, [slot](const xcb_generic_event_t* event) {
        const int kind = event->response_type & ~0x80;
        return (kind == XCB_DESTROY_NOTIFY
                   && reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == slot)
            || (kind == XCB_UNMAP_NOTIFY && reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window == slot);
    });
    return verdict;
}
