#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

// A D-Bus daemon of the test's own, with no services to activate unless the test names a folder of its own: the
// machine's buses are never touched.
class PrivateBus
{
public:
    ~PrivateBus()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000))
            m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

    // Services found in `serviceDir` are started in `environment`, with this bus as their session bus.
    bool start(const QString& serviceDir = QString(),
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment())
    {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        m_address = QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("bus"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(
            QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                           "<busconfig><type>session</type><listen>%1</listen>%2"
                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                .arg(m_address,
                    serviceDir.isEmpty() ? QString() : QStringLiteral("<servicedir>%1</servicedir>").arg(serviceDir))
                .toUtf8());
        file.close();
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
        m_daemon.setProcessEnvironment(environment);
        m_daemon.setProgram(QStringLiteral("dbus-daemon"));
        m_daemon.setArguments({ QStringLiteral("--config-file=") + config, QStringLiteral("--nofork") });
        return launch();
    }

    // The bus goes away and a new one comes up at the same address, as when the user's bus service restarts:
    // every connection to the old one is closed.
    bool restart()
    {
        m_daemon.terminate();
        if (!m_daemon.waitForFinished(3000)) {
            m_daemon.kill();
            m_daemon.waitForFinished(3000);
        }
        QFile::remove(m_dir.filePath(QStringLiteral("bus")));
        return launch();
    }

    QString address() const
    {
        return m_address;
    }

private:
    bool launch()
    {
        m_daemon.start();
        if (!m_daemon.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            if (QFile::exists(m_dir.filePath(QStringLiteral("bus"))))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QTemporaryDir m_dir;
    QString m_address;
    QProcess m_daemon;
};
