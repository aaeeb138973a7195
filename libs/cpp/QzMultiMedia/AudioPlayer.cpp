#include "AudioPlayer.h"

#include "CoverCache.h"
#include "Crossfade.h"
#include "MediaHost.h"
#include "NativeAudioPlayer.h"
#include "SongTagReader.h"
#include "SoundOutputs.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

#include <climits>
#include <cmath>
#include <limits>

namespace QzMultiMedia {

namespace {
// A song the user chooses while another plays takes over in this long, where songs cross-fade.
constexpr int ChosenFadeMs = 800;

// A whole local file goes by its path; a stream, or a stretch of a file, by its address.
bool isWholeLocalFile(const QString& fileName)
{
    return fileName.startsWith(QLatin1Char('/'));
}
} // namespace

AudioPlayer* AudioPlayer::_uniqueInstance = nullptr;

AudioPlayer::AudioPlayer()
    : m_pNativePlayer(new NativeAudioPlayer(this))
    , m_pCrossfade(new Crossfade(this))
{
    m_loopTimer.setSingleShot(true);
    connect(&m_loopTimer, &QTimer::timeout, this, &AudioPlayer::loopedPlay);
    connect(&m_fadeTimer, &QTimer::timeout, this, &AudioPlayer::fadeStep);
    m_saveTimer.setSingleShot(true);
    connect(&m_saveTimer, &QTimer::timeout, this, &AudioPlayer::saveSoundSettings);
    m_crossfadeTimer.setSingleShot(true);
    connect(&m_crossfadeTimer, &QTimer::timeout, this, &AudioPlayer::slotCrossfadeDue);
    attach(m_pNativePlayer);
}

// The player that sounds is the one heard from; one that fades out after a crossfade says nothing more.
void AudioPlayer::attach(NativeAudioPlayer* player)
{
    connect(player, &NativeAudioPlayer::finished, this, &AudioPlayer::slotNativeFinished);
    // A song taken over without a gap ends the one before it: its tags are the new song's before anybody hears.
    connect(player, &NativeAudioPlayer::advanced, this, [this] {
        readTags();
        emit finished();
        scheduleCrossfade();
    });
    connect(player, &NativeAudioPlayer::durationChanged, this, &AudioPlayer::durationChanged);
    connect(player, &NativeAudioPlayer::durationChanged, this, &AudioPlayer::scheduleCrossfade);
    connect(player, &NativeAudioPlayer::stateChanged, this, &AudioPlayer::stateChanged);
    connect(player, &NativeAudioPlayer::stateChanged, this, &AudioPlayer::scheduleCrossfade);
    // A volume set on the stream from outside is the user's too: kept, and told to whoever shows it.
    connect(player, &NativeAudioPlayer::volumeChanged, this, [this] {
        if (m_fadeTimer.isActive() || m_pCrossfade->isActive())
            return;
        saveSoundSettingsSoon();
        emit stateChanged();
    });
    connect(player, &NativeAudioPlayer::positionChanged, this, &AudioPlayer::positionChanged);
    connect(player, &NativeAudioPlayer::unplayable, this, &AudioPlayer::unplayable);
    connect(player, &NativeAudioPlayer::ready, this, &AudioPlayer::ready);
    connect(player, &NativeAudioPlayer::outputFailed, this, &AudioPlayer::stopped);
    connect(player, &NativeAudioPlayer::tagsChanged, this, &AudioPlayer::slotTagsChanged);
    connect(player, &NativeAudioPlayer::bufferingChanged, this, &AudioPlayer::bufferingChanged);
    connect(player, &NativeAudioPlayer::reconnectEnded, this, &AudioPlayer::reconnectEnded);
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
    if (MediaHost* host = MediaHost::installed())
        _uniqueInstance->setCrossfade(host->settingsValue(QStringLiteral("/Crossfade"), 0).toInt() * 1000);
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
    // A song chosen while another plays takes over from it in a short fade, where songs cross-fade.
    if (m_nCrossfadeMs > 0 && !looped && isPlaying() && !isMuted()) {
        crossTo(fileName, ChosenFadeMs);
        return;
    }
    m_pCrossfade->finish();
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
    m_pCrossfade->finish();
    m_bLoopStopped = true;
    m_loopTimer.stop();
    m_pNativePlayer->setMedia(fileName);
    m_pNativePlayer->pause();
    m_pNativePlayer->setPosition(ms);
}

void AudioPlayer::setUpcoming(const QStringList& fileNames, bool inListOrder)
{
    m_listUpcoming = fileNames;
    m_bUpcomingInOrder = inListOrder;
    decideJoin();
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
    m_pCrossfade->finish();
    m_pNativePlayer->pause();
}

void AudioPlayer::setReplayGain(ReplayGain gain, double untaggedDb)
{
    m_nGain = gain;
    m_fUntaggedDb = untaggedDb;
    m_pNativePlayer->setReplayGain(gain, untaggedDb);
}

void AudioPlayer::setEqualizer(const EqualizerGains& gains)
{
    m_gains = gains;
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
    scheduleCrossfade();
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
    m_pCrossfade->finish();
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
    m_pCrossfade->finish();
    m_pNativePlayer->setVolume(volume);
    saveSoundSettingsSoon();
}

qreal AudioPlayer::volume() const
{
    if (m_pCrossfade->isActive())
        return m_pCrossfade->volume();
    return m_fadeTimer.isActive() ? m_fFadeFrom : m_pNativePlayer->volume();
}

void AudioPlayer::setMuted(bool muted)
{
    m_pCrossfade->finish();
    m_pNativePlayer->setMuted(muted);
    saveSoundSettingsSoon();
}

bool AudioPlayer::isMuted() const
{
    if (m_pCrossfade->isActive())
        return m_pCrossfade->volume() <= 0.0;
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
    scheduleCrossfade();
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
        host->setSettingsValue(QStringLiteral("/Crossfade"), m_nCrossfadeMs / 1000);
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
    m_pCrossfade->finish();
    m_pNativePlayer->unload();
    if (m_pOtherPlayer)
        m_pOtherPlayer->unload();
}

void AudioPlayer::setCrossfade(int ms)
{
    ms = qBound(0, ms, 30 * 1000);
    if (ms == m_nCrossfadeMs)
        return;
    m_nCrossfadeMs = ms;
    decideJoin();
    saveSoundSettingsSoon();
    emit crossfadeChanged(ms);
}

int AudioPlayer::crossfade() const
{
    return m_nCrossfadeMs;
}

// Where songs cross-fade, the next song is handed to the player ahead (and follows without a gap) only when it
// goes on with the same album in the list's order; any other comes in by a crossfade. Until the albums of both
// are read, songs of one folder count as one album. A radio, a track of a disc image or a song looped is never
// cross-faded.
void AudioPlayer::decideJoin()
{
    const QString now = fileName();
    const QString next = m_listUpcoming.value(0);
    bool join = m_nCrossfadeMs <= 0 || !isWholeLocalFile(now) || !isWholeLocalFile(next);
    if (!join && m_bUpcomingInOrder) {
        const QList<QUrl> pair { QUrl::fromLocalFile(now), QUrl::fromLocalFile(next) };
        join = pair.at(0).adjusted(QUrl::RemoveFilename) == pair.at(1).adjusted(QUrl::RemoveFilename);
        if (m_listAlbumsRead == pair) {
            join = !m_pAlbums->tags(0).album.isEmpty() && m_pAlbums->tags(0).album == m_pAlbums->tags(1).album;
        } else {
            if (!m_pAlbums) {
                m_pAlbums = new SongTagReader(this);
                connect(m_pAlbums, &SongTagReader::tagsRead, this, [this](int, int to) {
                    if (to >= 2) {
                        m_listAlbumsRead = m_listAlbumsAsked;
                        decideJoin();
                    }
                });
            }
            if (m_listAlbumsAsked != pair) {
                m_listAlbumsAsked = pair;
                m_listAlbumsRead.clear();
                m_pAlbums->read(pair);
            }
        }
    }
    m_bJoinNext = join;
    m_pNativePlayer->setUpcoming(join ? m_listUpcoming : QStringList());
    scheduleCrossfade();
}

// The crossfade begins its length before the song's end, in the time heard (at another speed than 1 the song
// passes faster or slower).
void AudioPlayer::scheduleCrossfade()
{
    m_crossfadeTimer.stop();
    if (m_nCrossfadeMs <= 0 || m_bJoinNext || m_listUpcoming.isEmpty() || !m_bLoopStopped || !isPlaying()
        || m_pCrossfade->isActive() || isMuted())
        return;
    const qint64 length = duration();
    if (length <= 0)
        return;
    const qint64 wait = qint64(double(length - position()) / m_fSpeed) - m_nCrossfadeMs;
    if (wait >= 0)
        m_crossfadeTimer.start(int(qMin<qint64>(wait, INT_MAX)));
}

void AudioPlayer::slotCrossfadeDue()
{
    if (m_nCrossfadeMs <= 0 || m_bJoinNext || m_listUpcoming.isEmpty() || !isPlaying() || isMuted())
        return;
    crossTo(m_listUpcoming.constFirst(), m_nCrossfadeMs);
    emit finished(); // the list moves on to the song that now sounds, as after a song taken over without a gap
}

// The song that sounds leaves on the other player, lowered to nothing over ms, while fileName comes in on this
// one. Both are set up alike: gain, equalizer, speed, output.
void AudioPlayer::crossTo(const QString& fileName, int ms)
{
    m_pCrossfade->finish();
    if (!m_pOtherPlayer)
        m_pOtherPlayer = new NativeAudioPlayer(this);
    NativeAudioPlayer* leaving = m_pNativePlayer;
    NativeAudioPlayer* coming = std::exchange(m_pOtherPlayer, leaving);
    const double level = leaving->volume();
    coming->setReplayGain(m_nGain, m_fUntaggedDb);
    coming->setEqualizer(m_gains);
    coming->setSpeed(m_fSpeed);
    coming->setOutput(m_strOutputApplied.isEmpty() ? QString() : m_strOutput, QString());
    disconnect(leaving, nullptr, this, nullptr);
    m_pNativePlayer = coming;
    attach(coming);
    m_bLoopStopped = true;
    m_loopTimer.stop();
    m_listUpcoming.clear();
    coming->setMedia(fileName);
    m_pCrossfade->start(coming, leaving, level, ms);
    coming->play();
    readTags();
    emit stateChanged();
}

} // namespace QzMultiMedia
