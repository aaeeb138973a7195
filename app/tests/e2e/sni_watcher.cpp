// A StatusNotifierItem host as KDE Plasma or GNOME's AppIndicator extension is one, reduced to what an item sees:
// it owns org.kde.StatusNotifierWatcher on the session bus, says that a host is registered, and prints the bus
// name of each item that registers, one per line, so that a test can talk to the item as the host would.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>

#include <cstdio>

class Watcher : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER m_items)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)

public:
    bool hostRegistered() const
    {
        return true;
    }
    int protocolVersion() const
    {
        return 0;
    }

public slots:
    void RegisterStatusNotifierItem(const QString& serviceOrPath)
    {
        // Items register by bus name, or by object path on their own connection.
        const QString service = serviceOrPath.startsWith(QLatin1Char('/')) ? message().service() : serviceOrPath;
        m_items << service;
        std::printf("item %s\n", qPrintable(service));
        std::fflush(stdout);
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) { }

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Watcher watcher;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &watcher, QDBusConnection::ExportAllContents)
        || !bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"))) {
        std::fprintf(stderr, "sni_watcher: cannot own org.kde.StatusNotifierWatcher\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "sni_watcher.moc"
