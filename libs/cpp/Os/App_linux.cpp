#include "App_linux.h"

#include "FreedesktopApplicationAdaptor.h"
#include "OsLogging.h"
#include "Os_Linux.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

App_linux* App_linux::s_pinstance = nullptr;

App_linux* App_linux::instance()
{
    if (!s_pinstance)
        s_pinstance = new App_linux(nullptr);
    return s_pinstance;
}

App_linux::App_linux(QObject* parent)
    : QObject(parent)
{
    new FreedesktopApplicationAdaptor(this);
}

void App_linux::emitClick()
{
    emit dockClicked();
}

void App_linux::emitOpen(const QList<QUrl>& urls)
{
    emit openRequested(urls);
}

void App_linux::emitAppend(const QList<QUrl>& urls)
{
    emit appendRequested(urls);
}

QString App_linux::busName(const QString& organizationDomain, const QString& applicationName)
{
    QStringList labels = organizationDomain.split(QLatin1Char('.'), Qt::SkipEmptyParts);
    std::reverse(labels.begin(), labels.end());
    labels << applicationName;
    // Bus name elements may hold letters, digits, "_" and "-" and must not start with a digit.
    for (QString& label : labels) {
        for (QChar& c : label) {
            if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('_'))
                c = QLatin1Char('_');
        }
        if (label.isEmpty() || label.front().isDigit())
            label.prepend(QLatin1Char('_'));
    }
    return labels.join(QLatin1Char('.'));
}

QString App_linux::ownBusName()
{
    return busName(QCoreApplication::organizationDomain(), QCoreApplication::applicationName());
}

QString App_linux::objectPath(const QString& busName)
{
    return QLatin1Char('/')
        + QString(busName).replace(QLatin1Char('.'), QLatin1Char('/')).replace(QLatin1Char('-'), QLatin1Char('_'));
}

bool App_linux::claimInstance(const QList<QUrl>& files, bool append)
{
    if (m_bRegistered)
        return true;
    QDBusConnection bus = Os_Linux::sessionBus();
    if (!bus.isConnected())
        return true; // no session bus: this instance simply runs alone
    const QString name = ownBusName();
    const QString path = objectPath(name);

    if (bus.interface()
            ->registerService(
                name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement)
            .value()
        == QDBusConnectionInterface::ServiceRegistered) {
        bus.registerObject(path, this, QDBusConnection::ExportAdaptors);
        m_bRegistered = true;
        return true;
    }

    // Another instance runs: give it this start's files, or just wake it.
    QStringList uris;
    for (const QUrl& url : files)
        uris << url.toString(QUrl::FullyEncoded);
    const QString interface = QStringLiteral("org.freedesktop.Application");
    QDBusMessage call;
    if (uris.isEmpty()) {
        call = QDBusMessage::createMethodCall(name, path, interface, QStringLiteral("Activate"));
    } else if (append) {
        call = QDBusMessage::createMethodCall(name, path, interface, QStringLiteral("ActivateAction"));
        call << QStringLiteral("enqueue") << QVariantList { QVariant::fromValue(QDBusVariant(uris)) };
    } else {
        call = QDBusMessage::createMethodCall(name, path, interface, QStringLiteral("Open"));
        call << uris;
    }
    call << QVariantMap();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcOs) << "another instance holds" << name << "but does not answer:" << reply.errorMessage();
        return true; // it does not answer: better a second player than none
    }
    return false;
}
