#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QRect>
#include <QVector>

class QSystemTrayIcon;

// Where the status icon is on the screen, known without asking the display server on every look.
//
// An icon embedded in an X11 tray has no position of its own: QSystemTrayIcon::geometry() asks the server to
// translate it, a round trip that wakes the program and the server. Here the answer is kept, and asked for again
// only after the server reports that the icon, or a window holding it, moved, was reparented, mapped or gone.
// Trays that hand out no geometry are simply passed through.
class TrayIconGeometry : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    explicit TrayIconGeometry(QSystemTrayIcon* icon);
    ~TrayIconGeometry() override;

    QRect geometry();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    // The icon went into a tray window anew (the tray restarted, say), which now lies above whatever covered the
    // icon before.
    void reembedded();

private:
    void follow(quint32 iconWindow);

    QSystemTrayIcon* m_pIcon;
    QRect m_rect;
    bool m_bStale = true;
    quint32 m_nIconWindow = 0;
    QVector<quint32> m_windows; // the icon's window and every window above it, up to the root
};
