#include "MprisPlayerAdaptor_linux.h"

#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "Mpris_linux.h"
#include "Vireo.h"

#include <QAction>

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
    AudioListPlayer::instance()->setVolume(qBound(0.0, volume, 1.0));
    m_pMpris->slotStateMayHaveChanged();
}

qlonglong MprisPlayerAdaptor_linux::position() const
{
    return AudioPlayer::instance()->position() * 1000;
}

static bool enabled(const Mpris_linux* mpris, Vireo::Transport which)
{
    return mpris->vireo()->transportAction(which)->isEnabled();
}

bool MprisPlayerAdaptor_linux::canGoNext() const
{
    return enabled(m_pMpris, Vireo::Transport::Next);
}

bool MprisPlayerAdaptor_linux::canGoPrevious() const
{
    return enabled(m_pMpris, Vireo::Transport::Previous);
}

bool MprisPlayerAdaptor_linux::canPlay() const
{
    return enabled(m_pMpris, Vireo::Transport::PlayPause);
}

bool MprisPlayerAdaptor_linux::canPause() const
{
    return enabled(m_pMpris, Vireo::Transport::PlayPause);
}

bool MprisPlayerAdaptor_linux::canSeek() const
{
    return enabled(m_pMpris, Vireo::Transport::PlayPause) && AudioPlayer::instance()->duration() > 0;
}

// Each command is the menu entry's own: a disabled entry does nothing, as it cannot be chosen in the menu.
void MprisPlayerAdaptor_linux::Next()
{
    m_pMpris->vireo()->transportAction(Vireo::Transport::Next)->trigger();
}

void MprisPlayerAdaptor_linux::Previous()
{
    m_pMpris->vireo()->transportAction(Vireo::Transport::Previous)->trigger();
}

void MprisPlayerAdaptor_linux::PlayPause()
{
    m_pMpris->vireo()->transportAction(Vireo::Transport::PlayPause)->trigger();
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
    m_pMpris->vireo()->transportAction(Vireo::Transport::Stop)->trigger();
}

void MprisPlayerAdaptor_linux::Seek(qlonglong offsetUs)
{
    if (!canSeek())
        return;
    AudioPlayer* player = AudioPlayer::instance();
    const qint64 target = qBound<qint64>(0, player->position() + offsetUs / 1000, player->duration());
    player->setPosition(target);
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
    AudioPlayer::instance()->setPosition(target);
    m_pMpris->announceSeek(positionUs);
}

void MprisPlayerAdaptor_linux::OpenUri(const QString& uri)
{
    const QUrl url(uri);
    // "file://remote-host/…" names another machine's file: nothing is ever fetched.
    const bool local = url.isLocalFile() && (url.host().isEmpty() || url.host() == QLatin1String("localhost"));
    if (!local)
        return;
    m_pMpris->vireo()->playFiles({ url });
}
