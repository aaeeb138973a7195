#pragma once

#include "DesktopSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// LXQt's panel as its users run it, along the top of the screen with its two trays side by side: the
// StatusNotifierItem host (with its own watcher) and the X11 tray, which keeps embedded icons in windows of its own
// at the screen's corner and paints copies of them into the panel; and LXQt's notification daemon. Started and
// stopped by the test, on its own configuration.
class LxqtSession
{
public:
    ~LxqtSession()
    {
        DesktopSession::stop(m_notifications);
        DesktopSession::stop(m_panel);
    }

    bool start(QProcessEnvironment env)
    {
        const QString config = m_config.filePath(QStringLiteral("lxqt"));
        QFile panelConfig(config + QStringLiteral("/panel.conf"));
        if (!QDir().mkpath(config) || !panelConfig.open(QIODevice::WriteOnly))
            return false;
        panelConfig.write("[General]\n__userfile__=true\n\n"
                          "[panel1]\nalignment=-1\nposition=Top\npanelSize=32\niconSize=22\n"
                          "plugins=statusnotifier,tray\n\n"
                          "[statusnotifier]\ntype=statusnotifier\n\n[tray]\ntype=tray\n");
        panelConfig.close();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        m_panel.setProcessEnvironment(env);
        m_panel.setStandardOutputFile(QProcess::nullDevice());
        m_panel.setStandardErrorFile(QProcess::nullDevice());
        m_panel.start(QStringLiteral("lxqt-panel"), {});
        m_notifications.setProcessEnvironment(env);
        m_notifications.setStandardOutputFile(QProcess::nullDevice());
        m_notifications.setStandardErrorFile(QProcess::nullDevice());
        m_notifications.start(QStringLiteral("lxqt-notificationd"), {});
        return m_panel.waitForStarted(5000) && m_notifications.waitForStarted(5000);
    }

private:
    QTemporaryDir m_config;
    QProcess m_panel;
    QProcess m_notifications;
};
