#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

// A D-Bus daemon of the test's own, with no services to activate: the machine's buses are never touched.
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

    bool start()
    {
        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        m_address = QStringLiteral("unix:path=") + m_dir.filePath(QStringLiteral("bus"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                                  "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                                  "<busconfig><type>session</type><listen>%1</listen>"
                                  "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                  "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n")
                       .arg(m_address)
                       .toUtf8());
        file.close();
        m_daemon.start(
            QStringLiteral("dbus-daemon"), { QStringLiteral("--config-file=") + config, QStringLiteral("--nofork") });
        if (!m_daemon.waitForStarted(5000))
            return false;
        for (int i = 0; i < 100; ++i) {
            if (QFile::exists(m_dir.filePath(QStringLiteral("bus"))))
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QString address() const
    {
        return m_address;
    }

private:
    QTemporaryDir m_dir;
    QString m_address;
    QProcess m_daemon;
};
