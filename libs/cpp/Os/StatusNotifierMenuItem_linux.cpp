#include "StatusNotifierMenuItem_linux.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QMetaClassInfo>
#include <QSystemTrayIcon>

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
    // Qt puts each item on a connection of its own, "org.kde.StatusNotifierItem-PID-N".
    const QString prefix = QStringLiteral("org.kde.StatusNotifierItem-%1-").arg(QCoreApplication::applicationPid());
    for (int n = 1; n <= 16; ++n) {
        const QDBusConnection connection(prefix + QString::number(n));
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
            new StatusNotifierMenuItem_linux(item, qtAdaptor);
        installed = installed || ours || qtAdaptor;
    }
    return installed;
}

StatusNotifierMenuItem_linux::StatusNotifierMenuItem_linux(QObject* item, QDBusAbstractAdaptor* qtAdaptor)
    : QDBusAbstractAdaptor(item)
    , m_pQtAdaptor(qtAdaptor)
{
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
            emit NewStatus(status().toString());
        },
        Qt::QueuedConnection);
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

void StatusNotifierMenuItem_linux::Activate(int x, int y)
{
    pass("Activate", x, y);
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
