#pragma once

#include "DesktopSession.h"
#include "PrivateBus.h"
#include "ShellEval.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// Cinnamon 5.6 as Linux Mint's users have it, on the test's X server: cinnamon as window manager and shell with
// its default panel along the bottom, whose XApp status applet shows StatusNotifierItems through xapp-sn-watcher
// (the watcher Cinnamon's session starts), and Cinnamon's own notifications. Settings come from memory, and a
// system bus of the test's own stands in for the machine's. Cinnamon answers `Eval`, through which the test asks
// where it drew things; every input is a real pointer event.
class CinnamonSession
{
public:
    ~CinnamonSession()
    {
        DesktopSession::stop(m_watcher);
        DesktopSession::stop(m_shell);
    }

    // What Cinnamon's parts, and the services the bus starts for them, need to know they run in Cinnamon.
    static QProcessEnvironment busEnvironment()
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("X-Cinnamon"));
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        return env;
    }

    bool start(QProcessEnvironment env)
    {
        const QString runtime = m_dir.filePath(QStringLiteral("run"));
        // The desktop entry where a package puts it, for the shell to know the program's windows by.
        const QString applications = m_dir.filePath(QStringLiteral("data/applications"));
        if (!QDir().mkpath(runtime) || !QDir().mkpath(applications)
            || !QFile::copy(QStringLiteral(VIREO_DESKTOP_FILES "/example.corvane.Vireo.desktop"),
                applications + QStringLiteral("/example.corvane.Vireo.desktop"))
            || !m_systemBus.start())
            return false;
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(busEnvironment());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_systemBus.address());
        for (QProcess* part : { &m_shell, &m_watcher }) {
            part->setProcessEnvironment(env);
            part->setStandardOutputFile(QProcess::nullDevice());
            part->setStandardErrorFile(QProcess::nullDevice());
        }
        m_shell.start(QStringLiteral("cinnamon"), { QStringLiteral("--replace") });
        // Up once its panel runs the status applet.
        if (!m_shell.waitForStarted(5000)
            || !DesktopSession::waitFor([this] { return !statusApplet().isUndefined(); }, 60000))
            return false;
        m_watcher.start(QStringLiteral("/usr/libexec/xapps/sn-watcher/xapp-sn-watcher"), {});
        return m_watcher.waitForStarted(5000) && DesktopSession::waitFor(DesktopSession::itemHostRegistered, 10000);
    }

    // The XApp status applet's icons: [x, y, width, height] of each, on the screen.
    QJsonArray statusIcons() const
    {
        return statusApplet().toArray();
    }

    // What the shell's JavaScript says `code` comes to; undefined where it failed or the shell is not there.
    QJsonValue eval(const QString& code) const
    {
        return shellEval(QStringLiteral("org.Cinnamon"), code);
    }

private:
    QJsonValue statusApplet() const
    {
        return eval(QStringLiteral(
            "(() => { const applet = "
            "imports.ui.appletManager.getRunningInstancesForUuid('xapp-status@cinnamon.org')[0];"
            "return Object.values(applet.statusIcons).map(i => { const [x, y] = i.actor.get_transformed_position();"
            "return [Math.round(x), Math.round(y), i.actor.width, i.actor.height]; }); })()"));
    }

    QTemporaryDir m_dir;
    PrivateBus m_systemBus;
    QProcess m_shell;
    QProcess m_watcher;
};
