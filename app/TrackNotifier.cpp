#include "TrackNotifier.h"

#include "App.h"
#include "AudioListPlayer.h"
#include "DesktopNotification.h"
#include "MediaCommon.h"

#include <utility>

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
    connect(player, &AudioListPlayer::listReplaced, this, [this] { m_bNewList = true; });
    connect(player, &AudioListPlayer::nextTriggered, this, &TrackNotifier::slotSongChanged);
    connect(player, &AudioListPlayer::previousTriggered, this, &TrackNotifier::slotSongChanged);
    connect(player, &AudioListPlayer::tagsChanged, this, &TrackNotifier::slotTagsChanged);
}

void TrackNotifier::slotTagsChanged()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    if (!QzMultiMedia::MediaCommon::isStream(player->currentUrl())) {
        // The song announced a moment ago tells its title, artist and cover: the notice says them too.
        if (m_nShownSong != 0 && m_nShownSong == player->songStarts() && currentSongText() != m_listShown)
            showSong();
        return;
    }
    // A station names what it plays as it goes: each new title is a new song to the listener.
    const QString title = player->currentTags().title;
    if (title.isEmpty() || title == std::exchange(m_strStreamTitle, title))
        return;
    m_bNewList = false;
    slotSongChanged();
}

void TrackNotifier::slotSongChanged()
{
    // A list that stops after a song stands at the next one without playing it: nothing to announce.
    const bool newList = std::exchange(m_bNewList, false);
    if (newList || sm_nQuiet > 0 || !AudioListPlayer::instance()->isPlaying()
        || !QzWidgets::App::theApp()->settingsValue(QStringLiteral("TrackNotifications"), true).toBool())
        return;
    showSong();
}

void TrackNotifier::slotShowCurrentSong()
{
    if (AudioListPlayer::instance()->playList().isEmpty())
        m_pNotification->show(tr("No songs"), QStringLiteral("Vireo"), QStringLiteral("vireo"));
    else
        showSong();
}

// The song by its tags where it has them: title, artist and cover; else by its file name.
QStringList TrackNotifier::currentSongText() const
{
    AudioListPlayer* player = AudioListPlayer::instance();
    const QzMultiMedia::SongTags tags = player->currentTags();
    return { tags.title.isEmpty() ? player->currentName() : tags.title, tags.artist, tags.coverFile };
}

void TrackNotifier::showSong()
{
    m_listShown = currentSongText();
    m_nShownSong = AudioListPlayer::instance()->songStarts();
    m_pNotification->show(m_listShown.at(0), m_listShown.at(1), QStringLiteral("vireo"), m_listShown.at(2));
}
