#pragma once

#include <QByteArray>

// Whether an X11 tray shows an embedded icon as the icon's own window, in a panel on the screen.
//
// Not every owner of the tray selection does: GNOME Shell's AppIndicator extension keeps the icon in a small
// window of its own and paints a picture of it into the top bar, lxqt-panel keeps it in a corner and paints a copy,
// KDE's proxy hands it on as a StatusNotifierItem. There the pointer and drops never reach the icon's window, and
// a window laid over "the icon" lies over something else. The tray's behaviour is the answer, not its name: a
// small window is docked, and the windows the tray put it in are looked at.
class TrayEmbedProbe
{
public:
    enum class Verdict {
        InPanel, // held by a window the window manager keeps as a panel (a dock)
        Elsewhere, // embedded, but in a window that is no panel: the tray shows a copy
        Unanswered, // no tray, no X server, or the tray did not embed the window in time
    };

    // Works on a connection of its own, so it may run on any thread; blocks at most `timeoutMs`.
    static Verdict run(const QByteArray& display, int timeoutMs);
};
