#pragma once

#include "DesktopSession.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

// The real program as a desktop starts it, in a home of its own, with playerctl as the remote that asks and
// drives it over MPRIS, as a user's media keys and the desktop's sound menu do.
class VireoProcess
{
public:
    ~VireoProcess()
    {
        quit();
    }

    QString home() const
    {
        return m_home.path();
    }

    // The introduction shows at the next start, or never again, as after a user's first start.
    void setIntroductionDone(bool done) const
    {
        QSettings settings(m_home.path() + QStringLiteral("/.config/Vireo/settings.plist"), QSettings::IniFormat);
        settings.setValue(QStringLiteral("Vireo/NeverShowItAgain"), done);
    }

    // `extraEnv` as "NAME=value" on top.
    QProcessEnvironment environment(const QStringList& extraEnv = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.path() + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_home.path() + QStringLiteral("/.local/share"));
        env.remove(QStringLiteral("QT_LOGGING_RULES"));
        env.remove(QStringLiteral("VIREO_AUDIO_SINK"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        for (const QString& pair : extraEnv)
            env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
        return env;
    }

    bool start(const QStringList& files, const QStringList& extraEnv = {})
    {
        m_program.setProcessEnvironment(environment(extraEnv));
        m_program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_program.start(QStringLiteral(VIREO_BINARY), files);
        return m_program.waitForStarted(5000);
    }

    // A second start with `args`, as a desktop's shortcut runs one: true once it has handed them to the running
    // program and ended.
    bool startAgain(const QStringList& args, const QStringList& extraEnv = {}) const
    {
        QProcess again;
        again.setProcessEnvironment(environment(extraEnv));
        again.start(QStringLiteral(VIREO_BINARY), args);
        return again.waitForFinished(10000) && again.exitCode() == 0;
    }

    bool running() const
    {
        return m_program.state() != QProcess::NotRunning;
    }

    void quit()
    {
        if (!running())
            return;
        playerctl({ QStringLiteral("stop") });
        DesktopSession::run(QStringLiteral("dbus-send"),
            { QStringLiteral("--session"), QStringLiteral("--type=method_call"),
                QStringLiteral("--dest=org.mpris.MediaPlayer2.vireo"), QStringLiteral("/org/mpris/MediaPlayer2"),
                QStringLiteral("org.mpris.MediaPlayer2.Quit") });
        if (!m_program.waitForFinished(5000))
            DesktopSession::stop(m_program);
    }

    static QString playerctl(const QStringList& args)
    {
        return DesktopSession::run(
            QStringLiteral("playerctl"), QStringList { QStringLiteral("-p"), QStringLiteral("vireo") } + args)
            .trimmed();
    }

    // Bounded generously: on a loaded machine (two desktops' tests side by side) a dropped song was once not yet
    // playing after five seconds.
    static bool becomes(const char* status)
    {
        return DesktopSession::waitFor(
            [&] { return playerctl({ QStringLiteral("status") }) == QLatin1String(status); }, 10000);
    }

    static QString title()
    {
        return playerctl({ QStringLiteral("metadata"), QStringLiteral("title") });
    }

    static double volume()
    {
        return playerctl({ QStringLiteral("volume") }).toDouble();
    }

private:
    QTemporaryDir m_home;
    QProcess m_program;
};
