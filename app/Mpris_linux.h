#pragma once

#include "AudioListPlayer.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

// The player as desktops see it over MPRIS 2 (media keys, sound applets, playerctl), with or without a tray icon.
// Commands go to the play list itself; whatever shows the player (the icon, this remote) hears back from it, so
// every change the user can see is announced whoever made it. The D-Bus adaptors are generated from the
// interfaces' descriptions (app/dbus) and call the properties and slots named as on the bus.
class Mpris_linux : public QObject
{
    Q_OBJECT
    // org.mpris.MediaPlayer2
    Q_PROPERTY(bool CanQuit READ canQuit CONSTANT)
    Q_PROPERTY(bool CanRaise READ canRaise CONSTANT) // a tray player has no window to bring forward
    Q_PROPERTY(bool HasTrackList READ hasTrackList CONSTANT)
    Q_PROPERTY(QString Identity READ identity CONSTANT)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry CONSTANT)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes CONSTANT)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes CONSTANT)
    // org.mpris.MediaPlayer2.Player
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ minimumRate CONSTANT)
    Q_PROPERTY(double MaximumRate READ maximumRate CONSTANT)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl CONSTANT)
    Q_PROPERTY(QString LoopStatus READ currentLoopStatus WRITE setLoopStatus)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)

public:
    static constexpr const char* serviceName = "org.mpris.MediaPlayer2.vireo";
    static constexpr const char* objectPath = "/org/mpris/MediaPlayer2";

    explicit Mpris_linux(const QDBusConnection& bus, QObject* parent = nullptr);
    ~Mpris_linux() override;

    bool isRegistered() const;
    // Offers the player on a connection made anew (the session bus came back); the old one is closed.
    void registerOn(const QDBusConnection& bus);
    // A play list exists: the transport commands have something to act on.
    static bool hasSongs();
    // Repeat as MPRIS names it ("None", "Track", "Playlist"), and back; an unknown name is "None".
    static QString loopStatus(QzMultiMedia::AudioListPlayer::Repeat repeat);
    static QzMultiMedia::AudioListPlayer::Repeat repeatFor(const QString& loopStatus);

    // The Player interface's properties as they stand.
    QVariantMap playerProperties() const;

    bool canQuit() const
    {
        return true;
    }
    bool canRaise() const
    {
        return false;
    }
    bool hasTrackList() const
    {
        return false;
    }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const;
    QStringList supportedMimeTypes() const;

    QString playbackStatus() const;
    // The speed songs play at, kept across runs like the menu's "Speed".
    double rate() const;
    void setRate(double rate);
    double minimumRate() const;
    double maximumRate() const;
    QVariantMap metadata() const;
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const;
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const
    {
        return true;
    }
    QString currentLoopStatus() const;
    void setLoopStatus(const QString& status);
    bool shuffle() const;
    void setShuffle(bool on);

signals:
    void Seeked(qlonglong positionUs);

public slots:
    void slotStateMayHaveChanged();

    // org.mpris.MediaPlayer2
    void Raise();
    void Quit();

    // org.mpris.MediaPlayer2.Player: each command does what the menu entry of the same name does; without songs,
    // nothing, as those entries are disabled then.
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs);
    void OpenUri(const QString& uri);

private:
    void announceSeek(qint64 positionUs);
    void announce();

    QDBusConnection m_bus = QDBusConnection(QString());
    QVariantMap m_mapLastAnnounced;
    bool m_bRegistered = false;
    bool m_bAnnouncePending = false;
};
