#pragma once

#include "AudioListPlayer.h"

#include <QDBusConnection>
#include <QObject>
#include <QVariantMap>

// The player as desktops see it over MPRIS 2 (media keys, sound applets, playerctl), with or without a tray icon.
// Commands go to the play list itself; whatever shows the player (the icon, this remote) hears back from it, so
// every change the user can see is announced whoever made it.
class Mpris_linux : public QObject
{
    Q_OBJECT

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

    void announceSeek(qint64 positionUs);

signals:
    void seeked(qint64 positionUs);

public slots:
    void slotStateMayHaveChanged();

private:
    void announce();

    QDBusConnection m_bus = QDBusConnection(QString());
    QVariantMap m_mapLastAnnounced;
    bool m_bRegistered = false;
    bool m_bAnnouncePending = false;
};
