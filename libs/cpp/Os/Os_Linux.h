#pragma once

#include <QDBusConnection>
#include <QString>

// The Linux side of Os: freedesktop and systemd services over D-Bus, XDG autostart, Qt's screen.
// A service that is missing (no bus, no logind, no file manager) gives the operation's failure value.
class Os_Linux
{
public:
    static void initNotifications();
    static void setAppIconNumber(int n);
    static void unsetAppIconNumber();
    static bool isAutorunAtLogon();
    static void changeAutorunAtLogon(bool on);
    static bool openFolderAndSelectFile(const QString& path);
    static double scaleFactor();

    static void emitSignalAtSwitchToStandBy();
    static void emitSignalAtWakeUpFromStandBy();
    static void emitSignalAtUserLogout();

    // The buses used, the machine's own by default (the session bus through a connection that is made again when
    // the bus comes back: SessionBus_linux); a test hands in buses it controls.
    static void setSystemBus(const QDBusConnection& bus);
    static void setSessionBus(const QDBusConnection& bus);
    static QDBusConnection systemBus();
    static QDBusConnection sessionBus();
    // The program (its path, as started) that owns `busName` on the session bus; empty when that cannot be told.
    // For the few hosts whose calls do not say what they mean.
    static QByteArray programOf(const QString& busName);

    static QString autostartFilePath();
    static void adoptEarlierAutostartEntry();
    static QString launcherAppUri();
};
