#include "MprisPlayerAdaptor_linux.h"

#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "Mpris_linux.h"
#include "SongIntake.h"

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;

MprisPlayerAdaptor_linux::MprisPlayerAdaptor_linux(Mpris_linux* parent)
    : QDBusAbstractAdaptor(parent)
    , m_pMpris(parent)
{
    connect(parent, &Mpris_linux::seeked, this, &MprisPlayerAdaptor_linux::Seeked);
}

QString MprisPlayerAdaptor_linux::playbackStatus() const
{
    return m_pMpris->playerProperties().value(QStringLiteral("PlaybackStatus")).toString();
}

QVariantMap MprisPlayerAdaptor_linux::metadata() const
{
    return m_pMpris->playerProperties().value(QStringLiteral("Metadata")).toMap();
}

double MprisPlayerAdaptor_linux::volume() const
{
    return AudioListPlayer::instance()->volume();
}

void MprisPlayerAdaptor_linux::setVolume(double volume)
{
    AudioListPlayer::instance()->setVolume(volume);
}

double MprisPlayerAdaptor_linux::rate() const
{
    return AudioPlayer::instance()->speed();
}

// A rate of 0 is a pause, as MPRIS has it; what lies beyond the range is its nearest end.
void MprisPlayerAdaptor_linux::setRate(double rate)
{
    if (rate == 0.0)
        Pause();
    else
        AudioPlayer::instance()->setSpeed(rate);
}

double MprisPlayerAdaptor_linux::minimumRate() const
{
    return QzMultiMedia::SlowestSpeed;
}

double MprisPlayerAdaptor_linux::maximumRate() const
{
    return QzMultiMedia::FastestSpeed;
}

qlonglong MprisPlayerAdaptor_linux::position() const
{
    return AudioPlayer::instance()->position() * 1000;
}

bool MprisPlayerAdaptor_linux::canGoNext() const
{
    return m_pMpris->playerProperties().value(QStringLiteral("CanGoNext")).toBool();
}

bool MprisPlayerAdaptor_linux::canGoPrevious() const
{
    return m_pMpris->playerProperties().value(QStringLiteral("CanGoPrevious")).toBool();
}

bool MprisPlayerAdaptor_linux::canPlay() const
{
    return Mpris_linux::hasSongs();
}

bool MprisPlayerAdaptor_linux::canPause() const
{
    return Mpris_linux::hasSongs();
}

bool MprisPlayerAdaptor_linux::canSeek() const
{
    return Mpris_linux::hasSongs() && AudioPlayer::instance()->duration() > 0;
}

QString MprisPlayerAdaptor_linux::loopStatus() const
{
    return Mpris_linux::loopStatus(AudioListPlayer::instance()->repeat());
}

void MprisPlayerAdaptor_linux::setLoopStatus(const QString& status)
{
    AudioListPlayer::instance()->setRepeat(Mpris_linux::repeatFor(status));
}

bool MprisPlayerAdaptor_linux::shuffle() const
{
    return AudioListPlayer::instance()->isShuffleMode();
}

void MprisPlayerAdaptor_linux::setShuffle(bool on)
{
    AudioListPlayer::instance()->setShuffleMode(on);
}

// Each command does what the menu entry of the same name does; without songs, nothing, as those entries are
// disabled then.
void MprisPlayerAdaptor_linux::Next()
{
    AudioListPlayer::instance()->slotPlayNext();
}

void MprisPlayerAdaptor_linux::Previous()
{
    AudioListPlayer::instance()->slotPlayPrevious();
}

void MprisPlayerAdaptor_linux::PlayPause()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    if (!Mpris_linux::hasSongs())
        return;
    if (player->isPlaying())
        player->pause();
    else
        player->play();
}

void MprisPlayerAdaptor_linux::Pause()
{
    if (AudioListPlayer::instance()->isPlaying())
        PlayPause();
}

void MprisPlayerAdaptor_linux::Play()
{
    if (!AudioListPlayer::instance()->isPlaying())
        PlayPause();
}

void MprisPlayerAdaptor_linux::Stop()
{
    if (Mpris_linux::hasSongs())
        AudioListPlayer::instance()->stop();
}

void MprisPlayerAdaptor_linux::Seek(qlonglong offsetUs)
{
    if (!canSeek())
        return;
    // Past the song's end is the next song, as MPRIS has it; the list player decides.
    const qint64 target = qMax<qint64>(0, AudioPlayer::instance()->position() + offsetUs / 1000);
    if (AudioListPlayer::instance()->setPosition(target))
        m_pMpris->announceSeek(target * 1000);
}

void MprisPlayerAdaptor_linux::SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs)
{
    const QVariantMap data = metadata();
    if (!canSeek() || data.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>() != trackId)
        return;
    const qint64 target = positionUs / 1000;
    if (target < 0 || target > AudioPlayer::instance()->duration())
        return;
    if (AudioListPlayer::instance()->setPosition(target))
        m_pMpris->announceSeek(positionUs);
}

void MprisPlayerAdaptor_linux::OpenUri(const QString& uri)
{
    QzMultiMedia::SongIntake::play({ QUrl(uri) });
}
