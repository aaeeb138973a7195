#include "TrackNotifier.h"

#include "App.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "DesktopNotification.h"
#include "MediaCommon.h"

#include <utility>

using QzMultiMedia::AudioListPlayer;

namespace {
// A song's tags come with its first buffers, a cover a moment after its title: a notification waits for them this
// long at most, and this long after the last of them.
constexpr int TagsAwaitedMs = 400;
constexpr int TagsSettleMs = 60;
} // namespace

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
    connect(QzMultiMedia::AudioPlayer::instance(), &QzMultiMedia::AudioPlayer::reconnectEnded, this,
        &TrackNotifier::slotReconnectEnded);
    m_tmrTags.setSingleShot(true);
    connect(&m_tmrTags, &QTimer::timeout, this, &TrackNotifier::slotTagsAwaited);
}

void TrackNotifier::slotTagsChanged()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    if (!QzMultiMedia::MediaCommon::isStream(player->currentUrl())) {
        if (m_nAwaitedSong != 0 && m_nAwaitedSong == player->songStarts()) {
            m_tmrTags.start(int(qBound<qint64>(0, TagsAwaitedMs - m_awaiting.elapsed(), qint64(TagsSettleMs))));
            return;
        }
        // The song announced a while ago tells its title, artist and cover only now: the notice says them too.
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
    m_nAwaitedSong = AudioListPlayer::instance()->songStarts();
    m_awaiting.start();
    m_tmrTags.start(TagsAwaitedMs);
}

void TrackNotifier::slotTagsAwaited()
{
    if (std::exchange(m_nAwaitedSong, 0) == AudioListPlayer::instance()->songStarts())
        showSong();
}

void TrackNotifier::slotReconnectEnded(bool back)
{
    const QString station = AudioListPlayer::instance()->currentName();
    m_nShownSong = 0;
    if (back)
        m_pNotification->show(tr("Back on the air"), station, QStringLiteral("vireo"));
    else
        m_pNotification->show(tr("The station does not answer"),
            tr("%1 was tried for two minutes; the list goes on.").arg(station), QStringLiteral("vireo"));
}

void TrackNotifier::slotShowCurrentSong()
{
    m_tmrTags.stop();
    m_nAwaitedSong = 0;
    if (AudioListPlayer::instance()->playList().isEmpty())
        m_pNotification->show(tr("No songs"), QStringLiteral("Vireo"), QStringLiteral("vireo"));
    else
        showSong();
}

// The song by its tags where it has them: title, artist (else album) and cover; else by its file name. The body
// is never empty: some servers show nothing, or fail, for a notification without one.
QStringList TrackNotifier::currentSongText() const
{
    AudioListPlayer* player = AudioListPlayer::instance();
    const QzMultiMedia::SongTags tags = player->currentTags();
    QString body = tags.artist.isEmpty() ? tags.album : tags.artist;
    if (body.isEmpty())
        body = QStringLiteral("Vireo");
    return { tags.title.isEmpty() ? player->currentName() : tags.title, body, tags.coverFile };
}

void TrackNotifier::showSong()
{
    m_listShown = currentSongText();
    m_nShownSong = AudioListPlayer::instance()->songStarts();
    m_pNotification->show(m_listShown.at(0), m_listShown.at(1), QStringLiteral("vireo"), m_listShown.at(2));
}
