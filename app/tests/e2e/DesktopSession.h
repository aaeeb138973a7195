#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPair>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// A desktop of the test's own: an X server (Xvfb) and a tray host that embeds icons (trayer). Each part is
// started and stopped by the test, within bounded time; nothing of the machine's own desktop is used.
class DesktopSession
{
public:
    ~DesktopSession()
    {
        stopTray();
        stop(m_xserver);
    }

    // Starts Xvfb on a free display and points this process (and its children) at it. Xvfb picks the display
    // itself and names it once it accepts connections, so tests starting side by side never share one.
    bool startX(const QString& screen = QStringLiteral("1024x768x24"))
    {
        m_xserver.start(QStringLiteral("Xvfb"),
            { QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"), screen,
                QStringLiteral("-nolisten"), QStringLiteral("tcp") });
        if (!m_xserver.waitForStarted(5000))
            return false;
        QElapsedTimer clock;
        clock.start();
        while (!m_xserver.canReadLine() && m_xserver.state() == QProcess::Running && clock.elapsed() < 10000)
            m_xserver.waitForReadyRead(200);
        bool ok = false;
        const int display = m_xserver.canReadLine() ? m_xserver.readLine().trimmed().toInt(&ok) : -1;
        if (!ok) {
            stop(m_xserver);
            return false;
        }
        m_display = QStringLiteral(":%1").arg(display);
        qputenv("DISPLAY", m_display.toUtf8());
        return true;
    }

    // A loaded machine may keep trayer from showing its panel in time; a second try starts it afresh. `program`
    // is trayer or a copy of it under another name; `edge` the screen's edge its panel lies along.
    bool startTray(const QString& program = QStringLiteral("trayer"), const QString& edge = QStringLiteral("top"))
    {
        for (int attempt = 0; attempt < 2; ++attempt) {
            m_tray.start(program,
                { QStringLiteral("--edge"), edge, QStringLiteral("--align"), QStringLiteral("left"),
                    QStringLiteral("--widthtype"), QStringLiteral("request"), QStringLiteral("--height"),
                    QStringLiteral("26"), QStringLiteral("--transparent"), QStringLiteral("false"),
                    QStringLiteral("--tint"), QStringLiteral("0x404040"), QStringLiteral("--SetDockType"),
                    QStringLiteral("true") });
            if (m_tray.waitForStarted(5000) && waitFor([] { return treeContains(QStringLiteral("\"panel\"")); }, 10000))
                return true;
            stop(m_tray);
        }
        return false;
    }

    void stopTray()
    {
        stop(m_tray);
    }

    QString display() const
    {
        return m_display;
    }

    // `xwininfo -root -tree`, the X server's own account of its windows.
    static QString windowTree()
    {
        return run(QStringLiteral("xwininfo"), { QStringLiteral("-root"), QStringLiteral("-tree") });
    }

    static bool treeContains(const QString& text)
    {
        return windowTree().contains(text);
    }

    // The program's windows as the X server places them: size, place in the parent, place on the screen; with
    // `viewableOnly`, those that are on the screen (mapped, and every window above them too).
    static QList<QPair<QRect, QPoint>> programWindows(bool viewableOnly = false)
    {
        return windowsOf(QStringLiteral("vireo"), QStringLiteral("Vireo"), viewableOnly);
    }

    // The same for the windows of another program, by the instance and class names it gives them.
    static QList<QPair<QRect, QPoint>> windowsOf(const QString& instance, const QString& windowClass, bool viewableOnly)
    {
        const QRegularExpression window(
            QStringLiteral("(0x[0-9a-f]+) (?:\"[^\"]*\"|\\(has no name\\)): \\(\"%1\" "
                           "\"%2\"\\)\\s+(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)\\s+\\+(-?\\d+)\\+(-?\\d+)")
                .arg(QRegularExpression::escape(instance), QRegularExpression::escape(windowClass)));
        QList<QPair<QRect, QPoint>> windows;
        QRegularExpressionMatchIterator it = window.globalMatch(windowTree());
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            if (viewableOnly
                && !run(QStringLiteral("xwininfo"), { QStringLiteral("-id"), m.captured(1) })
                        .contains(QStringLiteral("IsViewable")))
                continue;
            windows << qMakePair(
                QRect(m.captured(6).toInt(), m.captured(7).toInt(), m.captured(2).toInt(), m.captured(3).toInt()),
                QPoint(m.captured(4).toInt(), m.captured(5).toInt()));
        }
        return windows;
    }

    // The program's own menu while it is open, or once it opens within `waitMs`: its tallest window on the screen.
    static QRect programMenu(int waitMs = 0)
    {
        QRect menu;
        waitFor(
            [&] {
                for (const auto& [window, inParent] : programWindows(true))
                    menu = window.height() > qMax(200, menu.height()) ? window : menu;
                return !menu.isNull();
            },
            waitMs);
        return menu;
    }

    // In the program's own open menu, "Songs" (its second entry) is opened by keys and its last entry clicked:
    // the list's last song, or where the tray lets the folders be submenus (X11 trays), the last folder's, whose
    // last song is clicked in turn. Gives the Songs submenu as it was shown, empty where none opened.
    static QRect chooseLastSong()
    {
        QList<QRect> shown { programMenu() };
        xdotool({ QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Right") });
        const auto opened = [&](int timeoutMs) {
            QRect submenu;
            waitFor(
                [&] {
                    for (const auto& [window, inParent] : programWindows(true)) {
                        if (!shown.contains(window) && window.width() > 60 && window.height() > 20)
                            submenu = window;
                    }
                    return !submenu.isNull();
                },
                timeoutMs);
            return submenu;
        };
        for (QRect submenu = opened(3000); !submenu.isNull(); submenu = opened(1000)) {
            shown << submenu;
            click(QPoint(submenu.center().x(), submenu.bottom() - 10));
        }
        return shown.value(1);
    }

    // The icon embedded in a panel along `strip` (a window of the program inside the panel, placed by its tray)
    // with the drop catcher, another window of the program and a top-level one, exactly over it; empty while that
    // is not so. The icon's own window before the tray has taken it in is a top-level window too, and is no icon.
    static QRect embeddedIcon(const QRect& strip)
    {
        const QRegularExpression window(
            QStringLiteral("^( +)(0x[0-9a-f]+) (?:\"[^\"]*\"|\\(has no name\\)): \\(\"vireo\" \"Vireo\"\\)"
                           "\\s+(\\d+)x(\\d+)\\+(-?\\d+)\\+(-?\\d+)\\s+\\+(-?\\d+)\\+(-?\\d+)"),
            QRegularExpression::MultilineOption);
        struct Placed
        {
            QString id;
            bool topLevel;
            QRect onScreen;
        };
        QList<Placed> windows;
        // xwininfo indents the root's children by five spaces and each level below by three more.
        for (QRegularExpressionMatchIterator it = window.globalMatch(windowTree()); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            windows << Placed { m.captured(2), m.captured(1).size() == 5,
                QRect(m.captured(7).toInt(), m.captured(8).toInt(), m.captured(3).toInt(), m.captured(4).toInt()) };
        }
        for (const Placed& icon : windows) {
            if (icon.topLevel || !strip.contains(icon.onScreen) || icon.onScreen.width() < 16)
                continue;
            for (const Placed& catcher : windows) {
                if (catcher.topLevel && catcher.id != icon.id && catcher.onScreen == icon.onScreen)
                    return icon.onScreen;
            }
        }
        return {};
    }

    // A place on the screen as the tests' messages give it, "WxH+X+Y".
    static QString geometry(const QRect& place)
    {
        return QStringLiteral("%1x%2+%3+%4").arg(place.width()).arg(place.height()).arg(place.x()).arg(place.y());
    }

    // The X screen as it shows now; null where it could not be taken.
    static QImage screen()
    {
        QTemporaryDir dir;
        const QString shot = dir.filePath(QStringLiteral("screen.png"));
        run(QStringLiteral("gst-launch-1.0"),
            { QStringLiteral("-q"), QStringLiteral("ximagesrc"), QStringLiteral("num-buffers=1"),
                QStringLiteral("use-damage=false"), QStringLiteral("!"), QStringLiteral("videoconvert"),
                QStringLiteral("!"), QStringLiteral("pngenc"), QStringLiteral("!"), QStringLiteral("filesink"),
                QStringLiteral("location=") + shot });
        return QImage(shot);
    }

    // The pointer to `at`, where it rests.
    static void moveTo(QPoint at)
    {
        xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()) });
    }

    static void click(QPoint at, const char* button = "1")
    {
        xdotool({ QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()),
            QStringLiteral("click"), QLatin1String(button) });
    }

    // Copies the machine's session service `name` into `folder`, for a test's bus to start when a desktop asks.
    static bool copyService(const QString& name, const QString& folder)
    {
        return QFile::copy(QStringLiteral("/usr/share/dbus-1/services/") + name, folder + QLatin1Char('/') + name);
    }

    // What the session's StatusNotifierWatcher says of `property`.
    static QString watcherSays(const char* property)
    {
        return run(QStringLiteral("dbus-send"),
            { QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
                QStringLiteral("org.freedesktop.DBus.Properties.Get"),
                QStringLiteral("string:org.kde.StatusNotifierWatcher"),
                QStringLiteral("string:") + QLatin1String(property) });
    }

    static QString registeredItems()
    {
        return watcherSays("RegisteredStatusNotifierItems");
    }

    // A panel that runs both kinds of tray is up once its item host has registered with its watcher.
    static bool itemHostRegistered()
    {
        return watcherSays("IsStatusNotifierHostRegistered").contains(QStringLiteral("boolean true"));
    }

    // Runs xdotool (or any tool) while the event loop of the test keeps running.
    static QString run(const QString& program, const QStringList& args, int timeoutMs = 10000)
    {
        QProcess process;
        process.start(program, args);
        if (!process.waitForStarted(5000))
            return QString();
        QElapsedTimer clock;
        clock.start();
        while (!process.waitForFinished(10) && process.state() != QProcess::NotRunning && clock.elapsed() < timeoutMs) {
            if (QCoreApplication::instance())
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(1000);
        }
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    static void xdotool(const QStringList& args)
    {
        run(QStringLiteral("xdotool"), args);
    }

    template <typename Predicate> static bool waitFor(Predicate done, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            if (QCoreApplication::instance())
                QTest::qWait(50);
            else
                QThread::msleep(50);
        }
        return true;
    }

    // Ends a program the test started, firmly if it does not listen.
    static void stop(QProcess& process)
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(3000)) {
            process.kill();
            process.waitForFinished(3000);
        }
    }

private:
    QString m_display;
    QProcess m_xserver;
    QProcess m_tray;
};
