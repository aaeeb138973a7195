#pragma once

#include "DesktopSession.h"

#include <QImage>
#include <QList>
#include <QRect>

#include <functional>
#include <utility>

// The lines of a menu as a user finds them with the pointer, for menus that say nothing of where their lines
// are: a line is where the menu lights up under the pointer, read from pictures of the screen. The desktop's test
// hands over how it takes a picture and moves its pointer.
class MenuLines
{
public:
    MenuLines(std::function<QImage()> screen, std::function<void(QPoint)> moveTo)
        : m_screen(std::move(screen))
        , m_moveTo(std::move(moveTo))
    { }

    // The first `count` lines of `menu`, open with none lit, that light up under the pointer, from the top: the
    // pointer goes down the middle of the menu, and a line is the run of rows around it of which a quarter or more
    // changed (the rest is its text and picture). Headings and lines between groups do not light up and are passed
    // over. The pointer stays on the last line found.
    QList<QRect> of(const QRect& menu, int count) const
    {
        QImage unlit = m_screen(), before;
        DesktopSession::waitFor(
            [&] {
                before = std::exchange(unlit, m_screen());
                return unlit.copy(menu) == before.copy(menu);
            },
            2000);
        const auto runAround = [&](const QImage& shot, int y) {
            const auto lit = [&](int row) {
                int n = 0;
                for (int x = menu.left(); x <= menu.right(); ++x)
                    n += shot.pixel(x, row) != unlit.pixel(x, row);
                return 4 * n >= menu.width();
            };
            if (y < 0 || y >= shot.height() || !lit(y))
                return QRect();
            int top = y, bottom = y;
            while (top > menu.top() && lit(top - 1))
                --top;
            while (bottom < menu.bottom() && lit(bottom + 1))
                ++bottom;
            return QRect(menu.left(), top, menu.width(), bottom - top + 1);
        };
        // Away from the edges, where a menu that scrolls scrolls. A menu takes the pointer's first few moves over
        // it for the end of the click that opened it.
        const int first = menu.top() + 10;
        for (int step = 8; step > 0; --step)
            m_moveTo(QPoint(menu.center().x() - step, first));
        QList<QRect> lines;
        for (int y = first; y < menu.bottom() - 10 && lines.size() < count;) {
            m_moveTo(QPoint(menu.center().x(), y));
            const int below = lines.isEmpty() ? menu.top() - 1 : lines.last().bottom();
            QRect line;
            if (DesktopSession::waitFor(
                    [&] {
                        line = runAround(m_screen(), y);
                        return !line.isEmpty() && line.top() > below;
                    },
                    400)) {
                lines << line;
                y = line.bottom() + 3;
            } else {
                y += 3;
            }
        }
        return lines;
    }

private:
    std::function<QImage()> m_screen;
    std::function<void(QPoint)> m_moveTo;
};
