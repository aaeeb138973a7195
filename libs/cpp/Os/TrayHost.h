#pragma once

#include <QObject>

class QMenu;
class QRect;
class QScreen;
class QSystemTrayIcon;
class QTimer;

// Whether a system tray is there to show the status icon, and word when one appears.
//
// Qt decides once, when the first tray icon is made, which kind of tray it talks to; an icon made before the
// panel runs would stay on the wrong kind or never show. So the program asks here first, without touching Qt's
// own tray check, and makes its icon only once a host is present.
class TrayHost : public QObject
{
    Q_OBJECT

public:
    explicit TrayHost(QObject* parent = nullptr);

    // Which kind of tray the icon goes to where a desktop offers both (xfce4-panel 4.18 runs an X11 tray and a
    // StatusNotifierItem host side by side).
    enum class Protocol { Automatic, Embedded, StatusNotifier };
    // The user's choice, or the test's; Automatic embeds wherever a real X11 tray runs.
    static void setPreferredProtocol(Protocol protocol);

    static bool isAvailable();
    // The icon becomes a StatusNotifierItem (KDE Plasma, GNOME's AppIndicator extension, every Wayland session):
    // it lives in another process, which takes no drops and hands out no geometry. The answer holds for an icon
    // made now.
    static bool isStatusNotifierHost();
    // The icon is embedded in an X11 tray, where a window of the program can lie over it and take drops. A tray
    // that only turns embedded icons into StatusNotifierItems (KDE's xembedsniproxy) does not count: there the
    // item itself is the better icon.
    static bool embedsIcon();
    // Whether the embedded icon's own window is on the screen, in a panel, where a window laid over it meets the
    // pointer and drops. Until the tray was tried (watch()), it is taken to be.
    static bool embeddedIconReachable();
    // The icon is to be embedded, but Qt, which picks a StatusNotifierItem host whenever one is registered, would
    // not do it: the program docks a window of its own.
    static bool docksIconItself();
    // Under Wayland no program may place a window over another's: there is no icon to cover, and the icon is
    // always a StatusNotifierItem.
    static bool isWayland();
    // True when windows may be translucent (a compositing manager runs); otherwise opacity is ignored. Cheap to
    // ask often: after the first question the answer is kept current by the display server.
    static bool isCompositing();
    // The part of `screen` the desktop's panels leave free, where a menu of the program's own goes: Qt's
    // available geometry, the window manager's work area on X11. A window manager that sets none (i3) leaves that
    // the whole screen, its bars included; there the docks' struts say where they are.
    static QRect workArea(const QScreen* screen);

    // An icon shown as a StatusNotifierItem lives on the session bus: when the bus comes back after it went away,
    // the item is registered again on the new one. An embedded icon needs nothing.
    static void keepItemOnSessionBus(QSystemTrayIcon* icon);
    // A host that draws `menu` from DBusMenu may fetch a submenu's entries only once it shows it, and place it
    // while still empty (KDE Plasma opens it past the screen's right edge). Each time `menu` is about to show,
    // its submenus are announced as changed, so such a host fetches them before the user gets there.
    static void announceSubmenusAhead(QMenu* menu);
    // Under Wayland the shown item asks its host to draw the menu on a left click too: no program can place a
    // menu of its own beside another's icon there. So does it for GNOME Shell's extension, which draws the menu on
    // a left click anyway and would otherwise take a double click for a call to open a menu of the program's own.
    static void letHostDrawMenu(QSystemTrayIcon* icon);

    // Starts watching; available() is emitted once, when a host is there (at once, or when one appears) and it is
    // known what an X11 tray does with an embedded icon.
    void watch();

signals:
    void available();

private slots:
    void slotCheck();

private:
    void tryEmbedding();

    QTimer* m_pTimer = nullptr;
    bool m_bAnnounced = false;
};
