#include "MenuPlace.h"

#include "TrayHost.h"

#include <QGuiApplication>
#include <QScreen>

QPoint MenuPlace::beside(const QRect& anchor, const QSize& menu, const QRect& area)
{
    int y = anchor.bottom() + 1;
    if (y + menu.height() - 1 > area.bottom() && anchor.top() - menu.height() >= area.top())
        y = anchor.top() - menu.height();
    const int x = qBound(area.left(), anchor.left(), qMax(area.left(), area.right() - menu.width() + 1));
    return QPoint(x, qBound(area.top(), y, qMax(area.top(), area.bottom() - menu.height() + 1)));
}

QPoint MenuPlace::onScreen(const QRect& anchor, const QSize& menu)
{
    const QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? beside(anchor, menu, TrayHost::workArea(screen)) : anchor.bottomLeft();
}
