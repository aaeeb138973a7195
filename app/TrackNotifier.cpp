#include "TrackNotifier.h"

#include "App.h"
#include "AudioListPlayer.h"
#include "DesktopNotification.h"

using QzMultiMedia::AudioListPlayer;

int TrackNotifier::sm_nQuiet = 0;

TrackNotifier::Quiet::Quiet()
{
    ++sm_nQuiet;
}

TrackNotifier::Quiet::~Quiet()
{
    --sm_nQuiet;
}

TrackNotifier::TrackNotifier(QObject* parent)
    : QObject(parent)
    , m_pNotification(new DesktopNotification(this))
{
    AudioListPlayer* player = AudioListPlayer::instance();
    connect(player, &AudioListPlayer::listChanged, this, [this] { m_bNewList = true; });
    connect(player, &AudioListPlayer::nextTriggered, this, &TrackNotifier::slotSongChanged);
    connect(player, &AudioListPlayer::previousTriggered, this, &TrackNotifier::slotSongChanged);
}

void TrackNotifier::slotSongChanged()
{
    const bool newList = std::exchange(m_bNewList, false);
    if (newList || sm_nQuiet > 0
        || !QzWidgets::App::theApp()->settingsValue(QStringLiteral("TrackNotifications"), true).toBool())
        return;
    m_pNotification->show(AudioListPlayer::instance()->currentName(), QString(), QStringLiteral("vireo"));
}

void TrackNotifier::slotShowCurrentSong()
{
    const QString song = AudioListPlayer::instance()->currentName();
    m_pNotification->show(song.isEmpty() ? tr("No songs") : song, QStringLiteral("Vireo"), QStringLiteral("vireo"));
}
