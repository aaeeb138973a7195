#include "PlayModesMenu.h"

#include "AudioListPlayer.h"

#include <QActionGroup>
#include <QMenu>

using QzMultiMedia::AudioListPlayer;

PlayModesMenu::PlayModesMenu(QMenu* menu, QObject* parent)
    : QObject(parent)
{
    AudioListPlayer* player = AudioListPlayer::instance();
    m_pactShuffle = menu->addAction(tr("Shuffle"));
    m_pactShuffle->setCheckable(true);
    connect(m_pactShuffle, &QAction::triggered, player, &AudioListPlayer::setShuffleMode);

    QMenu* repeat = menu->addMenu(tr("Repeat"));
    auto* choices = new QActionGroup(repeat);
    const auto choice = [&](const QString& text, AudioListPlayer::Repeat mode) {
        QAction* action = choices->addAction(text);
        action->setCheckable(true);
        repeat->addAction(action);
        connect(action, &QAction::triggered, player, [player, mode] { player->setRepeat(mode); });
        return action;
    };
    m_pactRepeatOff = choice(tr("Off"), AudioListPlayer::Repeat::Off);
    m_pactRepeatList = choice(tr("All Songs"), AudioListPlayer::Repeat::List);
    m_pactRepeatSong = choice(tr("This Song"), AudioListPlayer::Repeat::Song);

    m_pactStopAfter = menu->addAction(tr("Stop After This Song"));
    m_pactStopAfter->setCheckable(true);
    connect(m_pactStopAfter, &QAction::triggered, player, &AudioListPlayer::setStopAfterCurrent);

    connect(player, &AudioListPlayer::modesChanged, this, &PlayModesMenu::slotShowModes);
    slotShowModes();
}

void PlayModesMenu::slotShowModes()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    m_pactShuffle->setChecked(player->isShuffleMode());
    m_pactStopAfter->setChecked(player->isStopAfterCurrent());
    switch (player->repeat()) {
    case AudioListPlayer::Repeat::Off:
        m_pactRepeatOff->setChecked(true);
        break;
    case AudioListPlayer::Repeat::List:
        m_pactRepeatList->setChecked(true);
        break;
    case AudioListPlayer::Repeat::Song:
        m_pactRepeatSong->setChecked(true);
        break;
    }
}
