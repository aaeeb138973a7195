#include "PortalFileChooser_linux.h"

#include "OsLogging.h"
#include "SessionBus_linux.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QScopedValueRollback>

namespace PortalTypes {

// A filter as the portal takes it, a(sa(us)): its name, and patterns that are globs (0) or MIME types (1).
struct Pattern
{
    uint kind = 0;
    QString text;
};
struct Filter
{
    QString name;
    QList<Pattern> patterns;
};

QDBusArgument& operator<<(QDBusArgument& argument, const Pattern& pattern)
{
    argument.beginStructure();
    argument << pattern.kind << pattern.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Pattern& pattern)
{
    argument.beginStructure();
    argument >> pattern.kind >> pattern.text;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const Filter& filter)
{
    argument.beginStructure();
    argument << filter.name << filter.patterns;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Filter& filter)
{
    argument.beginStructure();
    argument >> filter.name >> filter.patterns;
    argument.endStructure();
    return argument;
}

} // namespace PortalTypes

Q_DECLARE_METATYPE(PortalTypes::Pattern)
Q_DECLARE_METATYPE(PortalTypes::Filter)

namespace {

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");

QVariant filtersArgument(const QList<PortalFileChooser_linux::Filter>& filters)
{
    qDBusRegisterMetaType<PortalTypes::Pattern>();
    qDBusRegisterMetaType<PortalTypes::Filter>();
    qDBusRegisterMetaType<QList<PortalTypes::Pattern>>();
    qDBusRegisterMetaType<QList<PortalTypes::Filter>>();
    QList<PortalTypes::Filter> list;
    for (const PortalFileChooser_linux::Filter& filter : filters) {
        PortalTypes::Filter made { filter.name, {} };
        for (const QString& pattern : filter.patterns)
            made.patterns << PortalTypes::Pattern { 0, pattern };
        list << made;
    }
    return QVariant::fromValue(list);
}

} // namespace

bool PortalFileChooser_linux::s_bOpen = false;

PortalFileChooser_linux::PortalFileChooser_linux(QEventLoop* loop)
    : m_pLoop(loop)
{ }

std::optional<QList<QUrl>> PortalFileChooser_linux::openFiles(
    const QString& title, const QString& folder, const QList<Filter>& filters, bool multiple)
{
    // The menu stays open to the user while the portal's dialog shows: asked again meanwhile, the dialog that
    // shows is the one.
    if (s_bOpen)
        return QList<QUrl>();
    QDBusConnection bus = SessionBus_linux::instance()->connection();
    if (!bus.isConnected())
        return std::nullopt;
    const QScopedValueRollback<bool> open(s_bOpen, true);
    QEventLoop loop;
    PortalFileChooser_linux chooser(&loop);

    // The answer comes as a signal of a request object whose path the token foretells (every portal since 0.9);
    // it is listened to before the call, or a quick answer would be missed. The receiver's end ends the listening.
    const QString token = QStringLiteral("vireo%1").arg(QRandomGenerator::global()->generate());
    bus.connect(portalService,
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
            .arg(bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_')), token),
        QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), &chooser,
        SLOT(slotResponse(uint, QVariantMap)));

    QDBusMessage call = QDBusMessage::createMethodCall(portalService, QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.FileChooser"), QStringLiteral("OpenFile"));
    const QVariantMap options { { QStringLiteral("handle_token"), token }, { QStringLiteral("multiple"), multiple },
        { QStringLiteral("filters"), filtersArgument(filters) },
        // Newer portals open there; older ones leave it out and start where they like.
        { QStringLiteral("current_folder"), QByteArray(QFile::encodeName(folder) + '\0') } };
    call << QString() << title << options;
    QDBusPendingCallWatcher shown(bus.asyncCall(call, ShowWithinMs));
    connect(&shown, &QDBusPendingCallWatcher::finished, &chooser, [&] {
        if (shown.isError()) {
            qCDebug(lcOs) << "no dialog of the portal's:" << shown.error().message();
            loop.quit();
        }
    });
    // A portal that goes away takes its dialog with it: nothing was chosen.
    QDBusServiceWatcher gone(portalService, bus, QDBusServiceWatcher::WatchForUnregistration);
    connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &chooser, [&] {
        chooser.m_chosen = QList<QUrl>();
        loop.quit();
    });
    loop.exec();
    return chooser.m_chosen;
}

// 0 is a choice, 1 a cancelled dialog, 2 a dialog that ended otherwise.
void PortalFileChooser_linux::slotResponse(uint code, const QVariantMap& results)
{
    QList<QUrl> chosen;
    if (code == 0) {
        for (const QString& uri : results.value(QStringLiteral("uris")).toStringList())
            chosen << QUrl(uri);
    }
    m_chosen = chosen;
    m_pLoop->quit();
}
