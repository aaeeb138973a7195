#pragma once

#include "DesktopSession.h"
#include "SessionTestMain.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// KDE Plasma 5.27 as its sessions run it: kded5 (whose module is the StatusNotifierWatcher) and plasmashell with
// its default layout (a panel along the bottom whose system tray hosts items and answers notifications itself),
// under kwin_x11 on the test's X server with xembedsniproxy, which owns the X11 tray and turns embedded icons into
// items; or under `kwin_wayland --virtual` as the Wayland compositor, whose fake-input protocol takes the test's
// pointer (fake_input) and whose screenshot service shows the screen. Each starts on configuration of the test's
// own and stops with the test.
class PlasmaSession
{
public:
    enum class Display { X11, Wayland };

    explicit PlasmaSession(Display display = Display::X11)
        : m_display(display)
    { }

    ~PlasmaSession()
    {
        for (QProcess* part : { &m_pointer, &m_proxy, &m_shell, &m_kded, &m_kwin })
            DesktopSession::stop(*part);
    }

    Display display() const
    {
        return m_display;
    }

    // What a program needs in its environment ("NAME=value") to be a client of this session.
    QStringList clientEnvironment() const
    {
        if (m_display == Display::X11)
            return {};
        return { QStringLiteral("QT_QPA_PLATFORM=wayland"), QStringLiteral("DISPLAY="),
            QStringLiteral("WAYLAND_DISPLAY=wayland-vireo-kde"), QStringLiteral("XDG_SESSION_TYPE=wayland"),
            QStringLiteral("XDG_RUNTIME_DIR=") + m_dir.filePath(QStringLiteral("run")) };
    }

    // Runs the cases of `Test` on a test desktop of 1280x800 whose bus starts what plasmashell asks it for.
    template <class Test> static int run(int argc, char** argv)
    {
        QTemporaryDir services;
        if (!DesktopSession::copyService(QStringLiteral("org.kde.ActivityManager.service"), services.path())
            || !DesktopSession::copyService(QStringLiteral("org.kde.kglobalaccel.service"), services.path())) {
            std::fprintf(stderr, "KDE Plasma's session services are not installed\n");
            return 1;
        }
        SessionTest::Options options;
        options.screen = QStringLiteral("1280x800x24");
        options.services = services.path();
        return SessionTest::run<Test>(argc, argv, options);
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
        if (m_display == Display::Wayland) {
            for (const QString& pair : clientEnvironment())
                env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
            env.remove(QStringLiteral("DISPLAY"));
            if (!startKWinWayland(env))
                return false;
        } else if (!launch(m_kwin, QStringLiteral("kwin_x11"), env)) {
            return false;
        }
        if (!launch(m_kded, QStringLiteral("kded5"), env)
            || !DesktopSession::waitFor(
                [] { return DesktopSession::watcherSays("IsStatusNotifierHostRegistered").contains("boolean"); }, 15000)
            || !launch(m_shell, QStringLiteral("plasmashell"), env))
            return false;
        // The panel's tray registers as the items' host once the panel is laid out.
        if (!DesktopSession::waitFor(DesktopSession::itemHostRegistered, 30000))
            return false;
        if (m_display == Display::Wayland)
            return true;
        return launch(m_proxy, QStringLiteral("xembedsniproxy"), env);
    }

    // A click of `button` ("1" the left one, "2" the middle one, "4" and "5" a notch of the wheel up and down) at
    // `at`, `count` times in a row as a double click is.
    void click(QPoint at, const char* button = "1", int count = 1)
    {
        if (m_display == Display::X11) {
            for (int n = 0; n < count; ++n)
                DesktopSession::click(at, button);
            return;
        }
        point(QStringLiteral("move %1 %2").arg(at.x()).arg(at.y()));
        const int number = QByteArray(button).toInt();
        if (number >= 4)
            point(QStringLiteral("wheel %1").arg(number == 4 ? -count : count));
        else
            point(QStringLiteral("click %1 %2").arg(number).arg(count));
    }

    // The pointer to `at`, where it rests.
    void moveTo(QPoint at)
    {
        if (m_display == Display::X11)
            DesktopSession::moveTo(at);
        else
            point(QStringLiteral("move %1 %2").arg(at.x()).arg(at.y()));
    }

    // Keys pressed and let go one after the other, by their Linux key codes (Wayland only).
    void keys(const QList<int>& codes)
    {
        for (int code : codes)
            point(QStringLiteral("key %1").arg(code));
    }

    // What `expression` (JavaScript in KWin's scripting API) gives, as text; empty when the script did not run.
    // KWin prints what a script prints into its log, where it is read back (Wayland only).
    QString evaluate(const QString& expression)
    {
        const QString marker = QStringLiteral("vireo-probe-%1:").arg(++m_nScripts);
        QFile script(m_dir.filePath(QStringLiteral("probe%1.js").arg(m_nScripts)));
        if (!script.open(QIODevice::WriteOnly))
            return {};
        script.write(QStringLiteral("print('%1' + String(%2));\n").arg(marker, expression).toUtf8());
        script.close();
        const auto kwin = [](const QString& path, const QString& interface, const QString& method,
                              const QVariantList& args = {}) {
            QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), path, interface, method);
            call.setArguments(args);
            return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
        };
        const QDBusMessage loaded = kwin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"),
            QStringLiteral("loadScript"), { script.fileName(), marker });
        if (loaded.type() != QDBusMessage::ReplyMessage || loaded.arguments().isEmpty())
            return {};
        // KWin 5.27 names a loaded script by its number alone.
        kwin(QStringLiteral("/%1").arg(loaded.arguments().constFirst().toInt()), QStringLiteral("org.kde.kwin.Script"),
            QStringLiteral("run"));
        QString said;
        DesktopSession::waitFor(
            [&] {
                QFile log(m_dir.filePath(QStringLiteral("kwin.log")));
                if (!log.open(QIODevice::ReadOnly))
                    return false;
                const QString text = QString::fromUtf8(log.readAll());
                const qsizetype at = text.lastIndexOf(marker);
                if (at < 0)
                    return false;
                said = text.mid(at + marker.size()).section(QLatin1Char('\n'), 0, 0);
                return true;
            },
            5000);
        kwin(QStringLiteral("/Scripting"), QStringLiteral("org.kde.kwin.Scripting"), QStringLiteral("unloadScript"),
            { marker });
        return said;
    }

    // The screen as it shows now.
    QImage screen() const
    {
        if (m_display == Display::Wayland)
            return waylandScreen();
        return DesktopSession::screen();
    }

private:
    // kwin_wayland carries a file capability (to raise its own priority) that a container without that capability
    // refuses to run: the same program, copied without it, runs as the compositor.
    bool startKWinWayland(QProcessEnvironment env)
    {
        const QString kwin = m_dir.filePath(QStringLiteral("kwin_wayland"));
        if (!QFile::exists(kwin) && !QFile::copy(QStringLiteral("/usr/bin/kwin_wayland"), kwin))
            return false;
        env.insert(QStringLiteral("KWIN_WAYLAND_NO_PERMISSION_CHECKS"), QStringLiteral("1"));
        env.insert(QStringLiteral("KWIN_SCREENSHOT_NO_PERMISSION_CHECKS"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("kwin_scripting.debug=true")); // see evaluate()
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        m_kwin.setProcessEnvironment(env);
        m_kwin.setStandardOutputFile(m_dir.filePath(QStringLiteral("kwin.log")));
        m_kwin.setStandardErrorFile(m_dir.filePath(QStringLiteral("kwin.log")), QIODevice::Append);
        m_kwin.start(kwin,
            { QStringLiteral("--virtual"), QStringLiteral("--no-lockscreen"), QStringLiteral("--socket"),
                QStringLiteral("wayland-vireo-kde"), QStringLiteral("--width"), QStringLiteral("1280"),
                QStringLiteral("--height"), QStringLiteral("800") });
        const QString socket = m_dir.filePath(QStringLiteral("run/wayland-vireo-kde"));
        if (!m_kwin.waitForStarted(5000) || !DesktopSession::waitFor([&] { return QFile::exists(socket); }, 20000))
            return false;
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-vireo-kde"));
        m_pointer.setProcessEnvironment(env);
        m_pointer.start(QStringLiteral(VIREO_FAKE_INPUT), {});
        return m_pointer.waitForStarted(5000)
            && DesktopSession::waitFor([this] { return m_pointer.canReadLine(); }, 10000)
            && m_pointer.readLine().startsWith("ready");
    }

    // One command to the fake pointer, answered once KWin has taken it.
    void point(const QString& command)
    {
        m_pointer.write(command.toLatin1() + '\n');
        DesktopSession::waitFor([this] { return m_pointer.canReadLine(); }, 5000);
        m_pointer.readLine();
    }

    // The screen through KWin's screenshot service, which writes the picture's bytes into a pipe it is handed.
    QImage waylandScreen() const
    {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0)
            return {};
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"),
            QStringLiteral("/org/kde/KWin/ScreenShot2"), QStringLiteral("org.kde.KWin.ScreenShot2"),
            QStringLiteral("CaptureArea"));
        call << 0 << 0 << 1280u << 800u << QVariantMap() << QVariant::fromValue(QDBusUnixFileDescriptor(fds[1]));
        QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, 10000);
        ::close(fds[1]);
        // The pending call keeps the message it sent, and with it a copy of the pipe's end: the picture is read
        // up to its size (four bytes a pixel) rather than to the pipe's end.
        constexpr qsizetype size = 1280 * 800 * 4;
        QByteArray bytes;
        char buffer[65536];
        pollfd readable { fds[0], POLLIN, 0 };
        for (ssize_t n = 1; n > 0 && bytes.size() < size && ::poll(&readable, 1, 10000) > 0;) {
            if ((n = ::read(fds[0], buffer, sizeof buffer)) > 0)
                bytes.append(buffer, n);
        }
        ::close(fds[0]);
        pending.waitForFinished();
        const QDBusReply<QVariantMap> reply = pending.reply();
        if (!reply.isValid())
            return {};
        const QVariantMap info = reply.value();
        const int width = info.value(QStringLiteral("width")).toInt();
        const int height = info.value(QStringLiteral("height")).toInt();
        const int stride = info.value(QStringLiteral("stride")).toInt();
        if (bytes.size() < qsizetype(stride) * height)
            return {};
        return QImage(reinterpret_cast<const uchar*>(bytes.constData()), width, height, stride,
            QImage::Format(info.value(QStringLiteral("format")).toInt()))
            .copy();
    }

    static bool launch(QProcess& part, const QString& program, const QProcessEnvironment& env)
    {
        part.setProcessEnvironment(env);
        part.setStandardOutputFile(QProcess::nullDevice());
        part.setStandardErrorFile(QProcess::nullDevice());
        part.start(program, {});
        return part.waitForStarted(5000);
    }

    Display m_display;
    int m_nScripts = 0;
    QTemporaryDir m_dir;
    QProcess m_pointer;
    QProcess m_kwin;
    QProcess m_kded;
    QProcess m_shell;
    QProcess m_proxy;
};
