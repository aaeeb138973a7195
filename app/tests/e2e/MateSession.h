#pragma once

#include "DesktopSession.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// MATE's panel as its users have it: mate-panel with its default layout (a panel along the top and one along the
// bottom), whose notification area is an applet the session bus starts on the panel's request. The bus the panel
// talks to must offer that applet's service and carry the same display and settings backend (see services()).
// Settings come from memory; nothing of the machine's own configuration is read or written.
class MateSession
{
public:
    ~MateSession()
    {
        DesktopSession::stop(m_panel);
    }

    // A folder of session services for the test's bus: the notification area applet and MATE's notification daemon.
    static bool services(const QString& folder)
    {
        return DesktopSession::copyService(
                   QStringLiteral("org.mate.panel.applet.NotificationAreaAppletFactory.service"), folder)
            && DesktopSession::copyService(QStringLiteral("org.freedesktop.mate.Notifications.service"), folder);
    }

    static void prepare(QProcessEnvironment& env)
    {
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
    }

    bool start(QProcessEnvironment env)
    {
        prepare(env);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        m_panel.setProcessEnvironment(env);
        m_panel.setStandardOutputFile(QProcess::nullDevice());
        m_panel.setStandardErrorFile(QProcess::nullDevice());
        m_panel.start(QStringLiteral("mate-panel"), {});
        return m_panel.waitForStarted(5000);
    }

private:
    QTemporaryDir m_config;
    QProcess m_panel;
};
