#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QPointer>
#include <QStringList>
#include <QVariant>

class QSystemTrayIcon;

// The item's pictures and tool tip as the protocol sends them: pictures as ARGB32 in network byte order.
struct StatusNotifierImage
{
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using StatusNotifierImages = QList<StatusNotifierImage>;
struct StatusNotifierToolTip
{
    QString iconName;
    StatusNotifierImages images;
    QString title;
    QString text;
};
Q_DECLARE_METATYPE(StatusNotifierImage)
Q_DECLARE_METATYPE(StatusNotifierToolTip)

// Qt's StatusNotifierItem says it is no menu (ItemIsMenu false), so a host sends Activate for a left click and
// the program shows a menu of its own. Under Wayland no program can place a window beside another's icon (sway
// tiles such a menu over the whole screen): there the item says it is a menu, and the host draws the program's
// DBusMenu on the left click as on the right. So it does for GNOME Shell's extension on X11 too. Qt has no setting for it. QtDBus keeps one adaptor per interface on
// an object, the last one made: this one takes the place of Qt's on Qt's item and passes everything else on to it.
class StatusNotifierMenuItem_linux : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(StatusNotifierImages IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ noName)
    Q_PROPERTY(StatusNotifierImages OverlayIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionIconName READ noName)
    Q_PROPERTY(StatusNotifierImages AttentionIconPixmap READ noImages)
    Q_PROPERTY(QString AttentionMovieName READ noName)
    Q_PROPERTY(StatusNotifierToolTip ToolTip READ toolTip)

public:
    // Takes the place of Qt's adaptor on the item `icon` shows now, if it shows one; false where it could not.
    static bool install(QSystemTrayIcon* icon);
    // The connections Qt may have put its items on, one each: "org.kde.StatusNotifierItem-PID-N", N counting
    // Qt's items (the ones it made to ask about the tray included).
    static QStringList qtItemConnectionNames();

    QString category() const;
    QString id() const;
    QString title() const;
    QString status() const;
    int windowId() const;
    QString iconThemePath() const;
    QDBusObjectPath menu() const;
    bool itemIsMenu() const;
    QString iconName() const;
    StatusNotifierImages iconPixmap() const;
    QString noName() const;
    StatusNotifierImages noImages() const;
    StatusNotifierToolTip toolTip() const;

public slots:
    void Activate(int x, int y, const QDBusMessage& message);
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
    StatusNotifierMenuItem_linux(
        QObject* item, QDBusAbstractAdaptor* qtAdaptor, QSystemTrayIcon* icon, const QString& connectionName);

    QVariant passed(const char* property) const;
    void pass(const char* method, int a, int b);

    QPointer<QDBusAbstractAdaptor> m_pQtAdaptor;
    QPointer<QSystemTrayIcon> m_pIcon;
    QString m_connectionName; // the connection Qt offers the item on, which answers its calls
};
