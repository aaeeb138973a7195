#pragma once

#include "DesktopSession.h"

#include <QProcess>

// Another X client that drags files, as a file manager does: the test's drag helper, moved by xdotool.
class DragSource
{
public:
    ~DragSource()
    {
        stop();
    }

    // Drags the file onto the place and lets go there; true when the drop was taken. The source stays until
    // stop(): the program fetches the dropped data from it after the drop.
    bool dragOnto(const QString& path, QPoint target)
    {
        m_process.start(QStringLiteral(VIREO_DRAG_HELPER), { QStringLiteral("files"), path });
        if (!m_process.waitForStarted(5000) || !DesktopSession::waitFor([&] { return m_process.canReadLine(); }, 10000))
            return false;
        m_process.readLine();
        QTest::qWait(300);
        DesktopSession::xdotool({ QStringLiteral("mousemove"), QStringLiteral("80"), QStringLiteral("240"),
            QStringLiteral("mousedown"), QStringLiteral("1") });
        for (const QPoint p : { QPoint(90, 250), QPoint(200, 200), target + QPoint(-3, 20), target }) {
            DesktopSession::xdotool({ QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()) });
            QTest::qWait(150);
        }
        QTest::qWait(300);
        DesktopSession::xdotool({ QStringLiteral("mouseup"), QStringLiteral("1") });
        DesktopSession::waitFor([&] { return m_process.canReadLine(); }, 5000);
        return m_process.readAll().contains("drop-result 1");
    }

    void stop()
    {
        DesktopSession::stop(m_process);
    }

private:
    QProcess m_process;
};
