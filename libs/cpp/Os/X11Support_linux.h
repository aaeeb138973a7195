#pragma once

#include <QByteArray>
#include <QMargins>

#include <xcb/xcb.h>

// What the tray classes ask the X server alike, on Qt's own connection to it.
namespace X11Support {

// Qt's connection, or none where the program does not run on X11 (Wayland, offscreen).
xcb_connection_t* connection();
// The screen of DISPLAY (":display.screen"); the screen part is absent on nearly every desktop.
int screenNumber();
xcb_atom_t atom(xcb_connection_t* connection, const QByteArray& name);
// The client window owning the selection "<prefix><screen>" (a tray's or a compositor's), or none.
xcb_window_t selectionOwner(const char* prefix);
// The room the docks (panels, bars) keep along the root window's edges by their struts, in the X server's
// pixels; none off X11.
QMargins dockStruts();

} // namespace X11Support
