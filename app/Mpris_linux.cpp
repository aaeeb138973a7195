#include "Mpris_linux.h"

#include "AudioListPlayer.h"
#include "AudioPlayer.h"
#include "MprisPlayerAdaptor_linux.h"
#include "MprisRootAdaptor_linux.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>

using QzMultiMedia::AudioListPlayer;
using QzMultiMedia::AudioPlayer;

Mpris_linux::Mpris_linux(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
{
    new MprisRootAdaptor_linux(this);
    new MprisPlayerAdaptor_linux(this);
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
    emit seeked(positionUs);
}
