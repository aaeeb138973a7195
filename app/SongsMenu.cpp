#include "SongsMenu.h"

#include <QActionEvent>
#include <QScreen>

SongsMenu::SongsMenu(const QString& title, QWidget* parent)
    : QMenu(title, parent)
{
    // Thousands of songs make one column that scrolls, instead of columns that run off the screen. A menu decides
    // whether it scrolls when it is made and when its style changes; a sheet given before the menu is polished
    // changes no style, hence the polish first.
    ensurePolished();
    setStyleSheet(QStringLiteral("QMenu { menu-scrollable: 1; }"));
}

// An entry that changes while the menu is open (the current song checked, songs appended) makes QMenu resize
// itself to hold every entry at once: thousands of pixels, past the screen, and the scrolling is gone. The menu
// is put back on the screen at once; it scrolls again at that height.
void SongsMenu::actionEvent(QActionEvent* event)
{
    QMenu::actionEvent(event);
    if (!isVisible())
        return;
    const QRect screen = this->screen()->availableGeometry();
    if (geometry().height() <= screen.height() && screen.contains(geometry()))
        return;
    const int height = qMin(geometry().height(), screen.height());
    const int top = qBound(screen.top(), geometry().top(), screen.bottom() + 1 - height);
    setGeometry(geometry().left(), top, geometry().width(), height);
}
