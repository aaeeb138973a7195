#pragma once

#include <QObject>

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

    static bool isAvailable();
    // The tray is a StatusNotifierItem host (KDE Plasma, GNOME's AppIndicator extension, every Wayland session):
    // the icon lives in another process, which takes no drops and hands out no geometry. Qt picks this kind
    // whenever such a host is registered, so the answer holds for an icon made now.
    static bool isStatusNotifierHost();
    // Under Wayland no program may place a window over another's: there is no icon to cover, and the icon is
    // always a StatusNotifierItem.
    static bool isWayland();
    // True when windows may be translucent (a compositing manager runs); otherwise opacity is ignored. Cheap to
    // ask often: after the first question the answer is kept current by the display server.
    static bool isCompositing();

    // Starts watching; available() is emitted once, when a host appears.
    void watch();

signals:
    void available();

private slots:
    void slotCheck();

private:
    QTimer* m_pTimer = nullptr;
    bool m_bAnnounced = false;
};
