#pragma once

#include <QAbstractNativeEventFilter>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

// A status icon docked into an X11 tray by the tray protocol itself: a small window handed to the tray's manager,
// which embeds it.
//
// Qt docks its icons this way only where no StatusNotifierItem host is registered; a panel that runs both
// (xfce4-panel) would get an item, which no other window can lie over and which takes no drops. The window is
// docked again whenever a tray takes over the selection, and hidden while none is there.
class XEmbedTrayIcon : public QWidget, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    XEmbedTrayIcon();
    ~XEmbedTrayIcon() override;

    void setIcon(const QIcon& icon);
    QIcon icon() const;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void dock();

    QIcon m_icon;
    QPixmap m_background; // the tray's own background under the icon, where the tray draws no translucent icons
    quint32 m_nManager = 0;
    quint32 m_nSelection = 0;
    quint32 m_nOpcode = 0;
};
