#include "Scrobbler.h"

#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "ListenBrainzClient.h"
#include "MediaCommon.h"

#include <QCoreApplication>
#include <QDateTime>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;

Scrobbler::Scrobbler(ListenBrainzClient* client, const Rules& rules, QObject* parent)
    : QObject(parent)
    , m_pClient(client)
    , m_rules(rules)
{
    AudioListPlayer* player = AudioListPlayer::instance();
    for (auto signal : { &AudioListPlayer::stateChanged, &AudioListPlayer::nextTriggered,
             &AudioListPlayer::previousTriggered, &AudioListPlayer::listReplaced, &AudioListPlayer::tagsChanged,
             &AudioListPlayer::bufferingChanged, &AudioListPlayer::finished, &AudioListPlayer::stopped })
        connect(player, signal, this, &Scrobbler::slotCheck);
    connect(AudioPlayer::instance(), &AudioPlayer::durationChanged, this, &Scrobbler::slotCheck);
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, &Scrobbler::slotDue);
    m_announce.setSingleShot(true);
    connect(&m_announce, &QTimer::timeout, this, &Scrobbler::slotAnnounce);
    slotCheck();
}

Scrobbler::Scrobbler(ListenBrainzClient* client, QObject* parent)
    : Scrobbler(client, Rules(), parent)
{
}

QJsonObject Scrobbler::currentTrack()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    const QzMultiMedia::SongTags tags = player->currentTags();
    QString artist = tags.artist.trimmed();
    QString title = tags.title.trimmed();
    // A radio names what it plays in one line, the artist first.
    if (artist.isEmpty() && QzMultiMedia::MediaCommon::isStream(player->currentUrl())) {
        const qsizetype dash = title.indexOf(QLatin1String(" - "));
        if (dash > 0) {
            artist = title.left(dash).trimmed();
            title = title.mid(dash + 3).trimmed();
        }
    }
    if (artist.isEmpty() || title.isEmpty())
        return {};
    QJsonObject info { { QStringLiteral("media_player"), QStringLiteral("Vireo") },
        { QStringLiteral("submission_client"), QStringLiteral("Vireo") },
        { QStringLiteral("submission_client_version"), QCoreApplication::applicationVersion() } };
    if (const qint64 length = AudioPlayer::instance()->duration(); length > 0)
        info.insert(QStringLiteral("duration_ms"), length);
    if (tags.trackNumber > 0)
        info.insert(QStringLiteral("tracknumber"), tags.trackNumber);
    QJsonObject track { { QStringLiteral("artist_name"), artist }, { QStringLiteral("track_name"), title },
        { QStringLiteral("additional_info"), info } };
    if (!tags.album.trimmed().isEmpty())
        track.insert(QStringLiteral("release_name"), tags.album.trimmed());
    return track;
}

qint64 Scrobbler::needed() const
{
    if (m_bStream)
        return m_rules.streamTitleMs;
    const qint64 length = AudioPlayer::instance()->duration();
    if (length <= 0 || length < m_rules.shortestMs)
        return -1;
    return qMin(length / 2, m_rules.enoughMs);
}

// Every change of the player comes here: the time heard is added up, a new song starts to be followed, and the
// moment it becomes a listen is looked for again.
void Scrobbler::slotCheck()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    if (m_bPlaying)
        m_nHeardMs += m_playing.restart();
    const bool playing = player->isPlaying() && !player->isBuffering() && !player->isReconnecting();
    m_bStream = QzMultiMedia::MediaCommon::isStream(player->currentUrl());
    const QString song = QString::number(player->songStarts())
        + (m_bStream ? QLatin1Char('\n') + player->currentTags().title : QString());
    if (playing && song != m_strSong && (!m_bStream || !player->currentTags().title.isEmpty())) {
        m_strSong = song;
        m_nHeardMs = 0;
        m_bListened = false;
        m_track = {};
        m_nStartedAt = QDateTime::currentSecsSinceEpoch();
        m_announce.start(m_rules.tagsAwaitedMs);
    }
    m_bPlaying = playing && song == m_strSong;
    if (m_bPlaying)
        m_playing.restart();
    const qint64 need = needed();
    if (m_bPlaying && !m_bListened && need >= 0)
        m_due.start(int(qMax<qint64>(0, need - m_nHeardMs)));
    else
        m_due.stop();
}

void Scrobbler::slotAnnounce()
{
    m_track = currentTrack();
    if (!m_track.isEmpty())
        m_pClient->nowPlaying(m_track);
}

void Scrobbler::slotDue()
{
    slotCheck();
    const qint64 need = needed();
    if (m_bListened || need < 0 || m_nHeardMs < need)
        return;
    m_bListened = true;
    m_due.stop();
    // Tags that came after the start say more.
    QJsonObject track = currentTrack();
    if (track.isEmpty())
        track = m_track;
    if (!track.isEmpty())
        m_pClient->listen(track, m_nStartedAt);
}
