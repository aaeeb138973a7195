#include "Os_Linux.h"

#include "App_linux.h"
#include "Os.h"
#include "OsLogging.h"
#include "Os_Linux_Notifier.h"
#include "SessionBus_linux.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

#include <optional>

namespace {

std::optional<QDBusConnection> injectedSystemBus;
std::optional<QDBusConnection> injectedSessionBus;

// Calls to other programs never keep the menu waiting long.
constexpr int callTimeoutMs = 3000;

void sendLauncherUpdate(qint64 count, bool visible)
{
    QDBusConnection bus = Os_Linux::sessionBus();
    if (!bus.isConnected())
        return;
    const QString uri = Os_Linux::launcherAppUri();
    QDBusMessage update
        = QDBusMessage::createSignal(QStringLiteral("/com/canonical/unity/launcherentry/%1").arg(qHash(uri)),
            QStringLiteral("com.canonical.Unity.LauncherEntry"), QStringLiteral("Update"));
    QVariantMap properties;
    properties.insert(QStringLiteral("count"), count);
    properties.insert(QStringLiteral("count-visible"), visible);
    update << uri << properties;
    bus.send(update);
}

// Desktop entries quote an Exec argument that holds anything beyond plain path characters.
QString quotedExec(const QString& path)
{
    static const QString plain = QStringLiteral("/._-+");
    for (const QChar c : path) {
        if (!c.isLetterOrNumber() && !plain.contains(c)) {
            QString escaped = path;
            escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\\\\\"))
                .replace(QLatin1Char('"'), QStringLiteral("\\\\\""))
                .replace(QLatin1Char('`'), QStringLiteral("\\\\`"))
                .replace(QLatin1Char('$'), QStringLiteral("\\\\$"));
            return QLatin1Char('"') + escaped + QLatin1Char('"');
        }
    }
    return path;
}

} // namespace

void Os_Linux::setSystemBus(const QDBusConnection& bus)
{
    injectedSystemBus = bus;
}

void Os_Linux::setSessionBus(const QDBusConnection& bus)
{
    injectedSessionBus = bus;
}

QDBusConnection Os_Linux::systemBus()
{
    return injectedSystemBus ? *injectedSystemBus : QDBusConnection::systemBus();
}

QDBusConnection Os_Linux::sessionBus()
{
    return injectedSessionBus ? *injectedSessionBus : SessionBus_linux::instance()->connection();
}

QByteArray Os_Linux::programOf(const QString& busName)
{
    QDBusConnection bus = sessionBus();
    const QDBusReply<uint> pid = bus.isConnected() ? bus.interface()->servicePid(busName) : QDBusReply<uint>();
    if (!pid.isValid())
        return {};
    QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid.value()));
    if (!commandLine.open(QIODevice::ReadOnly))
        return {};
    const QByteArray command = commandLine.read(4096);
    return command.left(command.indexOf('\0'));
}

void Os_Linux::initNotifications()
{
    // Lives as long as the process, like the notices it listens to.
    new Os_Linux_Notifier(QCoreApplication::instance());
}

void Os_Linux::emitSignalAtSwitchToStandBy()
{
    emit Os::instance()->atSwitchToStandBy();
}

void Os_Linux::emitSignalAtWakeUpFromStandBy()
{
    emit Os::instance()->atWakeUpFromStandBy();
}

void Os_Linux::emitSignalAtUserLogout()
{
    emit Os::instance()->atUserLogout();
}

QString Os_Linux::launcherAppUri()
{
    return QStringLiteral("application://") + App_linux::ownBusName() + QStringLiteral(".desktop");
}

void Os_Linux::setAppIconNumber(int n)
{
    sendLauncherUpdate(n, true);
}

void Os_Linux::unsetAppIconNumber()
{
    sendLauncherUpdate(0, false);
}

QString Os_Linux::autostartFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/")
        + App_linux::ownBusName() + QStringLiteral(".desktop");
}

// Earlier versions named the start-at-login entry "vireo.desktop": the user's choice is kept under the new name,
// so that turning it off in the menu also stops the old entry.
void Os_Linux::adoptEarlierAutostartEntry()
{
    const QString path = autostartFilePath();
    const QString earlier = QFileInfo(path).absolutePath() + QStringLiteral("/vireo.desktop");
    if (!QFile::exists(earlier))
        return;
    if (QFile::exists(path))
        QFile::remove(earlier);
    else
        QFile::rename(earlier, path);
}

bool Os_Linux::isAutorunAtLogon()
{
    adoptEarlierAutostartEntry();
    const QString path = autostartFilePath();
    if (!QFile::exists(path))
        return false;
    QSettings entry(path, QSettings::IniFormat);
    return entry.value(QStringLiteral("Desktop Entry/Hidden")).toString().trimmed() != QLatin1String("true");
}

void Os_Linux::changeAutorunAtLogon(bool on)
{
    adoptEarlierAutostartEntry();
    const QString path = autostartFilePath();
    if (!on) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        qCWarning(lcOs) << "cannot write the autostart entry" << path;
        return;
    }
    const QString entry
        = QStringLiteral("[Desktop Entry]\n"
                         "Type=Application\n"
                         "Name=%1\n"
                         "Comment=Audio player in the system tray\n"
                         "Exec=%2\n"
                         "Icon=vireo\n"
                         "Terminal=false\n"
                         "X-GNOME-Autostart-enabled=true\n")
              .arg(QCoreApplication::applicationName(), quotedExec(QCoreApplication::applicationFilePath()));
    file.write(entry.toUtf8());
}

bool Os_Linux::openFolderAndSelectFile(const QString& path)
{
    QDBusConnection bus = sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("/org/freedesktop/FileManager1"), QStringLiteral("org.freedesktop.FileManager1"),
        QStringLiteral("ShowItems"));
    call << QStringList { QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) }
         << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, callTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

double Os_Linux::scaleFactor()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->devicePixelRatio() : 1.0;
}
