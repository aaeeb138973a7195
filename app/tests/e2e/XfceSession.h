#pragma once

#include "DesktopSession.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// The parts of an XFCE desktop that show a status icon, as users run them: xfconfd, the window manager xfwm4
// and xfce4-panel with one panel along the top holding the tray plugin alone, so the first icon sits at its
// left end. The tray plugin of xfce4-panel 4.18 owns the X11 tray selection and registers a
// StatusNotifierWatcher too. Started and stopped by the test, on its own configuration.
class XfceSession
{
public:
    ~XfceSession()
    {
        DesktopSession::stop(m_panel);
        DesktopSession::stop(m_windowManager);
        DesktopSession::stop(m_settings);
    }

    bool start(QProcessEnvironment env)
    {
        const QString channels = m_config.filePath(QStringLiteral("xfce4/xfconf/xfce-perchannel-xml"));
        QFile panelConfig(channels + QStringLiteral("/xfce4-panel.xml"));
        if (!QDir().mkpath(channels) || !panelConfig.open(QIODevice::WriteOnly))
            return false;
        panelConfig.write(R"(<?xml version="1.0"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="26"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty"><property name="plugin-1" type="string" value="systray"/></property>
</channel>
)");
        panelConfig.close();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config.path());
        for (QProcess* part : { &m_settings, &m_windowManager, &m_panel }) {
            part->setProcessEnvironment(env);
            part->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        }
        m_settings.start(QStringLiteral("/usr/lib/x86_64-linux-gnu/xfce4/xfconf/xfconfd"), {});
        m_windowManager.start(QStringLiteral("xfwm4"), {});
        if (!m_windowManager.waitForStarted(5000)
            || !DesktopSession::waitFor(
                [] { return DesktopSession::treeContains(QStringLiteral("\"Xfwm4\"")); }, 10000))
            return false;
        m_panel.start(QStringLiteral("xfce4-panel"), {});
        return m_panel.waitForStarted(5000);
    }

    // The panel ends (a crash, a restart from its preferences) and starts again, taking the tray with it.
    bool restartPanel()
    {
        m_panel.kill();
        m_panel.waitForFinished(3000);
        m_panel.start(QStringLiteral("xfce4-panel"), {});
        return m_panel.waitForStarted(5000);
    }

private:
    QTemporaryDir m_config;
    QProcess m_settings;
    QProcess m_windowManager;
    QProcess m_panel;
};
