#pragma once

#include "DesktopSession.h"
#include "PrivateBus.h"
#include "ShellEval.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

// GNOME Shell 43 as Ubuntu ships it, with the AppIndicator extension, which owns a StatusNotifierWatcher (and on
// X11 the tray selection): on the test's X server as window manager and compositor (`--x11`), or as the Wayland
// compositor of a headless session with one virtual monitor, as GNOME's default session runs. Settings come from a
// key file of the test's own, and a system bus of its own stands in for the machine's (the shell asks it for
// logind and gives up quietly on the rest). A one-line extension of the test's lets the shell answer `Eval`,
// through which the test asks where the shell drew things; every input is a real pointer event, from xdotool on
// X11 and from a virtual pointer of the shell's own on Wayland, where no other client may send one.
class GnomeSession
{
public:
    enum class Display { X11, Wayland };

    explicit GnomeSession(Display display)
        : m_display(display)
    { }

    ~GnomeSession()
    {
        DesktopSession::stop(m_shell);
    }

    // A folder of session services for the test's bus: the shell's notification service (GNOME Shell 43 answers
    // org.freedesktop.Notifications from a helper the bus starts on the shell's request) and the desktop portal
    // with GNOME's backend, which a program's open dialog asks. Their bus needs `busEnvironment()`.
    static bool services(const QString& folder)
    {
        for (const char* name : { "org.gnome.Shell.Notifications.service", "org.freedesktop.portal.Desktop.service",
                 "org.freedesktop.impl.portal.desktop.gnome.service", "org.freedesktop.impl.portal.desktop.gtk.service",
                 "org.freedesktop.impl.portal.PermissionStore.service" }) {
            if (!DesktopSession::copyService(QLatin1String(name), folder))
                return false;
        }
        return true;
    }

    // The portal picks its backends by the desktop's name.
    static QProcessEnvironment busEnvironment()
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("XDG_CURRENT_DESKTOP"), QStringLiteral("GNOME"));
        return env;
    }

    bool start(QProcessEnvironment env)
    {
        const QString config = m_dir.filePath(QStringLiteral("config"));
        const QString probe = m_dir.filePath(QStringLiteral("data/gnome-shell/extensions/vireo-probe@tests"));
        const QString runtime = m_dir.filePath(QStringLiteral("run"));
        const QString applications = m_dir.filePath(QStringLiteral("data/applications"));
        if (!QDir().mkpath(config + QStringLiteral("/glib-2.0/settings")) || !QDir().mkpath(probe)
            || !QDir().mkpath(applications)
            || !QFile::copy(QStringLiteral(VIREO_DESKTOP_FILES "/example.corvane.Vireo.desktop"),
                applications + QStringLiteral("/example.corvane.Vireo.desktop"))
            || !QDir().mkpath(runtime) || !m_systemBus.start())
            return false;
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const bool written = write(config + QStringLiteral("/glib-2.0/settings/keyfile"),
                                 "[org/gnome/shell]\n"
                                 "enabled-extensions=['ubuntu-appindicators@ubuntu.com', 'vireo-probe@tests']\n"
                                 "disable-user-extensions=false\n"
                                 "welcome-dialog-last-shown-version='999'\n")
            && write(probe + QStringLiteral("/metadata.json"),
                R"({"uuid": "vireo-probe@tests", "name": "Vireo test probe", "description": "Lets the tests ask the shell", "shell-version": ["43"]})")
            && write(probe + QStringLiteral("/extension.js"),
                "function init() {}\nfunction enable() { global.context.unsafe_mode = true; }\nfunction disable() "
                "{}\n");
        if (!written)
            return false;
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
        env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), m_systemBus.address());
        // The program's icons where an installed package puts them: the shell looks them up by name.
        env.insert(QStringLiteral("XDG_DATA_DIRS"), QStringLiteral(VIREO_BUILD_SHARE ":/usr/local/share:/usr/share"));
        QStringList args { QStringLiteral("--x11"), QStringLiteral("--replace") };
        if (m_display == Display::Wayland) {
            env.remove(QStringLiteral("DISPLAY"));
            args = QStringList { QStringLiteral("--wayland"), QStringLiteral("--headless"), QStringLiteral("--no-x11"),
                QStringLiteral("--virtual-monitor"), QStringLiteral("1280x800"), QStringLiteral("--wayland-display"),
                QStringLiteral("wayland-vireo") };
        }
        m_shell.setProcessEnvironment(env);
        m_shell.setStandardOutputFile(log());
        m_shell.setStandardErrorFile(log(), QIODevice::Append);
        m_shell.start(QStringLiteral("gnome-shell"), args << QStringLiteral("--sm-disable"));
        if (!m_shell.waitForStarted(5000))
            return false;
        // Up once both extensions run; the shell starts in its overview, which the user leaves first.
        const bool up = DesktopSession::waitFor(
            [this] {
                return eval(QStringLiteral(
                           "Main.extensionManager.lookup('ubuntu-appindicators@ubuntu.com')?.state === 1 "
                           "&& !Main.layoutManager._startingUp"))
                    == QJsonValue(true);
            },
            60000);
        if (!up)
            return false;
        eval(QStringLiteral("Main.overview.hide()"));
        if (m_display == Display::Wayland) {
            // As a session manager does once its shell is up: what the bus starts from now on (the portal's
            // dialog) is a client of this shell, not of the X server the test started beside it.
            DesktopSession::run(QStringLiteral("dbus-send"),
                { QStringLiteral("--session"), QStringLiteral("--print-reply"),
                    QStringLiteral("--dest=org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus.UpdateActivationEnvironment"),
                    QStringLiteral("dict:string:string:WAYLAND_DISPLAY,wayland-vireo,GDK_BACKEND,wayland,"
                                   "XDG_RUNTIME_DIR,")
                        + runtime });
        }
        return DesktopSession::waitFor(
            [this] { return eval(QStringLiteral("Main.overview.visible")) == QJsonValue(false); }, 10000);
    }

    // What the shell's JavaScript says `code` comes to; undefined where it failed or the shell is not there.
    QJsonValue eval(const QString& code) const
    {
        return shellEval(QStringLiteral("org.gnome.Shell"), code);
    }

    Display display() const
    {
        return m_display;
    }

    // What a program needs in its environment ("NAME=value") to be a client of this shell.
    QStringList clientEnvironment() const
    {
        if (m_display == Display::X11)
            return {};
        return { QStringLiteral("QT_QPA_PLATFORM=wayland"), QStringLiteral("DISPLAY="),
            QStringLiteral("WAYLAND_DISPLAY=wayland-vireo"),
            QStringLiteral("XDG_RUNTIME_DIR=") + m_dir.filePath(QStringLiteral("run")) };
    }

    // A click of `button` at `at` (1 the left one, 4 and 5 a notch of the wheel up and down), `count` times in a
    // row as a double click is.
    void click(QPoint at, int button = 1, int count = 1) const
    {
        if (m_display == Display::X11) {
            DesktopSession::xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
                QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count), QStringLiteral("--delay"),
                QStringLiteral("120"), QString::number(button) });
            return;
        }
        const QString pointer
            = QStringLiteral("const { Clutter, GLib } = imports.gi; const now = GLib.get_monotonic_time();"
                             "globalThis.vireoPointer = globalThis.vireoPointer || Clutter.get_default_backend()"
                             ".get_default_seat().create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);");
        eval(pointer + QStringLiteral("vireoPointer.notify_absolute_motion(now, %1, %2);").arg(at.x()).arg(at.y()));
        for (int n = 0; n < count; ++n) {
            QTest::qWait(120);
            if (button == 1) {
                for (const char* state : { "PRESSED", "RELEASED" }) {
                    eval(pointer
                        + QStringLiteral(
                            "vireoPointer.notify_button(now, Clutter.BUTTON_PRIMARY, Clutter.ButtonState.%1);")
                              .arg(QLatin1String(state)));
                }
            } else {
                eval(pointer
                    + QStringLiteral("vireoPointer.notify_discrete_scroll(now, Clutter.ScrollDirection.%1, "
                                     "Clutter.ScrollSource.WHEEL);")
                          .arg(button == 4 ? QLatin1String("UP") : QLatin1String("DOWN")));
            }
        }
    }

    // Types `text` (plain ASCII) and then presses `keys` together (X key names: "Return", or "Control_L" and "l"),
    // as a keyboard does.
    void type(const QString& text, const QStringList& keys) const
    {
        if (m_display == Display::X11) {
            if (!text.isEmpty())
                DesktopSession::xdotool(
                    { QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text });
            DesktopSession::xdotool({ QStringLiteral("key"), keys.join(QLatin1Char('+')) });
            return;
        }
        // Clutter's key values are X's key symbols: a printable ASCII character is its own code. A key at a time,
        // each pressed and let go, as a hand types; keys held together are let go the other way round.
        const auto press = [this](const QStringList& keyvals) {
            for (const QString& keyval : keyvals)
                notifyKey(keyval, "PRESSED");
            for (auto keyval = keyvals.crbegin(); keyval != keyvals.crend(); ++keyval)
                notifyKey(*keyval, "RELEASED");
        };
        for (const QChar c : text)
            press({ QString::number(c.unicode()) });
        QStringList together;
        for (const QString& key : keys)
            together << QStringLiteral("Clutter.KEY_") + key;
        press(together);
    }

    QString log() const
    {
        return m_dir.filePath(QStringLiteral("gnome-shell.log"));
    }

private:
    void notifyKey(const QString& keyval, const char* state) const
    {
        eval(QStringLiteral("const { Clutter, GLib } = imports.gi;"
                            "globalThis.vireoKeyboard = globalThis.vireoKeyboard || Clutter.get_default_backend()"
                            ".get_default_seat().create_virtual_device(Clutter.InputDeviceType.KEYBOARD_DEVICE);"
                            "vireoKeyboard.notify_keyval(GLib.get_monotonic_time(), %1, Clutter.KeyState.%2);")
                 .arg(keyval, QLatin1String(state)));
        QTest::qWait(20);
    }

    static bool write(const QString& path, const QByteArray& text)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    }

    Display m_display;
    QTemporaryDir m_dir;
    PrivateBus m_systemBus;
    QProcess m_shell;
};
