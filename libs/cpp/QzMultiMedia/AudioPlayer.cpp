#include "AudioPlayer.h"

#include "CoverCache.h"
#include "MediaHost.h"
#include "NativeAudioPlayer.h"
#include "SoundOutputs.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

#include <cmath>
#include <limits>

namespace QzMultiMedia {

AudioPlayer* AudioPlayer::_uniqueInstance = nullptr;

AudioPlayer::AudioPlayer()
    : m_pNativePlayer(new NativeAudioPlayer(this))
{
    connect(m_pNativePlayer, &NativeAudioPlayer::finished, this, &AudioPlayer::slotNativeFinished);
    m_loopTimer.setSingleShot(true);
    connect(&m_loopTimer, &QTimer::timeout, this, &AudioPlayer::loopedPlay);
    connect(&m_fadeTimer, &QTimer::timeout, this, &AudioPlayer::fadeStep);
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &AudioPlayer::saveSoundSettings);
    // A song taken over without a gap ends the one before it: its tags are the new song's before anybody hears.
    connect(m_pNativePlayer, &NativeAudioPlayer::advanced, this, [this] {
        readTags();
        emit finished();
    });
    connect(m_pNativePlayer, &NativeAudioPlayer::durationChanged, this, &AudioPlayer::durationChanged);
    connect(m_pNativePlayer, &NativeAudioPlayer::stateChanged, this, &AudioPlayer::stateChanged);
    // A volume set on the stream from outside is the user's too: kept, and told to whoever shows it.
    connect(m_pNativePlayer, &NativeAudioPlayer::volumeChanged, this, [this] {
        if (m_fadeTimer.isActive())
            return;
        saveSoundSettingsSoon();
        emit stateChanged();
    });
    connect(m_pNativePlayer, &NativeAudioPlayer::positionChanged, this, &AudioPlayer::positionChanged);
    connect(m_pNativePlayer, &NativeAudioPlayer::unplayable, this, &AudioPlayer::unplayable);
    connect(m_pNativePlayer, &NativeAudioPlayer::outputFailed, this, &AudioPlayer::stopped);
    connect(m_pNativePlayer, &NativeAudioPlayer::tagsChanged, this, &AudioPlayer::slotTagsChanged);
    connect(m_pNativePlayer, &NativeAudioPlayer::bufferingChanged, this, &AudioPlayer::bufferingChanged);
    connect(m_pNativePlayer, &NativeAudioPlayer::reconnectEnded, this, &AudioPlayer::reconnectEnded);
}

AudioPlayer::~AudioPlayer()
{
    slotSetAboutToQuit();
}

AudioPlayer* AudioPlayer::instance()
{
    if (_uniqueInstance)
        return _uniqueInstance;
    _uniqueInstance = new AudioPlayer();

    bool mute = false;
    qreal volume = 0.5;
    if (MediaHost* host = MediaHost::installed()) {
        mute = host->settingsValue(QStringLiteral("/SoundMute"), false).toBool();
        // A damaged file may say anything: what is not a volume (NaN, 1e308, -5) is brought into its range, so that
        // neither the sound nor MPRIS ever sees it.
        const qreal stored = host->settingsValue(QStringLiteral("/SoundVolume"), 0.5f).toReal();
        volume = std::isnan(stored) ? 0.5 : qBound<qreal>(0.0, stored, 1.0);
    }
    // The user's volume and mute must outlive the run; the application never destroys this instance.
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, _uniqueInstance, &AudioPlayer::slotSetAboutToQuit);
    _uniqueInstance->m_pNativePlayer->setMuted(mute);
    _uniqueInstance->m_pNativePlayer->setVolume(volume);
    if (MediaHost* host = MediaHost::installed())
        _uniqueInstance->setSpeed(host->settingsValue(QStringLiteral("/PlaybackSpeed"), 1.0).toReal());
    return _uniqueInstance;
}

void AudioPlayer::warmUp()
{
    NativeAudioPlayer::warmUp();
}

void AudioPlayer::prepare()
{
    m_pNativePlayer->prepare();
}

void AudioPlayer::play(const QString& fileName, bool looped)
{
    endFade();
    m_pNativePlayer->setMedia(fileName);
    m_bLoopStopped = !looped;
    if (looped)
        armLoop();
    else
        m_loopTimer.stop();
    m_pNativePlayer->stop();
    m_pNativePlayer->play();
}

void AudioPlayer::cue(const QString& fileName, qint64 ms)
{
    endFade();
    m_bLoopStopped = true;
    m_loopTimer.stop();
    m_pNativePlayer->setMedia(fileName);
    m_pNativePlayer->pause();
    m_pNativePlayer->setPosition(ms);
}

void AudioPlayer::setUpcoming(const QStringList& fileNames)
{
    m_pNativePlayer->setUpcoming(fileNames);
}

void AudioPlayer::armLoop()
{
    // Nothing loaded (or the back end already gave its player up): a zero-length repeat would spin, so the
    // loop simply ends here.
    const qint64 length = duration();
    if (length <= 0)
        return;
    m_loopTimer.start(int(qMin<qint64>(length, std::numeric_limits<int>::max())));
}

// Restarts a looped song, from its file again if the back end already gave it up at its end.
void AudioPlayer::loopedPlay()
{
    if (m_bLoopStopped)
        return;
    if (!m_pNativePlayer->isLoaded())
        m_pNativePlayer->setMedia(fileName());
    armLoop();
    m_pNativePlayer->stop();
    m_pNativePlayer->play();
}

// On a busy machine the loop's timer can come after the back end has seen the song end: a looped song then
// starts again all the same instead of ending.
void AudioPlayer::slotNativeFinished()
{
    if (!m_bLoopStopped) {
        loopedPlay();
        return;
    }
    emit finished();
}

void AudioPlayer::play()
{
    endFade();
    m_pNativePlayer->play();
}

void AudioPlayer::pause()
{
    endFade();
    m_pNativePlayer->pause();
}

void AudioPlayer::setReplayGain(ReplayGain gain, double untaggedDb)
{
    m_pNativePlayer->setReplayGain(gain, untaggedDb);
}

void AudioPlayer::setEqualizer(const EqualizerGains& gains)
{
    m_pNativePlayer->setEqualizer(gains);
}

// What is no speed is ignored, and one beyond the range is its nearest end.
void AudioPlayer::setSpeed(qreal speed)
{
    if (std::isnan(speed))
        return;
    speed = qBound<qreal>(SlowestSpeed, speed, FastestSpeed);
    if (speed == m_fSpeed)
        return;
    m_fSpeed = speed;
    m_pNativePlayer->setSpeed(speed);
    saveSoundSettingsSoon();
    emit speedChanged(speed);
}

qreal AudioPlayer::speed() const
{
    return m_fSpeed;
}

void AudioPlayer::setOutput(const QString& id)
{
    const bool changed = id != m_strOutput;
    m_strOutput = id;
    if (!m_bWatchingOutputs) {
        m_bWatchingOutputs = true;
        connect(SoundOutputs::instance(), &SoundOutputs::changed, this, &AudioPlayer::applyOutput);
    }
    applyOutput();
    if (changed)
        emit outputChanged();
}

QString AudioPlayer::output() const
{
    return m_strOutput;
}

// Outputs come and go: the chosen one is followed when it comes back, and the default when it changes.
void AudioPlayer::applyOutput()
{
    const QList<SoundOutputs::Output> outputs = SoundOutputs::instance()->outputs();
    QString target;
    for (const SoundOutputs::Output& output : outputs) {
        if (m_strOutput.isEmpty() ? output.isDefault : output.id == m_strOutput)
            target = output.id;
    }
    // Unplugged, the chosen output takes the sound along no more: the server moved the music to its default, and
    // the songs that follow open there too (a stream asked for on an output that is gone fails). When the chosen
    // one comes back, the music is sent there again.
    if (target.isEmpty()) {
        if (!std::exchange(m_strOutputApplied, QString()).isEmpty() && !m_strOutput.isEmpty())
            m_pNativePlayer->setOutput(QString(), QString());
        return;
    }
    if (target == m_strOutputApplied)
        return;
    m_strOutputApplied = target;
    m_pNativePlayer->setOutput(m_strOutput, target);
}

void AudioPlayer::fadeOutAndPause(int ms)
{
    if (!isPlaying())
        return;
    constexpr int StepMs = 50;
    if (!m_fadeTimer.isActive())
        m_fFadeFrom = volume();
    m_nFadeStep = 0;
    m_nFadeSteps = qMax(1, ms / StepMs);
    m_fadeTimer.start(StepMs);
}

void AudioPlayer::fadeStep()
{
    if (++m_nFadeStep < m_nFadeSteps) {
        m_pNativePlayer->setVolume(m_fFadeFrom * (m_nFadeSteps - m_nFadeStep) / m_nFadeSteps);
        return;
    }
    m_fadeTimer.stop();
    m_pNativePlayer->pause();
    m_pNativePlayer->setVolume(m_fFadeFrom);
}

void AudioPlayer::endFade()
{
    if (!m_fadeTimer.isActive())
        return;
    m_fadeTimer.stop();
    m_pNativePlayer->setVolume(m_fFadeFrom);
}

void AudioPlayer::stop()
{
    endFade();
    m_bLoopStopped = true;
    m_loopTimer.stop();
    m_pNativePlayer->stop();
}

void AudioPlayer::slotStop()
{
    stop();
}

void AudioPlayer::setVolume(qreal volume)
{
    m_fadeTimer.stop();
    m_pNativePlayer->setVolume(volume);
    saveSoundSettingsSoon();
}

qreal AudioPlayer::volume() const
{
    return m_fadeTimer.isActive() ? m_fFadeFrom : m_pNativePlayer->volume();
}

void AudioPlayer::setMuted(bool muted)
{
    m_pNativePlayer->setMuted(muted);
    saveSoundSettingsSoon();
}

bool AudioPlayer::isMuted() const
{
    return m_pNativePlayer->isMuted();
}

PlayState AudioPlayer::state() const
{
    return m_pNativePlayer->state();
}

bool AudioPlayer::isPlaying() const
{
    return m_pNativePlayer->isPlaying();
}

bool AudioPlayer::isStopped() const
{
    return m_pNativePlayer->isStopped();
}

bool AudioPlayer::isPaused() const
{
    return m_pNativePlayer->isPaused();
}

bool AudioPlayer::hasMedia() const
{
    return m_pNativePlayer->isLoaded();
}

qint64 AudioPlayer::duration() const
{
    return m_pNativePlayer->duration();
}

qint64 AudioPlayer::position() const
{
    return m_pNativePlayer->position();
}

void AudioPlayer::setPosition(qint64 ms)
{
    m_pNativePlayer->setPosition(ms);
    emit seeked(ms);
}

qint64 AudioPlayer::remainingDuration() const
{
    return duration() - position();
}

QString AudioPlayer::fileName() const
{
    return m_pNativePlayer->fileName();
}

const SongTags& AudioPlayer::tags() const
{
    return m_tags;
}

bool AudioPlayer::isBuffering() const
{
    return m_pNativePlayer->isBuffering();
}

bool AudioPlayer::isReconnecting() const
{
    return m_pNativePlayer->isReconnecting();
}

void AudioPlayer::slotTagsChanged()
{
    readTags();
    emit tagsChanged();
}

void AudioPlayer::readTags()
{
    m_tags = m_pNativePlayer->tags();
    m_tags.coverFile = CoverCache::fileFor(m_tags.cover, m_tags.coverType);
}

// Saved at every change, not only at quit: a logout or a crash must not take the user's volume with it.
void AudioPlayer::saveSoundSettings()
{
    m_saveTimer.stop();
    if (MediaHost* host = MediaHost::installed()) {
        host->setSettingsValue(QStringLiteral("/SoundVolume"), double(volume()));
        host->setSettingsValue(QStringLiteral("/SoundMute"), isMuted());
        host->setSettingsValue(QStringLiteral("/PlaybackSpeed"), double(m_fSpeed));
    }
}

// Half a second after the last change, and at least every two seconds while the changes go on.
void AudioPlayer::saveSoundSettingsSoon()
{
    if (!m_saveTimer.isActive())
        m_saveWaiting.start();
    if (!m_saveTimer.isActive() || m_saveWaiting.elapsed() < 2000)
        m_saveTimer.start(500);
}

// The sound output is closed before the program ends, not left to the end of the process: the sound server's
// client threads must not outlive the libraries they run in.
void AudioPlayer::slotSetAboutToQuit()
{
    saveSoundSettings();
    m_bLoopStopped = true;
    m_pNativePlayer->unload();
}

} // namespace QzMultiMedia
