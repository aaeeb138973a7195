#include "StatusNotifierMenuItem_linux.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QImage>
#include <QMetaClassInfo>
#include <QSystemTrayIcon>
#include <QtEndian>

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierImage& image)
{
    argument.beginStructure();
    argument << image.width << image.height << image.argb;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierImage& image)
{
    argument.beginStructure();
    argument >> image.width >> image.height >> image.argb;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const StatusNotifierToolTip& tip)
{
    argument.beginStructure();
    argument << tip.iconName << tip.images << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, StatusNotifierToolTip& tip)
{
    argument.beginStructure();
    argument >> tip.iconName >> tip.images >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

namespace {
const char* const itemInterface = "org.kde.StatusNotifierItem";

bool servesItem(const QObject* adaptor)
{
    const QMetaObject* meta = adaptor->metaObject();
    const int info = meta->indexOfClassInfo("D-Bus Interface");
    return info >= 0 && qstrcmp(meta->classInfo(info).value(), itemInterface) == 0;
}
} // namespace

bool StatusNotifierMenuItem_linux::install(QSystemTrayIcon* icon)
{
    if (!icon->isVisible())
        return false;
    bool installed = false;
    for (const QString& name : qtItemConnectionNames()) {
        const QDBusConnection connection(name);
        QObject* item
            = connection.isConnected() ? connection.objectRegisteredAt(QStringLiteral("/StatusNotifierItem")) : nullptr;
        if (!item)
            continue;
        QDBusAbstractAdaptor* qtAdaptor = nullptr;
        bool ours = false;
        for (QDBusAbstractAdaptor* adaptor :
            item->findChildren<QDBusAbstractAdaptor*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (qobject_cast<StatusNotifierMenuItem_linux*>(adaptor))
                ours = true;
            else if (servesItem(adaptor))
                qtAdaptor = adaptor;
        }
        if (!ours && qtAdaptor)
            new StatusNotifierMenuItem_linux(item, qtAdaptor, icon, name);
        installed = installed || ours || qtAdaptor;
    }
    return installed;
}

QStringList StatusNotifierMenuItem_linux::qtItemConnectionNames()
{
    const QString prefix = QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid());
    QStringList names;
    for (int n = 1; n <= 16; ++n)
        names << prefix + QString::number(n);
    return names;
}

StatusNotifierMenuItem_linux::StatusNotifierMenuItem_linux(
    QObject* item, QDBusAbstractAdaptor* qtAdaptor, QSystemTrayIcon* icon, const QString& connectionName)
    : QDBusAbstractAdaptor(item)
    , m_pQtAdaptor(qtAdaptor)
    , m_pIcon(icon)
    , m_connectionName(connectionName)
{
    qDBusRegisterMetaType<StatusNotifierImage>();
    qDBusRegisterMetaType<StatusNotifierImages>();
    qDBusRegisterMetaType<StatusNotifierToolTip>();
    // QtDBus relays the signals of the adaptor it keeps for the interface: Qt's go out through this one.
    for (const char* change : { SIGNAL(NewTitle()), SIGNAL(NewIcon()), SIGNAL(NewAttentionIcon()),
             SIGNAL(NewOverlayIcon()), SIGNAL(NewMenu()), SIGNAL(NewToolTip()) })
        connect(qtAdaptor, change, this, change);
    connect(qtAdaptor, SIGNAL(NewStatus(QString)), this, SIGNAL(NewStatus(QString)));
    // QtDBus takes this adaptor in at its next turn of the event loop; the turn after, hosts that read the item
    // already are told to read it again.
    QMetaObject::invokeMethod(
        this,
        [this] {
            emit NewIcon();
            emit NewStatus(status());
        },
        Qt::QueuedConnection);
}

QString StatusNotifierMenuItem_linux::category() const
{
    return passed("Category").toString();
}

QString StatusNotifierMenuItem_linux::id() const
{
    return passed("Id").toString();
}

QString StatusNotifierMenuItem_linux::title() const
{
    return passed("Title").toString();
}

QString StatusNotifierMenuItem_linux::status() const
{
    return passed("Status").toString();
}

int StatusNotifierMenuItem_linux::windowId() const
{
    return passed("WindowId").toInt();
}

QString StatusNotifierMenuItem_linux::iconThemePath() const
{
    return passed("IconThemePath").toString();
}

QDBusObjectPath StatusNotifierMenuItem_linux::menu() const
{
    return passed("Menu").value<QDBusObjectPath>();
}

bool StatusNotifierMenuItem_linux::itemIsMenu() const
{
    return true;
}

QString StatusNotifierMenuItem_linux::iconName() const
{
    return passed("IconName").toString();
}

// The icon at the sizes trays draw, as Qt's item sends it: hosts that find no icon by name draw these.
StatusNotifierImages StatusNotifierMenuItem_linux::iconPixmap() const
{
    StatusNotifierImages images;
    if (!m_pIcon)
        return images;
    for (const int side : { 16, 22, 24, 32, 48 }) {
        const QImage picture
            = m_pIcon->icon().pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32).scaled(side, side);
        if (picture.isNull())
            continue;
        StatusNotifierImage image { picture.width(), picture.height(), QByteArray() };
        image.argb.resize(picture.width() * picture.height() * 4);
        auto* out = reinterpret_cast<quint32*>(image.argb.data());
        for (int y = 0; y < picture.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(picture.constScanLine(y));
            for (int x = 0; x < picture.width(); ++x)
                *out++ = qToBigEndian(line[x]);
        }
        images << image;
    }
    return images;
}

QString StatusNotifierMenuItem_linux::noName() const
{
    return QString();
}

StatusNotifierImages StatusNotifierMenuItem_linux::noImages() const
{
    return {};
}

StatusNotifierToolTip StatusNotifierMenuItem_linux::toolTip() const
{
    return { iconName(), {}, m_pIcon ? m_pIcon->toolTip() : QString(), QString() };
}

QVariant StatusNotifierMenuItem_linux::passed(const char* property) const
{
    return m_pQtAdaptor ? m_pQtAdaptor->property(property) : QVariant();
}

void StatusNotifierMenuItem_linux::pass(const char* method, int a, int b)
{
    if (m_pQtAdaptor)
        QMetaObject::invokeMethod(m_pQtAdaptor, method, Q_ARG(int, a), Q_ARG(int, b));
}

// A menu cannot be activated. Hosts that ask all the same (KDE Plasma under Wayland on a left click, GNOME's
// extension on a double click) are told so, and Plasma then draws the item's menu as for any menu; passed on, the
// call made the program's own menu a window in the middle of the screen, or a second menu over the host's.
void StatusNotifierMenuItem_linux::Activate(int, int, const QDBusMessage& message)
{
    message.setDelayedReply(true);
    QDBusConnection(m_connectionName)
        .send(message.createErrorReply(QDBusError::NotSupported, QStringLiteral("The item is a menu")));
}

void StatusNotifierMenuItem_linux::ContextMenu(int x, int y)
{
    pass("ContextMenu", x, y);
}

void StatusNotifierMenuItem_linux::SecondaryActivate(int x, int y)
{
    pass("SecondaryActivate", x, y);
}

void StatusNotifierMenuItem_linux::Scroll(int delta, const QString& orientation)
{
    if (m_pQtAdaptor)
        QMetaObject::invokeMethod(m_pQtAdaptor, "Scroll", Q_ARG(int, delta), Q_ARG(QString, orientation));
}
