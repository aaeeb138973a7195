#pragma once

#include "DesktopSession.h"

#include <QProcess>

#include <functional>

// Another X client that drags files, as a file manager does: the test's drag helper, moved by xdotool. The same
// helper can also stand for a compositor.
class DragSource
{
public:
    ~DragSource()
    {
        stop();
    }

    // Starts the helper with `args` ("files" and their paths, "text", or "compositor"); true once it has shown its
    // window and waits to be pressed.
    bool start(const QStringList& args)
    {
        stop();
        m_process.start(QStringLiteral(VIREO_DRAG_HELPER), args);
        if (!m_process.waitForStarted(5000) || !DesktopSession::waitFor([&] { return m_process.canReadLine(); }, 10000))
            return false;
        m_process.readLine();
        QTest::qWait(300); // mapped and painted
        return true;
    }

    // Presses on the helper's window and drags onto `target`. `over` is called while there, and says whether to
    // let go away from the target instead. Gives the helper's answer: "drop-result 1" when the drop was taken,
    // "drop-result 0" when refused, empty when none came. The helper stays until stop() or the next start: the
    // program fetches the dropped data from it after the drop.
    QByteArray dragTo(QPoint target, const std::function<bool()>& over = {})
    {
        DesktopSession::xdotool({ QStringLiteral("mousemove"), QStringLiteral("80"), QStringLiteral("240"),
            QStringLiteral("mousedown"), QStringLiteral("1") });
        for (const QPoint p : { QPoint(90, 250), QPoint(200, 200), target + QPoint(-3, 20), target }) {
            DesktopSession::xdotool({ QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()) });
            QTest::qWait(150);
        }
        QTest::qWait(300);
        if (over && over()) {
            DesktopSession::xdotool({ QStringLiteral("mousemove"), QStringLiteral("300"), QStringLiteral("300") });
            QTest::qWait(200);
        }
        DesktopSession::xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") });
        DesktopSession::waitFor([&] { return m_process.canReadLine(); }, 5000);
        return m_process.readLine().trimmed();
    }

    // Drags the file onto the place and lets go there; true when the drop was taken.
    bool dragOnto(const QString& path, QPoint target)
    {
        return start({ QStringLiteral("files"), path }) && dragTo(target) == "drop-result 1";
    }

    void stop()
    {
        DesktopSession::stop(m_process);
    }

private:
    QProcess m_process;
};
