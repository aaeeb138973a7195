#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

// Where `shot` shows the program's playing picture (its green play sign) inside `strip`: the middle of its green
// pixels, null where too few are there. For desktops that draw the icon themselves and do not say where.
inline QPoint playingPicture(const QImage& shot, const QRect& strip)
{
    const QRect area = strip.intersected(shot.rect());
    int count = 0;
    QPoint sum;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = shot.pixelColor(x, y);
            if (c.green() > c.red() && c.green() > c.blue() + 60) {
                ++count;
                sum += QPoint(x, y);
            }
        }
    }
    return count >= 40 ? sum / count : QPoint();
}
