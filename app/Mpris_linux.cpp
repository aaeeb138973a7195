#include "Mpris_linux.h"

#include "App_linux.h"
#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "SongIntake.h"
#include "mprisplayeradaptor.h"
#include "mprisrootadaptor.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QTimer>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;

Mpris_linux::Mpris_linux(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    registerOn(bus);

    AudioListPlayer* player = AudioListPlayer::instance();
    connect(player, &AudioListPlayer::stateChanged, this, &Mpris_linux::slotStateMayHaveChanged);
    connect(player, &AudioListPlayer::stopped, this, &Mpris_linux::slotStateMayHaveChanged);
    connect(player, &AudioListPlayer::nextTriggered, this, &Mpris_linux::slotStateMayHaveChanged);
    connect(player, &AudioListPlayer::previousTriggered, this, &Mpris_linux::slotStateMayHaveChanged);
    connect(player, &AudioListPlayer::finished, this, &Mpris_linux::slotStateMayHaveChanged);
    connect(player, &AudioListPlayer::tagsChanged, this, &Mpris_linux::slotStateMayHaveChanged);
    // GStreamer learns some songs' length only once they play, or better as they go: each new length (and the
    // seeking it allows) is announced as it comes.
    connect(AudioPlayer::instance(), &AudioPlayer::durationChanged, this, &Mpris_linux::slotStateMayHaveChanged);
    connect(AudioPlayer::instance(), &AudioPlayer::speedChanged, this, &Mpris_linux::slotStateMayHaveChanged);
    m_mapLastAnnounced = playerProperties();
}

Mpris_linux::~Mpris_linux()
{
    if (m_bRegistered) {
        m_bus.unregisterService(QLatin1String(serviceName));
        m_bus.unregisterObject(QLatin1String(objectPath));
    }
}

void Mpris_linux::registerOn(const QDBusConnection& bus)
{
    m_bus = bus;
    m_bRegistered = m_bus.isConnected()
        && m_bus.registerObject(QLatin1String(objectPath), this, QDBusConnection::ExportAdaptors)
        && m_bus.registerService(QLatin1String(serviceName));
}

bool Mpris_linux::isRegistered() const
{
    return m_bRegistered;
}

QString Mpris_linux::loopStatus(QzMultiMedia::AudioListPlayer::Repeat repeat)
{
    using Repeat = QzMultiMedia::AudioListPlayer::Repeat;
    switch (repeat) {
    case Repeat::List:
        return QStringLiteral("Playlist");
    case Repeat::Song:
        return QStringLiteral("Track");
    case Repeat::Off:
        break;
    }
    return QStringLiteral("None");
}

QzMultiMedia::AudioListPlayer::Repeat Mpris_linux::repeatFor(const QString& loopStatus)
{
    using Repeat = QzMultiMedia::AudioListPlayer::Repeat;
    if (loopStatus == QLatin1String("Playlist"))
        return Repeat::List;
    if (loopStatus == QLatin1String("Track"))
        return Repeat::Song;
    return Repeat::Off;
}

bool Mpris_linux::hasSongs()
{
    return !AudioListPlayer::instance()->playList().isEmpty();
}

QVariantMap Mpris_linux::playerProperties() const
{
    AudioListPlayer* player = AudioListPlayer::instance();
    QVariantMap properties;
    const bool loaded = !player->playList().isEmpty();
    // The list's end leaves the first song current but not loaded: that is a stop, whatever the tray shows.
    QString status = QStringLiteral("Stopped");
    if (player->state() == QzMultiMedia::PlayState::Playing)
        status = QStringLiteral("Playing");
    else if (player->state() == QzMultiMedia::PlayState::Paused)
        status = QStringLiteral("Paused");
    properties.insert(QStringLiteral("PlaybackStatus"), status);

    QVariantMap metadata;
    if (loaded) {
        metadata.insert(QStringLiteral("mpris:trackid"),
            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/vireo/track/%1").arg(player->currentNumber()))));
        metadata.insert(QStringLiteral("mpris:length"), qlonglong(AudioPlayer::instance()->duration() * 1000));
        // A stream's address may carry a user name and password; whoever listens on the bus gets neither.
        metadata.insert(
            QStringLiteral("xesam:url"), player->currentUrl().toString(QUrl::FullyEncoded | QUrl::RemoveUserInfo));
        // What the song's tags say, as far as they are known; the file name stands in for a missing title.
        const QzMultiMedia::SongTags tags = player->currentTags();
        metadata.insert(QStringLiteral("xesam:title"), tags.title.isEmpty() ? player->currentName() : tags.title);
        if (!tags.artist.isEmpty())
            metadata.insert(QStringLiteral("xesam:artist"), QStringList { tags.artist });
        if (!tags.album.isEmpty())
            metadata.insert(QStringLiteral("xesam:album"), tags.album);
        if (tags.trackNumber > 0)
            metadata.insert(QStringLiteral("xesam:trackNumber"), tags.trackNumber);
        if (!tags.coverFile.isEmpty())
            metadata.insert(
                QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(tags.coverFile).toString(QUrl::FullyEncoded));
    } else {
        metadata.insert(QStringLiteral("mpris:trackid"),
            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack"))));
    }
    properties.insert(QStringLiteral("Metadata"), metadata);
    properties.insert(QStringLiteral("Volume"), player->volume());
    properties.insert(QStringLiteral("Rate"), AudioPlayer::instance()->speed());
    // True to what the call would do: Next stops at the last song, Previous at the first, unless the list repeats.
    properties.insert(QStringLiteral("CanGoNext"), player->hasNext());
    properties.insert(QStringLiteral("CanGoPrevious"), player->hasPrevious());
    properties.insert(QStringLiteral("LoopStatus"), loopStatus(player->repeat()));
    properties.insert(QStringLiteral("Shuffle"), player->isShuffleMode());
    properties.insert(QStringLiteral("CanPlay"), loaded);
    properties.insert(QStringLiteral("CanPause"), loaded);
    properties.insert(QStringLiteral("CanSeek"), loaded && AudioPlayer::instance()->duration() > 0);
    return properties;
}

// One change of the player sends several signals (a new song: its start, its state, its tags, its length); they
// are announced together on the next turn of the event loop, so that a client never sees half a song.
void Mpris_linux::slotStateMayHaveChanged()
{
    if (m_bAnnouncePending)
        return;
    m_bAnnouncePending = true;
    QTimer::singleShot(0, this, &Mpris_linux::announce);
}

void Mpris_linux::announce()
{
    m_bAnnouncePending = false;
    const QVariantMap now = playerProperties();
    QVariantMap changed;
    for (auto it = now.constBegin(); it != now.constEnd(); ++it) {
        if (m_mapLastAnnounced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_mapLastAnnounced = now;
    if (changed.isEmpty() || !m_bRegistered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(objectPath),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus.send(signal);
}

void Mpris_linux::announceSeek(qint64 positionUs)
{
    emit Seeked(positionUs);
}

QString Mpris_linux::identity() const
{
    return QStringLiteral("Vireo");
}

QString Mpris_linux::desktopEntry() const
{
    return App_linux::ownBusName();
}

QStringList Mpris_linux::supportedUriSchemes() const
{
    return { QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https") };
}

// Every audio type the player decodes, as the desktop entry lists them; folders are taken too, but a player is
// no folder handler.
QStringList Mpris_linux::supportedMimeTypes() const
{
    return { QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-wav"), QStringLiteral("audio/wav"),
        QStringLiteral("audio/mp4"), QStringLiteral("audio/x-m4a"), QStringLiteral("audio/x-ms-wma"),
        QStringLiteral("audio/ac3"), QStringLiteral("audio/aac"), QStringLiteral("audio/ogg"),
        QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/flac"), QStringLiteral("audio/x-flac"),
        QStringLiteral("audio/x-flac+ogg"), QStringLiteral("audio/opus"), QStringLiteral("audio/x-opus+ogg"),
        QStringLiteral("audio/x-matroska"), QStringLiteral("audio/webm"), QStringLiteral("audio/3gpp"),
        QStringLiteral("audio/x-aiff") };
}

void Mpris_linux::Raise() { }

void Mpris_linux::Quit()
{
    // After the reply has gone out, as "Quit" in the menu does.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

QString Mpris_linux::playbackStatus() const
{
    return playerProperties().value(QStringLiteral("PlaybackStatus")).toString();
}

QVariantMap Mpris_linux::metadata() const
{
    return playerProperties().value(QStringLiteral("Metadata")).toMap();
}

double Mpris_linux::volume() const
{
    return AudioListPlayer::instance()->volume();
}

void Mpris_linux::setVolume(double volume)
{
    AudioListPlayer::instance()->setVolume(volume);
}

double Mpris_linux::rate() const
{
    return AudioPlayer::instance()->speed();
}

// A rate of 0 is a pause, as MPRIS has it; what lies beyond the range is its nearest end.
void Mpris_linux::setRate(double rate)
{
    if (rate == 0.0)
        Pause();
    else
        AudioPlayer::instance()->setSpeed(rate);
}

double Mpris_linux::minimumRate() const
{
    return QzMultiMedia::SlowestSpeed;
}

double Mpris_linux::maximumRate() const
{
    return QzMultiMedia::FastestSpeed;
}

qlonglong Mpris_linux::position() const
{
    return AudioPlayer::instance()->position() * 1000;
}

bool Mpris_linux::canGoNext() const
{
    return playerProperties().value(QStringLiteral("CanGoNext")).toBool();
}

bool Mpris_linux::canGoPrevious() const
{
    return playerProperties().value(QStringLiteral("CanGoPrevious")).toBool();
}

bool Mpris_linux::canPlay() const
{
    return hasSongs();
}

bool Mpris_linux::canPause() const
{
    return hasSongs();
}

bool Mpris_linux::canSeek() const
{
    return hasSongs() && AudioPlayer::instance()->duration() > 0;
}

QString Mpris_linux::currentLoopStatus() const
{
    return loopStatus(AudioListPlayer::instance()->repeat());
}

void Mpris_linux::setLoopStatus(const QString& status)
{
    AudioListPlayer::instance()->setRepeat(repeatFor(status));
}

bool Mpris_linux::shuffle() const
{
    return AudioListPlayer::instance()->isShuffleMode();
}

void Mpris_linux::setShuffle(bool on)
{
    AudioListPlayer::instance()->setShuffleMode(on);
}

void Mpris_linux::Next()
{
    AudioListPlayer::instance()->slotPlayNext();
}

void Mpris_linux::Previous()
{
    AudioListPlayer::instance()->slotPlayPrevious();
}

void Mpris_linux::PlayPause()
{
    AudioListPlayer* player = AudioListPlayer::instance();
    if (!hasSongs())
        return;
    if (player->isPlaying())
        player->pause();
    else
        player->play();
}

void Mpris_linux::Pause()
{
    if (AudioListPlayer::instance()->isPlaying())
        PlayPause();
}

void Mpris_linux::Play()
{
    if (!AudioListPlayer::instance()->isPlaying())
        PlayPause();
}

void Mpris_linux::Stop()
{
    if (hasSongs())
        AudioListPlayer::instance()->stop();
}

void Mpris_linux::Seek(qlonglong offsetUs)
{
    if (!canSeek())
        return;
    // Past the song's end is the next song, as MPRIS has it; the list player decides.
    const qint64 target = qMax<qint64>(0, AudioPlayer::instance()->position() + offsetUs / 1000);
    if (AudioListPlayer::instance()->setPosition(target))
        announceSeek(target * 1000);
}

void Mpris_linux::SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs)
{
    const QVariantMap data = metadata();
    if (!canSeek() || data.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>() != trackId)
        return;
    const qint64 target = positionUs / 1000;
    if (target < 0 || target > AudioPlayer::instance()->duration())
        return;
    if (AudioListPlayer::instance()->setPosition(target))
        announceSeek(positionUs);
}

void Mpris_linux::OpenUri(const QString& uri)
{
    QzMultiMedia::SongIntake::play({ QUrl(uri) });
}
