#include "SongsMenu.h"

#include "AudioListPlayer.h"
#include "TrayHost.h"

#include <QActionEvent>
#include <QScreen>
#include <QTimer>

SongsMenu::SongsMenu(const QString& title, QWidget* parent)
    : QMenu(title, parent)
{
    // Thousands of songs make one column that scrolls, instead of columns that run off the screen. A menu decides
    // whether it scrolls when it is made and when its style changes; a sheet given before the menu is polished
    // changes no style, hence the polish first.
    ensurePolished();
    setStyleSheet(QStringLiteral("QMenu { menu-scrollable: 1; }"));
}

void SongsMenu::setSongs(
    const QList<int>& places, std::function<QString(int)> text, std::function<QString(int)> heading)
{
    m_listPlaces = places;
    m_fnText = std::move(text);
    m_fnHeading = std::move(heading);
}

void SongsMenu::fill()
{
    if (m_bFilling || m_nMade >= m_listPlaces.size())
        return;
    addBatch();
}

void SongsMenu::addBatch()
{
    m_bFilling = false;
    const int end = qMin(int(m_listPlaces.size()), m_nMade + EntriesAtOnce);
    for (; m_nMade < end; ++m_nMade) {
        const int place = m_listPlaces.at(m_nMade);
        const QString title = m_fnHeading ? m_fnHeading(place) : QString();
        if (!title.isEmpty()) {
            QAction* heading = addAction(title);
            heading->setEnabled(false);
            m_hashHeadings.insert(place, heading);
        }
        QAction* action = addAction(m_fnText(place));
        action->setData(QzMultiMedia::AudioListPlayer::instance()->playList().value(place));
        action->setCheckable(true);
        action->setChecked(place == m_nCurrent);
        // Choosing the current song changes nothing, but Qt has already unchecked its entry.
        connect(action, &QAction::triggered, this, [this] { setCurrent(m_nCurrent); });
        m_hashEntries.insert(place, action);
        emit entryMade(action);
    }
    if (m_nMade < m_listPlaces.size()) {
        m_bFilling = true;
        QTimer::singleShot(0, this, &SongsMenu::addBatch);
    }
}

void SongsMenu::setCurrent(int place)
{
    if (QAction* old = entry(m_nCurrent))
        old->setChecked(false);
    m_nCurrent = place;
    if (QAction* current = entry(place))
        current->setChecked(true);
}

QAction* SongsMenu::entry(int place) const
{
    return m_hashEntries.value(place);
}

QAction* SongsMenu::heading(int place) const
{
    return m_hashHeadings.value(place);
}

// An entry that changes while the menu is open (the current song checked, songs appended) makes QMenu resize
// itself to hold every entry at once: thousands of pixels, past the screen, and the scrolling is gone. The menu
// is put back on the screen at once; it scrolls again at that height.
void SongsMenu::actionEvent(QActionEvent* event)
{
    QMenu::actionEvent(event);
    if (!isVisible())
        return;
    const QRect screen = TrayHost::workArea(this->screen());
    if (geometry().height() <= screen.height() && screen.contains(geometry()))
        return;
    const int height = qMin(geometry().height(), screen.height());
    const int top = qBound(screen.top(), geometry().top(), screen.bottom() + 1 - height);
    setGeometry(geometry().left(), top, geometry().width(), height);
}
