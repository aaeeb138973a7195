#include "FileDialog_linux.h"

#include "OsLogging.h"

// GIO names a member "signals", which Qt defines as a keyword.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

bool FileDialog_linux::s_bPortalAsked = false;

namespace {

constexpr const char* portalService = "org.freedesktop.portal.Desktop";

// Qt's portal theme asks the portal for its version while the application object is made, and waits as long as
// D-Bus lets it (25 s): a portal that hangs would hold the start for that long. So the portal is asked first,
// briefly, on a connection of its own (Qt's is not there yet): a running portal has a quarter of a second to
// answer, one the bus still has to start a little longer.
bool portalAnswers()
{
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    GDBusConnection* bus = address ? g_dbus_connection_new_for_address_sync(address,
                               GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT
                                   | G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                               nullptr, nullptr, &error)
                                   : nullptr;
    g_free(address);
    g_clear_error(&error);
    if (!bus)
        return false;
    const auto call = [bus](const char* service, const char* path, const char* interface, const char* method,
                          GVariant* args, int timeoutMs) {
        return g_dbus_connection_call_sync(
            bus, service, path, interface, method, args, nullptr, G_DBUS_CALL_FLAGS_NONE, timeoutMs, nullptr, nullptr);
    };
    gboolean running = FALSE;
    if (GVariant* owned = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
            g_variant_new("(s)", portalService), 250)) {
        g_variant_get(owned, "(b)", &running);
        g_variant_unref(owned);
    }
    GVariant* version = call(portalService, "/org/freedesktop/portal/desktop", "org.freedesktop.DBus.Properties", "Get",
        g_variant_new("(ss)", "org.freedesktop.portal.FileChooser", "version"), running ? 250 : 2000);
    const bool answered = version;
    if (version)
        g_variant_unref(version);
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return answered;
}

} // namespace

void FileDialog_linux::preferPortalDialogs()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORMTHEME"))
        return;
    if (!portalAnswers()) {
        qCDebug(lcOs) << "the desktop portal does not answer: Qt's own file dialog";
        return;
    }
    s_bPortalAsked = qputenv("QT_QPA_PLATFORMTHEME", "xdgdesktopportal");
}

void FileDialog_linux::keepToThisProcess()
{
    if (s_bPortalAsked)
        qunsetenv("QT_QPA_PLATFORMTHEME");
    s_bPortalAsked = false;
}

QStringList FileDialog_linux::fileTypes(const QString& filter)
{
    const QString remainder = QString(filter).remove(QStringLiteral("*."));
    return QString::fromLatin1(remainder.toLatin1()).split(QStringLiteral(";;"));
}

QString FileDialog_linux::panelFilter(const QString& filter)
{
    if (filter.isEmpty())
        return QString();
    QStringList patterns;
    for (const QString& type : fileTypes(filter))
        patterns << QStringLiteral("*.") + type;
    return patterns.join(QLatin1Char(' '));
}

QString FileDialog_linux::getOpenFileName(
    QWidget*, const QString& caption, const QString& dir, const QString& filter, QString*, QFileDialog::Options)
{
    return QFileDialog::getOpenFileName(nullptr, caption, dir, panelFilter(filter));
}

QString FileDialog_linux::getSaveFileName(
    QWidget*, const QString& caption, const QString& dir, const QString& filter, QString*, QFileDialog::Options)
{
    return QFileDialog::getSaveFileName(nullptr, caption, dir, panelFilter(filter));
}

QStringList FileDialog_linux::getOpenFileNames(
    QWidget*, const QString& caption, const QString& dir, const QString& filter, QString*, QFileDialog::Options)
{
    const QString chosen = QFileDialog::getOpenFileName(nullptr, caption, dir, panelFilter(filter));
    qCDebug(lcOs) << (chosen.isEmpty() ? "doOpen we have a Cancel button" : "doOpen we have a OK button");
    return QStringList { chosen };
}
