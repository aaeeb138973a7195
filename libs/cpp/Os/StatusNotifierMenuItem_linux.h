#pragma once

#include <QDBusAbstractAdaptor>
#include <QPointer>
#include <QVariant>

class QSystemTrayIcon;

// Qt's StatusNotifierItem says it is no menu (ItemIsMenu false), so a host sends Activate for a left click and
// the program shows a menu of its own. Under Wayland no program can place a window beside another's icon (sway
// tiles such a menu over the whole screen): there the item says it is a menu, and the host draws the program's
// DBusMenu on the left click as on the right. Qt has no setting for it. QtDBus keeps one adaptor per interface on
// an object, the last one made: this one takes the place of Qt's on Qt's item and passes everything else on to it.
class StatusNotifierMenuItem_linux : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QVariant Category READ category)
    Q_PROPERTY(QVariant Id READ id)
    Q_PROPERTY(QVariant Title READ title)
    Q_PROPERTY(QVariant Status READ status)
    Q_PROPERTY(QVariant WindowId READ windowId)
    Q_PROPERTY(QVariant IconThemePath READ iconThemePath)
    Q_PROPERTY(QVariant Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QVariant IconName READ iconName)
    Q_PROPERTY(QVariant IconPixmap READ iconPixmap)
    Q_PROPERTY(QVariant OverlayIconName READ overlayIconName)
    Q_PROPERTY(QVariant OverlayIconPixmap READ overlayIconPixmap)
    Q_PROPERTY(QVariant AttentionIconName READ attentionIconName)
    Q_PROPERTY(QVariant AttentionIconPixmap READ attentionIconPixmap)
    Q_PROPERTY(QVariant AttentionMovieName READ attentionMovieName)
    Q_PROPERTY(QVariant ToolTip READ toolTip)

public:
    // Takes the place of Qt's adaptor on the item `icon` shows now, if it shows one; false where it could not.
    static bool install(QSystemTrayIcon* icon);

    QVariant category() const
    {
        return passed("Category");
    }
    QVariant id() const
    {
        return passed("Id");
    }
    QVariant title() const
    {
        return passed("Title");
    }
    QVariant status() const
    {
        return passed("Status");
    }
    QVariant windowId() const
    {
        return passed("WindowId");
    }
    QVariant iconThemePath() const
    {
        return passed("IconThemePath");
    }
    QVariant menu() const
    {
        return passed("Menu");
    }
    bool itemIsMenu() const
    {
        return true;
    }
    QVariant iconName() const
    {
        return passed("IconName");
    }
    QVariant iconPixmap() const
    {
        return passed("IconPixmap");
    }
    QVariant overlayIconName() const
    {
        return passed("OverlayIconName");
    }
    QVariant overlayIconPixmap() const
    {
        return passed("OverlayIconPixmap");
    }
    QVariant attentionIconName() const
    {
        return passed("AttentionIconName");
    }
    QVariant attentionIconPixmap() const
    {
        return passed("AttentionIconPixmap");
    }
    QVariant attentionMovieName() const
    {
        return passed("AttentionMovieName");
    }
    QVariant toolTip() const
    {
        return passed("ToolTip");
    }

public slots:
    void Activate(int x, int y);
    void ContextMenu(int x, int y);
    void SecondaryActivate(int x, int y);
    void Scroll(int delta, const QString& orientation);

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewMenu();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierMenuItem_linux(QObject* item, QDBusAbstractAdaptor* qtAdaptor);

    QVariant passed(const char* property) const;
    void pass(const char* method, int a, int b);

    QPointer<QDBusAbstractAdaptor> m_pQtAdaptor;
};
