#include "NativeAudioPlayer.h"

#include "NativeAudioPlayerInternal.h"

namespace QzMultiMedia {

NativeAudioPlayer::NativeAudioPlayer(QObject* parent)
    : QObject(parent)
    , m_pInternal(new NativeAudioPlayerInternal(this))
{
    connect(m_pInternal, &NativeAudioPlayerInternal::finished, this, &NativeAudioPlayer::finished);
    connect(m_pInternal, &NativeAudioPlayerInternal::advanced, this, [this] {
        m_strFileName = m_pInternal->fileName();
        emit advanced();
    });
    connect(m_pInternal, &NativeAudioPlayerInternal::positionChanged, this, &NativeAudioPlayer::positionChanged);
    connect(m_pInternal, &NativeAudioPlayerInternal::unplayable, this, &NativeAudioPlayer::unplayable);
    connect(m_pInternal, &NativeAudioPlayerInternal::ready, this, &NativeAudioPlayer::ready);
    connect(m_pInternal, &NativeAudioPlayerInternal::outputFailed, this, &NativeAudioPlayer::outputFailed);
    connect(m_pInternal, &NativeAudioPlayerInternal::tagsChanged, this, &NativeAudioPlayer::tagsChanged);
    connect(m_pInternal, &NativeAudioPlayerInternal::bufferingChanged, this, &NativeAudioPlayer::bufferingChanged);
    connect(m_pInternal, &NativeAudioPlayerInternal::reconnectEnded, this, &NativeAudioPlayer::reconnectEnded);
    connect(m_pInternal, &NativeAudioPlayerInternal::durationChanged, this, &NativeAudioPlayer::durationChanged);
    connect(m_pInternal, &NativeAudioPlayerInternal::stateChanged, this, &NativeAudioPlayer::stateChanged);
    connect(m_pInternal, &NativeAudioPlayerInternal::volumeChanged, this, &NativeAudioPlayer::volumeChanged);
}

void NativeAudioPlayer::prepare()
{
    m_pInternal->prepare();
}

void NativeAudioPlayer::warmUp()
{
    NativeAudioPlayerInternal::warmUp();
}

void NativeAudioPlayer::setMedia(const QString& fileName)
{
    m_strFileName = fileName;
    m_pInternal->setMedia(fileName);
}

void NativeAudioPlayer::setUpcoming(const QStringList& fileNames)
{
    m_pInternal->setUpcoming(fileNames);
}

void NativeAudioPlayer::play(const QString& fileName)
{
    m_pInternal->play(fileName);
}

void NativeAudioPlayer::play()
{
    m_pInternal->play();
}

void NativeAudioPlayer::pause()
{
    m_pInternal->pause();
}

void NativeAudioPlayer::stop()
{
    m_pInternal->stop();
}

void NativeAudioPlayer::unload()
{
    m_pInternal->unload();
}

PlayState NativeAudioPlayer::state() const
{
    return m_pInternal->state();
}

bool NativeAudioPlayer::isPlaying() const
{
    return m_pInternal->isPlaying();
}

bool NativeAudioPlayer::isPaused() const
{
    return m_pInternal->isPaused();
}

bool NativeAudioPlayer::isStopped() const
{
    return m_pInternal->isStopped();
}

bool NativeAudioPlayer::isLoaded() const
{
    return m_pInternal->isLoaded();
}

qint64 NativeAudioPlayer::position() const
{
    return m_pInternal->position();
}

void NativeAudioPlayer::setPosition(qint64 ms)
{
    m_pInternal->setPosition(ms);
}

qint64 NativeAudioPlayer::duration() const
{
    return m_pInternal->duration();
}

void NativeAudioPlayer::setVolume(double volume)
{
    m_pInternal->setVolume(volume);
}

double NativeAudioPlayer::volume() const
{
    return m_pInternal->volume();
}

void NativeAudioPlayer::setReplayGain(ReplayGain gain, double untaggedDb)
{
    m_pInternal->setReplayGain(gain, untaggedDb);
}

void NativeAudioPlayer::setEqualizer(const EqualizerGains& gains)
{
    m_pInternal->setEqualizer(gains);
}

void NativeAudioPlayer::setSpeed(double speed)
{
    m_pInternal->setSpeed(speed);
}

void NativeAudioPlayer::setOutput(const QString& device, const QString& now)
{
    m_pInternal->setOutput(device, now);
}

void NativeAudioPlayer::setBalance(float balance)
{
    m_pInternal->setBalance(balance);
}

void NativeAudioPlayer::setMuted(bool muted)
{
    if (muted) {
        m_fSavedVolume = m_pInternal->volume();
        m_pInternal->setVolume(0.0);
    } else {
        m_pInternal->setVolume(m_fSavedVolume);
    }
}

bool NativeAudioPlayer::isMuted() const
{
    return m_pInternal->volume() <= 0.0;
}

QString NativeAudioPlayer::fileName() const
{
    return m_strFileName;
}

const SongTags& NativeAudioPlayer::tags() const
{
    return m_pInternal->tags();
}

bool NativeAudioPlayer::isBuffering() const
{
    return m_pInternal->isBuffering();
}

bool NativeAudioPlayer::isReconnecting() const
{
    return m_pInternal->isReconnecting();
}

} // namespace QzMultiMedia
