#pragma once

#include "DesktopSession.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <unistd.h>

// sway 1.7 on its headless back end with waybar 0.9.17 along the top (its tray module is the item host), as a
// sway user runs them; wayvnc is the way in for the test's pointer (it hands it to sway as a virtual pointer, as a real
// device is handed in), and grim takes the screen. sway refuses to run
// as root: it runs as nobody in a runtime folder of nobody's, and every other part reaches its sockets by path.
class SwaySession
{
public:
    ~SwaySession()
    {
        m_vnc.close();
        for (QProcess* part : { &m_wayvnc, &m_bar, &m_sway })
            DesktopSession::stop(*part);
    }

    static QString unavailable()
    {
        return geteuid() == 0 ? QString() : QStringLiteral("sway is started as another user, which needs root");
    }

    bool start(QProcessEnvironment env)
    {
        const QString runtime = m_dir.filePath(QStringLiteral("run"));
        const QString config = m_dir.filePath(QStringLiteral("sway.config"));
        const QString bar = m_dir.filePath(QStringLiteral("waybar.json"));
        if (!QDir().mkpath(runtime) || chown(QFile::encodeName(runtime).constData(), 65534, 65534) != 0
            || !write(config, "output HEADLESS-1 resolution 1280x800\n")
            || !write(bar,
                R"({"layer": "top", "position": "top", "height": 30, "modules-right": ["tray"], "tray": {"icon-size": 22}})"))
            return false;
        QFile::setPermissions(
            m_dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment swayEnv = env;
        swayEnv.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        swayEnv.insert(QStringLiteral("HOME"), m_dir.path());
        swayEnv.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        swayEnv.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));
        swayEnv.remove(QStringLiteral("DISPLAY"));
        swayEnv.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (!launch(m_sway, swayEnv, QStringLiteral("setpriv"),
                { QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups"),
                    QStringLiteral("sway"), QStringLiteral("-c"), config }))
            return false;
        m_runtime = runtime;
        const QString socket = runtime + QStringLiteral("/wayland-1");
        QString ipc;
        const bool up = DesktopSession::waitFor(
            [&] {
                const QStringList found
                    = QDir(runtime).entryList({ QStringLiteral("sway-ipc.*.sock") }, QDir::System | QDir::Hidden);
                ipc = found.isEmpty() ? QString() : runtime + QLatin1Char('/') + found.first();
                return QFile::exists(socket) && !ipc.isEmpty();
            },
            15000);
        if (!up)
            return false;
        env.insert(QStringLiteral("SWAYSOCK"), ipc);
        m_ipc = ipc;
        env = clientEnvironment(env);
        m_port = freePort();
        return launch(m_bar, env, QStringLiteral("waybar"), { QStringLiteral("-c"), bar })
            && DesktopSession::waitFor(DesktopSession::itemHostRegistered, 15000)
            && launch(m_wayvnc, env, QStringLiteral("wayvnc"), { QStringLiteral("127.0.0.1"), QString::number(m_port) })
            && DesktopSession::waitFor([this] { return connectVnc(); }, 15000);
    }

    // What a Wayland client of this sway needs in its environment: GTK finds the display only in the runtime
    // folder (root, which the test runs as, may use nobody's).
    QProcessEnvironment clientEnvironment(QProcessEnvironment env) const
    {
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime);
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-1"));
        env.remove(QStringLiteral("DISPLAY"));
        return env;
    }

    // What sway knows of its windows, as `swaymsg -t get_tree` prints it.
    QString tree() const
    {
        QProcess swaymsg;
        swaymsg.start(QStringLiteral("swaymsg"),
            { QStringLiteral("-s"), m_ipc, QStringLiteral("-t"), QStringLiteral("get_tree") });
        swaymsg.waitForFinished(5000);
        return QString::fromUtf8(swaymsg.readAllStandardOutput());
    }

    QImage screen() const
    {
        const QString shot = m_dir.filePath(QStringLiteral("screen.png"));
        QFile::remove(shot);
        QProcess grim;
        grim.setProcessEnvironment(clientEnvironment(QProcessEnvironment::systemEnvironment()));
        grim.start(QStringLiteral("grim"), { shot });
        grim.waitForFinished(10000);
        return QImage(shot);
    }

    // A pointer event as a VNC client sends it: the buttons held (1 left, 2 middle, 4 right, 8 wheel up) at a place.
    void pointer(QPoint at, quint8 buttons)
    {
        send(5, buttons, { quint16(at.x()), quint16(at.y()) });
    }

    void click(QPoint at, quint8 button)
    {
        pointer(at, 0);
        pointer(at, button);
        pointer(at, 0);
    }

private:
    static bool write(const QString& path, const QByteArray& text)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size()
            && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    }

    static bool launch(QProcess& part, const QProcessEnvironment& env, const QString& program, const QStringList& args)
    {
        part.setProcessEnvironment(env);
        part.setStandardOutputFile(QProcess::nullDevice());
        part.setStandardErrorFile(QProcess::nullDevice());
        part.start(program, args);
        return part.waitForStarted(5000);
    }

    static quint16 freePort()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        return server.serverPort();
    }

    // The RFB handshake without security, as a VNC viewer makes it.
    bool connectVnc()
    {
        m_vnc.abort();
        m_vnc.connectToHost(QHostAddress::LocalHost, m_port);
        if (!m_vnc.waitForConnected(500) || !read(12).startsWith("RFB "))
            return false;
        m_vnc.write("RFB 003.008\n");
        const QByteArray count = read(1);
        if (count.isEmpty() || count.at(0) == 0 || !read(count.at(0)).contains('\1'))
            return false;
        m_vnc.write(QByteArray(1, '\1')); // no security
        if (read(4) != QByteArray(4, '\0'))
            return false;
        m_vnc.write(QByteArray(1, '\1')); // shared
        const QByteArray init = read(24);
        if (init.size() != 24)
            return false;
        const quint32 nameLength = qFromBigEndian<quint32>(init.constData() + 20);
        return nameLength == 0 || read(nameLength).size() == qsizetype(nameLength);
    }

    QByteArray read(qint64 size)
    {
        QByteArray data;
        while (data.size() < size && (m_vnc.bytesAvailable() > 0 || m_vnc.waitForReadyRead(2000)))
            data += m_vnc.read(size - data.size());
        return data.size() == size ? data : QByteArray();
    }

    void send(quint8 type, quint8 flags, std::initializer_list<quint16> values)
    {
        QByteArray event(2 + 2 * int(values.size()), '\0');
        event[0] = char(type);
        event[1] = char(flags);
        int at = 2;
        for (const quint16 value : values) {
            qToBigEndian(value, event.data() + at);
            at += 2;
        }
        m_vnc.write(event);
        m_vnc.flush();
        QTest::qWait(60);
    }

    QTemporaryDir m_dir;
    QProcess m_sway;
    QProcess m_bar;
    QProcess m_wayvnc;
    QTcpSocket m_vnc;
    QString m_runtime;
    QString m_ipc; // sway's own socket
    quint16 m_port = 0;
};
