#pragma once

#include "DesktopSession.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// KDE Plasma 5.27 as its X11 session runs it, on the test's X server: kwin_x11, kded5 (whose module is the
// StatusNotifierWatcher), plasmashell with its default layout (a panel along the bottom whose system tray hosts
// items and answers notifications itself) and xembedsniproxy, which owns the X11 tray and turns embedded icons
// into items. Each starts on configuration of the test's own and stops with the test.
class PlasmaSession
{
public:
    ~PlasmaSession()
    {
        for (QProcess* part : { &m_proxy, &m_shell, &m_kded, &m_kwin })
            DesktopSession::stop(*part);
    }

    // Session services for the test's bus: what plasmashell asks the bus to start.
    static bool services(const QString& folder)
    {
        return DesktopSession::copyService(QStringLiteral("org.kde.ActivityManager.service"), folder)
            && DesktopSession::copyService(QStringLiteral("org.kde.kglobalaccel.service"), folder);
    }

    bool start(QProcessEnvironment env)
    {
        for (const char* folder : { "config", "data", "cache", "run" }) {
            if (!QDir().mkpath(m_dir.filePath(QLatin1String(folder))))
                return false;
        }
        QFile::setPermissions(
            m_dir.filePath(QStringLiteral("run")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("KDE"));
        env.insert(QStringLiteral("KDE_FULL_SESSION"), QStringLiteral("true"));
        env.insert(QStringLiteral("KDE_SESSION_VERSION"), QStringLiteral("5"));
        if (!launch(m_kwin, QStringLiteral("kwin_x11"), env) || !launch(m_kded, QStringLiteral("kded5"), env)
            || !DesktopSession::waitFor(
                [] { return DesktopSession::watcherSays("IsStatusNotifierHostRegistered").contains("boolean"); }, 15000)
            || !launch(m_shell, QStringLiteral("plasmashell"), env))
            return false;
        // The panel's tray registers as the items' host once the panel is laid out.
        if (!DesktopSession::waitFor(DesktopSession::itemHostRegistered, 30000))
            return false;
        return launch(m_proxy, QStringLiteral("xembedsniproxy"), env);
    }

    // The screen as the X server shows it now.
    QImage screen() const
    {
        const QString shot = m_dir.filePath(QStringLiteral("screen.png"));
        QFile::remove(shot);
        DesktopSession::run(QStringLiteral("gst-launch-1.0"),
            { QStringLiteral("-q"), QStringLiteral("ximagesrc"), QStringLiteral("num-buffers=1"),
                QStringLiteral("use-damage=false"), QStringLiteral("!"), QStringLiteral("videoconvert"),
                QStringLiteral("!"), QStringLiteral("pngenc"), QStringLiteral("!"), QStringLiteral("filesink"),
                QStringLiteral("location=") + shot });
        return QImage(shot);
    }

private:
    static bool launch(QProcess& part, const QString& program, const QProcessEnvironment& env)
    {
        part.setProcessEnvironment(env);
        part.setStandardOutputFile(QProcess::nullDevice());
        part.setStandardErrorFile(QProcess::nullDevice());
        part.start(program, {});
        return part.waitForStarted(5000);
    }

    QTemporaryDir m_dir;
    QProcess m_kwin;
    QProcess m_kded;
    QProcess m_shell;
    QProcess m_proxy;
};
