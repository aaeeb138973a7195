#include "PlayModesMenu.h"

#include "AudioListPlayer.h"
#include "AudioPlayer.h"

#include <QActionGroup>
#include <QMenu>

#include <functional>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;
using QzMultiMedia::ReplayGain;

namespace {
constexpr double Speeds[] = { 0.5, 0.75, 1.0, 1.25, 1.5, 2.0 };
constexpr int CrossfadeSeconds[] = { 0, 2, 5, 10 };

// A submenu of exclusive choices; choosing entry i calls choose(i).
QList<QAction*> addChoices(QMenu* menu, const QString& title, const QStringList& texts, std::function<void(int)> choose)
{
    QMenu* submenu = menu->addMenu(title);
    auto* group = new QActionGroup(submenu);
    QList<QAction*> actions;
    for (int i = 0; i < texts.size(); ++i) {
        QAction* action = group->addAction(texts.at(i));
        action->setCheckable(true);
        submenu->addAction(action);
        QObject::connect(action, &QAction::triggered, submenu, [choose, i] { choose(i); });
        actions << action;
    }
    return actions;
}
} // namespace

PlayModesMenu::PlayModesMenu(QMenu* menu, QObject* parent)
    : QObject(parent)
{
    AudioListPlayer* player = AudioListPlayer::instance();
    m_pactShuffle = menu->addAction(tr("Shuffle"));
    m_pactShuffle->setCheckable(true);
    connect(m_pactShuffle, &QAction::triggered, player, &AudioListPlayer::setShuffleMode);
    m_listRepeat = addChoices(menu, tr("Repeat"), { tr("Off"), tr("All Songs"), tr("This Song") },
        [player](int mode) { player->setRepeat(AudioListPlayer::Repeat(mode)); });
    m_pactStopAfter = menu->addAction(tr("Stop After This Song"));
    m_pactStopAfter->setCheckable(true);
    connect(m_pactStopAfter, &QAction::triggered, player, &AudioListPlayer::setStopAfterCurrent);
    m_listReplayGain = addChoices(menu, tr("ReplayGain"), { tr("Off"), tr("Track"), tr("Album") },
        [player](int gain) { player->setReplayGain(ReplayGain(gain)); });
    m_listEqualizer = addChoices(menu, tr("Equalizer"),
        { tr("Off"), tr("Bass Boost"), tr("Treble Boost"), tr("Rock"), tr("Pop"), tr("Jazz"), tr("Classical"),
            tr("Vocal") },
        [player](int preset) { player->setEqualizer(QzMultiMedia::Equalizer(preset)); });
    QStringList speeds;
    for (double speed : Speeds)
        speeds << (speed == 1.0 ? tr("Normal") : tr("%L1×").arg(speed));
    m_listSpeed = addChoices(
        menu, tr("Speed"), speeds, [](int choice) { AudioPlayer::instance()->setSpeed(Speeds[choice]); });

    QStringList fades { tr("Off") };
    for (int seconds : CrossfadeSeconds) {
        if (seconds > 0)
            fades << tr("%n Seconds", nullptr, seconds);
    }
    m_listCrossfade = addChoices(menu, tr("Crossfade"), fades,
        [](int choice) { AudioPlayer::instance()->setCrossfade(CrossfadeSeconds[choice] * 1000); });
    connect(player, &AudioListPlayer::modesChanged, this, &PlayModesMenu::slotShowModes);
    connect(AudioPlayer::instance(), &AudioPlayer::crossfadeChanged, this, &PlayModesMenu::slotShowModes);
    connect(AudioPlayer::instance(), &AudioPlayer::speedChanged, this, &PlayModesMenu::slotShowModes);
    slotShowModes();
}

void PlayModesMenu::slotShowModes()
{
    const AudioListPlayer* player = AudioListPlayer::instance();
    m_pactShuffle->setChecked(player->isShuffleMode());
    m_pactStopAfter->setChecked(player->isStopAfterCurrent());
    m_listRepeat.at(int(player->repeat()))->setChecked(true);
    m_listReplayGain.at(int(player->replayGain()))->setChecked(true);
    m_listEqualizer.at(int(player->equalizer()))->setChecked(true);
    // MPRIS may set a speed between those offered: then none of them is checked.
    const double speed = AudioPlayer::instance()->speed();
    for (int i = 0; i < m_listSpeed.size(); ++i)
        m_listSpeed.at(i)->setChecked(qFuzzyCompare(Speeds[i], speed));
    const int fade = AudioPlayer::instance()->crossfade();
    for (int i = 0; i < m_listCrossfade.size(); ++i)
        m_listCrossfade.at(i)->setChecked(CrossfadeSeconds[i] * 1000 == fade);
}
