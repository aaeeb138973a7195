#include "App_linux.h"

#include "FreedesktopApplicationAdaptor.h"
#include "OsLogging.h"
#include "Os_Linux.h"
#include "SessionBus_linux.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QElapsedTimer>
#include <QThread>

#include <cstdio>
#include <cstdlib>

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

void App_linux::emitJump()
{
    emit jumpRequested();
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

// Starts at the same instant race for the name and the bus gives it to one; every other start hands its files to
// that one, however long it takes to come up (a loaded machine, a long list being read): a start that played on
// its own beside it was a second player, and its files never reached the list. The holder may also go away
// meanwhile; the name is then free to take.
bool App_linux::claimInstance(const QList<QUrl>& files, bool append, const QString& action)
{
    if (m_bRegistered)
        return true;
    QDBusConnection bus = Os_Linux::sessionBus();
    if (!bus.isConnected())
        return true; // no session bus: this instance simply runs alone
    const QString name = ownBusName();
    const QString path = objectPath(name);
    const QDBusMessage call = handOverCall(name, path, files, append, action);
    // The object is there before the name: a desktop that started this program by D-Bus activation sends its
    // call the moment the name is taken.
    bus.registerObject(path, this, QDBusConnection::ExportAdaptors);
    QElapsedTimer waiting;
    waiting.start();
    for (;;) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claim = bus.interface()->registerService(
            name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
        if (!claim.isValid()) {
            qCWarning(lcOs) << "the session bus does not give out" << name << ":" << claim.error().message();
            return true; // a bus that refuses the name: better a player without it than none
        }
        if (claim.value() == QDBusConnectionInterface::ServiceRegistered) {
            m_bRegistered = true;
            connect(SessionBus_linux::instance(), &SessionBus_linux::returned, this, &App_linux::slotRegisterAgain,
                Qt::UniqueConnection);
            return true;
        }
        // One call, answered however late: a call sent again after a timeout would reach the holder twice once it
        // answers, and its files be added twice.
        const qint64 left = HandOverGiveUpMs - waiting.elapsed();
        const QDBusMessage reply = left > 0 ? bus.call(call, QDBus::Block, int(left)) : QDBusMessage();
        if (reply.type() == QDBusMessage::ReplyMessage)
            return false;
        if (waiting.elapsed() >= HandOverGiveUpMs) {
            std::fprintf(stderr, "vireo: the running player does not answer (%s); nothing was handed to it.\n",
                qPrintable(reply.errorMessage()));
            std::fflush(stderr);
            std::_Exit(1);
        }
        // Not delivered: the holder was not listening yet, or has just gone. A moment, then the name is tried again.
        qCDebug(lcOs) << "the running player did not take the call:" << reply.errorName();
        QThread::msleep(100);
    }
}

void App_linux::slotRegisterAgain()
{
    QDBusConnection bus = Os_Linux::sessionBus();
    const QString name = ownBusName();
    bus.registerObject(objectPath(name), this, QDBusConnection::ExportAdaptors);
    // Another player may have started while the bus was away and taken the name: this one goes on, reachable
    // from its icon, and later starts hand over to the other.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> claim = bus.interface()->registerService(
        name, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!claim.isValid() || claim.value() != QDBusConnectionInterface::ServiceRegistered)
        qCWarning(lcOs) << "the session bus came back with" << name << "taken";
}

QDBusMessage App_linux::handOverCall(
    const QString& name, const QString& path, const QList<QUrl>& files, bool append, const QString& action)
{
    QStringList uris;
    for (const QUrl& url : files)
        uris << url.toString(QUrl::FullyEncoded);
    const QString interface = QStringLiteral("org.freedesktop.Application");
    QDBusMessage call;
    if (uris.isEmpty() && !action.isEmpty()) {
        call = QDBusMessage::createMethodCall(name, path, interface, QStringLiteral("ActivateAction"));
        call << action << QVariantList();
    } else if (uris.isEmpty()) {
        call = QDBusMessage::createMethodCall(name, path, interface, QStringLiteral("Activate"));
    } else if (append) {
        call = QDBusMessage::createMethodCall(name, path, interface, QStringLiteral("ActivateAction"));
        call << QStringLiteral("enqueue") << QVariantList { QVariant::fromValue(QDBusVariant(uris)) };
    } else {
        call = QDBusMessage::createMethodCall(name, path, interface, QStringLiteral("Open"));
        call << uris;
    }
    call << QVariantMap();
    return call;
}
